#pragma once

// How every chart of the program looks: its colours, its fonts, and the parts drawn the same way
// in each (the background, the axes, the dotted grid lines with their scale values).

#include <wx/colour.h>
#include <wx/font.h>

#include <vector>

#include "charts/KitGrafico.h"

class wxDC;

namespace graficos {

// Background of every chart.
wxColour CorFundo();
// Colour of a series or slice position (position modulo 8), the same in every window.
wxColour CorDaPaleta(int posicao);
inline constexpr int kCoresPaleta = 8;
// Fill of the pie's grouped slice and legend colour of the grouped rows.
wxColour CorAgrupada();
// Text of values and labels drawn next to the data.
wxColour CorTextoDados();
// The axes and their ticks.
wxColour CorEixos();

// A chart font: default family, normal style, not underlined, no face name.
wxFont FonteGrafico(int pontos, wxFontWeight peso = wxFONTWEIGHT_NORMAL);
// The font of the charts with a value axis.
inline constexpr int kPontosFonteEixos = 9;

// Fills the whole DC with the chart background.
void PintarFundo(wxDC& dc);
// The vertical axis and the baseline of `area`, 2 pixels wide.
void DesenharEixos(wxDC& dc, const AreaPlotagem& area);
// The dotted grid lines across `area` with their scale values (the first lies on the baseline
// and is drawn over it).
void DesenharLinhasDaEscala(wxDC& dc, const AreaPlotagem& area,
                            const std::vector<LinhaGrade>& linhas);

}  // namespace graficos
