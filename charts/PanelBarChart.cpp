#include "charts/PanelBarChart.h"

#include <wx/dcbuffer.h>
#include <wx/grid.h>

#include <algorithm>
#include <utility>

#include "base/NumeroTexto.h"
#include "charts/EstiloGrafico.h"

namespace {

const wxColour kCorBarra(70, 130, 180);
const wxColour kCorBarraDestacada(35, 65, 90);
const wxColour kCorContornoBarra(50, 100, 150);

constexpr std::size_t kCaracteresRotulo = 2;

wxString TextoCelula(wxGrid* grid, int row, int col) {
    if (col < 0 || col >= grid->GetNumberCols()) return wxString();
    return grid->GetCellValue(row, col);
}

}  // namespace

PanelBarChart::PanelBarChart(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &PanelBarChart::OnPaint, this);
    Bind(wxEVT_SIZE, &PanelBarChart::OnSize, this);
}

void PanelBarChart::SetData(wxGrid* grid, int labelCol, int valueCol, int highlightRow) {
    std::vector<BarItem> novas;
    for (int i = 0; i < grid->GetNumberRows(); ++i) {
        BarItem bar;
        bar.label = TextoCelula(grid, i, labelCol).Left(kCaracteresRotulo);
        bar.value = numero::LerPrefixo(TextoCelula(grid, i, valueCol));
        bar.highlighted = i == highlightRow;
        novas.push_back(bar);
    }
    SetBars(std::move(novas));
}

void PanelBarChart::SetBars(std::vector<BarItem> novas) {
    bars = std::move(novas);
    Refresh(true);
}

void PanelBarChart::SetAviso(const wxString& texto) {
    if (texto == aviso) return;
    aviso = texto;
    Refresh(true);
}

void PanelBarChart::OnSize(wxSizeEvent& event) {
    Refresh(true);
    event.Skip();
}

void PanelBarChart::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    graficos::DesenharBarras(dc, GetClientSize(), bars, aviso);
}

namespace graficos {

void DesenharBarras(wxDC& dc, wxSize tamanho, const std::vector<BarItem>& bars,
                    const wxString& aviso) {
    PintarFundo(dc);
    if (bars.empty()) {
        if (aviso.empty()) return;
        dc.SetFont(FonteGrafico(kPontosFonteEixos + 2));
        dc.SetTextForeground(CorTextoDados());
        const wxSize medida = dc.GetTextExtent(aviso);
        dc.DrawText(aviso, std::max(0, (tamanho.GetWidth() - medida.GetWidth()) / 2),
                    std::max(0, (tamanho.GetHeight() - medida.GetHeight()) / 2));
        return;
    }

    dc.SetFont(FonteGrafico(kPontosFonteEixos));
    const GeometriaGraficoBarras g = CalcularGeometriaBarras(
        bars, tamanho, [&dc](const wxString& texto) { return dc.GetTextExtent(texto); });
    if (!g.desenhar) return;

    DesenharEixos(dc, g.area);
    DesenharLinhasDaEscala(dc, g.area, g.linhas);

    dc.SetPen(wxPen(kCorContornoBarra, 1, wxPENSTYLE_SOLID));
    dc.SetTextForeground(CorTextoDados());
    for (const GeometriaBarra& barra : g.barras) {
        dc.SetBrush(
            wxBrush(barra.highlighted ? kCorBarraDestacada : kCorBarra, wxBRUSHSTYLE_SOLID));
        dc.DrawRectangle(barra.retangulo);
        dc.DrawText(barra.valor.texto, barra.valor.posicao);
        dc.DrawText(barra.rotulo.texto, barra.rotulo.posicao);
    }
}

}  // namespace graficos
