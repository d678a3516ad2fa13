#pragma once

// Geometry of the monthly bar chart, computed without a window: the scale, the six grid lines
// with their labels, and each bar's rectangle and texts. The panel only draws what this gives.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <vector>

#include "charts/KitGrafico.h"

struct BarItem {
    wxString label;  // drawn under the bar
    double value = 0;
    bool highlighted = false;
};

namespace graficos {

// The scale of the bars: the largest finite value, rounded up.
Escala CalcularEscalaBarras(const std::vector<BarItem>& bars);

struct GeometriaBarra {
    wxRect retangulo;  // never of negative height: a negative value extends below the baseline
    bool highlighted = false;
    TextoPosicionado valor;   // the value, centred above the bar
    TextoPosicionado rotulo;  // the label, centred under the baseline
};

struct GeometriaGraficoBarras {
    // False when there is nothing but the background to draw: no bars, or a client area too
    // small for the margins.
    bool desenhar = false;
    AreaPlotagem area;
    Escala escala;
    std::vector<LinhaGrade> linhas;      // from the baseline upwards
    std::vector<GeometriaBarra> barras;  // in the order of `bars`
};

GeometriaGraficoBarras CalcularGeometriaBarras(const std::vector<BarItem>& bars, wxSize cliente,
                                               const MedirTexto& medir);

}  // namespace graficos
