// A server that is not the service (an untrusted certificate, or one issued for another host name)
// must never see the password or the token; the stored token must stay readable by its owner
// alone; and the token must never be printed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "account/Sessao.h"
#include "tests/support/LoginTeste.h"
#include "tests/support/ServicoTeste.h"
#include "tests/support/TestEnvironment.h"

namespace {

constexpr const char* kUsuario = "ana";
constexpr const char* kSenha = "senha-que-nao-pode-vazar";

std::filesystem::path ArquivoConfiguracao() {
    return std::filesystem::path(teste::PastaTemporaria()) / ".CupomZelkariDashboard";
}

// The permission bits in octal ("0600"), or "" when the file is missing.
std::string ModoArquivo(const std::filesystem::path& arquivo) {
    struct stat st {};
    if (stat(arquivo.c_str(), &st) != 0) return std::string();
    char texto[8];
    std::snprintf(texto, sizeof texto, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return texto;
}

void GuardarToken(const wxString& token) {
    teste::GravarLogin({token, kUsuario, token});
}

std::string LerArquivo(const std::filesystem::path& arquivo) {
    std::ifstream in(arquivo, std::ios::binary);
    std::ostringstream texto;
    texto << in.rdbuf();
    return texto.str();
}

class Hardening : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(ArquivoConfiguracao()); }
};

class ServidorErrado : public Hardening, public ::testing::WithParamInterface<const char*> {};

}  // namespace

// The control: with the CA's certificate for 127.0.0.1 the same calls reach the service, so the
// refusals below come from the certificate and nothing else.
TEST_F(Hardening, TheRightServerReceivesTheLoginAndTheToken) {
    teste::ServicoTeste certo;
    certo.servico().AdicionarUsuario(kUsuario, kSenha);
    Sessao sessao(false);
    ASSERT_TRUE(sessao.Login(kUsuario, kSenha));
    const wxString token = Sessao(true).GetToken();
    ASSERT_FALSE(token.empty());
    EXPECT_TRUE(Sessao(true).ValidarToken());

    const auto reqs = certo.servico().Requisicoes();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_NE(reqs[0].corpo.find(kSenha), std::string::npos);
    const auto chave = reqs[1].cabecalhos.find("secret-key");
    ASSERT_NE(chave, reqs[1].cabecalhos.end());
    EXPECT_EQ(chave->second, token.ToStdString(wxConvUTF8));
}

TEST_P(ServidorErrado, LoginIsRefusedBeforeThePasswordLeaves) {
    teste::ServicoTeste errado(GetParam());
    errado.servico().AdicionarUsuario(kUsuario, kSenha);
    GuardarToken("token-anterior");
    const std::string antes = LerArquivo(ArquivoConfiguracao());

    Sessao sessao(false);
    EXPECT_FALSE(sessao.Login(kUsuario, kSenha));
    EXPECT_TRUE(errado.servico().Requisicoes().empty());  // the handshake failed: no request at all
    EXPECT_EQ(LerArquivo(ArquivoConfiguracao()), antes);
    EXPECT_EQ(Sessao(true).GetToken(), "token-anterior");
}

TEST_P(ServidorErrado, StoredTokenIsNeverSentToIt) {
    teste::ServicoTeste errado(GetParam());
    errado.servico().AdicionarUsuario(kUsuario, kSenha);
    const std::string token = errado.servico().EmitirToken(kUsuario);  // one it would accept
    GuardarToken(wxString::FromUTF8(token));

    Sessao sessao(true);
    ASSERT_EQ(sessao.GetToken(), wxString::FromUTF8(token));
    EXPECT_FALSE(sessao.ValidarToken());
    EXPECT_TRUE(errado.servico().Requisicoes().empty());
}

INSTANTIATE_TEST_SUITE_P(Certificados, ServidorErrado,
                         ::testing::Values("selfsigned", "wronghost"));

TEST_F(Hardening, SettingsFileIsOwnerOnlyAfterEveryWrite) {
    teste::ServicoTeste servico;
    servico.servico().AdicionarUsuario(kUsuario, kSenha);
    const auto arquivo = ArquivoConfiguracao();

    ASSERT_TRUE(Sessao(false).Login(kUsuario, kSenha));
    EXPECT_EQ(ModoArquivo(arquivo), "0600") << "after the first login";
    Sessao(true).Logoff(nullptr);
    EXPECT_EQ(ModoArquivo(arquivo), "0600") << "after logoff";

    // A file left readable by others (an older version, a copy, a careless chmod) is tightened
    // by the next write instead of keeping its mode.
    for (const bool logoff : {false, true}) {
        std::filesystem::permissions(arquivo, std::filesystem::perms(0644));
        ASSERT_EQ(ModoArquivo(arquivo), "0644");
        if (logoff) {
            Sessao(true).Logoff(nullptr);
        } else {
            ASSERT_TRUE(Sessao(false).Login(kUsuario, kSenha));
        }
        EXPECT_EQ(ModoArquivo(arquivo), "0600") << (logoff ? "logoff" : "login") << " over 0644";
    }
}

TEST_F(Hardening, FirstWriteOverAWorldReadableFileIsOwnerOnly) {
    // The file exists before the program ever wrote it, with the usual 0644 of a new file.
    {
        std::ofstream antigo(ArquivoConfiguracao());
        antigo << "[Login]\nUsuario=outro\n";
    }
    std::filesystem::permissions(ArquivoConfiguracao(), std::filesystem::perms(0644));
    teste::ServicoTeste servico;
    servico.servico().AdicionarUsuario(kUsuario, kSenha);
    ASSERT_TRUE(Sessao(false).Login(kUsuario, kSenha));
    EXPECT_EQ(ModoArquivo(ArquivoConfiguracao()), "0600");
    EXPECT_EQ(Sessao(true).GetUsuario(), kUsuario);
}

TEST_F(Hardening, TokenIsNeverPrinted) {
    teste::ServicoTeste servico;
    servico.servico().AdicionarUsuario(kUsuario, kSenha);

    bool login = false, valido = false, revogado = true, falho = true;
    const std::string impresso = teste::CapturarSaida([&] {
        login = Sessao(false).Login(kUsuario, kSenha);
        valido = Sessao(true).ValidarToken();
        servico.servico().RevogarTokens();
        revogado = Sessao(true).ValidarToken();  // a call the service refuses
        // and one that fails in the transport, with the token at hand
        setenv("CUPOM_SERVICE_URL", "https://127.0.0.1:9", 1);
        falho = Sessao(true).ValidarToken();
        setenv("CUPOM_SERVICE_URL", servico.url().c_str(), 1);
    });
    ASSERT_TRUE(login);
    EXPECT_TRUE(valido);
    EXPECT_FALSE(revogado);
    EXPECT_FALSE(falho);

    const std::string token = Sessao(true).GetToken().ToStdString(wxConvUTF8);
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(impresso.find(token), std::string::npos) << impresso;
    EXPECT_EQ(impresso.find(kSenha), std::string::npos) << impresso;

    // A login refused by the certificate, with the previous token stored, prints nothing of it.
    teste::ServicoTeste errado("selfsigned");
    errado.servico().AdicionarUsuario(kUsuario, kSenha);
    const std::string recusado = teste::CapturarSaida([&] {
        falho = Sessao(false).Login(kUsuario, kSenha);
        falho = Sessao(true).ValidarToken() || falho;
    });
    EXPECT_FALSE(falho);
    EXPECT_EQ(recusado.find(token), std::string::npos) << recusado;
    EXPECT_EQ(recusado.find(kSenha), std::string::npos) << recusado;
}
