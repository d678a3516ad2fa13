#pragma once

// One receipt of a feed as the import stores it, and its reading from a parsed document. Plain
// code with no database and no window: a feed can be read on another thread than the one that
// stores it, and the fuzz targets link it.

#include <array>
#include <deque>
#include <exception>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Every value of a receipt that is stored, read and checked. The texts are views: into the
// reply the receipt was read from, or into `documento` or `decodificados` below, which move with
// the receipt without moving the texts they hold.
struct CupomLido {
    struct Linha {
        int seq;
        std::string_view codigo, descricao;
        double qtde;
        std::string_view un;
        double valor_unit, tributos, valor_total, desconto;
    };

    int id = 0;
    bool sem_chave = false;  // no access key: skipped, and nothing but `id` is read
    std::string_view data_hora, numero_cfe, numero_serie_sat, chave_acesso, url_consulta, obs_cupom,
        obs_inf;
    std::string_view cpf_consumidor, razao_social_consumidor;  // none in a service's feed
    double valor_total = 0, total_tributos = 0;
    // The issuer's cnpj, ie, im, nome, fantasia, endereco, bairro, cep and municipio.
    std::array<std::string_view, 9> emitente{};
    std::vector<Linha> linhas;
    // A wrong value in the line after the last of `linhas`: thrown once those are stored, as
    // storing line by line would have done.
    std::exception_ptr erro_linha;

    nlohmann::json documento;               // the receipt, when it was read as a document
    std::deque<std::string> decodificados;  // texts whose escapes had to be decoded
};

// What is wrong with a value of a receipt, in words for a person (UTF-8): which receipt (its
// id), which member, what it should be and what it is. Nested in the library's type_error that
// LerCupom throws (std::nested_exception), which stays the exception's own type.
class ValorErrado : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The message of a ValorErrado nested in `erro`, else `erro`'s own text.
std::string MensagemDeValorErrado(const std::exception& erro);

// Reads, in the order the import has always read them, every value of `cupom` that is stored,
// leaving the texts in `cupom` itself. A wrong value throws the library's type_error here, before
// anything of the receipt is written, unless it is in an item line (see CupomLido::erro_linha).
void LerCupom(const nlohmann::json& cupom, CupomLido& destino);

// The same, keeping the document in the receipt read.
CupomLido LerCupom(nlohmann::json cupom);

// Whether two readings store the same: texts by content, numbers to the sign of a zero, the same
// item lines, and an error after them in both or in neither.
bool MesmosValores(const CupomLido& a, const CupomLido& b);
