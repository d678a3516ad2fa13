// The bar chart's geometry without a window: scales, grid lines, bar rectangles and the text
// positions that depend on text extents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charts/BarChartGeometry.h"

using namespace graficos;

namespace {

// 7 pixels per character, 13 high: an odd height shows the integer halving.
wxSize MedirFixo(const wxString& texto) {
    return wxSize(7 * static_cast<int>(texto.length()), 13);
}

std::vector<BarItem> Barras(std::initializer_list<double> valores, int destacada = 0) {
    std::vector<BarItem> bars;
    int i = 0;
    for (double v : valores) bars.push_back({wxString::Format("%02d", i + 1), v, i++ == destacada});
    return bars;
}

std::vector<wxString> RotulosEscala(const GeometriaGraficoBarras& g) {
    std::vector<wxString> rotulos;
    for (const auto& linha : g.linhas) rotulos.push_back(linha.rotulo.texto);
    return rotulos;
}

GeometriaGraficoBarras Geometria(const std::vector<BarItem>& bars, wxSize cliente = {500, 390}) {
    return CalcularGeometriaBarras(bars, cliente, MedirFixo);
}

}  // namespace

TEST(BarChartScale, RoundsTheLargestValueUpToAWholeMultipleOfItsPowerOfTen) {
    struct Caso {
        double maior, magnitude, topo;
        std::vector<wxString> rotulos;
    };
    const std::vector<Caso> casos = {
        {1234.5, 1000, 2000, {"0", "400", "800", "1200", "1600", "2000"}},
        {950, 100, 1000, {"0", "200", "400", "600", "800", "1000"}},
        {1000, 1000, 1000, {"0", "200", "400", "600", "800", "1000"}},
        {87.3, 10, 90, {"0", "18", "36", "54", "72", "90"}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.maior);
        const auto g = Geometria(Barras({c.maior / 3, c.maior, 0}));
        ASSERT_TRUE(g.desenhar);
        EXPECT_DOUBLE_EQ(g.escala.magnitude, c.magnitude);
        EXPECT_DOUBLE_EQ(g.escala.topo, c.topo);
        EXPECT_DOUBLE_EQ(g.escala.passo, c.topo / 5);
        EXPECT_EQ(RotulosEscala(g), c.rotulos);
    }
}

TEST(BarChartScale, AllZeroValuesUseAScaleOfOne) {
    const auto g = Geometria(Barras({0, 0}));
    ASSERT_TRUE(g.desenhar);
    EXPECT_DOUBLE_EQ(g.escala.maxValue, 1);
    EXPECT_DOUBLE_EQ(g.escala.topo, 1);
    EXPECT_DOUBLE_EQ(g.escala.passo, 0.2);
    EXPECT_EQ(RotulosEscala(g), (std::vector<wxString>{"0", "0", "0", "1", "1", "1"}));
    for (const auto& barra : g.barras) {
        EXPECT_EQ(barra.retangulo.height, 0);
        EXPECT_EQ(barra.retangulo.y, g.area.base);
        EXPECT_EQ(barra.valor.texto, "0");
    }
}

TEST(BarChartGeometry, NothingButTheBackgroundWithoutBarsOrRoomForTheMargins) {
    EXPECT_FALSE(Geometria({}).desenhar);
    const auto bars = Barras({10});
    EXPECT_FALSE(Geometria(bars, {100, 390}).desenhar);
    EXPECT_FALSE(Geometria(bars, {500, 90}).desenhar);
    EXPECT_FALSE(Geometria(bars, {0, 0}).desenhar);
    const auto minimo = Geometria(bars, {101, 91});
    ASSERT_TRUE(minimo.desenhar);
    EXPECT_EQ(minimo.area.direita, 71);
    EXPECT_EQ(minimo.area.base, 31);
}

TEST(BarChartGeometry, PlacesGridLinesBarsAndTextsByTheirExtents) {
    // 500x390: plot 400 wide and 300 high, baseline at y 330, right end at x 470.
    const auto g = Geometria(Barras({1234.5, 500}, /*destacada=*/1));
    ASSERT_TRUE(g.desenhar);
    EXPECT_EQ(g.area.esquerda, 70);
    EXPECT_EQ(g.area.topo, 30);
    EXPECT_EQ(g.area.direita, 470);
    EXPECT_EQ(g.area.base, 330);

    ASSERT_EQ(g.linhas.size(), 6u);
    EXPECT_EQ(g.linhas[0].y, 330);  // on the axis
    EXPECT_EQ(g.linhas[1].y, 270);
    EXPECT_EQ(g.linhas[5].y, 30);
    EXPECT_EQ(g.linhas[0].rotulo.posicao, wxPoint(62 - 7, 330 - 6));
    EXPECT_EQ(g.linhas[5].rotulo.posicao, wxPoint(62 - 28, 30 - 6));

    // Slots of 200 pixels, bars of 120 centred in them.
    ASSERT_EQ(g.barras.size(), 2u);
    const auto& a = g.barras[0];
    EXPECT_EQ(a.retangulo, wxRect(110, 330 - 185, 120, 185));  // 1234.5 / 2000 * 300 = 185.175
    EXPECT_FALSE(a.highlighted);
    EXPECT_EQ(a.valor.posicao, wxPoint(110 + (120 - 28) / 2, 145 - 13 - 4));
    EXPECT_EQ(a.rotulo.texto, "01");
    EXPECT_EQ(a.rotulo.posicao, wxPoint(110 + (120 - 14) / 2, 340));

    const auto& b = g.barras[1];
    EXPECT_EQ(b.retangulo, wxRect(310, 330 - 75, 120, 75));
    EXPECT_TRUE(b.highlighted);
    EXPECT_EQ(b.valor.texto, "500");
}

TEST(BarChartGeometry, NarrowPlotsTruncateAndCentreTowardZero) {
    // One bar in a plot 10 wide: 6 pixels wide, 2 from each side. A 7-pixel text over a 6-pixel
    // bar starts at the bar's x, (6 - 7) / 2 being 0.
    const auto g = Geometria(Barras({3}), {110, 190});
    ASSERT_TRUE(g.desenhar);
    ASSERT_EQ(g.barras.size(), 1u);
    EXPECT_EQ(g.barras[0].retangulo, wxRect(72, 30, 6, 100));
    EXPECT_EQ(g.barras[0].valor.posicao.x, 72);

    // Three bars in a plot 11 wide: slots of 3.67, bars of 2.2 drawn 2 wide.
    const auto h = Geometria(Barras({1, 2, 3}), {111, 190});
    ASSERT_EQ(h.barras.size(), 3u);
    EXPECT_EQ(h.barras[0].retangulo.x, 70);
    EXPECT_EQ(h.barras[1].retangulo.x, 74);
    EXPECT_EQ(h.barras[2].retangulo.x, 78);
    for (const auto& barra : h.barras) EXPECT_EQ(barra.retangulo.width, 2);
}

TEST(BarChartGeometry, OnlyTheHighlightedBarIsMarkedAndNegativeBarsHangBelowTheBaseline) {
    auto bars = Barras({100, -50, 30}, /*destacada=*/-1);
    const auto g = Geometria(bars);
    for (const auto& barra : g.barras) EXPECT_FALSE(barra.highlighted);
    EXPECT_DOUBLE_EQ(g.escala.topo, 100);
    EXPECT_EQ(g.barras[1].retangulo,
              wxRect(g.barras[1].retangulo.x, 330, g.barras[1].retangulo.width, 150));
}
