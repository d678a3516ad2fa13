// The SQL terminal on a real database file: the structure tree, running the editor's text with
// F5, the error box, the editor's colouring, a result too large for per-cell strings, and
// statements that run long: cancelled, cut at the row limit, or outlived by the main window.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/splitter.h>
#include <wx/stc/stc.h>
#include <wx/timer.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "db/BancoDados.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/GuiTest.h"
#include "ui/FrameTerminalSQL.h"

using namespace std::chrono_literals;

namespace {

using teste::Cabecalhos;
const std::vector<wxString> Nenhuma;

std::vector<wxString> Filhos(wxTreeCtrl* arvore, const wxTreeItemId& item) {
    std::vector<wxString> textos;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId filho = arvore->GetFirstChild(item, cookie); filho.IsOk();
         filho = arvore->GetNextChild(item, cookie))
        textos.push_back(arvore->GetItemText(filho));
    return textos;
}

wxTreeItemId Filho(wxTreeCtrl* arvore, const wxTreeItemId& item, const wxString& texto) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId filho = arvore->GetFirstChild(item, cookie); filho.IsOk();
         filho = arvore->GetNextChild(item, cookie))
        if (arvore->GetItemText(filho) == texto) return filho;
    return {};
}

// Every test works on a fresh database file in a folder of its own.
class TerminalTest : public teste::BancoTeste {
protected:
    void SetUp() override {
        BancoTeste::SetUp();
        teste::Dialogos::Get().Limpar();
    }

    void InserirCupons() {
        Executar(
            "INSERT INTO cupom(data_hora_emissao, numero_cfe, chave_acesso, valor_total, "
            "obs_cupom, id_zelkari) VALUES "
            "('20240105101500', '101', 'CHAVE-1', 12.5, '', 7), "
            "('20240210183000', '102', 'CHAVE-2', 30, '', 8), "
            "('20240301090000', '103', 'CHAVE-3', 4.25, '', 9)");
    }

    void Abrir() {
        janela = frame = new FrameTerminalSQL(nullptr, banco.get());
        arvore = teste::Encontrar<wxTreeCtrl>(frame);
        editor = teste::Encontrar<wxStyledTextCtrl>(frame);
        grid = teste::Encontrar<wxGrid>(frame);
        ASSERT_TRUE(arvore && editor && grid);
    }

    // Runs the editor's text as the F5 accelerator does, through the frame's command event.
    void F5(const wxString& sql) {
        editor->SetText(sql);
        teste::EnviarMenu(frame, FrameTerminalSQL::ID_EXECUTAR);
    }

    const std::vector<teste::CaixaMensagem>& Caixas() { return teste::Dialogos::Get().Mensagens(); }

    FrameTerminalSQL* frame = nullptr;
    wxTreeCtrl* arvore = nullptr;
    wxStyledTextCtrl* editor = nullptr;
    wxGrid* grid = nullptr;
};

TEST_F(TerminalTest, JanelaTemAsTresAreasNosSplitters) {
    Abrir();
    EXPECT_EQ(frame->GetTitle(), "Terminal SQL");
    EXPECT_FALSE(frame->IsShown());

    auto* externo = dynamic_cast<wxSplitterWindow*>(frame->FindWindow("splitter"));
    ASSERT_NE(externo, nullptr);
    EXPECT_EQ(externo->GetParent(), frame);
    EXPECT_TRUE(teste::SplitterPadrao(externo, wxSPLIT_HORIZONTAL));
    EXPECT_EQ(externo->GetWindow2(), grid);
    auto* painel = dynamic_cast<wxPanel*>(externo->GetWindow1());
    ASSERT_NE(painel, nullptr);
    auto* interno = dynamic_cast<wxSplitterWindow*>(painel->FindWindow("splitter"));
    ASSERT_NE(interno, nullptr);
    EXPECT_TRUE(teste::SplitterPadrao(interno, wxSPLIT_VERTICAL));
    EXPECT_EQ(interno->GetWindow1(), arvore);
    EXPECT_EQ(interno->GetWindow2(), editor);

    frame->SetSize(1000, 700);
    frame->Show();
    teste::WaitFor([&] { return frame->IsShownOnScreen(); }, 2000ms);
    teste::ProcessarEventos(100ms);
    EXPECT_EQ(externo->GetSashPosition(), 150);
    EXPECT_EQ(interno->GetSashPosition(), 250);

    EXPECT_EQ(grid->GetNumberRows(), 20);
    EXPECT_EQ(grid->GetNumberCols(), 5);
    EXPECT_EQ(grid->GetSelectionMode(), wxGrid::wxGridSelectCells);
    EXPECT_EQ(grid->GetDefaultColSize(), 120);
    EXPECT_TRUE(editor->GetText().empty());
}

