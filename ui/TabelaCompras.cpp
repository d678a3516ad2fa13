#include "ui/TabelaCompras.h"

#include <utility>

#include "base/DataHora.h"
#include "base/NumeroTexto.h"

namespace {

const wchar_t* const kTitulos[TabelaCompras::NUM_COLUNAS] = {
    L"Data", L"Estabelecimento", L"Qtde", L"Unid", L"V.Unit", L"Desconto", L"V.Líquido",
};

constexpr int kCasasValor = 2;
constexpr int kCasasQtde = 3;

}  // namespace

TabelaCompras::TabelaCompras(precos::HistoricoProduto historico)
    : historico_(std::move(historico)) {}

int TabelaCompras::GetNumberRows() {
    return static_cast<int>(historico_.compras.size());
}

int TabelaCompras::CupomDaLinha(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= historico_.compras.size()) return 0;
    return historico_.compras[static_cast<std::size_t>(row)].id_cupom;
}

bool TabelaCompras::ColunaNumerica(int col) {
    return col == COL_QTDE || col == COL_VALOR_UNIT || col == COL_DESCONTO ||
           col == COL_VALOR_LIQUIDO;
}

wxString TabelaCompras::GetValue(int row, int col) {
    if (row < 0 || static_cast<std::size_t>(row) >= historico_.compras.size()) return wxString();
    const precos::Compra& c = historico_.compras[static_cast<std::size_t>(row)];
    switch (col) {
        case COL_DATA:
            return datahora::FormatarData(c.data_hora);
        case COL_ESTABELECIMENTO:
            return wxString::FromUTF8(historico_.lojas[static_cast<std::size_t>(c.loja)].nome);
        case COL_QTDE:
            return numero::Formatar(c.qtde, kCasasQtde);
        case COL_UNID:
            return wxString::FromUTF8(c.un);
        case COL_VALOR_UNIT:
            return numero::Formatar(c.valor_unit, kCasasValor);
        case COL_DESCONTO:
            return numero::Formatar(c.desconto, kCasasValor);
        case COL_VALOR_LIQUIDO:
            return numero::Formatar(c.valor_liquido, kCasasValor);
        default:
            return wxString();
    }
}

wxString TabelaCompras::GetColLabelValue(int col) {
    if (col < 0 || col >= NUM_COLUNAS) return wxString();
    return kTitulos[col];
}
