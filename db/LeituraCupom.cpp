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

}  // namespace

void LerCupom(const json& d, CupomLido& v) {
    v.linhas.clear();
    v.erro_linha = nullptr;
    v.id = Inteiro32(d, "id");
    v.sem_chave = Campo(d, "chave_acesso").is_null();
    if (v.sem_chave) return;

    v.data_hora = Texto(d, "data_hora_emissao");
    v.numero_cfe = Texto(d, "numero_cfe");
    v.numero_serie_sat = Texto(d, "numero_serie_sat");
    v.chave_acesso = Texto(d, "chave_acesso");
    v.url_consulta = TextoOpcional(d, "url_consulta");
    v.valor_total = Numero(d, "valor_total");
    v.obs_cupom = TextoOpcional(d, "obs_cupom");
    v.obs_inf = TextoOpcional(d, "obs_inf");
    v.total_tributos = Numero(d, "total_tributos");
    const json& em = Campo(d, "emitente");
    static constexpr const char* kCamposEmitente[] = {
        "cnpj", "ie", "im", "nome", "fantasia", "endereco", "bairro", "cep", "municipio"};
    for (int i = 0; i < 9; ++i) v.emitente[i] = Texto(em, kCamposEmitente[i]);

    const json& itens = Campo(d, "itens");
    if (itens.is_null()) return;
    try {
        for (const json& linha : itens) {
            const int seq = Inteiro32(linha, "seq");
            const std::string_view codigo = Texto(linha, "codigo");
            const std::string_view descricao = Texto(linha, "descricao");
            const double qtde = Numero(linha, "qtde");
            const std::string_view un = Texto(linha, "un");
            const double valor_unit = Numero(linha, "valor_unit");
            const double tributos = Numero(linha, "tributos");
            const double valor_total = Numero(linha, "valor_total");
            const double desconto = Numero(linha, "desconto");
            v.linhas.push_back(
                {seq, codigo, descricao, qtde, un, valor_unit, tributos, valor_total, desconto});
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
