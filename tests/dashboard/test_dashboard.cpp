// The main window on real databases: month and receipt grids, the chart that follows the
// selection, failing queries, the greeting, the menus, logoff and the about box.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <wx/accel.h>
#include <wx/button.h>
#include <wx/collpane.h>
#include <wx/display.h>
#include <wx/dnd.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/grid.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "charts/PanelBarChart.h"
#include "db/BancoDados.h"
#include "service/GeradorCupons.h"
#include "service/GeradorXml.h"
#include "sync/FrameSincronizar.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/DialogoSincronizar.h"
#include "tests/support/GuiTest.h"
#include "tests/support/LocaleBrasil.h"
#include "tests/support/ServicoTeste.h"
#include "tests/support/TestEnvironment.h"
#include "ui/FrameCupom.h"
#include "ui/FrameDashboard.h"
#include "ui/FrameHistoricoPrecos.h"
#include "ui/FramePieChart.h"
#include "ui/FrameRelatorios.h"
#include "ui/FrameTerminalSQL.h"
#include "widgets/MenuGrade.h"

namespace {

using nlohmann::json;
using teste::Cabecalhos;
using teste::Coluna;
using teste::EnviarMenu;

void GuardarLogin(const wxString& usuario) {
    teste::GravarLogin({"id-" + usuario, usuario, "token-" + usuario});
}

// A receipt without items, of `valor` in all.
teste::CupomFeed Cupom(int id, const std::string& data_hora, double valor, const std::string& cnpj,
                       const std::string& fantasia) {
    return {.id = id,
            .chave = "CFe" + std::to_string(1000 + id),
            .data_hora = data_hora,
            .numero_cfe = std::to_string(id),
            .url_consulta = "https://example.com/" + std::to_string(id),
            .cnpj = cnpj,
            .nome = fantasia + " LTDA",
            .fantasia = fantasia,
            .endereco = "Rua das Acácias, 10",
            .municipio = "São Paulo",
            .itens = {},
            .valor_total = valor};
}

// Receipts of January and March 2024 only.
json JaneiroEMarco() {
    return teste::FeedJson({
        Cupom(1, "20240105101500", 10.0, "111", "Padaria"),
        Cupom(2, "20240120183000", 5.5, "222", "Mercado"),
        Cupom(3, "20240302090000", 100.25, "222", "Mercado"),
        Cupom(4, "20240315120000", 50.0, "111", "Padaria"),
        Cupom(5, "20240310080000", 20.0, "333", "Farmácia"),
    });
}

void Importar(const json& feed) {
    BancoDados db;
    db.ImportarCupons(feed, [](wxString) { return true; });
}

int BarraDestacada(PanelBarChart* chart) {
    const auto& bars = chart->GetBars();
    for (std::size_t i = 0; i < bars.size(); ++i)
        if (bars[i].highlighted) return static_cast<int>(i);
    return -1;
}

bool Existe(wxWindow* janela) {
    return wxTopLevelWindows.Find(janela) != nullptr;
}

class Dashboard : public teste::JanelasTeste {
protected:
    void SetUp() override {
        JanelasTeste::SetUp();
        GuardarLogin("maria");
    }

    // Opens the main window on the stored user's database.
    void Abrir() {
        frame = new FrameDashboard();
        meses = frame->GetGridMeses();
        cupons = frame->GetGridCupons();
    }

    FrameDashboard* frame = nullptr;
    wxGrid* meses = nullptr;
    wxGrid* cupons = nullptr;
};

}  // namespace

