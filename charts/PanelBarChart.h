#pragma once

// A panel that paints a bar chart of a grid's rows: one bar per row, the row's label under it
// and its value above it, on a scale with six dotted grid lines; the highlighted row's bar is
// darker. It reads only the grid it is handed in SetData.

#include <wx/panel.h>

#include <vector>

#include "charts/BarChartGeometry.h"

class wxDC;
class wxGrid;

class PanelBarChart : public wxPanel {
public:
    explicit PanelBarChart(wxWindow* parent);

    // Replaces the bars with the grid's rows: the label is the first two characters of
    // `labelCol`, the value is `valueCol` read as a number; the bar of `highlightRow` is
    // highlighted. Columns the grid does not have read as empty text.
    void SetData(wxGrid* grid, int labelCol, int valueCol, int highlightRow);

    const std::vector<BarItem>& GetBars() const { return bars; }

    // Paints the chart for a client area of `size` (what OnPaint does, on any device context).
    void Desenhar(wxDC& dc, wxSize size) const;

    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);

private:
    std::vector<BarItem> bars;
};
