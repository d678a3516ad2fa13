// Benchmark of a first synchronisation, as a person meets it: the receipt service runs as its own
// process (cupom-service, HTTPS on 127.0.0.1) and the dashboard's synchronisation dialog, in
// another process, brings the whole backlog into a new database, from "Processar" to the final
// message box. Every figure is the dashboard process's own:
//   - each phase's time (download, parse, import) and "Processar" to the box;
//   - the CPU time the run took, since on a shared machine the wall clock alone says little;
//   - resident memory when idle (dialog open, database open), its peak over that during the run
//     (VmHWM reset at the click, and VmRSS sampled every 10 ms), and what is kept once the
//     box is closed;
//   - the longest pause of the GUI thread's event loop during the run: how late a 10 ms timer
//     was served, when that pause began, and how much of it the GUI thread spent working.
// Two backlogs in one run: 10,000 receipts (three years at 278 a month, cut to 10,000) and 36,000
// (ten years at 300 a month), each with a fresh service, database and dashboard process.
//
// Needs a display (run under xvfb-run; bench/run.sh does). Works in a temporary folder of its own
// (HOME, settings, database, feed file) and removes it at the end.
//
//   bench_sync                    both backlogs
//   bench_sync <receipts>...      only these backlogs (10000 and/or 36000, or any count)
//   bench_sync medir <url> <n>    one dashboard measurement (used by the above), in the folder
//                                 it is started in, against the service at <url>

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "account/Sessao.h"
#include "db/BancoDados.h"
#include "service/GeradorCupons.h"
#include "sync/FrameSincronizar.h"

