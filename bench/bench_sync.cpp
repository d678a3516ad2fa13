// Benchmark of a synchronisation: 10,000 receipts (about a quarter of a million item lines) from
// the local service over HTTPS on 127.0.0.1, into a new database, through the real dialog: from
// "Processar" to the final message box. Prints the time of the download, the parse and the
// import, and the longest pause of the GUI thread's event loop during the run.
//
// Needs a display (run under xvfb-run). Works in a temporary folder of its own (HOME, settings,
// database) and removes it at the end.
#include <wx/app.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "account/ConfigStore.h"
#include "db/BancoDados.h"
#include "service/GeradorCupons.h"
#include "service/ServicoLocal.h"
#include "sync/FrameSincronizar.h"

namespace {

using Relogio = std::chrono::steady_clock;

constexpr int kCupons = 10'000;
constexpr auto kLimite = std::chrono::minutes(10);

double Ms(Relogio::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

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

std::filesystem::path PastaTemporaria() {
    std::string modelo = (std::filesystem::temp_directory_path() / "bench_sync.XXXXXX").string();
    if (!mkdtemp(modelo.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return modelo;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path pasta = PastaTemporaria();
    setenv("HOME", pasta.c_str(), 1);
    setenv("XDG_CONFIG_HOME", pasta.c_str(), 1);
    std::filesystem::current_path(pasta);

    // The feed: three years of receipts, cut to exactly kCupons.
    servico::OpcoesGerador opcoes;
    opcoes.anos = 3;
    opcoes.cupons_por_mes = (kCupons + 35) / 36;
    nlohmann::json feed = servico::GerarCupons(opcoes);
    feed.erase(feed.begin() + kCupons, feed.end());
    std::size_t linhas = 0;
    for (const auto& cupom : feed) linhas += cupom.value("itens", nlohmann::json::array()).size();

    const std::string certs = CUPOM_TEST_CERT_DIR;
    servico::ServicoLocal servico({certs + "/server.pem", certs + "/server.key", "127.0.0.1", 0});
    servico.AdicionarUsuario("bench", "senha", std::move(feed));
    if (!servico.Iniciar()) {
        std::fprintf(stderr, "the local service did not start\n");
        return 1;
    }
    setenv("CUPOM_SERVICE_URL", servico.UrlBase().c_str(), 1);
    setenv("SSL_CERT_FILE", (certs + "/ca.pem").c_str(), 1);

    wxApp::SetInstance(new AppBench);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start the toolkit (is DISPLAY set? run under xvfb-run)\n");
        return 1;
    }
    RespostaAutomatica resposta;
    resposta.Register();

    {
        auto config = AbrirConfiguracao();
        config->Write("/Login/Usuario", "bench");
        config->Write("/Login/Token", wxString::FromUTF8(servico.EmitirToken("bench")));
    }

    int rc = 0;
    {
        BancoDados banco;
        auto dialogo = std::make_unique<FrameSincronizar>(nullptr, &banco);
        dialogo->Show();
        wxYield();

        Relogio::duration maior_pausa{};
        const auto inicio = Relogio::now();
        wxCommandEvent clique(wxEVT_BUTTON, FrameSincronizar::ID_PROCESSAR);
        dialogo->GetEventHandler()->ProcessEvent(clique);
        auto ultima_volta = Relogio::now();
        while (!resposta.quando && Relogio::now() - inicio < kLimite) {
            wxTheApp->ProcessPendingEvents();
            wxYield();
            const auto agora = Relogio::now();
            if (agora - ultima_volta > maior_pausa) maior_pausa = agora - ultima_volta;
            ultima_volta = agora;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!resposta.quando) {
            std::fprintf(stderr, "no outcome after %lld minutes\n",
                         static_cast<long long>(kLimite.count()));
            return 1;
        }

        const TemposSincronizacao& t = dialogo->UltimaExecucao();
        Registro linha;
        banco.ConsultarRegistro("SELECT count(*) AS n FROM cupom_item", linha);

        std::printf("bench_sync: %d receipts, %zu item lines, reply %.1f MB\n", kCupons, linhas,
                    t.bytes / 1e6);
        std::printf("  outcome              %s\n",
                    static_cast<const char*>(resposta.mensagem.utf8_str()));
        std::printf("  click to message box %9.1f ms\n", Ms(*resposta.quando - inicio));
        std::printf("  download             %9.1f ms\n", Ms(t.download));
        std::printf("  parse                %9.1f ms\n", Ms(t.parser));
        std::printf("  import               %9.1f ms\n", Ms(t.importacao));
        std::printf("  longest GUI pause    %9.1f ms\n", Ms(maior_pausa));
        std::printf("  stored item lines    %9s\n",
                    static_cast<const char*>(linha["n"].utf8_str()));
        if (!t.sucesso || linha["n"] != wxString::Format("%zu", linhas)) rc = 1;
        dialogo.reset();
    }

    resposta.Unregister();
    wxTheApp->OnExit();
    wxEntryCleanup();
    servico.Parar();
    std::filesystem::current_path("/");
    std::filesystem::remove_all(pasta);
    return rc;
}
