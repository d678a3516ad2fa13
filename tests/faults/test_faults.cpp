// Faults of the machine and of the service, met where a person meets them: the synchronisation
// dialog and the start of the program. A database file that cannot be written, runs out of
// space, is locked by another process or is not a database; a reply that is cut, huge, of the
// wrong type, dripping, redirected or reset. Each must end in a clear message, never a crash,
// and the file must hold only complete receipts: every stored receipt with all its items and its
// issuer, the receipts of the service's feed from the first one on, none twice. A soak of
// synchronisations cancelled at random points checks the same after every run.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/stc/stc.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/AppDashboard.h"
#include "db/BancoDados.h"
#include "service/GeradorCupons.h"
#include "sync/FrameSincronizar.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/DialogoSincronizar.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ServicoTeste.h"
#include "tests/support/TestEnvironment.h"
#include "web/WebSync.h"

using namespace std::chrono_literals;
using nlohmann::json;
using Relogio = std::chrono::steady_clock;

// Messages in failures as text rather than as lists of character codes.
void PrintTo(const wxString& texto, std::ostream* saida) {
    *saida << '"' << texto.Left(300).utf8_str() << '"';
}

namespace {

constexpr const char* kCaminhoCupons = "/cupom/consulta_cupom.php";
const wchar_t* const kConcluido = L"Processamento concluído.";
const wchar_t* const kCancelada = L"Operação cancelada.";
const wchar_t* const kErroBaixar = L"Erro ao baixar o JSON.";
const wchar_t* const kJsonInvalido = L"JSON inválido: ";

using teste::Clicar;
using teste::Habilitado;
using teste::Mensagens;
using teste::TextoDoLog;

// The first `n` receipts of a generated feed (ids 1..n).
json Feed(std::size_t n) {
    servico::OpcoesGerador opcoes;
    opcoes.anos = 1;
    opcoes.cupons_por_mes = static_cast<int>((n + 11) / 12);
    json feed = servico::GerarCupons(opcoes);
    feed.erase(feed.begin() + static_cast<std::ptrdiff_t>(n), feed.end());
    return feed;
}

json Inicio(const json& feed, std::size_t n) {
    return json(feed.begin(), feed.begin() + static_cast<std::ptrdiff_t>(n));
}

std::string LerArquivo(const std::string& caminho) {
    std::ifstream entrada(caminho, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(entrada), {});
}

// Peak resident memory of this process so far, in bytes.
std::size_t PicoDeMemoria() {
    std::ifstream status("/proc/self/status");
    std::string linha;
    while (std::getline(status, linha)) {
        if (linha.rfind("VmHWM:", 0) == 0) return std::stoull(linha.substr(6)) * 1024;
    }
    return 0;
}

// The file's schema as SQLite keeps it: each object's kind, name and statement, in order.
std::vector<std::string> Esquema(const std::string& arquivo) {
    std::vector<std::string> objetos;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(arquivo.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 10'000);
        sqlite3_exec(
            db,
            "SELECT type || ' ' || name || ' ' || ifnull(sql, '') FROM sqlite_master ORDER BY "
            "rowid",
            [](void* saida, int, char** valores, char**) {
                static_cast<std::vector<std::string>*>(saida)->push_back(valores[0]);
                return 0;
            },
            &objetos, nullptr);
    }
    sqlite3_close(db);
    return objetos;
}

// Reads the file through a connection of its own, as the next start of the program would, and
// checks that it is sound and holds exactly the first k receipts of `feed`, each complete.
// Returns k (or -1 when the file cannot be read at all).
int ReceitasCompletas(const std::string& arquivo, const json& feed) {
    const teste::LeitorSql leitor(wxString::FromUTF8(arquivo));
    if (!leitor.Aberto()) return -1;
    const auto linhas = [&](const char* sql) { return leitor.Linhas(sql); };

    const auto integridade = linhas("PRAGMA integrity_check");
    EXPECT_TRUE(integridade.size() == 1 && integridade[0][0] == "ok")
        << "integrity_check: " << (integridade.empty() ? "(nothing)" : integridade[0][0]);

    const auto cupons = linhas(
        "SELECT c.id_zelkari, c.chave_acesso, "
        "(SELECT count(*) FROM cupom_item i WHERE i.id_cupom = c.id), "
        "(SELECT count(*) FROM emitente e WHERE e.cnpj = c.cnpj_emitente), "
        "(SELECT round(total(i.valor_total), 2) FROM cupom_item i WHERE i.id_cupom = c.id) "
        "FROM cupom c ORDER BY c.id_zelkari, c.id");
    int k = 0;
    for (const auto& c : cupons) {
        if (static_cast<std::size_t>(k) >= feed.size()) {
            ADD_FAILURE() << "more receipts stored than the feed holds: id " << c[0];
            break;
        }
        const json& esperado = feed[static_cast<std::size_t>(k)];
        double soma = 0;
        const json itens = esperado.value("itens", json::array());
        for (const json& item : itens) soma += item.at("valor_total").get<double>();
        const bool igual = c[0] == std::to_string(esperado.at("id").get<int>()) &&
                           c[1] == esperado.at("chave_acesso").get<std::string>() &&
                           c[2] == std::to_string(itens.size()) && c[3] == "1" &&
                           std::abs(std::stod(c[4]) - soma) < 0.011;
        if (!igual) {
            ADD_FAILURE() << "stored receipt " << k + 1 << " is not receipt " << esperado["id"]
                          << " of the feed, complete: id " << c[0] << ", items " << c[2]
                          << ", issuers " << c[3] << ", items total " << c[4];
            break;
        }
        ++k;
    }
    // Nothing of a receipt that is not stored: no items without their receipt, no issuer that
    // only an undone receipt brought.
    EXPECT_EQ(linhas("SELECT count(*) FROM cupom_item WHERE id_cupom NOT IN (SELECT id FROM cupom)")
                  .at(0)
                  .at(0),
              "0");
    EXPECT_EQ(linhas("SELECT count(*) FROM emitente WHERE cnpj NOT IN "
                     "(SELECT cnpj_emitente FROM cupom)")
                  .at(0)
                  .at(0),
              "0");
    return k;
}

// Another process holding a lock on the database file: `sql` runs in a forked child on a
// connection of its own, and the child keeps the lock until Soltar() or until `duracao` passes,
// then commits and ends.
class TravaDeOutroProcesso {
public:
    TravaDeOutroProcesso(const std::string& arquivo, const char* sql,
                         std::chrono::milliseconds duracao) {
        int pronto[2], controle[2];
        if (pipe(pronto) != 0 || pipe(controle) != 0) return;
        filho_ = fork();
        if (filho_ == 0) {
            close(pronto[0]);
            close(controle[1]);
            sqlite3* db = nullptr;
            char resposta = 'e';
            if (sqlite3_open_v2(arquivo.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
                    SQLITE_OK &&
                sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) {
                resposta = 'r';
            }
            if (write(pronto[1], &resposta, 1) != 1) _exit(2);
            pollfd p{controle[0], POLLIN, 0};
            poll(&p, 1, static_cast<int>(duracao.count()));
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            _exit(0);
        }
        close(pronto[1]);
        close(controle[0]);
        controle_ = controle[1];
        if (filho_ < 0) {
            close(pronto[0]);
            return;
        }
        pollfd p{pronto[0], POLLIN, 0};
        char resposta = 0;
        if (poll(&p, 1, 10'000) == 1 && read(pronto[0], &resposta, 1) == 1)
            ativa_ = resposta == 'r';
        close(pronto[0]);
    }

    ~TravaDeOutroProcesso() { Soltar(); }
    TravaDeOutroProcesso(const TravaDeOutroProcesso&) = delete;
    TravaDeOutroProcesso& operator=(const TravaDeOutroProcesso&) = delete;

    bool Ativa() const { return ativa_; }

    // Ends the child (it commits on the closed pipe) and waits for it, boundedly.
    void Soltar() {
        if (controle_ >= 0) close(controle_);
        controle_ = -1;
        if (filho_ <= 0) return;
        const auto limite = Relogio::now() + 10s;
        while (waitpid(filho_, nullptr, WNOHANG) == 0) {
            if (Relogio::now() > limite) {
                kill(filho_, SIGKILL);
                waitpid(filho_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(5ms);
        }
        filho_ = -1;
    }

private:
    pid_t filho_ = -1;
    int controle_ = -1;
    bool ativa_ = false;
};

// A plain TCP server on 127.0.0.1 that hands every connection it accepts to `atender`, on its
// own thread, one at a time. For replies no real HTTP server would send.
class ServidorBruto {
public:
    explicit ServidorBruto(std::function<void(int)> atender) : atender_(std::move(atender)) {
        escuta_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in endereco{};
        endereco.sin_family = AF_INET;
        endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t tamanho = sizeof endereco;
        if (escuta_ < 0 || bind(escuta_, reinterpret_cast<sockaddr*>(&endereco), tamanho) != 0 ||
            listen(escuta_, 8) != 0 ||
            getsockname(escuta_, reinterpret_cast<sockaddr*>(&endereco), &tamanho) != 0) {
            ADD_FAILURE() << "cannot listen on 127.0.0.1";
            return;
        }
        porta_ = ntohs(endereco.sin_port);
        thread_ = std::thread([this] {
            while (!parar_) {
                pollfd p{escuta_, POLLIN, 0};
                if (poll(&p, 1, 50) != 1) continue;
                const int conexao = accept(escuta_, nullptr, nullptr);
                if (conexao < 0) continue;
                ++conexoes_;
                atender_(conexao);
            }
        });
    }

    ~ServidorBruto() {
        parar_ = true;
        if (thread_.joinable()) thread_.join();
        if (escuta_ >= 0) close(escuta_);
    }

    std::string Url(const char* esquema) const {
        return std::string(esquema) + "://127.0.0.1:" + std::to_string(porta_);
    }
    int Conexoes() const { return conexoes_; }

    // Reads one request (headers and the body its Content-Length announces), boundedly.
    static std::string LerPedido(int conexao) {
        std::string pedido;
        const auto limite = Relogio::now() + 5s;
        std::size_t esperado = std::string::npos;
        while (Relogio::now() < limite && pedido.size() < esperado) {
            pollfd p{conexao, POLLIN, 0};
            if (poll(&p, 1, 100) != 1) continue;
            char buffer[4096];
            const ssize_t n = recv(conexao, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            pedido.append(buffer, static_cast<std::size_t>(n));
            const auto fim = pedido.find("\r\n\r\n");
            if (fim != std::string::npos && esperado == std::string::npos) {
                std::size_t corpo = 0;
                const auto cl = pedido.find("Content-Length:");
                if (cl != std::string::npos && cl < fim) corpo = std::stoul(pedido.substr(cl + 15));
                esperado = fim + 4 + corpo;
            }
        }
        return pedido;
    }

    static void Enviar(int conexao, const std::string& dados) {
        std::size_t enviado = 0;
        while (enviado < dados.size()) {
            const ssize_t n =
                send(conexao, dados.data() + enviado, dados.size() - enviado, MSG_NOSIGNAL);
            if (n <= 0) return;
            enviado += static_cast<std::size_t>(n);
        }
    }

    // Closes with a reset (RST) instead of an orderly end of stream.
    static void Resetar(int conexao) {
        linger l{1, 0};
        setsockopt(conexao, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        close(conexao);
    }

private:
    std::function<void(int)> atender_;
    int escuta_ = -1;
    int porta_ = 0;
    std::thread thread_;
    std::atomic<bool> parar_{false};
    std::atomic<int> conexoes_{0};
};

// The rest of a test as an ordinary user when the suite runs as root, for whom permission bits
// mean nothing. The temporary HOME and working folder are handed to that user first.
class ComoUsuarioComum {
public:
    ComoUsuarioComum() {
        if (geteuid() != 0) {
            pronto_ = true;
            return;
        }
        const passwd* pw = getpwnam("nobody");
        if (!pw) return;
        std::error_code erro;
        const std::filesystem::path pasta = teste::PastaTemporaria();
        if (chown(pasta.c_str(), pw->pw_uid, pw->pw_gid) != 0) return;
        for (const auto& entrada : std::filesystem::recursive_directory_iterator(pasta, erro)) {
            if (lchown(entrada.path().c_str(), pw->pw_uid, pw->pw_gid) != 0) return;
        }
        if (setegid(pw->pw_gid) != 0) return;
        if (seteuid(pw->pw_uid) != 0) {
            setegid(0);
            return;
        }
        trocou_ = pronto_ = true;
    }
    ~ComoUsuarioComum() {
        if (trocou_) {
            seteuid(0);
            setegid(0);
        }
    }
    ComoUsuarioComum(const ComoUsuarioComum&) = delete;
    ComoUsuarioComum& operator=(const ComoUsuarioComum&) = delete;

    bool Pronto() const { return pronto_; }

private:
    bool pronto_ = false;
    bool trocou_ = false;
};

class Falhas : public ::testing::Test {
protected:
    void SetUp() override { teste::Dialogos::Get().Limpar(); }

    void TearDown() override {
        dialogo.reset();
        banco.reset();
        teste::Dialogos::Get().Limpar();
        web::SetDefaultTimeouts(web::Timeouts{});
        setenv("CUPOM_SERVICE_URL", servico.url().c_str(), 1);
    }

    // A user of the service whose receipts are `feed_do_servico`, logged in as the program
    // leaves it after a login, and that user's database. `feed` is what the file is checked
    // against: the service's feed, or the longer one it will grow into.
    void Entrar(const json& feed_do_servico) {
        usuario = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        servico.servico().AdicionarUsuario(usuario, "senha", feed_do_servico);
        teste::GravarLogin({wxString(), wxString::FromUTF8(usuario),
                            wxString::FromUTF8(servico.servico().EmitirToken(usuario))});
        arquivo = NomeArquivoBanco(wxString::FromUTF8(usuario)).ToStdString(wxConvUTF8);
        banco = std::make_unique<BancoDados>();
    }

    void TrocarFeed(const json& novo) {
        servico.servico().AdicionarUsuario(usuario, "senha", novo);
    }

    FrameSincronizar& AbrirDialogo() {
        dialogo.reset();
        dialogo = std::make_unique<FrameSincronizar>(nullptr, banco.get());
        dialogo->Show();
        return *dialogo;
    }

    void Responder(servico::RespostaFixa fixa) {
        servico.servico().DefinirRespostaFixa(kCaminhoCupons, std::move(fixa));
    }
    void Responder(std::string corpo, std::string tipo = "application/json") {
        servico::RespostaFixa fixa;
        fixa.corpo = std::move(corpo);
        fixa.content_type = std::move(tipo);
        Responder(std::move(fixa));
    }

    // The program talks to `url` instead of the local service from the next run on.
    static void ApontarPara(const std::string& url) { setenv("CUPOM_SERVICE_URL", url.c_str(), 1); }

    std::vector<servico::RequisicaoRecebida> PedidosDeCupons() const {
        std::vector<servico::RequisicaoRecebida> pedidos;
        for (auto& r : servico.servico().Requisicoes()) {
            if (r.caminho == kCaminhoCupons) pedidos.push_back(std::move(r));
        }
        return pedidos;
    }

    // Clicks "Processar" and waits for the run's message box.
    teste::CaixaMensagem Sincronizar(std::chrono::milliseconds limite = 120s) {
        const std::size_t antes = Mensagens().size();
        Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
        const bool chegou = teste::WaitFor([&] { return Mensagens().size() > antes; }, limite);
        EXPECT_TRUE(chegou) << "no message box after the run";
        return chegou ? Mensagens().back() : teste::CaixaMensagem{};
    }

    // A failed run leaves the dialog ready for the next one.
    void EsperarOciosoAposFalha(const teste::CaixaMensagem& caixa) {
        EXPECT_EQ(caixa.titulo, "Processamento");
        EXPECT_EQ(caixa.estilo & (wxOK | wxICON_INFORMATION | wxICON_EXCLAMATION),
                  wxOK | wxICON_EXCLAMATION);
        EXPECT_FALSE(dialogo->EmExecucao());
        EXPECT_TRUE(Habilitado(*dialogo, FrameSincronizar::ID_PROCESSAR));
        EXPECT_FALSE(Habilitado(*dialogo, FrameSincronizar::ID_CANCELAR));
    }

    // The same dialog, against the normal service, then brings every receipt of `feed`.
    void ProximaExecucaoTrazTudo(const json& feed) {
        ApontarPara(servico.url());
        servico.servico().DefinirRespostaFixa(kCaminhoCupons, std::nullopt);
        const auto caixa = Sincronizar();
        EXPECT_EQ(caixa.mensagem, kConcluido);
        EXPECT_EQ(caixa.titulo, L"Concluído");
        EXPECT_EQ(ReceitasCompletas(arquivo, feed), static_cast<int>(feed.size()));
    }

    // Declared first so that it outlives the dialog and the database.
    mutable teste::ServicoTeste servico;
    std::string usuario;
    std::string arquivo;
    std::unique_ptr<BancoDados> banco;
    std::unique_ptr<FrameSincronizar> dialogo;
};

// ---------------------------------------------------------------------------------------------
// The database file.

// The import runs out of space in the middle: the run is undone, what earlier runs stored stays,
// and once there is room again the next run brings everything.
TEST_F(Falhas, DiscoCheioNoMeioDaImportacaoDesfazSoAExecucao) {
    const json feed = Feed(300);
    Entrar(Inicio(feed, 100));
    AbrirDialogo();
    ASSERT_EQ(Sincronizar().mensagem, kConcluido);
    ASSERT_EQ(ReceitasCompletas(arquivo, feed), 100);

    TrocarFeed(feed);
    Registro r;
    banco->ConsultarRegistro("PRAGMA page_count", r);
    const long paginas = std::stol(r.at("page_count").ToStdString());
    banco->ConsultarRegistro(wxString::Format("PRAGMA max_page_count=%ld", paginas + 6), r);
    ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro();

    const auto caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem, L"Erro: database or disk is full");
    EsperarOciosoAposFalha(caixa);
    const wxString log = TextoDoLog(*dialogo);
    EXPECT_NE(log.Find(L"Foram carregados 200 cupons.\n"), wxNOT_FOUND) << log;
    EXPECT_EQ(log.Find(L"Foram adicionados"), log.Find(L"Foram adicionados 100 cupons."));
    EXPECT_EQ(PedidosDeCupons().back().corpo, R"({"ultimo_id":100})");
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 100);
    teste::SalvarCaptura(dialogo.get(), "faults_disco_cheio");

    // The same connection, given room again, goes on from where the file is.
    banco->ConsultarRegistro("PRAGMA max_page_count=1073741823", r);
    ProximaExecucaoTrazTudo(feed);
    EXPECT_EQ(PedidosDeCupons().back().corpo, R"({"ultimo_id":100})");
}

// A file the user may read but not write: the program shows the receipts it holds, and a
// synchronisation fails with SQLite's reason, changing nothing.
TEST_F(Falhas, ArquivoSomenteLeituraFalhaSemMudarNada) {
    ComoUsuarioComum usuario_comum;
    if (!usuario_comum.Pronto()) GTEST_SKIP() << "cannot run as an ordinary user";
    const json feed = Feed(200);
    Entrar(Inicio(feed, 80));
    AbrirDialogo();
    ASSERT_EQ(Sincronizar().mensagem, kConcluido);
    dialogo.reset();
    banco.reset();

    ASSERT_EQ(chmod(arquivo.c_str(), 0444), 0);
    const std::string antes = LerArquivo(arquivo);
    TrocarFeed(feed);
    banco = std::make_unique<BancoDados>();
    EXPECT_TRUE(banco->GetErro().empty()) << banco->GetErro();
    Registro r;
    banco->ConsultarRegistro("SELECT count(*) AS n FROM cupom", r);
    EXPECT_EQ(r["n"], "80");

    AbrirDialogo();
    const auto caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem, L"Erro: attempt to write a readonly database");
    EsperarOciosoAposFalha(caixa);
    EXPECT_EQ(LerArquivo(arquivo), antes);
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 80);

    // Writable again (a new start of the program): the next run brings the rest.
    dialogo.reset();
    banco.reset();
    ASSERT_EQ(chmod(arquivo.c_str(), 0644), 0);
    banco = std::make_unique<BancoDados>();
    AbrirDialogo();
    ProximaExecucaoTrazTudo(feed);
}

// Files that cannot serve as the database: the object cannot be built, and says why in words a
// person can act on; the file is left as it was.
TEST_F(Falhas, ArquivoQueNaoAbreOuNaoEBancoDizPorQue) {
    Entrar(json::array());
    banco.reset();
    ASSERT_TRUE(std::filesystem::remove(arquivo));

    auto falha = [&]() -> std::string {
        try {
            BancoDados b;
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "(no exception)";
    };

    // A folder in its place: the file cannot be opened at all.
    std::filesystem::create_directory(arquivo);
    EXPECT_EQ(falha(), "Erro ao abrir banco de dados SQLite: unable to open database file!");
    std::filesystem::remove(arquivo);

    // Text that is not a database.
    const std::string lixo(5000, 'x');
    std::ofstream(arquivo, std::ios::binary) << lixo;
    EXPECT_EQ(falha(), "file is not a database");
    EXPECT_EQ(LerArquivo(arquivo), lixo);
}

// A database whose pages were damaged behind the program's back (the header and schema intact):
// a synchronisation fails with SQLite's words and nothing crashes.
TEST_F(Falhas, BancoCorrompidoFalhaComMensagemSemTravar) {
    const json feed = Feed(120);
    Entrar(feed);
    AbrirDialogo();
    ASSERT_EQ(Sincronizar().mensagem, kConcluido);
    dialogo.reset();
    banco.reset();
    {
        std::fstream f(arquivo, std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(0, std::ios::end);
        const auto tamanho = static_cast<std::size_t>(f.tellg());
        ASSERT_GT(tamanho, 8192u);
        std::mt19937 gerador(7);
        std::string lixo(tamanho - 4096, '\0');
        for (char& c : lixo) c = static_cast<char>(gerador());
        f.seekp(4096);
        f.write(lixo.data(), static_cast<std::streamsize>(lixo.size()));
    }

    TrocarFeed(json::array());
    banco = std::make_unique<BancoDados>();  // the schema on the first page still reads
    AbrirDialogo();
    Responder(Inicio(Feed(10), 10).dump());
    const auto caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem, L"Erro: database disk image is malformed");
    EsperarOciosoAposFalha(caixa);
}

// Another process writing to the file for a moment: the program waits for it instead of failing,
// and reads the right cursor.
TEST_F(Falhas, BloqueioBreveDeOutroProcessoEEsperado) {
    const json feed = Feed(200);
    Entrar(Inicio(feed, 50));
    AbrirDialogo();
    ASSERT_EQ(Sincronizar().mensagem, kConcluido);
    TrocarFeed(feed);

    Relogio::duration espera{};
    teste::CaixaMensagem caixa;
    {
        TravaDeOutroProcesso trava(arquivo, "BEGIN EXCLUSIVE", 1500ms);
        ASSERT_TRUE(trava.Ativa());
        const auto inicio = Relogio::now();
        caixa = Sincronizar(60s);
        espera = Relogio::now() - inicio;
    }
    EXPECT_EQ(caixa.mensagem, kConcluido);
    EXPECT_GT(espera, 700ms) << "the lock was gone before the run touched the file";
    EXPECT_EQ(PedidosDeCupons().back().corpo, R"({"ultimo_id":50})");
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 200);
}

// A lock that outlasts the wait: the run fails with SQLite's "database is locked" after a few
// seconds, keeps nothing of itself, and works once the other process lets go.
TEST_F(Falhas, BloqueioLongoFalhaComBancoBloqueadoSemNadaPelaMetade) {
    const json feed = Feed(200);
    Entrar(Inicio(feed, 50));
    AbrirDialogo();
    ASSERT_EQ(Sincronizar().mensagem, kConcluido);
    TrocarFeed(feed);

    TravaDeOutroProcesso trava(arquivo, "BEGIN IMMEDIATE", 60s);  // a writer, readers allowed
    ASSERT_TRUE(trava.Ativa());
    const auto inicio = Relogio::now();
    const auto caixa = Sincronizar(60s);
    const auto espera = Relogio::now() - inicio;
    EXPECT_EQ(caixa.mensagem, L"Erro: database is locked");
    EsperarOciosoAposFalha(caixa);
    EXPECT_GT(espera, 1s) << "no wait for the lock";
    EXPECT_LT(espera, 30s);
    EXPECT_EQ(PedidosDeCupons().back().corpo, R"({"ultimo_id":50})");
    trava.Soltar();

    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 50);
    ProximaExecucaoTrazTudo(feed);
}

// At start-up: a file that cannot be opened, or that another process keeps locked, ends the run
// with the "Erro" box saying why, and no main window.
TEST_F(Falhas, InicioComArquivoInacessivelOuBloqueadoMostraErro) {
    Entrar(Feed(20));
    AbrirDialogo();
    ASSERT_EQ(Sincronizar().mensagem, kConcluido);
    dialogo.reset();
    banco.reset();
    // A login window would mean the stored login was not accepted: close it at once.
    teste::Dialogos::Get().aoAbrirModal = [](wxDialog*) { return wxID_CANCEL; };

    auto iniciar = [&]() {
        const std::size_t antes = Mensagens().size();
        EXPECT_FALSE(IniciarDashboard());
        EXPECT_TRUE(wxTopLevelWindows.empty());
        EXPECT_EQ(Mensagens().size(), antes + 1);
        return Mensagens().size() > antes ? Mensagens().back() : teste::CaixaMensagem{};
    };

    {
        TravaDeOutroProcesso trava(arquivo, "BEGIN EXCLUSIVE", 60s);
        ASSERT_TRUE(trava.Ativa());
        const auto caixa = iniciar();
        EXPECT_EQ(caixa.mensagem, "database is locked");
        EXPECT_EQ(caixa.titulo, "Erro");
        EXPECT_EQ(caixa.estilo & (wxOK | wxICON_ERROR), wxOK | wxICON_ERROR);
    }
    EXPECT_EQ(ReceitasCompletas(arquivo, Feed(20)), 20);

    const std::string guardado = arquivo + ".guardado";
    std::filesystem::rename(arquivo, guardado);
    std::filesystem::create_directory(arquivo);
    const auto caixa = iniciar();
    EXPECT_EQ(caixa.mensagem,
              L"Erro ao abrir banco de dados SQLite: unable to open database file!");
    EXPECT_EQ(caixa.titulo, "Erro");
}

// ---------------------------------------------------------------------------------------------
// The service's reply.

// A reply cut short: a body that ends in the middle of the array is invalid JSON; a transfer
// that ends before the announced length is a failed download. Nothing is stored either way.
TEST_F(Falhas, RespostaCortadaNoMeio) {
    const json feed = Feed(60);
    Entrar(feed);
    AbrirDialogo();

    const std::string texto = feed.dump();
    const std::string metade = texto.substr(0, texto.size() / 2);
    Responder(metade);
    auto caixa = Sincronizar();
    EXPECT_TRUE(caixa.mensagem.StartsWith(kJsonInvalido)) << caixa.mensagem;
    EXPECT_NE(caixa.mensagem.Find("parse error"), wxNOT_FOUND) << caixa.mensagem;
    EsperarOciosoAposFalha(caixa);
    EXPECT_EQ(TextoDoLog(*dialogo),
              wxString::Format(L"Processo iniciado.\nJSON baixado com sucesso: %zu bytes.\n",
                               metade.size()));
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);

    // The connection ends (orderly, then with a reset) halfway through the announced body.
    for (bool reset : {false, true}) {
        ServidorBruto bruto([&](int conexao) {
            ServidorBruto::LerPedido(conexao);
            ServidorBruto::Enviar(conexao,
                                  "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                                  "Content-Length: " +
                                      std::to_string(texto.size()) + "\r\n\r\n" + metade);
            if (reset) {
                ServidorBruto::Resetar(conexao);
            } else {
                close(conexao);
            }
        });
        ApontarPara(bruto.Url("http"));
        caixa = Sincronizar();
        EXPECT_EQ(caixa.mensagem, kErroBaixar) << "reset " << reset;
        EsperarOciosoAposFalha(caixa);
        EXPECT_EQ(bruto.Conexoes(), 1);
    }
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);

