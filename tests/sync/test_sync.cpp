// The synchronisation dialog against the local receipt service over real HTTPS: the request it
// sends, the log and the outcome a person sees, cancellation, and closing the dialog mid-run.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/stc/stc.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "db/BancoDados.h"
#include "service/GeradorCupons.h"
#include "sync/FrameSincronizar.h"
#include "sync/LeituraFeed.h"
#include "tests/support/DialogoSincronizar.h"
#include "tests/support/GuiTest.h"
#include "tests/support/LoginTeste.h"
#include "tests/support/ServicoTeste.h"
#include "xmlfiscal/ImportacaoXml.h"

using namespace std::chrono_literals;
using nlohmann::json;

namespace {

constexpr const char* kCaminhoCupons = "/cupom/consulta_cupom.php";

using teste::Clicar;
using teste::Habilitado;
using teste::Mensagens;
using teste::TextoDoLog;

long long ContarCupons(BancoDados& banco) {
    Registro linha;
    banco.ConsultarRegistro("SELECT count(*) AS n FROM cupom", linha);
    long long n = -1;
    linha["n"].ToLongLong(&n);
    return n;
}

// The log line the import writes for a stored receipt.
wxString LinhaDoCupom(const json& cupom) {
    return wxString::Format("%d\t%s\t%s\n", cupom["id"].get<int>(),
                            wxString::FromUTF8(cupom["data_hora_emissao"].get<std::string>()),
                            wxString::FromUTF8(cupom["emitente"]["nome"].get<std::string>()));
}

json Feed(int cupons_por_mes, int anos = 1) {
    servico::OpcoesGerador opcoes;
    opcoes.anos = anos;
    opcoes.cupons_por_mes = cupons_por_mes;
    return servico::GerarCupons(opcoes);
}

class SincronizarTeste : public ::testing::Test {
protected:
    void SetUp() override { teste::Dialogos::Get().Limpar(); }

    void TearDown() override {
        dialogo.reset();
        banco.reset();
        teste::Dialogos::Get().Limpar();
    }

    // A user of the service whose receipts are `feed`, logged in through the settings store as
    // the program leaves it after a login, and that user's (new) database.
    void Entrar(const json& feed) {
        usuario = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        servico.servico().AdicionarUsuario(usuario, "senha", feed);
        teste::GravarLogin({wxString(), wxString::FromUTF8(usuario),
                            wxString::FromUTF8(servico.servico().EmitirToken(usuario))});
        banco = std::make_unique<BancoDados>();
    }

    FrameSincronizar& AbrirDialogo() {
        dialogo = std::make_unique<FrameSincronizar>(nullptr, banco.get());
        dialogo->Show();
        return *dialogo;
    }

    void RespostaFixa(int status, std::string corpo, std::string tipo = "application/json",
                      std::chrono::milliseconds atraso = 0ms) {
        servico::RespostaFixa fixa;
        fixa.status = status;
        fixa.corpo = std::move(corpo);
        fixa.content_type = std::move(tipo);
        fixa.atraso = atraso;
        servico.servico().DefinirRespostaFixa(kCaminhoCupons, fixa);
    }

    std::vector<servico::RequisicaoRecebida> PedidosDeCupons() const {
        std::vector<servico::RequisicaoRecebida> pedidos;
        for (auto& r : servico.servico().Requisicoes()) {
            if (r.caminho == kCaminhoCupons) pedidos.push_back(std::move(r));
        }
        return pedidos;
    }

    // Clicks "Processar" and waits for the run's message box (long bound: imports under the
    // thread sanitizer are slow; the wait ends as soon as the box is there).
    const teste::CaixaMensagem& Sincronizar(std::size_t caixas_antes = 0) {
        Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
        const bool chegou = teste::WaitFor([&] { return Mensagens().size() > caixas_antes; }, 120s);
        EXPECT_TRUE(chegou) << "no message box after the run";
        static const teste::CaixaMensagem nenhuma;
        return chegou ? Mensagens().back() : nenhuma;
    }

