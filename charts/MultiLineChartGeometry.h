#pragma once

// Geometry of a line chart over categories (the twelve months of a year, or the months of an
// index), computed without a window: several series, one palette colour each, joined point to
// point, a missing value breaking its line; a legend of the series above the plot; a value scale
// with grid lines written by the caller's formatter; category labels thinned as in the period
// bar chart. The panel only draws what this gives.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <vector>

#include "charts/EixoCategorias.h"
#include "charts/KitGrafico.h"

struct SerieLinhas {
    wxString nome;                // in the legend ("2024"); no entry when empty
    std::vector<double> valores;  // one per category; NaN (or none) for a missing value
};

struct DadosGraficoLinhas {
    std::vector<wxString> categorias;  // left to right ("jan" … "dez")
    // Empty, or one per category: consecutive equal texts written once under them ("2025").
    std::vector<wxString> grupos;
    std::vector<SerieLinhas> series;   // series s has palette colour s
    graficos::FormatarValor formatar;  // the scale's values; empty for plain decimals
    // True: the scale starts at 0, as the bar charts' does. False: it spans the values only,
    // for an index that moves around 100.
    bool escala_do_zero = true;
};

namespace graficos {

struct ItemLegendaSerie {
    int serie = 0;
    wxRect amostra;  // the colour square
    TextoPosicionado nome;
};

// A run of consecutive values of one series, drawn as one line (a single point is a dot).
struct TrechoSerie {
    int serie = 0;
    std::vector<wxPoint> pontos;
};

struct GeometriaGraficoLinhas {
    // False when there is nothing but the background to draw: no category, no value, or a
    // client area too small for the margins.
    bool desenhar = false;
    AreaPlotagem area;
    Escala escala;  // its steps; the baseline stands for `base`
    double base = 0;
    std::vector<LinhaGrade> linhas;  // from the baseline upwards
    std::vector<ItemLegendaSerie> legenda;
    std::vector<TrechoSerie> trechos;
    bool marcar_pontos = false;  // categories far enough apart for a dot on every point
    EixoCategorias eixo;
};

// A scale of five round steps from a round value at or below `menor` up to `maior` or just
// above; `base` receives its bottom.
Escala CalcularEscalaFaixa(double menor, double maior, double& base);

GeometriaGraficoLinhas CalcularGeometriaLinhas(const DadosGraficoLinhas& dados, wxSize cliente,
                                               const MedirTexto& medir);

}  // namespace graficos
