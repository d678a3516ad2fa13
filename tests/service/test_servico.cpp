// The local receipt service over real HTTPS, with certificate verification on: login, token check,
// receipt request, request recording, canned answers, stopping and restarting.
#include "service/GeradorCupons.h"
#include "service/ServicoLocal.h"
#include "tests/support/ServicoTeste.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

const char* kJson = "application/json; charset=UTF-8";

std::unique_ptr<httplib::SSLClient> Cliente(const servico::ServicoLocal& s) {
    auto cli = std::make_unique<httplib::SSLClient>("127.0.0.1", s.Porta());
    cli->set_ca_cert_path(teste::ServicoTeste::CertDir() + "/ca.pem");
    cli->enable_server_certificate_verification(true);
    cli->set_connection_timeout(5s);
    cli->set_read_timeout(30s);
    return cli;
}

httplib::Result Login(const servico::ServicoLocal& s, const std::string& corpo) {
    return Cliente(s)->Post("/cupom/usuario.php", corpo, kJson);
}

httplib::Result Consulta(const servico::ServicoLocal& s, const std::string& token,
                         const std::string& corpo) {
    return Cliente(s)->Post("/cupom/consulta_cupom.php", {{"secret-key", token}}, corpo, kJson);
}

std::vector<int> Ids(const httplib::Result& r) {
    std::vector<int> ids;
    for (const json& c : json::parse(r->body)) ids.push_back(c["id"]);
    return ids;
}

json Cupom(int id) {
    return {{"id", id}, {"chave_acesso", std::to_string(1000 + id)}};
}

}  // namespace

TEST(ServicoLocal, LoginAnswersKnownUsersOnly) {
    teste::ServicoTeste t;
    auto& s = t.servico();
    s.AdicionarUsuario("maria", "certa");
    s.AdicionarUsuario(u8"jo\u00e3o", u8"s\u00e9nha");

    auto ok = Login(s, R"({"funcao":"login","nome":"maria","senha":"certa"})");
    ASSERT_TRUE(ok) << httplib::to_string(ok.error());
    EXPECT_EQ(ok->status, 200);
    const std::string token = json::parse(ok->body).at("secret");
    EXPECT_EQ(token.size(), 64u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);

    auto de_novo = Login(s, R"({"funcao":"login","nome":"maria","senha":"certa"})");
    ASSERT_TRUE(de_novo);
    EXPECT_NE(json::parse(de_novo->body).at("secret"), token);

    auto acentos = Login(
        s, json{{"funcao", "login"}, {"nome", "jo\xC3\xA3o"}, {"senha", "s\xC3\xA9nha"}}.dump());
    ASSERT_TRUE(acentos);
    EXPECT_EQ(acentos->status, 200);

    for (const char* corpo : {R"({"funcao":"login","nome":"maria","senha":"errada"})",
                              R"({"funcao":"login","nome":"ninguem","senha":"certa"})",
                              R"({"funcao":"login","nome":"maria"})",
                              R"({"funcao":"logout","nome":"maria","senha":"certa"})",
                              R"({"funcao":"login","nome":"maria","senha":null})",
                              R"(["maria","certa"])", "nome=maria&senha=certa", ""}) {
        auto r = Login(s, corpo);
        ASSERT_TRUE(r) << corpo;
        EXPECT_EQ(r->status, 401) << corpo;
        EXPECT_FALSE(json::parse(r->body, nullptr, false).contains("secret")) << corpo;
    }
}

TEST(ServicoLocal, TokenCheckAcceptsIssuedTokensUntilRevoked) {
    teste::ServicoTeste t;
    auto& s = t.servico();
    s.AdicionarUsuario("maria", "certa");
    auto login = Login(s, R"({"funcao":"login","nome":"maria","senha":"certa"})");
    ASSERT_TRUE(login);
    const std::string do_login = json::parse(login->body).at("secret");
    const std::string emitido = s.EmitirToken("outra");

    for (const std::string& token : {do_login, emitido}) {
        auto r = Cliente(s)->Get("/cupom/api.php", {{"secret-key", token}});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
    }
    auto sem = Cliente(s)->Get("/cupom/api.php");
    ASSERT_TRUE(sem);
    EXPECT_EQ(sem->status, 401);
    auto errado = Cliente(s)->Get("/cupom/api.php", {{"secret-key", do_login + "0"}});
    ASSERT_TRUE(errado);
    EXPECT_EQ(errado->status, 401);

    s.RevogarTokens();
    for (const std::string& token : {do_login, emitido}) {
        auto r = Cliente(s)->Get("/cupom/api.php", {{"secret-key", token}});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 401);
    }
}