    ProximaExecucaoTrazTudo(feed);
}

// Every receipt complete, then the syntax breaks (or a number overflows) after the last of them:
// the JSON library's own message, and nothing stored, not even the receipts before the break.
TEST_F(Falhas, SintaxeQuebradaDepoisDoUltimoCupomNaoGuardaNada) {
    const json feed = Feed(40);
    Entrar(feed);
    AbrirDialogo();

    const std::string texto = feed.dump();
    const std::string aberto = texto.substr(0, texto.size() - 1);  // without the closing ']'
    for (const std::string& corpo : {aberto, aberto + ",", aberto + ",]", texto + "]",
                                     aberto + R"(,{"id":1e999}])", aberto + ",\"\xff\"]"}) {
        std::string esperada;
        try {
            const json dados = json::parse(corpo);
        } catch (const std::exception& e) {
            esperada = e.what();
        }
        Responder(corpo);
        const auto caixa = Sincronizar();
        EXPECT_EQ(caixa.mensagem,
                  kJsonInvalido + wxString(esperada.c_str(),
                                           wxMBConvUTF8(wxMBConvUTF8::MAP_INVALID_UTF8_TO_OCTAL)));
        EsperarOciosoAposFalha(caixa);
        EXPECT_TRUE(TextoDoLog(*dialogo).EndsWith(wxString::Format(
            L"Processo iniciado.\nJSON baixado com sucesso: %zu bytes.\n", corpo.size())));
    }
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);
    ProximaExecucaoTrazTudo(feed);
}