    // Declared first so that it outlives the dialog and the database.
    mutable teste::ServicoTeste servico;
    std::string usuario;
    std::unique_ptr<BancoDados> banco;
    std::unique_ptr<FrameSincronizar> dialogo;
};

TEST_F(SincronizarTeste, RequestCarriesTokenAndLastStoredIdAndLogShowsEveryReceiptInOrder) {
    const json feed = Feed(25);  // 300 receipts, ids 1..300
    Entrar(feed);
    AbrirDialogo();

    const auto& caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem, L"Processamento concluído.");
    EXPECT_EQ(caixa.titulo, L"Concluído");
    EXPECT_EQ(caixa.estilo & (wxOK | wxICON_INFORMATION | wxICON_EXCLAMATION),
              wxOK | wxICON_INFORMATION);

    auto pedidos = PedidosDeCupons();
    ASSERT_EQ(pedidos.size(), 1u);
    EXPECT_EQ(pedidos[0].metodo, "POST");
    EXPECT_EQ(pedidos[0].corpo, R"({"ultimo_id":0})");
    const auto cabecalho = [&](const char* nome) {
        auto it = pedidos[0].cabecalhos.find(nome);
        return it == pedidos[0].cabecalhos.end() ? std::string("<none>") : it->second;
    };
    EXPECT_EQ(cabecalho("accept"), "application/json");
    EXPECT_EQ(cabecalho("content-type"), "application/json; charset=UTF-8");
    EXPECT_EQ(wxString::FromUTF8(cabecalho("secret-key")), teste::LerLogin().token);

    // The log, exactly: lines batched on their way to the window keep their order.
    const std::size_t bytes = dialogo->UltimaExecucao().bytes;
    wxString esperado = L"Processo iniciado.\n";
    esperado += wxString::Format("JSON baixado com sucesso: %zu bytes.\n", bytes);
    esperado += L"Parser JSON concluído.\nForam carregados 300 cupons.\n";
    for (const json& cupom : feed) esperado += LinhaDoCupom(cupom);
    esperado += L"Foram adicionados 300 cupons.\nProcesso concluído.\n";
    EXPECT_EQ(TextoDoLog(*dialogo), esperado);
    EXPECT_EQ(ContarCupons(*banco), 300);
    EXPECT_TRUE(Habilitado(*dialogo, FrameSincronizar::ID_PROCESSAR));
    EXPECT_FALSE(Habilitado(*dialogo, FrameSincronizar::ID_CANCELAR));
    teste::SalvarCaptura(dialogo.get(), "sincronizar_concluido");

    // The second run asks only for what comes after the largest stored id.
    const auto& segunda = Sincronizar(1);
    EXPECT_EQ(segunda.mensagem, L"Processamento concluído.");
    pedidos = PedidosDeCupons();
    ASSERT_EQ(pedidos.size(), 2u);
    EXPECT_EQ(pedidos[1].corpo, R"({"ultimo_id":300})");
    EXPECT_EQ(ContarCupons(*banco), 300);
}

TEST_F(SincronizarTeste, EmptyReplyLogsEachStepAndReportsSuccess) {
    Entrar(json::array());
    RespostaFixa(200, "[]");
    AbrirDialogo();

    const auto& caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem, L"Processamento concluído.");
    EXPECT_EQ(caixa.titulo, L"Concluído");
    EXPECT_EQ(TextoDoLog(*dialogo), wxString(L"Processo iniciado.\n"
                                             L"JSON baixado com sucesso: 2 bytes.\n"
                                             L"Parser JSON concluído.\n"
                                             L"Foram carregados 0 cupons.\n"
                                             L"Foram adicionados 0 cupons.\n"
                                             L"Processo concluído.\n"));
}

