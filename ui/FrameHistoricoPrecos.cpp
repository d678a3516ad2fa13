#include "ui/FrameHistoricoPrecos.h"

#include <wx/dcclient.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "charts/PanelLineChart.h"
#include "db/BancoDados.h"
#include "precos/LeituraPrecos.h"
#include "ui/FrameCupom.h"
#include "ui/ListaProdutos.h"
#include "ui/TabelaCompras.h"
#include "widgets/Controles.h"
#include "widgets/Grade.h"
#include "widgets/MenuGrade.h"

namespace {

const wchar_t* const kTitulo = L"Histórico de preços";
const wchar_t* const kRotuloProduto = L"Produto:";

// Opened at a size where the list shows a dozen products, the chart has room for a few years of
// months, and the grid a dozen purchases.
const wxSize kTamanhoInicial(1000, 780);
const wxSize kTamanhoMinimo(720, 560);
const wxSize kMinimoLista(400, 110);
const wxSize kMinimoGrafico(400, 200);
const wxSize kMinimoGrid(400, 110);
constexpr int kSashLista = 200;
constexpr int kSashGrafico = 310;
constexpr int kMenorPainel = 100;
constexpr double kGravidadeLista = 0.0;  // growing the window grows the chart and the grid
constexpr double kGravidadeGrafico = 0.6;
constexpr int kBorda = 6;
constexpr int kFolgaColuna = 16;  // beside the widest text of a grid column

DadosGraficoPrecos DadosDoGrafico(const precos::HistoricoProduto& historico,
                                  const precos::ResumoPrecos& resumo) {
    DadosGraficoPrecos dados;
    for (const precos::Loja& loja : historico.lojas)
        dados.lojas.push_back(wxString::FromUTF8(loja.nome));
    dados.pontos.reserve(historico.compras.size());
    for (const precos::Compra& compra : historico.compras) {
        PontoPreco ponto;
        ponto.data_hora = compra.data_hora;
        ponto.preco = compra.valor_unit;
        ponto.qtde = compra.qtde;
        ponto.un = wxString::FromUTF8(compra.un);
        ponto.loja = compra.loja;
        dados.pontos.push_back(std::move(ponto));
    }
    dados.menor = resumo.indice_menor;
    return dados;
}

// Each column as wide as its label or its longest text. Only the longest text of a column is
// measured, so thousands of purchases cost one measure per column.
void AjustarColunas(wxGrid* grid) {
    wxClientDC dc(grid->GetGridWindow());
    dc.SetFont(grid->GetDefaultCellFont());
    wxClientDC dc_rotulos(grid->GetGridColLabelWindow());
    dc_rotulos.SetFont(grid->GetLabelFont());
    for (int c = 0; c < grid->GetNumberCols(); ++c) {
        wxString mais_longo;
        for (int r = 0; r < grid->GetNumberRows(); ++r) {
            const wxString texto = grid->GetCellValue(r, c);
            if (texto.length() > mais_longo.length()) mais_longo = texto;
        }
        const int largura =
            std::max(dc.GetTextExtent(mais_longo).GetWidth(),
                     dc_rotulos.GetTextExtent(grid->GetColLabelValue(c)).GetWidth());
        grid->SetColSize(c, largura + kFolgaColuna);
    }
}

}  // namespace