TEST_F(Dashboard, ShowsMonthsNewestFirstAndTheNewestMonthsReceipts) {
    Importar(JaneiroEMarco());
    Abrir();

    EXPECT_EQ(frame->GetTitle(), "Cupom Fiscal Zelkari - Dashboard");
    EXPECT_TRUE(teste::Dialogos::Get().Mensagens().empty());

    ASSERT_EQ(meses->GetNumberCols(), 4);
    EXPECT_EQ(Cabecalhos(meses), (std::vector<wxString>{wxString::FromUTF8("Mês/Ano"), "Valor",
                                                        "Cupons", "cupom_ids"}));
    EXPECT_EQ(Coluna(meses, 0), (std::vector<wxString>{"03/2024", "01/2024"}));
    EXPECT_EQ(Coluna(meses, 1), (std::vector<wxString>{"170.25", "15.5"}));
    EXPECT_EQ(Coluna(meses, 2), (std::vector<wxString>{"3", "2"}));
    EXPECT_FALSE(meses->IsColShown(3));

    ASSERT_EQ(cupons->GetNumberCols(), 5);
    EXPECT_EQ(Cabecalhos(cupons), (std::vector<wxString>{"Data", "Valor", "Estabelecimento",
                                                         wxString::FromUTF8("Endereço"), "id"}));
    EXPECT_EQ(Coluna(cupons, 0), (std::vector<wxString>{"15/03/2024", "10/03/2024", "02/03/2024"}));
    EXPECT_EQ(Coluna(cupons, 2),
              (std::vector<wxString>{"Padaria", wxString::FromUTF8("Farmácia"), "Mercado"}));
    EXPECT_EQ(cupons->GetCellValue(0, 3), wxString::FromUTF8("Rua das Acácias, 10"));
    EXPECT_FALSE(cupons->IsColShown(4));

    PanelBarChart* chart = frame->GetBarChart();
    ASSERT_EQ(chart->GetBars().size(), 2u);
    EXPECT_EQ(chart->GetBars()[0].label, "03");
    EXPECT_EQ(chart->GetBars()[1].label, "01");
    EXPECT_DOUBLE_EQ(chart->GetBars()[0].value, 170.25);
    EXPECT_EQ(BarraDestacada(chart), 0);
}

TEST_F(Dashboard, SelectingAMonthFromAnyColumnLoadsItsReceiptsAndHighlightsItsBar) {
    Importar(JaneiroEMarco());
    Abrir();

    for (int col : {0, 2, 1}) {
        SCOPED_TRACE(col);
        meses->SetGridCursor(1, col);
        EXPECT_EQ(Coluna(cupons, 0), (std::vector<wxString>{"20/01/2024", "05/01/2024"}));
        EXPECT_EQ(Coluna(cupons, 1), (std::vector<wxString>{"5.5", "10.0"}));
        EXPECT_FALSE(cupons->IsColShown(4));
        EXPECT_EQ(BarraDestacada(frame->GetBarChart()), 1);

        meses->SetGridCursor(0, col);
        EXPECT_EQ(cupons->GetNumberRows(), 3);
        EXPECT_EQ(BarraDestacada(frame->GetBarChart()), 0);
    }

    // A selection event sent as the grid would send it for a click.
    wxGridEvent evento(meses->GetId(), wxEVT_GRID_SELECT_CELL, meses, 1, 3);
    meses->ProcessWindowEvent(evento);
    EXPECT_EQ(cupons->GetNumberRows(), 2);
    EXPECT_EQ(BarraDestacada(frame->GetBarChart()), 1);
}

TEST_F(Dashboard, AnEmptyDatabaseShowsHeadersWithoutRowsAndNoBars) {
    Abrir();
    EXPECT_EQ(meses->GetNumberRows(), 0);
    EXPECT_EQ(meses->GetNumberCols(), 4);
    EXPECT_EQ(meses->GetColLabelValue(0), wxString::FromUTF8("Mês/Ano"));
    EXPECT_EQ(cupons->GetNumberRows(), 0);
    EXPECT_EQ(cupons->GetNumberCols(), 5);
    EXPECT_EQ(cupons->GetColLabelValue(3), wxString::FromUTF8("Endereço"));
    EXPECT_TRUE(frame->GetBarChart()->GetBars().empty());
    EXPECT_TRUE(teste::Dialogos::Get().Mensagens().empty());
    // The first screen says what to do; the text goes once receipts exist.
    EXPECT_EQ(frame->GetBarChart()->GetAviso(),
              L"Nenhum cupom ainda. Escolha Ferramentas > Sincronizar para baixar os seus cupons.");
    teste::SalvarCaptura(frame, "dashboard_vazio");
    Importar(JaneiroEMarco());
    frame->CarregarMeses();
    EXPECT_EQ(frame->GetBarChart()->GetAviso(), "");
}

TEST_F(Dashboard, FailingQueriesLeaveTheGridsAsTheyWere) {
    Importar(JaneiroEMarco());
    Abrir();

    // Statements typed into the SQL terminal run on the window's own connection.
    BancoDados* banco = frame->GetBanco();
    Registro r;
    banco->ConsultarRegistro("drop table emitente", r);
    ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro();
    meses->SetGridCursor(1, 0);  // the receipts query now fails
    EXPECT_EQ(Coluna(cupons, 0), (std::vector<wxString>{"15/03/2024", "10/03/2024", "02/03/2024"}));
    EXPECT_EQ(BarraDestacada(frame->GetBarChart()), 1);

    banco->ConsultarRegistro("drop table cupom", r);  // and now the month query too
    ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro();
    frame->CarregarMeses();
    EXPECT_EQ(Coluna(meses, 0), (std::vector<wxString>{"03/2024", "01/2024"}));
    EXPECT_EQ(cupons->GetNumberRows(), 3);
    EXPECT_EQ(frame->GetBarChart()->GetBars().size(), 2u);
    EXPECT_TRUE(teste::Dialogos::Get().Mensagens().empty());
}

