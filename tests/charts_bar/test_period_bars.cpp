// The reports' bar charts without a window: horizontal bars with cut names, and bars over many
// periods whose labels never overlap and whose values show only where they fit.
#include <gtest/gtest.h>

#include <vector>

#include "charts/HorizontalBarChartGeometry.h"
#include "charts/MonthBarChartGeometry.h"
#include "tests/support/Imprimir.h"

using namespace graficos;

namespace {

wxSize Medir(const wxString& texto) {
    return wxSize(7 * static_cast<int>(texto.length()), 13);
}

// Texts of a row, left to right, apart.
bool SemSobreposicao(const std::vector<TextoPosicionado>& textos) {
    for (std::size_t i = 1; i < textos.size(); ++i)
        if (textos[i].posicao.x <= textos[i - 1].posicao.x + Medir(textos[i - 1].texto).x)
            return false;
    return true;
}

std::vector<wxString> Textos(const std::vector<TextoPosicionado>& textos) {
    std::vector<wxString> t;
    for (const auto& texto : textos) t.push_back(texto.texto);
    return t;
}

// `n` months from month `mes` of 2010, labelled "01".."12" under their years.
DadosBarrasPeriodo Meses(int n, int mes) {
    DadosBarrasPeriodo dados;
    for (int m = mes - 1; m < mes - 1 + n; ++m)
        dados.barras.push_back({wxString::Format("%02d", m % 12 + 1),
                                wxString::Format("%d", 2010 + m / 12), 100, "R$ 1.234", false});
    return dados;
}

}  // namespace

TEST(BarrasHorizontais, NamesCutToTheirColumnBarsAsShareOfTheLargestAndCrowdedTextsThinned) {
    std::vector<BarraHorizontal> itens = {
        {L"Supermercado Atacadão do Povo", 100, "R$ 100,00", false},
        {"Padaria", 50, "R$ 50,00", true},
        {"Outras", 0.001, "R$ 0,00", false},
    };
    // 400 wide: names take at most 140 pixels, so bars start at 10 + 140 + 8 and may be
    // 400 - 10 - 63 (the widest value) - 6 - 158 = 163 long. Rows of 32 (of 100 / 3), bars 22.
    auto g = CalcularGeometriaBarrasHorizontais(itens, {400, 120}, Medir);
    ASSERT_TRUE(g.desenhar);
    EXPECT_EQ(g.barras[0].retangulo, wxRect(158, 15, 163, 22));
    EXPECT_EQ(g.barras[1].retangulo, wxRect(158, 47, 81, 22));
    EXPECT_EQ(g.barras[2].retangulo.width, 1);  // tiny, yet visible
    EXPECT_EQ(g.barras[0].nome.texto, L"Supermercado Atacad\u2026");
    EXPECT_EQ(g.barras[0].valor.posicao, wxPoint(158 + 163 + 6, 20));
    EXPECT_EQ(CortarTexto("Pada ria", 48, Medir), L"Pada\u2026");  // no blank before "…"
    EXPECT_EQ(CortarTexto("Padaria", 6, Medir), "");

    itens.assign(20, {"Loja", 10, "R$ 10,00", false});
    g = CalcularGeometriaBarrasHorizontais(itens, {300, 140}, Medir);  // rows of 6 pixels
    int mostrados = 0, fim = -1000;
    for (const auto& b : g.barras) {
        if (b.nome.texto.empty()) continue;
        ++mostrados;
        EXPECT_GE(b.nome.posicao.y, fim);
        fim = b.nome.posicao.y + 13;
    }
    EXPECT_GE(mostrados, 6);
    EXPECT_FALSE(CalcularGeometriaBarrasHorizontais(itens, {100, 200}, Medir).desenhar);
}

