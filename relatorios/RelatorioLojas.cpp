#include "relatorios/RelatorioLojas.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace relatorios {

std::vector<LinhaLoja> RelatorioLojas(const DadosRelatorios& dados, const Periodo& periodo,
                                      bool agrupar_filiais) {
    const FaixaCupons faixa = CuponsDoPeriodo(dados, Recortar(periodo, dados));
    std::vector<LinhaLoja> por_loja(dados.lojas.size());
    double total_periodo = 0;
    for (std::size_t c = faixa.inicio; c < faixa.fim; ++c) {
        const Cupom& cupom = dados.cupons[c];
        LinhaLoja& linha = por_loja[static_cast<std::size_t>(cupom.loja)];
        ++linha.cupons;
        linha.total += cupom.valor_total;
        linha.ultima_visita = std::max(linha.ultima_visita, cupom.data_hora);
        total_periodo += cupom.valor_total;
    }

    auto maior = [](const LinhaLoja& a, const LinhaLoja& b) {
        return std::tie(b.total, a.nome, a.cnpj) < std::tie(a.total, b.nome, b.cnpj);
    };
    std::vector<LinhaLoja> linhas;
    std::unordered_map<std::string, std::size_t> por_raiz;  // company -> position in linhas
    // The branch that names each merged row, compared by its own total, not the group's.
    std::vector<std::size_t> maior_filial;
    for (std::size_t l = 0; l < por_loja.size(); ++l) {
        LinhaLoja& loja = por_loja[l];
        if (loja.cupons == 0) continue;
        loja.cnpj = dados.lojas[l].cnpj;
        loja.nome = dados.lojas[l].nome;
        loja.lojas = {static_cast<int>(l)};
        if (agrupar_filiais) {
            const auto [it, nova] = por_raiz.emplace(dados.lojas[l].raiz, linhas.size());
            if (!nova) {
                LinhaLoja& grupo = linhas[it->second];
                if (maior(loja, por_loja[maior_filial[it->second]])) {
                    maior_filial[it->second] = l;
                    grupo.cnpj = loja.cnpj;
                    grupo.nome = loja.nome;
                }
                grupo.cupons += loja.cupons;
                grupo.total += loja.total;
                grupo.ultima_visita = std::max(grupo.ultima_visita, loja.ultima_visita);
                grupo.lojas.push_back(static_cast<int>(l));
                continue;
            }
        }
        maior_filial.push_back(l);
        linhas.push_back(loja);
    }
    for (LinhaLoja& linha : linhas) {
        linha.ticket_medio = linha.total / linha.cupons;
        if (total_periodo != 0) linha.participacao = linha.total / total_periodo * 100;
    }
    std::sort(linhas.begin(), linhas.end(), maior);
    return linhas;
}

std::vector<BarraLoja> BarrasLojas(const std::vector<LinhaLoja>& linhas, std::size_t maiores) {
    std::vector<BarraLoja> barras;
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        if (i < maiores) {
            barras.push_back({linhas[i].nome, linhas[i].total, false});
        } else {
            if (i == maiores) barras.push_back({kRotuloOutrasLojas, 0, true});
            barras.back().total += linhas[i].total;
        }
    }
    return barras;
}

std::vector<CupomDaLoja> CuponsDaLoja(const DadosRelatorios& dados, const Periodo& periodo,
                                      const LinhaLoja& linha) {
    const FaixaCupons faixa = CuponsDoPeriodo(dados, Recortar(periodo, dados));
    std::vector<CupomDaLoja> cupons;
    for (std::size_t c = faixa.fim; c-- > faixa.inicio;) {
        const Cupom& cupom = dados.cupons[c];
        if (std::find(linha.lojas.begin(), linha.lojas.end(), cupom.loja) != linha.lojas.end())
            cupons.push_back({cupom.id, cupom.data_hora, cupom.valor_total, cupom.numero_cfe});
    }
    return cupons;
}

}  // namespace relatorios