TEST_F(TerminalTest, ArvoreMostraTabelasColunasETipos) {
    // A table whose name holds a quote, and a column without a declared type.
    Executar("CREATE TABLE \"it's\" (a, b INTEGER)");
    Abrir();

    const wxTreeItemId raiz = arvore->GetRootItem();
    ASSERT_TRUE(raiz.IsOk());
    EXPECT_EQ(arvore->GetItemText(raiz), "Estrutura dos dados");
    EXPECT_TRUE(arvore->IsExpanded(raiz));
    EXPECT_EQ(Filhos(arvore, raiz),
              (std::vector<wxString>{"cupom", "cupom_item", "emitente", "it's"}));

    const std::vector<std::pair<wxString, std::vector<std::pair<wxString, wxString>>>> esperado = {
        {"cupom",
         {{"id", "INTEGER"},
          {"data_hora_emissao", "TEXT"},
          {"numero_cfe", "TEXT"},
          {"numero_serie_sat", "TEXT"},
          {"chave_acesso", "TEXT"},
          {"valor_total", "REAL"},
          {"total_tributos", "REAL"},
          {"obs_cupom", "TEXT"},
          {"obs_inf", "TEXT"},
          {"cnpj_emitente", "TEXT"},
          {"cpf_consumidor", "TEXT"},
          {"razao_social_consumidor", "TEXT"},
          {"enviado", "INTEGER"},
          {"url_consulta", "TEXT"},
          {"id_zelkari", "INTEGER"}}},
        {"cupom_item",
         {{"id", "INTEGER"},
          {"id_cupom", "INTEGER"},
          {"seq", "INTEGER"},
          {"codigo", "TEXT"},
          {"descricao", "TEXT"},
          {"qtde", "REAL"},
          {"un", "TEXT"},
          {"valor_unit", "REAL"},
          {"tributos", "REAL"},
          {"valor_total", "REAL"},
          {"desconto", "REAL"}}},
        {"emitente",
         {{"cnpj", "TEXT"},
          {"ie", "TEXT"},
          {"im", "TEXT"},
          {"nome", "TEXT"},
          {"fantasia", "TEXT"},
          {"endereco", "TEXT"},
          {"bairro", "TEXT"},
          {"cep", "TEXT"},
          {"municipio", "TEXT"}}},
        {"it's", {{"a", ""}, {"b", "INTEGER"}}},
    };

    for (const auto& [tabela, campos] : esperado) {
        SCOPED_TRACE(tabela.ToStdString());
        const wxTreeItemId item = Filho(arvore, raiz, tabela);
        ASSERT_TRUE(item.IsOk());
        EXPECT_FALSE(arvore->IsExpanded(item));
        std::vector<wxString> nomes;
        for (const auto& campo : campos) nomes.push_back(campo.first);
        EXPECT_EQ(Filhos(arvore, item), nomes);
        for (const auto& [nome, tipo] : campos) {
            const wxTreeItemId coluna = Filho(arvore, item, nome);
            ASSERT_TRUE(coluna.IsOk());
            EXPECT_EQ(Filhos(arvore, coluna), std::vector<wxString>{tipo}) << nome;
        }
    }
}

