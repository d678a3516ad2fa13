#pragma once

// The local receipt service: an HTTPS server on loopback answering the login, the token check and
// the receipt request the way the real service does, for the run command and for tests.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace servico {

// One request as the service saw it (for tests).
struct RequisicaoRecebida {
    std::string metodo;  // "GET", "POST"
    std::string caminho;
    std::multimap<std::string, std::string> cabecalhos;  // names in lower case
    std::string corpo;
};

// A canned answer that replaces the normal handling of one path (for tests): status, body and
// content type, after an optional delay; or a body dripped slowly.
struct RespostaFixa {
    int status = 200;
    std::string corpo;
    std::string content_type = "application/json";
    std::chrono::milliseconds atraso{0};
    // When positive, the body goes out in blocks of `bytes_por_gota` with this pause between
    // them (the declared length stays the full size), to imitate a stalling server.
    std::chrono::milliseconds gotejamento{0};
    std::size_t bytes_por_gota = 1;
    // When not empty, the body goes out chunked, followed by these trailer lines ("Name: value",
    // each ending in CRLF), which a client receives only after the whole body.
    std::string trailers = {};
};

class ServicoLocal {
public:
    struct Config {
        std::string cert_file;  // PEM certificate chain of the server
        std::string key_file;   // PEM private key
        std::string host = "127.0.0.1";
        int porta = 0;  // 0: picked by the system
    };

    explicit ServicoLocal(Config config);
    ~ServicoLocal();  // stops the server
    ServicoLocal(const ServicoLocal&) = delete;
    ServicoLocal& operator=(const ServicoLocal&) = delete;

    // A user who can log in with this password and whose receipts are `feed` (a JSON array in
    // the feed format, ascending ids).
    void AdicionarUsuario(const std::string& nome, const std::string& senha,
                          nlohmann::json feed = nlohmann::json::array());
    // The same for u8"" literals (char8_t text), as tests with accented names write them.
    void AdicionarUsuario(std::u8string_view nome, std::u8string_view senha,
                          nlohmann::json feed = nlohmann::json::array()) {
        AdicionarUsuario(std::string(nome.begin(), nome.end()),
                         std::string(senha.begin(), senha.end()), std::move(feed));
    }

    // Starts listening on a background thread; false when the address cannot be bound.
    bool Iniciar();
    void Parar();
    int Porta() const;
    std::string UrlBase() const;  // "https://127.0.0.1:<port>"

    // Test hooks.
    std::vector<RequisicaoRecebida> Requisicoes() const;
    void LimparRequisicoes();
    void DefinirRespostaFixa(const std::string& caminho, std::optional<RespostaFixa> resposta);
    // A token the service accepts for `nome` without a login (as if issued earlier).
    std::string EmitirToken(const std::string& nome);
    void RevogarTokens();

    // The tokens accepted now (token, user name), and one more to accept: what a restarted
    // service needs to keep honouring the logins of an earlier run.
    std::vector<std::pair<std::string, std::string>> Tokens() const;
    void AceitarToken(const std::string& token, const std::string& nome);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace servico
