#pragma once

// A panel that paints a bar chart over a run of periods, readable from a few months to many
// years: every bar at least a pixel wide, labels thinned so that none overlap, each year written
// once under its months, values over the bars where they fit. Also a bar per year.

#include "charts/MonthBarChartGeometry.h"
#include "charts/PanelGrafico.h"

class wxDC;

namespace graficos {

// Paints the chart of `dados` over a client area of `tamanho`, background included.
void DesenharBarrasPeriodo(wxDC& dc, wxSize tamanho, const DadosBarrasPeriodo& dados);

}  // namespace graficos

class PanelMonthBarChart
    : public PanelGrafico<DadosBarrasPeriodo, graficos::DesenharBarrasPeriodo> {
public:
    using PanelGrafico::PanelGrafico;
};
