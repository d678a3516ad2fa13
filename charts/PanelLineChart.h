#pragma once

// A panel that paints the price chart of one product: unit prices over time, one colour per
// store, the lowest price marked; hovering a point shows its date, store, quantity and price.

#include <wx/panel.h>

#include <optional>

#include "charts/LineChartGeometry.h"

class wxDC;

class PanelLineChart : public wxPanel {
public:
    explicit PanelLineChart(wxWindow* parent);

    // Replaces the points and repaints.
    void SetDados(DadosGraficoPrecos novos);
    const DadosGraficoPrecos& GetDados() const { return dados; }

    // The point under `posicao` (client coordinates), or -1.
    int PontoEm(wxPoint posicao);

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMouse(wxMouseEvent& event);
    const graficos::GeometriaGraficoPrecos& Geometria();

    DadosGraficoPrecos dados;
    // The geometry of the current data and size, for the hit-test of mouse moves.
    std::optional<graficos::GeometriaGraficoPrecos> geometria;
    int ponto_dica = -1;
};

namespace graficos {

// Paints the price chart of `dados` over a client area of `tamanho`, background included. The
// panel paints through it; tests render it into a bitmap.
void DesenharPrecos(wxDC& dc, wxSize tamanho, const DadosGraficoPrecos& dados);

}  // namespace graficos
