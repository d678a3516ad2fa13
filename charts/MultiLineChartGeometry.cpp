#include "charts/MultiLineChartGeometry.h"

#include <algorithm>
#include <cmath>

namespace graficos {
namespace {

constexpr int kDivisoesFaixa = kLinhasGrade - 1;
// Steps of a range scale: these times a power of ten. 20 always reaches the top, since the
// bottom lies less than a step under the smallest value.
constexpr double kMultiplosPasso[] = {1, 2, 2.5, 5, 10, 20};
constexpr double kFolgaValorUnico = 0.01;  // of the value, each side, when all values are equal

constexpr int kFolgaEixoLinhas = 8;       // between the baseline and the category labels
constexpr int kFolgaEscalaLinhas = 12;    // the scale labels' gap to the axis, and a little room
constexpr double kMenorSlotMarcado = 16;  // closer dots run together into a band

constexpr int kMargemLegendaLinhas = 8;  // above the legend, and left of the client's right edge
constexpr int kLadoAmostraSerie = 10;
constexpr int kFolgaAmostraSerie = 5;
constexpr int kEspacoItensSeries = 16;
constexpr int kEntreLinhasSeries = 4;
constexpr int kFolgaLegendaLinhas = 16;  // room for half the top scale label

bool TemValor(const SerieLinhas& serie, std::size_t categorias) {
    const std::size_t n = std::min(serie.valores.size(), categorias);
    return std::any_of(serie.valores.begin(), serie.valores.begin() + static_cast<long>(n),
                       [](double v) { return std::isfinite(v); });
}

// Lays the legend out in rows from `x0`; returns the y under its last row (0 without entries).
int CalcularLegendaSeries(const DadosGraficoLinhas& dados, int x0, int x_max,
                          const MedirTexto& medir, std::vector<ItemLegendaSerie>& legenda) {
    int x = x0;
    int y = kMargemLegendaLinhas;
    int fim = 0;
    for (std::size_t s = 0; s < dados.series.size(); ++s) {
        const SerieLinhas& serie = dados.series[s];
        if (serie.nome.empty() || !TemValor(serie, dados.categorias.size())) continue;
        const wxSize tamanho = medir(serie.nome);
        const int altura = std::max(tamanho.GetHeight(), kLadoAmostraSerie);
        const int largura = kLadoAmostraSerie + kFolgaAmostraSerie + tamanho.GetWidth();
        if (x > x0 && x + largura > x_max) {
            x = x0;
            y = fim + kEntreLinhasSeries;
        }
        ItemLegendaSerie item;
        item.serie = static_cast<int>(s);
        item.amostra =
            wxRect(x, y + (altura - kLadoAmostraSerie) / 2, kLadoAmostraSerie, kLadoAmostraSerie);
        item.nome = {serie.nome, wxPoint(x + kLadoAmostraSerie + kFolgaAmostraSerie,
                                         y + (altura - tamanho.GetHeight()) / 2)};
        legenda.push_back(item);
        fim = std::max(fim, y + altura);
        x += largura + kEspacoItensSeries;
    }
    return fim;
}

}  // namespace

Escala CalcularEscalaFaixa(double menor, double maior, double& base) {
    base = 0;
    if (maior < menor) std::swap(menor, maior);
    if (maior - menor <= 0) {
        const double folga = maior != 0 ? std::fabs(maior) * kFolgaValorUnico : 1;
        menor -= folga;
        maior += folga;
    }
    const double bruto = (maior - menor) / kDivisoesFaixa;
    const double magnitude = std::pow(10.0, std::floor(std::log10(bruto)));
    // Values at the ends of the doubles have no round range: the scale from 0 takes them.
    if (!std::isfinite(menor) || !std::isfinite(bruto) || !(magnitude > 0) ||
        !std::isfinite(magnitude))
        return CalcularEscala(maior);
    Escala escala;
    escala.magnitude = magnitude;
    for (double multiplo : kMultiplosPasso) {
        escala.passo = multiplo * magnitude;
        base = std::floor(menor / escala.passo) * escala.passo;
        if (base + kDivisoesFaixa * escala.passo >= maior) break;
    }
    escala.topo = kDivisoesFaixa * escala.passo;
    escala.maxValue = maior - base;
    return escala;
}

GeometriaGraficoLinhas CalcularGeometriaLinhas(const DadosGraficoLinhas& dados, wxSize cliente,
                                               const MedirTexto& medir) {
    GeometriaGraficoLinhas g;
    const std::size_t n = dados.categorias.size();
    double menor = INFINITY, maior = -INFINITY;
    for (const SerieLinhas& serie : dados.series)
        for (std::size_t i = 0; i < std::min(n, serie.valores.size()); ++i)
            if (std::isfinite(serie.valores[i])) {
                menor = std::min(menor, serie.valores[i]);
                maior = std::max(maior, serie.valores[i]);
            }
    if (!std::isfinite(maior)) return g;

    if (dados.escala_do_zero)
        g.escala = CalcularEscala(maior);
    else
        g.escala = CalcularEscalaFaixa(menor, maior, g.base);

    Margens margens = kMargensEixos;
    margens.esquerda =
        std::max(margens.esquerda, LarguraRotulosEscala(g.escala, g.base, dados.formatar, medir) +
                                       kFolgaEscalaLinhas);
    const int fim_legenda = CalcularLegendaSeries(
        dados, margens.esquerda, cliente.GetWidth() - kMargemLegendaLinhas, medir, g.legenda);
    margens.topo = std::max(margens.topo, fim_legenda + kFolgaLegendaLinhas);
    const std::optional<AreaPlotagem> area = CalcularArea(cliente, margens);
    if (!area) {
        g.legenda.clear();
        return g;
    }
    g.desenhar = true;
    g.area = *area;
    g.linhas = LinhasFormatadas(g.escala, g.base, g.area, dados.formatar, medir);

    const double slot = static_cast<double>(g.area.Largura()) / static_cast<double>(n);
    g.marcar_pontos = slot >= kMenorSlotMarcado;
    std::vector<int> centros(n);
    for (std::size_t i = 0; i < n; ++i)
        centros[i] = g.area.esquerda + Truncar((static_cast<double>(i) + 0.5) * slot);

    for (std::size_t s = 0; s < dados.series.size(); ++s) {
        const std::vector<double>& valores = dados.series[s].valores;
        bool aberto = false;
        for (std::size_t i = 0; i < n; ++i) {
            const bool tem = i < valores.size() && std::isfinite(valores[i]);
            if (!tem) {
                aberto = false;
                continue;
            }
            if (!aberto) g.trechos.push_back({static_cast<int>(s), {}});
            aberto = true;
            const int y = std::clamp(YDoValor(valores[i] - g.base, g.escala, g.area), g.area.topo,
                                     g.area.base);
            g.trechos.back().pontos.push_back(wxPoint(centros[i], y));
        }
    }
    g.eixo = CalcularEixoCategorias(centros, dados.categorias, dados.grupos,
                                    g.area.base + kFolgaEixoLinhas, cliente.GetWidth(), medir);
    return g;
}

}  // namespace graficos