TEST_F(Dashboard, QueriesThatFailFromTheStartLeaveSingleCellGridsAndNothingBreaks) {
    // A file whose cupom table lacks the columns the views read: the schema applies (its
    // indexes find their columns) but both queries fail, so the grids keep their single cell.
    ASSERT_TRUE(teste::ExecutarNoArquivo(
        NomeArquivoBanco("maria"),
        "create table cupom(id integer, data_hora_emissao text, cnpj_emitente text, "
        "chave_acesso text, id_zelkari integer)"));
    Abrir();
    EXPECT_EQ(meses->GetNumberCols(), 1);
    EXPECT_EQ(meses->GetNumberRows(), 1);
    EXPECT_EQ(cupons->GetNumberCols(), 1);

    // Selection and double-clicks on those grids must not read columns that are not there.
    meses->SetGridCursor(0, 0);
    teste::DuploClique(meses, 0, 0);
    teste::DuploClique(cupons, 0, 0);
    frame->CarregarMeses();
    EXPECT_EQ(frame->GetBarChart()->GetBars().size(), 1u);
}

TEST_F(Dashboard, GreetsTheStoredUserInTheStatusBar) {
    GuardarLogin(wxString::FromUTF8("João"));
    Abrir();
    EXPECT_EQ(frame->GetStatusBar()->GetFieldsCount(), 1);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), wxString::FromUTF8("Bem vindo João!"));

    GuardarLogin("");
    auto* vazio = new FrameDashboard();
    EXPECT_EQ(vazio->GetStatusBar()->GetStatusText(0), "Bem vindo !");
}

TEST_F(Dashboard, MenusCarryTheirIdsTextsAndAccelerators) {
    Abrir();
    wxMenuBar* barra = frame->GetMenuBar();
    ASSERT_EQ(barra->GetMenuCount(), 3u);
    EXPECT_EQ(barra->GetMenuLabel(0), "&Conta");
    EXPECT_EQ(barra->GetMenuLabel(1), "&Ferramentas");
    EXPECT_EQ(barra->GetMenuLabel(2), "&Sobre");

    struct Item {
        int id;
        const char* texto;
        const char* ajuda;
    };
    for (const Item& esperado : {
             Item{1, "&Logoff\tCtrl-Q", "Sair da sua conta"},
             Item{wxID_EXIT, "&Sair\tAlt-F4", "Fechar o programa"},
             Item{2, "Terminal SQL", "Execute comandos diretamente no banco de dados"},
             Item{3, "Sincronizar", "Faz download de novos cupons"},
             Item{wxID_ABOUT, "Sobre Zelkari", "Sobre Zelkari"},
         }) {
        SCOPED_TRACE(esperado.texto);
        wxMenuItem* item = barra->FindItem(esperado.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->GetItemLabel(), esperado.texto);
        EXPECT_EQ(item->GetHelp(), esperado.ajuda);
    }
    const std::unique_ptr<wxAcceleratorEntry> logoff(barra->FindItem(1)->GetAccel());
    ASSERT_NE(logoff, nullptr);
    EXPECT_EQ(logoff->GetFlags(), wxACCEL_CTRL);
    EXPECT_EQ(logoff->GetKeyCode(), 'Q');
    EXPECT_EQ(barra->GetMenu(0)->GetMenuItemCount(), 3u);  // with the separator
    EXPECT_TRUE(barra->GetMenu(0)->FindItemByPosition(1)->IsSeparator());

    // The windows of our own come after the specified ones.
    std::vector<wxString> ferramentas;
    for (wxMenuItem* item : barra->GetMenu(1)->GetMenuItems())
        ferramentas.push_back(item->GetItemLabel());
    EXPECT_EQ(ferramentas,
              (std::vector<wxString>{"Terminal SQL", "Sincronizar", L"Histórico de preços",
                                     L"Relatórios\tCtrl-R", L"Importar XML…",
                                     L"Importar pasta…", "Categorias"}));
}

