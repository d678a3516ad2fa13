#pragma once

// A panel that paints the price chart of one product: prices paid over time, one colour per
// store, the lowest price marked; every purchase, or each store's lowest of each month. Hovering
// a point shows its date, store, quantity and price.

#include <wx/panel.h>

#include <optional>

#include "charts/LineChartGeometry.h"

class wxDC;

class PanelLineChart : public wxPanel {
public:
    explicit PanelLineChart(wxWindow* parent);

    // Replaces the purchases and repaints: every one of them with `todas`, else each store's
    // lowest of each month.
    void SetDados(DadosGraficoPrecos novos, bool todas = true);
    void SetTodasAsCompras(bool todas);
    bool GetTodasAsCompras() const { return todas_as_compras; }
    // Every purchase, as given.
    const DadosGraficoPrecos& GetDados() const { return dados; }
    // What the chart draws.
    const DadosGraficoPrecos& GetDadosMostrados() const {
        return todas_as_compras ? dados : menores_do_mes;
    }

    // The point under `posicao` (client coordinates), or -1.
    int PontoEm(wxPoint posicao);

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMouse(wxMouseEvent& event);
    const graficos::GeometriaGraficoPrecos& Geometria();

    DadosGraficoPrecos dados;
    DadosGraficoPrecos menores_do_mes;  // of `dados`, while the chart shows them
    bool todas_as_compras = true;
    // The geometry of the current data and size, for the hit-test of mouse moves.
    std::optional<graficos::GeometriaGraficoPrecos> geometria;
    int ponto_dica = -1;
};

namespace graficos {

// Paints the price chart of `dados` over a client area of `tamanho`, background included. The
// panel paints through it; tests render it into a bitmap.
void DesenharPrecos(wxDC& dc, wxSize tamanho, const DadosGraficoPrecos& dados);

}  // namespace graficos
