#include "widgets/Grade.h"

#include <wx/grid.h>

#include <algorithm>
#include <numeric>

namespace controles {

wxGrid* CriarGradeSomenteLeitura(wxWindow* parent, const wxSize& minimo) {
    auto* grid = new wxGrid(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS);
    grid->SetMinSize(minimo);
    grid->EnableEditing(false);
    grid->SetTabBehaviour(wxGrid::Tab_Leave);
    grid->CreateGrid(1, 1, wxGrid::wxGridSelectCells);
    grid->SetRowLabelSize(kTamanhoRotulosGrade);
    grid->SetColLabelSize(kTamanhoRotulosGrade);
    return grid;
}

std::vector<int> ColunasVisiveis(wxGrid* grid) {
    std::vector<int> colunas;
    for (int c = 0; c < grid->GetNumberCols(); ++c)
        if (grid->IsColShown(c)) colunas.push_back(c);
    return colunas;
}

std::vector<int> LinhasComPrimeiraColunaSelecionada(wxGrid* grid) {
    std::vector<int> linhas;
    if (grid->GetNumberCols() == 0) return linhas;
    for (int r = 0; r < grid->GetNumberRows(); ++r)
        if (grid->IsInSelection(r, 0)) linhas.push_back(r);
    return linhas;
}

std::vector<int> TodasAsLinhas(wxGrid* grid) {
    std::vector<int> linhas(static_cast<std::size_t>(std::max(grid->GetNumberRows(), 0)));
    std::iota(linhas.begin(), linhas.end(), 0);
    return linhas;
}

CelulasGrade LerCelulas(wxGrid* grid, const std::vector<int>& linhas,
                        const std::vector<int>& colunas) {
    CelulasGrade celulas;
    celulas.colunas = colunas;
    for (int c : colunas) celulas.rotulos.push_back(grid->GetColLabelValue(c));
    celulas.linhas.reserve(linhas.size());
    for (int r : linhas) {
        std::vector<wxString> linha;
        linha.reserve(colunas.size());
        for (int c : colunas) linha.push_back(grid->GetCellValue(r, c));
        celulas.linhas.push_back(std::move(linha));
    }
    return celulas;
}

}  // namespace controles
