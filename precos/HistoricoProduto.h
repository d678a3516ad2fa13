#pragma once

// Every purchase of one product, newest first, with the stores it was bought in, and the summary
// line drawn from them: the lowest price with its store and date, the highest, the mean, and the
// change from the first purchase's price to the last one's. Prices are what was paid for one
// unit, the line's discount taken off: (valor_total - desconto) / qtde. A line without a
// quantity above 0 has no such price; it is listed, but it counts in no summary and no chart.

#include <wx/string.h>

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace precos {

struct Loja {
    std::string cnpj;
    std::string nome;  // trade name; the CNPJ when the store has none
    int compras = 0;
};

struct Compra {
    int id_cupom = 0;
    long long data_hora = 0;  // YYYYMMDDhhmmss
    int loja = 0;             // position in HistoricoProduto::lojas
    double qtde = 0;
    std::string un;
    double valor_unit = 0;
    double valor_total = 0;  // qtde x valor_unit as the receipt wrote it
    double desconto = 0;
    double valor_liquido = 0;  // valor_total - desconto, to the cent
};

// What one unit cost, the discount taken off; NaN when `qtde` is not above 0 or a value is not
// finite. Inline: the catalogue reads it for every item line.
inline double PrecoPago(double valor_total, double desconto, double qtde) {
    if (!(qtde > 0) || !std::isfinite(qtde)) return NAN;
    const double preco = (valor_total - desconto) / qtde;
    return std::isfinite(preco) ? preco : NAN;
}
inline double PrecoPago(const Compra& compra) {
    return PrecoPago(compra.valor_total, compra.desconto, compra.qtde);
}

struct HistoricoProduto {
    std::vector<Loja> lojas;      // most purchases first: a store's position picks its colour
    std::vector<Compra> compras;  // newest first
};

// Builds a HistoricoProduto from purchases handed on newest first.
class MontadorHistorico {
public:
    void Adicionar(Compra compra, std::string_view cnpj, std::string_view fantasia);
    void Reservar(std::size_t compras) { historico_.compras.reserve(compras); }
    HistoricoProduto Concluir();

private:
    HistoricoProduto historico_;
    std::unordered_map<std::string, int> lojas_;  // CNPJ -> position in historico_.lojas
};

// Over the purchases that have a price paid (PrecoPago).
struct ResumoPrecos {
    int indice_menor = -1;  // the most recent purchase at the lowest price; -1 without purchases
    double menor = 0;
    double maior = 0;
    double media = 0;
    // Percent change from the first purchase's price to the last one's; none when the first
    // price is not above 0.
    std::optional<double> variacao;
};

ResumoPrecos Resumir(const HistoricoProduto& historico);

// "Menor R$ 4,19 em Loja (12/03/2025) · Maior R$ 6,49 · Média R$ 5,02 · Desde a primeira compra:
// +18,3 %",
// the last part left out when there is no change to give; empty without purchases.
wxString TextoResumo(const HistoricoProduto& historico, const ResumoPrecos& resumo);

}  // namespace precos