TEST_F(SincronizarTeste, HtmlPageOrHttpErrorIsReportedAndStoresNothing) {
    Entrar(Feed(2));
    AbrirDialogo();

    const std::string html = "<!DOCTYPE html><html><body>Manutenção</body></html>";
    RespostaFixa(200, html, "text/html; charset=UTF-8");
    const auto& invalido = Sincronizar();
    EXPECT_TRUE(invalido.mensagem.StartsWith(L"JSON inválido: ")) << invalido.mensagem;
    EXPECT_GT(invalido.mensagem.length(), wxString(L"JSON inválido: ").length());
    EXPECT_EQ(invalido.titulo, "Processamento");
    EXPECT_EQ(invalido.estilo & (wxOK | wxICON_INFORMATION | wxICON_EXCLAMATION),
              wxOK | wxICON_EXCLAMATION);
    EXPECT_EQ(TextoDoLog(*dialogo),
              wxString::Format("Processo iniciado.\nJSON baixado com sucesso: %zu bytes.\n",
                               html.size()));

    // Statuses of 400 and above and redirects (never followed, even with a feed in their body)
    // are failed downloads; the dialog is ready again after each.
    // The box stays as it was; the log line before it gives the reason.
    std::size_t caixas = Mensagens().size();
    const std::pair<int, const wchar_t*> falhas[] = {
        {401, L"o serviço recusou o acesso (HTTP 401): faça o login de novo"},
        {500, L"o serviço respondeu com um erro (HTTP 500)"},
        {301, L"o serviço respondeu com um redirecionamento (HTTP 301), que não é seguido"},
        {307, L"o serviço respondeu com um redirecionamento (HTTP 307), que não é seguido"}};
    for (const auto& [status, motivo] : falhas) {
        RespostaFixa(status, status < 400 ? "[]" : R"({"erro":"x"})");
        const auto& falha = Sincronizar(caixas++);
        EXPECT_EQ(falha.mensagem, L"Erro ao baixar o JSON.") << "status " << status;
        EXPECT_EQ(falha.titulo, "Processamento");
        EXPECT_TRUE(TextoDoLog(*dialogo).EndsWith(
            wxString(L"Processo iniciado.\nNão foi possível baixar o JSON: ") + motivo + ".\n"))
            << TextoDoLog(*dialogo);
    }
    EXPECT_EQ(ContarCupons(*banco), 0);
}

// Replies refused whole before anything is stored, each with its reason: a NUL byte (which the
// library would take for the end of the text), and elements that are not receipts, refused
// where they stand.
TEST_F(SincronizarTeste, NulOrElementsThatAreNotReceiptsRefuseTheReply) {
    Entrar(json::array());
    AbrirDialogo();
    const std::string cupom = Feed(1)[0].dump();
    std::string zeros = "[0";
    for (int i = 0; i < 200'000; ++i) zeros += ",0";
    const std::pair<std::string, const wchar_t*> casos[] = {
        {"[" + cupom + "]" + std::string(1, '\0') + "GARBAGE{{{",
         L"JSON inválido: byte nulo na posição "},
        {zeros + "]",
         L"Erro: a resposta não é uma lista de cupons: o elemento 1 é um número, "
         L"não um objeto."},
        // A byte-order mark sends the reply past the quick pass to the library's own reading.
        {"\xef\xbb\xbf[" + cupom + ",\"x\"]",
         L"Erro: a resposta não é uma lista de cupons: o elemento 2 é um texto, não um objeto."},
    };
    std::size_t caixas = 0;
    for (const auto& [corpo, mensagem] : casos) {
        RespostaFixa(200, corpo);
        const auto& caixa = Sincronizar(caixas++);
        EXPECT_TRUE(caixa.mensagem.StartsWith(mensagem)) << caixa.mensagem;
    }
    EXPECT_EQ(ContarCupons(*banco), 0);
}

// A transaction left open in the SQL terminal is the person's: no synchronisation starts inside
// it, nothing is asked of the service, and the transaction stays open for its COMMIT or ROLLBACK.
TEST_F(SincronizarTeste, OpenTransactionOfTheTerminalKeepsTheRunFromStarting) {
    Entrar(Feed(1));
    Registro r;
    banco->ConsultarRegistro("BEGIN", r);
    banco->ConsultarRegistro("INSERT INTO emitente(cnpj) VALUES('do terminal')", r);
    AbrirDialogo();

    const wxString motivo = wxString::FromUTF8(kErroTransacaoAberta);
    const auto& caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem, motivo);
    EXPECT_EQ(caixa.titulo, "Processamento");
    EXPECT_EQ(TextoDoLog(*dialogo), L"Processo iniciado.\n" + motivo + "\n");
    EXPECT_TRUE(PedidosDeCupons().empty());
    EXPECT_TRUE(banco->TransacaoAberta());

    banco->ConsultarRegistro("ROLLBACK", r);
    EXPECT_EQ(banco->GetErro(), "");
    EXPECT_EQ(Sincronizar(1).mensagem, L"Processamento concluído.");
    EXPECT_EQ(ContarCupons(*banco), 12);
    banco->ConsultarRegistro("SELECT count(*) AS n FROM emitente WHERE cnpj = 'do terminal'", r);
    EXPECT_EQ(r["n"], "0");
}

