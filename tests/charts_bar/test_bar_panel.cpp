// The bar chart panels: what the main window's takes from a grid, and the pixels each paints.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/image.h>

#include <memory>

#include "charts/PanelBarChart.h"
#include "charts/PanelHorizontalBarChart.h"
#include "charts/PanelMonthBarChart.h"
#include "tests/support/GuiTest.h"

namespace {

using teste::Pixel;

const wxColour kFundo(245, 245, 245);
const wxColour kBarra(70, 130, 180);
const wxColour kDestacada(35, 65, 90);

class BarPanel : public ::testing::Test {
protected:
    void SetUp() override {
        frame = new wxFrame(nullptr, wxID_ANY, "teste");
        grid = new wxGrid(frame, wxID_ANY);
        grid->CreateGrid(0, 2);
        painel = new PanelBarChart(frame);
    }
    void TearDown() override {
        frame->Destroy();
        teste::ProcessarEventos();
    }

    void Linha(const wxString& rotulo, const wxString& valor) {
        grid->AppendRows(1);
        const int row = grid->GetNumberRows() - 1;
        grid->SetCellValue(row, 0, rotulo);
        grid->SetCellValue(row, 1, valor);
    }

    wxImage Pintar(wxSize tamanho) {
        wxBitmap bitmap(tamanho, 24);
        {
            wxMemoryDC dc(bitmap);
            graficos::DesenharBarras(dc, tamanho, painel->GetBars(), painel->GetAviso());
        }
        return bitmap.ConvertToImage();
    }

    // The geometry the panel draws, measured with the panel's font on a bitmap.
    graficos::GeometriaGraficoBarras Geometria(wxSize tamanho) {
        wxBitmap bitmap(tamanho, 24);
        wxMemoryDC dc(bitmap);
        dc.SetFont(wxFont(9, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
        return graficos::CalcularGeometriaBarras(
            painel->GetBars(), tamanho, [&dc](const wxString& t) { return dc.GetTextExtent(t); });
    }

    wxFrame* frame = nullptr;
    wxGrid* grid = nullptr;
    PanelBarChart* painel = nullptr;
};

bool SoFundo(const wxImage& img) {
    for (int y = 0; y < img.GetHeight(); y += 3)
        for (int x = 0; x < img.GetWidth(); x += 3)
            if (Pixel(img, x, y) != kFundo) return false;
    return true;
}

}  // namespace

TEST_F(BarPanel, TakesEveryRowOfTheGrid) {
    Linha("03/2024", "1234.5");
    Linha("5", "950");
    Linha("01/2024", "sem valor");
    painel->SetData(grid, 0, 1, 1);

    const auto& bars = painel->GetBars();
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].label, "03");
    EXPECT_DOUBLE_EQ(bars[0].value, 1234.5);
    EXPECT_EQ(bars[1].label, "5");  // shorter than two characters: whole
    EXPECT_DOUBLE_EQ(bars[2].value, 0);
    EXPECT_FALSE(bars[0].highlighted);
    EXPECT_TRUE(bars[1].highlighted);
    EXPECT_FALSE(bars[2].highlighted);

    painel->SetData(grid, 0, 1, 7);  // no such row: nothing highlighted
    for (const auto& bar : painel->GetBars()) EXPECT_FALSE(bar.highlighted);

    // A grid without the value column (a failed query leaves one column): values read as 0.
    painel->SetData(grid, 0, 5, 0);
    ASSERT_EQ(painel->GetBars().size(), 3u);
    EXPECT_DOUBLE_EQ(painel->GetBars()[0].value, 0);

    grid->DeleteRows(0, 3);
    painel->SetData(grid, 0, 1, 0);
    EXPECT_TRUE(painel->GetBars().empty());
}

TEST_F(BarPanel, PaintsTheBackgroundAloneWithoutBarsOrRoom) {
    EXPECT_TRUE(SoFundo(Pintar({400, 300})));
    painel->SetAviso("Nenhum cupom ainda.");  // a notice drawn over the empty chart only
    EXPECT_FALSE(SoFundo(Pintar({400, 300})));
    painel->SetAviso("");

    Linha("03/2024", "100");
    painel->SetData(grid, 0, 1, 0);
    EXPECT_TRUE(SoFundo(Pintar({100, 300})));
    EXPECT_TRUE(SoFundo(Pintar({400, 90})));
    EXPECT_FALSE(SoFundo(Pintar({400, 300})));
}

