// The pie without a window: the percentage column, the regrouping into slices with "Outros", and
// the sectors and labels of the pie.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "charts/PieChartGeometry.h"

using namespace graficos;

namespace {

std::vector<PieSlice> Fatias(const std::vector<double>& valores) {
    std::vector<PieSlice> fatias;
    for (double valor : valores) fatias.push_back({"xx", valor, false, false});
    return fatias;
}

std::vector<LinhaProduto> Linhas(const std::vector<double>& valores) {
    std::vector<LinhaProduto> linhas;
    for (std::size_t i = 0; i < valores.size(); ++i)
        linhas.push_back({valores[i], wxString::Format("PRODUTO %zu", i)});
    return linhas;
}

}  // namespace

TEST(PiePercentuais, NonFiniteSharesReadZero) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(CalcularPercentuais({inf, 1}), (std::vector<wxString>{"0.0", "0.0"}));
}

TEST(PiePercentuais, SharesOfTheSumOfAllRowsNegativeOnesIncluded) {
    EXPECT_EQ(CalcularPercentuais({40, 25, 18, 10, 7}),
              (std::vector<wxString>{"40.0", "25.0", "18.0", "10.0", "7.0"}));
    EXPECT_EQ(CalcularPercentuais({60, 60, -20}), (std::vector<wxString>{"60.0", "60.0", "-20.0"}));
    EXPECT_TRUE(CalcularPercentuais({}).empty());
}

TEST(PiePercentuais, AZeroGrandTotalReadsZeroInEveryRow) {
    EXPECT_EQ(CalcularPercentuais({0, 0}), (std::vector<wxString>{"0.0", "0.0"}));
    EXPECT_EQ(CalcularPercentuais({10, -10, 0}), (std::vector<wxString>{"0.0", "0.0", "0.0"}));
}

TEST(PieReagrupamento, NoMoreRowsThanSlicesGivesEveryRowItsOwnSlice) {
    std::vector<LinhaProduto> linhas = {{30, L"Água mineral"}, {20, L"Pão"}, {10, "L"}};
    const Reagrupamento r = ReagruparFatias(linhas, 3, -1);
    ASSERT_EQ(r.fatias.size(), 3u);
    EXPECT_EQ(r.fatias[0].label, L"Ág");
    EXPECT_EQ(r.fatias[1].label, wxString(L"Pã"));
    EXPECT_EQ(r.fatias[2].label, "L");
    for (const PieSlice& fatia : r.fatias) {
        EXPECT_FALSE(fatia.others);
        EXPECT_FALSE(fatia.highlighted);
    }
    EXPECT_EQ(r.agrupada, (std::vector<bool>{false, false, false}));
}

TEST(PieReagrupamento, RowsBeyondTheLastSliceAreGroupedAsOutros) {
    // Two slices, three products: the largest and "Outros" with the other two.
    Reagrupamento r = ReagruparFatias(Linhas({50, 30, 20}), 2, -1);
    ASSERT_EQ(r.fatias.size(), 2u);
    EXPECT_EQ(r.fatias[0].label, "PR");
    EXPECT_DOUBLE_EQ(r.fatias[0].value, 50);
    EXPECT_FALSE(r.fatias[0].others);
    EXPECT_EQ(r.fatias[1].label, "Outros");
    EXPECT_DOUBLE_EQ(r.fatias[1].value, 50);
    EXPECT_TRUE(r.fatias[1].others);
    EXPECT_EQ(r.agrupada, (std::vector<bool>{false, true, true}));

    // Raising the count again gives every row its own slice.
    r = ReagruparFatias(Linhas({50, 30, 20}), 10, -1);
    EXPECT_EQ(r.fatias.size(), 3u);
    EXPECT_EQ(r.agrupada, (std::vector<bool>{false, false, false}));
}

TEST(PieReagrupamento, TheHighlightedRowPullsOutItsSliceGroupedOrNot) {
    const std::vector<LinhaProduto> linhas = Linhas({40, 25, 18, 10, 7});
    Reagrupamento r = ReagruparFatias(linhas, 3, 4);
    ASSERT_EQ(r.fatias.size(), 3u);
    EXPECT_FALSE(r.fatias[0].highlighted);
    EXPECT_FALSE(r.fatias[1].highlighted);
    EXPECT_TRUE(r.fatias[2].highlighted);
    EXPECT_DOUBLE_EQ(r.fatias[2].value, 35);

    r = ReagruparFatias(linhas, 3, 1);
    EXPECT_TRUE(r.fatias[1].highlighted);
    EXPECT_FALSE(r.fatias[2].highlighted);

    // The first grouped row (the one whose own slice became "Outros") also highlights it.
    r = ReagruparFatias(linhas, 3, 2);
    EXPECT_TRUE(r.fatias[2].highlighted);

    r = ReagruparFatias(linhas, 3, 99);
    for (const PieSlice& fatia : r.fatias) EXPECT_FALSE(fatia.highlighted);
}

TEST(PieReagrupamento, NoRowsGivesNoSlices) {
    const Reagrupamento r = ReagruparFatias({}, 10, -1);
    EXPECT_TRUE(r.fatias.empty());
    EXPECT_TRUE(r.agrupada.empty());
}

