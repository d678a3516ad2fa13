#include "charts/PanelMonthBarChart.h"

#include <wx/dc.h>

#include "charts/EstiloCategorias.h"
#include "charts/EstiloGrafico.h"

namespace graficos {

void DesenharBarrasPeriodo(wxDC& dc, wxSize tamanho, const DadosBarrasPeriodo& dados) {
    PintarFundo(dc);
    if (dados.barras.empty()) return;
    dc.SetFont(FonteGrafico(kPontosFonteEixos));
    const GeometriaBarrasPeriodo g = CalcularGeometriaBarrasPeriodo(
        dados, tamanho, [&dc](const wxString& texto) { return dc.GetTextExtent(texto); });
    if (!g.desenhar) return;

    DesenharEixos(dc, g.area);
    DesenharLinhasDaEscala(dc, g.area, g.linhas);
    for (const GeometriaBarraPeriodo& barra : g.barras)
        DesenharBarra(dc, barra.retangulo, barra.destacada);
    dc.SetTextForeground(CorTextoDados());
    for (const GeometriaBarraPeriodo& barra : g.barras)
        if (!barra.valor.texto.empty()) dc.DrawText(barra.valor.texto, barra.valor.posicao);
    DesenharEixoCategorias(dc, g.area, g.eixo, false);
}

}  // namespace graficos