TEST_F(TerminalTest, TeclaF5ExecutaConsultaNaGrade) {
    InserirCupons();
    Abrir();
    frame->SetSize(1000, 700);
    frame->Show();
    frame->Raise();
    ASSERT_TRUE(teste::WaitFor([&] { return frame->IsShownOnScreen(); }, 2000ms));
    editor->SetText("SELECT * FROM cupom ORDER BY id");

    // A real F5 key press on the focused editor, through the X server.
    wxUIActionSimulator simulador;
    const wxRect area = editor->GetScreenRect();
    simulador.MouseMove(area.GetLeft() + area.width / 2, area.GetTop() + area.height / 2);
    simulador.MouseClick();
    editor->SetFocus();
    ASSERT_TRUE(teste::WaitFor([&] { return wxWindow::FindFocus() == editor; }, 2000ms));
    simulador.Char(WXK_F5);
    ASSERT_TRUE(teste::WaitFor([&] { return grid->GetNumberCols() == 15; }, 3000ms))
        << "F5 did not run the editor's text";

    EXPECT_TRUE(Caixas().empty());
    const std::vector<wxString> colunas = {
        "id",           "data_hora_emissao", "numero_cfe",     "numero_serie_sat",
        "chave_acesso", "valor_total",       "total_tributos", "obs_cupom",
        "obs_inf",      "cnpj_emitente",     "cpf_consumidor", "razao_social_consumidor",
        "enviado",      "url_consulta",      "id_zelkari"};
    EXPECT_EQ(Cabecalhos(grid), colunas);
    ASSERT_EQ(grid->GetNumberRows(), 3);
    EXPECT_EQ(grid->GetCellValue(0, 0), "1");
    EXPECT_EQ(grid->GetCellValue(0, 1), "20240105101500");
    EXPECT_EQ(grid->GetCellValue(0, 4), "CHAVE-1");
    EXPECT_EQ(grid->GetCellValue(0, 5), "12.5");
    EXPECT_EQ(grid->GetCellValue(1, 5), "30.0");
    EXPECT_EQ(grid->GetCellValue(2, 2), "103");
    EXPECT_EQ(grid->GetCellValue(2, 6), "");  // NULL
    EXPECT_EQ(grid->GetCellValue(2, 12), "0");
    EXPECT_EQ(grid->GetCellValue(2, 14), "9");

    // The editor keeps its text between runs.
    EXPECT_EQ(editor->GetText(), "SELECT * FROM cupom ORDER BY id");

    teste::SalvarCaptura(frame, "terminal_sql");

    // F5 also runs while the result grid, which takes all keys, has the focus.
    editor->SetText("SELECT id FROM cupom WHERE id > 1");
    const wxRect celulas = grid->GetGridWindow()->GetScreenRect();
    simulador.MouseMove(celulas.GetLeft() + 10, celulas.GetTop() + 10);
    simulador.MouseClick();
    grid->SetFocus();
    ASSERT_TRUE(teste::WaitFor([&] { return wxWindow::FindFocus() != editor; }, 2000ms));
    simulador.Char(WXK_F5);
    ASSERT_TRUE(teste::WaitFor([&] { return grid->GetNumberCols() == 1; }, 3000ms));
    EXPECT_EQ(grid->GetNumberRows(), 2);
    EXPECT_TRUE(Caixas().empty());
}

