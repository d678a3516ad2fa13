#include "service/ServicoLocal.h"

#include <httplib.h>
#include <openssl/rand.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <unordered_map>

namespace servico {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr const char* kCaminhoLogin = "/cupom/usuario.php";
constexpr const char* kCaminhoToken = "/cupom/api.php";
constexpr const char* kCaminhoCupons = "/cupom/consulta_cupom.php";
constexpr const char* kTipoJson = "application/json; charset=UTF-8";

// Pseudo headers the server library adds to every request; the client never sent them.
bool CabecalhoInterno(const std::string& nome) {
    return nome == "REMOTE_ADDR" || nome == "REMOTE_PORT" || nome == "LOCAL_ADDR" ||
           nome == "LOCAL_PORT";
}

std::string Minusculas(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string NovoToken() {
    unsigned char bytes[32];
    if (RAND_bytes(bytes, sizeof bytes) != 1) throw std::runtime_error("RAND_bytes failed");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    token.reserve(2 * sizeof bytes);
    for (unsigned char b : bytes) {
        token += kHex[b >> 4];
        token += kHex[b & 0x0f];
    }
    return token;
}

void Erro(httplib::Response& res, int status, const std::string& mensagem) {
    res.status = status;
    res.set_content(json{{"erro", mensagem}}.dump(), kTipoJson);
}

std::int64_t IdDe(const json& cupom) {
    if (!cupom.is_object()) return 0;
    auto it = cupom.find("id");
    return it != cupom.end() && it->is_number() ? it->get<std::int64_t>() : 0;
}

// A user's receipts, serialised once when the user is added: the texts of all receipts in id
// order joined by commas, with each receipt's id and start offset, so that a request is a binary
// search and one copy, however large the feed. Immutable once built, so handlers read it
// without holding any lock.
struct Feed {
    std::string texto;
    std::vector<std::int64_t> ids;
    std::vector<std::size_t> inicios;
};

}  // namespace

struct ServicoLocal::Impl {
    Config config;
    int porta = 0;

    std::unique_ptr<httplib::SSLServer> servidor;
    std::thread thread_servidor;
    std::atomic<bool> parando{false};
    std::atomic<bool> servidor_terminou{false};

    mutable std::mutex mutex_contas;  // guards usuarios and tokens
    struct Usuario {
        std::string senha;
        std::shared_ptr<const Feed> feed;
    };
    std::map<std::string, Usuario> usuarios;
    std::unordered_map<std::string, std::string> tokens;  // token -> user name

    mutable std::mutex mutex_requisicoes;
    std::vector<RequisicaoRecebida> requisicoes;

    mutable std::mutex mutex_respostas;
    std::map<std::string, RespostaFixa> respostas_fixas;

    // Sleeps in short steps so that Parar() never waits for a long canned delay.
    bool Esperar(std::chrono::milliseconds tempo) const {
        const auto fim = std::chrono::steady_clock::now() + tempo;
        while (!parando.load()) {
            const auto agora = std::chrono::steady_clock::now();
            if (agora >= fim) return true;
            std::this_thread::sleep_for(
                std::min<std::chrono::steady_clock::duration>(fim - agora, 10ms));
        }
        return false;
    }

    void Registrar(const httplib::Request& req) {
        RequisicaoRecebida r;
        r.metodo = req.method;
        r.caminho = req.path;
        for (const auto& [nome, valor] : req.headers) {
            if (!CabecalhoInterno(nome)) r.cabecalhos.emplace(Minusculas(nome), valor);
        }
        r.corpo = req.body;
        std::lock_guard lock(mutex_requisicoes);
        requisicoes.push_back(std::move(r));
    }

    std::optional<std::string> UsuarioDoToken(const httplib::Request& req) const {
        if (!req.has_header("secret-key")) return std::nullopt;
        const std::string token = req.get_header_value("secret-key");
        std::lock_guard lock(mutex_contas);
        auto it = tokens.find(token);
        if (it == tokens.end()) return std::nullopt;
        return it->second;
    }

    void ResponderFixa(const RespostaFixa& fixa, httplib::Response& res) {
        if (fixa.atraso.count() > 0 && !Esperar(fixa.atraso)) {
            Erro(res, 503, "serviço parando");
            return;
        }
        res.status = fixa.status;
        if (!fixa.trailers.empty()) {
            // The library sends no trailers of its own: the chunks are written here, and the
            // body goes out without a length of its own.
            auto bruto = std::make_shared<std::string>();
            char tamanho[32];
            std::snprintf(tamanho, sizeof tamanho, "%zx\r\n", fixa.corpo.size());
            *bruto = std::string(tamanho) + fixa.corpo + "\r\n0\r\n" + fixa.trailers + "\r\n";
            res.set_header("Transfer-Encoding", "chunked");
            res.set_content_provider(fixa.content_type,
                                     [bruto](std::size_t, httplib::DataSink& sink) {
                                         sink.write(bruto->data(), bruto->size());
                                         sink.done();
                                         return true;
                                     });
            return;
        }
        if (fixa.gotejamento.count() <= 0) {
            res.set_content(fixa.corpo, fixa.content_type);
            return;
        }
        auto corpo = std::make_shared<std::string>(fixa.corpo);
        const std::size_t bloco = std::max<std::size_t>(1, fixa.bytes_por_gota);
        const auto pausa = fixa.gotejamento;
        res.set_content_provider(corpo->size(), fixa.content_type,
                                 [this, corpo, bloco, pausa](std::size_t offset, std::size_t length,
                                                             httplib::DataSink& sink) {
                                     if (offset > 0 && !Esperar(pausa)) return false;
                                     return sink.write(corpo->data() + offset,
                                                       std::min(bloco, length));
                                 });
    }

