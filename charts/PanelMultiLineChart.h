#pragma once

// A panel that paints a line chart over categories: one palette colour per series with a legend
// above, a missing value breaking its line, the scale written by the caller's formatter.

#include "charts/MultiLineChartGeometry.h"
#include "charts/PanelGrafico.h"

class wxDC;

namespace graficos {

// Paints the chart of `dados` over a client area of `tamanho`, background included.
void DesenharLinhas(wxDC& dc, wxSize tamanho, const DadosGraficoLinhas& dados);

}  // namespace graficos

class PanelMultiLineChart : public PanelGrafico<DadosGraficoLinhas, graficos::DesenharLinhas> {
public:
    using PanelGrafico::PanelGrafico;
};
