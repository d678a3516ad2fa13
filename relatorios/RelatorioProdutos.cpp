#include "relatorios/RelatorioProdutos.h"

#include <algorithm>
#include <tuple>

#include "precos/Produto.h"

namespace relatorios {
namespace {

// Lines and the last line's position per variant of a range of lines.
struct UsoVariantes {
    std::vector<int> linhas;
    std::vector<std::size_t> ultima;
    std::vector<int> usadas;  // the variants with a line, in no order
};

UsoVariantes ContarVariantes(const DadosRelatorios& dados, std::size_t inicio, std::size_t fim) {
    UsoVariantes uso;
    uso.linhas.assign(dados.variantes.size(), 0);
    uso.ultima.assign(dados.variantes.size(), 0);
    for (std::size_t i = inicio; i < fim; ++i) {
        const auto v = static_cast<std::size_t>(dados.itens[i].variante);
        if (uso.linhas[v]++ == 0) uso.usadas.push_back(static_cast<int>(v));
        uso.ultima[v] = i;
    }
    return uso;
}

// Per product, the most frequent value of `campo` (a variant's description or unit) among the
// variants used: the one with most lines, then the one of the later line; -1 when unused.
template <class Campo>
std::vector<int> MaisFrequentes(const DadosRelatorios& dados, UsoVariantes& uso, Campo campo) {
    auto chave = [&](int v) {
        const Variante& variante = dados.variantes[static_cast<std::size_t>(v)];
        return std::pair(variante.produto, campo(variante));
    };
    std::sort(uso.usadas.begin(), uso.usadas.end(),
              [&](int a, int b) { return chave(a) < chave(b); });
    std::vector<int> escolhido(dados.produtos.size(), -1);
    std::vector<std::pair<int, std::size_t>> melhor(dados.produtos.size(), {0, 0});
    for (std::size_t i = 0; i < uso.usadas.size();) {
        const auto [produto, valor] = chave(uso.usadas[i]);
        std::pair<int, std::size_t> peso(0, 0);  // lines, last line
        for (; i < uso.usadas.size() && chave(uso.usadas[i]) == std::pair(produto, valor); ++i) {
            const auto v = static_cast<std::size_t>(uso.usadas[i]);
            peso = {peso.first + uso.linhas[v], std::max(peso.second, uso.ultima[v])};
        }
        const auto p = static_cast<std::size_t>(produto);
        if (escolhido[p] < 0 || peso > melhor[p]) {
            escolhido[p] = valor;
            melhor[p] = peso;
        }
    }
    return escolhido;
}

}  // namespace

std::string TextoProduto(std::string_view chave) {
    return std::string(chave.empty() ? chave : chave.substr(1));
}

std::vector<int> DescricoesMaisFrequentes(const DadosRelatorios& dados, std::size_t inicio,
                                          std::size_t fim) {
    UsoVariantes uso = ContarVariantes(dados, inicio, fim);
    return MaisFrequentes(dados, uso, [](const Variante& v) { return v.descricao; });
}

std::vector<LinhaProduto> RelatorioProdutos(const DadosRelatorios& dados, const Periodo& periodo,
                                            std::string_view busca,
                                            const std::vector<char>* escolhidos) {
    const FaixaCupons faixa = CuponsDoPeriodo(dados, Recortar(periodo, dados));
    const std::size_t inicio = dados.InicioItens(faixa.inicio), fim = dados.InicioItens(faixa.fim);

    std::vector<LinhaProduto> por_produto(dados.produtos.size());
    double total_periodo = 0;
    for (std::size_t i = inicio; i < fim; ++i) {
        const Item& item = dados.itens[i];
        const auto p = static_cast<std::size_t>(
            dados.variantes[static_cast<std::size_t>(item.variante)].produto);
        LinhaProduto& linha = por_produto[p];
        ++linha.compras;
        linha.quantidade += item.qtde;
        linha.total += item.liquido;
        total_periodo += item.liquido;
    }

    UsoVariantes uso = ContarVariantes(dados, inicio, fim);
    const std::vector<int> descricoes =
        MaisFrequentes(dados, uso, [](const Variante& v) { return v.descricao; });
    const std::vector<int> unidades =
        MaisFrequentes(dados, uso, [](const Variante& v) { return v.unidade; });

    const std::vector<std::string> palavras = precos::PalavrasBusca(busca);
    std::vector<LinhaProduto> linhas;
    for (std::size_t p = 0; p < por_produto.size(); ++p) {
        LinhaProduto& linha = por_produto[p];
        if (linha.compras == 0 || (escolhidos && !(*escolhidos)[p]) ||
            !precos::Corresponde(palavras, dados.produtos[p].busca))
            continue;
        linha.produto = static_cast<int>(p);
        linha.chave = dados.produtos[p].chave;
        linha.descricao = dados.descricoes[static_cast<std::size_t>(descricoes[p])];
        linha.unidade = dados.unidades[static_cast<std::size_t>(unidades[p])];
        if (linha.quantidade > 0) linha.preco_medio = linha.total / linha.quantidade;
        if (total_periodo != 0) linha.participacao = linha.total / total_periodo * 100;
        linhas.push_back(std::move(linha));
    }
    std::sort(linhas.begin(), linhas.end(), [](const LinhaProduto& a, const LinhaProduto& b) {
        return std::tie(b.total, a.descricao, a.chave) < std::tie(a.total, b.descricao, b.chave);
    });
    return linhas;
}

}  // namespace relatorios