    void Login(const httplib::Request& req, httplib::Response& res) {
        if (req.method != "POST") return Erro(res, 405, "use POST");
        const json corpo = json::parse(req.body, nullptr, false);
        const auto texto = [&](const char* chave) -> const std::string* {
            if (!corpo.is_object()) return nullptr;
            auto it = corpo.find(chave);
            return it != corpo.end() && it->is_string() ? it->get_ptr<const std::string*>()
                                                        : nullptr;
        };
        const std::string* funcao = texto("funcao");
        const std::string* nome = texto("nome");
        const std::string* senha = texto("senha");
        if (!funcao || *funcao != "login" || !nome || !senha) {
            return Erro(res, 401, "usuário ou senha inválidos");
        }
        std::string token;
        {
            std::lock_guard lock(mutex_contas);
            auto it = usuarios.find(*nome);
            if (it == usuarios.end() || it->second.senha != *senha) {
                return Erro(res, 401, "usuário ou senha inválidos");
            }
            token = NovoToken();
            tokens[token] = *nome;
        }
        res.status = 200;
        res.set_content(json{{"secret", token}}.dump(), kTipoJson);
    }

    void VerificarToken(const httplib::Request& req, httplib::Response& res) {
        if (!UsuarioDoToken(req)) return Erro(res, 401, "token inválido");
        res.status = 200;
        res.set_content(R"({"ok":true})", kTipoJson);
    }

    void ConsultarCupons(const httplib::Request& req, httplib::Response& res) {
        const auto usuario = UsuarioDoToken(req);
        if (!usuario) return Erro(res, 401, "token inválido");
        const json corpo = json::parse(req.body, nullptr, false);
        if (!corpo.is_object() || !corpo.contains("ultimo_id") ||
            !corpo["ultimo_id"].is_number_integer()) {
            return Erro(res, 400, "corpo deve ser {\"ultimo_id\": inteiro}");
        }
        // An id above every 64-bit value cannot be read as signed: nothing lies above it.
        const json& valor = corpo["ultimo_id"];
        const bool acima_de_tudo =
            valor.is_number_unsigned() &&
            valor.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX);
        const std::int64_t ultimo_id = acima_de_tudo ? INT64_MAX : valor.get<std::int64_t>();

        std::shared_ptr<const Feed> feed;
        {
            std::lock_guard lock(mutex_contas);
            auto it = usuarios.find(*usuario);
            if (it != usuarios.end()) feed = it->second.feed;
        }
        std::string saida;
        if (feed) {
            const auto i = static_cast<std::size_t>(
                std::upper_bound(feed->ids.begin(), feed->ids.end(), ultimo_id) -
                feed->ids.begin());
            if (i < feed->ids.size()) {
                const std::size_t de = feed->inicios[i];
                saida.reserve(feed->texto.size() - de + 2);
                saida += '[';
                saida.append(feed->texto, de, std::string::npos);
                saida += ']';
            }
        }
        if (saida.empty()) saida = "[]";
        res.status = 200;
        res.body = std::move(saida);
        res.set_header("Content-Type", kTipoJson);
    }

    void Tratar(const httplib::Request& req, httplib::Response& res) {
        Registrar(req);
        std::optional<RespostaFixa> fixa;
        {
            std::lock_guard lock(mutex_respostas);
            if (auto it = respostas_fixas.find(req.path); it != respostas_fixas.end())
                fixa = it->second;
        }
        if (fixa) return ResponderFixa(*fixa, res);
        if (req.path == kCaminhoLogin) return Login(req, res);
        if (req.path == kCaminhoToken) return VerificarToken(req, res);
        if (req.path == kCaminhoCupons) return ConsultarCupons(req, res);
        Erro(res, 404, "caminho desconhecido");
    }

    void Parar() {
        parando = true;
        if (thread_servidor.joinable()) {
            // stop() only acts once the listen loop runs, and must be called only once then.
            bool pedido = false;
            while (!servidor_terminou.load()) {
                if (!pedido && servidor->is_running()) {
                    servidor->stop();
                    pedido = true;
                }
                std::this_thread::sleep_for(1ms);
            }
            thread_servidor.join();
        }
        servidor.reset();
    }
};

ServicoLocal::ServicoLocal(Config config) : impl_(std::make_unique<Impl>()) {
    impl_->config = std::move(config);
}

ServicoLocal::~ServicoLocal() {
    Parar();
}

