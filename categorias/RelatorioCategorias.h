#pragma once

// Spending per category over a period of whole months, computed over the reports' data with a
// classification of its products (Categorias.h): the category report, a category's products,
// and how many products and how much money each rule of a category catches.

#include <optional>
#include <string>
#include <vector>

#include "categorias/Categorias.h"
#include "relatorios/DadosRelatorios.h"
#include "relatorios/Periodo.h"
#include "relatorios/RelatorioProdutos.h"

namespace categorias {

struct LinhaCategoria {
    int categoria = -1;  // position in Conjunto::categorias; -1 for "Sem categoria"
    std::string nome;
    double total = 0;  // net of the lines (valor_total - desconto), as the product report
    // Percent of every line's net total in the period; none when that total is 0.
    std::optional<double> participacao;
    // Percent change against the previous period of as many months; none when that period
    // starts before the oldest receipt's month or the category spent nothing in it.
    std::optional<double> variacao;
    int produtos = 0;  // products of the category bought in the period
};

// The months just before `periodo` (once cut to the receipts' months), as many as it has.
relatorios::Periodo PeriodoAnterior(const relatorios::Periodo& periodo);

// Every category of the set, largest total first (then in the set's order), and "Sem categoria"
// last when it spent anything in the period or the previous one.
std::vector<LinhaCategoria> RelatorioCategorias(const relatorios::DadosRelatorios& dados,
                                                const Conjunto& conjunto,
                                                const Classificacao& classificacao,
                                                const relatorios::Periodo& periodo);

// categoria, total, participacao, variacao, produtos: the form of relatorios/CsvRelatorios.h.
std::string CsvCategorias(const std::vector<LinhaCategoria>& linhas);

// The product report's rows of the products of `categoria` (-1: those without one).
std::vector<relatorios::LinhaProduto> ProdutosDaCategoria(const relatorios::DadosRelatorios& dados,
                                                          const Classificacao& classificacao,
                                                          const relatorios::Periodo& periodo,
                                                          int categoria);

// What a rule decides: the products it puts in its category and their net total in the period.
struct ContagemRegra {
    int produtos = 0;
    double total = 0;
};
// One per rule of the category `categoria`, in their order; a product placed directly counts
// for no rule.
std::vector<ContagemRegra> ContarRegras(const relatorios::DadosRelatorios& dados,
                                        const Conjunto& conjunto,
                                        const Classificacao& classificacao,
                                        const relatorios::Periodo& periodo, int categoria);

// Spending of each category month by month over `periodo` (cut to the receipts' months):
// por_categoria[c][m] for category c (Conjunto::categorias) and month meses.de + m; the last row
// is "Sem categoria".
struct GastoMensal {
    relatorios::Periodo meses;
    std::vector<std::vector<double>> por_categoria;
};
GastoMensal GastoPorMes(const relatorios::DadosRelatorios& dados, const Conjunto& conjunto,
                        const Classificacao& classificacao, const relatorios::Periodo& periodo);

// A category's month against its limit.
struct SituacaoOrcamento {
    int categoria = 0;  // position in Conjunto::categorias
    double gasto = 0;
    double limite = 0;
    double fracao = 0;  // gasto / limite (0 for a limit of 0 with nothing spent)
    // Spent so far ÷ days passed × days in the month.
    double projecao = 0;
    enum class Faixa { Verde, Ambar, Vermelha };  // below 80 %, up to 100 %, above
    Faixa faixa = Faixa::Verde;
};
// The categories with a limit, in the set's order, for month `mes` seen on day `dia` of it
// (1 to the month's days).
std::vector<SituacaoOrcamento> Orcamento(const relatorios::DadosRelatorios& dados,
                                         const Conjunto& conjunto,
                                         const Classificacao& classificacao, int mes, int dia);
// Days of month `mes` (relatorios/Periodo.h numbering).
int DiasNoMes(int mes);

// Net total of each product over the lines of `periodo` (cut to the receipts' months), and
// whether it had a line there.
struct TotaisProdutos {
    std::vector<double> total;
    std::vector<char> comprado;
};
TotaisProdutos TotaisPorProduto(const relatorios::DadosRelatorios& dados,
                                const relatorios::Periodo& periodo);

}  // namespace categorias