// A first synchronisation large enough to be stored in bulk. A wrong value in its last receipt
// stores nothing of the run, with the library's type error, after a progress line for every
// receipt before it; "Cancelar" keeps the complete receipts stored so far. Either way the schema
// stays as it was, and the next run brings the rest.
TEST_F(Falhas, CargaGrandeComTipoErradoNoUltimoCupomOuCancelada) {
    constexpr std::size_t kCupons = 2400;
    const json feed = Feed(kCupons);
    json errado = feed;
    ASSERT_FALSE(errado.back()["itens"].empty());
    errado.back()["itens"].back()["qtde"] = "1";
    Entrar(errado);
    const auto esquema = Esquema(arquivo);
    AbrirDialogo();

    const auto caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem,
              wxString::Format(L"Erro: O cupom %d tem um valor de tipo errado no campo \"qtde\" "
                               L"do item %zu: devia ser um número, mas é um texto.",
                               errado.back()["id"].get<int>(), errado.back()["itens"].size()));
    EsperarOciosoAposFalha(caixa);
    wxString log = TextoDoLog(*dialogo);
    EXPECT_NE(log.Find(wxString::Format(L"Foram carregados %zu cupons.\n", kCupons)), wxNOT_FOUND);
    EXPECT_EQ(log.Freq('\n'), static_cast<int>(4 + kCupons - 1));
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);
    EXPECT_EQ(Esquema(arquivo), esquema);

    // Three times as many receipts for the cancel: an import of 2,400 takes about as long as
    // the log's first redraw, and may be over before a person could press Cancelar.
    const json maior = Feed(3 * kCupons);
    TrocarFeed(maior);
    AbrirDialogo();
    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    ASSERT_TRUE(teste::WaitFor([&] { return TextoDoLog(*dialogo).Freq('\n') > 5; }, 120s));
    Clicar(*dialogo, FrameSincronizar::ID_CANCELAR);
    ASSERT_TRUE(teste::WaitFor([&] { return Mensagens().size() > 1; }, 60s));
    EXPECT_EQ(Mensagens().back().mensagem, kCancelada);
    const int guardados = ReceitasCompletas(arquivo, maior);
    EXPECT_GT(guardados, 0);
    EXPECT_LT(guardados, static_cast<int>(maior.size())) << "the import ended before the cancel";
    log = TextoDoLog(*dialogo);
    EXPECT_EQ(log.Freq('\n'), 4 + guardados);
    EXPECT_EQ(log.Find(L"Foram adicionados"), wxNOT_FOUND);
    EXPECT_EQ(Esquema(arquivo), esquema);

    ProximaExecucaoTrazTudo(maior);
    EXPECT_EQ(Esquema(arquivo), esquema);
}

