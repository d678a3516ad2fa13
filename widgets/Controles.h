#pragma once

// Controls and boxes shared by every window.

#include <wx/string.h>

class wxSizer;
class wxSplitterWindow;
class wxTextCtrl;
class wxTopLevelWindow;
class wxWindow;

namespace controles {

// Caption of every error box.
inline const wchar_t* const kTituloErro = L"Erro";

// A splitter as every window makes it: 3-D sash and border, live update while the sash is
// dragged, window name "splitter".
wxSplitterWindow* CriarSplitter(wxWindow* parent);

// The error box: `mensagem`, caption "Erro", an OK button and the error icon, no parent window.
void MostrarErro(const wxString& mensagem);

// Puts `texto` on the clipboard (the empty text too); false, and nothing copied, when the
// clipboard cannot be opened.
bool CopiarParaAreaDeTransferencia(const wxString& texto);

// One labelled field: a vertical sizer holding the label (bottom border 2) above an empty
// single-line text control of `estilo` (expanded), added to `linha` with `proporcao`,
// expanded, with a border of 4 on the left and right. Returns the text control.
wxTextCtrl* AdicionarCampoRotulado(wxWindow* parent, wxSizer* linha, const wxString& rotulo,
                                   int proporcao, long estilo = 0);

// Shows a window opened from another one wholly inside the work area of the display its parent
// is on (the first display without a parent): its size, and its minimum size, capped to the
// area, and its position moved into it.
void MostrarNaTela(wxTopLevelWindow* janela);

}  // namespace controles