// A receipt the service sends again, or renumbered, is skipped with a line; its id moves the
// cursor, so the next run asks past it instead of failing on it for good.
TEST_F(SincronizarTeste, ReceiptSentAgainIsSkippedAndTheCursorMovesPastIt) {
    json feed = Feed(1);
    Entrar(feed);
    AbrirDialogo();
    ASSERT_EQ(Sincronizar().mensagem, L"Processamento concluído.");

    // One receipt the service sends again, one that came in from a fiscal XML file first.
    const std::string chave_do_arquivo = "35240311222333000181650010000045671123456785";
    std::ofstream("nota.xml") << "<NFe><infNFe Id=\"NFe" << chave_do_arquivo
                              << "\"><ide><dhEmi>2024-03-10T18:30:00-03:00</dhEmi></ide><emit>"
                                 "<CNPJ>11222333000181</CNPJ></emit><total><ICMSTot><vNF>6.50"
                                 "</vNF></ICMSTot></total></infNFe></NFe>";
    ASSERT_EQ(xmlfiscal::ImportarXml(*banco, {"nota.xml"}, [](const std::string&) { return true; })
                  .importados,
              1);
    json reenviado = feed[3];
    reenviado["id"] = 40;
    json do_arquivo = feed[4];
    do_arquivo["id"] = 41;
    do_arquivo["chave_acesso"] = chave_do_arquivo;
    RespostaFixa(200, json::array({reenviado, do_arquivo}).dump());
    EXPECT_EQ(Sincronizar(1).mensagem, L"Processamento concluído.");
    EXPECT_NE(TextoDoLog(*dialogo).Find(L"40\tjá existente, pulando\n"), wxNOT_FOUND);
    EXPECT_NE(TextoDoLog(*dialogo).Find(L"41\tjá existente, pulando\n"), wxNOT_FOUND);
    EXPECT_EQ(ContarCupons(*banco), 13);

    RespostaFixa(200, "[]");
    Sincronizar(2);
    const auto pedidos = PedidosDeCupons();
    ASSERT_EQ(pedidos.size(), 3u);
    EXPECT_EQ(pedidos[2].corpo, R"({"ultimo_id":41})");
}

// libcurl hands a chunked reply's trailers to the header callback once the body is complete,
// while the reply is being read on another thread: a Content-Length among them must not resize
// the body under that thread (the thread sanitizer runs this test).
TEST_F(SincronizarTeste, ContentLengthInATrailerLeavesTheReplyAlone) {
    const json feed = Feed(20, 2);  // about 2 MB: read in several passes while it downloads
    Entrar(feed);
    servico::RespostaFixa fixa;
    fixa.corpo = feed.dump();
    fixa.trailers = "Content-Length: 200000000\r\n";
    servico.servico().DefinirRespostaFixa(kCaminhoCupons, fixa);
    AbrirDialogo();
    EXPECT_EQ(Sincronizar().mensagem, L"Processamento concluído.");
    EXPECT_EQ(ContarCupons(*banco), static_cast<long long>(feed.size()));
    EXPECT_EQ(dialogo->UltimaExecucao().bytes, fixa.corpo.size());
}

TEST_F(SincronizarTeste, WrongValueTypeInThirdReceiptKeepsNothingOfTheRun) {
    json feed = Feed(1);
    feed[2]["valor_total"] = "12.50";
    Entrar(feed);
    AbrirDialogo();

    const auto& caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem,
              wxString::Format(L"Erro: O cupom %d tem um valor de tipo errado no campo "
                               L"\"valor_total\": devia ser um número, mas é um texto.",
                               feed[2]["id"].get<int>()));
    EXPECT_EQ(caixa.titulo, "Processamento");
    // The two receipts before the faulty one were reported, then rolled back with the run.
    const wxString log = TextoDoLog(*dialogo);
    EXPECT_NE(log.Find(LinhaDoCupom(feed[1])), wxNOT_FOUND);
    EXPECT_EQ(log.Find(LinhaDoCupom(feed[3])), wxNOT_FOUND);
    EXPECT_EQ(ContarCupons(*banco), 0);

    dialogo.reset();
    banco = std::make_unique<BancoDados>();
    EXPECT_EQ(ContarCupons(*banco), 0);
}

