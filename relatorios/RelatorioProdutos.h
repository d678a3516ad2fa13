#pragma once

// What the money bought: one row per product in a period, with the price history's identity
// (a valid GTIN, else the normalised description) and its word search.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "relatorios/DadosRelatorios.h"
#include "relatorios/Periodo.h"

namespace relatorios {

struct LinhaProduto {
    int produto = 0;        // position in DadosRelatorios::produtos
    std::string chave;      // precos::ChaveProduto
    std::string descricao;  // its most frequent description in the period, as written
    int compras = 0;        // item lines
    double quantidade = 0;  // sum of the lines' quantities, whatever their units
    std::string unidade;    // its most frequent unit in the period (normalised)
    // Net spent ÷ quantity; none when the quantity is not above 0.
    std::optional<double> preco_medio;
    double total = 0;  // net: valor_total - desconto of its lines
    // Percent of the net total of every line of the period, searched for or not; none when that
    // total is 0.
    std::optional<double> participacao;
};

// The products bought in the period whose descriptions or codes hold every word of `busca`
// (as the price history searches: any order, case and accents ignored, parts of words too),
// largest total first (then by description). Every product for a search without words. Of two
// descriptions or units equally frequent, the one of the later line wins.
// With `escolhidos` (one flag per product), only the products flagged are listed; their shares
// are still of the whole period.
std::vector<LinhaProduto> RelatorioProdutos(const DadosRelatorios& dados, const Periodo& periodo,
                                            std::string_view busca = {},
                                            const std::vector<char>* escolhidos = nullptr);

// A product's identity as people read it: the GTIN in 14 digits, or the normalised description.
std::string TextoProduto(std::string_view chave);

// The product's most frequent description among `itens`[inicio, fim) per product, for the
// reports that name products: position in DadosRelatorios::descricoes, -1 for a product without
// lines there. Ties go to the later line.
std::vector<int> DescricoesMaisFrequentes(const DadosRelatorios& dados, std::size_t inicio,
                                          std::size_t fim);

}  // namespace relatorios
