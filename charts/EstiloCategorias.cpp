#include "charts/EstiloCategorias.h"

#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/pen.h>

#include "charts/EstiloGrafico.h"

namespace graficos {
namespace {

// The main window's bar chart's colours.
const wxColour kCorPreenchimento(70, 130, 180);
const wxColour kCorPreenchimentoDestacado(35, 65, 90);
const wxColour kCorContorno(50, 100, 150);
constexpr int kMenorLadoComContorno = 3;  // a thinner bar would be all outline

const wxColour kCorDivisa(200, 200, 200);
constexpr int kAlturaDivisa = 36;  // down through both rows of labels
constexpr int kAlturaTiqueCategoria = 4;

}  // namespace

void DesenharBarra(wxDC& dc, const wxRect& retangulo, bool destacada) {
    if (retangulo.width <= 0 || retangulo.height <= 0) return;
    const wxColour& cor = destacada ? kCorPreenchimentoDestacado : kCorPreenchimento;
    const bool contorno =
        retangulo.width >= kMenorLadoComContorno && retangulo.height >= kMenorLadoComContorno;
    dc.SetPen(wxPen(contorno ? kCorContorno : cor, 1, wxPENSTYLE_SOLID));
    dc.SetBrush(wxBrush(cor, wxBRUSHSTYLE_SOLID));
    dc.DrawRectangle(retangulo);
}

void DesenharEixoCategorias(wxDC& dc, const AreaPlotagem& area, const EixoCategorias& eixo,
                            bool tiques) {
    dc.SetPen(wxPen(kCorDivisa, 1, wxPENSTYLE_SOLID));
    for (int x : eixo.divisas) dc.DrawLine(x, area.base + 2, x, area.base + kAlturaDivisa);
    dc.SetTextForeground(CorTextoDados());
    if (tiques) {
        dc.SetPen(wxPen(CorEixos(), 1, wxPENSTYLE_SOLID));
        for (int x : eixo.tiques) dc.DrawLine(x, area.base, x, area.base + kAlturaTiqueCategoria);
    }
    for (const TextoPosicionado& rotulo : eixo.rotulos) dc.DrawText(rotulo.texto, rotulo.posicao);
    for (const TextoPosicionado& grupo : eixo.grupos) dc.DrawText(grupo.texto, grupo.posicao);
}

}  // namespace graficos