TEST_F(SincronizarTeste, CancelDuringImportStopsAfterCurrentReceiptAndKeepsStoredOnes) {
    // 3,600 receipts: an import of a few hundred milliseconds, so that the cancel of a loaded
    // machine still lands before its end.
    const json feed = Feed(50, 6);
    Entrar(feed);
    AbrirDialogo();

    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    EXPECT_FALSE(Habilitado(*dialogo, FrameSincronizar::ID_PROCESSAR));
    EXPECT_TRUE(Habilitado(*dialogo, FrameSincronizar::ID_CANCELAR));
    // Cancel as soon as the first stored receipt shows in the log.
    const bool cancelou = teste::WaitFor(
        [&] {
            if (TextoDoLog(*dialogo).Find(LinhaDoCupom(feed[0])) == wxNOT_FOUND) return false;
            Clicar(*dialogo, FrameSincronizar::ID_CANCELAR);
            return true;
        },
        120s);
    ASSERT_TRUE(cancelou);
    EXPECT_FALSE(Habilitado(*dialogo, FrameSincronizar::ID_CANCELAR));
    ASSERT_TRUE(teste::WaitFor([] { return !Mensagens().empty(); }, 60s));
    EXPECT_EQ(Mensagens().back().mensagem, L"Operação cancelada.");
    EXPECT_EQ(Mensagens().back().titulo, "Processamento");

    // Every receipt reported in the log is stored, and nothing after it.
    const wxString log = TextoDoLog(*dialogo);
    EXPECT_EQ(log.Find("Foram adicionados"), wxNOT_FOUND);
    EXPECT_EQ(log.Find(L"Processo concluído."), wxNOT_FOUND);
    std::size_t reportados = 0;
    while (reportados < feed.size() && log.Find(LinhaDoCupom(feed[reportados])) != wxNOT_FOUND) {
        ++reportados;
    }
    ASSERT_GT(reportados, 0u);
    ASSERT_LT(reportados, feed.size()) << "the import ended before the cancel arrived";
    EXPECT_TRUE(log.EndsWith(LinhaDoCupom(feed[reportados - 1])));
    EXPECT_EQ(ContarCupons(*banco), static_cast<long long>(reportados));
    EXPECT_TRUE(Habilitado(*dialogo, FrameSincronizar::ID_PROCESSAR));
    EXPECT_FALSE(dialogo->EmExecucao());

    // They survive closing the database, and the next run continues after them.
    dialogo.reset();
    banco = std::make_unique<BancoDados>();
    EXPECT_EQ(ContarCupons(*banco), static_cast<long long>(reportados));
    AbrirDialogo();
    EXPECT_EQ(Sincronizar(1).mensagem, L"Processamento concluído.");
    EXPECT_EQ(PedidosDeCupons().back().corpo,
              json({{"ultimo_id", feed[reportados - 1]["id"]}}).dump());
    EXPECT_EQ(ContarCupons(*banco), static_cast<long long>(feed.size()));
}

TEST_F(SincronizarTeste, ProcessarDuringARunIsIgnored) {
    Entrar(json::array());
    RespostaFixa(200, "[]", "application/json", 700ms);
    AbrirDialogo();

    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    ASSERT_TRUE(teste::WaitFor([&] { return PedidosDeCupons().size() == 1; }, 10s));
    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    ASSERT_TRUE(teste::WaitFor([] { return !Mensagens().empty(); }, 30s));

    EXPECT_EQ(Mensagens().size(), 1u);
    EXPECT_EQ(Mensagens()[0].mensagem, L"Processamento concluído.");
    EXPECT_EQ(PedidosDeCupons().size(), 1u);
    const wxString log = TextoDoLog(*dialogo);
    EXPECT_EQ(log.Find("Processo iniciado."), log.rfind("Processo iniciado."));

    // "Cancelar" between runs does nothing either.
    Clicar(*dialogo, FrameSincronizar::ID_CANCELAR);
    EXPECT_EQ(Sincronizar(1).mensagem, L"Processamento concluído.");
}