TEST_F(TerminalTest, SoAPrimeiraInstrucaoRodaEAlteracaoMostraContagem) {
    InserirCupons();
    Abrir();

    F5("SELECT numero_cfe FROM cupom WHERE id = 2; DELETE FROM cupom");
    EXPECT_EQ(Cabecalhos(grid), std::vector<wxString>{"numero_cfe"});
    ASSERT_EQ(grid->GetNumberRows(), 1);
    EXPECT_EQ(grid->GetCellValue(0, 0), "102");

    F5("UPDATE cupom SET obs_cupom = 'visto'; DELETE FROM cupom;");
    EXPECT_EQ(Cabecalhos(grid), std::vector<wxString>{"registros afetados"});
    ASSERT_EQ(grid->GetNumberRows(), 1);
    EXPECT_EQ(grid->GetCellValue(0, 0), "3");

    Registro r;
    banco->ConsultarRegistro("SELECT count(*) AS n, min(obs_cupom) AS obs FROM cupom", r);
    EXPECT_EQ(r["n"], "3");  // the DELETE after the semicolon never ran
    EXPECT_EQ(r["obs"], "visto");

    F5("DELETE FROM cupom WHERE id > 1");
    EXPECT_EQ(Cabecalhos(grid), std::vector<wxString>{"registros afetados"});
    EXPECT_EQ(grid->GetCellValue(0, 0), "2");
    EXPECT_TRUE(Caixas().empty());
}

TEST_F(TerminalTest, ErroDePreparoMostraCaixaEMantemResultado) {
    InserirCupons();
    Abrir();
    F5("SELECT id, chave_acesso FROM cupom ORDER BY id");
    ASSERT_EQ(grid->GetNumberRows(), 3);

    F5("SELEC * FROM cupom");
    ASSERT_EQ(Caixas().size(), 1u);
    const teste::CaixaMensagem& caixa = Caixas()[0];
    EXPECT_TRUE(caixa.mensagem.StartsWith("Erro ao preparar consulta: ")) << caixa.mensagem;
    EXPECT_TRUE(caixa.mensagem.EndsWith("!")) << caixa.mensagem;
    EXPECT_NE(caixa.mensagem.Find("syntax error"), wxNOT_FOUND) << caixa.mensagem;
    EXPECT_TRUE(teste::CaixaDeErro(caixa));

    // The previous result stays.
    EXPECT_EQ(Cabecalhos(grid), (std::vector<wxString>{"id", "chave_acesso"}));
    ASSERT_EQ(grid->GetNumberRows(), 3);
    EXPECT_EQ(grid->GetCellValue(2, 1), "CHAVE-3");

    // A table that does not exist is refused the same way.
    F5("SELECT * FROM nao_existe");
    ASSERT_EQ(Caixas().size(), 2u);
    EXPECT_NE(Caixas()[1].mensagem.Find("no such table: nao_existe"), wxNOT_FOUND);
    EXPECT_EQ(grid->GetNumberRows(), 3);
}

