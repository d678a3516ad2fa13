// The pie panel rendered into bitmaps (sector colours, background, the pulled-out slice) and the
// product share window on a real database file: grid, percentages, legend colours, regrouping
// with the slice count and the selection, and a screenshot.

#include <gtest/gtest.h>
#include <wx/grid.h>
#include <wx/image.h>
#include <wx/spinctrl.h>
#include <wx/splitter.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "charts/EstiloGrafico.h"
#include "charts/PanelPieChart.h"
#include "db/BancoDados.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/GuiTest.h"
#include "tests/support/LocaleBrasil.h"
#include "tests/support/TestEnvironment.h"
#include "ui/FramePieChart.h"

using namespace std::chrono_literals;
using nlohmann::json;

namespace {

using teste::Pixel;

const wxColour kFundo(245, 245, 245);

// ---- the panel drawn into a bitmap ----

wxImage Renderizar(const std::vector<PieSlice>& fatias, int largura, int altura) {
    return teste::Renderizar(graficos::DesenharPizza, wxSize(largura, altura), fatias);
}

// A point at `angulo` degrees (counter-clockwise from three o'clock) and `distancia` pixels
// from (cx, cy), in window coordinates.
std::pair<int, int> Ponto(int cx, int cy, double angulo, double distancia) {
    const double rad = angulo * std::numbers::pi / 180.0;
    return {cx + static_cast<int>(std::lround(distancia * std::cos(rad))),
            cy - static_cast<int>(std::lround(distancia * std::sin(rad)))};
}

wxColour PixelEm(const wxImage& imagem, std::pair<int, int> ponto) {
    return Pixel(imagem, ponto.first, ponto.second);
}

TEST(PiePainel, EachSectorInItsColourOnTheChartBackground) {
    // 400 x 400: centre (200, 200), radius 170. The first slice spans 90..270 (the left half),
    // the second 270..360 (lower right), the grouped one 0..90 (upper right).
    const std::vector<PieSlice> fatias = {
        {"Ar", 50, false, false}, {"Fe", 25, false, false}, {"Outros", 25, false, true}};
    const wxImage imagem = Renderizar(fatias, 400, 400);

    EXPECT_EQ(Pixel(imagem, 5, 5), kFundo);
    EXPECT_EQ(Pixel(imagem, 395, 395), kFundo);
    EXPECT_EQ(PixelEm(imagem, Ponto(200, 200, 180, 150)), PanelPieChart::GetSliceColour(0));
    EXPECT_EQ(PixelEm(imagem, Ponto(200, 200, 315, 150)), PanelPieChart::GetSliceColour(1));
    EXPECT_EQ(PixelEm(imagem, Ponto(200, 200, 45, 150)), graficos::CorAgrupada());
    EXPECT_EQ(graficos::CorAgrupada(), *wxLIGHT_GREY);
    // Outside the radius: background again.
    EXPECT_EQ(PixelEm(imagem, Ponto(200, 200, 180, 180)), kFundo);
}

TEST(PiePainel, ALabelIsWhiteTextNearItsPosition) {
    const std::vector<PieSlice> fatias = {{"Ar", 100, false, false}};
    const wxImage imagem = Renderizar(fatias, 400, 400);
    // The single slice's label ("100.0%") stands at 0.62 of the radius straight below the
    // centre (mid angle 270 degrees).
    const int ly = 200 + static_cast<int>(0.62 * 170);
    int brancos = 0;
    for (int y = ly - 8; y <= ly + 8; ++y)
        for (int x = 200 - 30; x <= 200 + 30; ++x)
            if (Pixel(imagem, x, y) == *wxWHITE) ++brancos;
    EXPECT_GT(brancos, 10);
    // Elsewhere the slice is filled, not written on.
    EXPECT_EQ(PixelEm(imagem, Ponto(200, 200, 90, 105)), PanelPieChart::GetSliceColour(0));
}

TEST(PiePainel, APulledOutSliceMovesTwentyPixelsAlongItsMiddle) {
    std::vector<PieSlice> fatias = {{"Ar", 50, false, false}, {"Fe", 50, false, false}};
    const wxImage normal = Renderizar(fatias, 400, 400);
    fatias[0].highlighted = true;
    const wxImage destacada = Renderizar(fatias, 400, 400);

    // The left half moves 20 pixels to the left: its edge was at x = 30, now at x = 10.
    EXPECT_EQ(Pixel(normal, 20, 200), kFundo);
    EXPECT_EQ(Pixel(destacada, 20, 200), PanelPieChart::GetSliceColour(0));
    // Between the moved half and the right half a gap of background opens at the centre.
    EXPECT_EQ(Pixel(destacada, 190, 150), kFundo);
    EXPECT_EQ(Pixel(normal, 190, 150), PanelPieChart::GetSliceColour(0));
    // The right half stays where it was.
    EXPECT_EQ(Pixel(destacada, 360, 200), PanelPieChart::GetSliceColour(1));
}

TEST(PiePainel, ASliceOfZeroOrLessSkipsItsColour) {
    // The zero slice keeps position 1, so the next sector takes colour 2.
    const std::vector<PieSlice> fatias = {
        {"Ar", 50, false, false}, {"Fe", 0, false, false}, {"Ca", 50, false, false}};
    const wxImage imagem = Renderizar(fatias, 400, 400);
    EXPECT_EQ(PixelEm(imagem, Ponto(200, 200, 180, 150)), PanelPieChart::GetSliceColour(0));
    EXPECT_EQ(PixelEm(imagem, Ponto(200, 200, 0, 150)), PanelPieChart::GetSliceColour(2));
}

TEST(PiePainel, UnderSixtyTwoPixelsOnlyTheBackground) {
    const std::vector<PieSlice> fatias = {{"Ar", 50, true, false}, {"Fe", 50, false, true}};
    for (auto [largura, altura] : {std::pair{61, 300}, std::pair{300, 61}}) {
        const wxImage imagem = Renderizar(fatias, largura, altura);
        for (int y = 0; y < altura; ++y)
            for (int x = 0; x < largura; ++x)
                ASSERT_EQ(Pixel(imagem, x, y), kFundo)
                    << largura << "x" << altura << " at " << x << "," << y;
    }
}

// ---- the window on a real database ----

// One unit of `descricao` costing `valor_total`, less `desconto`.
teste::ItemFeed Item(int seq, const std::string& descricao, double valor_total,
                     double desconto = 0.0) {
    return {.seq = seq,
            .codigo = "C" + std::to_string(seq),
            .descricao = descricao,
            .valor_unit = valor_total,
            .tributos = 0,
            .desconto = desconto};
}

json Cupom(int id, const std::string& data_hora, std::vector<teste::ItemFeed> itens) {
    return teste::CupomJson({.id = id, .data_hora = data_hora, .itens = std::move(itens)});
}

class PieJanelaTest : public teste::BancoTeste {
protected:
    // Comma-separated ids of the receipts issued in `ano_mes` (six digits), as the main window
    // keeps them for each month.
    wxString Ids(const wxString& ano_mes) {
        Registro registro;
        banco->ConsultarRegistro(
            "select group_concat(id) as ids from cupom where substr(data_hora_emissao, 1, 6) = '" +
                ano_mes + "'",
            registro);
        EXPECT_TRUE(banco->GetErro().empty()) << banco->GetErro();
        return registro["ids"];
    }