// Tens of megabytes of garbage: a quick "JSON inválido", a short message, and memory in
// proportion to the reply (it is held as bytes, never widened to wide text).
TEST_F(Falhas, DezenasDeMegabytesDeLixo) {
    const json feed = Feed(30);
    Entrar(feed);
    AbrirDialogo();

    constexpr std::size_t kTamanho = 40u << 20;
    {
        std::string lixo(kTamanho, '\0');
        std::mt19937_64 gerador(2024);
        for (std::size_t i = 0; i + 8 <= lixo.size(); i += 8) {
            const std::uint64_t v = gerador();
            std::memcpy(&lixo[i], &v, 8);
        }
        lixo[0] = '\x8f';
        Responder(std::move(lixo), "application/octet-stream");
    }
    const std::size_t pico_antes = PicoDeMemoria();
    const auto caixa = Sincronizar();
    [[maybe_unused]] const std::size_t crescimento = PicoDeMemoria() - pico_antes;
    EXPECT_TRUE(caixa.mensagem.StartsWith(kJsonInvalido)) << caixa.mensagem.Left(300);
    EXPECT_LT(caixa.mensagem.length(), 1000u);
    EsperarOciosoAposFalha(caixa);
    EXPECT_TRUE(TextoDoLog(*dialogo).EndsWith(
        wxString::Format(L"JSON baixado com sucesso: %zu bytes.\n", kTamanho)));
    // The service itself holds three copies of the body while it sends it. AddressSanitizer's
    // quarantine keeps freed blocks around, so the bound holds only in plain builds.
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LT(crescimento, 5 * kTamanho) << "peak grew by " << (crescimento >> 20) << " MiB";
#endif
    std::cout << "peak memory grew by " << (crescimento >> 20) << " MiB for a " << (kTamanho >> 20)
              << " MiB reply\n";
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);

    ProximaExecucaoTrazTudo(feed);
}

