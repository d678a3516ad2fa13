// The reports' line chart without a window: series over categories, broken at missing values,
// with their legend, a scale from zero or over the values' range, and thinned month labels.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/FormatoBr.h"
#include "charts/MultiLineChartGeometry.h"
#include "tests/support/Imprimir.h"

namespace {

using graficos::GeometriaGraficoLinhas;

wxSize MedirLinhas(const wxString& texto) {
    return wxSize(7 * static_cast<int>(texto.length()), 13);
}

GeometriaGraficoLinhas CalcularLinhas(const DadosGraficoLinhas& dados,
                                      wxSize cliente = {500, 390}) {
    return graficos::CalcularGeometriaLinhas(dados, cliente, MedirLinhas);
}

}  // namespace

TEST(GraficoLinhas, SeriesBrokenAtMissingValuesUnderTheirLegend) {
    DadosGraficoLinhas dados;
    dados.categorias = {"jan", "fev", "mar", "abr"};
    dados.series = {{"2024", {10, NAN, 30, 40}}, {"2025", {20, 25}}};
    const GeometriaGraficoLinhas g = CalcularLinhas(dados);
    ASSERT_TRUE(g.desenhar);

    // Legend in one row from the axis; the plot starts 16 under it.
    ASSERT_EQ(g.legenda.size(), 2u);
    EXPECT_EQ(g.legenda[0].amostra, wxRect(70, 9, 10, 10));
    EXPECT_EQ(g.legenda[1].amostra.x, 70 + 43 + 16);
    EXPECT_EQ(g.area.topo, 37);

    // Scale 0 to 40 in steps of 8; categories 100 pixels apart from x 120.
    EXPECT_EQ(g.linhas[1].rotulo.texto, "8");
    ASSERT_EQ(g.trechos.size(), 3u);
    EXPECT_EQ(g.trechos[0].pontos, std::vector<wxPoint>{wxPoint(120, 330 - 73)});  // 73.25
    EXPECT_EQ(g.trechos[1].pontos, (std::vector<wxPoint>{{320, 330 - 219}, {420, 37}}));
    EXPECT_EQ(g.trechos[2].pontos, (std::vector<wxPoint>{{120, 330 - 146}, {220, 330 - 183}}));
    EXPECT_TRUE(g.marcar_pontos);
    EXPECT_EQ(g.eixo.tiques, (std::vector<int>{120, 220, 320, 420}));
}

TEST(GraficoLinhas, AnIndexScaleSpansItsValuesWithRoundSteps) {
    double base = 0;
    graficos::Escala e = graficos::CalcularEscalaFaixa(97.3, 104.1, base);
    EXPECT_DOUBLE_EQ(base, 96);  // steps of 1 from 97 would stop at 102
    EXPECT_DOUBLE_EQ(e.passo, 2);
    e = graficos::CalcularEscalaFaixa(100, 100, base);  // one value: 1 % each side
    EXPECT_DOUBLE_EQ(base, 99);
    EXPECT_DOUBLE_EQ(e.topo, 2.5);

    DadosGraficoLinhas dados;
    dados.categorias = {"01", "02", "03"};
    dados.series = {{"", {100, 104.3, 112.4}}};
    dados.escala_do_zero = false;
    dados.formatar = [](double v) { return formato::Decimal(v, 1); };
    const GeometriaGraficoLinhas g = CalcularLinhas(dados);
    ASSERT_TRUE(g.desenhar);
    EXPECT_TRUE(g.legenda.empty());  // an unnamed series has no entry
    EXPECT_EQ(g.linhas[1].rotulo.texto, "102,5");
    EXPECT_EQ(g.linhas[1].rotulo.posicao.x + 35, 62);  // right-aligned as the kit's
    EXPECT_EQ(g.trechos.at(0).pontos[0].y, g.area.base);
    EXPECT_EQ(g.trechos[0].pontos[2].y, 330 - static_cast<int>(12.4 / 12.5 * 300));
}

TEST(GraficoLinhas, TenYearsOfAnIndexThinTheirMonthsAndWriteEachYearOnce) {
    DadosGraficoLinhas dados;
    SerieLinhas indice{L"Minha inflação", {}};
    for (int i = 0; i < 120; ++i) {
        dados.categorias.push_back(wxString::Format("%02d", i % 12 + 1));
        dados.grupos.push_back(wxString::Format("%d", 2016 + i / 12));
        indice.valores.push_back(100 + i * 0.4);
    }
    dados.series = {indice};
    dados.escala_do_zero = false;
    const GeometriaGraficoLinhas g = CalcularLinhas(dados, {800, 300});  // slots of 5.8
    ASSERT_TRUE(g.desenhar);
    EXPECT_FALSE(g.marcar_pontos);          // dots this close would run together
    EXPECT_EQ(g.eixo.rotulos.size(), 30u);  // every four months
    EXPECT_EQ(g.eixo.grupos.size(), 10u);
    EXPECT_EQ(g.eixo.divisas.size(), 9u);
}

TEST(GraficoLinhas, NothingButTheBackgroundWithoutValuesOrRoom) {
    DadosGraficoLinhas dados;
    EXPECT_FALSE(CalcularLinhas(dados).desenhar);
    dados.categorias = {"jan", "fev"};
    dados.series = {{"2024", {NAN, INFINITY}}, {"2025", {}}};
    EXPECT_FALSE(CalcularLinhas(dados).desenhar);
    dados.series[1].valores = {5};
    EXPECT_EQ(CalcularLinhas(dados).legenda.size(), 1u);  // the series without values has no entry
    EXPECT_TRUE(CalcularLinhas(dados, {100, 300}).legenda.empty());
}
