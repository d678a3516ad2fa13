// Geometry of the price chart with a fixed text measure: points, series per store in date order,
// the legend, month ticks, the mark of the lowest price and the hit-test of the tooltip.

#include <gtest/gtest.h>

#include <algorithm>
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

bool CrescenteEmX(const std::vector<wxPoint>& pontos) {
    return std::is_sorted(pontos.begin(), pontos.end(),
                          [](const wxPoint& a, const wxPoint& b) { return a.x < b.x; });
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

    // The bar chart's scale, with two decimals: 6.49 rounds up to 7.
    EXPECT_DOUBLE_EQ(g.escala.topo, 7);
    ASSERT_EQ(g.linhas.size(), 6u);
    EXPECT_EQ(g.linhas[1].rotulo.texto, "1.40");
    EXPECT_EQ(g.linhas[5].rotulo.texto, "7.00");

    ASSERT_EQ(g.tracados.size(), 1u);
    ASSERT_EQ(g.tracados[0].size(), 3u);
    EXPECT_TRUE(CrescenteEmX(g.tracados[0]));
    EXPECT_EQ(g.tracados[0][0], g.pontos[1]);
    EXPECT_EQ(g.tracados[0][2], g.pontos[0]);
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
    EXPECT_EQ(g.rotulo_menor.texto, "4.19");
    EXPECT_LT(g.rotulo_menor.posicao.y, g.menor.y);

    EXPECT_EQ(graficos::PontoSob(g, g.pontos[2] + wxPoint(3, -2)), 2);
    EXPECT_EQ(graficos::PontoSob(g, g.pontos[2] + wxPoint(9, 0)), -1);
    EXPECT_EQ(graficos::TextoDicaPreco(dados, 0),
              wxString::FromUTF8("20/03/2024\nMercado\nQtde: 2.000 UN\nPreço: 6.49"));
}

TEST(GraficoPrecos, SeveralStoresEachWithItsSeriesAndLegendEntry) {
    DadosGraficoPrecos dados;
    dados.lojas = {"Mercado Central", L"Atacadão Economia", "Padaria"};
    dados.pontos = {Ponto(20240601000000, 5, 1),   Ponto(20240101000000, 6, 0),
                    Ponto(20240301000000, 4, 1),   Ponto(20240201000000, 7, 0),
                    Ponto(20240401000000, 5.5, 2), Ponto(0, 9, 2)};  // no date: left out
    GeometriaGraficoPrecos g = Calcular(dados);
    ASSERT_TRUE(g.desenhar);
    ASSERT_EQ(g.tracados.size(), 3u);
    EXPECT_EQ(g.tracados[0].size(), 2u);
    EXPECT_EQ(g.tracados[1].size(), 2u);
    EXPECT_EQ(g.tracados[2].size(), 1u);
    for (const auto& tracado : g.tracados) EXPECT_TRUE(CrescenteEmX(tracado));
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
    ASSERT_EQ(g.tracados[0].size(), 1u);
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