    // Five products over two receipts of March, 100.00 in all; one receipt in April.
    void ImportarMarco() {
        Importar(
            json::array({Cupom(11, "20240305101500",
                               {Item(1, "ARROZ TIPO 1 5KG", 25.0), Item(2, "FEIJAO CARIOCA", 25.0),
                                Item(3, "CAFE TORRADO", 20.0, 2.0)}),
                         Cupom(12, "20240320183000",
                               {Item(1, "ARROZ TIPO 1 5KG", 15.0), Item(2, "ACUCAR REFINADO", 10.0),
                                Item(3, "SAL", 7.0)}),
                         Cupom(13, "20240402090000", {Item(1, "OUTRO MES", 99.0)})}));
    }

    FramePieChart* Abrir(const wxString& titulo, const wxString& ids) {
        janela = frame = new FramePieChart(nullptr, titulo, banco.get(), ids);
        return frame;
    }

    // Selects a cell the way a click does, through the grid's select-cell event.
    void Selecionar(int linha) {
        frame->GetGrid()->SetGridCursor(linha, 0);
        teste::ProcessarEventos();
    }

    void MudarFatias(int valor) {
        wxSpinCtrl* spin = frame->GetSpinFatias();
        spin->SetValue(valor);
        wxSpinEvent evento(wxEVT_SPINCTRL, spin->GetId());
        evento.SetEventObject(spin);
        evento.SetPosition(valor);
        spin->ProcessWindowEvent(evento);
    }