TEST_F(Dashboard, LayoutKeepsTheMinimumSizesAndSashes) {
    Importar(JaneiroEMarco());
    Abrir();
    EXPECT_EQ(meses->GetMinSize(), wxSize(250, 200));
    EXPECT_EQ(cupons->GetMinSize(), wxSize(450, 200));
    EXPECT_EQ(frame->GetBarChart()->GetMinSize(), wxSize(400, 300));

    auto* grids = dynamic_cast<wxSplitterWindow*>(meses->GetParent());
    ASSERT_TRUE(teste::SplitterPadrao(grids, wxSPLIT_VERTICAL));
    EXPECT_EQ(grids->GetWindow1(), meses);
    auto* principal = dynamic_cast<wxSplitterWindow*>(frame->GetBarChart()->GetParent());
    ASSERT_TRUE(teste::SplitterPadrao(principal, wxSPLIT_HORIZONTAL));
    EXPECT_EQ(principal->GetWindow2(), frame->GetBarChart());
    EXPECT_TRUE(teste::GradeSomenteLeitura(meses));
    EXPECT_TRUE(teste::GradeSomenteLeitura(cupons));
    EXPECT_FALSE(frame->IsShown());  // showing is the caller's job
}

TEST_F(Dashboard, LogoffAnsweredNoChangesNothingAndYesEmptiesTheLoginAndCloses) {
    Abrir();
    frame->Show();

    teste::Dialogos::Get().ResponderCom(wxID_NO);
    EnviarMenu(frame, FrameDashboard::ID_LOGOFF);
    ASSERT_EQ(teste::Dialogos::Get().Mensagens().size(), 1u);
    const auto caixa = teste::Dialogos::Get().Mensagens()[0];
    EXPECT_EQ(caixa.mensagem, "Deseja realmente fazer logoff?");
    EXPECT_EQ(caixa.titulo, wxString::FromUTF8("Confirmação"));
    EXPECT_EQ(caixa.estilo & (wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION),
              wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    teste::ProcessarEventos();
    EXPECT_TRUE(Existe(frame));
    EXPECT_EQ(teste::LerLogin("?"), (teste::LoginGravado{"id-maria", "maria", "token-maria"}));

    teste::Dialogos::Get().ResponderCom(wxID_YES);
    EnviarMenu(frame, FrameDashboard::ID_LOGOFF);
    EXPECT_EQ(teste::Dialogos::Get().Mensagens().size(), 2u);
    EXPECT_TRUE(teste::WaitFor([&] { return !Existe(frame); }));
    EXPECT_EQ(teste::LerLogin("?"), teste::LoginGravado{});
}

TEST_F(Dashboard, AboutBoxTerminalAndExit) {
    setenv("CUPOM_SERVICE_URL", "https://servico.exemplo:8443", 1);
    Abrir();
    EnviarMenu(frame, wxID_ABOUT);
    unsetenv("CUPOM_SERVICE_URL");
    ASSERT_EQ(teste::Dialogos::Get().Mensagens().size(), 1u);
    const auto caixa = teste::Dialogos::Get().Mensagens()[0];
    EXPECT_EQ(caixa.titulo, "servico.exemplo");
    EXPECT_EQ(caixa.mensagem,
              wxString::FromUTF8("Este software é livre!\nObrigado por participar :-)"));
    EXPECT_TRUE(caixa.estilo & wxICON_INFORMATION);

    // The SQL terminal opens as a child of the main window and goes with it.
    EnviarMenu(frame, FrameDashboard::ID_TERMINAL_SQL);
    ASSERT_EQ(teste::JanelasAbertas<FrameTerminalSQL>().size(), 1u);
    FrameTerminalSQL* terminal = teste::JanelasAbertas<FrameTerminalSQL>()[0];
    EXPECT_EQ(terminal->GetParent(), frame);
    EXPECT_TRUE(terminal->IsShown());

    // The reports too; closing the main window while they still read the receipts stops that
    // reading before the database goes.
    EnviarMenu(frame, FrameDashboard::ID_RELATORIOS);
    ASSERT_EQ(teste::JanelasAbertas<FrameRelatorios>().size(), 1u);
    EXPECT_EQ(teste::JanelasAbertas<FrameRelatorios>()[0]->GetParent(), frame);

    EnviarMenu(frame, wxID_EXIT);
    EXPECT_TRUE(teste::WaitFor([&] { return wxTopLevelWindows.empty(); }));
}

TEST_F(Dashboard, ScreenshotWithData) {
    servico::OpcoesGerador opcoes;
    opcoes.ano_inicial = 2024;
    opcoes.anos = 1;
    opcoes.cupons_por_mes = 6;
    Importar(servico::GerarCupons(opcoes));
    Abrir();
    frame->Show();
    ASSERT_TRUE(teste::WaitFor([&] { return frame->IsShownOnScreen(); }));
    EXPECT_EQ(meses->GetNumberRows(), 12);
    meses->SetGridCursor(2, 0);
    EXPECT_EQ(BarraDestacada(frame->GetBarChart()), 2);
    teste::SalvarCaptura(frame, "dashboard");
}

TEST_F(Dashboard, DoubleClicksOpenTheMonthsProductsAndTheReceiptsDetail) {
    Importar(JaneiroEMarco());
    Abrir();

    // Twice on January: two product windows titled with the month, each with January's products.
    teste::DuploClique(meses, 1, 0);
    teste::DuploClique(meses, 1, 2);
    const std::vector<FramePieChart*> produtos = teste::JanelasAbertas<FramePieChart>();
    ASSERT_EQ(produtos.size(), 2u);
    for (auto* p : produtos) {
        EXPECT_EQ(p->GetTitle(), "01/2024");
        EXPECT_EQ(p->GetParent(), frame);
        EXPECT_TRUE(p->IsShown());
    }

    // The second receipt of March (newest first) is the one of the 10th: local id 5.
    teste::DuploClique(cupons, 1, 0);
    ASSERT_EQ(teste::JanelasAbertas<FrameCupom>().size(), 1u);
    FrameCupom* detalhe = teste::JanelasAbertas<FrameCupom>()[0];
    EXPECT_EQ(detalhe->GetParent(), frame);
    EXPECT_TRUE(detalhe->IsShown());
    const auto campos = teste::EncontrarTodos<wxTextCtrl>(detalhe);
    EXPECT_TRUE(std::ranges::any_of(
        campos, [](wxTextCtrl* campo) { return campo->GetValue() == "10/03/2024 08:00:00"; }));

    // They all go with the main window.
    frame->Close(true);
    EXPECT_TRUE(teste::WaitFor([] { return wxTopLevelWindows.empty(); }));
}

// Under a locale with "," decimals too: the feed's numbers, the grids' texts and the chart's
// values keep their ".".
TEST_F(Dashboard, SynchronisingFromTheMenuShowsTheNewMonthOnTopAfterTheDialogCloses) {
    teste::LocaleBrasil locale;
    EXIGIR_LOCALE_BRASIL(locale);
    Importar(JaneiroEMarco());
    teste::ServicoTeste servico;
    servico.servico().AdicionarUsuario(
        "maria", "senha",
        teste::FeedJson({Cupom(6, "20240502100000", 42.37, "111", "Padaria"),
                         Cupom(7, "20240520100000", 8.5, "222", "Mercado")}));
    teste::GravarLogin(
        {"id-maria", "maria", wxString::FromUTF8(servico.servico().EmitirToken("maria"))});

    Abrir();
    ASSERT_EQ(meses->GetCellValue(0, 0), "03/2024");

    teste::SincronizarPeloMenu(frame, FrameDashboard::ID_SINCRONIZAR);
    ASSERT_EQ(teste::Dialogos::Get().Mensagens().size(), 1u);
    EXPECT_EQ(teste::Dialogos::Get().Mensagens()[0].mensagem,
              wxString::FromUTF8("Processamento concluído."));
    EXPECT_EQ(Coluna(meses, 0), (std::vector<wxString>{"05/2024", "03/2024", "01/2024"}));
    EXPECT_EQ(Coluna(meses, 1), (std::vector<wxString>{"50.87", "170.25", "15.5"}));
    EXPECT_EQ(Coluna(cupons, 0), (std::vector<wxString>{"20/05/2024", "02/05/2024"}));
    EXPECT_EQ(Coluna(cupons, 1), (std::vector<wxString>{"8.5", "42.37"}));
    EXPECT_EQ(BarraDestacada(frame->GetBarChart()), 0);
    ASSERT_EQ(frame->GetBarChart()->GetBars().size(), 3u);
    EXPECT_DOUBLE_EQ(frame->GetBarChart()->GetBars()[0].value, 50.87);
}

// Fiscal XML files imported from the main window: one box tells the outcome, its details the
// refused file, and the window shows the new month.
TEST_F(Dashboard, ImportingXmlFilesShowsTheOutcomeAndTheNewMonth) {
    Importar(JaneiroEMarco());
    Abrir();
    std::ofstream("nota.xml")
        << "<NFe><infNFe Id=\"NFe35240511222333000181650010000045671123456782\"><ide><dhEmi>"
           "2024-05-10T18:30:00-03:00</dhEmi></ide><emit><CNPJ>11222333000181</CNPJ><xNome>"
           "PADARIA</xNome></emit><det nItem=\"1\"><prod><cProd>9</cProd><xProd>PAO</xProd>"
           "<qCom>1</qCom><vProd>6.50</vProd></prod></det><total><ICMSTot><vNF>6.50</vNF>"
           "</ICMSTot></total></infNFe></NFe>";
    std::ofstream("ruim.xml") << "<html/>";
    frame->ImportarXml({"nota.xml", "ruim.xml"});

    ASSERT_EQ(teste::Dialogos::Get().Mensagens().size(), 1u);
    const teste::CaixaMensagem& caixa = teste::Dialogos::Get().Mensagens()[0];
    EXPECT_EQ(caixa.titulo, "Importar XML");
    EXPECT_EQ(caixa.mensagem, L"1 cupons importados, 0 já existentes, 1 recusados");
    EXPECT_TRUE(caixa.estilo & wxICON_WARNING);
    EXPECT_EQ(Coluna(meses, 0), (std::vector<wxString>{"05/2024", "03/2024", "01/2024"}));
}

// The sample files through Ferramentas > "Importar XML…" (the last month's zip) and dropped on
// the window (their folder, with a bad file and a cancellation): the progress dialog names the
// file being read, the box tells the outcome and its details list the refusal and the
// cancellation. Another connection holds the database until the progress dialog was captured,
// so the import cannot end first; pictures of both dialogs go to the screenshot folder.
TEST_F(Dashboard, SampleFilesImportFromTheMenuAndByADrop) {
    servico::OpcoesGerador opcoes;
    opcoes.anos = 1;
    opcoes.cupons_por_mes = 15;
    const nlohmann::json feed = servico::GerarCupons(opcoes);
    servico::EscreverXml(feed, "notas");
    std::ofstream("notas/ruim.xml") << "<html/>";
    const std::string chave = feed[3]["chave_acesso"];
    std::ofstream("notas/cancelamento.xml")
        << "<CFeCanc><infCFe chCanc=\"CFe" << chave << "\"></infCFe></CFeCanc>";
    Abrir();
    frame->Show();

    sqlite3* aberta = nullptr;
    const int rc = sqlite3_open(NomeArquivoBanco("maria").utf8_str(), &aberta);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> conexao(aberta, sqlite3_close);
    ASSERT_EQ(rc, SQLITE_OK);
    sqlite3* const outra = conexao.get();
    std::string prefixo;
    bool progresso = false, resumo = false, ocupado = false, zip_posto = false;
    wxFileDialog* escolha = nullptr;
    wxString detalhes;
    wxTimer relogio;
    relogio.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (ocupado) return;
        ocupado = true;
        // The file chooser runs as it is (it is no top-level window of the toolkit's list): the
        // zip chosen once the chooser has selected it.
        if (escolha && escolha->IsShown()) {
            const wxString zip = wxFileName("notas/2022-12.zip").GetAbsolutePath();
            wxArrayString escolhidos;
            escolha->GetPaths(escolhidos);
            if (escolhidos.size() == 1 && escolhidos[0] == zip) {
                escolha->EndModal(wxID_OK);
                escolha = nullptr;
            } else if (!zip_posto) {
                // The chooser selects it once it has read the folder.
                escolha->SetPath(zip);
                zip_posto = true;
            }
        }
        for (auto* d : teste::JanelasAbertas<wxGenericProgressDialog>()) {
            if (progresso || !d->IsShown() || !d->GetMessage().Contains("notas")) continue;
            teste::SalvarCaptura(d, "xml-progresso-" + prefixo);
            sqlite3_exec(outra, "ROLLBACK", nullptr, nullptr, nullptr);
            progresso = true;
        }
        for (auto* d : teste::JanelasAbertas<wxDialog>()) {
            if (resumo || !d->IsShown() || !dynamic_cast<wxMessageDialogBase*>(d)) continue;
            if (auto* painel = teste::Encontrar<wxCollapsiblePane>(d)) {
                painel->Expand();
                for (wxStaticText* texto : teste::EncontrarTodos<wxStaticText>(painel))
                    detalhes += texto->GetLabel();
                d->Fit();
            }
            teste::SalvarCaptura(d, "xml-resumo-" + prefixo);
            resumo = true;
            d->EndModal(wxID_OK);
        }
        ocupado = false;
    });
    relogio.Start(20);
    const auto importar = [&](const std::string& como, const std::function<void()>& comecar) {
        prefixo = como;
        progresso = resumo = false;
        teste::Dialogos::Get().Limpar();
        // The box shows, for its picture: its own ShowModal and its base's each ask the hook.
        teste::Dialogos::Get().ResponderCom(wxID_NONE);
        teste::Dialogos::Get().ResponderCom(wxID_NONE);
        ASSERT_EQ(sqlite3_exec(outra, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        comecar();
        EXPECT_TRUE(teste::WaitFor([&] { return resumo; }, std::chrono::seconds(60))) << como;
        EXPECT_TRUE(progresso) << como;
    };

    importar("menu", [&] {
        teste::Dialogos::Get().aoAbrirModal = [&escolha](wxDialog* d) {
            escolha = dynamic_cast<wxFileDialog*>(d);
            return static_cast<int>(wxID_NONE);
        };
        teste::EnviarMenu(frame, FrameDashboard::ID_IMPORTAR_XML);
    });
    ASSERT_FALSE(teste::Dialogos::Get().Mensagens().empty());
    EXPECT_EQ(teste::Dialogos::Get().Mensagens().back().mensagem,
              L"15 cupons importados, 0 já existentes, 0 recusados");
    EXPECT_EQ(Coluna(meses, 0).front(), "12/2022");

    importar("soltar", [&] {
        wxArrayString arquivos;
        arquivos.Add(wxFileName::DirName("notas").GetAbsolutePath());
        static_cast<wxFileDropTarget*>(frame->GetDropTarget())->OnDropFiles(0, 0, arquivos);
    });
    ASSERT_FALSE(teste::Dialogos::Get().Mensagens().empty());
    EXPECT_EQ(teste::Dialogos::Get().Mensagens().back().mensagem,
              L"165 cupons importados, 15 já existentes, 1 recusados");
    EXPECT_NE(detalhes.Find("ruim.xml"), wxNOT_FOUND);
    EXPECT_NE(detalhes.Find(wxString::FromUTF8(chave)), wxNOT_FOUND);
    EXPECT_EQ(meses->GetNumberRows(), 12);
    relogio.Stop();
}

TEST_F(Dashboard, NaTelaContextMenuExportsAndEveryGridSuggestsItsCsvFileName) {
    Importar(JaneiroEMarco());
    Abrir();
    frame->Show();
    ASSERT_TRUE(teste::WaitFor([&] { return frame->IsShownOnScreen(); }));
    const std::string pasta = teste::NovaPasta("exportar");
    std::string destino = pasta + "/marco";  // ".csv" gets added; empty: cancel
    std::string some;                        // a folder that goes once it was chosen
    wxString sugerido;
    teste::Dialogos::Get().aoAbrirModal = [&](wxDialog* aberto) {
        auto* dialogo = dynamic_cast<wxFileDialog*>(aberto);
        if (!dialogo) return wxID_NONE;
        EXPECT_TRUE(dialogo->HasFlag(wxFD_OVERWRITE_PROMPT));
        EXPECT_EQ(dialogo->GetWildcard(), L"Planilha brasileira (;)|*.csv|CSV padrão (,)|*.csv");
        EXPECT_EQ(dialogo->GetFilterIndex(), 0);
        sugerido = dialogo->GetFilename();
        if (destino.empty()) {
            teste::ProcessarEventos();  // the file chooser's start-up work, before it goes
            return wxID_CANCEL;
        }
        dialogo->SetPath(destino);  // taken in by the chooser as the events run
        EXPECT_TRUE(teste::WaitFor([&] { return dialogo->GetPath() == destino; }));
        if (!some.empty()) wxRmdir(some);
        return wxID_OK;
    };

    // The open menu runs a loop of its own: a timer takes the picture and picks the third item
    // with the keyboard, as a person would.
    wxTimer escolha;
    escolha.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        teste::SalvarCapturaDaTela(frame->GetScreenRect(), "menu_grade");
        wxUIActionSimulator teclado;
        for (int i = 0; i < 3; ++i) teclado.Char(WXK_DOWN);
        teclado.Char(WXK_RETURN);
    });
    escolha.StartOnce(500);
    wxUIActionSimulator mouse;
    const wxRect celula = cupons->CellToRect(1, 2);
    mouse.MouseMove(cupons->GetGridWindow()->ClientToScreen(celula.GetPosition() + wxPoint(5, 5)));
    mouse.MouseClick(wxMOUSE_BTN_RIGHT);

    const std::string arquivo = pasta + "/marco.csv";
    ASSERT_TRUE(teste::WaitFor([&] { return wxFileExists(arquivo); }));
    EXPECT_EQ(sugerido, "cupons-03-2024.csv");
    auto ler = [](const std::string& caminho) {
        std::ifstream entrada(caminho, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(entrada)), {});
    };
    const std::string csv = ler(arquivo);
    EXPECT_EQ(csv,
              "\xEF\xBB\xBF"
              "Data;Valor;Estabelecimento;Endereço\r\n"
              "15/03/2024;50,0;Padaria;Rua das Acácias, 10\r\n"
              "10/03/2024;20,0;Farmácia;Rua das Acácias, 10\r\n"
              "02/03/2024;100,25;Mercado;Rua das Acácias, 10\r\n");
    EXPECT_EQ(cupons->GetGridCursorRow(), 0);  // the right-click moved nothing

    // A cell written through the grid is exported as it shows.
    auto exportar = [](wxGrid* grid) { EnviarMenu(grid, controles::kIdExportarCsv); };
    cupons->SetCellValue(2, 2, wxString::FromUTF8("Mercado São João"));
    destino = pasta + "/editado.csv";
    exportar(cupons);
    EXPECT_NE(ler(destino).find("02/03/2024;100,25;Mercado São João;"), std::string::npos);

    // "marco" again: the dialog never asked about "marco.csv", so the replacement is asked for,
    // No by default. A folder gone by the time of writing gives the "Erro" box with the reason.
    destino = pasta + "/marco";
    exportar(cupons);
    some = pasta + "/sumiu";
    ASSERT_TRUE(wxMkdir(some));
    destino = some + "/x.csv";
    exportar(cupons);
    const auto& caixas = teste::Dialogos::Get().Mensagens();
    ASSERT_EQ(caixas.size(), 2u);
    EXPECT_EQ(caixas[0].titulo, wxString::FromUTF8("Confirmação"));
    EXPECT_TRUE(caixas[0].estilo & wxNO_DEFAULT);
    EXPECT_EQ(ler(arquivo), csv);
    EXPECT_TRUE(teste::CaixaDeErro(caixas[1]));
    EXPECT_TRUE(caixas[1].mensagem.EndsWith(wxString::FromUTF8(":\na pasta não existe")));

    destino.clear();
    meses->SetGridCursor(1, 0);  // January
    const std::pair<wxGrid*, const char*> grades[] = {
        {meses, "meses.csv"},
        {cupons, "cupons-01-2024.csv"},
        {teste::Encontrar<wxGrid>(new FrameCupom(frame, frame->GetBanco(), 3)),
         "cupom-CFe1003.csv"},
        {(new FramePieChart(frame, "01/2024", frame->GetBanco(), "1,2"))->GetGrid(),
         "produtos-01-2024.csv"},
        {teste::Encontrar<wxGrid>(new FrameTerminalSQL(frame, frame->GetBanco())), "consulta.csv"},
        {(new FrameHistoricoPrecos(frame, frame->GetBanco()))->GetGrid(), "precos.csv"},
    };
    for (const auto& [grid, esperado] : grades) {
        exportar(grid);
        EXPECT_EQ(sugerido, esperado);
    }
}

