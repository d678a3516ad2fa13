// The program's start-up against the local service over real HTTPS: the token check, the login
// window driven through its modal loop, the main window, a user database that cannot be used, and
// the stored user's receipts opened while the service cannot be reached.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/button.h>
#include <wx/grid.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "account/FrameLogin.h"
#include "app/AppDashboard.h"
#include "app/PastaDeDados.h"
#include "db/BancoDados.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/DialogoSincronizar.h"
#include "tests/support/GuiTest.h"
#include "tests/support/LoginTeste.h"
#include "tests/support/ServicoTeste.h"
#include "ui/FrameDashboard.h"

namespace {

// The login window as a person sees it: the user name and password fields, in that order, the
// "Entrar" button, and "Abrir sem conexão" when it is offered.
struct TelaLogin {
    explicit TelaLogin(FrameLogin* dialogo) : dialogo(dialogo) {
        campos = teste::EncontrarTodos<wxTextCtrl>(dialogo);
        for (wxButton* b : teste::EncontrarTodos<wxButton>(dialogo)) {
            if (b->GetLabel() == "Entrar") entrar = b;
            if (b->GetLabel() == L"Abrir sem conexão") sem_conexao = b;
        }
    }

    bool Completa() const { return campos.size() == 2 && entrar; }

    void Entrar(const wxString& usuario, const wxString& senha) {
        campos[0]->SetValue(usuario);
        campos[1]->SetValue(senha);
        teste::Clicar(entrar);
    }

    FrameLogin* dialogo;
    std::vector<wxTextCtrl*> campos;
    wxButton* entrar = nullptr;
    wxButton* sem_conexao = nullptr;
};

class Inicio : public teste::JanelasTeste {
protected:
    void SetUp() override {
        JanelasTeste::SetUp();
        teste::GravarLogin({});
    }

    // Runs `acao` inside the login window's modal loop each time it opens; the window is then
    // closed by its close box unless the action signed in or opened without connection. The
    // window offers "Abrir sem conexão" only when `oferece_sem_conexao` says so.
    void AoAbrirLogin(std::function<void(TelaLogin&)> acao) {
        teste::Dialogos::Get().aoAbrirModal = [this, acao](wxDialog* dialogo) {
            auto* login = dynamic_cast<FrameLogin*>(dialogo);
            if (!login) {
                ADD_FAILURE() << "an unexpected modal dialog: " << dialogo->GetTitle();
                return static_cast<int>(wxID_CANCEL);
            }
            ++aberturas;
            if (servico) requisicoes_ao_abrir = servico->servico().Requisicoes().size();
            login->CallAfter([this, login, acao] {
                TelaLogin tela(login);
                EXPECT_TRUE(tela.Completa());
                EXPECT_EQ(tela.sem_conexao != nullptr, oferece_sem_conexao);
                if (tela.Completa() && acao) acao(tela);
                if (!login->IsLogado() && !login->IsSemConexao()) login->Close();
            });
            return static_cast<int>(wxID_NONE);
        };
    }

    teste::ServicoTeste* servico = nullptr;
    int aberturas = 0;
    std::size_t requisicoes_ao_abrir = 0;
    bool oferece_sem_conexao = false;
};

}  // namespace

TEST_F(Inicio, NothingStoredOpensTheLoginWindowWithoutAsking) {
    teste::ServicoTeste s;
    servico = &s;
    AoAbrirLogin([](TelaLogin& tela) {
        EXPECT_EQ(tela.dialogo->GetTitle(), "Login - Dashboard");
        tela.campos[0]->SetValue(wxString::FromUTF8("João"));
        tela.campos[1]->SetValue("segredo");
        teste::SalvarCaptura(tela.dialogo, "login");
    });

    EXPECT_FALSE(IniciarDashboard());
    EXPECT_EQ(aberturas, 1);
    EXPECT_EQ(requisicoes_ao_abrir, 0u);
    EXPECT_TRUE(s.servico().Requisicoes().empty());
    EXPECT_TRUE(teste::JanelasAbertas<FrameDashboard>().empty());
    EXPECT_EQ(teste::LerLogin(), teste::LoginGravado{});
}

