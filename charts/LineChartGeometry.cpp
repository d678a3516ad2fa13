#include "charts/LineChartGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

#include "base/DataHora.h"
#include "base/NumeroTexto.h"

namespace graficos {
namespace {

constexpr int kCasasPreco = 2;
constexpr int kCasasQtde = 3;

// The time axis spans the dated points with a little room at both ends, and at least a few
// weeks, so that one purchase (or all on one day) stands in the middle under its month.
constexpr double kFolgaFracao = 0.03;
constexpr double kFolgaMinimaDias = 2;
constexpr double kMenorIntervaloDias = 40;
constexpr double kDiasMes = 30.44;
// Months between labels: the first of these that leaves room between two labels.
constexpr int kPassosMeses[] = {1, 2, 3, 4, 6, 12, 24, 60, 120, 240, 600, 1200};
constexpr int kMaisMeses = 12 * 10000;  // more than this many ticks only for nonsense dates
constexpr int kEspacoEntreRotulos = 12;
constexpr int kEspacoMinimoTiques = 4;  // unlabelled monthly ticks only when this far apart
constexpr int kFolgaRotuloMes = 10;     // between the baseline and a month label
// The bar chart's margins, with room under the baseline for one line of month labels only.
constexpr Margens kMargensPrecos{kMargensEixos.esquerda, kMargensEixos.topo, kMargensEixos.direita,
                                 36};
const wxString kModeloRotuloMes = "00/0000";

constexpr int kMargemLegenda = 8;  // above the legend, and left of the client's right edge
constexpr int kLadoAmostra = 10;
constexpr int kFolgaAmostraNome = 5;
constexpr int kEspacoItensLegenda = 16;
constexpr int kEntreLinhasLegenda = 4;
constexpr int kFolgaLegendaPlot = 16;  // room for half the top scale label

constexpr int kFolgaRotuloMenor = 3;

const wchar_t* const kDica = L"%s\n%s\nQtde: %s %s\nPreço: %s";

bool Datado(const PontoPreco& p) {
    return p.data_hora > 0 && std::isfinite(p.preco);
}

// Lays the legend out in rows from the plot's left edge; returns the y under its last row (0
// without entries).
int CalcularLegenda(const DadosGraficoPrecos& dados, const std::vector<bool>& com_pontos,
                    wxSize cliente, const MedirTexto& medir, std::vector<ItemLegenda>& legenda) {
    const int x0 = kMargensPrecos.esquerda;
    const int x_max = cliente.GetWidth() - kMargemLegenda;
    int x = x0;
    int y = kMargemLegenda;
    int fim = 0;
    for (std::size_t loja = 0; loja < dados.lojas.size(); ++loja) {
        if (!com_pontos[loja]) continue;
        const wxSize tamanho = medir(dados.lojas[loja]);
        const int altura = std::max(tamanho.GetHeight(), kLadoAmostra);
        const int largura = kLadoAmostra + kFolgaAmostraNome + tamanho.GetWidth();
        if (x > x0 && x + largura > x_max) {
            x = x0;
            y = fim + kEntreLinhasLegenda;
        }
        ItemLegenda item;
        item.loja = static_cast<int>(loja);
        item.amostra = wxRect(x, y + (altura - kLadoAmostra) / 2, kLadoAmostra, kLadoAmostra);
        item.nome.texto = dados.lojas[loja];
        item.nome.posicao =
            wxPoint(x + kLadoAmostra + kFolgaAmostraNome, y + (altura - tamanho.GetHeight()) / 2);
        legenda.push_back(item);
        fim = std::max(fim, y + altura);
        x += largura + kEspacoItensLegenda;
    }
    return fim;
}

struct EixoTempo {
    double inicio = 0;  // days
    double fim = 0;
    int X(double dias, const AreaPlotagem& area) const {
        return area.esquerda + Truncar((dias - inicio) / (fim - inicio) * area.Largura());
    }
};

EixoTempo CalcularEixo(double menor, double maior) {
    const double folga = std::max((maior - menor) * kFolgaFracao, kFolgaMinimaDias);
    EixoTempo eixo{menor - folga, maior + folga};
    if (eixo.fim - eixo.inicio < kMenorIntervaloDias) {
        const double meio = (menor + maior) / 2;
        eixo = {meio - kMenorIntervaloDias / 2, meio + kMenorIntervaloDias / 2};
    }
    return eixo;
}

double PrimeiroDoMes(int mes_absoluto) {
    const int ano = mes_absoluto / 12;
    return static_cast<double>(datahora::DiasCivis(ano, mes_absoluto - ano * 12 + 1, 1));
}

std::vector<MarcaMes> CalcularMeses(const EixoTempo& eixo, long long data_inicial,
                                    const AreaPlotagem& area, wxSize cliente,
                                    const MedirTexto& medir) {
    std::vector<MarcaMes> meses;
    const datahora::Partes p = datahora::Separar(data_inicial);
    int mes = p.ano * 12 + (std::clamp(p.mes, 1, 12) - 1);
    while (PrimeiroDoMes(mes) > eixo.inicio) --mes;

    const double px_por_mes = area.Largura() * kDiasMes / (eixo.fim - eixo.inicio);
    const int largura_rotulo = medir(kModeloRotuloMes).GetWidth();
    int passo = kPassosMeses[std::size(kPassosMeses) - 1];
    for (int candidato : kPassosMeses) {
        if (candidato * px_por_mes >= largura_rotulo + kEspacoEntreRotulos) {
            passo = candidato;
            break;
        }
    }

    for (int n = 0; n < kMaisMeses && PrimeiroDoMes(mes) <= eixo.fim; ++n, ++mes) {
        const double dias = PrimeiroDoMes(mes);
        if (dias < eixo.inicio) continue;
        MarcaMes marca;
        marca.x = eixo.X(dias, area);
        marca.rotulada = mes % passo == 0;
        if (!marca.rotulada && px_por_mes < kEspacoMinimoTiques) continue;
        if (marca.rotulada) {
            const int ano = mes / 12;
            marca.rotulo.texto = wxString::Format("%02d/%04d", mes - ano * 12 + 1, ano);
            const wxSize tamanho = medir(marca.rotulo.texto);
            wxPoint pos = CentradoNaFaixa(tamanho, marca.x, 0, area.base + kFolgaRotuloMes);
            pos.x = std::clamp(pos.x, 0, std::max(0, cliente.GetWidth() - tamanho.GetWidth()));
            marca.rotulo.posicao = pos;
        }
        meses.push_back(marca);
    }
    return meses;
}

}  // namespace

GeometriaGraficoPrecos CalcularGeometriaPrecos(const DadosGraficoPrecos& dados, wxSize cliente,
                                               const MedirTexto& medir) {
    GeometriaGraficoPrecos g;
    const std::size_t n = dados.pontos.size();
    std::vector<std::size_t> datados;
    std::vector<bool> loja_com_pontos(dados.lojas.size(), false);
    for (std::size_t i = 0; i < n; ++i) {
        const PontoPreco& p = dados.pontos[i];
        if (!Datado(p)) continue;
        datados.push_back(i);
        if (p.loja >= 0 && static_cast<std::size_t>(p.loja) < dados.lojas.size())
            loja_com_pontos[static_cast<std::size_t>(p.loja)] = true;
    }
    if (datados.empty()) return g;

    Margens margens = kMargensPrecos;
    const int fim_legenda = CalcularLegenda(dados, loja_com_pontos, cliente, medir, g.legenda);
    margens.topo = std::max(margens.topo, fim_legenda + kFolgaLegendaPlot);
    const std::optional<AreaPlotagem> area = CalcularArea(cliente, margens);
    if (!area) {
        g.legenda.clear();
        return g;
    }
    g.desenhar = true;
    g.area = *area;

    double maior = 0;
    long long primeira = LLONG_MAX;
    double dia_menor = INFINITY, dia_maior = -INFINITY;
    std::vector<double> dias(n, 0);
    for (std::size_t i : datados) {
        const PontoPreco& p = dados.pontos[i];
        maior = std::max(maior, p.preco);
        primeira = std::min(primeira, p.data_hora);
        dias[i] = datahora::EmDias(p.data_hora);
        dia_menor = std::min(dia_menor, dias[i]);
        dia_maior = std::max(dia_maior, dias[i]);
    }
    g.escala = CalcularEscala(maior);
    g.linhas = LinhasDaEscala(g.escala, g.area, kCasasPreco, medir);
    const EixoTempo eixo = CalcularEixo(dia_menor, dia_maior);
    g.meses = CalcularMeses(eixo, primeira, g.area, cliente, medir);

    // A price below 0 sits on the baseline: nothing is drawn outside the plot.
    g.pontos.assign(n, wxPoint(-1, -1));
    for (std::size_t i : datados) {
        const int y =
            std::clamp(YDoValor(dados.pontos[i].preco, g.escala, g.area), g.area.topo, g.area.base);
        g.pontos[i] = wxPoint(eixo.X(dias[i], g.area), y);
    }

    g.tracados.resize(dados.lojas.size());
    std::vector<std::size_t> em_ordem = datados;
    std::stable_sort(em_ordem.begin(), em_ordem.end(), [&dados](std::size_t a, std::size_t b) {
        return dados.pontos[a].data_hora < dados.pontos[b].data_hora;
    });
    for (std::size_t i : em_ordem) {
        const int loja = dados.pontos[i].loja;
        if (loja >= 0 && static_cast<std::size_t>(loja) < g.tracados.size())
            g.tracados[static_cast<std::size_t>(loja)].push_back(g.pontos[i]);
    }

    if (dados.menor >= 0 && static_cast<std::size_t>(dados.menor) < n &&
        Datado(dados.pontos[static_cast<std::size_t>(dados.menor)])) {
        g.tem_menor = true;
        g.menor = g.pontos[static_cast<std::size_t>(dados.menor)];
        g.rotulo_menor.texto = numero::Formatar(
            dados.pontos[static_cast<std::size_t>(dados.menor)].preco, kCasasPreco);
        const wxSize tamanho = medir(g.rotulo_menor.texto);
        const int x =
            std::clamp(g.menor.x - tamanho.GetWidth() / 2, g.area.esquerda + 2,
                       std::max(g.area.esquerda + 2, g.area.direita - tamanho.GetWidth()));
        // Above the ring, or under it when a low price still sits at the top of the plot.
        int y = g.menor.y - kRaioMarcaMenor - kFolgaRotuloMenor - tamanho.GetHeight();
        if (y < g.area.topo) y = g.menor.y + kRaioMarcaMenor + kFolgaRotuloMenor;
        g.rotulo_menor.posicao = wxPoint(x, y);
    }
    return g;
}

int PontoSob(const GeometriaGraficoPrecos& g, wxPoint posicao, int raio) {
    int achado = -1;
    long long melhor = static_cast<long long>(raio) * raio;
    for (std::size_t i = 0; i < g.pontos.size(); ++i) {
        const wxPoint& p = g.pontos[i];
        if (p.x < 0) continue;
        const long long dx = p.x - posicao.x;
        const long long dy = p.y - posicao.y;
        const long long d = dx * dx + dy * dy;
        if (d <= melhor) {
            melhor = d;
            achado = static_cast<int>(i);
        }
    }
    return achado;
}

wxString TextoDicaPreco(const DadosGraficoPrecos& dados, int ponto) {
    if (ponto < 0 || static_cast<std::size_t>(ponto) >= dados.pontos.size()) return wxString();
    const PontoPreco& p = dados.pontos[static_cast<std::size_t>(ponto)];
    const wxString loja = p.loja >= 0 && static_cast<std::size_t>(p.loja) < dados.lojas.size()
                              ? dados.lojas[static_cast<std::size_t>(p.loja)]
                              : wxString();
    return wxString::Format(kDica, datahora::FormatarData(p.data_hora), loja,
                            numero::Formatar(p.qtde, kCasasQtde), p.un,
                            numero::Formatar(p.preco, kCasasPreco));
}

}  // namespace graficos