// A reply that never ends (no length, bytes until the connection closes): the download stops at
// the size limit, with memory to match, instead of growing until the system kills the program.
TEST_F(Falhas, RespostaSemFimParaNoLimiteDeTamanho) {
    web::Timeouts limites;
    limites.max_body = 8u << 20;
    web::SetDefaultTimeouts(limites);
    const json feed = Feed(30);
    Entrar(feed);
    AbrirDialogo();

    std::atomic<std::size_t> enviados{0};
    ServidorBruto bruto([&](int conexao) {
        ServidorBruto::LerPedido(conexao);
        const std::string cabecalho =
            "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n[";
        if (send(conexao, cabecalho.data(), cabecalho.size(), MSG_NOSIGNAL) < 0) return;
        const std::string bloco(64u << 10, '[');
        const auto limite = Relogio::now() + 30s;
        while (enviados < (std::size_t{1} << 30) && Relogio::now() < limite) {
            const ssize_t n = send(conexao, bloco.data(), bloco.size(), MSG_NOSIGNAL);
            if (n <= 0) break;
            enviados += static_cast<std::size_t>(n);
        }
        close(conexao);
    });
    ApontarPara(bruto.Url("http"));
    const std::size_t pico_antes = PicoDeMemoria();
    const auto caixa = Sincronizar(60s);
    [[maybe_unused]] const std::size_t crescimento = PicoDeMemoria() - pico_antes;
    EXPECT_EQ(caixa.mensagem, kErroBaixar);
    EsperarOciosoAposFalha(caixa);
    EXPECT_LT(enviados.load(), std::size_t{1} << 30) << "the client read on to the end";
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LT(crescimento, std::size_t{64} << 20)
        << "peak grew by " << (crescimento >> 20) << " MiB";
#endif
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);

    ProximaExecucaoTrazTudo(feed);
}

