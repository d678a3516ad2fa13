#pragma once

// Deterministic generator of realistic receipt feeds: a dozen issuers (supermarkets, a pharmacy,
// a bakery, a petrol station) with CNPJs and addresses, 44-digit access keys, consult URLs and
// Portuguese product descriptions, over a chosen span of months.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace servico {

struct OpcoesGerador {
    std::uint64_t semente = 42;
    int ano_inicial = 2022;  // receipts start in January of this year (when `fim` is 0)
    int anos = 3;
    int cupons_por_mes = 20;
    int primeiro_id = 1;  // the service id ("id") of the first receipt; ids then rise by one
    // When not 0, the moment of the last possible receipt, as the digits AAAAMMDDhhmmss: the
    // receipts cover the `anos` calendar years up to that moment's year and stop at it. A later
    // end in the same years only adds receipts after the ones an earlier end gives.
    std::int64_t fim = 0;
};

// The sample data of the demo, shared by cupom-service and cupom-seed-db so that both make the
// same receipts: three years, 20 receipts a month, seed 42; the programs end them now.
inline constexpr OpcoesGerador kOpcoesDemo{42, 2024, 3, 20, 1, 0};

// The local time now as the digits AAAAMMDDhhmmss (the form of OpcoesGerador::fim).
std::int64_t MomentoAtual();

// A command-line value read as a whole decimal number; nothing when it is not one.
std::optional<long long> LerInteiroOpcao(const std::string& texto);

// Applies one of the generator's command-line options (--years, --per-month, --seed,
// --start-year, --end-date) to `opcoes`. False when `opcao` is none of them; throws
// std::invalid_argument, with a message for the user, when `valor` does not fit the option.
// --end-date takes AAAA-MM-DD (to the end of that day) or AAAA-MM-DDThh:mm:ss and --start-year
// drops any end: of the two, the one given last decides.
bool AplicarOpcaoGerador(OpcoesGerador& opcoes, const std::string& opcao, const std::string& valor);

// A JSON array of receipts in the feed format, in ascending "id" (and date) order.
nlohmann::json GerarCupons(const OpcoesGerador& opcoes);

}  // namespace servico