TEST_F(BarPanel, PaintsBarsAndTheHighlightedOneWhereTheGeometrySays) {
    Linha("03/2024", "170.25");
    Linha("02/2024", "40");
    Linha("01/2024", "15.5");
    painel->SetData(grid, 0, 1, 1);

    const wxSize tamanho(600, 400);
    const wxImage img = Pintar(tamanho);
    const auto g = Geometria(tamanho);
    ASSERT_EQ(g.barras.size(), 3u);

    EXPECT_EQ(Pixel(img, 2, 2), kFundo);
    EXPECT_EQ(Pixel(img, tamanho.x - 3, tamanho.y - 3), kFundo);
    for (std::size_t j = 0; j < g.barras.size(); ++j) {
        SCOPED_TRACE(j);
        const wxRect r = g.barras[j].retangulo;
        ASSERT_GT(r.height, 4);
        const wxColour esperada = j == 1 ? kDestacada : kBarra;
        // Inside the outline, at the middle and near the corners.
        EXPECT_EQ(Pixel(img, r.x + r.width / 2, r.y + r.height / 2), esperada);
        EXPECT_EQ(Pixel(img, r.x + 2, r.y + 2), esperada);
        EXPECT_EQ(Pixel(img, r.GetRight() - 2, r.GetBottom() - 2), esperada);
        // Just beside the bar, level with its middle: no bar colour.
        EXPECT_NE(Pixel(img, r.x - 3, r.y + r.height / 2), esperada);
        EXPECT_NE(Pixel(img, r.GetRight() + 3, r.y + r.height / 2), esperada);
    }
    // The tallest bar reaches 170.25 / 200 of the plot's height.
    EXPECT_EQ(g.barras[0].retangulo.height, static_cast<int>(170.25 / 200 * (400 - 90)));
}

// A screenshot to look at. Its pixels are not checked: test processes running in parallel share
// one screen, so another test's window may cover the panel.
TEST_F(BarPanel, ScreenshotOnScreen) {
    Linha("03/2024", "170.25");
    Linha("01/2024", "15.5");
    painel->SetData(grid, 0, 1, 0);
    frame->SetSize(700, 500);
    grid->Hide();
    painel->SetSize(frame->GetClientSize());
    frame->Show();
    ASSERT_TRUE(teste::WaitFor([&] { return frame->IsShownOnScreen(); }));
    teste::SalvarCaptura(painel, "bar_chart_panel");
}

namespace {

// The geometry a drawing function paints, measured in the charts' font on a bitmap.
template <class Calcular, class Dados>
auto GeometriaPintada(Calcular calcular, const Dados& dados, wxSize tamanho) {
    wxBitmap bitmap(tamanho, 24);
    wxMemoryDC dc(bitmap);
    dc.SetFont(wxFont(9, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
    return calcular(dados, tamanho, [&dc](const wxString& t) { return dc.GetTextExtent(t); });
}

}  // namespace

TEST_F(BarPanel, HorizontalBarsInTheBarColoursTheHighlightedDarker) {
    const std::vector<BarraHorizontal> itens = {{"Mercado", 300, "R$ 300,00", false},
                                                {"Outras", 120, "R$ 120,00", true}};
    (new PanelHorizontalBarChart(frame))->SetDados(itens);
    const wxSize tamanho(500, 200);
    const wxImage img = teste::Renderizar(graficos::DesenharBarrasHorizontais, tamanho, itens);
    const auto g = GeometriaPintada(graficos::CalcularGeometriaBarrasHorizontais, itens, tamanho);
    ASSERT_EQ(g.barras.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const wxRect r = g.barras[i].retangulo;
        EXPECT_EQ(Pixel(img, r.x + r.width / 2, r.y + r.height / 2), i == 1 ? kDestacada : kBarra);
        EXPECT_EQ(Pixel(img, r.GetRight() + 2, r.y + 1), kFundo);
    }
    EXPECT_TRUE(SoFundo(teste::Renderizar(graficos::DesenharBarrasHorizontais, tamanho,
                                          std::vector<BarraHorizontal>())));
}

TEST_F(BarPanel, FifteenYearsOfMonthsShowEveryBarAtTheDefaultSize) {
    DadosBarrasPeriodo dados;
    for (int i = 0; i < 180; ++i)
        dados.barras.push_back({wxString::Format("%02d", i % 12 + 1),
                                wxString::Format("%d", 2011 + i / 12), 50.0 + i % 17, "R$ 1.000",
                                i == 179});
    const wxSize tamanho(1150, 300);
    const wxImage img = teste::Renderizar(graficos::DesenharBarrasPeriodo, tamanho, dados);
    const auto g = GeometriaPintada(graficos::CalcularGeometriaBarrasPeriodo, dados, tamanho);
    ASSERT_EQ(g.barras.size(), 180u);
    for (std::size_t j = 0; j < g.barras.size(); ++j) {
        const wxRect r = g.barras[j].retangulo;
        const wxColour meio = Pixel(img, r.x + r.width / 2, r.y + r.height / 2);
        EXPECT_EQ(meio, j == 179 ? kDestacada : kBarra);
        EXPECT_NE(Pixel(img, r.GetRight() + 1, r.y + r.height / 2), meio);  // the gap
    }
    EXPECT_TRUE(
        SoFundo(teste::Renderizar(graficos::DesenharBarrasPeriodo, tamanho, DadosBarrasPeriodo())));
}
