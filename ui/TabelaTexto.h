#pragma once

// The receipt items as a plain-text table (what "Salvar TXT" copies): boxed with "+", "-" and "|",
// columns as wide as their widest text in characters, chosen columns aligned right and totalled.
// Kept apart from the window so it can be computed and tested without one.

#include <wx/string.h>

#include <vector>

// Renders `linhas` (one text per column; a short row reads as empty texts) under `cabecalhos`,
// whose size gives the number of columns. With `com_cabecalhos` false the labels are left out.
// Columns listed in `colunas_direita` are padded in front; those in `colunas_soma` get a totals
// row with the sum of their cells whose whole text is a number, "%.2f" with a "." whatever the
// locale. The lines are joined by "\n", with no line feed after the last one; no columns give "".
wxString MontarTabelaTexto(const std::vector<wxString>& cabecalhos,
                           const std::vector<std::vector<wxString>>& linhas, bool com_cabecalhos,
                           const std::vector<int>& colunas_direita,
                           const std::vector<int>& colunas_soma);
