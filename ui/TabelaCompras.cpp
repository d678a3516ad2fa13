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
    tabela->Reservar(historico.compras.size());
    // Cells are moved in, not copied from a list: a product bought for years has ten thousand
    // rows.
    for (const precos::Compra& c : historico.compras) {
        std::vector<CelulaRelatorio> linha;
        linha.reserve(NUM_COLUNAS);
        linha.push_back(celula::Data(c.data_hora));
        linha.push_back(celula::Texto(historico.lojas[static_cast<std::size_t>(c.loja)].nome));
        linha.push_back(celula::Decimal(c.qtde, kCasasQtde));
        linha.push_back(celula::Texto(c.un));
        linha.push_back(celula::Decimal(c.valor_unit, kCasasValor));
        linha.push_back(celula::Decimal(c.desconto, kCasasValor));
        linha.push_back(celula::Decimal(c.valor_liquido, kCasasValor));
        linha.push_back(celula::Decimal(Valor(precos::PrecoPago(c)), kCasasValor));
        tabela->AdicionarLinha(std::move(linha), c.id_cupom);
    }
    return tabela;
}

}  // namespace compras
