// Copying from a real grid, read back from the clipboard: each selection shape, and a real Ctrl+C
// on the grid and inside an open cell editor; the export's file chooser and GTK's question, in
// Portuguese. The clipboard and the keyboard belong to the whole display, hence "NaTela".

#include <gtest/gtest.h>
#include <libintl.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/GuiTest.h"
#include "tests/support/TestEnvironment.h"
#include "widgets/Idioma.h"
#include "widgets/MenuGrade.h"

using namespace std::chrono_literals;

// Four rows of columns A, B, C and a hidden key column K; cell (r, c) holds the column's letter
// and the row number.
class MenuGradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = new wxFrame(nullptr, wxID_ANY, "grade", wxDefaultPosition, wxSize(500, 300));
        grid = new wxGrid(frame, wxID_ANY);
        grid->CreateGrid(4, 4, wxGrid::wxGridSelectCells);
        for (int c = 0; c < 4; ++c) {
            grid->SetColLabelValue(c, wxUniChar("ABCK"[c]));
            for (int r = 0; r < 4; ++r)
                grid->SetCellValue(r, c, wxString::Format("%c%d", "ABCK"[c], r));
        }
        grid->HideCol(3);
        controles::AdicionarCopiaEExportacao(grid, nullptr);
    }
    void TearDown() override { frame->Destroy(); }

    wxFrame* frame = nullptr;
    wxGrid* grid = nullptr;
};

TEST_F(MenuGradeTest, NaTelaEachSelectionShapeCopiesAsSpreadsheetsPasteIt) {
    // Blocks (top, left, bottom, right) added to the selection; -1 on both sides of an axis
    // selects whole rows or columns. The current cell stays at (1, 2).
    const struct {
        std::vector<std::array<int, 4>> blocos;
        int comando;  // 0: Ctrl+C
        const char* esperado;
    } casos[] = {
        {{}, 0, "C1"},
        {{{0, 0, 1, 1}}, 0, "A0\tB0\nA1\tB1"},
        {{{1, -1, 1, -1}, {3, -1, 3, -1}}, 0, "A1\tB1\tC1\nA3\tB3\tC3"},
        {{{-1, 1, -1, 1}}, controles::kIdCopiar, "B0\nB1\nB2\nB3"},
        {{{0, 0, 0, 0}, {2, 2, 2, 2}}, controles::kIdCopiar, "A0\t\n\tC2"},
        {{{-1, 3, -1, 3}}, 0, "antes"},
        {{{2, 1, 2, 3}}, controles::kIdCopiarComCabecalhos, "B\tC\nB2\tC2"},
    };
    grid->SetGridCursor(1, 2);
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.esperado);
        ASSERT_TRUE(teste::PorNaAreaDeTransferencia("antes"));
        grid->ClearSelection();
        for (const auto& [topo, esquerda, base, direita] : caso.blocos) {
            if (esquerda < 0)
                grid->SelectRow(topo, true);
            else if (topo < 0)
                grid->SelectCol(esquerda, true);
            else
                grid->SelectBlock(topo, esquerda, base, direita, true);
        }
        wxKeyEvent tecla(wxEVT_KEY_DOWN);
        tecla.m_keyCode = 'C';
        tecla.m_controlDown = true;
        wxCommandEvent comando(wxEVT_MENU, caso.comando);
        grid->ProcessWindowEvent(caso.comando ? static_cast<wxEvent&>(comando) : tecla);
        EXPECT_EQ(teste::LerAreaDeTransferencia(), caso.esperado);
    }
}

TEST_F(MenuGradeTest, NaTelaRealCtrlCCopiesTheGridButAnOpenEditorKeepsItForItsText) {
    frame->Show();
    grid->GetGridWindow()->SetFocus();
    ASSERT_TRUE(teste::WaitFor([&] { return grid->GetGridWindow()->HasFocus(); }, 2000ms));
    wxUIActionSimulator simulador;
    grid->SetGridCursor(2, 0);
    simulador.Char('c', wxMOD_CONTROL);
    EXPECT_TRUE(teste::WaitFor([] { return teste::LerAreaDeTransferencia() == "A2"; }, 2000ms));

    grid->EnableEditing(true);
    grid->EnableCellEditControl();
    auto* texto = teste::Encontrar<wxTextCtrl>(grid);
    ASSERT_TRUE(texto && teste::WaitFor([&] { return texto->HasFocus(); }, 2000ms));
    texto->SetValue("editado");
    texto->SelectAll();
    simulador.Char('c', wxMOD_CONTROL);
    EXPECT_TRUE(teste::WaitFor([] { return teste::LerAreaDeTransferencia() == "editado"; }));
    EXPECT_TRUE(grid->IsCellEditControlShown());
    grid->DisableCellEditControl();
}

