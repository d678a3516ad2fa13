#include "ui/TabelaCompras.h"

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "ui/TabelaRelatorio.h"

namespace compras {
namespace {

const wchar_t* const kTitulos[NUM_COLUNAS] = {
    L"Data",   L"Estabelecimento", L"Qtde",      L"Unid",
    L"V.Unit", L"Desconto",        L"V.Líquido", L"Preço pago",
};

constexpr int kCasasValor = 2;
constexpr int kCasasQtde = 3;

std::optional<double> Valor(double v) {
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

}  // namespace

TabelaRelatorio* CriarTabela(const precos::HistoricoProduto& historico) {
    std::vector<TabelaRelatorio::Coluna> colunas;
    for (int c = 0; c < NUM_COLUNAS; ++c)
        colunas.push_back({kTitulos[c], c != COL_ESTABELECIMENTO && c != COL_UNID});
    auto* tabela = new TabelaRelatorio(std::move(colunas));
    for (const precos::Compra& c : historico.compras) {
        tabela->AdicionarLinha(
            {celula::Data(c.data_hora),
             celula::Texto(historico.lojas[static_cast<std::size_t>(c.loja)].nome),
             celula::Decimal(c.qtde, kCasasQtde), celula::Texto(c.un),
             celula::Decimal(c.valor_unit, kCasasValor), celula::Decimal(c.desconto, kCasasValor),
             celula::Decimal(c.valor_liquido, kCasasValor),
             celula::Decimal(Valor(precos::PrecoPago(c)), kCasasValor)},
            c.id_cupom);
    }
    return tabela;
}

}  // namespace compras
