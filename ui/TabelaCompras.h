#pragma once

// The purchases of one product as report rows: "Data", "Estabelecimento", "Qtde", "Unid",
// "V.Unit", "Desconto", "V.Líquido", "Preço pago", newest first, each row keyed by its receipt
// id for the double-click. Numbers shown in Brazilian form, kept with "." for files, and sorted
// by value.

#include "precos/HistoricoProduto.h"

class TabelaRelatorio;

namespace compras {

enum Coluna {
    COL_DATA,
    COL_ESTABELECIMENTO,
    COL_QTDE,
    COL_UNID,
    COL_VALOR_UNIT,
    COL_DESCONTO,
    COL_VALOR_LIQUIDO,
    COL_PRECO_PAGO,
    NUM_COLUNAS
};

// A new table (for a grid to take) of `historico`'s purchases.
TabelaRelatorio* CriarTabela(const precos::HistoricoProduto& historico);

}  // namespace compras
