#include "categorias/RelatorioCategorias.h"

#include <algorithm>
#include <cmath>

#include "relatorios/CsvRelatorios.h"

namespace categorias {

using relatorios::DadosRelatorios;
using relatorios::Periodo;

TotaisProdutos TotaisPorProduto(const DadosRelatorios& dados, const Periodo& periodo) {
    TotaisProdutos totais;
    totais.total.assign(dados.produtos.size(), 0);
    totais.comprado.assign(dados.produtos.size(), 0);
    const relatorios::FaixaCupons faixa =
        relatorios::CuponsDoPeriodo(dados, relatorios::Recortar(periodo, dados));
    const std::size_t fim = dados.InicioItens(faixa.fim);
    for (std::size_t i = dados.InicioItens(faixa.inicio); i < fim; ++i) {
        const relatorios::Item& item = dados.itens[i];
        const auto p = static_cast<std::size_t>(
            dados.variantes[static_cast<std::size_t>(item.variante)].produto);
        totais.total[p] += item.liquido;
        totais.comprado[p] = 1;
    }
    return totais;
}

Periodo PeriodoAnterior(const Periodo& periodo) {
    if (periodo.Vazio()) return periodo;
    const int meses = periodo.ate - periodo.de + 1;
    return {periodo.de - meses, periodo.de - 1};
}

std::vector<LinhaCategoria> RelatorioCategorias(const DadosRelatorios& dados,
                                                const Conjunto& conjunto,
                                                const Classificacao& classificacao,
                                                const Periodo& periodo) {
    const Periodo atual = relatorios::Recortar(periodo, dados);
    const Periodo anterior = PeriodoAnterior(atual);
    const bool compara = !atual.Vazio() && anterior.de >= dados.primeiro_mes;
    const TotaisProdutos agora = TotaisPorProduto(dados, atual);
    const TotaisProdutos antes = compara ? TotaisPorProduto(dados, anterior) : TotaisProdutos{};

    // Index 0 is "Sem categoria", category c is c + 1.
    const std::size_t n = conjunto.categorias.size() + 1;
    std::vector<double> total(n, 0), total_antes(n, 0);
    std::vector<int> produtos(n, 0);
    double soma = 0;
    for (std::size_t p = 0; p < dados.produtos.size(); ++p) {
        const auto c = static_cast<std::size_t>(classificacao.categoria[p] + 1);
        if (agora.comprado[p]) {
            total[c] += agora.total[p];
            soma += agora.total[p];
            ++produtos[c];
        }
        if (compara) total_antes[c] += antes.total[p];
    }

    std::vector<LinhaCategoria> linhas;
    for (std::size_t c = 0; c < n; ++c) {
        if (c == 0 && produtos[0] == 0 && total_antes[0] == 0) continue;
        LinhaCategoria linha;
        linha.categoria = static_cast<int>(c) - 1;
        linha.nome = c == 0 ? kSemCategoria : conjunto.categorias[c - 1].nome;
        linha.total = total[c];
        linha.produtos = produtos[c];
        if (soma != 0) linha.participacao = total[c] / soma * 100;
        if (compara && total_antes[c] != 0) linha.variacao = (total[c] / total_antes[c] - 1) * 100;
        linhas.push_back(std::move(linha));
    }
    std::stable_sort(linhas.begin(), linhas.end(),
                     [](const LinhaCategoria& a, const LinhaCategoria& b) {
                         if ((a.categoria < 0) != (b.categoria < 0)) return b.categoria < 0;
                         return a.total > b.total;
                     });
    return linhas;
}

std::string CsvCategorias(const std::vector<LinhaCategoria>& linhas) {
    std::string saida = "categoria,total,participacao,variacao,produtos\n";
    for (const LinhaCategoria& l : linhas) {
        relatorios::AcrescentarCampoCsv(saida, l.nome);
        for (const std::optional<double>& v :
             {std::optional<double>(l.total), l.participacao, l.variacao})
            saida += "," + relatorios::TextoDecimal(v, 2);
        saida += "," + std::to_string(l.produtos) + "\n";
    }
    return saida;
}

std::vector<relatorios::LinhaProduto> ProdutosDaCategoria(const DadosRelatorios& dados,
                                                          const Classificacao& classificacao,
                                                          const Periodo& periodo, int categoria) {
    // Only the category's products get their texts and are sorted: a few thousand of 40,000.
    std::vector<char> escolhidos(classificacao.categoria.size());
    for (std::size_t p = 0; p < escolhidos.size(); ++p)
        escolhidos[p] = classificacao.categoria[p] == categoria;
    return relatorios::RelatorioProdutos(dados, periodo, {}, &escolhidos);
}

std::vector<ContagemRegra> ContarRegras(const DadosRelatorios& dados, const Conjunto& conjunto,
                                        const Classificacao& classificacao, const Periodo& periodo,
                                        int categoria) {
    std::vector<ContagemRegra> contagens;
    if (categoria < 0 || static_cast<std::size_t>(categoria) >= conjunto.categorias.size())
        return contagens;
    contagens.resize(conjunto.categorias[static_cast<std::size_t>(categoria)].regras.size());
    const TotaisProdutos totais = TotaisPorProduto(dados, periodo);
    for (std::size_t p = 0; p < dados.produtos.size(); ++p) {
        if (!totais.comprado[p] || classificacao.categoria[p] != categoria) continue;
        const int r = classificacao.regra[p];
        if (r < 0 || static_cast<std::size_t>(r) >= contagens.size()) continue;
        ++contagens[static_cast<std::size_t>(r)].produtos;
        contagens[static_cast<std::size_t>(r)].total += totais.total[p];
    }
    return contagens;
}

GastoMensal GastoPorMes(const DadosRelatorios& dados, const Conjunto& conjunto,
                        const Classificacao& classificacao, const Periodo& periodo) {
    GastoMensal gasto;
    gasto.meses = relatorios::Recortar(periodo, dados);
    const std::size_t meses =
        gasto.meses.Vazio() ? 0 : static_cast<std::size_t>(gasto.meses.ate - gasto.meses.de + 1);
    gasto.por_categoria.assign(conjunto.categorias.size() + 1, std::vector<double>(meses, 0));
    const relatorios::FaixaCupons faixa = relatorios::CuponsDoPeriodo(dados, gasto.meses);
    for (std::size_t c = faixa.inicio; c < faixa.fim; ++c) {
        const auto m = static_cast<std::size_t>(dados.cupons[c].mes - gasto.meses.de);
        for (std::size_t i = dados.InicioItens(c); i < dados.InicioItens(c + 1); ++i) {
            const relatorios::Item& item = dados.itens[i];
            const int categoria = classificacao.categoria[static_cast<std::size_t>(
                dados.variantes[static_cast<std::size_t>(item.variante)].produto)];
            const std::size_t linha =
                categoria < 0 ? conjunto.categorias.size() : static_cast<std::size_t>(categoria);
            gasto.por_categoria[linha][m] += item.liquido;
        }
    }
    return gasto;
}

int DiasNoMes(int mes) {
    static constexpr int kDias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int ano = relatorios::AnoDoMes(mes), m = relatorios::MesDoAno(mes);
    const bool bissexto = (ano % 4 == 0 && ano % 100 != 0) || ano % 400 == 0;
    return m == 2 && bissexto ? 29 : kDias[m - 1];
}

std::vector<SituacaoOrcamento> Orcamento(const DadosRelatorios& dados, const Conjunto& conjunto,
                                         const Classificacao& classificacao, int mes, int dia) {
    const GastoMensal gasto = GastoPorMes(dados, conjunto, classificacao, Periodo{mes, mes});
    const int dias = DiasNoMes(mes);
    dia = std::clamp(dia, 1, dias);
    std::vector<SituacaoOrcamento> situacoes;
    for (std::size_t c = 0; c < conjunto.categorias.size(); ++c) {
        if (!conjunto.categorias[c].limite) continue;
        SituacaoOrcamento s;
        s.categoria = static_cast<int>(c);
        s.gasto = gasto.por_categoria[c].empty() ? 0 : gasto.por_categoria[c][0];
        s.limite = *conjunto.categorias[c].limite;
        s.fracao = s.limite > 0 ? s.gasto / s.limite : (s.gasto > 0 ? INFINITY : 0);
        s.projecao = s.gasto / dia * dias;
        // Compared in whole cents, as shown: a sum a hair off 80 % or 100 % takes the colour of
        // the percentage on screen.
        const double gasto_c = std::round(s.gasto * 100), limite_c = std::round(s.limite * 100);
        s.faixa = gasto_c * 10 < limite_c * 8 ? SituacaoOrcamento::Faixa::Verde
                  : gasto_c <= limite_c       ? SituacaoOrcamento::Faixa::Ambar
                                              : SituacaoOrcamento::Faixa::Vermelha;
        situacoes.push_back(s);
    }
    return situacoes;
}

}  // namespace categorias
