#pragma once

// Reads the price history from the receipt database: the catalogue of every product in one pass
// over the item lines, and the purchases of one product through the code and description
// indexes. Both return false, with the database's error text set, when a query fails.

#include "precos/CatalogoPrecos.h"
#include "precos/HistoricoProduto.h"

class BancoDados;

namespace precos {

// Every item line of every stored receipt, merged into products (Concluir included).
bool CarregarCatalogo(BancoDados& banco, CatalogoPrecos& catalogo);

// Every purchase of `produto`, a product of `catalogo`, newest first.
bool CarregarHistorico(BancoDados& banco, const CatalogoPrecos& catalogo,
                       const ProdutoCatalogo& produto, HistoricoProduto& historico);

}  // namespace precos