TEST_F(TerminalTest, SemInstrucaoEsvaziaGradeEErroAoExecutarMostraCaixa) {
    InserirCupons();
    Abrir();

    for (const wxString& texto : {wxString(""), wxString("   \n\t "),
                                  wxString::FromUTF8("-- só um comentário\n/* e outro */  ")}) {
        SCOPED_TRACE(texto.utf8_str().data());
        F5("SELECT * FROM cupom");
        ASSERT_EQ(grid->GetNumberRows(), 3);
        F5(texto);
        EXPECT_EQ(grid->GetNumberCols(), 0);
        EXPECT_EQ(grid->GetNumberRows(), 0);
        EXPECT_TRUE(Caixas().empty());
    }

    // Errors while the statement runs show the box, and the rows read before them. The lock is
    // another program's write transaction, outwaited for SQLite's busy timeout (3 s).
    const char* kFalhaNaTerceira =
        "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 5) "
        "SELECT CASE WHEN x < 3 THEN x ELSE abs(-9223372036854775807 - 1) END AS v FROM n";
    sqlite3* outro = nullptr;
    ASSERT_EQ(sqlite3_open(NomeArquivoBanco(usuario).utf8_str(), &outro), SQLITE_OK);
    const std::pair<const char*, const char*> casos[] = {
        {"INSERT INTO cupom(chave_acesso) VALUES ('CHAVE-2')",
         "UNIQUE constraint failed: cupom.chave_acesso"},
        {"ROLLBACK", "cannot rollback - no transaction is active"},
        {kFalhaNaTerceira, "integer overflow"},
        {"BEGIN IMMEDIATE", nullptr},  // on the other connection
        {"DELETE FROM cupom", "database is locked"},
    };
    for (const auto& [sql, erro] : casos) {
        SCOPED_TRACE(sql);
        if (!erro) {
            ASSERT_EQ(sqlite3_exec(outro, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            continue;
        }
        teste::Dialogos::Get().Limpar();
        F5("SELECT * FROM cupom");
        F5(sql);
        ASSERT_EQ(Caixas().size(), 1u);
        EXPECT_EQ(Caixas()[0].mensagem, wxString::Format("Erro ao ler consulta: %s!", erro));
        EXPECT_TRUE(teste::CaixaDeErro(Caixas()[0]));
        const std::vector<wxString> lidas = {"1", "2"};
        EXPECT_EQ(teste::Coluna(grid, 0), (sql == kFalhaNaTerceira ? lidas : Nenhuma));
    }
    sqlite3_close(outro);  // ends its transaction
    Registro r;
    banco->ConsultarRegistro("SELECT count(*) AS n FROM cupom", r);
    EXPECT_EQ(r["n"], "3");
}

// Past half a second a statement gets a dialog whose "Cancelar" stops it, with the window's events
// turning meanwhile; the rows read stay, and a write stopped half-way leaves nothing behind.
TEST_F(TerminalTest, ConsultaDemoradaCanceladaNoDialogo) {
    InserirCupons();
    Abrir();
    int batidas = 0;
    wxTimer relogio(frame);
    frame->Bind(wxEVT_TIMER, [&](wxTimerEvent&) { ++batidas; });
    relogio.Start(20);
    const wxString sem_fim = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) ";
    for (const wxString& sql : {sem_fim + "SELECT x FROM c WHERE x % 100000 = 1",
                                "INSERT INTO cupom(chave_acesso) " + sem_fim + "SELECT x FROM c"}) {
        SCOPED_TRACE(sql.ToStdString());
        teste::Dialogos::Get().Limpar();
        teste::Dialogos::Get().aoAbrirModal = [&](wxDialog* dialogo) {
            dialogo->CallAfter([&, dialogo] {
                ASSERT_TRUE(teste::WaitFor([&] { return dialogo->IsShownOnScreen(); }, 3000ms));
                const int antes = batidas;
                ASSERT_TRUE(teste::WaitFor([&] { return batidas > antes; }, 3000ms));
                teste::SalvarCaptura(dialogo, "terminal_sql_executando");
                auto* botao = teste::Encontrar<wxButton>(dialogo);
                ASSERT_TRUE(botao && botao->GetLabel() == "Cancelar");
                teste::Clicar(botao);
            });
            return wxID_NONE;
        };
        F5(sql);
        ASSERT_EQ(Caixas().size(), 1u);
        EXPECT_EQ(Caixas()[0].mensagem, "Erro ao ler consulta: interrupted!");
        if (sql.StartsWith("WITH")) {
            EXPECT_EQ(grid->GetCellValue(0, 0), "1");
        }
    }
    EXPECT_TRUE(teste::JanelasAbertas<wxDialog>().empty());
    EXPECT_FALSE(banco->TransacaoAberta());
    F5("SELECT count(*) FROM cupom");
    EXPECT_EQ(teste::Coluna(grid, 0), std::vector<wxString>{"3"});
}

// The main window destroyed while a statement runs in its terminal: first the database it owns,
// then its windows.
TEST_F(TerminalTest, JanelaPrincipalDestruidaDuranteConsulta) {
    auto* principal = new wxFrame(nullptr, wxID_ANY, "principal");
    auto* terminal = new FrameTerminalSQL(principal, banco.get());
    teste::Dialogos::Get().aoAbrirModal = [&](wxDialog* dialogo) {
        dialogo->CallAfter([&] {
            banco.reset();
            principal->Destroy();
        });
        return wxID_NONE;
    };
    teste::Encontrar<wxStyledTextCtrl>(terminal)->SetText(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT max(x) FROM c");
    teste::EnviarMenu(terminal, FrameTerminalSQL::ID_EXECUTAR);
    EXPECT_TRUE(Caixas().empty());
    EXPECT_TRUE(teste::WaitFor([] { return wxTopLevelWindows.empty(); }));
}

// Reading stops at the row limit when a row lies beyond it, with a box that says so: the real
// limit, but under sanitizers, where five million rows take minutes.
TEST_F(TerminalTest, LeituraParaNoLimiteDeLinhas) {
    Abrir();
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    frame->SetLimiteLinhas(20000);
    const std::pair<int, const char*> limite{20000, "20.000"};
#else
    const std::pair<int, const char*> limite{FrameTerminalSQL::kLimiteLinhas, "5.000.000"};
#endif
    const wxString sql =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT x FROM c";
    F5(sql);
    ASSERT_EQ(grid->GetNumberRows(), limite.first);
    EXPECT_EQ(grid->GetCellValue(limite.first - 1, 0), wxString::Format("%d", limite.first));
    ASSERT_EQ(Caixas().size(), 1u);
    EXPECT_EQ(Caixas()[0].mensagem, wxString::Format(L"A leitura parou em %s linhas; as demais "
                                                     L"não foram lidas.",
                                                     limite.second));
    EXPECT_EQ(Caixas()[0].titulo, L"Informação");
    EXPECT_TRUE(Caixas()[0].estilo & wxICON_INFORMATION);
    F5(sql + wxString::Format(" LIMIT %d", limite.first));
    EXPECT_EQ(grid->GetNumberRows(), limite.first);
    EXPECT_EQ(Caixas().size(), 1u);
}

TEST_F(TerminalTest, EditorColoreSQL) {
    Abrir();
    EXPECT_EQ(editor->GetLexer(), wxSTC_LEX_SQL);
    EXPECT_EQ(editor->GetMarginType(0), wxSTC_MARGIN_NUMBER);
    EXPECT_EQ(editor->GetMarginWidth(0), 40);

    const wxString texto =
        "select 42, 'abc', \"def\", nome FROM emitente -- linha\n"
        "/* bloco */ /** doc */ WHERE x IS NOT NULL";
    editor->SetText(texto);
    editor->Colourise(0, -1);
    auto estilo = [&](const char* trecho) {
        const int pos = texto.Find(trecho);
        EXPECT_NE(pos, wxNOT_FOUND) << trecho;
        return editor->GetStyleAt(pos + 1);
    };
    EXPECT_EQ(estilo("select"), wxSTC_SQL_WORD);
    EXPECT_EQ(estilo("FROM"), wxSTC_SQL_WORD);  // upper case matches the lower-case list
    EXPECT_EQ(estilo("NULL"), wxSTC_SQL_WORD);
    EXPECT_EQ(estilo("42"), wxSTC_SQL_NUMBER);
    EXPECT_EQ(estilo("'abc'"), wxSTC_SQL_CHARACTER);
    EXPECT_EQ(estilo("\"def\""), wxSTC_SQL_STRING);
    EXPECT_EQ(estilo("-- linha"), wxSTC_SQL_COMMENTLINE);
    EXPECT_EQ(estilo("/* bloco"), wxSTC_SQL_COMMENT);
    EXPECT_EQ(estilo("/** doc"), wxSTC_SQL_COMMENTDOC);
    EXPECT_EQ(estilo("nome"), wxSTC_SQL_IDENTIFIER);

    struct Esperado {
        int estilo;
        wxColour cor;
        bool negrito;
        bool italico;
    };
    const Esperado esperados[] = {
        {wxSTC_STYLE_DEFAULT, wxColour(30, 30, 30), false, false},
        {wxSTC_SQL_DEFAULT, wxColour(30, 30, 30), false, false},
        {wxSTC_SQL_COMMENT, wxColour(0, 150, 0), false, true},
        {wxSTC_SQL_COMMENTLINE, wxColour(0, 150, 0), false, true},
        {wxSTC_SQL_COMMENTDOC, wxColour(0, 130, 0), false, false},
        {wxSTC_SQL_NUMBER, wxColour(255, 100, 0), false, false},
        {wxSTC_SQL_WORD, wxColour(0, 0, 200), true, false},
        {wxSTC_SQL_STRING, wxColour(160, 32, 240), false, false},
        {wxSTC_SQL_CHARACTER, wxColour(160, 32, 240), false, false},
        {wxSTC_SQL_OPERATOR, wxColour(30, 30, 30), false, false},
        {wxSTC_SQL_IDENTIFIER, wxColour(30, 30, 30), false, false},
    };
    const wxString face = editor->StyleGetFaceName(wxSTC_STYLE_DEFAULT);
    EXPECT_FALSE(face.empty());
    for (const Esperado& e : esperados) {
        SCOPED_TRACE(e.estilo);
        const wxColour cor = editor->StyleGetForeground(e.estilo);
        EXPECT_EQ(cor.GetRGB(), e.cor.GetRGB());
        EXPECT_EQ(cor.Alpha(), wxALPHA_OPAQUE);
        EXPECT_EQ(editor->StyleGetBold(e.estilo), e.negrito);
        EXPECT_EQ(editor->StyleGetItalic(e.estilo), e.italico);
        EXPECT_EQ(editor->StyleGetSize(e.estilo), 11);
        EXPECT_EQ(editor->StyleGetFaceName(e.estilo), face);
        EXPECT_TRUE(editor->StyleGetFont(e.estilo).IsFixedWidth());
    }
}

TEST_F(TerminalTest, ResultadoGrandeApareceSemDemora) {
    constexpr int kItens = 100000;
    Executar(wxString::Format(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %d) "
        "INSERT INTO cupom_item(id_cupom, seq, codigo, descricao, qtde, un, valor_unit, tributos, "
        "valor_total, desconto) SELECT i / 20 + 1, i %% 20, 'P' || (i %% 500), "
        "'PRODUTO ' || (i %% 500), 1.5, 'UN', 2.25, 0.1, 3.375, 0 FROM n",
        kItens));
    Abrir();
    frame->SetSize(1000, 700);
    frame->Show();
    ASSERT_TRUE(teste::WaitFor([&] { return frame->IsShownOnScreen(); }, 2000ms));

    const auto inicio = std::chrono::steady_clock::now();
    F5("SELECT * FROM cupom_item");
    teste::ProcessarEventos(20ms);
    const auto duracao = std::chrono::steady_clock::now() - inicio;

    EXPECT_TRUE(Caixas().empty());
    ASSERT_EQ(grid->GetNumberRows(), kItens);
    EXPECT_EQ(grid->GetNumberCols(), 11);
    EXPECT_EQ(grid->GetCellValue(kItens - 1, 0), wxString::Format("%d", kItens));
    EXPECT_EQ(grid->GetCellValue(kItens - 1, 4), "PRODUTO 0");
    // Rows come from the database layer's compact table, not from one string per cell.
    EXPECT_EQ(dynamic_cast<wxGridStringTable*>(grid->GetTable()), nullptr);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(duracao).count();
    RecordProperty("duracao_ms", static_cast<int>(ms));
    EXPECT_LT(ms, 5000);

    // The window still answers: scrolling to the last row and a smaller query run normally.
    grid->MakeCellVisible(kItens - 1, 0);
    teste::ProcessarEventos(50ms);
    F5("SELECT count(*) FROM cupom_item");
    EXPECT_EQ(grid->GetNumberRows(), 1);
    EXPECT_EQ(grid->GetCellValue(0, 0), wxString::Format("%d", kItens));
}

}  // namespace
