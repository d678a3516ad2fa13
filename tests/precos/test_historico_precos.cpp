// The price history window on a real database: typing in the field filters the list, choosing a
// product fills the summary, the chart and the purchase grid at the prices paid, in Brazilian
// numbers; over ten years the chart shows each store's lowest of each month until "Todas as
// compras" is ticked; the three ways it opens (the main window's menu, an item of a receipt, a
// row of the product share window) and the receipt a purchase opens.

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/checkbox.h>
#include <wx/dcmemory.h>
#include <wx/grid.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "charts/EstiloGrafico.h"
#include "charts/PanelLineChart.h"
#include "db/BancoDados.h"
#include "precos/LeituraPrecos.h"
#include "service/GeradorCupons.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/GuiTest.h"
#include "ui/FrameCupom.h"
#include "ui/FrameDashboard.h"
#include "ui/FrameHistoricoPrecos.h"
#include "ui/FramePieChart.h"
#include "ui/ListaProdutos.h"
#include "ui/TabelaCompras.h"
#include "widgets/MenuGrade.h"

namespace {

using teste::CupomFeed;
using teste::ItemFeed;

constexpr const char* kCafe = "7891000100103";
constexpr const char* kLeite = "7891234567895";

// Coffee under one EAN with two descriptions in two stores, once two units with 1,00 off and once
// without a quantity; bread without a GTIN, written two ways; milk and another coffee once each.
std::vector<CupomFeed> Compras() {
    const std::string atacadao = "Atacadão", mercado = "Mercado Bom Preço";
    return {
        {.id = 1,
         .data_hora = "20240110100000",
         .cnpj = "111",
         .fantasia = atacadao,
         .itens = {{.seq = 1, .codigo = kCafe, .descricao = "CAFÉ PILÃO 500G", .valor_unit = 15.90},
                   {.seq = 2,
                    .codigo = "123",
                    .descricao = "PÃO FRANCÊS KG",
                    .qtde = 0.35,
                    .un = "KG",
                    .valor_unit = 12.99}}},
        {.id = 2,
         .data_hora = "20240305183000",
         .cnpj = "222",
         .fantasia = mercado,
         .itens = {{.seq = 1,
                    .codigo = kCafe,
                    .descricao = "CAFE PILAO TRADICIONAL 500G",
                    .qtde = 2,
                    .valor_unit = 15.90,
                    .desconto = 1.00},
                   {.seq = 2,
                    .codigo = "77",
                    .descricao = "Pao  Frances kg",
                    .qtde = 0.5,
                    .un = "KG",
                    .valor_unit = 13.49}}},
        {.id = 3,
         .data_hora = "20240620080000",
         .cnpj = "111",
         .fantasia = atacadao,
         .itens =
             {{.seq = 1,
               .codigo = kCafe,
               .descricao = "CAFÉ PILÃO 500G",
               .valor_unit = 16.20,
               .desconto = 0.50},
              {.seq = 2, .codigo = kLeite, .descricao = "LEITE INTEGRAL 1L", .valor_unit = 4.99}}},
        {.id = 5,
         .data_hora = "20240801100000",
         .cnpj = "222",
         .fantasia = mercado,
         .itens = {{.codigo = kCafe, .descricao = "CAFE PILAO TRADICIONAL 500G", .qtde = 0}}},
        {.id = 4,
         .data_hora = "20250312090000",
         .cnpj = "222",
         .fantasia = mercado,
         .itens = {{.seq = 1,
                    .codigo = "SEM GTIN",
                    .descricao = "CAFÉ MELITTA 250G",
                    .valor_unit = 9.90},
                   {.seq = 2,
                    .codigo = kCafe,
                    .descricao = "CAFE PILAO TRADICIONAL 500G",
                    .valor_unit = 18.81}}},
    };
}

std::vector<wxString> LinhaLista(ListaProdutos* lista, long linha) {
    std::vector<wxString> textos;
    for (int c = 0; c < ListaProdutos::NUM_COLUNAS; ++c)
        textos.push_back(lista->GetItemText(linha, c));
    return textos;
}

std::vector<wxString> Textos(std::initializer_list<const char*> utf8) {
    std::vector<wxString> textos;
    for (const char* t : utf8) textos.push_back(wxString::FromUTF8(t));
    return textos;
}

class HistoricoDezAnos : public teste::BancoTeste {};

class HistoricoPrecos : public teste::BancoTeste {
protected:
    void SetUp() override {
        teste::BancoTeste::SetUp();
        Importar(teste::FeedJson(Compras()));
    }
};

TEST_F(HistoricoPrecos, TypingFiltersTheListAndChoosingFillsSummaryChartAndGrid) {
    auto* frame = new FrameHistoricoPrecos(nullptr, banco.get());
    janela = frame;
    frame->Show();
    EXPECT_EQ(frame->GetTitle(), wxString(L"Histórico de preços"));
    ListaProdutos* lista = frame->GetLista();

    // Empty field: every product, the most bought first.
    ASSERT_EQ(lista->GetItemCount(), 4);
    EXPECT_EQ(lista->GetItemText(1, ListaProdutos::COL_PRODUTO), "Pao  Frances kg");
    wxListItem coluna;
    coluna.SetMask(wxLIST_MASK_TEXT);
    std::vector<wxString> titulos;
    for (int c = 0; c < ListaProdutos::NUM_COLUNAS; ++c) {
        lista->GetColumn(c, coluna);
        titulos.push_back(coluna.GetText());
    }
    EXPECT_EQ(titulos, Textos({"Produto", "Código", "Compras", "Último preço", "Última compra",
                               "Menor preço"}));

    // A click on a number column's label sorts by the number, largest first, for the searches
    // that follow too.
    wxListEvent clique(wxEVT_LIST_COL_CLICK, lista->GetId());
    clique.m_col = ListaProdutos::COL_MENOR_PRECO;
    lista->ProcessWindowEvent(clique);
    std::vector<wxString> menores;
    for (long l = 0; l < lista->GetItemCount(); ++l)
        menores.push_back(lista->GetItemText(l, ListaProdutos::COL_MENOR_PRECO));
    EXPECT_EQ(menores, Textos({"15,40", "12,99", "9,90", "4,99"}));

    frame->GetCampoProduto()->SetValue(L"  Café ");
    ASSERT_EQ(lista->GetItemCount(), 2);
    EXPECT_EQ(LinhaLista(lista, 0),
              Textos({"CAFE PILAO TRADICIONAL 500G", kCafe, "5", "18,81", "12/03/2025", "15,40"}));
    EXPECT_EQ(lista->GetItemText(1, ListaProdutos::COL_PRODUTO), wxString(L"CAFÉ MELITTA 250G"));
    frame->GetCampoProduto()->SetValue("pilao 789100");
    ASSERT_EQ(lista->GetItemCount(), 1);

    // A click selects the row; the selection chooses the product. Prices paid (2 units at 15,90
    // with 1,00 off cost 15,40 each) of the purchases with a quantity: a mean of 18,81, 15,70,
    // 15,40 and 15,90.
    lista->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    ASSERT_TRUE(teste::WaitFor([frame] { return frame->GetProdutoEscolhido() >= 0; }));
    EXPECT_EQ(frame->GetResumo()->GetLabel(),
              wxString(L"Menor R$ 15,40 em Mercado Bom Preço (05/03/2024) · Maior R$ 18,81 · "
                       L"Média R$ 16,45 · Desde a primeira compra: +18,3 %"));

    wxGrid* grid = frame->GetGrid();
    ASSERT_EQ(grid->GetNumberRows(), 5);
    EXPECT_TRUE(teste::GradeSomenteLeitura(grid));
    EXPECT_EQ(teste::Cabecalhos(grid), Textos({"Data", "Estabelecimento", "Qtde", "Unid", "V.Unit",
                                               "Desconto", "V.Líquido", "Preço pago"}));
    EXPECT_EQ(teste::Linha(grid, 1), Textos({"01/08/2024", "Mercado Bom Preço", "0,000", "UN",
                                             "6,25", "0,00", "0,00", ""}));
    EXPECT_EQ(teste::Linha(grid, 3), Textos({"05/03/2024", "Mercado Bom Preço", "2,000", "UN",
                                             "15,90", "1,00", "30,80", "15,40"}));
    int horizontal = 0, vertical = 0;
    grid->GetCellAlignment(0, 4, &horizontal, &vertical);
    EXPECT_EQ(horizontal, wxALIGN_RIGHT);
    // A copy takes the cells as shown, a file the numbers as stored; sorting by the price paid
    // sorts by the number (the purchase without one last), and a row still opens its receipt.
    std::string apoio;
    EXPECT_EQ(controles::OrigemGrade(grid).Celula(3, 7, apoio), "15,40");
    EXPECT_EQ(controles::OrigemGrade(grid, true).Celula(3, 7, apoio), "15.40");
    wxGridEvent ordenar(grid->GetId(), wxEVT_GRID_COL_SORT, grid, -1, compras::COL_PRECO_PAGO);
    grid->ProcessWindowEvent(ordenar);
    grid->ProcessWindowEvent(ordenar);
    EXPECT_EQ(teste::Coluna(grid, 7), Textos({"15,40", "15,70", "15,90", "18,81", ""}));
    teste::DuploClique(grid, 0, 1);
    ASSERT_EQ(teste::JanelasAbertas<FrameCupom>().size(), 1u);
    EXPECT_EQ(teste::Encontrar<wxGrid>(teste::JanelasAbertas<FrameCupom>()[0])->GetCellValue(1, 2),
              "Pao  Frances kg");
    teste::JanelasAbertas<FrameCupom>()[0]->Destroy();

    // The chart: both stores, every purchase with a price, the lowest price marked; each point
    // in its store's colour on the chart background.
    const DadosGraficoPrecos& dados = frame->GetGrafico()->GetDados();
    EXPECT_TRUE(frame->GetTodasAsCompras()->GetValue());
    ASSERT_EQ(dados.lojas.size(), 2u);
    ASSERT_EQ(dados.pontos.size(), 4u);
    EXPECT_EQ(dados.menor, 2);
    const wxSize tamanho(600, 300);
    wxBitmap bitmap(tamanho, 24);
    wxMemoryDC dc(bitmap);
    graficos::DesenharPrecos(dc, tamanho, dados);
    dc.SetFont(graficos::FonteGrafico(graficos::kPontosFonteEixos));
    const graficos::GeometriaGraficoPrecos g = graficos::CalcularGeometriaPrecos(
        dados, tamanho, [&dc](const wxString& t) { return dc.GetTextExtent(t); });
    dc.SelectObject(wxNullBitmap);
    const wxImage imagem = bitmap.ConvertToImage();
    EXPECT_EQ(teste::Pixel(imagem, 2, tamanho.y - 2), graficos::CorFundo());
    for (std::size_t i : {0, 1, 3})
        EXPECT_EQ(teste::Pixel(imagem, g.pontos[i].x, g.pontos[i].y),
                  graficos::CorDaPaleta(dados.pontos[i].loja));

    // Typing on keeps the chosen product while the list no longer shows it.
    frame->GetCampoProduto()->SetValue(L"pão");
    EXPECT_EQ(lista->GetItemCount(), 1);
    EXPECT_EQ(lista->GetSelectedItemCount(), 0);
    EXPECT_EQ(grid->GetNumberRows(), 5);
    frame->GetCampoProduto()->SetValue("cafe");
    EXPECT_EQ(lista->GetItemState(0, wxLIST_STATE_SELECTED), wxLIST_STATE_SELECTED);
    EXPECT_EQ(lista->GetSelectedItemCount(), 1);
    frame->GetCampoProduto()->SetValue("");
    teste::SalvarCaptura(frame, "historico_precos");

    // A receipt stored after the window read its catalogue is among the purchases all the same.
    Importar(teste::FeedJson({{.id = 6,
                               .data_hora = "20250401100000",
                               .cnpj = "111",
                               .fantasia = "Atacadão",
                               .itens = {{.codigo = kCafe, .descricao = "CAFÉ PILÃO 500G"}}}}));
    precos::HistoricoProduto historico;
    ASSERT_TRUE(precos::CarregarHistorico(*banco, frame->GetCatalogo(),
                                          frame->GetCatalogo().Produtos()[0], historico));
    ASSERT_EQ(historico.compras.size(), 6u);
    EXPECT_EQ(historico.compras[0].data_hora, 20250401100000);
    EXPECT_EQ(historico.lojas[static_cast<std::size_t>(historico.compras[0].loja)].nome,
              "Atacadão");

    // Lines far apart by row id are read in two halves, the newest first all the same: the
    // oldest line moved past all the others, and the newest before them.
    std::map<wxString, wxString> r;
    banco->ConsultarRegistro(
        "UPDATE cupom_item SET id = id + 300000 WHERE id = (SELECT min(id) FROM cupom_item)", r);
    banco->ConsultarRegistro("UPDATE cupom_item SET id = -id WHERE id_cupom = 6", r);
    precos::CatalogoPrecos catalogo;
    ASSERT_TRUE(precos::CarregarCatalogo(*banco, catalogo));
    precos::HistoricoProduto em_metades;
    ASSERT_TRUE(precos::CarregarHistorico(*banco, catalogo, catalogo.Produtos()[0], em_metades));
    ASSERT_EQ(em_metades.compras.size(), historico.compras.size());
    for (std::size_t i = 0; i < historico.compras.size(); ++i) {
        EXPECT_EQ(em_metades.compras[i].data_hora, historico.compras[i].data_hora) << i;
        EXPECT_EQ(em_metades.compras[i].id_cupom, historico.compras[i].id_cupom) << i;
    }
}

// Ten years of receipts (36,000 with CUPOM_CAPTURAS_DEZ_ANOS set, as the benchmark makes them):
// the most bought product's chart shows each store's lowest of each month, every purchase once
// "Todas as compras" is ticked.
TEST_F(HistoricoDezAnos, TheLowestOfEachStoreAndMonthUntilTheSwitch) {
    servico::OpcoesGerador opcoes{.ano_inicial = 2016, .anos = 10, .cupons_por_mes = 10};
    if (std::getenv("CUPOM_CAPTURAS_DEZ_ANOS")) opcoes.cupons_por_mes = 300;
    Importar(servico::GerarCupons(opcoes));
    auto* frame = new FrameHistoricoPrecos(nullptr, banco.get());
    janela = frame;
    frame->Show();
    frame->EscolherLinha(0);
    const DadosGraficoPrecos& todas = frame->GetGrafico()->GetDados();
    ASSERT_GT(todas.pontos.size(), graficos::kComprasParaMenoresDoMes);
    EXPECT_FALSE(frame->GetTodasAsCompras()->GetValue());
    const DadosGraficoPrecos& menores = frame->GetGrafico()->GetDadosMostrados();
    EXPECT_TRUE(menores.menores_do_mes);
    std::set<std::pair<int, long long>> loja_mes;
    for (const PontoPreco& p : menores.pontos) loja_mes.emplace(p.loja, p.data_hora / 100000000);
    EXPECT_EQ(loja_mes.size(), menores.pontos.size());
    EXPECT_LT(menores.pontos.size(), todas.pontos.size());
    teste::SalvarCaptura(frame, "historico_precos_dez_anos");

    frame->GetTodasAsCompras()->SetValue(true);
    wxCommandEvent marcar(wxEVT_CHECKBOX, frame->GetTodasAsCompras()->GetId());
    marcar.SetInt(1);
    frame->GetTodasAsCompras()->ProcessWindowEvent(marcar);
    EXPECT_EQ(frame->GetGrafico()->GetDadosMostrados().pontos.size(), todas.pontos.size());
    teste::SalvarCaptura(frame, "historico_precos_dez_anos_todas");
}

TEST_F(HistoricoPrecos, OpensFromTheMenuAReceiptItemAndAProductShareRow) {
    auto* principal = new FrameDashboard();
    janela = principal;
    auto abertas = [] { return teste::JanelasAbertas<FrameHistoricoPrecos>(); };
    auto escolhido = [](FrameHistoricoPrecos* f) {
        return f->GetCatalogo().Produtos()[static_cast<std::size_t>(f->GetProdutoEscolhido())];
    };

    // The third item of "&Ferramentas", after the two it had (the reports come after it).
    wxMenu* ferramentas = principal->GetMenuBar()->GetMenu(1);
    ASSERT_GE(ferramentas->GetMenuItemCount(), 3u);
    EXPECT_EQ(ferramentas->FindItemByPosition(0)->GetId(), FrameDashboard::ID_TERMINAL_SQL);
    EXPECT_EQ(ferramentas->FindItemByPosition(1)->GetId(), FrameDashboard::ID_SINCRONIZAR);
    wxMenuItem* item = ferramentas->FindItemByPosition(2);
    EXPECT_EQ(item->GetId(), 4);
    EXPECT_EQ(item->GetItemLabel(), wxString(L"Histórico de preços"));
    EXPECT_EQ(item->GetHelp(), L"Preço pago por produto ao longo do tempo");
    teste::EnviarMenu(principal, FrameDashboard::ID_HISTORICO_PRECOS);
    ASSERT_EQ(abertas().size(), 1u);
    EXPECT_EQ(abertas()[0]->GetParent(), principal);
    EXPECT_EQ(abertas()[0]->GetProdutoEscolhido(), -1);

    // An item of a receipt (the bread of receipt 2) opens its product; the window belongs to
    // the main window, as the receipt does.
    auto* cupom = new FrameCupom(principal, principal->GetBanco(), 2);
    teste::DuploClique(teste::Encontrar<wxGrid>(cupom), 1, 2);
    ASSERT_EQ(abertas().size(), 2u);
    FrameHistoricoPrecos* do_cupom = abertas()[1];
    EXPECT_EQ(do_cupom->GetParent(), principal);
    EXPECT_EQ(escolhido(do_cupom).descricao, "Pao  Frances kg");
    EXPECT_EQ(do_cupom->GetGrid()->GetNumberRows(), 2);

    // A row of the product share window, which keeps no database: the main window opens it.
    auto* pizza = new FramePieChart(principal, "03/2025", principal->GetBanco(), "4");
    wxGrid* produtos = pizza->GetGrid();
    int linha_cafe = -1;
    for (int r = 0; r < produtos->GetNumberRows(); ++r)
        if (produtos->GetCellValue(r, 2) == "CAFE PILAO TRADICIONAL 500G") linha_cafe = r;
    ASSERT_GE(linha_cafe, 0);
    teste::DuploClique(produtos, linha_cafe, 0);
    ASSERT_TRUE(teste::WaitFor([&] { return abertas().size() == 3u; }));
    EXPECT_EQ(abertas()[2]->GetParent(), principal);
    EXPECT_EQ(escolhido(abertas()[2]).codigo, kCafe);

    // A purchase opens its receipt, owned by the main window too.
    const std::size_t cupons = teste::JanelasAbertas<FrameCupom>().size();
    teste::DuploClique(abertas()[2]->GetGrid(), 0, 1);
    ASSERT_EQ(teste::JanelasAbertas<FrameCupom>().size(), cupons + 1);
    FrameCupom* aberto = teste::JanelasAbertas<FrameCupom>().back();
    EXPECT_EQ(aberto->GetParent(), principal);
    EXPECT_EQ(teste::Encontrar<wxGrid>(aberto)->GetCellValue(1, 2), "CAFE PILAO TRADICIONAL 500G");
}

// Two stores number their own weighed goods alike: the same code is two products, and a receipt's
// item opens its own store's.
TEST_F(HistoricoPrecos, AStoresOwnCodeIsAProductOfThatStoreOnly) {
    constexpr const char* kProprio = "2000123000008";
    Importar(teste::FeedJson({
        {.id = 50,
         .data_hora = "20250401100000",
         .cnpj = "111",
         .fantasia = "Atacadão",
         .itens = {{.codigo = kProprio,
                    .descricao = "PICANHA KG",
                    .qtde = 1.2,
                    .un = "KG",
                    .valor_unit = 69.90}}},
        {.id = 51,
         .data_hora = "20250402100000",
         .cnpj = "222",
         .fantasia = "Mercado Bom Preço",
         .itens = {{.codigo = kProprio,
                    .descricao = "QUEIJO MUSSARELA KG",
                    .qtde = 0.4,
                    .un = "KG",
                    .valor_unit = 39.90}}},
    }));
    auto* principal = new FrameDashboard();
    janela = principal;

    // The cheese's receipt, the last one stored.
    std::map<wxString, wxString> ultimo;
    principal->GetBanco()->ConsultarRegistro("SELECT max(id) AS id FROM cupom", ultimo);
    long id_queijo = 0;
    ASSERT_TRUE(ultimo["id"].ToLong(&id_queijo));
    auto* cupom = new FrameCupom(principal, principal->GetBanco(), static_cast<int>(id_queijo));
    teste::DuploClique(teste::Encontrar<wxGrid>(cupom), 0, 2);
    const auto abertas = teste::JanelasAbertas<FrameHistoricoPrecos>();
    ASSERT_EQ(abertas.size(), 1u);
    FrameHistoricoPrecos* historico = abertas[0];
    ASSERT_GE(historico->GetProdutoEscolhido(), 0);
    const auto& queijo =
        historico->GetCatalogo()
            .Produtos()[static_cast<std::size_t>(historico->GetProdutoEscolhido())];
    EXPECT_EQ(queijo.descricao, "QUEIJO MUSSARELA KG");
    EXPECT_EQ(queijo.compras, 1);
    EXPECT_EQ(historico->GetGrid()->GetNumberRows(), 1);  // the other store's line left out

    historico->GetCampoProduto()->SetValue(kProprio);
    EXPECT_EQ(historico->GetLista()->GetItemCount(), 2);
}

}  // namespace
