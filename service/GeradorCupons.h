#pragma once

// Deterministic generator of realistic receipt feeds: a dozen issuers (supermarkets, a pharmacy,
// a bakery, a petrol station) with CNPJs and addresses, 44-digit access keys, consult URLs and
// Portuguese product descriptions, over a chosen span of months.

#include <nlohmann/json.hpp>

#include <cstdint>

namespace servico {

struct OpcoesGerador {
    std::uint64_t semente = 42;
    int ano_inicial = 2022;  // receipts start in January of this year
    int anos = 3;
    int cupons_por_mes = 20;
    int primeiro_id = 1;  // the service id ("id") of the first receipt; ids then rise by one
};

// A JSON array of receipts in the feed format, in ascending "id" (and date) order.
nlohmann::json GerarCupons(const OpcoesGerador& opcoes);

}  // namespace servico