FrameHistoricoPrecos::FrameHistoricoPrecos(wxWindow* parent, BancoDados* banco_dados,
                                           const wxString& codigo, const wxString& descricao,
                                           const wxString& cnpj)
    : wxFrame(parent, wxID_ANY, kTitulo, wxDefaultPosition, kTamanhoInicial, wxDEFAULT_FRAME_STYLE),
      banco(banco_dados) {
    auto* painel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxTAB_TRAVERSAL | wxNO_BORDER);
    auto* sizer_painel = new wxBoxSizer(wxVERTICAL);

    auto* linha_busca = new wxBoxSizer(wxHORIZONTAL);
    linha_busca->Add(new wxStaticText(painel, wxID_ANY, kRotuloProduto), 0,
                     wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
    campo_produto = new wxTextCtrl(painel, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                   wxDefaultSize, wxTE_PROCESS_ENTER);
    campo_produto->Bind(wxEVT_TEXT, &FrameHistoricoPrecos::OnTexto, this);
    campo_produto->Bind(wxEVT_TEXT_ENTER, &FrameHistoricoPrecos::OnEnter, this);
    linha_busca->Add(campo_produto, 1, wxEXPAND, 0);
    sizer_painel->Add(linha_busca, 0, wxEXPAND | wxALL, kBorda);

    auto* splitter_lista = controles::CriarSplitter(painel);
    lista = new ListaProdutos(splitter_lista, catalogo);
    lista->SetMinSize(kMinimoLista);
    lista->Bind(wxEVT_LIST_ITEM_SELECTED, &FrameHistoricoPrecos::OnProdutoSelecionado, this);

    auto* splitter_grafico = controles::CriarSplitter(splitter_lista);
    auto* painel_grafico = new wxPanel(splitter_grafico, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                       wxTAB_TRAVERSAL | wxNO_BORDER);
    grafico = new PanelLineChart(painel_grafico);
    grafico->SetMinSize(kMinimoGrafico);
    // The summary is cut rather than widening the window when a store's name is long.
    resumo = new wxStaticText(painel_grafico, wxID_ANY, wxEmptyString, wxDefaultPosition,
                              wxDefaultSize, wxST_ELLIPSIZE_END);
    resumo->SetMinSize(wxSize(-1, resumo->GetCharHeight() + kBorda));
    auto* sizer_grafico = new wxBoxSizer(wxVERTICAL);
    sizer_grafico->Add(grafico, 1, wxEXPAND, 0);
    sizer_grafico->Add(resumo, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kBorda);
    painel_grafico->SetSizer(sizer_grafico);

    grid = controles::CriarGradeSomenteLeitura(splitter_grafico, kMinimoGrid);
    grid->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, &FrameHistoricoPrecos::OnCompraDuploClique, this);
    controles::AdicionarCopiaEExportacao(grid, [this] {
        if (produto_escolhido < 0) return controles::NomeArquivoCsv("precos");
        const auto& produto = catalogo.Produtos()[static_cast<std::size_t>(produto_escolhido)];
        return controles::NomeArquivoCsv("precos", wxString::FromUTF8(produto.descricao));
    });

    sizer_painel->Add(splitter_lista, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorda);
    painel->SetSizer(sizer_painel);
    auto* sizer_frame = new wxBoxSizer(wxVERTICAL);
    sizer_frame->Add(painel, 1, wxEXPAND, 0);
    SetSizer(sizer_frame);
    SetMinSize(kTamanhoMinimo);

    // Split at the opening size, so the sashes stand where they are put; only later resizing is
    // shared out by the gravities.
    Layout();
    splitter_lista->SetMinimumPaneSize(kMenorPainel);
    splitter_lista->SplitHorizontally(lista, splitter_grafico, kSashLista);
    splitter_grafico->SetMinimumPaneSize(kMenorPainel);
    splitter_grafico->SplitHorizontally(painel_grafico, grid, kSashGrafico);
    splitter_lista->SetSashGravity(kGravidadeLista);
    splitter_grafico->SetSashGravity(kGravidadeGrafico);

    if (!precos::CarregarCatalogo(*banco, catalogo)) controles::MostrarErro(banco->GetErro());
    MostrarCompras(new TabelaCompras(precos::HistoricoProduto{}));
    Filtrar();

    if (!codigo.empty() || !descricao.empty()) {
        const int produto =
            catalogo.Localizar(std::string(codigo.utf8_str()), std::string(descricao.utf8_str()),
                               std::string(cnpj.utf8_str()));
        const long linha = lista->LinhaDoProduto(produto);
        if (linha >= 0) EscolherLinha(linha);
    }
    campo_produto->SetFocus();
}

void FrameHistoricoPrecos::OnTexto(wxCommandEvent&) {
    Filtrar();
}

void FrameHistoricoPrecos::OnEnter(wxCommandEvent&) {
    if (lista->GetItemCount() > 0) EscolherLinha(0);
}

void FrameHistoricoPrecos::Filtrar() {
    lista->Mostrar(catalogo.Buscar(std::string(campo_produto->GetValue().utf8_str())));
    // The chosen product stays chosen, and marked in the list while the list shows it.
    const long linha = lista->LinhaDoProduto(produto_escolhido);
    if (linha >= 0) lista->SetItemState(linha, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void FrameHistoricoPrecos::EscolherLinha(long linha) {
    const int produto = lista->ProdutoDaLinha(linha);
    if (produto < 0) return;
    lista->SetItemState(linha, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                        wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    lista->EnsureVisible(linha);
    EscolherProduto(produto);
}

void FrameHistoricoPrecos::OnProdutoSelecionado(wxListEvent& event) {
    EscolherProduto(lista->ProdutoDaLinha(event.GetIndex()));
}

void FrameHistoricoPrecos::EscolherProduto(int produto) {
    if (produto < 0 || produto == produto_escolhido) return;
    produto_escolhido = produto;

    precos::HistoricoProduto historico;
    if (!precos::CarregarHistorico(*banco, catalogo.Produtos()[static_cast<std::size_t>(produto)],
                                   historico))
        controles::MostrarErro(banco->GetErro());
    const precos::ResumoPrecos resumo_precos = precos::Resumir(historico);
    resumo->SetLabel(precos::TextoResumo(historico, resumo_precos));
    grafico->SetDados(DadosDoGrafico(historico, resumo_precos));
    MostrarCompras(new TabelaCompras(std::move(historico)));
}

void FrameHistoricoPrecos::MostrarCompras(TabelaCompras* nova) {
    grid->BeginBatch();
    tabela = nova;
    grid->SetTable(tabela, true, wxGrid::wxGridSelectCells);
    for (int c = 0; c < TabelaCompras::NUM_COLUNAS; ++c) {
        if (!TabelaCompras::ColunaNumerica(c)) continue;
        auto* attr = new wxGridCellAttr;
        attr->SetAlignment(wxALIGN_RIGHT, wxALIGN_CENTRE);
        grid->SetColAttr(c, attr);
    }
    AjustarColunas(grid);
    grid->EndBatch();
}

void FrameHistoricoPrecos::OnCompraDuploClique(wxGridEvent& event) {
    const int id_cupom = tabela->CupomDaLinha(event.GetRow());
    if (id_cupom > 0) {
        // The receipt belongs to the main window, as this window does.
        auto* cupom = new FrameCupom(GetParent(), banco, id_cupom);
        controles::MostrarNaTela(cupom);
    }
    event.Skip();
}
