#pragma once

// Where the money went: one row per store in a period, optionally with a company's branches
// merged, the largest ones for a bar chart, and one row's receipts.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "relatorios/DadosRelatorios.h"
#include "relatorios/Periodo.h"

namespace relatorios {

struct LinhaLoja {
    std::string cnpj;  // as stored; of the largest branch in a merged row
    std::string nome;  // Loja::nome; of the largest branch in a merged row
    int cupons = 0;
    double total = 0;
    // Percent of the period's total; none when that total is 0.
    std::optional<double> participacao;
    double ticket_medio = 0;      // total / cupons (a row always has a receipt)
    long long ultima_visita = 0;  // the newest receipt's moment, YYYYMMDDhhmmss
    // Positions in DadosRelatorios::lojas: the store, or every branch merged in the row.
    std::vector<int> lojas;
};

// The stores with receipts in the period, largest total first (then by name and CNPJ). With
// `agrupar_filiais`, stores whose CNPJs share their first 8 digits are one row, under the name
// and CNPJ of the one with the largest total in the period.
std::vector<LinhaLoja> RelatorioLojas(const DadosRelatorios& dados, const Periodo& periodo,
                                      bool agrupar_filiais);

inline constexpr const char* kRotuloOutrasLojas = "Outras";

struct BarraLoja {
    std::string rotulo;
    double total = 0;
    bool outras = false;  // the sum of the stores after the largest
};

// The first `maiores` rows (RelatorioLojas' order), then one "Outras" bar holding the rest when
// there is a rest.
std::vector<BarraLoja> BarrasLojas(const std::vector<LinhaLoja>& linhas, std::size_t maiores = 10);

struct CupomDaLoja {
    int id = 0;               // cupom.id, for opening the receipt
    long long data_hora = 0;  // YYYYMMDDhhmmss: date and time
    double total = 0;
    std::string numero_cfe;
};

// The receipts of `linha`'s store or stores in the period, newest first.
std::vector<CupomDaLoja> CuponsDaLoja(const DadosRelatorios& dados, const Periodo& periodo,
                                      const LinhaLoja& linha);

}  // namespace relatorios