TEST(ServicoLocal, ReceiptRequestReturnsTheUsersReceiptsAfterTheGivenId) {
    teste::ServicoTeste t;
    auto& s = t.servico();
    // Given out of order on purpose: the service answers in id order.
    s.AdicionarUsuario("maria", "certa",
                       json::array({Cupom(3), Cupom(1), Cupom(5), Cupom(2), Cupom(4)}));
    s.AdicionarUsuario("jose", "x", json::array({Cupom(10)}));
    const std::string maria = s.EmitirToken("maria");

    auto todos = Consulta(s, maria, R"({"ultimo_id":0})");
    ASSERT_TRUE(todos);
    EXPECT_EQ(todos->status, 200);
    EXPECT_EQ(todos->get_header_value("Content-Type").rfind("application/json", 0), 0u);
    EXPECT_EQ(Ids(todos), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(json::parse(todos->body)[0], Cupom(1));  // the receipt exactly as given

    EXPECT_EQ(Ids(Consulta(s, maria, R"({"ultimo_id":3})")), (std::vector<int>{4, 5}));
    EXPECT_EQ(Ids(Consulta(s, maria, R"({"ultimo_id":-7})")), (std::vector<int>{1, 2, 3, 4, 5}));
    auto nada = Consulta(s, maria, R"({"ultimo_id":5})");
    ASSERT_TRUE(nada);
    EXPECT_EQ(nada->status, 200);
    EXPECT_EQ(nada->body, "[]");
    EXPECT_EQ(Consulta(s, maria, R"({"ultimo_id":18446744073709551615})")->body, "[]");

    EXPECT_EQ(Ids(Consulta(s, s.EmitirToken("jose"), R"({"ultimo_id":0})")),
              (std::vector<int>{10}));
    EXPECT_EQ(Consulta(s, s.EmitirToken("sem-cupons"), R"({"ultimo_id":0})")->body, "[]");

    EXPECT_EQ(Consulta(s, "falso", R"({"ultimo_id":0})")->status, 401);
    EXPECT_EQ(Consulta(s, "falso", "lixo")->status, 401);  // the token is checked first
    for (const char* corpo : {"", "lixo", "{}", R"({"ultimo_id":"3"})", R"({"ultimo_id":1.5})",
                              R"({"ultimo_id":null})", "[0]", "3"}) {
        auto r = Consulta(s, maria, corpo);
        ASSERT_TRUE(r) << corpo;
        EXPECT_EQ(r->status, 400) << corpo;
    }
}

TEST(ServicoLocal, RecordsEveryRequestWithLowerCaseHeaderNames) {
    teste::ServicoTeste t;
    auto& s = t.servico();
    EXPECT_TRUE(s.Requisicoes().empty());
    auto cli = Cliente(s);
    ASSERT_TRUE(cli->Post("/cupom/consulta_cupom.php", {{"Secret-Key", "abc"}, {"X-Outro", "1"}},
                          R"({"ultimo_id":0})", kJson));
    auto desconhecido = cli->Get("/outro/caminho?x=1");
    ASSERT_TRUE(desconhecido);
    EXPECT_EQ(desconhecido->status, 404);

    const auto reqs = s.Requisicoes();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].metodo, "POST");
    EXPECT_EQ(reqs[0].caminho, "/cupom/consulta_cupom.php");
    EXPECT_EQ(reqs[0].corpo, R"({"ultimo_id":0})");
    ASSERT_EQ(reqs[0].cabecalhos.count("secret-key"), 1u);
    EXPECT_EQ(reqs[0].cabecalhos.find("secret-key")->second, "abc");
    EXPECT_EQ(reqs[0].cabecalhos.find("x-outro")->second, "1");
    EXPECT_EQ(reqs[0].cabecalhos.find("content-type")->second, kJson);
    for (const auto& [nome, valor] : reqs[0].cabecalhos) {
        EXPECT_EQ(nome.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << nome;
    }
    EXPECT_EQ(reqs[1].metodo, "GET");
    EXPECT_EQ(reqs[1].caminho, "/outro/caminho");
    EXPECT_TRUE(reqs[1].corpo.empty());

    s.LimparRequisicoes();
    EXPECT_TRUE(s.Requisicoes().empty());
}