// The parser quotes the token it stopped in; in a reply of one huge unterminated string or
// number that token is the whole reply. The message a person gets stays readable.
TEST_F(Falhas, TokenGiganteNaoViraMensagemGigante) {
    const json feed = Feed(10);
    Entrar(feed);
    AbrirDialogo();

    const std::string corpos[] = {
        R"([{"id":1,"chave_acesso":")" + std::string(8u << 20, 'A'),
        "[" + std::string(8u << 20, '7') + "]",
    };
    for (const std::string& corpo : corpos) {
        Responder(corpo);
        const auto caixa = Sincronizar();
        EXPECT_TRUE(caixa.mensagem.StartsWith(kJsonInvalido)) << caixa.mensagem.Left(300);
        EXPECT_LT(caixa.mensagem.length(), 2000u) << caixa.mensagem.Left(300);
        EsperarOciosoAposFalha(caixa);
    }
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);
    ProximaExecucaoTrazTudo(feed);
}

// The body is the feed whatever type the server declares for it.
TEST_F(Falhas, TipoDeConteudoErradoComFeedValidoEAceito) {
    const json feed = Feed(40);
    Entrar(feed);
    AbrirDialogo();
    Responder(feed.dump(), "text/html; charset=ISO-8859-1");
    const auto caixa = Sincronizar();
    EXPECT_EQ(caixa.mensagem, kConcluido);
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 40);
}