// A reply whose last receipt lies below the others: stopped half-way, the run would leave it
// below the cursor for good, so it keeps nothing.
TEST_F(SincronizarTeste, CancelledRunWithAReceiptBelowTheCursorKeepsNothing) {
    json feed = Feed(50, 6);
    for (std::size_t i = 0; i < feed.size(); ++i) feed[i]["id"] = i + 2;
    feed.back()["id"] = 1;
    Entrar(json::array());
    RespostaFixa(200, feed.dump(), "application/json");
    AbrirDialogo();

    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    ASSERT_TRUE(teste::WaitFor(
        [&] {
            if (TextoDoLog(*dialogo).Find(LinhaDoCupom(feed[0])) == wxNOT_FOUND) return false;
            Clicar(*dialogo, FrameSincronizar::ID_CANCELAR);
            return true;
        },
        120s));
    ASSERT_TRUE(teste::WaitFor([] { return !Mensagens().empty(); }, 60s));
    EXPECT_EQ(Mensagens().back().mensagem, L"Operação cancelada.");
    EXPECT_EQ(TextoDoLog(*dialogo).Find("Foram adicionados"), wxNOT_FOUND);
    EXPECT_EQ(ContarCupons(*banco), 0);
}

TEST_F(SincronizarTeste, CancelDuringSlowDownloadStopsTheTransfer) {
    Entrar(json::array());
    RespostaFixa(200, "[]", "application/json", 60s);
    AbrirDialogo();

    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    ASSERT_TRUE(teste::WaitFor([&] { return PedidosDeCupons().size() == 1; }, 10s));
    const auto inicio = std::chrono::steady_clock::now();
    Clicar(*dialogo, FrameSincronizar::ID_CANCELAR);
    ASSERT_TRUE(teste::WaitFor([] { return !Mensagens().empty(); }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, 2s);
    EXPECT_EQ(Mensagens()[0].mensagem, L"Operação cancelada.");
    EXPECT_EQ(TextoDoLog(*dialogo), L"Processo iniciado.\n");
}

// The main window's use: a modal dialog on the stack, closed by the person during a download
// that would take a minute.
TEST_F(SincronizarTeste, ClosingDuringSlowDownloadReturnsAtOnceWithoutABox) {
    Entrar(json::array());
    RespostaFixa(200, "[]", "application/json", 60s);

    bool fechou_durante_execucao = false;
    std::chrono::steady_clock::time_point fim_modal;
    {
        FrameSincronizar dialogo_modal(nullptr, banco.get());
        const auto limite = std::chrono::steady_clock::now() + 20s;
        int passo = 0;
        wxTimer roteiro;
        roteiro.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            if (passo == 0) {
                passo = 1;
                Clicar(dialogo_modal, FrameSincronizar::ID_PROCESSAR);
            } else if (passo == 1 && (PedidosDeCupons().size() == 1 ||
                                      std::chrono::steady_clock::now() > limite)) {
                passo = 2;
                fechou_durante_execucao = dialogo_modal.EmExecucao();
                dialogo_modal.Close();
            }
        });
        roteiro.Start(20);
        dialogo_modal.ShowModal();
        roteiro.Stop();
        fim_modal = std::chrono::steady_clock::now();
    }
    const auto espera = std::chrono::steady_clock::now() - fim_modal;
    EXPECT_TRUE(fechou_durante_execucao);
    EXPECT_EQ(PedidosDeCupons().size(), 1u);
    EXPECT_LT(espera, 2s) << "the dialog waited out the download";

    teste::ProcessarEventos(300ms);
    EXPECT_TRUE(Mensagens().empty())
        << "a box for a closed dialog: " << Mensagens().front().mensagem.utf8_str();
}

// Between the end of the modal loop and the dialog's destruction the caller may let events run
// (the main window reloads); a run that ends then writes its log but shows no box.
TEST_F(SincronizarTeste, RunEndingAfterTheDialogClosedShowsNoBox) {
    Entrar(json::array());
    RespostaFixa(200, "[]", "application/json", 300ms);

    FrameSincronizar dialogo_modal(nullptr, banco.get());
    wxTimer roteiro;
    roteiro.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        Clicar(dialogo_modal, FrameSincronizar::ID_PROCESSAR);
        dialogo_modal.Close();
    });
    roteiro.StartOnce(20);
    dialogo_modal.ShowModal();
    // What GTK does when the display maps a dialog that was hidden before it was mapped: the
    // toolkit counts it as shown again, though it is not on screen.
    dialogo_modal.wxWindowBase::Show(true);

    ASSERT_TRUE(teste::WaitFor([&] { return !dialogo_modal.EmExecucao(); }, 30s));
    EXPECT_TRUE(TextoDoLog(dialogo_modal).EndsWith(L"Processo concluído.\n"));
    EXPECT_TRUE(Mensagens().empty());
}

