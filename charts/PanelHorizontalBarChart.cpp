#include "charts/PanelHorizontalBarChart.h"

#include <wx/dc.h>

#include "charts/EstiloCategorias.h"
#include "charts/EstiloGrafico.h"

namespace graficos {

void DesenharBarrasHorizontais(wxDC& dc, wxSize tamanho,
                               const std::vector<BarraHorizontal>& itens) {
    PintarFundo(dc);
    if (itens.empty()) return;
    dc.SetFont(FonteGrafico(kPontosFonteEixos));
    const GeometriaBarrasHorizontais g = CalcularGeometriaBarrasHorizontais(
        itens, tamanho, [&dc](const wxString& texto) { return dc.GetTextExtent(texto); });
    if (!g.desenhar) return;

    dc.SetTextForeground(CorTextoDados());
    for (const GeometriaBarraHorizontal& barra : g.barras) {
        DesenharBarra(dc, barra.retangulo, barra.destacada);
        if (!barra.nome.texto.empty()) dc.DrawText(barra.nome.texto, barra.nome.posicao);
        if (!barra.valor.texto.empty()) dc.DrawText(barra.valor.texto, barra.valor.posicao);
    }
}

}  // namespace graficos
