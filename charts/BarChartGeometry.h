#pragma once

// Geometry of the monthly bar chart, computed without a window: the scale, the six grid lines
// with their labels, and each bar's rectangle and texts. The panel only draws what this gives.
// Texts are placed by their extents, so the caller hands in a function that measures them with
// the font it will draw in.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <functional>
#include <vector>

struct BarItem {
    wxString label;  // drawn under the bar
    double value = 0;
    bool highlighted = false;
};

// The value of a grid cell as a number: the longest leading decimal number of the text, read
// with "." as decimal separator whatever the process's locale (atof in the C locale); 0 when
// the text does not start with a number.
double LerValorBarra(const wxString& texto);

struct EscalaBarras {
    double maxValue = 1;   // the largest finite value, 1 when none is above 0
    double magnitude = 1;  // 10 raised to floor(log10(maxValue))
    double topo = 1;       // maxValue rounded up to a whole multiple of magnitude
    double passo = 0.2;    // topo / 5: the distance between grid lines
};

EscalaBarras CalcularEscalaBarras(const std::vector<BarItem>& bars);

struct TextoPosicionado {
    wxString texto;
    wxPoint posicao;  // top-left corner of the text
};

struct LinhaGradeBarras {
    int y = 0;
    TextoPosicionado rotulo;  // the scale value, right-aligned 8 pixels left of the axis
};

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
    int esquerda = 0;  // x of the vertical axis
    int topo = 0;      // y of the top of the vertical axis
    int direita = 0;   // x where the horizontal axis ends
    int base = 0;      // y of the baseline (the horizontal axis)
    EscalaBarras escala;
    std::vector<LinhaGradeBarras> linhas;  // from the baseline upwards
    std::vector<GeometriaBarra> barras;    // in the order of `bars`
};

using MedirTexto = std::function<wxSize(const wxString&)>;

GeometriaGraficoBarras CalcularGeometriaBarras(const std::vector<BarItem>& bars, wxSize cliente,
                                               const MedirTexto& medir);
