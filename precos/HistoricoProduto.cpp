#include "precos/HistoricoProduto.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>
#include <utility>

#include "base/DataHora.h"
#include "base/FormatoBr.h"

namespace precos {
namespace {

const wchar_t* const kResumo = L"Menor %s em %s (%s) · Maior %s · Média %s";
const wchar_t* const kVariacao = L" · Desde a primeira compra: %s";

}  // namespace

void MontadorHistorico::Adicionar(Compra compra, std::string_view cnpj, std::string_view fantasia) {
    auto it = lojas_.find(std::string(cnpj));
    if (it == lojas_.end()) {
        it = lojas_.emplace(std::string(cnpj), static_cast<int>(historico_.lojas.size())).first;
        Loja loja;
        loja.cnpj.assign(cnpj);
        loja.nome.assign(fantasia.empty() ? cnpj : fantasia);
        historico_.lojas.push_back(std::move(loja));
    }
    compra.loja = it->second;
    ++historico_.lojas[static_cast<std::size_t>(compra.loja)].compras;
    historico_.compras.push_back(std::move(compra));
}

HistoricoProduto MontadorHistorico::Concluir() {
    std::vector<int> ordem(historico_.lojas.size());
    std::iota(ordem.begin(), ordem.end(), 0);
    const auto& lojas = historico_.lojas;
    std::stable_sort(ordem.begin(), ordem.end(), [&lojas](int a, int b) {
        const Loja& la = lojas[static_cast<std::size_t>(a)];
        const Loja& lb = lojas[static_cast<std::size_t>(b)];
        return std::tie(lb.compras, la.nome) < std::tie(la.compras, lb.nome);
    });
    std::vector<int> nova_posicao(ordem.size());
    std::vector<Loja> ordenadas;
    for (std::size_t i = 0; i < ordem.size(); ++i) {
        nova_posicao[static_cast<std::size_t>(ordem[i])] = static_cast<int>(i);
        ordenadas.push_back(std::move(historico_.lojas[static_cast<std::size_t>(ordem[i])]));
    }
    historico_.lojas = std::move(ordenadas);
    for (Compra& compra : historico_.compras)
        compra.loja = nova_posicao[static_cast<std::size_t>(compra.loja)];
    lojas_.clear();
    return std::exchange(historico_, HistoricoProduto{});
}

ResumoPrecos Resumir(const HistoricoProduto& historico) {
    ResumoPrecos r;
    double soma = 0, primeiro = NAN, ultimo = NAN;
    int com_preco = 0;
    const auto& compras = historico.compras;
    for (std::size_t i = 0; i < compras.size(); ++i) {
        const double preco = PrecoPago(compras[i]);
        if (std::isnan(preco)) continue;
        if (com_preco++ == 0) {
            r.menor = r.maior = ultimo = preco;
            r.indice_menor = static_cast<int>(i);
        }
        soma += preco;
        r.maior = std::max(r.maior, preco);
        // Newest first: the first lowest price met is the most recent one.
        if (preco < r.menor) {
            r.menor = preco;
            r.indice_menor = static_cast<int>(i);
        }
        primeiro = preco;
    }
    if (com_preco == 0) return r;
    r.media = soma / static_cast<double>(com_preco);
    if (primeiro > 0) r.variacao = (ultimo - primeiro) / primeiro * 100.0;
    return r;
}

wxString TextoResumo(const HistoricoProduto& historico, const ResumoPrecos& resumo) {
    if (resumo.indice_menor < 0) return wxString();
    const Compra& menor = historico.compras[static_cast<std::size_t>(resumo.indice_menor)];
    const Loja& loja = historico.lojas[static_cast<std::size_t>(menor.loja)];
    wxString texto =
        wxString::Format(kResumo, formato::Dinheiro(resumo.menor), wxString::FromUTF8(loja.nome),
                         formato::Data(menor.data_hora), formato::Dinheiro(resumo.maior),
                         formato::Dinheiro(resumo.media));
    if (resumo.variacao) texto += wxString::Format(kVariacao, formato::Variacao(*resumo.variacao));
    return texto;
}

}  // namespace precos