TEST(ServicoLocal, CannedAnswersReplaceOnePathUntilRemoved) {
    teste::ServicoTeste t;
    auto& s = t.servico();
    const std::string token = s.EmitirToken("maria");
    s.DefinirRespostaFixa("/cupom/api.php",
                          servico::RespostaFixa{503, "<html>manutencao</html>", "text/html"});

    auto fixa = Cliente(s)->Get("/cupom/api.php", {{"secret-key", token}});
    ASSERT_TRUE(fixa);
    EXPECT_EQ(fixa->status, 503);
    EXPECT_EQ(fixa->body, "<html>manutencao</html>");
    EXPECT_EQ(fixa->get_header_value("Content-Type"), "text/html");
    EXPECT_EQ(Consulta(s, token, R"({"ultimo_id":0})")->status, 200);  // other paths as usual
    EXPECT_EQ(s.Requisicoes().size(), 2u);  // canned answers are recorded too

    // A delayed answer arrives after its delay.
    s.DefinirRespostaFixa("/cupom/api.php",
                          servico::RespostaFixa{200, "tarde", "text/plain", 300ms});
    const auto inicio = std::chrono::steady_clock::now();
    auto tarde = Cliente(s)->Get("/cupom/api.php");
    ASSERT_TRUE(tarde);
    EXPECT_EQ(tarde->body, "tarde");
    EXPECT_GE(std::chrono::steady_clock::now() - inicio, 300ms);

    // A dripped body arrives whole, slowly.
    servico::RespostaFixa gotas{200, "0123456789abcdefghij", "text/plain"};
    gotas.gotejamento = 30ms;
    gotas.bytes_por_gota = 4;
    s.DefinirRespostaFixa("/cupom/api.php", gotas);
    const auto inicio_gotas = std::chrono::steady_clock::now();
    auto gotejada = Cliente(s)->Get("/cupom/api.php");
    ASSERT_TRUE(gotejada);
    EXPECT_EQ(gotejada->body, "0123456789abcdefghij");
    EXPECT_GE(std::chrono::steady_clock::now() - inicio_gotas, 120ms);  // 5 blocks, 4 pauses

    s.DefinirRespostaFixa("/cupom/api.php", std::nullopt);
    auto normal = Cliente(s)->Get("/cupom/api.php", {{"secret-key", token}});
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->status, 200);
}

TEST(ServicoLocal, StoppingCutsALongDelayShortAndRestartKeepsPortAndState) {
    servico::ServicoLocal s({teste::ServicoTeste::CertDir() + "/server.pem",
                             teste::ServicoTeste::CertDir() + "/server.key"});
    ASSERT_TRUE(s.Iniciar());
    const int porta = s.Porta();
    EXPECT_GT(porta, 0);
    EXPECT_EQ(s.UrlBase(), "https://127.0.0.1:" + std::to_string(porta));
    s.AdicionarUsuario("maria", "certa", json::array({Cupom(1)}));
    const std::string token = s.EmitirToken("maria");

    s.DefinirRespostaFixa("/cupom/api.php",
                          servico::RespostaFixa{200, "{}", "application/json", 60s});
    auto pendente =
        std::async(std::launch::async, [&] { return Cliente(s)->Get("/cupom/api.php"); });
    for (int i = 0; i < 500 && s.Requisicoes().empty(); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(s.Requisicoes().size(), 1u);
    const auto inicio = std::chrono::steady_clock::now();
    s.Parar();
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, 3s);
    ASSERT_EQ(pendente.wait_for(5s), std::future_status::ready);
    pendente.get();

    ASSERT_TRUE(s.Iniciar());
    EXPECT_EQ(s.Porta(), porta);
    EXPECT_EQ(Ids(Consulta(s, token, R"({"ultimo_id":0})")), (std::vector<int>{1}));
    s.Parar();
    s.Parar();  // stopping twice is harmless
}

