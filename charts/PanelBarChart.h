#pragma once

// A panel that paints a bar chart: one bar per item, its label under it and its value above it,
// on a scale with six dotted grid lines; the highlighted item's bar is darker.

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
    // Replaces the bars and repaints.
    void SetBars(std::vector<BarItem> novas);
    const std::vector<BarItem>& GetBars() const { return bars; }
    // A text shown in the middle of the panel while it has no bars (empty: none).
    void SetAviso(const wxString& texto);
    const wxString& GetAviso() const { return aviso; }

    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);

private:
    std::vector<BarItem> bars;
    wxString aviso;
};

namespace graficos {

// Paints the bar chart of `bars` over a client area of `tamanho`, background included. The panel
// paints through it; tests render it into a bitmap.
// Without bars, `aviso` is written centred on the background.
void DesenharBarras(wxDC& dc, wxSize tamanho, const std::vector<BarItem>& bars,
                    const wxString& aviso = wxString());

}  // namespace graficos
