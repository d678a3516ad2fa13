// cupom-service: the local receipt service on 127.0.0.1, with one user whose receipts are either
// generated or read from a JSON file. Runs until SIGINT or SIGTERM.

#include "service/GeradorCupons.h"
#include "service/ServicoLocal.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

namespace {

constexpr const char* kUso =
    "uso: cupom-service [opcoes]\n"
    "  --port N          porta (0, o padrao: escolhida pelo sistema)\n"
    "  --cert ARQ        certificado do servidor (PEM)\n"
    "  --key ARQ         chave privada do servidor (PEM)\n"
    "  --user NOME       usuario (padrao demo)\n"
    "  --password SENHA  senha (padrao demo123)\n"
    "  --years N         anos de cupons gerados (padrao 3)\n"
    "  --per-month N     cupons por mes (padrao 20)\n"
    "  --seed N          semente do gerador (padrao 42)\n"
    "  --start-year N    ano do primeiro cupom (padrao 2024)\n"
    "  --feed-file ARQ   serve os cupons deste arquivo JSON em vez de gera-los\n"
    "  --ready-file ARQ  escreve a URL neste arquivo quando o servico estiver ouvindo\n";

struct Opcoes {
    int porta = 0;
    std::string cert, key;
    std::string usuario = "demo", senha = "demo123";
    servico::OpcoesGerador gerador = servico::kOpcoesDemo;
    std::string feed_file, ready_file;
};

[[noreturn]] void Falhar(const std::string& mensagem) {
    std::cerr << "cupom-service: " << mensagem << "\n" << kUso;
    std::exit(2);
}

void AplicarGerador(Opcoes& o, const std::string& opcao, const std::string& valor) {
    try {
        servico::AplicarOpcaoGerador(o.gerador, opcao, valor);
    } catch (const std::invalid_argument& e) {
        Falhar(e.what());
    }
}

Opcoes LerOpcoes(int argc, char** argv) {
    Opcoes o;
#ifdef CUPOM_DEFAULT_CERT_DIR
    o.cert = std::string(CUPOM_DEFAULT_CERT_DIR) + "/server.pem";
    o.key = std::string(CUPOM_DEFAULT_CERT_DIR) + "/server.key";
#endif
    for (int i = 1; i < argc; ++i) {
        const std::string opcao = argv[i];
        if (opcao == "--help" || opcao == "-h") {
            std::cout << kUso;
            std::exit(0);
        }
        static const std::set<std::string> kConhecidas = {
            "--port",      "--cert", "--key",        "--user",      "--password",  "--years",
            "--per-month", "--seed", "--start-year", "--feed-file", "--ready-file"};
        if (!kConhecidas.count(opcao)) Falhar("opcao desconhecida: " + opcao);
        if (i + 1 >= argc) Falhar("falta o valor de " + opcao);
        const std::string valor = argv[++i];
        if (opcao == "--port") {
            const auto porta = servico::LerInteiroOpcao(valor);
            if (!porta || *porta < 0 || *porta > 65535) Falhar("porta invalida: " + valor);
            o.porta = static_cast<int>(*porta);
        } else if (opcao == "--cert") {
            o.cert = valor;
        } else if (opcao == "--key") {
            o.key = valor;
        } else if (opcao == "--user") {
            o.usuario = valor;
        } else if (opcao == "--password") {
            o.senha = valor;
        } else if (opcao == "--feed-file") {
            o.feed_file = valor;
        } else if (opcao == "--ready-file") {
            o.ready_file = valor;
        } else {
            AplicarGerador(o, opcao, valor);
        }
    }
    if (o.cert.empty() || o.key.empty()) Falhar("indique --cert e --key");
    return o;
}

nlohmann::json LerFeed(const std::string& caminho) {
    std::ifstream arquivo(caminho, std::ios::binary);
    if (!arquivo) Falhar("nao foi possivel abrir " + caminho);
    try {
        return nlohmann::json::parse(arquivo);
    } catch (const std::exception& e) {
        Falhar("JSON invalido em " + caminho + ": " + e.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Opcoes opcoes = LerOpcoes(argc, argv);
    nlohmann::json feed =
        opcoes.feed_file.empty() ? servico::GerarCupons(opcoes.gerador) : LerFeed(opcoes.feed_file);

    // Block the stop signals before any thread starts, so that every thread inherits the mask
    // and only sigwait below receives them.
    sigset_t sinais;
    sigemptyset(&sinais);
    sigaddset(&sinais, SIGINT);
    sigaddset(&sinais, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &sinais, nullptr);

    servico::ServicoLocal servico({opcoes.cert, opcoes.key, "127.0.0.1", opcoes.porta});
    try {
        servico.AdicionarUsuario(opcoes.usuario, opcoes.senha, std::move(feed));
    } catch (const std::exception& e) {
        Falhar(e.what());
    }
    if (!servico.Iniciar()) {
        std::cerr << "cupom-service: nao foi possivel iniciar o servico em 127.0.0.1:"
                  << opcoes.porta << " (certificado " << opcoes.cert << ")\n";
        return 1;
    }
    std::cout << "Servico local em " << servico.UrlBase() << " (usuario " << opcoes.usuario
              << ", senha " << opcoes.senha << ")" << std::endl;
    if (!opcoes.ready_file.empty()) {
        // Written under a temporary name and renamed, so a script never reads half a URL.
        const std::string temporario = opcoes.ready_file + ".tmp";
        std::ofstream(temporario) << servico.UrlBase() << "\n";
        if (std::rename(temporario.c_str(), opcoes.ready_file.c_str()) != 0) {
            std::cerr << "cupom-service: nao foi possivel escrever " << opcoes.ready_file << "\n";
        }
    }

    int sinal = 0;
    sigwait(&sinais, &sinal);
    servico.Parar();
    return 0;
}
