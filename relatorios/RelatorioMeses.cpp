#include "relatorios/RelatorioMeses.h"

#include <algorithm>

namespace relatorios {
namespace {

// A month's total and receipts from the whole data; 0 outside it.
struct TotaisMes {
    double total = 0;
    int cupons = 0;
};

TotaisMes TotaisDoMes(const DadosRelatorios& dados, int mes) {
    if (mes < dados.primeiro_mes || mes > dados.ultimo_mes) return {};
    const auto i = static_cast<std::size_t>(mes - dados.primeiro_mes);
    return {dados.total_mes[i], dados.cupons_mes[i]};
}

std::optional<double> VariacaoPercentual(double atual, double anterior) {
    if (anterior == 0) return std::nullopt;
    return (atual / anterior - 1) * 100;
}

std::optional<double> MediaPorCupom(double total, int cupons) {
    if (cupons == 0) return std::nullopt;
    return total / cupons;
}

}  // namespace

std::vector<LinhaMes> RelatorioMeses(const DadosRelatorios& dados, const Periodo& periodo) {
    const Periodo p = Recortar(periodo, dados);
    std::vector<LinhaMes> linhas;
    for (int m = p.de; m <= p.ate; ++m) {
        const TotaisMes t = TotaisDoMes(dados, m);
        LinhaMes linha{m, t.total, t.cupons, MediaPorCupom(t.total, t.cupons), std::nullopt};
        if (m - 12 >= dados.primeiro_mes)
            linha.variacao_ano = VariacaoPercentual(t.total, TotaisDoMes(dados, m - 12).total);
        linhas.push_back(linha);
    }
    return linhas;
}

std::vector<LinhaAno> RelatorioAnos(const DadosRelatorios& dados, const Periodo& periodo) {
    const Periodo p = Recortar(periodo, dados);
    std::vector<LinhaAno> linhas;
    if (p.Vazio()) return linhas;
    for (int ano = AnoDoMes(p.de); ano <= AnoDoMes(p.ate); ++ano) {
        const int de = std::max(p.de, Mes(ano, 1)), ate = std::min(p.ate, Mes(ano, 12));
        LinhaAno linha;
        linha.ano = ano;
        double anterior = 0;
        for (int m = de; m <= ate; ++m) {
            const TotaisMes t = TotaisDoMes(dados, m);
            linha.total += t.total;
            linha.cupons += t.cupons;
            anterior += TotaisDoMes(dados, m - 12).total;
        }
        linha.ticket_medio = MediaPorCupom(linha.total, linha.cupons);
        if (de - 12 >= dados.primeiro_mes)
            linha.variacao = VariacaoPercentual(linha.total, anterior);
        linhas.push_back(linha);
    }
    return linhas;
}

AnoAAno RelatorioAnoAAno(const DadosRelatorios& dados, const Periodo& periodo) {
    const Periodo p = Recortar(periodo, dados);
    AnoAAno tabela;
    if (p.Vazio()) return tabela;
    const int ultimo = AnoDoMes(p.ate);
    for (int ano = std::max(AnoDoMes(p.de), ultimo - kMaximoAnosLadoALado + 1); ano <= ultimo;
         ++ano)
        tabela.anos.push_back(ano);
    const bool compara = tabela.anos.size() >= 2;

    AnoAAno::Linha total;
    total.mes = 0;
    total.totais.assign(tabela.anos.size(), 0.0);
    double comum_atual = 0, comum_anterior = 0;
    bool algum_comum = false;
    for (int mes = 1; mes <= 12; ++mes) {
        AnoAAno::Linha linha;
        linha.mes = mes;
        for (std::size_t a = 0; a < tabela.anos.size(); ++a) {
            const int m = Mes(tabela.anos[a], mes);
            if (!p.Contem(m)) {
                linha.totais.emplace_back();
                continue;
            }
            linha.totais.emplace_back(TotaisDoMes(dados, m).total);
            *total.totais[a] += TotaisDoMes(dados, m).total;
        }
        if (compara) {
            const int atual = Mes(ultimo, mes), anterior = Mes(ultimo - 1, mes);
            if (p.Contem(atual) && p.Contem(anterior) && TotaisDoMes(dados, atual).cupons > 0 &&
                TotaisDoMes(dados, anterior).cupons > 0) {
                const double a = TotaisDoMes(dados, atual).total,
                             b = TotaisDoMes(dados, anterior).total;
                linha.variacao = VariacaoPercentual(a, b);
                comum_atual += a;
                comum_anterior += b;
                algum_comum = true;
            }
        }
        tabela.linhas.push_back(std::move(linha));
    }
    if (algum_comum) total.variacao = VariacaoPercentual(comum_atual, comum_anterior);
    tabela.linhas.push_back(std::move(total));
    return tabela;
}

}  // namespace relatorios
