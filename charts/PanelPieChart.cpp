#include "charts/PanelPieChart.h"

#include <wx/brush.h>
#include <wx/dcbuffer.h>
#include <wx/pen.h>

#include "charts/EstiloGrafico.h"

namespace {

constexpr int kLarguraContorno = 2;
constexpr int kPontosFonte = 10;

}  // namespace

PanelPieChart::PanelPieChart(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER) {
    // Only the paint handler draws the background: no system erase, no flicker.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &PanelPieChart::OnPaint, this);
    Bind(wxEVT_SIZE, &PanelPieChart::OnSize, this);
}

void PanelPieChart::SetSlices(const std::vector<PieSlice>& novas) {
    slices = novas;
    Refresh(true);
}

wxColour PanelPieChart::GetSliceColour(int posicao) {
    return graficos::CorDaPaleta(posicao);
}

void PanelPieChart::OnPaint(wxPaintEvent&) {
    wxBufferedPaintDC dc(this);
    graficos::DesenharPizza(dc, GetClientSize(), slices);
}

void PanelPieChart::OnSize(wxSizeEvent& event) {
    Refresh(true);
    event.Skip();
}

namespace graficos {

void DesenharPizza(wxDC& dc, wxSize tamanho, const std::vector<PieSlice>& slices) {
    PintarFundo(dc);

    const GeometriaPizza geometria =
        CalcularGeometriaPizza(slices, tamanho.GetWidth(), tamanho.GetHeight());
    if (geometria.raio <= 0) return;

    const wxFont fonte = FonteGrafico(kPontosFonte);
    const wxFont percentageFont = FonteGrafico(kPontosFonte, wxFONTWEIGHT_BOLD);
    dc.SetFont(fonte);

    const int raio = geometria.raio;
    for (const SetorPizza& setor : geometria.setores) {
        const wxColour cor = setor.outros ? CorAgrupada() : CorDaPaleta(setor.posicao);
        dc.SetBrush(wxBrush(cor, wxBRUSHSTYLE_SOLID));
        dc.SetPen(wxPen(*wxWHITE, kLarguraContorno, wxPENSTYLE_SOLID));
        dc.DrawEllipticArc(setor.ox - raio, setor.oy - raio, 2 * raio, 2 * raio, setor.inicio,
                           setor.fim);

        if (setor.tem_rotulo) {
            dc.SetFont(percentageFont);
            const wxSize textSize = dc.GetTextExtent(setor.rotulo);
            dc.SetTextForeground(*wxWHITE);
            dc.DrawText(setor.rotulo, setor.lx - textSize.GetWidth() / 2,
                        setor.ly - textSize.GetHeight() / 2);
            dc.SetFont(fonte);
        }
    }
}

}  // namespace graficos
