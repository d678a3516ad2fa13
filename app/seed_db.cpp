// cupom-seed-db: fills a user's receipt database, in the working folder, with the sample receipts
// that cupom-service generates with the same options, as a synchronisation would. Receipts the
// file already holds (by service id) are not imported again. For the demo of the run command.

#include <wx/init.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "account/ConfigStore.h"
#include "db/BancoDados.h"
#include "service/GeradorCupons.h"

namespace {

constexpr const char* kUso =
    "uso: cupom-seed-db [opções]\n"
    "  --user NOME       usuário dono do banco (padrão demo)\n"
    "  --years N         anos de cupons gerados, o último até --end-date (padrão 3)\n"
    "  --per-month N     cupons por mês (padrão 20)\n"
    "  --seed N          semente do gerador (padrão 42)\n"
    "  --end-date DATA   último momento com cupons: AAAA-MM-DD ou AAAA-MM-DDThh:mm:ss\n"
    "                    (padrão: agora)\n"
    "  --start-year N    em vez disso, anos inteiros a partir de N\n";

struct Opcoes {
    std::string usuario = "demo";
    servico::OpcoesGerador gerador = servico::kOpcoesDemo;  // as cupom-service
};

[[noreturn]] void Falhar(const std::string& mensagem) {
    std::cerr << "cupom-seed-db: " << mensagem << "\n" << kUso;
    std::exit(2);
}

Opcoes LerOpcoes(int argc, char** argv) {
    Opcoes o;
    o.gerador.fim = servico::MomentoAtual();
    for (int i = 1; i < argc; ++i) {
        const std::string opcao = argv[i];
        if (opcao == "--help" || opcao == "-h") {
            std::cout << kUso;
            std::exit(0);
        }
        if (i + 1 >= argc) Falhar("falta o valor de " + opcao);
        const std::string valor = argv[++i];
        if (opcao == "--user") {
            o.usuario = valor;
        } else {
            bool conhecida = false;
            try {
                conhecida = servico::AplicarOpcaoGerador(o.gerador, opcao, valor);
            } catch (const std::invalid_argument& e) {
                Falhar(e.what());
            }
            if (!conhecida) Falhar("opção desconhecida: " + opcao);
        }
    }
    return o;
}

// BancoDados picks its file by the stored login. The tool stores the user in a settings store
// of its own, under a temporary HOME, so the person's real stored login is never touched.
class HomeTemporario {
public:
    HomeTemporario() {
        std::string modelo =
            (std::filesystem::temp_directory_path() / "cupom-seed-XXXXXX").string();
        if (!mkdtemp(modelo.data())) Falhar("não foi possível criar uma pasta temporária");
        pasta_ = modelo;
        setenv("HOME", pasta_.c_str(), 1);
        setenv("XDG_CONFIG_HOME", pasta_.c_str(), 1);
    }
    ~HomeTemporario() {
        std::error_code erro;
        std::filesystem::remove_all(pasta_, erro);
    }

private:
    std::string pasta_;
};

}  // namespace

int main(int argc, char** argv) {
    const Opcoes opcoes = LerOpcoes(argc, argv);
    HomeTemporario home;
    wxInitializer toolkit;
    if (!toolkit.IsOk()) Falhar("não foi possível iniciar o wxWidgets");

    const wxString usuario = wxString::FromUTF8(opcoes.usuario);
    AbrirConfiguracao()->Write("/Login/Usuario", usuario);

    try {
        BancoDados banco;
        int ultimo_id = 0;
        banco.GetUltimoId(ultimo_id);

        nlohmann::json novos = nlohmann::json::array();
        for (const auto& cupom : servico::GerarCupons(opcoes.gerador)) {
            if (cupom.value("id", 0) > ultimo_id) novos.push_back(cupom);
        }
        banco.ImportarCupons(novos, [](wxString) { return true; });
        std::cout << "Banco " << NomeArquivoBanco(usuario).ToStdString(wxConvUTF8) << ": "
                  << novos.size() << " cupons novos do usuário " << opcoes.usuario << "\n";
    } catch (const std::exception& e) {
        std::cerr << "cupom-seed-db: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
