#include "ui/FramePieChart.h"

#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/splitter.h>
#include <wx/stattext.h>

#include <algorithm>
#include <map>
#include <vector>

#include "base/NumeroTexto.h"
#include "charts/EstiloGrafico.h"
#include "charts/PanelPieChart.h"
#include "charts/PieChartGeometry.h"
#include "db/BancoDados.h"
#include "ui/PedidoHistoricoPrecos.h"
#include "widgets/Controles.h"
#include "widgets/Grade.h"
#include "widgets/MenuGrade.h"

namespace {

// Products of the listed receipts with their net totals, largest first; "perc" is filled in
// afterwards from the grid.
constexpr const char* kConsultaProdutos =
    "select\n"
    "round(sum(valor_total - desconto), 2) as total,\n"
    "0 as perc,i.descricao\n"
    "from cupom_item i\n"
    "where i.id_cupom in(%s)\n"
    "group by i.descricao\n"
    "order by total desc\n";

constexpr int kColValor = 0;
constexpr int kColPercentual = 1;
constexpr int kColProduto = 2;
constexpr int kColunasProdutos = 3;

constexpr int kLarguraJanela = 800;
constexpr int kAlturaJanela = 500;
constexpr int kPosicaoSash = 300;
constexpr int kFatiasMinimo = 2;
constexpr int kFatiasMaximo = 100;
constexpr int kFatiasInicial = 10;
const wxSize kTamanhoMinimoGrid(300, 300);
constexpr int kLarguraMinimaRotulo = 40;
constexpr int kBorda = 4;

// The percentage and regrouping steps read columns 0 to 2; a failed query leaves the grid with
// its single empty cell, and then there is nothing to read.
bool TemColunasProdutos(wxGrid* grid) {
    return grid->GetNumberCols() >= kColunasProdutos;
}

}  // namespace

FramePieChart::FramePieChart(wxWindow* parent, const wxString& titulo, BancoDados* banco,
                             const wxString& id_list)
    : wxFrame(parent, wxID_ANY, titulo, wxDefaultPosition, wxSize(kLarguraJanela, kAlturaJanela)) {
    auto* sizer_frame = new wxBoxSizer(wxHORIZONTAL);
    auto* sizer_esquerdo = new wxBoxSizer(wxVERTICAL);
    auto* sizer_controles = new wxBoxSizer(wxHORIZONTAL);

    auto* splitter = controles::CriarSplitter(this);
    auto* painel_esquerdo = new wxPanel(splitter, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                        wxTAB_TRAVERSAL | wxNO_BORDER);
    pie_chart = new PanelPieChart(splitter);

    // The pane is narrower than the label and the spin control's natural width together, and a
    // spin control squeezed below its natural width loses its arrows (GTK also complains on
    // stderr). The control keeps its natural width; the label gives way, cut with an ellipsis.
    auto* rotulo_fatias =
        new wxStaticText(painel_esquerdo, wxID_ANY, L"Número máximo de fatias na pizza: ",
                         wxDefaultPosition, wxDefaultSize, wxST_ELLIPSIZE_END);
    spin_fatias = new wxSpinCtrl(painel_esquerdo, wxID_ANY, "10", wxDefaultPosition, wxDefaultSize,
                                 wxSP_ARROW_KEYS, kFatiasMinimo, kFatiasMaximo, kFatiasInicial);
    spin_fatias->SetMinSize(spin_fatias->GetBestSize());
    const int largura_rotulo = rotulo_fatias->GetBestSize().x;
    // The label takes what the pane has left beside the control, up to its whole text.
    painel_esquerdo->Bind(
        wxEVT_SIZE, [this, painel_esquerdo, rotulo_fatias, largura_rotulo](wxSizeEvent& event) {
            const int livre =
                painel_esquerdo->GetClientSize().x - 6 * kBorda - spin_fatias->GetMinSize().x;
            rotulo_fatias->SetMinSize(
                wxSize(std::clamp(livre, kLarguraMinimaRotulo, largura_rotulo), -1));
            event.Skip();  // the sizer lays the pane out with the new width
        });
    spin_fatias->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) { UpdateChart(-1); });

    grid = controles::CriarGradeSomenteLeitura(painel_esquerdo, kTamanhoMinimoGrid);
    grid->SetColLabelAlignment(wxALIGN_LEFT, wxALIGN_CENTRE);
    // Not skipped nor vetoed: the selection moves as usual.
    grid->Bind(wxEVT_GRID_SELECT_CELL,
               [this](wxGridEvent& event) { UpdateChart(std::max(event.GetRow(), 0)); });
    // The title is the month, MM/YYYY.
    controles::AdicionarCopiaEExportacao(
        grid, [this] { return controles::NomeArquivoCsv("produtos", GetTitle()); });
    // The window keeps no database: the main window opens the product's price history.
    grid->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, [this](wxGridEvent& event) {
        const int row = event.GetRow();
        if (TemColunasProdutos(grid) && row >= 0 && row < grid->GetNumberRows())
            PedirHistoricoPrecos(this, grid->GetCellValue(row, kColProduto));
        event.Skip();
    });

    sizer_controles->Add(rotulo_fatias, 0, wxEXPAND | wxALL, kBorda);
    sizer_controles->Add(spin_fatias, 1, wxEXPAND | wxALL, kBorda);
    sizer_esquerdo->Add(sizer_controles, 0, wxEXPAND | wxALL, kBorda);
    sizer_esquerdo->Add(grid, 1, wxEXPAND | wxALL, kBorda);
    painel_esquerdo->SetSizer(sizer_esquerdo);
    sizer_frame->Add(splitter, 1, wxEXPAND, 0);
    SetSizer(sizer_frame);
    splitter->SplitVertically(painel_esquerdo, pie_chart, kPosicaoSash);

    std::map<wxString, wxString> col_labels = {
        {"total", "Valor"},
        {"perc", " (%) "},
        {"descricao", "Produto"},
    };
    banco->PreencherGrid(wxString::Format(kConsultaProdutos, id_list), grid, col_labels);

    PreencherPercentuais();
    grid->AutoSizeColumns(true);
    UpdateChart(-1);
}