namespace {

using Relogio = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr auto kLimite = std::chrono::minutes(10);
// The probe's period: the longest pause is how much later than this the probe ran.
constexpr auto kPeriodoSonda = std::chrono::milliseconds(10);
// How long after the box the memory kept is read.
constexpr auto kDepois = std::chrono::milliseconds(500);
constexpr const char* kUsuario = "bench";
constexpr const char* kSenha = "senha";

double Ms(Relogio::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// CPU time so far of the whole process, or of the calling thread.
double SegundosCpu(clockid_t relogio = CLOCK_PROCESS_CPUTIME_ID) {
    timespec t{};
    clock_gettime(relogio, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

[[noreturn]] void Falhar(const std::string& texto) {
    std::fprintf(stderr, "bench_sync: %s\n", texto.c_str());
    std::exit(1);
}

// A field of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMb(const char* campo) {
    std::ifstream status("/proc/self/status");
    const std::string prefixo = std::string(campo) + ":";
    std::string linha;
    while (std::getline(status, linha))
        if (linha.rfind(prefixo, 0) == 0) return std::atof(linha.c_str() + prefixo.size()) / 1024.0;
    return 0;
}

// The scheduler's view of the calling thread and of the machine, in ms: how long the thread has
// waited for a core while ready to run (/proc/thread-self/schedstat), and how long the host kept
// this machine's virtual processors from running at all (the "steal" of /proc/stat).
struct Escalonamento {
    double espera_ms = 0;
    double roubado_ms = 0;
};

Escalonamento LerEscalonamento() {
    Escalonamento e;
    double executando_ns = 0, esperando_ns = 0;
    if (std::ifstream("/proc/thread-self/schedstat") >> executando_ns >> esperando_ns)
        e.espera_ms = esperando_ns / 1e6;
    std::ifstream stat("/proc/stat");
    std::string cpu;
    double campo[8] = {};
    if (stat >> cpu && cpu == "cpu") {
        for (double& c : campo) stat >> c;
        e.roubado_ms = campo[7] * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return e;
}

// Sets the peak (VmHWM) back to the current resident size, so that the peak read later is the
// run's. False on kernels without it; the sampled VmRSS still gives a lower bound.
bool ZerarPico() {
    std::ofstream clear_refs("/proc/self/clear_refs");
    clear_refs << "5";
    clear_refs.flush();
    return static_cast<bool>(clear_refs);
}

fs::path PastaTemporaria() {
    std::string modelo = (fs::temp_directory_path() / "bench_sync.XXXXXX").string();
    if (!mkdtemp(modelo.data())) Falhar("mkdtemp failed");
    return modelo;
}

std::optional<pid_t> Iniciar(const std::vector<std::string>& argumentos, const fs::path& pasta,
                             const std::string& saida = {}) {
    std::vector<char*> argv;
    for (const std::string& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        if (chdir(pasta.c_str()) != 0) _exit(126);
        if (!saida.empty() && !std::freopen(saida.c_str(), "w", stdout)) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

bool Esperar(pid_t pid) {
    int estado = 0;
    waitpid(pid, &estado, 0);
    return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

// ---------------------------------------------------------------------------------------------
// The dashboard side: one synchronisation through the real dialog.

class AppBench : public wxApp {
public:
    bool OnInit() override { return true; }
};

// Answers the run's message box at once and remembers when and what it said.
class RespostaAutomatica : public wxModalDialogHook {
public:
    std::optional<Relogio::time_point> quando;
    wxString mensagem;

protected:
    int Enter(wxDialog* dialog) override {
        if (auto* caixa = dynamic_cast<wxMessageDialogBase*>(dialog)) {
            quando = Relogio::now();
            mensagem = caixa->GetMessage();
            return wxID_OK;
        }
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

// Prints the figures as "name value" lines for the caller to collect.
int Medir(int argc, char** argv, const std::string& url, long cupons) {
    const fs::path pasta = fs::current_path();
    setenv("HOME", pasta.c_str(), 1);
    setenv("XDG_CONFIG_HOME", pasta.c_str(), 1);
    setenv("CUPOM_SERVICE_URL", url.c_str(), 1);
    setenv("SSL_CERT_FILE", (std::string(CUPOM_TEST_CERT_DIR) + "/ca.pem").c_str(), 1);

    wxApp::SetInstance(new AppBench);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        Falhar("cannot start the toolkit (is DISPLAY set? run under xvfb-run)");
    RespostaAutomatica resposta;
    resposta.Register();
    if (!Sessao(false).Login(kUsuario, kSenha)) Falhar("login at " + url + " failed");

    int rc = 0;
    {
        BancoDados banco;
        auto dialogo = std::make_unique<FrameSincronizar>(nullptr, &banco);
        dialogo->Show();
        for (int i = 0; i < 20; ++i) {
            wxYield();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }

        const double ocioso = StatusMb("VmRSS");
        const bool pico_zerado = ZerarPico();
        double rss_maximo = ocioso;

        // The toolkit's own event loop runs the dialog, as in the program. A probe timer measures
        // how late the loop serves it (the longest pause) and samples the resident memory; it
        // ends the loop once the box has been answered, or after a while with the dialog idle.
        wxGUIEventLoop laco;
        wxTimer sonda;
        Relogio::time_point inicio, ultima_volta;
        std::optional<Relogio::time_point> fim;
        Relogio::duration maior_atraso{}, quando_maior{};
        // The GUI thread's own CPU time at the last tick, and how much of it went by between the
        // two ticks of the longest pause: about all of it when the thread was busy, little when it
        // waited (for a lock, a page or a core).
        double cpu_gui_volta = 0, cpu_gui_pausa = 0;
        // The same for the scheduler: the GUI thread's wait for a core, and the machine's stolen
        // time (both processors, in ticks of 10 ms), between those two ticks.
        Escalonamento escalonamento_volta, escalonamento_pausa;
        double cpu_inicio = 0, cpu = 0, cpu_gui_inicio = 0, cpu_gui = 0, depois = 0;
        sonda.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            const auto agora = Relogio::now();
            const double cpu_gui_agora = SegundosCpu(CLOCK_THREAD_CPUTIME_ID);
            const Escalonamento escalonamento_agora = LerEscalonamento();
            if (!fim) {
                if (agora - ultima_volta > maior_atraso) {
                    maior_atraso = agora - ultima_volta;
                    quando_maior = ultima_volta - inicio;  // where the pause began
                    cpu_gui_pausa = cpu_gui_agora - cpu_gui_volta;
                    escalonamento_pausa = {
                        escalonamento_agora.espera_ms - escalonamento_volta.espera_ms,
                        escalonamento_agora.roubado_ms - escalonamento_volta.roubado_ms};
                }
                rss_maximo = std::max(rss_maximo, StatusMb("VmRSS"));
                if (resposta.quando) {
                    fim = agora;
                    cpu = SegundosCpu() - cpu_inicio;
                    cpu_gui = SegundosCpu(CLOCK_THREAD_CPUTIME_ID) - cpu_gui_inicio;
                } else if (agora - inicio > kLimite) {
                    laco.Exit();
                }
            } else if (agora - *fim > kDepois) {
                depois = StatusMb("VmRSS");  // the box is closed, the person reads the log
                laco.Exit();
            }
            ultima_volta = agora;
            cpu_gui_volta = cpu_gui_agora;
            escalonamento_volta = escalonamento_agora;
        });
        wxTheApp->CallAfter([&] {
            cpu_inicio = SegundosCpu();
            cpu_gui_inicio = SegundosCpu(CLOCK_THREAD_CPUTIME_ID);
            inicio = ultima_volta = Relogio::now();
            cpu_gui_volta = cpu_gui_inicio;
            escalonamento_volta = LerEscalonamento();
            sonda.Start(kPeriodoSonda.count());
            wxCommandEvent clique(wxEVT_BUTTON, FrameSincronizar::ID_PROCESSAR);
            dialogo->GetEventHandler()->ProcessEvent(clique);
        });
        laco.Run();
        sonda.Stop();
        if (!resposta.quando) Falhar("no outcome after 10 minutes");
        const double pico = std::max(rss_maximo, pico_zerado ? StatusMb("VmHWM") : 0.0);
        const auto maior_pausa = maior_atraso - kPeriodoSonda;

        const TemposSincronizacao& t = dialogo->UltimaExecucao();
        Registro linha;
        banco.ConsultarRegistro("SELECT count(*) AS n FROM cupom", linha);
        const bool sucesso = t.sucesso && linha["n"] == wxString::Format("%ld", cupons);
        if (!sucesso) {
            std::fprintf(stderr, "bench_sync: outcome \"%s\", %s receipts stored of %ld\n",
                         static_cast<const char*>(resposta.mensagem.utf8_str()),
                         static_cast<const char*>(linha["n"].utf8_str()), cupons);
            rc = 1;
        }

        std::printf("receipts %ld\n", cupons);
        std::printf("reply_mb %.1f\n", static_cast<double>(t.bytes) / 1e6);
        std::printf("download_ms %.0f\n", Ms(t.download));
        std::printf("parse_ms %.0f\n", Ms(t.parser));
        std::printf("import_ms %.0f\n", Ms(t.importacao));
        std::printf("click_to_box_ms %.0f\n", Ms(*resposta.quando - inicio));
        std::printf("cpu_s %.2f\n", cpu);
        std::printf("cpu_gui_s %.2f\n", cpu_gui);
        std::printf("idle_mb %.1f\n", ocioso);
        std::printf("peak_over_idle_mb %.1f\n", pico - ocioso);
        std::printf("after_over_idle_mb %.1f\n", depois - ocioso);
        std::printf("longest_pause_ms %.1f\n", Ms(maior_pausa));
        std::printf("longest_pause_at_ms %.0f\n", Ms(quando_maior));
        std::printf("longest_pause_cpu_ms %.1f\n", cpu_gui_pausa * 1000);
        std::printf("longest_pause_wait_ms %.1f\n", escalonamento_pausa.espera_ms);
        std::printf("longest_pause_steal_ms %.0f\n", escalonamento_pausa.roubado_ms);
        std::printf("ok %d\n", sucesso ? 1 : 0);
        dialogo.reset();
    }

    resposta.Unregister();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return rc;
}

// ---------------------------------------------------------------------------------------------
// The driver: a service process and a dashboard process per backlog.

struct Backlog {
    long cupons;
    int anos;
    int por_mes;
};

// The service's feed file: the generator's receipts cut to `b.cupons`. Written by a child so
// that this process never holds the feed.
void EscreverFeed(const Backlog& b, const fs::path& arquivo) {
    const pid_t pid = fork();
    if (pid == 0) {
        servico::OpcoesGerador opcoes;
        opcoes.anos = b.anos;
        opcoes.cupons_por_mes = b.por_mes;
        nlohmann::json feed = servico::GerarCupons(opcoes);
        if (feed.size() > static_cast<std::size_t>(b.cupons))
            feed.erase(feed.begin() + b.cupons, feed.end());
        std::ofstream(arquivo) << feed.dump();
        _exit(feed.size() == static_cast<std::size_t>(b.cupons) ? 0 : 1);
    }
    if (pid < 0 || !Esperar(pid)) Falhar("could not write the feed of " + std::to_string(b.cupons));
}

std::string LerTudo(const fs::path& arquivo) {
    std::ifstream entrada(arquivo);
    std::stringstream texto;
    texto << entrada.rdbuf();
    return texto.str();
}

// Runs one backlog; returns the figures as printed by the dashboard process.
std::vector<std::pair<std::string, std::string>> Executar(const Backlog& b) {
    const fs::path pasta = PastaTemporaria();
    const fs::path feed = pasta / "feed.json";
    const fs::path pronto = pasta / "servico.url";
    EscreverFeed(b, feed);

    const auto servico = Iniciar({CUPOM_SERVICE_EXE, "--user", kUsuario, "--password", kSenha,
                                  "--feed-file", feed.string(), "--ready-file", pronto.string()},
                                 pasta, (pasta / "servico.log").string());
    if (!servico) Falhar("cannot start " CUPOM_SERVICE_EXE);
    const auto limite = Relogio::now() + std::chrono::minutes(2);
    while (!fs::exists(pronto) && Relogio::now() < limite)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::string url = LerTudo(pronto);
    while (!url.empty() && std::isspace(static_cast<unsigned char>(url.back()))) url.pop_back();
    if (url.empty()) {
        kill(*servico, SIGTERM);
        Esperar(*servico);
        Falhar("the service did not start");
    }
    fs::remove(feed);  // the service holds it now

    const fs::path dashboard = pasta / "dashboard";
    fs::create_directory(dashboard);
    const fs::path saida = pasta / "figuras.txt";
    const auto medicao = Iniciar(
        {fs::read_symlink("/proc/self/exe").string(), "medir", url, std::to_string(b.cupons)},
        dashboard, saida.string());
    const bool ok = medicao && Esperar(*medicao);
    kill(*servico, SIGTERM);
    Esperar(*servico);

    std::vector<std::pair<std::string, std::string>> figuras;
    std::istringstream linhas(LerTudo(saida));
    std::string nome, valor;
    while (linhas >> nome >> valor) figuras.emplace_back(nome, valor);
    fs::remove_all(pasta);
    if (!ok) Falhar("the measurement of " + std::to_string(b.cupons) + " receipts failed");
    return figuras;
}

std::string Valor(const std::vector<std::pair<std::string, std::string>>& figuras,
                  const std::string& nome) {
    for (const auto& [n, v] : figuras)
        if (n == nome) return v;
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "medir") == 0)
        return Medir(argc, argv, argv[2], std::atol(argv[3]));

    std::vector<Backlog> backlogs;
    for (int i = 1; i < argc; ++i) {
        const long n = std::atol(argv[i]);
        if (n <= 0) Falhar(std::string("not a receipt count: ") + argv[i]);
        // Ten years at 300 a month for 36,000; otherwise three years, enough a month, cut.
        backlogs.push_back(n == 36'000 ? Backlog{n, 10, 300}
                                       : Backlog{n, 3, static_cast<int>((n + 35) / 36)});
    }
    if (backlogs.empty()) backlogs = {{10'000, 3, 278}, {36'000, 10, 300}};

    struct Linha {
        const char* titulo;
        const char* nome;
        const char* unidade;
    };
    static constexpr Linha kLinhas[] = {
        {"reply", "reply_mb", "MB"},
        {"download", "download_ms", "ms"},
        {"parse", "parse_ms", "ms"},
        {"import", "import_ms", "ms"},
        {"click to message box", "click_to_box_ms", "ms"},
        {"CPU time of the run", "cpu_s", "s"},
        {"  of it the GUI thread", "cpu_gui_s", "s"},
        {"resident when idle", "idle_mb", "MB"},
        {"peak over idle", "peak_over_idle_mb", "MB"},
        {"kept after the run", "after_over_idle_mb", "MB"},
        {"longest GUI pause", "longest_pause_ms", "ms"},
        {"  began after the click", "longest_pause_at_ms", "ms"},
        {"  GUI thread's CPU in it", "longest_pause_cpu_ms", "ms"},
        {"  its wait for a core", "longest_pause_wait_ms", "ms"},
        {"  machine's stolen time", "longest_pause_steal_ms", "ms"},
    };

    double carga = 0;
    std::ifstream("/proc/loadavg") >> carga;
    std::printf("bench_sync: first synchronisation, service in its own process (load %.2f)\n",
                carga);
    std::fflush(stdout);
    std::vector<std::vector<std::pair<std::string, std::string>>> resultados;
    for (const Backlog& b : backlogs) resultados.push_back(Executar(b));
    std::printf("  %-24s", "receipts");
    for (const Backlog& b : backlogs) std::printf("%12ld", b.cupons);
    std::printf("\n");
    for (const Linha& l : kLinhas) {
        std::printf("  %-24s", (std::string(l.titulo) + " (" + l.unidade + ")").c_str());
        for (const auto& r : resultados) std::printf("%12s", Valor(r, l.nome).c_str());
        std::printf("\n");
    }
    return 0;
}