// On a small screen every window opened from the main one lies wholly inside the work area,
// the price history (1000 x 780 where there is room) included. The test command also runs this
// test alone on a 1024 x 600 screen; on a larger one it has nothing to show.
TEST_F(Dashboard, TelaPequenaJanelasCabemNaAreaDeTrabalho) {
    const wxRect area = wxDisplay(0u).GetClientArea();
    if (area.GetWidth() > 1100 || area.GetHeight() > 700)
        GTEST_SKIP() << "needs a screen of at most 1100 x 700";
    Importar(JaneiroEMarco());
    Abrir();
    frame->Show();
    EnviarMenu(frame, FrameDashboard::ID_HISTORICO_PRECOS);
    EnviarMenu(frame, FrameDashboard::ID_TERMINAL_SQL);
    teste::DuploClique(cupons, 0, 0);
    teste::DuploClique(meses, 0, 0);
    teste::ProcessarEventos(std::chrono::milliseconds(300));
    int janelas = 0;
    for (wxWindow* janela : wxTopLevelWindows) {
        if (janela == frame) continue;
        ++janelas;
        EXPECT_TRUE(area.Contains(janela->GetScreenRect()))
            << janela->GetLabel() << " " << testing::PrintToString(janela->GetScreenRect())
            << " in " << testing::PrintToString(area);
    }
    EXPECT_EQ(janelas, 4);
}
