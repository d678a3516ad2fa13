#include "charts/MonthBarChartGeometry.h"

#include <algorithm>
#include <cmath>

namespace graficos {
namespace {

constexpr double kFracaoBarraPeriodo = 0.7;
constexpr double kMenorSlotComVao = 3;   // below this, bars touch
constexpr int kFolgaValorPeriodo = 3;    // between a bar's top and its value
constexpr int kFolgaEixoPeriodo = 8;     // between the baseline and the first row of labels
constexpr int kFolgaEscalaPeriodo = 12;  // the scale labels' gap to the axis, and a little room

}  // namespace

int LarguraBarraPeriodo(double slot) {
    if (!(slot >= 1)) return 1;
    if (slot < kMenorSlotComVao) return Truncar(slot);
    return std::max(2, Truncar(slot * kFracaoBarraPeriodo));
}

GeometriaBarrasPeriodo CalcularGeometriaBarrasPeriodo(const DadosBarrasPeriodo& dados,
                                                      wxSize cliente, const MedirTexto& medir) {
    GeometriaBarrasPeriodo g;
    const std::vector<BarraPeriodo>& barras = dados.barras;
    if (barras.empty()) return g;

    double maior = 0;
    for (const BarraPeriodo& b : barras)
        if (std::isfinite(b.valor)) maior = std::max(maior, b.valor);
    g.escala = CalcularEscala(maior);

    // Wide scale labels ("R$ 12.000") widen the left margin.
    Margens margens = kMargensEixos;
    margens.esquerda =
        std::max(margens.esquerda, LarguraRotulosEscala(g.escala, 0, dados.formatar_escala, medir) +
                                       kFolgaEscalaPeriodo);
    const std::optional<AreaPlotagem> area = CalcularArea(cliente, margens);
    if (!area) return g;
    g.desenhar = true;
    g.area = *area;
    g.linhas = LinhasFormatadas(g.escala, 0, g.area, dados.formatar_escala, medir);

    const double slot = static_cast<double>(g.area.Largura()) / static_cast<double>(barras.size());
    const int largura = LarguraBarraPeriodo(slot);
    // Texts over the bars may take the bar and the gap beside it, so two never touch.
    const int largura_valor = std::max(largura, Truncar(slot));
    std::vector<int> centros;
    std::vector<wxString> rotulos, grupos;
    for (std::size_t j = 0; j < barras.size(); ++j) {
        const BarraPeriodo& b = barras[j];
        GeometriaBarraPeriodo gb;
        gb.destacada = b.destacada;
        const double razao =
            std::isfinite(b.valor) ? std::clamp(b.valor / g.escala.topo, 0.0, 1.0) : 0.0;
        const int altura = Truncar(razao * g.area.Altura());
        const int x =
            g.area.esquerda + Truncar(static_cast<double>(j) * slot + (slot - largura) / 2);
        gb.retangulo = wxRect(x, g.area.base - altura, largura, altura);
        const wxSize tamanho = medir(b.texto_valor);
        if (!b.texto_valor.empty() && tamanho.GetWidth() <= largura_valor) {
            gb.valor.texto = b.texto_valor;
            gb.valor.posicao = CentradoNaFaixa(
                tamanho, x, largura, gb.retangulo.y - tamanho.GetHeight() - kFolgaValorPeriodo);
        }
        g.barras.push_back(gb);
        centros.push_back(x + largura / 2);
        rotulos.push_back(b.rotulo);
        grupos.push_back(b.grupo);
    }
    g.eixo = CalcularEixoCategorias(centros, rotulos, grupos, g.area.base + kFolgaEixoPeriodo,
                                    cliente.GetWidth(), medir);
    return g;
}

}  // namespace graficos
