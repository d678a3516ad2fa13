#include "charts/PanelPieChart.h"

#include <wx/brush.h>
#include <wx/dcbuffer.h>
#include <wx/font.h>
#include <wx/pen.h>

#include <array>

namespace {

constexpr int kLarguraContorno = 2;
constexpr int kTamanhoFonte = 10;

const std::array<wxColour, 8>& Paleta() {
    static const std::array<wxColour, 8> paleta = {
        wxColour(70, 130, 180),  wxColour(220, 100, 100), wxColour(100, 180, 120),
        wxColour(230, 180, 70),  wxColour(150, 110, 190), wxColour(90, 180, 180),
        wxColour(190, 140, 100), wxColour(140, 140, 140),
    };
    return paleta;
}

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
    const int n = static_cast<int>(Paleta().size());
    return Paleta()[((posicao % n) + n) % n];
}

wxColour PanelPieChart::GetGroupedColour() {
    return *wxLIGHT_GREY;
}

wxColour PanelPieChart::GetChartBackground() {
    return wxColour(245, 245, 245);
}

void PanelPieChart::OnPaint(wxPaintEvent&) {
    wxBufferedPaintDC dc(this);
    DesenharPizza(dc, GetClientSize(), slices);
}

void PanelPieChart::OnSize(wxSizeEvent& event) {
    Refresh(true);
    event.Skip();
}

void DesenharPizza(wxDC& dc, const wxSize& tamanho, const std::vector<PieSlice>& slices) {
    dc.SetBackground(wxBrush(PanelPieChart::GetChartBackground(), wxBRUSHSTYLE_SOLID));
    dc.Clear();

    const pizza::GeometriaPizza geometria =
        pizza::CalcularGeometriaPizza(slices, tamanho.GetWidth(), tamanho.GetHeight());
    if (geometria.raio <= 0) return;

    const wxFont fonte(kTamanhoFonte, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL,
                       wxFONTWEIGHT_NORMAL);
    const wxFont percentageFont(kTamanhoFonte, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL,
                                wxFONTWEIGHT_BOLD);
    dc.SetFont(fonte);

    const int raio = geometria.raio;
    for (const pizza::SetorPizza& setor : geometria.setores) {
        const wxColour cor = setor.outros ? PanelPieChart::GetGroupedColour()
                                          : PanelPieChart::GetSliceColour(setor.posicao);
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
