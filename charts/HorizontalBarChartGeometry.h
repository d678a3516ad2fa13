#pragma once

// Geometry of a horizontal bar chart, computed without a window: one row per item in the given
// order, its name on the left (cut with "…" when too long), a bar as long as its share of the
// largest value, and the caller's text for the value at the bar's end. The panel only draws
// what this gives.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <vector>

#include "charts/KitGrafico.h"

struct BarraHorizontal {
    wxString nome;
    double valor = 0;      // a bar for values above 0 only
    wxString texto_valor;  // at the bar's end ("R$ 1.234,56")
    bool destacada = false;
};

namespace graficos {

struct GeometriaBarraHorizontal {
    wxRect retangulo;  // of width 0 for values not above 0
    bool destacada = false;
    // Texts that would overlap the row above are left empty (more rows than lines of text).
    TextoPosicionado nome;
    TextoPosicionado valor;
};

struct GeometriaBarrasHorizontais {
    // False when there is nothing but the background to draw: no items, or a client area with
    // no room for a bar.
    bool desenhar = false;
    std::vector<GeometriaBarraHorizontal> barras;  // in the order of the items
};

GeometriaBarrasHorizontais CalcularGeometriaBarrasHorizontais(
    const std::vector<BarraHorizontal>& itens, wxSize cliente, const MedirTexto& medir);

}  // namespace graficos