servico::RespostaFixa Gotejando(std::string corpo, std::chrono::milliseconds pausa,
                                std::size_t bytes = 1) {
    servico::RespostaFixa fixa;
    fixa.corpo = std::move(corpo);
    fixa.gotejamento = pausa;
    fixa.bytes_por_gota = bytes;
    return fixa;
}

// A reply that drips one byte a second: "Cancelar" ends the run within moments, and so does
// closing the dialog; the next run is served normally.
TEST_F(Falhas, GotejamentoUmBytePorSegundoCanceladoOuFechado) {
    const json feed = Feed(30);
    Entrar(feed);
    AbrirDialogo();
    Responder(Gotejando(feed.dump(), 1s));

    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    ASSERT_TRUE(teste::WaitFor([&] { return PedidosDeCupons().size() == 1; }, 10s));
    teste::ProcessarEventos(1500ms);  // a couple of bytes in
    ASSERT_TRUE(dialogo->EmExecucao());
    auto inicio = Relogio::now();
    Clicar(*dialogo, FrameSincronizar::ID_CANCELAR);
    ASSERT_TRUE(teste::WaitFor([] { return !Mensagens().empty(); }, 10s));
    EXPECT_LT(Relogio::now() - inicio, 2s);
    EXPECT_EQ(Mensagens().back().mensagem, kCancelada);
    EsperarOciosoAposFalha(Mensagens().back());
    EXPECT_EQ(TextoDoLog(*dialogo), L"Processo iniciado.\n");

    // Closed (destroyed) in the middle of the drip: it goes at once, with no box.
    const std::size_t caixas = Mensagens().size();
    Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
    ASSERT_TRUE(teste::WaitFor([&] { return PedidosDeCupons().size() == 2; }, 10s));
    teste::ProcessarEventos(1200ms);
    inicio = Relogio::now();
    dialogo.reset();
    EXPECT_LT(Relogio::now() - inicio, 2s);
    teste::ProcessarEventos(200ms);
    EXPECT_EQ(Mensagens().size(), caixas);
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);

    AbrirDialogo();
    ProximaExecucaoTrazTudo(feed);
}

// A server that accepts the request and then says nothing is given up after the stall limit; a
// slow reply that keeps moving is not.
TEST_F(Falhas, LimiteDeSilencioEncerraServidorMudo) {
    web::SetDefaultTimeouts({5s, 2s});
    const json feed = Feed(4);
    Entrar(feed);
    AbrirDialogo();

    servico::RespostaFixa muda;
    muda.corpo = feed.dump();
    muda.atraso = 60s;
    Responder(muda);
    const auto inicio = Relogio::now();
    const auto caixa = Sincronizar(30s);
    const auto espera = Relogio::now() - inicio;
    EXPECT_EQ(caixa.mensagem, kErroBaixar);
    EsperarOciosoAposFalha(caixa);
    EXPECT_GT(espera, 1900ms);
    EXPECT_LT(espera, 15s);

    // About three seconds in all, never more than a quarter of a second without data.
    const std::string texto = feed.dump();
    Responder(Gotejando(texto, 250ms, texto.size() / 12 + 1));
    const auto lenta = Sincronizar(30s);
    EXPECT_EQ(lenta.mensagem, kConcluido);
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 4);
}

