#pragma once

// Where the receipts database lives when the program is started from the desktop's application
// menu: a folder of the program's own among the user's data, not the home folder the menu
// starts programs in. Started from a terminal, the program keeps the working folder.

#include <string>

// The environment variable the desktop entry's Exec line sets.
inline constexpr const char* kVariavelInicioPeloMenu = "CUPOM_INICIO_MENU";

// $XDG_DATA_HOME/cupom-dashboard, or ~/.local/share/cupom-dashboard when XDG_DATA_HOME is unset,
// empty or not an absolute path (as the XDG base directory rules say); empty when neither it
// nor HOME is usable.
std::string PastaDeDadosDoMenu();

// When started from the menu (the variable set), creates the folder (for its owner only, 0700;
// the folders above it as usual) and makes it the working folder. Returns the reason, in
// Portuguese, when that fails; the program then stays where it is.
std::string EntrarNaPastaDeDados();