    std::vector<wxString> Coluna(int col) { return teste::Coluna(frame->GetGrid(), col); }

    // Every "(%)" cell holds its own slice's palette colour, or the grouped colour when
    // `agrupadas` says so.
    void ConferirLegenda(const std::vector<bool>& agrupadas) {
        wxGrid* grid = frame->GetGrid();
        ASSERT_EQ(grid->GetNumberRows(), static_cast<int>(agrupadas.size()));
        for (int i = 0; i < grid->GetNumberRows(); ++i) {
            const wxColour esperada =
                agrupadas[i] ? graficos::CorAgrupada() : PanelPieChart::GetSliceColour(i);
            EXPECT_EQ(grid->GetCellBackgroundColour(i, 1), esperada) << "row " << i;
        }
    }

    FramePieChart* frame = nullptr;
};

TEST_F(PieJanelaTest, BuildsTheGridOfTheMonthsProductsWithPercentages) {
    ImportarMarco();
    teste::LocaleBrasil locale;  // numbers must keep their point under a comma locale
    EXIGIR_LOCALE_BRASIL(locale);
    Abrir("03/2024", Ids("202403"));

    EXPECT_EQ(frame->GetTitle(), "03/2024");
    EXPECT_FALSE(frame->IsShown());
    EXPECT_EQ(frame->GetSize(), wxSize(800, 500));
    wxGrid* grid = frame->GetGrid();
    ASSERT_EQ(grid->GetNumberCols(), 3);
    EXPECT_EQ(grid->GetColLabelValue(0), "Valor");
    EXPECT_EQ(grid->GetColLabelValue(1), " (%) ");
    EXPECT_EQ(grid->GetColLabelValue(2), "Produto");
    EXPECT_EQ(Coluna(2), (std::vector<wxString>{"ARROZ TIPO 1 5KG", "FEIJAO CARIOCA",
                                                "CAFE TORRADO", "ACUCAR REFINADO", "SAL"}));
    EXPECT_EQ(Coluna(0), (std::vector<wxString>{"40.0", "25.0", "18.0", "10.0", "7.0"}));
    EXPECT_EQ(Coluna(1), (std::vector<wxString>{"40.0", "25.0", "18.0", "10.0", "7.0"}));

    wxSpinCtrl* spin = frame->GetSpinFatias();
    EXPECT_EQ(spin->GetValue(), 10);
    EXPECT_EQ(spin->GetMin(), 2);
    EXPECT_EQ(spin->GetMax(), 100);
    EXPECT_TRUE(teste::GradeSomenteLeitura(grid));
    auto* splitter = dynamic_cast<wxSplitterWindow*>(frame->FindWindow("splitter"));
    ASSERT_TRUE(teste::SplitterPadrao(splitter, wxSPLIT_VERTICAL));
    EXPECT_EQ(splitter->GetWindow2(), frame->GetPieChart());

    // Five products, ten slices allowed: a slice each, no "Outros".
    const std::vector<PieSlice>& fatias = frame->GetPieChart()->GetSlices();
    ASSERT_EQ(fatias.size(), 5u);
    EXPECT_EQ(fatias[0].label, "AR");
    EXPECT_DOUBLE_EQ(fatias[2].value, 18.0);
    for (const PieSlice& fatia : fatias) EXPECT_FALSE(fatia.others);
    ConferirLegenda({false, false, false, false, false});
    // Only the cursor row's slice, if there is a cursor, is pulled out.
    const int cursor = grid->GetGridCursorRow();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(fatias[i].highlighted, i == cursor) << "slice " << i;
}

TEST_F(PieJanelaTest, TheSliceCountRegroupsAndRestoresTheLegend) {
    ImportarMarco();
    Abrir("03/2024", Ids("202403"));

    MudarFatias(2);
    std::vector<PieSlice> fatias = frame->GetPieChart()->GetSlices();
    ASSERT_EQ(fatias.size(), 2u);
    EXPECT_EQ(fatias[1].label, "Outros");
    EXPECT_TRUE(fatias[1].others);
    EXPECT_DOUBLE_EQ(fatias[1].value, 60.0);
    ConferirLegenda({false, true, true, true, true});

    MudarFatias(3);
    fatias = frame->GetPieChart()->GetSlices();
    ASSERT_EQ(fatias.size(), 3u);
    EXPECT_DOUBLE_EQ(fatias[2].value, 35.0);
    ConferirLegenda({false, false, true, true, true});

    MudarFatias(10);
    EXPECT_EQ(frame->GetPieChart()->GetSlices().size(), 5u);
    ConferirLegenda({false, false, false, false, false});
}

TEST_F(PieJanelaTest, SelectingARowPullsOutItsSlice) {
    ImportarMarco();
    Abrir("03/2024", Ids("202403"));
    frame->Show();
    teste::ProcessarEventos();

    MudarFatias(3);
    Selecionar(4);  // a grouped row
    std::vector<PieSlice> fatias = frame->GetPieChart()->GetSlices();
    ASSERT_EQ(fatias.size(), 3u);
    EXPECT_FALSE(fatias[0].highlighted);
    EXPECT_FALSE(fatias[1].highlighted);
    EXPECT_TRUE(fatias[2].highlighted);
    EXPECT_EQ(frame->GetGrid()->GetGridCursorRow(), 4);  // the selection moved as usual

    Selecionar(1);
    fatias = frame->GetPieChart()->GetSlices();
    EXPECT_TRUE(fatias[1].highlighted);
    EXPECT_FALSE(fatias[2].highlighted);

    // Changing the count keeps the cursor row's slice pulled out.
    MudarFatias(2);
    fatias = frame->GetPieChart()->GetSlices();
    EXPECT_TRUE(fatias[1].highlighted);
    EXPECT_FALSE(fatias[0].highlighted);
}

TEST_F(PieJanelaTest, NegativeAndZeroTotalsCountInTheGridNotInThePie) {
    // Totals 61, 59, 0 and -20 (a discount larger than the item): the grid's shares are of 100,
    // the pie's of 120.
    Importar(json::array({Cupom(21, "20240510120000",
                                {Item(1, "LEITE", 61.0), Item(2, "PAO", 59.0),
                                 Item(3, "BRINDE", 0.0), Item(4, "ESTORNO", 5.0, 25.0)})}));
    Abrir("05/2024", Ids("202405"));

    EXPECT_EQ(Coluna(2), (std::vector<wxString>{"LEITE", "PAO", "BRINDE", "ESTORNO"}));
    EXPECT_EQ(Coluna(1), (std::vector<wxString>{"61.0", "59.0", "0.0", "-20.0"}));
    const std::vector<PieSlice>& fatias = frame->GetPieChart()->GetSlices();
    ASSERT_EQ(fatias.size(), 4u);
    EXPECT_DOUBLE_EQ(fatias[3].value, -20.0);
    const graficos::GeometriaPizza pizza = graficos::CalcularGeometriaPizza(fatias, 400, 400);
    ASSERT_EQ(pizza.setores.size(), 2u);
    EXPECT_EQ(pizza.setores[0].rotulo, "50.8%");
    EXPECT_EQ(pizza.setores[1].rotulo, "49.2%");
    ConferirLegenda({false, false, false, false});
}

TEST_F(PieJanelaTest, AMonthWithoutItemsShowsHeadersAndAnEmptyPie) {
    Importar(json::array({Cupom(31, "20240701080000", {})}));
    Abrir("07/2024", Ids("202407"));
    frame->Show();
    teste::ProcessarEventos();

    wxGrid* grid = frame->GetGrid();
    EXPECT_EQ(grid->GetNumberCols(), 3);
    EXPECT_EQ(grid->GetNumberRows(), 0);
    EXPECT_EQ(grid->GetColLabelValue(1), " (%) ");
    EXPECT_TRUE(frame->GetPieChart()->GetSlices().empty());

    const wxSize tamanho = frame->GetPieChart()->GetClientSize();
    const wxImage imagem = Renderizar(frame->GetPieChart()->GetSlices(), tamanho.x, tamanho.y);
    EXPECT_EQ(Pixel(imagem, tamanho.x / 2, tamanho.y / 2), kFundo);
}

TEST_F(PieJanelaTest, AFailedQueryLeavesTheSingleCellAlone) {
    ImportarMarco();
    // An id list that does not parse: the grid keeps the cell it was created with.
    Abrir("??", "1,,2");
    EXPECT_FALSE(banco->GetErro().empty());
    wxGrid* grid = frame->GetGrid();
    EXPECT_EQ(grid->GetNumberCols(), 1);
    EXPECT_EQ(grid->GetNumberRows(), 1);
    EXPECT_EQ(grid->GetCellValue(0, 0), "");
    EXPECT_TRUE(frame->GetPieChart()->GetSlices().empty());
    MudarFatias(2);
    EXPECT_TRUE(frame->GetPieChart()->GetSlices().empty());
}

// What a person sees: the legend read back from the screen after each regrouping, and a spin
// control wide enough for its arrows, with nothing printed while the window opens.
TEST_F(PieJanelaTest, NaTelaTheLegendShowsEveryRowsColourAndTheSpinKeepsItsArrows) {
    Importar(json::array(
        {Cupom(51, "20240505101500",
               {Item(1, "ARROZ", 30.0), Item(2, "FEIJAO", 20.0), Item(3, "CAFE", 10.0)})}));
    teste::CapturaSaida erros;
    Abrir("05/2024", Ids("202405"));
    frame->Show();
    frame->Raise();
    ASSERT_TRUE(teste::WaitFor([&] { return frame->GetPieChart()->GetClientSize().x > 300; }));
    teste::ProcessarEventos(200ms);
    EXPECT_EQ(erros.Texto(), "");

    wxSpinCtrl* spin = frame->GetSpinFatias();
    EXPECT_GE(spin->GetSize().x, spin->GetBestSize().x);
    EXPECT_LE(spin->GetRect().GetRight(), spin->GetParent()->GetClientSize().x);

    wxGrid* grid = frame->GetGrid();
    auto cores_na_tela = [&] {
        const wxImage tela = teste::CapturarCliente(grid->GetGridWindow());
        std::vector<wxColour> cores;
        for (int i = 0; i < grid->GetNumberRows(); ++i) {
            int x = 0, y = 0;
            const wxRect celula = grid->CellToRect(i, 1);
            grid->CalcScrolledPosition(celula.x, celula.y, &x, &y);
            cores.push_back(teste::Pixel(tela, x + 3, y + celula.height / 2));
        }
        return cores;
    };
    const wxColour agrupada = graficos::CorAgrupada();
    auto paleta = [](int i) { return PanelPieChart::GetSliceColour(i); };
    EXPECT_EQ(cores_na_tela(), (std::vector<wxColour>{paleta(0), paleta(1), paleta(2)}));
    MudarFatias(2);
    EXPECT_EQ(cores_na_tela(), (std::vector<wxColour>{paleta(0), agrupada, agrupada}));
    Selecionar(2);
    EXPECT_EQ(cores_na_tela(), (std::vector<wxColour>{paleta(0), agrupada, agrupada}));
    MudarFatias(10);
    EXPECT_EQ(cores_na_tela(), (std::vector<wxColour>{paleta(0), paleta(1), paleta(2)}));
}

TEST_F(PieJanelaTest, Screenshot) {
    // Twelve products so that ten slices leave an "Outros" of three.
    std::vector<teste::ItemFeed> itens;
    const char* nomes[] = {"CARNE BOVINA", "QUEIJO MUSSARELA", "CAFE TORRADO",   "AZEITE EXTRA",
                           "ARROZ TIPO 1", "FEIJAO CARIOCA",   "LEITE INTEGRAL", "BANANA PRATA",
                           "PAO FRANCES",  "TOMATE",           "SAL REFINADO",   "FOSFORO"};
    const double valores[] = {89.90, 45.50, 32.80, 29.90, 24.75, 18.40,
                              15.60, 9.80,  7.20,  5.35,  2.49,  1.20};
    for (int i = 0; i < 12; ++i) itens.push_back(Item(i + 1, nomes[i], valores[i]));
    Importar(json::array({Cupom(41, "20240815173000", itens)}));
    Abrir("08/2024", Ids("202408"));
    frame->Show();
    Selecionar(0);
    ASSERT_TRUE(teste::WaitFor([&] { return frame->GetPieChart()->GetClientSize().x > 300; }));

    const std::vector<PieSlice>& fatias = frame->GetPieChart()->GetSlices();
    ASSERT_EQ(fatias.size(), 10u);
    EXPECT_TRUE(fatias[0].highlighted);
    EXPECT_TRUE(fatias[9].others);
    EXPECT_NEAR(fatias[9].value, 5.35 + 2.49 + 1.20, 1e-9);

    const std::string arquivo = teste::SalvarCaptura(frame, "pie_chart_month");
    EXPECT_TRUE(wxFileExists(arquivo)) << arquivo;
    std::printf("screenshot: %s\n", arquivo.c_str());
}

}  // namespace
