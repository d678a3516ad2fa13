#pragma once

// The list of products found by the price history's search: a virtual report list that asks for
// the text of the rows it shows only, so a catalogue of tens of thousands of products costs
// nothing to show and nothing to filter again. A click on a column's label sorts by that column
// (numbers by their value), for every search that follows too.

#include <wx/listctrl.h>

#include <vector>

namespace precos {
class CatalogoPrecos;
}

class ListaProdutos : public wxListCtrl {
public:
    enum Coluna {
        COL_PRODUTO,
        COL_CODIGO,
        COL_COMPRAS,
        COL_ULTIMO_PRECO,
        COL_ULTIMA_COMPRA,
        COL_MENOR_PRECO,
        NUM_COLUNAS
    };

    // `catalogo` is borrowed and outlives the list.
    ListaProdutos(wxWindow* parent, const precos::CatalogoPrecos& catalogo);

    // Shows these products (positions in the catalogue), in this order unless a column sorts
    // them, none selected.
    void Mostrar(std::vector<int> produtos);
    // Sorts by `coluna`: numbers and dates largest first, texts from A, unless `crescente`
    // says otherwise; the selected product stays selected.
    void Ordenar(int coluna, bool crescente);
    // The product of a row, or -1.
    int ProdutoDaLinha(long linha) const;
    // The row of a product, or -1 when the list does not show it.
    long LinhaDoProduto(int produto) const;

    wxString OnGetItemText(long item, long column) const override;

private:
    void AplicarOrdem();

    const precos::CatalogoPrecos& catalogo_;
    std::vector<int> produtos_;
    int coluna_ordem_ = -1;  // none: the order given
    bool crescente_ = false;
};
