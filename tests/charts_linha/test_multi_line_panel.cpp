// The reports' line chart panel: the pixels it paints.
#include <gtest/gtest.h>

#include <cmath>

#include "charts/EstiloGrafico.h"
#include "charts/PanelMultiLineChart.h"
#include "tests/support/GuiTest.h"

using teste::Pixel;

TEST(PanelLinhas, PaintsEachSeriesInItsColourAndLeavesTheGapOfAMissingValue) {
    const wxSize tamanho(600, 400);
    DadosGraficoLinhas dados;
    EXPECT_EQ(Pixel(teste::Renderizar(graficos::DesenharLinhas, tamanho, dados), 300, 200),
              graficos::CorFundo());

    dados.categorias = {"jan", "fev", "mar", "abr", "mai"};
    dados.series = {{"2024", {37, NAN, 37, 37, 37}}, {"2025", {11, 12, 13, 14, 15}}};
    const wxImage img = teste::Renderizar(graficos::DesenharLinhas, tamanho, dados);
    wxBitmap bitmap(tamanho, 24);
    wxMemoryDC dc(bitmap);
    dc.SetFont(graficos::FonteGrafico(graficos::kPontosFonteEixos));
    const auto g = graficos::CalcularGeometriaLinhas(
        dados, tamanho, [&dc](const wxString& t) { return dc.GetTextExtent(t); });
    ASSERT_EQ(g.trechos.size(), 3u);

    const wxPoint mar = g.trechos[1].pontos[0], abr = g.trechos[1].pontos[1];
    EXPECT_EQ(Pixel(img, (mar.x + abr.x) / 2, mar.y), graficos::CorDaPaleta(0));
    EXPECT_EQ(Pixel(img, g.trechos[0].pontos[0].x, mar.y), graficos::CorDaPaleta(0));  // jan's dot
    EXPECT_EQ(Pixel(img, g.eixo.tiques[1], mar.y), graficos::CorFundo());  // fev is missing
    EXPECT_EQ(Pixel(img, g.trechos[2].pontos[2].x, g.trechos[2].pontos[2].y),
              graficos::CorDaPaleta(1));
    EXPECT_EQ(Pixel(img, g.legenda[1].amostra.x + 5, g.legenda[1].amostra.y + 5),
              graficos::CorDaPaleta(1));
}
