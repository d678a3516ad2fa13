#include "ui/FrameHistoricoPrecos.h"

#include <wx/checkbox.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cmath>
#include <string>
#include <utility>

#include "charts/PanelLineChart.h"
#include "db/BancoDados.h"
#include "precos/LeituraPrecos.h"
#include "ui/FrameCupom.h"
#include "ui/ListaProdutos.h"
#include "ui/TabelaCompras.h"
#include "ui/TabelaRelatorio.h"
#include "widgets/Controles.h"
#include "widgets/ExportacaoTabela.h"

namespace {

const wchar_t* const kTitulo = L"Histórico de preços";
const wchar_t* const kRotuloProduto = L"Produto:";
const wchar_t* const kRotuloTodasAsCompras = L"Todas as compras";

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
constexpr int kMinimoResumo = 100;

// The purchases with a price paid, at that price; the lowest one marked.
DadosGraficoPrecos DadosDoGrafico(const precos::HistoricoProduto& historico,
                                  const precos::ResumoPrecos& resumo) {
    DadosGraficoPrecos dados;
    for (const precos::Loja& loja : historico.lojas)
        dados.lojas.push_back(wxString::FromUTF8(loja.nome));
    dados.pontos.reserve(historico.compras.size());
    for (std::size_t i = 0; i < historico.compras.size(); ++i) {
        const precos::Compra& compra = historico.compras[i];
        const double preco = precos::PrecoPago(compra);
        if (std::isnan(preco)) continue;
        if (static_cast<int>(i) == resumo.indice_menor)
            dados.menor = static_cast<int>(dados.pontos.size());
        PontoPreco ponto;
        ponto.data_hora = compra.data_hora;
        ponto.preco = preco;
        ponto.qtde = compra.qtde;
        ponto.un = wxString::FromUTF8(compra.un);
        ponto.loja = compra.loja;
        dados.pontos.push_back(std::move(ponto));
    }
    return dados;
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
    // The summary is cut rather than widening the window when a store's name is long, beside the
    // switch of the chart.
    resumo = new wxStaticText(painel_grafico, wxID_ANY, wxEmptyString, wxDefaultPosition,
                              wxDefaultSize, wxST_ELLIPSIZE_END);
    resumo->SetMinSize(wxSize(kMinimoResumo, resumo->GetCharHeight() + kBorda));
    todas_as_compras = new wxCheckBox(painel_grafico, wxID_ANY, kRotuloTodasAsCompras);
    todas_as_compras->SetValue(true);
    todas_as_compras->Bind(wxEVT_CHECKBOX, &FrameHistoricoPrecos::OnTodasAsCompras, this);
    auto* linha_resumo = new wxBoxSizer(wxHORIZONTAL);
    linha_resumo->Add(resumo, 1, wxALIGN_CENTER_VERTICAL, 0);
    linha_resumo->Add(todas_as_compras, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kBorda);
    auto* sizer_grafico = new wxBoxSizer(wxVERTICAL);
    sizer_grafico->Add(grafico, 1, wxEXPAND, 0);
    sizer_grafico->Add(linha_resumo, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kBorda);
    painel_grafico->SetSizer(sizer_grafico);

    grid = CriarGradeRelatorio(splitter_grafico, [this] {
        if (produto_escolhido < 0) return controles::NomeArquivoCsv("precos");
        const auto& produto = catalogo.Produtos()[static_cast<std::size_t>(produto_escolhido)];
        return controles::NomeArquivoCsv("precos", wxString::FromUTF8(produto.descricao));
    });
    grid->SetMinSize(kMinimoGrid);
    grid->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, &FrameHistoricoPrecos::OnCompraDuploClique, this);

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
    MostrarTabelaRelatorio(grid, compras::CriarTabela(precos::HistoricoProduto{}));
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
    if (!precos::CarregarHistorico(*banco, catalogo, catalogo.Produtos()[static_cast<std::size_t>(produto)],
                                   historico))
        controles::MostrarErro(banco->GetErro());
    const precos::ResumoPrecos resumo_precos = precos::Resumir(historico);
    resumo->SetLabel(precos::TextoResumo(historico, resumo_precos));
    DadosGraficoPrecos dados = DadosDoGrafico(historico, resumo_precos);
    const bool todas = dados.pontos.size() <= graficos::kComprasParaMenoresDoMes;
    todas_as_compras->SetValue(todas);
    grafico->SetDados(std::move(dados), todas);
    MostrarTabelaRelatorio(grid, compras::CriarTabela(historico));
}

void FrameHistoricoPrecos::OnTodasAsCompras(wxCommandEvent& event) {
    grafico->SetTodasAsCompras(event.IsChecked());
}

void FrameHistoricoPrecos::OnCompraDuploClique(wxGridEvent& event) {
    const auto* tabela = dynamic_cast<TabelaRelatorio*>(grid->GetTable());
    const int id_cupom = tabela ? tabela->ChaveDaLinha(event.GetRow()) : 0;
    if (id_cupom > 0) {
        // The receipt belongs to the main window, as this window does.
        auto* cupom = new FrameCupom(GetParent(), banco, id_cupom);
        controles::MostrarNaTela(cupom);
    }
    event.Skip();
}
