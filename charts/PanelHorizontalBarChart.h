#pragma once

// A panel that paints a horizontal bar chart: one row per item in the given order (the largest
// stores and "Outras"), the name on the left, the value's text at the bar's end, the highlighted
// item darker.

#include <vector>

#include "charts/HorizontalBarChartGeometry.h"
#include "charts/PanelGrafico.h"

class wxDC;

namespace graficos {

// Paints the chart of `itens` over a client area of `tamanho`, background included.
void DesenharBarrasHorizontais(wxDC& dc, wxSize tamanho, const std::vector<BarraHorizontal>& itens);

}  // namespace graficos

class PanelHorizontalBarChart
    : public PanelGrafico<std::vector<BarraHorizontal>, graficos::DesenharBarrasHorizontais> {
public:
    using PanelGrafico::PanelGrafico;
};