// Destroying the dialog while the import runs: the destructor stops it at the next receipt, keeps
// what was stored, and the queued lines and outcome never run.
TEST_F(SincronizarTeste, DestroyingDuringImportStopsItAndKeepsCompleteReceipts) {
    const json feed = Feed(50, 6);  // long enough an import for a loaded machine
    Entrar(feed);
    AbrirDialogo();

    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    ASSERT_TRUE(teste::WaitFor(
        [&] { return TextoDoLog(*dialogo).Find(LinhaDoCupom(feed[0])) != wxNOT_FOUND; }, 120s));
    // The run is stopped after the receipt in hand; the rest of the feed is skipped over for its
    // ids. The run's thread works at a lower priority, so on a loaded machine that work waits
    // for a core, and much longer in the instrumented copies.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    constexpr auto kLimite = 20s;
#else
    constexpr auto kLimite = 2s;
#endif
    const auto inicio = std::chrono::steady_clock::now();
    dialogo.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, kLimite);
    teste::ProcessarEventos(200ms);
    EXPECT_TRUE(Mensagens().empty());

    const long long guardados = ContarCupons(*banco);
    EXPECT_GT(guardados, 0);
    EXPECT_LT(guardados, static_cast<long long>(feed.size()));
    banco = std::make_unique<BancoDados>();
    EXPECT_EQ(ContarCupons(*banco), guardados);
}

// The reading of a reply beside the library. A text the quick pass takes, the library parses, and
// the reader builds each element of its top-level array as the library does, numbers of the same
// kind included; a text that is not JSON, whose array holds anything but objects, or that the
// pass cannot be sure of (a byte-order mark, a NUL after the value, a number at the edge of the
// double range), is left to the library. A service's feed takes the quick way.
TEST(LeituraFeed, LeituraRapidaIgualAADaBiblioteca) {
    const std::pair<std::string, bool> casos[] = {
        {Feed(2).dump(), true},
        {"[]", true},
        {" [ {\"n\": 1 , \"t\":\"a\\u00e9\\ud83d\\ude00\\\"\\/\\b\\f\\n\\r\\t\\u0000\xc3\xa9\"} "
         "]\n",
         true},
        {R"([{"k":[null,true,false],"k":{"a":[]},"b":{}}, {"l":[[[]]]}])", true},
        {"[{\"n\":[-0, 0, -0.0, 1.5e3, 2E-2, 18446744073709551615, 18446744073709551616, "
         "-9223372036854775808, -9223372036854775809]}]",
         true},
        // Receipts are objects: an element of another kind refuses the feed where it stands.
        {"[{}, 1]", false},
        {"[[{}]]", false},
        {R"({"b":1,"a":2})", true},
        {"[1,]", false},
        {"[01]", false},
        {"[1]x", false},
        {R"(["\ud800"])", false},
        {R"(["\udc00\ud800"])", false},
        {"[\"\xed\xa0\x80\"]", false},
        {"[\"\xc3\"]", false},
        {"[\"\x1f\"]", false},
        {"\xef\xbb\xbf[1]", false},
        {std::string("[1]\0[", 5), false},
        {"[1e999]", false},
        {"", false},
        {"[1, 2 ,[3]\n,x]", false},
        {"[1,2,3", false},
    };
    // The same index from a text that arrives in pieces: whatever beginning of it was read first,
    // and over a large feed read piece by piece as it grows.
    const auto em_partes = [](std::string_view texto, std::size_t primeira, std::size_t passo) {
        feed::IndexadorParcial parcial;
        for (std::size_t n = primeira; n < texto.size(); n += passo)
            parcial.Avancar(texto.substr(0, n));
        return parcial.Concluir(texto);
    };
    const std::string grande = Feed(10, 2).dump();  // about a megabyte: several passes
    EXPECT_TRUE(em_partes(grande, 1, 4096) == feed::Indexar(grande));
    EXPECT_FALSE(em_partes(grande.substr(0, grande.size() - 1), 1, 4096));
    {
        // The same, read by a thread of its own while the pieces come and the reply moves as it
        // grows.
        feed::IndexacaoDoDownload indexacao;
        std::string corpo;
        for (std::size_t i = 0; i < grande.size(); i += 1000)
            indexacao.Receber(corpo, grande.data() + i,
                              std::min<std::size_t>(1000, grande.size() - i));
        EXPECT_EQ(corpo, grande);
        EXPECT_TRUE(indexacao.Concluir(corpo) == feed::Indexar(grande));
    }
    for (const auto& [texto, aceito] : casos) {
        const auto indice = feed::Indexar(texto);
        EXPECT_EQ(indice.has_value(), aceito) << texto;
        for (std::size_t n = 0; n <= texto.size(); n += 1 + texto.size() / 400)
            EXPECT_TRUE(em_partes(texto, n, texto.size() + 1) == indice) << n << " " << texto;
        if (!indice) continue;
        const json documento = json::parse(texto);
        ASSERT_EQ(indice->lista, documento.is_array()) << texto;
        if (!indice->lista) continue;
        feed::Leitor<json> leitor(texto, *indice, feed::ConstruirElemento);
        json elemento;
        std::size_t i = 0;
        for (; leitor.Proximo(elemento); ++i) {
            ASSERT_LT(i, documento.size()) << texto;
            EXPECT_EQ(elemento.dump(), documento[i].dump()) << texto;
        }
        EXPECT_EQ(i, documento.size()) << texto;
    }
}

