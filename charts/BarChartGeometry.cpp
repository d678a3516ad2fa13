#include "charts/BarChartGeometry.h"

#include <locale.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr int kMargemEsquerda = 70;
constexpr int kMargemTopo = 30;
constexpr int kMargemDireita = 30;
constexpr int kMargemBase = 60;
constexpr int kLinhasGrade = 6;
constexpr int kDivisoesEscala = kLinhasGrade - 1;
constexpr double kFracaoLarguraBarra = 0.6;
constexpr int kFolgaRotuloEscala = 8;  // right edge of a scale label, left of the axis
constexpr int kFolgaValor = 4;         // between a bar's top and its value
constexpr int kFolgaRotuloBarra = 10;  // between the baseline and a bar's label

constexpr const char* kFormatoValor = "%.0f";

// Client sizes beyond any screen are cut to this, so that every coordinate fits in an int.
constexpr int kMaiorLadoCliente = 1 << 20;
// A negative bar hangs below the baseline at most this many plot heights (far past the panel's
// bottom edge, 60 pixels down): enough to look the same, small enough to stay an int.
constexpr double kMaiorQuedaBarra = 1000.0;

// Doubles to pixels drop the fraction, toward zero. NaN reads 0 and values beyond int are cut,
// since converting them would be undefined.
int Truncar(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(
        std::clamp(v, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

#ifdef _WIN32
using LocaleC = _locale_t;
LocaleC CriarLocaleC() {
    return _create_locale(LC_ALL, "C");
}
double StrtodC(const char* s, char** fim, LocaleC loc) {
    return _strtod_l(s, fim, loc);
}
#else
using LocaleC = locale_t;
LocaleC CriarLocaleC() {
    return newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
}
double StrtodC(const char* s, char** fim, LocaleC loc) {
    return strtod_l(s, fim, loc);
}
#endif

}  // namespace

double LerValorBarra(const wxString& texto) {
    // The grid holds SQLite's text of a number, always with "."; the user's locale must not
    // turn 1234.5 into 1234.
    static const LocaleC locale_c = CriarLocaleC();
    const std::string bytes = texto.ToStdString(wxConvUTF8);
    return StrtodC(bytes.c_str(), nullptr, locale_c);
}

EscalaBarras CalcularEscalaBarras(const std::vector<BarItem>& bars) {
    EscalaBarras escala;
    // Values that are not finite (a cell reading "inf" or "nan") have no place on a scale.
    double maxValue = 0;
    for (const BarItem& bar : bars)
        if (std::isfinite(bar.value)) maxValue = std::max(maxValue, bar.value);
    if (maxValue <= 0) maxValue = 1;
    escala.maxValue = maxValue;
    escala.magnitude = std::pow(10.0, std::floor(std::log10(maxValue)));
    escala.topo = std::ceil(maxValue / escala.magnitude) * escala.magnitude;
    // Rounding up the largest doubles overflows; their own value is then the top.
    if (!std::isfinite(escala.topo)) escala.topo = maxValue;
    escala.passo = escala.topo / kDivisoesEscala;
    return escala;
}

GeometriaGraficoBarras CalcularGeometriaBarras(const std::vector<BarItem>& bars, wxSize cliente,
                                               const MedirTexto& medir) {
    GeometriaGraficoBarras g;
    if (bars.empty()) return g;

    // Compared before subtracting, so that no size makes the margins overflow.
    const int largura_cliente = std::min(cliente.GetWidth(), kMaiorLadoCliente);
    const int altura_cliente = std::min(cliente.GetHeight(), kMaiorLadoCliente);
    if (largura_cliente <= kMargemEsquerda + kMargemDireita ||
        altura_cliente <= kMargemTopo + kMargemBase)
        return g;
    const int W = largura_cliente - (kMargemEsquerda + kMargemDireita);
    const int H = altura_cliente - (kMargemTopo + kMargemBase);

    g.desenhar = true;
    g.esquerda = kMargemEsquerda;
    g.topo = kMargemTopo;
    g.direita = W + kMargemEsquerda;
    g.base = H + kMargemTopo;
    g.escala = CalcularEscalaBarras(bars);
    const double topo = g.escala.topo;

    for (int i = 0; i < kLinhasGrade; ++i) {
        const double v = g.escala.passo * i;
        LinhaGradeBarras linha;
        linha.y = g.base - Truncar(v / topo * H);
        linha.rotulo.texto = wxString::Format(kFormatoValor, v);
        const wxSize tamanho = medir(linha.rotulo.texto);
        linha.rotulo.posicao = wxPoint(kMargemEsquerda - kFolgaRotuloEscala - tamanho.GetWidth(),
                                       linha.y - tamanho.GetHeight() / 2);
        g.linhas.push_back(linha);
    }

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
            Truncar(static_cast<double>(j) * slot + (slot - largura) / 2) + kMargemEsquerda;
        const int topo_barra = g.base - altura;
        b.retangulo = altura >= 0 ? wxRect(x, topo_barra, largura_px, altura)
                                  : wxRect(x, g.base, largura_px, -altura);

        b.valor.texto = wxString::Format(kFormatoValor, bar.value);
        const wxSize tamanho_valor = medir(b.valor.texto);
        b.valor.posicao = wxPoint(x + (largura_px - tamanho_valor.GetWidth()) / 2,
                                  topo_barra - tamanho_valor.GetHeight() - kFolgaValor);

        b.rotulo.texto = bar.label;
        const wxSize tamanho_rotulo = medir(bar.label);
        b.rotulo.posicao =
            wxPoint(x + (largura_px - tamanho_rotulo.GetWidth()) / 2, g.base + kFolgaRotuloBarra);
        g.barras.push_back(b);
    }
    return g;
}
