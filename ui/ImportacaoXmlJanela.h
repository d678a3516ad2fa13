#pragma once

// Importing fiscal XML files from a window: the files are read on a thread of their own under a
// progress dialog with "Cancelar", then one box tells the outcome, the refused files and the
// cancellations in its details, which a button copies.

#include <string>
#include <vector>

class BancoDados;
class wxWindow;

// Imports `caminhos` (files, folders, zips) into `banco`. Returns whether any receipt was
// stored, for the caller to reload what it shows.
bool ImportarXmlComProgresso(wxWindow* parent, BancoDados* banco,
                             const std::vector<std::string>& caminhos);