// A redirect to another host is not followed: the program never sends the token elsewhere, and
// a reply that is not followed is a failed download, whatever its body.
TEST_F(Falhas, RedirecionamentoNaoESeguido) {
    const json feed = Feed(20);
    Entrar(feed);
    AbrirDialogo();
    const std::string destino =
        "https://localhost:" + std::to_string(servico.servico().Porta()) + kCaminhoCupons;

    for (const auto& [inicio, corpo] : {std::pair{"301 Moved Permanently", "<html>Moved</html>"},
                                        {"301 Moved Permanently", ""},
                                        {"302 Found", "[]"}}) {
        ServidorBruto bruto([&](int conexao) {
            ServidorBruto::LerPedido(conexao);
            ServidorBruto::Enviar(conexao, std::string("HTTP/1.1 ") + inicio +
                                               "\r\nLocation: " + destino +
                                               "\r\nContent-Type: text/html\r\nContent-Length: " +
                                               std::to_string(std::strlen(corpo)) +
                                               "\r\nConnection: close\r\n\r\n" + corpo);
            close(conexao);
        });
        ApontarPara(bruto.Url("http"));
        const auto caixa = Sincronizar();
        EXPECT_EQ(caixa.mensagem, kErroBaixar) << inicio << " " << corpo;
        EsperarOciosoAposFalha(caixa);
        EXPECT_EQ(bruto.Conexoes(), 1);
    }
    EXPECT_TRUE(PedidosDeCupons().empty()) << "the redirect was followed";
    // Plain http to another machine is refused before any connection, failing the same way.
    ApontarPara("http://exemplo.com.br");
    EXPECT_EQ(Sincronizar().mensagem, kErroBaixar);
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);
    ProximaExecucaoTrazTudo(feed);
}

// A connection reset by the server, during the TLS handshake or after the request: a failed
// download.
TEST_F(Falhas, ConexaoReiniciadaEDownloadFalho) {
    const json feed = Feed(20);
    Entrar(feed);
    AbrirDialogo();

    struct Caso {
        const char* esquema;
        bool ler_pedido;
    };
    for (const Caso caso : {Caso{"https", false}, Caso{"http", true}, Caso{"http", false}}) {
        ServidorBruto bruto([&](int conexao) {
            if (caso.ler_pedido) ServidorBruto::LerPedido(conexao);
            ServidorBruto::Resetar(conexao);
        });
        ApontarPara(bruto.Url(caso.esquema));
        const auto inicio = Relogio::now();
        const auto caixa = Sincronizar(30s);
        EXPECT_EQ(caixa.mensagem, kErroBaixar) << caso.esquema << " " << caso.ler_pedido;
        EXPECT_LT(Relogio::now() - inicio, 5s);
        EsperarOciosoAposFalha(caixa);
        EXPECT_GE(bruto.Conexoes(), 1);
    }
    EXPECT_EQ(ReceitasCompletas(arquivo, feed), 0);
    ProximaExecucaoTrazTudo(feed);
}

// ---------------------------------------------------------------------------------------------
// Soak: synchronisations in a row, each stopped at a random point (a delay, or a number of log
// lines; by "Cancelar" or by closing the dialog). After every run the file is sound and holds a
// prefix of the feed that never shrinks; a round ends with an uncancelled run that brings the
// whole feed, and the next round starts from an empty database.
TEST_F(Falhas, SoakDeSincronizacoesCanceladasAoAcaso) {
    constexpr unsigned kSemente = 20240611;
    constexpr int kMaxExecucoes = 150;
    const auto prazo = Relogio::now() + 45s;
    const json feed = Feed(360);
    Entrar(feed);
    std::mt19937 gerador(kSemente);
    std::cout << "seed " << kSemente << "\n";

    int execucoes = 0, canceladas = 0, fechadas = 0, no_meio = 0, rodadas = 0;
    while (execucoes < kMaxExecucoes && Relogio::now() < prazo) {
        ++rodadas;
        AbrirDialogo();
        int guardados = ReceitasCompletas(arquivo, feed);
        ASSERT_EQ(guardados, 0);
        while (guardados < static_cast<int>(feed.size()) && execucoes < kMaxExecucoes &&
               Relogio::now() < prazo) {
            ++execucoes;
            const std::size_t caixas = Mensagens().size();
            const std::size_t pedidos_antes = PedidosDeCupons().size();
            const long linhas_antes = TextoDoLog(*dialogo).Freq('\n');
            const bool por_linhas = gerador() % 2 == 0;
            const bool fechar = gerador() % 5 == 0;
            const auto atraso = std::chrono::milliseconds(gerador() % 150);
            const long linhas = 1 + static_cast<long>(gerador() % (feed.size() - guardados + 5));

            Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR);
            const auto inicio = Relogio::now();
            ASSERT_TRUE(teste::WaitFor(
                [&] {
                    if (Mensagens().size() > caixas) return true;
                    if (por_linhas) return TextoDoLog(*dialogo).Freq('\n') - linhas_antes >= linhas;
                    return Relogio::now() - inicio >= atraso;
                },
                60s));
            if (fechar) {
                dialogo.reset();  // the destructor stops the run and waits for it
                ++fechadas;
            } else {
                Clicar(*dialogo, FrameSincronizar::ID_CANCELAR);
                ASSERT_TRUE(teste::WaitFor([&] { return Mensagens().size() > caixas; }, 60s));
                const wxString& mensagem = Mensagens().back().mensagem;
                EXPECT_TRUE(mensagem == kCancelada || mensagem == kConcluido) << mensagem;
                if (mensagem == kCancelada) ++canceladas;
                EXPECT_FALSE(dialogo->EmExecucao());
            }
            // A run stopped at once may end before its request leaves.
            const auto pedidos = PedidosDeCupons();
            if (pedidos.size() > pedidos_antes) {
                EXPECT_EQ(pedidos.back().corpo, json({{"ultimo_id", guardados}}).dump());
            }

            const int agora = ReceitasCompletas(arquivo, feed);
            ASSERT_GE(agora, guardados) << "receipts lost in run " << execucoes;
            if (agora > guardados && agora < static_cast<int>(feed.size())) ++no_meio;
            guardados = agora;
            if (!dialogo) AbrirDialogo();
        }

        ProximaExecucaoTrazTudo(feed);
        ++execucoes;
        Registro r;
        for (const char* sql :
             {"DELETE FROM cupom_item", "DELETE FROM cupom", "DELETE FROM emitente"}) {
            banco->ConsultarRegistro(sql, r);
            ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro();
        }
    }
    std::cout << "soak: " << execucoes << " runs in " << rodadas << " rounds, " << canceladas
              << " cancelled, " << fechadas << " closed mid-run, " << no_meio
              << " stopped in the middle of the import\n";
    EXPECT_GT(no_meio, 0);
    EXPECT_GE(execucoes, 10);
}

}  // namespace
