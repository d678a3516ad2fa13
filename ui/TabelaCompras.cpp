#include "ui/TabelaCompras.h"

#include <cmath>
#include <exception>
#include <optional>
#include <thread>
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

// A purchase's cells, in the order of the columns.
std::vector<CelulaRelatorio> Celulas(const precos::HistoricoProduto& historico,
                                     const precos::Compra& c) {
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
    return linha;
}

// From this many purchases on, the later half's cells are made on a thread of their own.
constexpr std::size_t kComprasParaDividir = 2000;

}  // namespace

TabelaRelatorio* CriarTabela(const precos::HistoricoProduto& historico) {
    std::vector<TabelaRelatorio::Coluna> colunas;
    for (int c = 0; c < NUM_COLUNAS; ++c)
        colunas.push_back({kTitulos[c], c != COL_ESTABELECIMENTO && c != COL_UNID});
    // A product bought for years has ten thousand rows: their cells are made in two halves at
    // once, then moved in.
    const std::vector<precos::Compra>& compras = historico.compras;
    std::vector<std::vector<CelulaRelatorio>> linhas(compras.size());
    const auto montar = [&](std::size_t de, std::size_t ate) {
        for (std::size_t i = de; i < ate; ++i) linhas[i] = Celulas(historico, compras[i]);
    };
    const std::size_t meio =
        compras.size() >= kComprasParaDividir ? compras.size() / 2 : compras.size();
    std::exception_ptr excecao;
    std::thread segunda;
    if (meio < compras.size())
        segunda = std::thread([&] {
            try {
                montar(meio, compras.size());
            } catch (...) {
                excecao = std::current_exception();
            }
        });
    try {
        montar(0, meio);
    } catch (...) {
        if (segunda.joinable()) segunda.join();
        throw;
    }
    if (segunda.joinable()) segunda.join();
    if (excecao) std::rethrow_exception(excecao);

    auto* tabela = new TabelaRelatorio(std::move(colunas));
    tabela->Reservar(compras.size());
    for (std::size_t i = 0; i < compras.size(); ++i)
        tabela->AdicionarLinha(std::move(linhas[i]), compras[i].id_cupom);
    return tabela;
}

}  // namespace compras