TEST(PieGeometria, StartsAtTwelveOClockAndGoesCounterClockwise) {
    const GeometriaPizza g = CalcularGeometriaPizza(Fatias({75, 25}), 400, 300);
    // Chart area 360 x 260 inside a margin of 20.
    EXPECT_EQ(g.cx, 200);
    EXPECT_EQ(g.cy, 150);
    EXPECT_EQ(g.raio, 120);
    ASSERT_EQ(g.setores.size(), 2u);
    EXPECT_DOUBLE_EQ(g.setores[0].inicio, 90);
    EXPECT_DOUBLE_EQ(g.setores[0].fim, 360);
    EXPECT_DOUBLE_EQ(g.setores[1].inicio, 360);
    EXPECT_DOUBLE_EQ(g.setores[1].fim, 450);
    EXPECT_EQ(g.setores[0].rotulo, "75.0%");
    EXPECT_EQ(g.setores[1].rotulo, "25.0%");
    // The 25 % slice spans twelve to three o'clock: its label stands up and to the right at
    // 0.62 of the radius.
    const double d = 0.62 * 120 * std::cos(std::numbers::pi / 4);
    EXPECT_EQ(g.setores[1].lx, 200 + static_cast<int>(d));
    EXPECT_EQ(g.setores[1].ly, 150 - static_cast<int>(d));
    EXPECT_EQ(g.setores[0].ox, 200);
    EXPECT_EQ(g.setores[0].oy, 150);
}

TEST(PieGeometria, ALabelFromFourPercentUp) {
    GeometriaPizza g = CalcularGeometriaPizza(Fatias({96, 4}), 300, 300);
    ASSERT_EQ(g.setores.size(), 2u);
    EXPECT_TRUE(g.setores[1].tem_rotulo);
    EXPECT_EQ(g.setores[1].rotulo, "4.0%");

    g = CalcularGeometriaPizza(Fatias({96.01, 3.99}), 300, 300);
    ASSERT_EQ(g.setores.size(), 2u);
    EXPECT_TRUE(g.setores[0].tem_rotulo);
    EXPECT_FALSE(g.setores[1].tem_rotulo);
}

TEST(PieGeometria, SlicesOfZeroOrLessGetNoSectorButKeepTheirPaletteSlot) {
    // Negative and zero slices stay out of the pie's total, unlike the grid's percentages.
    const GeometriaPizza g = CalcularGeometriaPizza(Fatias({50, 0, -20, 50}), 300, 300);
    ASSERT_EQ(g.setores.size(), 2u);
    EXPECT_EQ(g.setores[0].posicao, 0);
    EXPECT_EQ(g.setores[1].posicao, 3);
    EXPECT_DOUBLE_EQ(g.setores[0].fim, 270);
    EXPECT_DOUBLE_EQ(g.setores[1].inicio, 270);
    EXPECT_EQ(g.setores[1].rotulo, "50.0%");

    EXPECT_EQ(CalcularGeometriaPizza(Fatias({0, -5}), 300, 300).raio, 0);
    EXPECT_EQ(CalcularGeometriaPizza({}, 300, 300).raio, 0);
}

TEST(PieGeometria, AHighlightedSliceMovesOutButItsLabelDoesNot) {
    std::vector<PieSlice> fatias = Fatias({50, 50});
    const GeometriaPizza normal = CalcularGeometriaPizza(fatias, 400, 400);
    fatias[0].highlighted = true;
    const GeometriaPizza g = CalcularGeometriaPizza(fatias, 400, 400);
    // The first half spans twelve to six o'clock through nine: it moves 20 pixels left.
    EXPECT_EQ(g.setores[0].ox, 180);
    EXPECT_EQ(g.setores[0].oy, 200);
    EXPECT_EQ(g.setores[1].ox, 200);
    EXPECT_EQ(g.setores[0].lx, normal.setores[0].lx);
    EXPECT_EQ(g.setores[0].ly, normal.setores[0].ly);
    EXPECT_EQ(g.setores[0].lx, 200 - static_cast<int>(0.62 * 170));

    // Pulled towards half past one (mid angle 45 degrees): the whole position is truncated.
    fatias = Fatias({25, 75});
    fatias[0].highlighted = true;
    const GeometriaPizza q = CalcularGeometriaPizza(fatias, 400, 400);
    EXPECT_EQ(q.setores[0].ox, static_cast<int>(200 + 20 * std::cos(std::numbers::pi * 135 / 180)));
    EXPECT_EQ(q.setores[0].oy, static_cast<int>(200 - 20 * std::sin(std::numbers::pi * 135 / 180)));
}

TEST(PieGeometria, UnderSixtyTwoPixelsOnlyTheBackground) {
    EXPECT_EQ(CalcularGeometriaPizza(Fatias({1}), 61, 400).raio, 0);
    EXPECT_EQ(CalcularGeometriaPizza(Fatias({1}), 400, 61).raio, 0);
    EXPECT_TRUE(CalcularGeometriaPizza(Fatias({1}), 61, 400).setores.empty());
    EXPECT_EQ(CalcularGeometriaPizza(Fatias({1}), 62, 62).raio, 1);
    EXPECT_EQ(CalcularGeometriaPizza(Fatias({1}), 10, 10).raio, 0);
}
