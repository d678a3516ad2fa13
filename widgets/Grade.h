#pragma once

// The read-only grid every window shows, and reading what a person sees of a grid: its visible
// columns (hidden key columns never leave the window) and the chosen rows.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <vector>

class wxGrid;
class wxWindow;

namespace controles {

// Height of the column labels and width of the row labels of every grid.
inline constexpr int kTamanhoRotulosGrade = 24;

// A grid that takes all keys, with minimum size `minimo`, editing disabled, Tab leaving the
// grid, one row and one column in cell selection mode, and 24-pixel labels.
wxGrid* CriarGradeSomenteLeitura(wxWindow* parent, const wxSize& minimo);

// The grid's columns that are shown, in order.
std::vector<int> ColunasVisiveis(wxGrid* grid);

// Every row of the grid, in order.
std::vector<int> TodasAsLinhas(wxGrid* grid);

// The rows whose cell in column 0 is selected (a click on a row label selects the whole row).
std::vector<int> LinhasComPrimeiraColunaSelecionada(wxGrid* grid);

// Cell texts of chosen rows and columns, with the columns' labels.
struct CelulasGrade {
    std::vector<int> colunas;  // grid column of each text position
    std::vector<wxString> rotulos;
    std::vector<std::vector<wxString>> linhas;
};

// Reads `linhas` x `colunas` of `grid`, in the order given.
CelulasGrade LerCelulas(wxGrid* grid, const std::vector<int>& linhas,
                        const std::vector<int>& colunas);

}  // namespace controles
