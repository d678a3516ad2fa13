// Geometry of the price chart with a fixed text measure: points, each store's line in date order
// and broken over months without a purchase there, the legend, month ticks, the mark of the
// lowest price, the hit-test of the tooltip, and the lowest of each store and month.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "charts/LineChartGeometry.h"
#include "tests/support/Imprimir.h"

namespace {

using graficos::GeometriaGraficoPrecos;

wxSize Medir(const wxString& texto) {
    return wxSize(7 * static_cast<int>(texto.length()), 13);
}

PontoPreco Ponto(long long data, double preco, int loja, double qtde = 1) {
    PontoPreco p;
    p.data_hora = data;
    p.preco = preco;
    p.loja = loja;
    p.qtde = qtde;
    p.un = "UN";
    return p;
}

GeometriaGraficoPrecos Calcular(const DadosGraficoPrecos& dados, wxSize cliente = {800, 400}) {
    return graficos::CalcularGeometriaPrecos(dados, cliente, Medir);
}

// Per run of a line, its store and number of points.
using Trechos = std::vector<std::pair<int, std::size_t>>;
Trechos TrechosDe(const GeometriaGraficoPrecos& g) {
    Trechos trechos;
    for (const auto& t : g.trechos) trechos.emplace_back(t.loja, t.pontos.size());
    return trechos;
}

TEST(GraficoPrecos, OneStoreJoinedInDateOrderWithScaleMonthsAndTheLowestMarked) {
    DadosGraficoPrecos dados;
    dados.lojas = {"Mercado"};
    // Newest first, as the purchases come.
    dados.pontos = {Ponto(20240320120000, 6.49, 0, 2), Ponto(20240105090000, 4.19, 0),
                    Ponto(20240214180000, 5.00, 0)};
    dados.menor = 1;
    const GeometriaGraficoPrecos g = Calcular(dados);
    ASSERT_TRUE(g.desenhar);

    // The legend above the plot, which starts under it with room for the top scale label.
    ASSERT_EQ(g.legenda.size(), 1u);
    EXPECT_EQ(g.legenda[0].amostra, wxRect(70, 9, 10, 10));
    EXPECT_EQ(g.legenda[0].nome.posicao, wxPoint(85, 8));
    EXPECT_EQ(g.area.topo, 37);
    EXPECT_EQ(g.area.base, 364);

    // The bar chart's scale, with two Brazilian decimals: 6.49 rounds up to 7.
    EXPECT_DOUBLE_EQ(g.escala.topo, 7);
    ASSERT_EQ(g.linhas.size(), 6u);
    EXPECT_EQ(g.linhas[1].rotulo.texto, "1,40");
    EXPECT_EQ(g.linhas[5].rotulo.texto, "7,00");
    EXPECT_EQ(g.linhas[5].rotulo.posicao, wxPoint(70 - 8 - 28, g.area.topo - 6));

    // Three months in a row: one line, in date order.
    ASSERT_EQ(TrechosDe(g), (Trechos{{0, 3}}));
    EXPECT_EQ(g.trechos[0].pontos, (std::vector<wxPoint>{g.pontos[1], g.pontos[2], g.pontos[0]}));
    EXPECT_LT(g.pontos[0].y, g.pontos[2].y);  // dearer is higher
    for (const wxPoint& p : g.pontos) {
        EXPECT_GT(p.x, g.area.esquerda);
        EXPECT_LT(p.x, g.area.direita);
    }

    // Monthly ticks, labelled, between the points' months.
    std::vector<wxString> rotulos;
    for (const auto& mes : g.meses)
        if (mes.rotulada) rotulos.push_back(mes.rotulo.texto);
    EXPECT_EQ(rotulos, (std::vector<wxString>{"02/2024", "03/2024"}));
    EXPECT_GT(g.meses[0].x, g.pontos[1].x);
    EXPECT_LT(g.meses[0].x, g.pontos[2].x);
    EXPECT_EQ(g.meses[0].rotulo.posicao.y, g.area.base + 10);

    ASSERT_TRUE(g.tem_menor);
    EXPECT_EQ(g.menor, g.pontos[1]);
    EXPECT_EQ(g.rotulo_menor.texto, "4,19");
    EXPECT_LT(g.rotulo_menor.posicao.y, g.menor.y);

    EXPECT_EQ(graficos::PontoSob(g, g.pontos[2] + wxPoint(3, -2)), 2);
    EXPECT_EQ(graficos::PontoSob(g, g.pontos[2] + wxPoint(9, 0)), -1);
    EXPECT_EQ(graficos::TextoDicaPreco(dados, 0),
              wxString::FromUTF8("20/03/2024\nMercado\nQtde: 2,000 UN\nPreço: R$ 6,49"));
}

TEST(GraficoPrecos, SeveralStoresEachWithItsSeriesAndLegendEntry) {
    DadosGraficoPrecos dados;
    dados.lojas = {"Mercado Central", L"Atacadão Economia", "Padaria"};
    dados.pontos = {Ponto(20240601000000, 5, 1),   Ponto(20240101000000, 6, 0),
                    Ponto(20240301000000, 4, 1),   Ponto(20240201000000, 7, 0),
                    Ponto(20240401000000, 5.5, 2), Ponto(0, 9, 2)};  // no date: left out
    GeometriaGraficoPrecos g = Calcular(dados);
    ASSERT_TRUE(g.desenhar);
    // The second store sold nothing in April and May: its line stops between March and June.
    EXPECT_EQ(TrechosDe(g), (Trechos{{0, 2}, {1, 1}, {1, 1}, {2, 1}}));
    EXPECT_EQ(g.trechos[2].pontos, std::vector<wxPoint>{g.pontos[0]});
    EXPECT_EQ(g.trechos[2].pontos_da_loja, 2u);
    EXPECT_EQ(g.pontos[5], wxPoint(-1, -1));
    EXPECT_DOUBLE_EQ(g.escala.topo, 7);  // the undated 9 is not on the chart
    EXPECT_FALSE(g.tem_menor);

    // One row of legend, in store order, while it fits; a narrow chart wraps it and the plot
    // moves down.
    ASSERT_EQ(g.legenda.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(g.legenda[i].loja, i);
    EXPECT_EQ(g.legenda[1].amostra.y, g.legenda[0].amostra.y);
    EXPECT_GT(g.legenda[1].amostra.x, g.legenda[0].nome.posicao.x + 7 * 15);
    const int topo_largo = g.area.topo;
    g = Calcular(dados, {300, 400});
    ASSERT_TRUE(g.desenhar);
    EXPECT_GT(g.legenda[1].amostra.y, g.legenda[0].amostra.y);
    EXPECT_GT(g.area.topo, topo_largo);
    for (const auto& item : g.legenda)
        EXPECT_LE(item.nome.posicao.x + Medir(item.nome.texto).x, 300);
}

TEST(GraficoPrecos, ASinglePurchaseStandsInTheMiddleUnderItsMonth) {
    DadosGraficoPrecos dados;
    dados.lojas = {"Mercado"};
    dados.pontos = {Ponto(20240315120000, 3.2, 0)};
    dados.menor = 0;
    const GeometriaGraficoPrecos g = Calcular(dados);
    ASSERT_TRUE(g.desenhar);
    EXPECT_NEAR(g.pontos[0].x, (g.area.esquerda + g.area.direita) / 2, 1);
    EXPECT_EQ(TrechosDe(g), (Trechos{{0, 1}}));
    ASSERT_FALSE(g.meses.empty());
    EXPECT_TRUE(std::any_of(g.meses.begin(), g.meses.end(), [](const graficos::MarcaMes& m) {
        return m.rotulada && m.rotulo.texto == "04/2024";
    }));
    EXPECT_TRUE(g.tem_menor);
}

TEST(GraficoPrecos, EqualPricesLieOnOneLineAndTheMarkLabelGoesUnderATopPoint) {
    DadosGraficoPrecos dados;
    dados.lojas = {"A", "B"};
    dados.pontos = {Ponto(20230101000000, 5, 0), Ponto(20240101000000, 5, 1),
                    Ponto(20250101000000, 5, 0)};
    dados.menor = 0;
    const GeometriaGraficoPrecos g = Calcular(dados);
    ASSERT_TRUE(g.desenhar);
    EXPECT_DOUBLE_EQ(g.escala.topo, 5);
    for (const wxPoint& p : g.pontos) EXPECT_EQ(p.y, g.area.topo);
    // A year apart: no line across the months between.
    EXPECT_EQ(TrechosDe(g), (Trechos{{0, 1}, {0, 1}, {1, 1}}));
    EXPECT_GT(g.rotulo_menor.posicao.y, g.menor.y);
    // Two years: labels every few months, never closer than a label's width.
    for (std::size_t i = 1; i < g.meses.size(); ++i) EXPECT_GT(g.meses[i].x, g.meses[i - 1].x);
    int anterior = -1000;
    for (const auto& mes : g.meses) {
        if (!mes.rotulada) continue;
        EXPECT_GE(mes.rotulo.posicao.x, anterior + 7 * 7);
        anterior = mes.rotulo.posicao.x;
    }
}

TEST(GraficoPrecos, TheLowestOfEachStoreAndMonthOnePointEach) {
    DadosGraficoPrecos dados;
    dados.lojas = {"A", "B"};
    dados.pontos = {
        Ponto(20240325000000, 5.0, 1),                                 // 0: B, March
        Ponto(20240205000000, 6.0, 0),                                 // 1: A, February
        Ponto(20240128000000, 4.0, 1), Ponto(20240125000000, 4.5, 0),  // 2: B, 3: A
        Ponto(20240120000000, 4.0, 0), Ponto(20240110000000, 4.0, 0),  // 4, 5: A, equal
        Ponto(20240103000000, 4.0, 1), Ponto(0, 1.0, 0),               // 6: B; 7: no date
    };
    dados.menor = 5;  // of two equal prices the marked one stays, else the more recent
    const DadosGraficoPrecos menores = graficos::MenoresDoMes(dados);
    std::vector<std::pair<long long, double>> pontos;
    for (const PontoPreco& p : menores.pontos) pontos.emplace_back(p.data_hora, p.preco);
    EXPECT_EQ(pontos, (std::vector<std::pair<long long, double>>{{20240325000000, 5.0},
                                                                 {20240205000000, 6.0},
                                                                 {20240128000000, 4.0},
                                                                 {20240110000000, 4.0}}));
    EXPECT_EQ(menores.menor, 3);
    EXPECT_EQ(graficos::TextoDicaPreco(menores, 2),
              wxString::FromUTF8("28/01/2024\nB\nQtde: 1,000 UN\nMenor preço do mês: R$ 4,00"));

    // A's January and February join; B's January and March do not.
    const GeometriaGraficoPrecos g = Calcular(menores);
    EXPECT_EQ(TrechosDe(g), (Trechos{{0, 2}, {1, 1}, {1, 1}}));
    EXPECT_EQ(g.menor, g.pontos[3]);
}

TEST(GraficoPrecos, NothingButTheBackgroundWithoutDatedPointsOrRoom) {
    DadosGraficoPrecos dados;
    dados.lojas = {"A"};
    EXPECT_FALSE(Calcular(dados).desenhar);
    dados.pontos = {Ponto(0, 5, 0)};
    EXPECT_FALSE(Calcular(dados).desenhar);
    dados.pontos = {Ponto(20240101000000, 5, 0)};
    EXPECT_FALSE(Calcular(dados, {100, 400}).desenhar);
    EXPECT_FALSE(Calcular(dados, {800, 70}).desenhar);
    EXPECT_EQ(graficos::PontoSob(Calcular(dados, {100, 400}), wxPoint(50, 50)), -1);
}

}  // namespace
