#pragma once

// Geometry of a bar chart over a run of periods (the months of ten years or more, or a bar per
// year), computed without a window. Every bar stays at least a pixel wide; the gaps between
// bars go first when there is no room for them. Labels under the bars are thinned so that none
// overlap, and each group (a year) is written once under its bars. A bar's value is written
// over it only where the text fits its slot. The panel only draws what this gives.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <vector>

#include "charts/EixoCategorias.h"
#include "charts/KitGrafico.h"

struct BarraPeriodo {
    wxString rotulo;  // under the bar: "01" for a month, "2016" for a year
    // Consecutive bars with the same text form a group, written once under them ("2025");
    // empty for none.
    wxString grupo;
    double valor = 0;      // a bar for values above 0 only
    wxString texto_valor;  // over the bar, where it fits ("R$ 1.234")
    bool destacada = false;
};

struct DadosBarrasPeriodo {
    std::vector<BarraPeriodo> barras;         // left to right
    graficos::FormatarValor formatar_escala;  // the scale's values; empty for plain decimals
};

namespace graficos {

struct GeometriaBarraPeriodo {
    wxRect retangulo;  // of height 0 for values not above 0
    bool destacada = false;
    TextoPosicionado valor;  // empty text when it does not fit
};

struct GeometriaBarrasPeriodo {
    // False when there is nothing but the background to draw: no bars, or a client area too
    // small for the margins.
    bool desenhar = false;
    AreaPlotagem area;
    Escala escala;
    std::vector<LinhaGrade> linhas;  // from the baseline upwards
    std::vector<GeometriaBarraPeriodo> barras;
    EixoCategorias eixo;  // labels of bars and groups under the baseline
};

// The width of every bar in slots `slot` pixels wide: 70 % of the slot while there is room for a
// gap, the whole slot when there is not, and never less than a pixel (bars then overlap).
int LarguraBarraPeriodo(double slot);

GeometriaBarrasPeriodo CalcularGeometriaBarrasPeriodo(const DadosBarrasPeriodo& dados,
                                                      wxSize cliente, const MedirTexto& medir);

}  // namespace graficos
