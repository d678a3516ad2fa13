// The stored login and the two service calls, against the local service over real HTTPS.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "account/Sessao.h"
#include "tests/support/LoginTeste.h"
#include "tests/support/ServicoTeste.h"
#include "tests/support/TestEnvironment.h"
#include "web/WebSync.h"

using namespace std::chrono_literals;

namespace {

std::filesystem::path ArquivoConfiguracao() {
    return std::filesystem::path(teste::PastaTemporaria()) / ".CupomZelkariDashboard";
}

std::string CorpoDoUltimoLogin(servico::ServicoLocal& s) {
    auto reqs = s.Requisicoes();
    EXPECT_FALSE(reqs.empty());
    return reqs.empty() ? std::string() : reqs.back().corpo;
}

}  // namespace

TEST(Sessao, NothingStoredMeansNoTokenAndNoRequest) {
    teste::ServicoTeste servico;
    Sessao sessao(true);
    EXPECT_TRUE(sessao.GetUsuario().empty());
    EXPECT_TRUE(sessao.GetToken().empty());
    EXPECT_FALSE(sessao.ValidarToken());
    EXPECT_TRUE(servico.servico().Requisicoes().empty());
}

TEST(Sessao, LoginSendsCompactUtf8JsonAndStoresTheSessionPrivately) {
    teste::ServicoTeste servico;
    servico.servico().AdicionarUsuario("abc", "");
    servico.servico().AdicionarUsuario(" João \"Zé\" ", "ação");

    Sessao vazio(false);
    ASSERT_TRUE(vazio.Login("abc", ""));
    EXPECT_EQ(CorpoDoUltimoLogin(servico.servico()),
              R"({"funcao":"login","nome":"abc","senha":""})");
    const auto req = servico.servico().Requisicoes().back();
    EXPECT_EQ(req.metodo, "POST");
    EXPECT_EQ(req.caminho, "/cupom/usuario.php");
    EXPECT_EQ(req.cabecalhos.find("content-type")->second, "application/json; charset=UTF-8");
    EXPECT_EQ(req.cabecalhos.count("secret-key"), 0u);

    const wxString nome = wxString::FromUTF8(" João \"Zé\" ");
    Sessao sessao(false);
    ASSERT_TRUE(sessao.Login(nome, wxString::FromUTF8("ação")));
    EXPECT_EQ(CorpoDoUltimoLogin(servico.servico()),
              "{\"funcao\":\"login\",\"nome\":\" João \\\"Zé\\\" \",\"senha\":\"ação\"}");

    const teste::LoginGravado g = teste::LerLogin();
    EXPECT_EQ(g.usuario, nome);  // as typed, blanks included
    EXPECT_FALSE(g.token.empty());
    EXPECT_EQ(g.token, sessao.GetToken());
    EXPECT_EQ(g.id, g.token);
    struct stat st {};
    ASSERT_EQ(stat(ArquivoConfiguracao().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A new session reads what the login stored, and the service accepts it.
    Sessao depois(true);
    EXPECT_EQ(depois.GetUsuario(), nome);
    EXPECT_TRUE(depois.ValidarToken());
    const auto check = servico.servico().Requisicoes().back();
    EXPECT_EQ(check.metodo, "GET");
    EXPECT_EQ(check.caminho, "/cupom/api.php");
    EXPECT_EQ(wxString::FromUTF8(check.cabecalhos.find("secret-key")->second), g.token);
}

// Stored texts read back byte for byte: no environment variable expanded, no backslash or quote
// lost, the blanks around them kept.
TEST(Sessao, StoredTextsReadBackExactlyAsTyped) {
    for (const char* texto :
         {"x$HOME", "${HOME}", "%HOME%", "a\\b\\$HOME", "  b  ", "\t\"q\" ", "#;[L]"}) {
        teste::GravarLogin(
            {wxString::FromUTF8(texto), wxString::FromUTF8(texto), wxString::FromUTF8(texto)});
        const Sessao lida(true);
        EXPECT_EQ(std::string(lida.GetUsuario().utf8_str()), texto);
        EXPECT_EQ(std::string(lida.GetToken().utf8_str()), texto);
    }
}

TEST(Sessao, FailedLoginsChangeNothingStored) {
    teste::ServicoTeste servico;
    servico.servico().AdicionarUsuario("maria", "certa");
    teste::GravarLogin({"id-antigo", "anterior", "token-antigo"});

    Sessao errada(false);
    EXPECT_FALSE(errada.Login("maria", "errada"));  // 401

    // Replies the login cannot use count as failures too.
    for (const char* corpo : {"<html>oops</html>", "[1,2]", "{\"secret\":42}", "{}", "null"}) {
        servico.servico().DefinirRespostaFixa("/cupom/usuario.php",
                                              servico::RespostaFixa{200, corpo});
        Sessao s(false);
        EXPECT_FALSE(s.Login("maria", "certa")) << corpo;
    }
    // So does a redirect, which is never followed, whatever its body.
    servico.servico().DefinirRespostaFixa("/cupom/usuario.php",
                                          servico::RespostaFixa{302, R"({"secret":"t"})"});
    EXPECT_FALSE(Sessao(false).Login("maria", "certa"));
    servico.servico().DefinirRespostaFixa("/cupom/usuario.php", std::nullopt);

    EXPECT_EQ(teste::LerLogin(), (teste::LoginGravado{"id-antigo", "anterior", "token-antigo"}));
}

TEST(Sessao, TokenCheckFollowsTheServiceVerdict) {
    teste::ServicoTeste servico;
    teste::GravarLogin({"x", "maria", wxString::FromUTF8(servico.servico().EmitirToken("maria"))});
    EXPECT_TRUE(Sessao(true).ValidarToken());

    // Any completed call counts, whatever the body says.
    servico.servico().DefinirRespostaFixa("/cupom/api.php", servico::RespostaFixa{200, "recusado"});
    EXPECT_TRUE(Sessao(true).ValidarToken());
    // A redirect is not followed, so it is no verdict: the token is not taken as accepted.
    servico.servico().DefinirRespostaFixa("/cupom/api.php", servico::RespostaFixa{302, "{}"});
    EXPECT_FALSE(Sessao(true).ValidarToken());
    servico.servico().DefinirRespostaFixa("/cupom/api.php", std::nullopt);

    servico.servico().RevogarTokens();
    EXPECT_FALSE(Sessao(true).ValidarToken());
}

TEST(Sessao, UnreachableServiceFailsQuickly) {
    teste::GravarLogin({"x", "maria", "qualquer"});
    // The test environment points the program at a closed loopback port.
    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_FALSE(Sessao(true).ValidarToken());
    EXPECT_FALSE(Sessao(false).Login("maria", "certa"));
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, 3s);
}

TEST(Sessao, ServerThatNeverAnswersFailsWithinTheStallLimit) {
    teste::ServicoTeste servico;
    servico.servico().AdicionarUsuario("maria", "certa");
    teste::GravarLogin({"", "", ""});
    servico.servico().DefinirRespostaFixa(
        "/cupom/usuario.php",
        servico::RespostaFixa{200, "{\"secret\":\"t\"}", "application/json", 20s});
    web::SetDefaultTimeouts({10'000ms, 500ms});
    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_FALSE(Sessao(false).Login("maria", "certa"));
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, 5s);
    web::SetDefaultTimeouts({});
    EXPECT_TRUE(teste::LerLogin().token.empty());
}

TEST(Sessao, LogoffEmptiesTheThreeValues) {
    teste::GravarLogin({"id", "maria", "token"});
    Sessao sessao(true);
    sessao.Logoff(nullptr);
    EXPECT_EQ(sessao.GetUsuario(), "maria");  // the object keeps its own copy
    const Sessao depois(true);
    EXPECT_TRUE(depois.GetUsuario().empty());
    EXPECT_TRUE(depois.GetToken().empty());
    // The values stay in the store, empty.
    EXPECT_EQ(teste::LerLogin("?"), teste::LoginGravado{});
}
