#pragma once

// How our own charts over categories look, beside what EstiloGrafico gives every chart: bars in
// the main window's bar colours (darker when highlighted, no outline when too thin to show one),
// and the category axis with its labels, ticks and the marks between groups.

#include <wx/gdicmn.h>

#include "charts/EixoCategorias.h"
#include "charts/KitGrafico.h"

class wxDC;

namespace graficos {

void DesenharBarra(wxDC& dc, const wxRect& retangulo, bool destacada);

// The labels of `eixo` under `area`'s baseline, a mark between two groups, and with `tiques` a
// tick at each labelled category.
void DesenharEixoCategorias(wxDC& dc, const AreaPlotagem& area, const EixoCategorias& eixo,
                            bool tiques);

}  // namespace graficos
