// cupom-service: the local receipt service on 127.0.0.1, with one user whose receipts are either
// generated or read from a JSON file. Runs until SIGINT or SIGTERM. With --xml it writes those
// receipts as fiscal XML files instead, and ends.

#include "service/GeradorCupons.h"
#include "service/GeradorXml.h"
#include "service/ServicoLocal.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

namespace {

constexpr const char* kUso =
    "uso: cupom-service [opções]\n"
    "  --port N           porta (0, o padrão: escolhida pelo sistema)\n"
    "  --cert ARQ         certificado do servidor (PEM)\n"
    "  --key ARQ          chave privada do servidor (PEM)\n"
    "  --user NOME        usuário (padrão demo)\n"
    "  --password SENHA   senha (padrão demo123)\n"
    "  --years N          anos de cupons gerados, o último até --end-date (padrão 3)\n"
    "  --per-month N      cupons por mês (padrão 20)\n"
    "  --seed N           semente do gerador (padrão 42)\n"
    "  --end-date DATA    último momento com cupons: AAAA-MM-DD ou AAAA-MM-DDThh:mm:ss\n"
    "                     (padrão: agora)\n"
    "  --start-year N     em vez disso, anos inteiros a partir de N\n"
    "  --feed-file ARQ    serve os cupons deste arquivo JSON em vez de gerá-los\n"
    "  --ready-file ARQ   escreve a URL neste arquivo quando o serviço estiver ouvindo\n"
    "  --tokens-file ARQ  aceita os tokens guardados neste arquivo e guarda nele, ao parar,\n"
    "                     os tokens aceitos\n"
    "  --xml PASTA        em vez de servir, escreve os cupons como arquivos XML fiscais\n"
    "                     (CF-e SAT e NFC-e, uma pasta por mês, o último mês num zip) e sai\n";

struct Opcoes {
    int porta = 0;
    std::string cert, key;
    std::string usuario = "demo", senha = "demo123";
    servico::OpcoesGerador gerador = servico::kOpcoesDemo;
    std::string feed_file, ready_file, tokens_file, xml;
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
    o.gerador.fim = servico::MomentoAtual();
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
            "--port",      "--cert",       "--key",         "--user",       "--password",
            "--years",     "--per-month",  "--seed",        "--start-year", "--end-date",
            "--feed-file", "--ready-file", "--tokens-file", "--xml"};
        if (!kConhecidas.count(opcao)) Falhar("opção desconhecida: " + opcao);
        if (i + 1 >= argc) Falhar("falta o valor de " + opcao);
        const std::string valor = argv[++i];
        if (opcao == "--port") {
            const auto porta = servico::LerInteiroOpcao(valor);
            if (!porta || *porta < 0 || *porta > 65535) Falhar("porta inválida: " + valor);
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
        } else if (opcao == "--tokens-file") {
            o.tokens_file = valor;
        } else if (opcao == "--xml") {
            o.xml = valor;
        } else {
            AplicarGerador(o, opcao, valor);
        }
    }
    if (o.xml.empty() && (o.cert.empty() || o.key.empty())) Falhar("indique --cert e --key");
    return o;
}

nlohmann::json LerFeed(const std::string& caminho) {
    std::ifstream arquivo(caminho, std::ios::binary);
    if (!arquivo) Falhar("não foi possível abrir " + caminho);
    try {
        return nlohmann::json::parse(arquivo);
    } catch (const std::exception& e) {
        Falhar("JSON inválido em " + caminho + ": " + e.what());
    }
}

// One "token<TAB>user" a line. The file holds secrets: it is written for its owner alone, under
// a temporary name and renamed, so a stop in the middle never leaves half of it.
void CarregarTokens(servico::ServicoLocal& s, const std::string& caminho) {
    std::ifstream entrada(caminho);
    std::string linha;
    while (std::getline(entrada, linha)) {
        const auto tab = linha.find('\t');
        if (tab != std::string::npos) s.AceitarToken(linha.substr(0, tab), linha.substr(tab + 1));
    }
}

void GuardarTokens(const servico::ServicoLocal& s, const std::string& caminho) {
    const std::string temporario = caminho + ".tmp";
    const mode_t mascara = umask(077);
    std::ofstream saida(temporario, std::ios::trunc);
    umask(mascara);
    for (const auto& [token, nome] : s.Tokens()) {
        if (nome.find('\n') == std::string::npos) saida << token << '\t' << nome << '\n';
    }
    saida.close();
    if (!saida || std::rename(temporario.c_str(), caminho.c_str()) != 0)
        std::cerr << "cupom-service: não foi possível escrever " << caminho << "\n";
}

int EscreverXml(const nlohmann::json& feed, const std::string& pasta) {
    if (!feed.is_array()) Falhar("os cupons devem ser uma lista JSON");
    try {
        const servico::ResumoXml r = servico::EscreverXml(feed, pasta);
        std::cout << r.cfe + r.nfce << " cupons em " << pasta << ": " << r.cfe << " CF-e SAT, "
                  << r.nfce << " NFC-e, " << r.no_zip << " deles num zip" << std::endl;
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "cupom-service: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Opcoes opcoes = LerOpcoes(argc, argv);
    nlohmann::json feed =
        opcoes.feed_file.empty() ? servico::GerarCupons(opcoes.gerador) : LerFeed(opcoes.feed_file);
    if (!opcoes.xml.empty()) return EscreverXml(feed, opcoes.xml);

    // Block the stop signals before any thread starts, so that every thread inherits the mask
    // and only sigwait below receives them.
    sigset_t sinais;
    sigemptyset(&sinais);
    sigaddset(&sinais, SIGINT);
    sigaddset(&sinais, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &sinais, nullptr);

    servico::ServicoLocal servico({opcoes.cert, opcoes.key, "127.0.0.1", opcoes.porta});
    if (!feed.is_array() && !feed.is_null())
        Falhar("os cupons de " + opcoes.feed_file + " devem ser uma lista JSON");
    try {
        servico.AdicionarUsuario(opcoes.usuario, opcoes.senha, std::move(feed));
    } catch (const std::exception& e) {
        Falhar(std::string("cupons inválidos: ") + e.what());
    }
    if (!opcoes.tokens_file.empty()) CarregarTokens(servico, opcoes.tokens_file);
    if (!servico.Iniciar()) {
        std::cerr << "cupom-service: não foi possível iniciar o serviço em 127.0.0.1:"
                  << opcoes.porta << " (certificado " << opcoes.cert << ")\n";
        return 1;
    }
    std::cout << "Serviço local em " << servico.UrlBase() << " (usuário " << opcoes.usuario
              << ", senha " << opcoes.senha << ")" << std::endl;
    if (!opcoes.ready_file.empty()) {
        // Written under a temporary name and renamed, so a script never reads half a URL.
        const std::string temporario = opcoes.ready_file + ".tmp";
        std::ofstream(temporario) << servico.UrlBase() << "\n";
        if (std::rename(temporario.c_str(), opcoes.ready_file.c_str()) != 0) {
            std::cerr << "cupom-service: não foi possível escrever " << opcoes.ready_file << "\n";
        }
    }

    int sinal = 0;
    sigwait(&sinais, &sinal);
    servico.Parar();
    if (!opcoes.tokens_file.empty()) GuardarTokens(servico, opcoes.tokens_file);
    return 0;
}
