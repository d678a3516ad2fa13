#pragma once

// "Minha inflação": how the prices this person actually paid moved, as a chained Törnqvist
// index over the products bought in consecutive months.
//
// A product's price in a month is the median of its lines' net unit prices,
// (valor_total - desconto) / qtde; lines with qtde <= 0 take no part. A month is compared with
// the month before over the products (by identity) bought in both at a price above 0; a price
// relative above 3 or below 1/3 is a change of unit or pack, not of price, and is left out. The
// month's change is the geometric mean of the relatives weighted by each product's mean share,
// over the two months, of the net spending on the products compared:
//     ln(change) = sum of w * ln(relative),  w = (share before + share now) / 2.
// The index is 100 in the period's first month; a month with fewer products compared than the
// minimum keeps the index of the month before.

#include <optional>
#include <string>
#include <vector>

#include "relatorios/DadosRelatorios.h"
#include "relatorios/Periodo.h"

namespace relatorios {

inline constexpr int kMinimoProdutosComparados = 5;
inline constexpr double kRelativoMaximo = 3;  // and 1 / kRelativoMaximo the least
inline constexpr std::size_t kMaioresAltas = 10;
inline constexpr std::size_t kMaioresBaixas = 5;

struct LinhaInflacao {
    int mes = 0;  // month number (Periodo.h)
    double indice = 100;
    // Percent change from the month before; none in the first month and in a month kept.
    std::optional<double> variacao_mes;
    // Percent change of the index against twelve months before; none when that month is
    // outside the period.
    std::optional<double> variacao_12m;
    int produtos_comparados = 0;  // 0 in the first month
    // Fewer products compared than the minimum: the index is the month before's.
    bool mantido = false;
};

struct ContribuicaoInflacao {
    int produto = 0;        // position in DadosRelatorios::produtos
    std::string chave;      // precos::ChaveProduto
    std::string descricao;  // its most frequent description in the period
    // Sum of w * ln(relative) over the months that counted: its part of the logarithm of the
    // period's change (times 100, about percentage points).
    double contribuicao = 0;
    int meses = 0;  // months it counted in
};

struct MinhaInflacao {
    std::vector<LinhaInflacao> meses;          // every month of the period, oldest first
    std::vector<ContribuicaoInflacao> altas;   // the ten that pushed it up most, largest first
    std::vector<ContribuicaoInflacao> baixas;  // the five that pulled it down most, strongest first
};

MinhaInflacao RelatorioInflacao(const DadosRelatorios& dados, const Periodo& periodo,
                                int minimo_produtos = kMinimoProdutosComparados);

}  // namespace relatorios