// Portuguese whatever the environment names, with the pt_BR.UTF-8 locale or without it (LOCPATH at
// a folder holding only C.UTF-8 hides it), and numbers with ".".
TEST(Idioma, PortuguesQualquerQueSejaOAmbiente) {
    const std::string lc_all = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "C";
    // LC_ALL, LANGUAGE and LOCPATH in the environment, LC_MESSAGES afterwards.
    for (const auto& [ambiente, idiomas, locais, mensagens] :
         std::vector<std::array<const char*, 4>>{
             {"C", "en_US:en", nullptr, "pt_BR.UTF-8"},
             {"en_US.UTF-8", "en", "/usr/lib/locale", "C.UTF-8"},
             {"C", nullptr, "/usr/lib/locale", "C.UTF-8"}}) {
        SCOPED_TRACE(std::string(ambiente) + (locais ? " sem pt_BR" : ""));
        setenv("LC_ALL", ambiente, 1);
        idiomas ? setenv("LANGUAGE", idiomas, 1) : unsetenv("LANGUAGE");
        locais ? setenv("LOCPATH", locais, 1) : unsetenv("LOCPATH");
        std::setlocale(LC_ALL, "C");  // as a process starts
        controles::FalarPortugues();
        EXPECT_STREQ(std::setlocale(LC_MESSAGES, nullptr), mensagens);
        EXPECT_STREQ(dgettext("gtk30", "_Cancel"), "_Cancelar");  // as GTK reads it
        EXPECT_EQ(wxGetTranslation("Select All"), "Selecionar tudo");
        EXPECT_EQ(wxGetTranslation("Elapsed time:"), "Tempo decorrido:");
        EXPECT_EQ(wxString::Format("%.2f", 1234.5), "1234.50");
    }
    setenv("LC_ALL", lc_all.c_str(), 1);
    unsetenv("LOCPATH");
    controles::FalarPortugues();
}

// The export's chooser and GTK's question about an existing file run for real, each captured
// (the pictures show their Portuguese) and answered from the keyboard in its own loop.
TEST_F(MenuGradeTest, NaTelaTheExportChooserAndGtksQuestionRunAndKeepTheFile) {
    frame->Show();
    ASSERT_TRUE(teste::WaitFor([&] { return frame->IsShownOnScreen(); }));
    const std::string existente = teste::NovaPasta("exportar") + "/existente.csv";
    std::ofstream(existente) << "antes";
    wxUIActionSimulator simulador;  // keys go to the window under the pointer
    simulador.MouseMove(frame->GetScreenRect().GetPosition() + frame->GetSize() / 2);
    // A picture, Enter (GTK asks), a picture, Escape (the file is kept), Escape (no export).
    int passo = 0;
    wxTimer relogio;
    relogio.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        const wxRect tela(wxGetDisplaySize());
        if (passo == 0 || passo == 2)
            teste::SalvarCapturaDaTela(tela, passo == 0 ? "exportar_csv" : "gtk_substituir");
        else
            simulador.Char(passo == 1 ? WXK_RETURN : WXK_ESCAPE);
        if (++passo < 5) relogio.StartOnce(700);
    });
    teste::Dialogos::Get().aoAbrirModal = [&](wxDialog* aberto) {
        dynamic_cast<wxFileDialog*>(aberto)->SetPath(existente);
        relogio.StartOnce(1000);
        return wxID_NONE;
    };
    teste::EnviarMenu(grid, controles::kIdExportarCsv);
    teste::Dialogos::Get().Limpar();
    EXPECT_EQ(passo, 5);
    std::ifstream lido(existente);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(lido), {}), "antes");
}
