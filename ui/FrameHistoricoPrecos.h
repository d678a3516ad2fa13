#pragma once

// "Histórico de preços": what the person paid for one product, where and when. A search field
// and the list of matching products on top; below them the chosen product's price chart with a
// summary line and the "Todas as compras" switch, and the grid of every purchase, between
// splitters. The catalogue of products is read once, while the window is built; each product
// chosen reads its own purchases. Over many purchases the chart starts with each store's lowest
// price of each month; the switch draws every purchase.

#include <wx/frame.h>

#include "precos/CatalogoPrecos.h"

class BancoDados;
class ListaProdutos;
class PanelLineChart;
class wxCheckBox;
class wxGrid;
class wxGridEvent;
class wxListEvent;
class wxStaticText;
class wxTextCtrl;

class FrameHistoricoPrecos : public wxFrame {
public:
    // `banco` is borrowed and must outlive the window. With a code or a description (those of an
    // item line, and its store's CNPJ), that item's product is chosen at once. The window is
    // built but not shown.
    FrameHistoricoPrecos(wxWindow* parent, BancoDados* banco, const wxString& codigo = wxString(),
                         const wxString& descricao = wxString(), const wxString& cnpj = wxString());

    // Chooses the product of a row of the list, as a click on it does.
    void EscolherLinha(long linha);
    // The chosen product (a position in the catalogue), or -1.
    int GetProdutoEscolhido() const { return produto_escolhido; }

    const precos::CatalogoPrecos& GetCatalogo() const { return catalogo; }
    wxTextCtrl* GetCampoProduto() const { return campo_produto; }
    ListaProdutos* GetLista() const { return lista; }
    PanelLineChart* GetGrafico() const { return grafico; }
    wxStaticText* GetResumo() const { return resumo; }
    wxCheckBox* GetTodasAsCompras() const { return todas_as_compras; }
    wxGrid* GetGrid() const { return grid; }

private:
    void OnTexto(wxCommandEvent& event);
    void OnEnter(wxCommandEvent& event);
    void OnProdutoSelecionado(wxListEvent& event);
    void OnCompraDuploClique(wxGridEvent& event);
    void OnTodasAsCompras(wxCommandEvent& event);
    void Filtrar();
    void EscolherProduto(int produto);

    BancoDados* banco;
    precos::CatalogoPrecos catalogo;
    wxTextCtrl* campo_produto = nullptr;
    ListaProdutos* lista = nullptr;
    PanelLineChart* grafico = nullptr;
    wxStaticText* resumo = nullptr;
    wxCheckBox* todas_as_compras = nullptr;
    wxGrid* grid = nullptr;
    int produto_escolhido = -1;
};