TEST(ServicoLocal, CannotStartWithoutCertificateOrOnABusyPort) {
    servico::ServicoLocal sem_cert({"/nao/existe.pem", "/nao/existe.key"});
    EXPECT_FALSE(sem_cert.Iniciar());

    teste::ServicoTeste t;
    servico::ServicoLocal ocupado({teste::ServicoTeste::CertDir() + "/server.pem",
                                   teste::ServicoTeste::CertDir() + "/server.key", "127.0.0.1",
                                   t.servico().Porta()});
    EXPECT_FALSE(ocupado.Iniciar());
}

TEST(ServicoLocal, LargeGeneratedFeedIsServedWholeAndQuickly) {
    servico::OpcoesGerador opcoes;
    opcoes.anos = 2;
    opcoes.cupons_por_mes = 250;  // 6000 receipts, about 150 000 items
    json feed = servico::GerarCupons(opcoes);
    ASSERT_EQ(feed.size(), 6000u);
    const std::string primeiro = feed.front().dump(), ultimo = feed.back().dump();

    teste::ServicoTeste t;
    t.servico().AdicionarUsuario("grande", "x", std::move(feed));
    const std::string token = t.servico().EmitirToken("grande");

    const auto inicio = std::chrono::steady_clock::now();
    auto r = Consulta(t.servico(), token, R"({"ultimo_id":0})");
    const auto duracao = std::chrono::steady_clock::now() - inicio;
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200);
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    constexpr auto kLimite = 30s;  // instrumented copies are many times slower
#else
    constexpr auto kLimite = 10s;  // generous for a shared, loaded machine
#endif
    EXPECT_LT(duracao, kLimite) << r->body.size() << " bytes";
    // Parsing the whole reply would dominate the test in debug builds; the ends and the number
    // of keys show that every receipt came, in order.
    EXPECT_EQ(r->body.rfind("[" + primeiro + ",", 0), 0u);
    ASSERT_GT(r->body.size(), ultimo.size() + 1);
    EXPECT_EQ(r->body.substr(r->body.size() - ultimo.size() - 1), ultimo + "]");
    std::size_t chaves = 0;
    for (auto pos = r->body.find("\"chave_acesso\":"); pos != std::string::npos;
         pos = r->body.find("\"chave_acesso\":", pos + 1)) {
        ++chaves;
    }
    EXPECT_EQ(chaves, 6000u);

    auto final = Consulta(t.servico(), token, R"({"ultimo_id":5999})");
    ASSERT_TRUE(final);
    EXPECT_EQ(final->body, "[" + ultimo + "]");
}

TEST(ServicoTeste, PointsTheProgramAtTheServiceAndRestoresTheEnvironment) {
    setenv("CUPOM_SERVICE_URL", "https://antes.example", 1);
    unsetenv("SSL_CERT_FILE");
    {
        teste::ServicoTeste t;
        EXPECT_EQ(std::string(std::getenv("CUPOM_SERVICE_URL")), t.url());
        EXPECT_EQ(t.url(), t.servico().UrlBase());
        EXPECT_EQ(std::string(std::getenv("SSL_CERT_FILE")),
                  teste::ServicoTeste::CertDir() + "/ca.pem");
        // The test certificate verifies against the test CA for 127.0.0.1.
        auto r = Cliente(t.servico())->Get("/cupom/api.php");
        ASSERT_TRUE(r) << httplib::to_string(r.error());
        EXPECT_EQ(r->status, 401);
    }
    EXPECT_EQ(std::string(std::getenv("CUPOM_SERVICE_URL")), "https://antes.example");
    EXPECT_EQ(std::getenv("SSL_CERT_FILE"), nullptr);
}
