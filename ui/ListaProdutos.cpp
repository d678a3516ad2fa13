#include "ui/ListaProdutos.h"

#include <wx/settings.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "base/FormatoBr.h"
#include "precos/CatalogoPrecos.h"

namespace {

struct DefinicaoColuna {
    const wchar_t* titulo;
    wxListColumnFormat alinhamento;
    int largura;
};

const DefinicaoColuna kColunas[ListaProdutos::NUM_COLUNAS] = {
    {L"Produto", wxLIST_FORMAT_LEFT, 360},        {L"Código", wxLIST_FORMAT_LEFT, 130},
    {L"Compras", wxLIST_FORMAT_RIGHT, 80},        {L"Último preço", wxLIST_FORMAT_RIGHT, 100},
    {L"Última compra", wxLIST_FORMAT_RIGHT, 110}, {L"Menor preço", wxLIST_FORMAT_RIGHT, 100},
};

constexpr int kCasasPreco = 2;

}  // namespace

ListaProdutos::ListaProdutos(wxWindow* parent, const precos::CatalogoPrecos& catalogo)
    : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL),
      catalogo_(catalogo) {
    for (int c = 0; c < NUM_COLUNAS; ++c)
        AppendColumn(kColunas[c].titulo, kColunas[c].alinhamento, FromDIP(kColunas[c].largura));
    // The description takes the width the other columns leave, never less than it starts with.
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        int outras = 0;
        for (int c = COL_PRODUTO + 1; c < NUM_COLUNAS; ++c) outras += GetColumnWidth(c);
        // Room is kept for the vertical scroll bar, which the client width still counts.
        const int livre =
            GetClientSize().x - outras - wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, this);
        SetColumnWidth(COL_PRODUTO, std::max(livre, FromDIP(kColunas[COL_PRODUTO].largura)));
        event.Skip();
    });
    // A first click sorts numbers largest first, texts from A; the next one the other way.
    Bind(wxEVT_LIST_COL_CLICK, [this](wxListEvent& event) {
        const int coluna = event.GetColumn();
        const bool texto = coluna == COL_PRODUTO || coluna == COL_CODIGO;
        Ordenar(coluna, coluna == coluna_ordem_ ? !crescente_ : texto);
    });
}

void ListaProdutos::Ordenar(int coluna, bool crescente) {
    if (coluna < 0 || coluna >= NUM_COLUNAS) return;
    const int produto = ProdutoDaLinha(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
    coluna_ordem_ = coluna;
    crescente_ = crescente;
    Mostrar(std::move(produtos_));
    const long linha = LinhaDoProduto(produto);
    if (linha >= 0) {
        SetItemState(linha, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        EnsureVisible(linha);
    }
}

void ListaProdutos::AplicarOrdem() {
    if (coluna_ordem_ < 0) return;
    const auto& produtos = catalogo_.Produtos();
    const int coluna = coluna_ordem_;
    const bool crescente = crescente_;
    // Prices missing (NaN) go last either way.
    auto chave = [&](int p) {
        const precos::ProdutoCatalogo& c = produtos[static_cast<std::size_t>(p)];
        switch (coluna) {
            case COL_COMPRAS:
                return static_cast<double>(c.compras);
            case COL_ULTIMO_PRECO:
                return c.ultimo_preco;
            case COL_ULTIMA_COMPRA:
                return static_cast<double>(c.ultima_data);
            default:
                return c.menor_preco;
        }
    };
    std::stable_sort(produtos_.begin(), produtos_.end(), [&](int a, int b) {
        if (coluna == COL_PRODUTO || coluna == COL_CODIGO) {
            const auto& x = produtos[static_cast<std::size_t>(a)];
            const auto& y = produtos[static_cast<std::size_t>(b)];
            const std::string& tx = coluna == COL_PRODUTO ? x.descricao : x.codigo;
            const std::string& ty = coluna == COL_PRODUTO ? y.descricao : y.codigo;
            return crescente ? tx < ty : ty < tx;
        }
        const double x = chave(a), y = chave(b);
        if (std::isnan(x) || std::isnan(y)) return !std::isnan(x) && std::isnan(y);
        return crescente ? x < y : y < x;
    });
    ShowSortIndicator(coluna, crescente);
}

void ListaProdutos::Mostrar(std::vector<int> produtos) {
    // A selected row would stay selected at its position, now another product's.
    for (long linha = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); linha != -1;
         linha = GetNextItem(linha, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        SetItemState(linha, 0, wxLIST_STATE_SELECTED);
    produtos_ = std::move(produtos);
    AplicarOrdem();
    SetItemCount(static_cast<long>(produtos_.size()));
    Refresh();
}

int ListaProdutos::ProdutoDaLinha(long linha) const {
    if (linha < 0 || static_cast<std::size_t>(linha) >= produtos_.size()) return -1;
    return produtos_[static_cast<std::size_t>(linha)];
}

long ListaProdutos::LinhaDoProduto(int produto) const {
    const auto it = std::find(produtos_.begin(), produtos_.end(), produto);
    return it == produtos_.end() ? -1 : static_cast<long>(it - produtos_.begin());
}

wxString ListaProdutos::OnGetItemText(long item, long column) const {
    const int produto = ProdutoDaLinha(item);
    if (produto < 0) return wxString();
    const precos::ProdutoCatalogo& p = catalogo_.Produtos()[static_cast<std::size_t>(produto)];
    switch (column) {
        case COL_PRODUTO:
            return wxString::FromUTF8(p.descricao);
        case COL_CODIGO:
            return wxString::FromUTF8(p.codigo);
        case COL_COMPRAS:
            return formato::Decimal(p.compras, 0);
        case COL_ULTIMO_PRECO:
            return formato::Decimal(p.ultimo_preco, kCasasPreco);
        case COL_ULTIMA_COMPRA:
            return formato::Data(p.ultima_data);
        case COL_MENOR_PRECO:
            return formato::Decimal(p.menor_preco, kCasasPreco);
        default:
            return wxString();
    }
}
