// LerCupom: a receipt of a parsed feed read as the import stores it.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "db/CupomLido.h"

using nlohmann::json;

namespace {

// A member of a feed object, or null when it is missing (or the value is not an object), so
// that a missing required key fails the typed read like a null does.
const json& Campo(const json& objeto, const char* chave) {
    static const json nulo;
    if (!objeto.is_object()) return nulo;
    const auto it = objeto.find(chave);
    return it == objeto.end() ? nulo : *it;
}

// A string member, read in place. Any other value throws the library's type_error, exactly as
// converting it to a string would.
std::string_view Texto(const json& valor) {
    if (!valor.is_string()) static_cast<void>(valor.get<std::string>());
    return valor.get_ref<const std::string&>();
}

std::string_view Texto(const json& objeto, const char* chave) {
    return Texto(Campo(objeto, chave));
}

// An empty text for a missing or null member.
std::string_view TextoOpcional(const json& objeto, const char* chave) {
    const json& valor = Campo(objeto, chave);
    return valor.is_null() ? std::string_view("") : Texto(valor);
}

double Numero(const json& objeto, const char* chave) {
    return Campo(objeto, chave).get<double>();
}

// "id" and "seq": 32-bit integers, 0 when absent, a real truncated. A number beyond that range
// fails the feed like a value of the wrong type: converting a real out of range is undefined
// behaviour, and a wrapped integer would quietly become another receipt's id (and cursor).
int Inteiro32(const json& objeto, const char* chave) {
    if (!objeto.is_object()) return objeto.value(chave, 0);  // throws the library's type_error
    const auto it = objeto.find(chave);
    if (it == objeto.end()) return 0;
    bool cabe = true;
    if (it->is_number_float()) {
        const double valor = std::trunc(it->get<double>());
        cabe = valor >= INT32_MIN && valor <= INT32_MAX;  // false for NaN
    } else if (it->is_number_unsigned()) {
        cabe = it->get<std::uint64_t>() <= INT32_MAX;
    } else if (it->is_number_integer()) {
        const std::int64_t valor = it->get<std::int64_t>();
        cabe = valor >= INT32_MIN && valor <= INT32_MAX;
    }
    if (!cabe)
        throw std::runtime_error(std::string("\"") + chave +
                                 "\" fora do intervalo de um inteiro de 32 bits: " + it->dump());
    return it->get<int>();  // a value of another type throws the library's type_error
}

// Bit for bit, so that 0 and -0 differ as they do once stored.
bool Mesmo(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const char* const kTexto = "um texto";
const char* const kNumero =
    "um n\xc3\xba"
    "mero";

// The kind of a JSON value as a person would name it.
std::string NomeDoTipo(const json& valor) {
    switch (valor.type()) {
        case json::value_t::null:
            return "nulo";
        case json::value_t::object:
            return "um objeto";
        case json::value_t::array:
            return "uma lista";
        case json::value_t::string:
            return kTexto;
        case json::value_t::boolean:
            return "um valor l\xc3\xb3gico";
        case json::value_t::number_integer:
        case json::value_t::number_unsigned:
        case json::value_t::number_float:
            return kNumero;
        default:
            return valor.type_name();
    }
}

// Where a value is being read: the member, of what object, and what it must be.
struct Lugar {
    const json* objeto = nullptr;
    const char* campo = "";
    const char* esperado = "";
    std::size_t item = 0;  // the item line, counted from 1; 0 outside them
    bool emitente = false;
};

// The library's type_error, thrown again with the receipt, the member and the values nested in
// it (ValorErrado), so that a message can say what is wrong and where.
[[noreturn]] void RelancarComLugar(const json::type_error& erro, int id, const Lugar& lugar) {
    std::string onde;
    std::string achado;
    if (!lugar.objeto->is_object()) {
        onde = lugar.item       ? "no item " + std::to_string(lugar.item)
               : lugar.emitente ? std::string("no campo \"emitente\"")
                                : "";
        achado = NomeDoTipo(*lugar.objeto);
    } else {
        onde = std::string("no campo \"") + lugar.campo + "\"";
        if (lugar.emitente) onde += " do emitente";
        if (lugar.item) onde += " do item " + std::to_string(lugar.item);
        const auto it = lugar.objeto->find(lugar.campo);
        achado = it == lugar.objeto->end() ? std::string("est\xc3\xa1 ausente")
                                           : "\xc3\xa9 " + NomeDoTipo(*it);
    }
    std::string mensagem;
    if (onde.empty()) {
        mensagem = "Um cupom do feed n\xc3\xa3o \xc3\xa9 um objeto: \xc3\xa9 " + achado + ".";
    } else if (!lugar.objeto->is_object()) {
        mensagem = "O cupom " + std::to_string(id) + " tem um valor de tipo errado " + onde +
                   ": devia ser um objeto, mas \xc3\xa9 " + achado + ".";
    } else {
        mensagem = "O cupom " + std::to_string(id) + " tem um valor de tipo errado " + onde +
                   ": devia ser " + lugar.esperado + ", mas " + achado + ".";
    }
    try {
        throw ValorErrado(mensagem);
    } catch (...) {
        std::throw_with_nested(erro);
    }
}

}  // namespace

std::string MensagemDeValorErrado(const std::exception& erro) {
    try {
        std::rethrow_if_nested(erro);
    } catch (const ValorErrado& valor) {
        return valor.what();
    } catch (...) {
    }
    return erro.what();
}

void LerCupom(const json& d, CupomLido& v) {
    v.linhas.clear();
    v.erro_linha = nullptr;
    v.id = 0;
    Lugar lugar{&d, "id", kNumero};
    // Each read names its member first, for the message should it be of the wrong type.
    const auto em = [&lugar](const json& objeto, const char* campo, const char* esperado) {
        lugar.objeto = &objeto;
        lugar.campo = campo;
        lugar.esperado = esperado;
        return campo;
    };
    try {
        v.id = Inteiro32(d, "id");
        v.sem_chave = Campo(d, "chave_acesso").is_null();
        if (v.sem_chave) return;

        v.data_hora = Texto(d, em(d, "data_hora_emissao", kTexto));
        v.numero_cfe = Texto(d, em(d, "numero_cfe", kTexto));
        v.numero_serie_sat = Texto(d, em(d, "numero_serie_sat", kTexto));
        v.chave_acesso = Texto(d, em(d, "chave_acesso", kTexto));
        v.url_consulta = TextoOpcional(d, em(d, "url_consulta", kTexto));
        v.valor_total = Numero(d, em(d, "valor_total", kNumero));
        v.obs_cupom = TextoOpcional(d, em(d, "obs_cupom", kTexto));
        v.obs_inf = TextoOpcional(d, em(d, "obs_inf", kTexto));
        v.total_tributos = Numero(d, em(d, "total_tributos", kNumero));
        const json& emitente = Campo(d, "emitente");
        lugar.emitente = true;
        static constexpr const char* kCamposEmitente[] = {
            "cnpj", "ie", "im", "nome", "fantasia", "endereco", "bairro", "cep", "municipio"};
        for (int i = 0; i < 9; ++i)
            v.emitente[i] = Texto(emitente, em(emitente, kCamposEmitente[i], kTexto));
        lugar.emitente = false;
    } catch (const json::type_error& erro) {
        RelancarComLugar(erro, v.id, lugar);
    }

    const json& itens = Campo(d, "itens");
    if (itens.is_null()) return;
    try {
        for (const json& linha : itens) {
            ++lugar.item;
            const int seq = Inteiro32(linha, em(linha, "seq", kNumero));
            const std::string_view codigo = Texto(linha, em(linha, "codigo", kTexto));
            const std::string_view descricao = Texto(linha, em(linha, "descricao", kTexto));
            const double qtde = Numero(linha, em(linha, "qtde", kNumero));
            const std::string_view un = Texto(linha, em(linha, "un", kTexto));
            const double valor_unit = Numero(linha, em(linha, "valor_unit", kNumero));
            const double tributos = Numero(linha, em(linha, "tributos", kNumero));
            const double valor_total = Numero(linha, em(linha, "valor_total", kNumero));
            const double desconto = Numero(linha, em(linha, "desconto", kNumero));
            v.linhas.push_back(
                {seq, codigo, descricao, qtde, un, valor_unit, tributos, valor_total, desconto});
        }
    } catch (const json::type_error& erro) {
        try {
            RelancarComLugar(erro, v.id, lugar);
        } catch (...) {
            v.erro_linha = std::current_exception();
        }
    } catch (...) {
        v.erro_linha = std::current_exception();
    }
}

CupomLido LerCupom(json cupom) {
    CupomLido lido;
    lido.documento = std::move(cupom);
    LerCupom(lido.documento, lido);
    return lido;
}

bool MesmosValores(const CupomLido& a, const CupomLido& b) {
    if (a.id != b.id || a.sem_chave != b.sem_chave || !a.erro_linha != !b.erro_linha) return false;
    if (a.sem_chave) return true;
    const auto mesma_linha = [](const CupomLido::Linha& x, const CupomLido::Linha& y) {
        return x.seq == y.seq && x.codigo == y.codigo && x.descricao == y.descricao &&
               Mesmo(x.qtde, y.qtde) && x.un == y.un && Mesmo(x.valor_unit, y.valor_unit) &&
               Mesmo(x.tributos, y.tributos) && Mesmo(x.valor_total, y.valor_total) &&
               Mesmo(x.desconto, y.desconto);
    };
    return a.data_hora == b.data_hora && a.numero_cfe == b.numero_cfe &&
           a.numero_serie_sat == b.numero_serie_sat && a.chave_acesso == b.chave_acesso &&
           a.url_consulta == b.url_consulta && a.obs_cupom == b.obs_cupom &&
           a.obs_inf == b.obs_inf && Mesmo(a.valor_total, b.valor_total) &&
           Mesmo(a.total_tributos, b.total_tributos) && a.emitente == b.emitente &&
           std::equal(a.linhas.begin(), a.linhas.end(), b.linhas.begin(), b.linhas.end(),
                      mesma_linha);
}
