#include "charts/PanelBarChart.h"

#include <wx/dcbuffer.h>
#include <wx/font.h>
#include <wx/grid.h>

namespace {

const wxColour kCorFundo(245, 245, 245);
const wxColour kCorEixos(60, 60, 60);
const wxColour kCorGrade(210, 210, 210);
const wxColour kCorTextoEscala(70, 70, 70);
const wxColour kCorBarra(70, 130, 180);
const wxColour kCorBarraDestacada(35, 65, 90);
const wxColour kCorContornoBarra(50, 100, 150);
const wxColour kCorTextoBarra(40, 40, 40);

constexpr int kTamanhoFonte = 9;
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
    bars.clear();
    for (int i = 0; i < grid->GetNumberRows(); ++i) {
        BarItem bar;
        bar.label = TextoCelula(grid, i, labelCol).Left(kCaracteresRotulo);
        bar.value = LerValorBarra(TextoCelula(grid, i, valueCol));
        bar.highlighted = i == highlightRow;
        bars.push_back(bar);
    }
    Refresh(true);
}

void PanelBarChart::OnSize(wxSizeEvent& event) {
    Refresh(true);
    event.Skip();
}

void PanelBarChart::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    Desenhar(dc, GetClientSize());
}

void PanelBarChart::Desenhar(wxDC& dc, wxSize size) const {
    dc.SetBackground(wxBrush(kCorFundo, wxBRUSHSTYLE_SOLID));
    dc.Clear();
    if (bars.empty()) return;

    dc.SetFont(wxFont(kTamanhoFonte, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL,
                      false, wxEmptyString, wxFONTENCODING_DEFAULT));
    const GeometriaGraficoBarras g = CalcularGeometriaBarras(
        bars, size, [&dc](const wxString& texto) { return dc.GetTextExtent(texto); });
    if (!g.desenhar) return;

    dc.SetPen(wxPen(kCorEixos, 2, wxPENSTYLE_SOLID));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawLine(g.esquerda, g.topo, g.esquerda, g.base);
    dc.DrawLine(g.esquerda, g.base, g.direita, g.base);

    // The first grid line lies on the horizontal axis and is drawn over it.
    dc.SetPen(wxPen(kCorGrade, 1, wxPENSTYLE_DOT));
    dc.SetTextForeground(kCorTextoEscala);
    for (const LinhaGradeBarras& linha : g.linhas) {
        dc.DrawLine(g.esquerda, linha.y, g.direita, linha.y);
        dc.DrawText(linha.rotulo.texto, linha.rotulo.posicao);
    }

    dc.SetPen(wxPen(kCorContornoBarra, 1, wxPENSTYLE_SOLID));
    dc.SetTextForeground(kCorTextoBarra);
    for (const GeometriaBarra& barra : g.barras) {
        dc.SetBrush(
            wxBrush(barra.highlighted ? kCorBarraDestacada : kCorBarra, wxBRUSHSTYLE_SOLID));
        dc.DrawRectangle(barra.retangulo);
        dc.DrawText(barra.valor.texto, barra.valor.posicao);
        dc.DrawText(barra.rotulo.texto, barra.rotulo.posicao);
    }
}
