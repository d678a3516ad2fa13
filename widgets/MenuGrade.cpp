#include "widgets/MenuGrade.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/grid.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <memory>
#include <utility>

#include "widgets/CelulasUtf8.h"
#include "widgets/Controles.h"

namespace controles {
namespace {

constexpr const char* kExtensaoCsv = "csv";
constexpr const wchar_t* kFalhaGravacao = L"Não foi possível gravar o arquivo %s:\n%s";
constexpr const wchar_t* kPerguntaSubstituir = L"O arquivo %s já existe. Deseja substituí-lo?";
constexpr const wchar_t* kTituloConfirmacao = L"Confirmação";
constexpr int kFiltroPadrao = 1;

bool SelecaoCobreColuna(wxGrid* grid, int col) {
    for (const wxGridBlockCoords& b : grid->GetSelectedBlocks())
        if (b.GetLeftCol() <= col && col <= b.GetRightCol()) return true;
    return false;
}

bool SelecaoCobreLinha(wxGrid* grid, int row) {
    for (const wxGridBlockCoords& b : grid->GetSelectedBlocks())
        if (b.GetTopRow() <= row && row <= b.GetBottomRow()) return true;
    return false;
}

// What the menu acts on, for a right-click at (row, col) (-1 for a label): the selection when the
// click falls in it, otherwise what was clicked: the cell, the whole column or the whole row.
// Neither the selection nor the current cell moves, so the windows' select-cell handlers and the
// detail window's row-based "Salvar TXT" see nothing of it.
std::vector<BlocoCelulas> AlvoDoClique(wxGrid* grid, int row, int col) {
    const int ultima_linha = grid->GetNumberRows() - 1;
    const int ultima_coluna = grid->GetNumberCols() - 1;
    if (row >= 0 && col >= 0) {
        if (grid->IsInSelection(row, col)) return SelecaoOuCursor(grid);
        return {{row, col, row, col}};
    }
    if (col >= 0 && !SelecaoCobreColuna(grid, col)) return {{0, col, ultima_linha, col}};
    if (row >= 0 && !SelecaoCobreLinha(grid, row)) return {{row, 0, row, ultima_coluna}};
    return SelecaoOuCursor(grid);
}

void AbrirMenu(wxGrid* grid) {
    wxMenu menu;
    menu.Append(kIdCopiar, kMenuCopiar);
    menu.Append(kIdCopiarComCabecalhos, kMenuCopiarComCabecalhos);
    menu.AppendSeparator();
    menu.Append(kIdExportarCsv, kMenuExportarCsv);
    grid->PopupMenu(&menu);
}

}  // namespace

OrigemGrade::OrigemGrade(wxGrid* grid, bool para_arquivo)
    : grid_(grid),
      tabela_(grid->GetTable()),
      celulas_(dynamic_cast<const CelulasUtf8*>(tabela_)),
      para_arquivo_(para_arquivo),
      linhas_(grid->GetNumberRows()) {
    for (int c = 0; c < grid->GetNumberCols(); ++c) {
        visiveis_.push_back(grid->IsColShown(c));
        int horizontal = wxALIGN_LEFT, vertical = wxALIGN_CENTRE;
        if (linhas_ > 0) grid->GetCellAlignment(0, c, &horizontal, &vertical);
        numericas_.push_back(horizontal == wxALIGN_RIGHT);
    }
}

wxString OrigemGrade::Rotulo(int col) const {
    return grid_->GetColLabelValue(col);
}

std::string_view OrigemGrade::Celula(int row, int col, std::string& apoio) const {
    if (celulas_)
        return para_arquivo_ ? celulas_->CelulaArquivoUtf8(row, col, apoio)
                             : celulas_->CelulaUtf8(row, col, apoio);
    apoio = tabela_->GetValue(row, col).utf8_string();
    return apoio;
}

std::vector<BlocoCelulas> SelecaoOuCursor(wxGrid* grid) {
    std::vector<BlocoCelulas> blocos;
    for (const wxGridBlockCoords& b : grid->GetSelectedBlocks())
        blocos.push_back({b.GetTopRow(), b.GetLeftCol(), b.GetBottomRow(), b.GetRightCol()});
    const int row = grid->GetGridCursorRow();
    const int col = grid->GetGridCursorCol();
    if (blocos.empty() && row >= 0 && col >= 0) blocos.push_back({row, col, row, col});
    return blocos;
}

bool CopiarCelulas(wxGrid* grid, const std::vector<BlocoCelulas>& blocos, bool com_cabecalhos) {
    const wxString texto = TextoTabulado(OrigemGrade(grid), blocos, com_cabecalhos);
    return !texto.empty() && CopiarParaAreaDeTransferencia(texto);
}

void ExportarCsvComDialogo(wxGrid* grid, const wxString& nome_sugerido) {
    wxFileDialog dialogo(wxGetTopLevelParent(grid), kTituloExportarCsv, wxEmptyString,
                         nome_sugerido, kFiltrosCsv, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialogo.ShowModal() != wxID_OK) return;

    const wxString caminho = dialogo.GetPath();
    if (caminho.empty()) return;
    wxFileName arquivo(caminho);
    if (!arquivo.HasExt()) {
        // The dialog asked about the name as typed; the name with ".csv" is another file.
        arquivo.SetExt(kExtensaoCsv);
        if (arquivo.FileExists() &&
            wxMessageBox(wxString::Format(kPerguntaSubstituir, arquivo.GetFullPath()),
                         kTituloConfirmacao, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION,
                         nullptr) != wxYES)
            return;
    }
    const FormatoCsv formato =
        dialogo.GetFilterIndex() == kFiltroPadrao ? FormatoCsv::Padrao : FormatoCsv::Brasileiro;

    wxString erro;
    {
        wxBusyCursor ocupado;
        erro = GravarCsv(OrigemGrade(grid, true), formato, arquivo.GetFullPath());
    }
    if (!erro.empty()) MostrarErro(wxString::Format(kFalhaGravacao, arquivo.GetFullPath(), erro));
}

void AdicionarCopiaEExportacao(wxGrid* grid, std::function<wxString()> nome_sugerido) {
    // The target of the menu that is open; a command that arrives without a right-click (from
    // a test, say) acts on the selection or the current cell.
    auto alvo = std::make_shared<std::vector<BlocoCelulas>>();
    auto consumir_alvo = [grid, alvo] {
        std::vector<BlocoCelulas> blocos = std::exchange(*alvo, {});
        return blocos.empty() ? SelecaoOuCursor(grid) : blocos;
    };

    auto clique = [grid, alvo](wxGridEvent& event) {
        *alvo = AlvoDoClique(grid, event.GetRow(), event.GetCol());
        AbrirMenu(grid);
    };
    grid->Bind(wxEVT_GRID_CELL_RIGHT_CLICK, clique);
    grid->Bind(wxEVT_GRID_LABEL_RIGHT_CLICK, clique);

    grid->Bind(
        wxEVT_MENU,
        [grid, consumir_alvo](wxCommandEvent&) { CopiarCelulas(grid, consumir_alvo(), false); },
        kIdCopiar);
    grid->Bind(
        wxEVT_MENU,
        [grid, consumir_alvo](wxCommandEvent&) { CopiarCelulas(grid, consumir_alvo(), true); },
        kIdCopiarComCabecalhos);
    grid->Bind(
        wxEVT_MENU,
        [grid, alvo, nome = std::move(nome_sugerido)](wxCommandEvent&) {
            alvo->clear();
            ExportarCsvComDialogo(grid, nome ? nome() : NomeArquivoCsv("dados"));
        },
        kIdExportarCsv);

    // The grid window passes its keys to the grid first. An open cell editor (the SQL
    // terminal's grid is editable) keeps Ctrl+C for its own text.
    grid->Bind(wxEVT_KEY_DOWN, [grid](wxKeyEvent& event) {
        const int tecla = event.GetKeyCode();
        const bool copiar =
            event.GetModifiers() == wxMOD_CONTROL && (tecla == 'C' || tecla == WXK_INSERT);
        if (!copiar || grid->IsCellEditControlShown()) {
            event.Skip();
            return;
        }
        CopiarCelulas(grid, SelecaoOuCursor(grid), false);
    });
}

}  // namespace controles