void ServicoLocal::AdicionarUsuario(const std::string& nome, const std::string& senha,
                                    nlohmann::json feed) {
    if (feed.is_null()) feed = json::array();
    if (!feed.is_array()) throw std::invalid_argument("the receipt feed must be a JSON array");
    std::vector<std::pair<std::int64_t, std::size_t>> ordem;  // (id, position in the feed)
    ordem.reserve(feed.size());
    for (std::size_t i = 0; i < feed.size(); ++i) ordem.emplace_back(IdDe(feed[i]), i);
    std::stable_sort(ordem.begin(), ordem.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    auto pronto = std::make_shared<Feed>();
    pronto->ids.reserve(feed.size());
    pronto->inicios.reserve(feed.size());
    for (const auto& [id, i] : ordem) {
        if (!pronto->texto.empty()) pronto->texto += ',';
        pronto->ids.push_back(id);
        pronto->inicios.push_back(pronto->texto.size());
        pronto->texto += feed[i].dump();  // throws for text that is not UTF-8
    }

    std::lock_guard lock(impl_->mutex_contas);
    impl_->usuarios[nome] = Impl::Usuario{senha, std::move(pronto)};
}

bool ServicoLocal::Iniciar() {
    if (impl_->thread_servidor.joinable()) return true;
    auto servidor = std::make_unique<httplib::SSLServer>(impl_->config.cert_file.c_str(),
                                                         impl_->config.key_file.c_str());
    if (!servidor->is_valid()) return false;

    // One request per connection: an idle kept-alive connection would hold a worker, and with
    // it Parar(), for the whole keep-alive timeout.
    servidor->set_keep_alive_max_count(1);
    // The library's default also sets SO_REUSEPORT, which would let a second service bind a port
    // that is in use and share its connections; address reuse alone is enough for a restart.
    servidor->set_socket_options([](socket_t sock) {
        int sim = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &sim, sizeof sim);
    });
    servidor->set_keep_alive_timeout(1);
    const auto tratar = [impl = impl_.get()](const httplib::Request& req, httplib::Response& res) {
        impl->Tratar(req, res);
    };
    servidor->Get(".*", tratar);
    servidor->Post(".*", tratar);
    servidor->Put(".*", tratar);
    servidor->Patch(".*", tratar);
    servidor->Delete(".*", tratar);
    servidor->Options(".*", tratar);

    // A restarted service keeps its port, so URLs handed out earlier stay valid.
    const int desejada = impl_->config.porta != 0 ? impl_->config.porta : impl_->porta;
    int porta = desejada;
    if (desejada == 0) {
        porta = servidor->bind_to_any_port(impl_->config.host);
        if (porta <= 0) return false;
    } else if (!servidor->bind_to_port(impl_->config.host, desejada)) {
        return false;
    }
    impl_->porta = porta;
    impl_->parando = false;
    impl_->servidor_terminou = false;
    impl_->servidor = std::move(servidor);
    impl_->thread_servidor = std::thread([impl = impl_.get()] {
        impl->servidor->listen_after_bind();
        impl->servidor_terminou = true;
    });

    const auto limite = std::chrono::steady_clock::now() + 5s;
    while (!impl_->servidor->is_running()) {
        if (impl_->servidor_terminou.load() || std::chrono::steady_clock::now() > limite) {
            impl_->Parar();
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void ServicoLocal::Parar() {
    impl_->Parar();
}

int ServicoLocal::Porta() const {
    return impl_->porta;
}

std::string ServicoLocal::UrlBase() const {
    return "https://" + impl_->config.host + ":" + std::to_string(impl_->porta);
}

std::vector<RequisicaoRecebida> ServicoLocal::Requisicoes() const {
    std::lock_guard lock(impl_->mutex_requisicoes);
    return impl_->requisicoes;
}

void ServicoLocal::LimparRequisicoes() {
    std::lock_guard lock(impl_->mutex_requisicoes);
    impl_->requisicoes.clear();
}

void ServicoLocal::DefinirRespostaFixa(const std::string& caminho,
                                       std::optional<RespostaFixa> resposta) {
    std::lock_guard lock(impl_->mutex_respostas);
    if (resposta) {
        impl_->respostas_fixas[caminho] = std::move(*resposta);
    } else {
        impl_->respostas_fixas.erase(caminho);
    }
}

std::string ServicoLocal::EmitirToken(const std::string& nome) {
    std::string token = NovoToken();
    std::lock_guard lock(impl_->mutex_contas);
    impl_->tokens[token] = nome;
    return token;
}

std::vector<std::pair<std::string, std::string>> ServicoLocal::Tokens() const {
    std::lock_guard lock(impl_->mutex_contas);
    return {impl_->tokens.begin(), impl_->tokens.end()};
}

void ServicoLocal::AceitarToken(const std::string& token, const std::string& nome) {
    std::lock_guard lock(impl_->mutex_contas);
    impl_->tokens[token] = nome;
}

void ServicoLocal::RevogarTokens() {
    std::lock_guard lock(impl_->mutex_contas);
    impl_->tokens.clear();
}

}  // namespace servico
