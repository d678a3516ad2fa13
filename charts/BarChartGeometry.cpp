#include "charts/BarChartGeometry.h"

#include <algorithm>
#include <cmath>

#include "base/NumeroTexto.h"

namespace graficos {
namespace {

constexpr double kFracaoLarguraBarra = 0.6;
constexpr int kFolgaValor = 4;         // between a bar's top and its value
constexpr int kFolgaRotuloBarra = 10;  // between the baseline and a bar's label
constexpr int kCasasValor = 0;

// A negative bar hangs below the baseline at most this many plot heights (far past the panel's
// bottom edge, 60 pixels down): enough to look the same, small enough to stay an int.
constexpr double kMaiorQuedaBarra = 1000.0;

}  // namespace

Escala CalcularEscalaBarras(const std::vector<BarItem>& bars) {
    // Values that are not finite (a cell reading "inf" or "nan") have no place on a scale.
    double maior = 0;
    for (const BarItem& bar : bars)
        if (std::isfinite(bar.value)) maior = std::max(maior, bar.value);
    return CalcularEscala(maior);
}

GeometriaGraficoBarras CalcularGeometriaBarras(const std::vector<BarItem>& bars, wxSize cliente,
                                               const MedirTexto& medir) {
    GeometriaGraficoBarras g;
    if (bars.empty()) return g;
    const std::optional<AreaPlotagem> area = CalcularArea(cliente, kMargensEixos);
    if (!area) return g;

    g.desenhar = true;
    g.area = *area;
    g.escala = CalcularEscalaBarras(bars);
    g.linhas = LinhasDaEscala(g.escala, g.area, kCasasValor, medir);

    const int W = g.area.Largura();
    const int H = g.area.Altura();
    const double topo = g.escala.topo;
    const double slot = static_cast<double>(W) / static_cast<double>(bars.size());
    const double largura = slot * kFracaoLarguraBarra;
    const int largura_px = Truncar(largura);
    for (std::size_t j = 0; j < bars.size(); ++j) {
        const BarItem& bar = bars[j];
        GeometriaBarra b;
        b.highlighted = bar.highlighted;

        // A value that is not finite draws no bar; none rises above the scale's top.
        const double razao =
            std::isfinite(bar.value) ? std::clamp(bar.value / topo, -kMaiorQuedaBarra, 1.0) : 0.0;
        const int altura = Truncar(razao * H);
        const int x =
            Truncar(static_cast<double>(j) * slot + (slot - largura) / 2) + g.area.esquerda;
        const int topo_barra = g.area.base - altura;
        b.retangulo = altura >= 0 ? wxRect(x, topo_barra, largura_px, altura)
                                  : wxRect(x, g.area.base, largura_px, -altura);

        b.valor.texto = numero::Formatar(bar.value, kCasasValor);
        const wxSize tamanho_valor = medir(b.valor.texto);
        b.valor.posicao = CentradoNaFaixa(tamanho_valor, x, largura_px,
                                          topo_barra - tamanho_valor.GetHeight() - kFolgaValor);

        b.rotulo.texto = bar.label;
        b.rotulo.posicao =
            CentradoNaFaixa(medir(bar.label), x, largura_px, g.area.base + kFolgaRotuloBarra);
        g.barras.push_back(b);
    }
    return g;
}

}  // namespace graficos
