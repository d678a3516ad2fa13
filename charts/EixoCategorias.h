#pragma once

// The kit's parts for charts whose horizontal axis lists categories (months, years): category
// labels thinned so that no two overlap, with a second row that writes each group (a year) once
// under its categories; scale values formatted by the caller; texts cut to a width. Plain code,
// like the rest of the kit.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <functional>
#include <vector>

#include "charts/KitGrafico.h"

namespace graficos {

// Writes a scale value ("R$ 2.000", "104,3").
using FormatarValor = std::function<wxString(double)>;

// The scale's values in Brazilian decimals, with as many decimals as its step needs.
FormatarValor FormatoDaEscala(const Escala& escala);

// The kit's six grid lines of `escala`, the baseline standing for `base` instead of 0 (the line
// of step i stands for base + i * passo), labelled by `formatar` (FormatoDaEscala when empty)
// and placed where the kit places its labels.
std::vector<LinhaGrade> LinhasFormatadas(const Escala& escala, double base,
                                         const AreaPlotagem& area, const FormatarValor& formatar,
                                         const MedirTexto& medir);

// The width of the widest label of those lines, to size a chart's left margin before its area
// is known.
int LarguraRotulosEscala(const Escala& escala, double base, const FormatarValor& formatar,
                         const MedirTexto& medir);

// `texto` itself when it fits `largura` pixels; else its longest beginning that fits with "…"
// after it; empty when not even "…" fits.
wxString CortarTexto(const wxString& texto, int largura, const MedirTexto& medir);

struct EixoCategorias {
    std::vector<int> categorias;            // which categories are labelled, left to right
    std::vector<int> tiques;                // their centres' x, in the same order
    std::vector<TextoPosicionado> rotulos;  // their labels, in the same order
    std::vector<TextoPosicionado> grupos;   // group labels shown, each centred under its group
    std::vector<int> divisas;               // x halfway between the last and first of two groups
};

// Labels for categories centred at `centros`, the first row's top at `y`, within a client
// `largura_cliente` wide. `grupos` is empty or has one text per category: consecutive equal
// texts form a group, written once in a second row (the first when no category label fits)
// unless a partial group is narrower than its text.
// Category labels are thinned to every k-th: with groups, k divides the longest group (so a year
// shows 01, 04, 07 and 10, a partial first group being taken as the end of one) and counts from
// each group's start; without, k is 1, 2, 5, 10, 20… from the first category. The smallest k with
// no two labels closer than a small gap wins; none are shown when no k does. Group labels are
// kept left to right while they do not overlap the previous one.
EixoCategorias CalcularEixoCategorias(const std::vector<int>& centros,
                                      const std::vector<wxString>& rotulos,
                                      const std::vector<wxString>& grupos, int y,
                                      int largura_cliente, const MedirTexto& medir);

}  // namespace graficos
