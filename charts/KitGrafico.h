#pragma once

// What every chart of the program computes the same way, without a window: the value scale with
// its six grid lines, the plot area inside the margins, placing texts by their extents, and
// turning doubles into pixels. Chart geometries build on these; panels only draw the result.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <functional>
#include <optional>
#include <vector>

namespace graficos {

// Doubles to pixels drop the fraction, toward zero. NaN reads 0 and values beyond int are cut,
// since converting them would be undefined.
int Truncar(double v);

// Measures a text in the font it will be drawn in (the panel passes its DC's GetTextExtent).
using MedirTexto = std::function<wxSize(const wxString&)>;

struct TextoPosicionado {
    wxString texto;
    wxPoint posicao;  // top-left corner of the text
};

// A vertical value scale from 0: the top is the largest value rounded up to a whole multiple of
// its power of ten, divided into five steps.
struct Escala {
    double maxValue = 1;   // the largest finite value, 1 when none is above 0
    double magnitude = 1;  // 10 raised to floor(log10(maxValue))
    double topo = 1;       // maxValue rounded up to a whole multiple of magnitude
    double passo = 0.2;    // topo / 5: the distance between grid lines
};

inline constexpr int kLinhasGrade = 6;

// The scale for values whose largest finite value is `maior` (any value <= 0 or not finite
// gives the scale of 1).
Escala CalcularEscala(double maior);

struct Margens {
    int esquerda = 0;
    int topo = 0;
    int direita = 0;
    int base = 0;
};

// The margins of a chart with a value axis: room for the scale labels on the left and for the
// category labels under the baseline.
inline constexpr Margens kMargensEixos{70, 30, 30, 60};

// The plot inside the margins, in client coordinates.
struct AreaPlotagem {
    int esquerda = 0;  // x of the vertical axis
    int topo = 0;      // y of the top of the vertical axis
    int direita = 0;   // x where the horizontal axis ends
    int base = 0;      // y of the baseline (the horizontal axis)
    int Largura() const { return direita - esquerda; }
    int Altura() const { return base - topo; }
};

// The plot area of a client area, or nothing when the client is not larger than the margins.
// Client sizes beyond any screen are cut first, so that every coordinate fits in an int.
std::optional<AreaPlotagem> CalcularArea(wxSize cliente, const Margens& margens);

// The y of value `v` on `escala` drawn over `area` (the baseline for 0).
int YDoValor(double v, const Escala& escala, const AreaPlotagem& area);

struct LinhaGrade {
    int y = 0;
    TextoPosicionado rotulo;  // the scale value, right-aligned 8 pixels left of the axis
};

// The six grid lines of `escala`, from the baseline upwards, with their values written with
// `casas` decimals.
std::vector<LinhaGrade> LinhasDaEscala(const Escala& escala, const AreaPlotagem& area, int casas,
                                       const MedirTexto& medir);

// A text of size `tamanho` centred over the span of `largura` pixels from `x`, its top at `y`:
// x + (largura - text width) / 2, halved toward zero.
wxPoint CentradoNaFaixa(wxSize tamanho, int x, int largura, int y);

}  // namespace graficos
