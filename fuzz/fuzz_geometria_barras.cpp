// The monthly bar chart with extreme values and client sizes. Every coordinate that reaches an
// int must be defined, the scale must be a finite positive number, there are six grid lines and
// one bar per item, and no rectangle has a negative size.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "base/NumeroTexto.h"
#include "charts/BarChartGeometry.h"
#include "fuzz/ValoresExtremos.h"

namespace {

[[noreturn]] void Violacao(const char* mensagem, double a = 0, double b = 0) {
    std::fprintf(stderr, "\n*** invariant violated: %s (%g, %g)\n", mensagem, a, b);
    __builtin_trap();
}

// Roughly what a 9-point font measures: the panel's texts are short, but a value of 1e308
// written with "%.0f" is 309 characters wide.
wxSize Medir(const wxString& texto) {
    return wxSize(7 * static_cast<int>(texto.length()), 14);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider dados(data, size);

    std::vector<BarItem> bars(dados.ConsumeIntegralInRange<int>(0, 40));
    for (BarItem& bar : bars) {
        bar.value = fuzz::ValorExtremo(dados);
        const std::string rotulo = dados.ConsumeRandomLengthString(4);
        bar.label = wxString::FromUTF8(rotulo.data(), rotulo.size());
        bar.highlighted = dados.ConsumeBool();
    }
    // The grid's value cells are read with LerPrefixo; any text must read as some number.
    const std::string celula = dados.ConsumeRandomLengthString(32);
    numero::LerPrefixo(wxString::FromUTF8(celula.data(), celula.size()));

    const wxSize cliente(fuzz::TamanhoExtremo(dados), fuzz::TamanhoExtremo(dados));
    const graficos::GeometriaGraficoBarras g =
        graficos::CalcularGeometriaBarras(bars, cliente, Medir);
    if (!g.desenhar) return 0;

    const graficos::Escala& e = g.escala;
    if (!std::isfinite(e.topo) || !(e.topo > 0) || !std::isfinite(e.passo) ||
        !std::isfinite(e.magnitude) || !std::isfinite(e.maxValue))
        Violacao("scale is not a finite positive number", e.topo, e.passo);
    if (g.linhas.size() != 6) Violacao("six grid lines", g.linhas.size());
    if (g.barras.size() != bars.size()) Violacao("one bar per item", g.barras.size(), bars.size());
    // With a subnormal top the step loses its precision (topo / 5 * 5 > topo) and the top line
    // may stand a few pixels above the axis: harmless, and only for values no receipt holds.
    const bool escala_normal = e.topo >= std::numeric_limits<double>::min();
    for (const graficos::LinhaGrade& linha : g.linhas) {
        if (linha.y > g.area.base || (escala_normal && linha.y < g.area.topo))
            Violacao("grid line off the axis", linha.y);
    }
    for (const graficos::GeometriaBarra& b : g.barras) {
        if (b.retangulo.width < 0 || b.retangulo.height < 0)
            Violacao("rectangle of negative size", b.retangulo.width, b.retangulo.height);
        if (b.retangulo.x < g.area.esquerda || b.retangulo.x > g.area.direita)
            Violacao("bar outside the plot", b.retangulo.x);
    }
    return 0;
}