TEST(BarrasPeriodo, PlacesBarsValuesMonthsAndYearsByTheirExtents) {
    DadosBarrasPeriodo dados = Meses(3, 11);
    dados.barras[0].valor = 1234.5;
    // Plot 70..470 by 30..330, scale to 2000; slots of 133.3 with bars of 93.
    const auto g = CalcularGeometriaBarrasPeriodo(dados, {500, 390}, Medir);
    ASSERT_TRUE(g.desenhar);
    EXPECT_EQ(g.linhas[3].rotulo.texto, "1.200");  // Brazilian by default
    EXPECT_EQ(g.linhas[5].rotulo.posicao, wxPoint(62 - 35, 30 - 6));
    EXPECT_EQ(g.barras[0].retangulo, wxRect(90, 330 - 185, 93, 185));
    EXPECT_EQ(g.barras[2].retangulo.x, 356);
    EXPECT_EQ(g.barras[0].valor.posicao, wxPoint(90 + (93 - 56) / 2, 145 - 13 - 3));

    EXPECT_EQ(Textos(g.eixo.rotulos), (std::vector<wxString>{"11", "12", "01"}));
    EXPECT_EQ(g.eixo.rotulos[0].posicao, wxPoint(136 - 7, 338));
    ASSERT_EQ(Textos(g.eixo.grupos), (std::vector<wxString>{"2010", "2011"}));
    EXPECT_EQ(g.eixo.grupos[0].posicao, wxPoint((136 + 269) / 2 - 14, 338 + 13 + 2));
    EXPECT_EQ(g.eixo.divisas, std::vector<int>{(269 + 402) / 2});

    dados.barras[0].valor = 12000;  // a wider scale text widens the left margin
    dados.formatar_escala = [](double v) { return wxString::Format("R$ %.0f.000", v / 1000); };
    EXPECT_EQ(CalcularGeometriaBarrasPeriodo(dados, {500, 390}, Medir).area.esquerda, 63 + 12);
}

TEST(BarrasPeriodo, EveryBarVisibleAndNoLabelsOverlapFromOneToTwentyYears) {
    for (int n : {12, 60, 120, 180, 240}) {
        for (int largura : {400, 800, 1150, 1600}) {
            SCOPED_TRACE(testing::Message() << n << " bars, " << largura << " wide");
            const auto g = CalcularGeometriaBarrasPeriodo(Meses(n, 5), {largura, 300}, Medir);
            ASSERT_TRUE(g.desenhar);
            const double slot = static_cast<double>(g.area.Largura()) / n;
            for (std::size_t j = 0; j < g.barras.size(); ++j) {
                const wxRect& r = g.barras[j].retangulo;
                EXPECT_GE(r.width, 1);
                EXPECT_LE(r.GetRight(), g.area.direita);
                if (j > 0 && slot >= 1) {  // gaps while a slot has room for one
                    EXPECT_GE(r.x, g.barras[j - 1].retangulo.GetRight() + (slot >= 3 ? 2 : 1));
                }
                const bool cabe = Medir("R$ 1.234").x <= std::max<int>(r.width, slot);
                EXPECT_EQ(g.barras[j].valor.texto.empty(), !cabe);
            }
            EXPECT_TRUE(SemSobreposicao(g.eixo.rotulos));
            EXPECT_TRUE(SemSobreposicao(g.eixo.grupos));
            if (12 * slot >= Medir("2010").x + 6) {  // every full year, once
                EXPECT_GE(g.eixo.grupos.size(), static_cast<std::size_t>((n - 8) / 12));
            }
        }
    }
    // Ten years at the default size: months every three, from each January.
    const auto g = CalcularGeometriaBarrasPeriodo(Meses(120, 1), {1150, 300}, Medir);
    const std::vector<wxString> rotulos = Textos(g.eixo.rotulos);
    ASSERT_GE(rotulos.size(), 4u);
    EXPECT_EQ(std::vector<wxString>(rotulos.begin(), rotulos.begin() + 4),
              (std::vector<wxString>{"01", "04", "07", "10"}));
    EXPECT_EQ(g.eixo.grupos.size(), 10u);
}

TEST(BarrasPeriodo, YearlyBarsThinTheirLabelsAndNothingIsDrawnWithoutBarsOrRoom) {
    DadosBarrasPeriodo anos;
    for (int a = 2016; a <= 2025; ++a)
        anos.barras.push_back({wxString::Format("%d", a), "", 5, "", false});
    EXPECT_EQ(CalcularGeometriaBarrasPeriodo(anos, {1150, 300}, Medir).eixo.rotulos.size(), 10u);
    EXPECT_EQ(Textos(CalcularGeometriaBarrasPeriodo(anos, {400, 300}, Medir).eixo.rotulos),
              (std::vector<wxString>{"2016", "2018", "2020", "2022", "2024"}));
    EXPECT_FALSE(CalcularGeometriaBarrasPeriodo({}, {400, 300}, Medir).desenhar);
    EXPECT_FALSE(CalcularGeometriaBarrasPeriodo(anos, {100, 300}, Medir).desenhar);
}