TEST_F(Inicio, ARejectedTokenLeadsToTheLoginWindowAndALoginToTheMainWindow) {
    teste::ServicoTeste s;
    servico = &s;
    s.servico().AdicionarUsuario("maria", "segredo");
    teste::GravarLogin({"antigo", "maria", "token-revogado"});
    // An answer: the usual window, although maria's receipts (none yet) are on this computer.
    std::ofstream(NomeArquivoBanco("maria").ToStdString(wxConvUTF8));
    AoAbrirLogin([](TelaLogin& tela) { tela.Entrar("maria", "segredo"); });

    EXPECT_TRUE(IniciarDashboard());
    EXPECT_EQ(aberturas, 1);
    const auto reqs = s.servico().Requisicoes();
    ASSERT_GE(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].metodo, "GET");
    EXPECT_EQ(reqs[0].caminho, "/cupom/api.php");
    EXPECT_EQ(reqs[0].cabecalhos.find("secret-key")->second, "token-revogado");
    EXPECT_EQ(reqs[1].caminho, "/cupom/usuario.php");

    const auto frames = teste::JanelasAbertas<FrameDashboard>();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0]->IsShown());
    EXPECT_EQ(frames[0]->GetStatusBar()->GetStatusText(0), "Bem vindo maria!");
    const teste::LoginGravado g = teste::LerLogin();
    EXPECT_EQ(g.usuario, "maria");
    EXPECT_FALSE(g.token.empty());
    EXPECT_NE(g.token, "token-revogado");
}

TEST_F(Inicio, AnAcceptedTokenGoesStraightToTheMainWindow) {
    teste::ServicoTeste s;
    servico = &s;
    const std::string token = s.servico().EmitirToken("maria");
    teste::GravarLogin({"id", "maria", wxString::FromUTF8(token)});
    AoAbrirLogin(nullptr);

    EXPECT_TRUE(IniciarDashboard());
    EXPECT_EQ(aberturas, 0);
    const auto frames = teste::JanelasAbertas<FrameDashboard>();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0]->IsShown());
    EXPECT_EQ(s.servico().Requisicoes().size(), 1u);
    // The main window opened the stored user's database in the working folder.
    EXPECT_TRUE(std::filesystem::exists(NomeArquivoBanco("maria").ToStdString(wxConvUTF8)));
}

TEST_F(Inicio, AnUnreachableServiceLeadsToTheLoginWindowAndClosingItEnds) {
    teste::ServicoTeste s;
    const std::string token = s.servico().EmitirToken("maria");
    const teste::LoginGravado guardado{"id", "maria", wxString::FromUTF8(token)};
    teste::GravarLogin(guardado);
    s.servico().Parar();
    AoAbrirLogin(nullptr);

    EXPECT_FALSE(IniciarDashboard());
    EXPECT_EQ(aberturas, 1);
    EXPECT_TRUE(teste::JanelasAbertas<FrameDashboard>().empty());
    EXPECT_TRUE(teste::Dialogos::Get().Mensagens().empty());  // leaving is quiet
    EXPECT_EQ(teste::LerLogin(), guardado);
}

// The service stopped: the stored user's receipts open without signing in, a synchronisation
// fails with its usual box, and logoff empties the stored login as always.
TEST_F(Inicio, WithoutAnAnswerTheStoredUsersReceiptsOpenWithoutConnection) {
    teste::ServicoTeste s;
    const teste::LoginGravado guardado{"id", "maria",
                                       wxString::FromUTF8(s.servico().EmitirToken("maria"))};
    teste::GravarLogin(guardado);
    BancoDados().ImportarCupons(teste::FeedJson({{.data_hora = "20240310090000"}}),
                                [](wxString) { return true; });
    s.servico().Parar();
    oferece_sem_conexao = true;
    AoAbrirLogin([](TelaLogin& tela) {
        teste::SalvarCaptura(tela.dialogo, "login_sem_conexao");
        teste::Clicar(tela.sem_conexao);
    });

    ASSERT_TRUE(IniciarDashboard());
    ASSERT_EQ(teste::JanelasAbertas<FrameDashboard>().size(), 1u);
    FrameDashboard* frame = teste::JanelasAbertas<FrameDashboard>()[0];
    EXPECT_EQ(frame->GetGridMeses()->GetCellValue(0, 0), "03/2024");
    EXPECT_EQ(teste::LerLogin(), guardado);

    teste::SincronizarPeloMenu(frame, FrameDashboard::ID_SINCRONIZAR);
    ASSERT_EQ(teste::Mensagens().size(), 1u);
    EXPECT_EQ(teste::Mensagens()[0].titulo, "Processamento");
    EXPECT_EQ(teste::Mensagens()[0].mensagem, "Erro ao baixar o JSON.");
    teste::Dialogos::Get().ResponderCom(wxID_YES);
    teste::EnviarMenu(frame, FrameDashboard::ID_LOGOFF);
    EXPECT_TRUE(teste::WaitFor([] { return teste::JanelasAbertas<FrameDashboard>().empty(); }));
    EXPECT_EQ(teste::LerLogin("?"), teste::LoginGravado{});
}

