#include "charts/LineChartGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

#include "base/DataHora.h"
#include "base/FormatoBr.h"
#include "charts/EixoCategorias.h"

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
const wchar_t* const kDicaMenorDoMes = L"%s\n%s\nQtde: %s %s\nMenor preço do mês: %s";

bool Datado(const PontoPreco& p) {
    return p.data_hora > 0 && std::isfinite(p.preco);
}

// Months counted from year 0, so that consecutive months differ by one.
int MesAbsoluto(long long data_hora) {
    const datahora::Partes p = datahora::Separar(data_hora);
    return p.ano * 12 + std::clamp(p.mes, 1, 12) - 1;
}

wxString EscreverPreco(double v) {
    return formato::Decimal(v, kCasasPreco);
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
    g.linhas = LinhasFormatadas(g.escala, 0, g.area, EscreverPreco, medir);
    const EixoTempo eixo = CalcularEixo(dia_menor, dia_maior);
    g.meses = CalcularMeses(eixo, primeira, g.area, cliente, medir);

    // A price below 0 sits on the baseline: nothing is drawn outside the plot.
    g.pontos.assign(n, wxPoint(-1, -1));
    for (std::size_t i : datados) {
        const int y =
            std::clamp(YDoValor(dados.pontos[i].preco, g.escala, g.area), g.area.topo, g.area.base);
        g.pontos[i] = wxPoint(eixo.X(dias[i], g.area), y);
    }

    // Each store's points in date order; a month without a purchase there ends a run.
    std::vector<std::size_t> em_ordem;
    for (std::size_t i : datados)
        if (dados.pontos[i].loja >= 0 &&
            static_cast<std::size_t>(dados.pontos[i].loja) < dados.lojas.size())
            em_ordem.push_back(i);
    std::stable_sort(em_ordem.begin(), em_ordem.end(), [&dados](std::size_t a, std::size_t b) {
        const PontoPreco &pa = dados.pontos[a], &pb = dados.pontos[b];
        return pa.loja != pb.loja ? pa.loja < pb.loja : pa.data_hora < pb.data_hora;
    });
    int mes_anterior = 0;
    for (std::size_t k = 0; k < em_ordem.size(); ++k) {
        const PontoPreco& p = dados.pontos[em_ordem[k]];
        const int mes = MesAbsoluto(p.data_hora);
        if (k == 0 || dados.pontos[em_ordem[k - 1]].loja != p.loja || mes - mes_anterior > 1)
            g.trechos.push_back({p.loja, {}, 0});
        g.trechos.back().pontos.push_back(g.pontos[em_ordem[k]]);
        mes_anterior = mes;
    }
    std::vector<std::size_t> pontos_por_loja(dados.lojas.size(), 0);
    for (const TrechoPrecos& t : g.trechos)
        pontos_por_loja[static_cast<std::size_t>(t.loja)] += t.pontos.size();
    for (TrechoPrecos& t : g.trechos)
        t.pontos_da_loja = pontos_por_loja[static_cast<std::size_t>(t.loja)];

    if (dados.menor >= 0 && static_cast<std::size_t>(dados.menor) < n &&
        Datado(dados.pontos[static_cast<std::size_t>(dados.menor)])) {
        g.tem_menor = true;
        g.menor = g.pontos[static_cast<std::size_t>(dados.menor)];
        g.rotulo_menor.texto =
            EscreverPreco(dados.pontos[static_cast<std::size_t>(dados.menor)].preco);
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
    return wxString::Format(dados.menores_do_mes ? kDicaMenorDoMes : kDica,
                            formato::Data(p.data_hora), loja, formato::Decimal(p.qtde, kCasasQtde),
                            p.un, formato::Dinheiro(p.preco, kCasasPreco));
}

DadosGraficoPrecos MenoresDoMes(const DadosGraficoPrecos& dados) {
    struct Candidato {
        int loja;
        int mes;
        std::size_t ponto;
    };
    std::vector<Candidato> candidatos;
    for (std::size_t i = 0; i < dados.pontos.size(); ++i)
        if (Datado(dados.pontos[i]))
            candidatos.push_back({dados.pontos[i].loja, MesAbsoluto(dados.pontos[i].data_hora), i});
    // Within each store and month, the one kept comes first.
    const auto primeiro = [&dados](const Candidato& a, const Candidato& b) {
        if (a.loja != b.loja) return a.loja < b.loja;
        if (a.mes != b.mes) return a.mes < b.mes;
        const PontoPreco &pa = dados.pontos[a.ponto], &pb = dados.pontos[b.ponto];
        if (pa.preco != pb.preco) return pa.preco < pb.preco;
        const bool ma = static_cast<int>(a.ponto) == dados.menor;
        const bool mb = static_cast<int>(b.ponto) == dados.menor;
        if (ma != mb) return ma;
        return pa.data_hora > pb.data_hora;
    };
    std::sort(candidatos.begin(), candidatos.end(), primeiro);
    std::vector<bool> fica(dados.pontos.size(), false);
    for (std::size_t k = 0; k < candidatos.size(); ++k)
        if (k == 0 || candidatos[k].loja != candidatos[k - 1].loja ||
            candidatos[k].mes != candidatos[k - 1].mes)
            fica[candidatos[k].ponto] = true;

    DadosGraficoPrecos menores;
    menores.lojas = dados.lojas;
    menores.menores_do_mes = true;
    for (std::size_t i = 0; i < dados.pontos.size(); ++i) {
        if (!fica[i]) continue;
        if (static_cast<int>(i) == dados.menor)
            menores.menor = static_cast<int>(menores.pontos.size());
        menores.pontos.push_back(dados.pontos[i]);
    }
    return menores;
}

}  // namespace graficos
