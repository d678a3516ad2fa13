#include "charts/EstiloGrafico.h"

#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/pen.h>

#include <array>

namespace graficos {
namespace {

const wxColour kCorEixos(60, 60, 60);
const wxColour kCorGrade(210, 210, 210);
const wxColour kCorTextoEscala(70, 70, 70);
constexpr int kLarguraEixos = 2;

}  // namespace

wxColour CorFundo() {
    return wxColour(245, 245, 245);
}

wxColour CorDaPaleta(int posicao) {
    static const std::array<wxColour, kCoresPaleta> paleta = {
        wxColour(70, 130, 180),  wxColour(220, 100, 100), wxColour(100, 180, 120),
        wxColour(230, 180, 70),  wxColour(150, 110, 190), wxColour(90, 180, 180),
        wxColour(190, 140, 100), wxColour(140, 140, 140),
    };
    return paleta[static_cast<std::size_t>(((posicao % kCoresPaleta) + kCoresPaleta) %
                                           kCoresPaleta)];
}

wxColour CorAgrupada() {
    return *wxLIGHT_GREY;
}

wxColour CorTextoDados() {
    return wxColour(40, 40, 40);
}

wxColour CorEixos() {
    return kCorEixos;
}

wxFont FonteGrafico(int pontos, wxFontWeight peso) {
    return wxFont(pontos, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, peso, false, wxEmptyString,
                  wxFONTENCODING_DEFAULT);
}

void PintarFundo(wxDC& dc) {
    dc.SetBackground(wxBrush(CorFundo(), wxBRUSHSTYLE_SOLID));
    dc.Clear();
}

void DesenharEixos(wxDC& dc, const AreaPlotagem& area) {
    dc.SetPen(wxPen(kCorEixos, kLarguraEixos, wxPENSTYLE_SOLID));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawLine(area.esquerda, area.topo, area.esquerda, area.base);
    dc.DrawLine(area.esquerda, area.base, area.direita, area.base);
}

void DesenharLinhasDaEscala(wxDC& dc, const AreaPlotagem& area,
                            const std::vector<LinhaGrade>& linhas) {
    dc.SetPen(wxPen(kCorGrade, 1, wxPENSTYLE_DOT));
    dc.SetTextForeground(kCorTextoEscala);
    for (const LinhaGrade& linha : linhas) {
        dc.DrawLine(area.esquerda, linha.y, area.direita, linha.y);
        dc.DrawText(linha.rotulo.texto, linha.rotulo.posicao);
    }
}

}  // namespace graficos
