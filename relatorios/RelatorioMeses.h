#pragma once

// Spending over time: each month of a period, each calendar year, and the years side by side
// month by month. A receipt counts in the month of its moment with its total.

#include <optional>
#include <vector>

#include "relatorios/DadosRelatorios.h"
#include "relatorios/Periodo.h"

namespace relatorios {

struct LinhaMes {
    int mes = 0;  // month number (Periodo.h)
    double total = 0;
    int cupons = 0;
    std::optional<double> ticket_medio;  // none without receipts
    // Percent change against the same month a year before; none when that month lies before
    // the oldest receipt's or its total is 0.
    std::optional<double> variacao_ano;
};

// Every month of the period, oldest first, months without receipts included.
std::vector<LinhaMes> RelatorioMeses(const DadosRelatorios& dados, const Periodo& periodo);

struct LinhaAno {
    int ano = 0;
    double total = 0;  // of the year's months in the period
    int cupons = 0;
    std::optional<double> ticket_medio;  // none without receipts
    // Percent change against the same months of the year before (so a year the period or the
    // data holds in part is compared with the same part of the year before); none when one of
    // those months lies before the oldest receipt's, or their total is 0.
    std::optional<double> variacao;
};

// Every calendar year the period touches, oldest first.
std::vector<LinhaAno> RelatorioAnos(const DadosRelatorios& dados, const Periodo& periodo);

inline constexpr int kMaximoAnosLadoALado = 10;
inline constexpr const char* kRotuloTotal = "Total";

struct AnoAAno {
    std::vector<int> anos;  // oldest first: the ten newest years the period touches at most
    struct Linha {
        int mes = 0;  // 1 to 12; 0 in the Total row
        // One per year of `anos`: the month's total; none when the month is outside the period.
        // In the Total row, the year's total in the period.
        std::vector<std::optional<double>> totais;
        // Percent change of the newest year against the year before, over the months with
        // receipts in both (the Total row too); none when there is no such month or the year
        // before's total over them is 0.
        std::optional<double> variacao;
    };
    std::vector<Linha> linhas;  // January to December, then the Total row; none for no month
};

AnoAAno RelatorioAnoAAno(const DadosRelatorios& dados, const Periodo& periodo);

}  // namespace relatorios