TEST_F(Inicio, AFailedLoginKeepsTheWindowAndALaterOneOpensOneMainWindow) {
    teste::ServicoTeste s;
    servico = &s;
    s.servico().AdicionarUsuario("maria", "segredo");
    const teste::LoginGravado anterior{"velho", "ana", "token-da-ana"};
    teste::GravarLogin(anterior);
    AoAbrirLogin([](TelaLogin& tela) {
        tela.Entrar("maria", "errada");
        EXPECT_FALSE(tela.dialogo->IsLogado());
        EXPECT_TRUE(tela.dialogo->IsModal());
        EXPECT_EQ(tela.campos[1]->GetValue(), "errada");  // the fields stay as typed
        EXPECT_EQ(teste::LerLogin(), (teste::LoginGravado{"velho", "ana", "token-da-ana"}));
        tela.Entrar("maria", "segredo");
    });

    EXPECT_TRUE(IniciarDashboard());
    EXPECT_EQ(aberturas, 1);
    const auto& mensagens = teste::Dialogos::Get().Mensagens();
    ASSERT_EQ(mensagens.size(), 1u);
    EXPECT_EQ(mensagens[0].mensagem, wxString::FromUTF8("Usuário ou senha inválidos."));
    EXPECT_TRUE(teste::CaixaDeErro(mensagens[0]));
    EXPECT_EQ(teste::JanelasAbertas<FrameDashboard>().size(), 1u);
    EXPECT_EQ(teste::LerLogin().usuario, "maria");
}

TEST_F(Inicio, ADatabaseFileThatIsNotADatabaseIsReportedAndLeftAlone) {
    teste::ServicoTeste s;
    teste::GravarLogin({"id", "maria", wxString::FromUTF8(s.servico().EmitirToken("maria"))});
    const std::string arquivo = NomeArquivoBanco("maria").ToStdString(wxConvUTF8);
    const std::string conteudo(4096, 'x');
    std::ofstream(arquivo, std::ios::binary) << conteudo;
    AoAbrirLogin(nullptr);

    EXPECT_FALSE(IniciarDashboard());
    EXPECT_TRUE(wxTopLevelWindows.empty());
    const auto& mensagens = teste::Dialogos::Get().Mensagens();
    ASSERT_EQ(mensagens.size(), 1u);
    EXPECT_TRUE(teste::CaixaDeErro(mensagens[0]));
    EXPECT_NE(mensagens[0].mensagem.Find("not a database"), wxNOT_FOUND) << mensagens[0].mensagem;

    std::ifstream lido(arquivo, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(lido), {}), conteudo);
}

TEST_F(Inicio, ADatabaseThatCannotBeCreatedIsReportedAndEndsTheRun) {
    teste::ServicoTeste s;
    teste::GravarLogin({"id", "maria", wxString::FromUTF8(s.servico().EmitirToken("maria"))});
    // A folder where the file should be: SQLite can neither open nor create it.
    std::filesystem::create_directory(NomeArquivoBanco("maria").ToStdString(wxConvUTF8));
    AoAbrirLogin(nullptr);

    EXPECT_FALSE(IniciarDashboard());
    EXPECT_TRUE(wxTopLevelWindows.empty());
    const auto& mensagens = teste::Dialogos::Get().Mensagens();
    ASSERT_FALSE(mensagens.empty());
    EXPECT_TRUE(teste::CaixaDeErro(mensagens.back()));
    EXPECT_FALSE(mensagens.back().mensagem.empty());
}

// Started from the application menu, the program runs in its own data folder, created for its
// owner only; XDG_DATA_HOME wins over HOME when it is an absolute path. From a terminal (the
// variable unset) it stays where it is.
TEST(PastaDeDados, MenuEntraNaPastaDoProgramaSoDoDono) {
    const std::string base = wxGetCwd().utf8_string();
    const std::string antes = base;
    const std::string home = std::getenv("HOME");
    setenv("HOME", (base + "/casa").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(PastaDeDadosDoMenu(), base + "/casa/.local/share/cupom-dashboard");
    setenv("XDG_DATA_HOME", "relativa", 1);
    EXPECT_EQ(PastaDeDadosDoMenu(), base + "/casa/.local/share/cupom-dashboard");
    setenv("XDG_DATA_HOME", (base + "/dados/").c_str(), 1);
    EXPECT_EQ(PastaDeDadosDoMenu(), base + "/dados/cupom-dashboard");

    unsetenv(kVariavelInicioPeloMenu);
    EXPECT_EQ(EntrarNaPastaDeDados(), "");
    EXPECT_EQ(wxGetCwd().utf8_string(), antes);

    setenv(kVariavelInicioPeloMenu, "1", 1);
    EXPECT_EQ(EntrarNaPastaDeDados(), "");
    unsetenv(kVariavelInicioPeloMenu);
    EXPECT_EQ(wxGetCwd().utf8_string(), base + "/dados/cupom-dashboard");
    struct stat st {};
    ASSERT_EQ(stat((base + "/dados/cupom-dashboard").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_TRUE(wxSetWorkingDirectory(wxString::FromUTF8(antes)));
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", home.c_str(), 1);
}
