#pragma once

// A panel that paints a pie of its slices: counter-clockwise from twelve o'clock, white outlines,
// highlighted slices pulled out, percentage labels on slices of at least 4 %.

#include <wx/colour.h>
#include <wx/gdicmn.h>
#include <wx/panel.h>

#include <vector>

#include "charts/PieChartGeometry.h"

class wxDC;
class wxPaintEvent;
class wxSizeEvent;

class PanelPieChart : public wxPanel {
public:
    explicit PanelPieChart(wxWindow* parent);

    // Replaces the slices and repaints the whole panel.
    void SetSlices(const std::vector<PieSlice>& slices);
    const std::vector<PieSlice>& GetSlices() const { return slices; }

    // Palette colour of a slice position (position modulo 8); the same for every window.
    static wxColour GetSliceColour(int posicao);

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);

    std::vector<PieSlice> slices;
};

namespace graficos {

// Paints the pie of `slices` over a client area of `tamanho`, background included. The panel
// paints through it; tests render it into a bitmap.
void DesenharPizza(wxDC& dc, wxSize tamanho, const std::vector<PieSlice>& slices);

}  // namespace graficos