void FramePieChart::PreencherPercentuais() {
    if (!TemColunasProdutos(grid)) return;

    std::vector<double> valores;
    for (int i = 0; i < grid->GetNumberRows(); ++i)
        valores.push_back(numero::LerPrefixo(grid->GetCellValue(i, kColValor)));
    const std::vector<wxString> percentuais = graficos::CalcularPercentuais(valores);
    for (int i = 0; i < grid->GetNumberRows(); ++i)
        grid->SetCellValue(i, kColPercentual, percentuais[i]);
}

void FramePieChart::UpdateChart(int highlightRow) {
    if (highlightRow < 0) highlightRow = grid->GetGridCursorRow();  // -1 without a current cell

    std::vector<graficos::LinhaProduto> linhas;
    if (TemColunasProdutos(grid)) {
        for (int i = 0; i < grid->GetNumberRows(); ++i)
            linhas.push_back({numero::LerPrefixo(grid->GetCellValue(i, kColValor)),
                              grid->GetCellValue(i, kColProduto)});
    }

    const graficos::Reagrupamento grupos =
        graficos::ReagruparFatias(linhas, spin_fatias->GetValue(), highlightRow);
    for (std::size_t i = 0; i < grupos.agrupada.size(); ++i) {
        const int linha = static_cast<int>(i);
        // A fresh cell attribute rather than SetCellBackgroundColour: the grid caches the last
        // attribute it looked up, merged with the column's alignment, and SetCellBackgroundColour
        // may recolour that cached copy instead of the cell's own, which the next paint ignores.
        auto* atributo = new wxGridCellAttr;
        atributo->SetBackgroundColour(grupos.agrupada[i] ? graficos::CorAgrupada()
                                                         : PanelPieChart::GetSliceColour(linha));
        grid->SetAttr(linha, kColPercentual, atributo);
    }

    pie_chart->SetSlices(grupos.fatias);
    Refresh(true);
}