// A receipt read straight from its text stores what reading it as a document stores, whatever its
// members' order, escapes, nulls, numbers (-0, integers as reals) and unknown members; anything
// but a plain receipt (a value of another type, a member named twice or with an escape in its
// name, a missing member, an id out of range) is left to the document's reading.
TEST(LeituraFeed, CupomLidoDoTextoIgualAoDoDocumento) {
    const json servico = Feed(1)[0];
    const auto com = [&](const char* chave, json valor) {
        json cupom = servico;
        cupom[chave] = std::move(valor);
        return cupom.dump();
    };
    json linha_incompleta = servico;
    linha_incompleta["itens"][0].erase("un");
    const std::pair<std::string, bool> casos[] = {
        {servico.dump(), true},
        {com("obs_cupom", "a\"\\/\n\u00e9\U0001F600"), true},
        {com("url_consulta", nullptr), true},
        {com("valor_total", 18446744073709551615ULL), true},
        {com("extra", json::parse(R"({"a":["}",{"b":"\\\""}],"c":-1.5e-3})")), true},
        {com("itens", json::array()), true},
        {com("itens", nullptr), true},
        {R"({"chave_acesso":null,"id":-0})", true},
        {R"({"id":1,"chave_acesso":"k","data_hora_emissao":"d","numero_cfe":"","numero_serie_sat":"s",)"
         R"("valor_total":-0,"total_tributos":-0.0,"emitente":{"cnpj":"1","ie":"","im":"","nome":"N",)"
         R"("fantasia":"","endereco":"","bairro":"","cep":"","municipio":"","cnpj2":1},)"
         R"("itens":[{"codigo":"c","descricao":"d\u0000","qtde":1E2,"un":"u","valor_unit":-0,)"
         R"("tributos":2,"valor_total":0.5,"desconto":-0.0}]})",
         true},
        {com("valor_total", "1"), false},
        {com("id", 1.0), false},
        {com("id", 2147483648LL), false},
        {com("emitente", json::object()), false},
        {com("itens", json::object()), false},
        {linha_incompleta.dump(), false},
        {R"({"id":1,"id":2,"chave_acesso":null})", false},
        {R"({"i\u0064":1,"chave_acesso":null})", false},
        {R"({"id":1,"chave_acesso":"k"})", false},
        {"[1]", false},
    };
    for (const auto& [texto, direto] : casos) {
        CupomLido lido;
        ASSERT_EQ(feed::LerCupom(texto, lido), direto) << texto;
        // A stopped import's quick look at the rest: the same id and key, or the whole way.
        CupomLido so_id;
        if (feed::LerId(texto, so_id)) {
            const json documento = json::parse(texto);
            EXPECT_EQ(so_id.id, documento["id"].get<int>()) << texto;
            EXPECT_EQ(so_id.sem_chave, documento.value("chave_acesso", json()).is_null()) << texto;
            EXPECT_TRUE(so_id.linhas.empty() && so_id.chave_acesso.empty()) << texto;
        } else {
            EXPECT_FALSE(direto) << texto;
        }
        if (!direto) continue;
        CupomLido pelo_documento = LerCupom(json::parse(texto));
        EXPECT_TRUE(MesmosValores(lido, pelo_documento)) << texto;
    }
}

}  // namespace
