#include "relatorios/MinhaInflacao.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "relatorios/RelatorioProdutos.h"

namespace relatorios {
namespace {

struct PrecoDoMes {
    int produto = 0;
    double preco = 0;  // median net unit price
    double gasto = 0;  // net spent on its lines
};

struct LinhaDePreco {
    int produto;
    double preco;
    double liquido;
};

// The prices of the products bought in itens[inicio, fim), by product. `linhas` is scratch
// space, kept between months.
std::vector<PrecoDoMes> PrecosDoMes(const DadosRelatorios& dados, std::size_t inicio,
                                    std::size_t fim, std::vector<LinhaDePreco>& linhas) {
    linhas.clear();
    for (std::size_t i = inicio; i < fim; ++i) {
        const Item& item = dados.itens[i];
        if (!(item.qtde > 0)) continue;
        linhas.push_back({dados.variantes[static_cast<std::size_t>(item.variante)].produto,
                          item.liquido / item.qtde, item.liquido});
    }
    std::sort(linhas.begin(), linhas.end(), [](const LinhaDePreco& a, const LinhaDePreco& b) {
        return std::tie(a.produto, a.preco) < std::tie(b.produto, b.preco);
    });
    std::vector<PrecoDoMes> precos;
    for (std::size_t i = 0; i < linhas.size();) {
        std::size_t fim_produto = i;
        PrecoDoMes preco{linhas[i].produto, 0, 0};
        for (; fim_produto < linhas.size() && linhas[fim_produto].produto == preco.produto;
             ++fim_produto)
            preco.gasto += linhas[fim_produto].liquido;
        const std::size_t n = fim_produto - i, meio = i + n / 2;
        preco.preco =
            n % 2 ? linhas[meio].preco : (linhas[meio - 1].preco + linhas[meio].preco) / 2;
        if (preco.preco > 0 && preco.gasto > 0) precos.push_back(preco);
        i = fim_produto;
    }
    return precos;
}

struct Comparado {
    int produto;
    double relativo;
    double gasto_antes;
    double gasto_agora;
};

}  // namespace

MinhaInflacao RelatorioInflacao(const DadosRelatorios& dados, const Periodo& periodo,
                                int minimo_produtos) {
    const Periodo p = Recortar(periodo, dados);
    MinhaInflacao resultado;
    if (p.Vazio()) return resultado;
    const FaixaCupons faixa = CuponsDoPeriodo(dados, p);
    minimo_produtos = std::max(minimo_produtos, 1);

    std::vector<double> soma(dados.produtos.size(), 0.0);
    std::vector<int> meses(dados.produtos.size(), 0);
    std::vector<LinhaDePreco> rascunho;
    std::vector<PrecoDoMes> antes;
    std::vector<Comparado> comparados;
    std::size_t c = faixa.inicio;
    double indice = 100;
    for (int m = p.de; m <= p.ate; ++m) {
        const std::size_t primeiro = c;
        while (c < faixa.fim && dados.cupons[c].mes == m) ++c;
        std::vector<PrecoDoMes> agora =
            PrecosDoMes(dados, dados.InicioItens(primeiro), dados.InicioItens(c), rascunho);

        LinhaInflacao linha;
        linha.mes = m;
        if (m > p.de) {
            comparados.clear();
            double total_antes = 0, total_agora = 0;
            for (std::size_t a = 0, b = 0; a < antes.size() && b < agora.size();) {
                if (antes[a].produto < agora[b].produto) {
                    ++a;
                } else if (agora[b].produto < antes[a].produto) {
                    ++b;
                } else {
                    const double relativo = agora[b].preco / antes[a].preco;
                    if (relativo <= kRelativoMaximo && relativo >= 1 / kRelativoMaximo) {
                        comparados.push_back(
                            {agora[b].produto, relativo, antes[a].gasto, agora[b].gasto});
                        total_antes += antes[a].gasto;
                        total_agora += agora[b].gasto;
                    }
                    ++a;
                    ++b;
                }
            }
            linha.produtos_comparados = static_cast<int>(comparados.size());
            if (linha.produtos_comparados >= minimo_produtos) {
                double log_variacao = 0;
                for (const Comparado& k : comparados) {
                    const double peso =
                        (k.gasto_antes / total_antes + k.gasto_agora / total_agora) / 2;
                    const double parte = peso * std::log(k.relativo);
                    log_variacao += parte;
                    soma[static_cast<std::size_t>(k.produto)] += parte;
                    ++meses[static_cast<std::size_t>(k.produto)];
                }
                indice *= std::exp(log_variacao);
                linha.variacao_mes = (std::exp(log_variacao) - 1) * 100;
            } else {
                linha.mantido = true;
            }
        }
        linha.indice = indice;
        if (m - 12 >= p.de) {
            const double ano_antes = resultado.meses[resultado.meses.size() - 12].indice;
            linha.variacao_12m = (indice / ano_antes - 1) * 100;
        }
        resultado.meses.push_back(linha);
        antes = std::move(agora);
    }

    std::vector<int> descricoes;
    auto contribuicao = [&](std::size_t produto) {
        if (descricoes.empty())
            descricoes = DescricoesMaisFrequentes(dados, dados.InicioItens(faixa.inicio),
                                                  dados.InicioItens(faixa.fim));
        const int d = descricoes[produto];
        return ContribuicaoInflacao{
            static_cast<int>(produto), dados.produtos[produto].chave,
            d < 0 ? std::string() : dados.descricoes[static_cast<std::size_t>(d)], soma[produto],
            meses[produto]};
    };
    std::vector<std::size_t> ordem;
    for (std::size_t produto = 0; produto < soma.size(); ++produto)
        if (meses[produto] > 0 && soma[produto] != 0) ordem.push_back(produto);
    // Equal contributions by product position, so the lists never depend on the sort.
    std::sort(ordem.begin(), ordem.end(), [&](std::size_t a, std::size_t b) {
        return std::tie(soma[b], a) < std::tie(soma[a], b);
    });
    for (std::size_t i = 0; i < ordem.size() && soma[ordem[i]] > 0 && i < kMaioresAltas; ++i)
        resultado.altas.push_back(contribuicao(ordem[i]));
    for (std::size_t i = ordem.size(), n = 0; i-- > 0 && soma[ordem[i]] < 0 && n < kMaioresBaixas;
         ++n)
        resultado.baixas.push_back(contribuicao(ordem[i]));
    return resultado;
}

}  // namespace relatorios
