#include "charts/PanelMultiLineChart.h"

#include <wx/dc.h>

#include "charts/EstiloCategorias.h"
#include "charts/EstiloGrafico.h"

namespace graficos {
namespace {

constexpr int kLarguraLinhaSerie = 2;
// A longer run is drawn with a thin line, or ten years of an index become a band.
constexpr std::size_t kPontosLinhaFina = 100;
constexpr int kRaioPontoSerie = 3;

}  // namespace

void DesenharLinhas(wxDC& dc, wxSize tamanho, const DadosGraficoLinhas& dados) {
    PintarFundo(dc);
    dc.SetFont(FonteGrafico(kPontosFonteEixos));
    const GeometriaGraficoLinhas g = CalcularGeometriaLinhas(
        dados, tamanho, [&dc](const wxString& texto) { return dc.GetTextExtent(texto); });
    if (!g.desenhar) return;

    DesenharEixos(dc, g.area);
    DesenharLinhasDaEscala(dc, g.area, g.linhas);
    DesenharEixoCategorias(dc, g.area, g.eixo, true);

    for (const TrechoSerie& trecho : g.trechos) {
        const wxColour cor = CorDaPaleta(trecho.serie);
        if (trecho.pontos.size() >= 2) {
            const int largura = trecho.pontos.size() > kPontosLinhaFina ? 1 : kLarguraLinhaSerie;
            dc.SetPen(wxPen(cor, largura, wxPENSTYLE_SOLID));
            dc.DrawLines(static_cast<int>(trecho.pontos.size()), trecho.pontos.data());
        }
        if (g.marcar_pontos || trecho.pontos.size() == 1) {
            dc.SetPen(wxPen(cor, 1, wxPENSTYLE_SOLID));
            dc.SetBrush(wxBrush(cor, wxBRUSHSTYLE_SOLID));
            for (const wxPoint& p : trecho.pontos) dc.DrawCircle(p, kRaioPontoSerie);
        }
    }

    dc.SetTextForeground(CorTextoDados());
    for (const ItemLegendaSerie& item : g.legenda) {
        const wxColour cor = CorDaPaleta(item.serie);
        dc.SetPen(wxPen(cor, 1, wxPENSTYLE_SOLID));
        dc.SetBrush(wxBrush(cor, wxBRUSHSTYLE_SOLID));
        dc.DrawRectangle(item.amostra);
        dc.DrawText(item.nome.texto, item.nome.posicao);
    }
}

}  // namespace graficos
