#pragma once

// Geometry of the price chart, computed without a window: prices paid over the emission dates,
// one line per store joining its points in date order and broken over the months in which that
// store sold none, month ticks under the baseline, the value scale of the bar chart in Brazilian
// decimals, a legend of the stores above the plot, the mark of the lowest price, and which point
// lies under the mouse. Over many purchases the chart shows each store's lowest price of each
// month instead (MenoresDoMes). The panel only draws what this gives.

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <cstddef>
#include <vector>

#include "charts/KitGrafico.h"

struct PontoPreco {
    long long data_hora = 0;  // YYYYMMDDhhmmss; 0 (no date) keeps the point off the chart
    double preco = 0;
    double qtde = 0;
    wxString un;
    int loja = 0;  // position in DadosGraficoPrecos::lojas, which picks the palette colour
};

struct DadosGraficoPrecos {
    std::vector<wxString> lojas;
    std::vector<PontoPreco> pontos;  // in any order
    int menor = -1;                  // the point marked as the lowest price, -1 for none
    bool menores_do_mes = false;     // each point is its store's lowest of its month
};

namespace graficos {

// Above this many purchases the chart shows the lowest of each month by default: every purchase
// of years in several stores is a tangle of crossing lines.
inline constexpr std::size_t kComprasParaMenoresDoMes = 60;

// Of the dated points of `dados`, each store's lowest price of each month, one point per store
// and month at that purchase's own date and in the order of `dados`; of equal prices the marked
// lowest, then the most recent. The mark follows its point.
DadosGraficoPrecos MenoresDoMes(const DadosGraficoPrecos& dados);

// A run of one store's points drawn as one line: the store sold in each month it spans.
struct TrechoPrecos {
    int loja = 0;
    std::vector<wxPoint> pontos;     // in date order; a single point has no line
    std::size_t pontos_da_loja = 0;  // all of the store's points, over every run
};

struct ItemLegenda {
    int loja = 0;
    wxRect amostra;  // the colour square
    TextoPosicionado nome;
};

struct MarcaMes {
    int x = 0;
    bool rotulada = false;
    TextoPosicionado rotulo;  // "MM/YYYY", centred under the tick, when rotulada
};

struct GeometriaGraficoPrecos {
    // False when there is nothing but the background to draw: no dated point, or a client area
    // too small for the margins.
    bool desenhar = false;
    AreaPlotagem area;
    Escala escala;
    std::vector<LinhaGrade> linhas;  // from the baseline upwards
    std::vector<MarcaMes> meses;     // left to right
    std::vector<ItemLegenda> legenda;
    std::vector<TrechoPrecos> trechos;  // by store, each store's runs in date order
    // Per point of the data, its position; points without a date lie at (-1, -1) and are not
    // drawn.
    std::vector<wxPoint> pontos;
    bool tem_menor = false;
    wxPoint menor;
    TextoPosicionado rotulo_menor;  // the lowest price, next to its ring
};

inline constexpr int kRaioPonto = 3;
inline constexpr int kRaioMarcaMenor = 7;
inline constexpr int kRaioAcerto = 6;

GeometriaGraficoPrecos CalcularGeometriaPrecos(const DadosGraficoPrecos& dados, wxSize cliente,
                                               const MedirTexto& medir);

// The point nearest to `posicao` within `raio` pixels, or -1; of points drawn on top of each
// other, the one drawn last.
int PontoSob(const GeometriaGraficoPrecos& g, wxPoint posicao, int raio = kRaioAcerto);

// What hovering a point shows: its date, store, quantity and price, one per line.
wxString TextoDicaPreco(const DadosGraficoPrecos& dados, int ponto);

}  // namespace graficos
