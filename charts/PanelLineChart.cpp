#include "charts/PanelLineChart.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>

#include <utility>
#include <vector>

#include "charts/EstiloGrafico.h"

namespace {

constexpr int kLarguraTracado = 2;
// A store with more points than this is drawn with thin lines, or years of purchases become
// one solid band.
constexpr std::size_t kPontosTracadoFino = 100;
constexpr int kRaioPontoFino = 2;  // the points of such a store
constexpr int kLarguraMarcaMenor = 2;
constexpr int kTamanhoTique = 4;

wxFont FonteEixos() {
    return graficos::FonteGrafico(graficos::kPontosFonteEixos);
}

}  // namespace

PanelLineChart::PanelLineChart(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &PanelLineChart::OnPaint, this);
    Bind(wxEVT_SIZE, &PanelLineChart::OnSize, this);
    Bind(wxEVT_MOTION, &PanelLineChart::OnMouse, this);
    Bind(wxEVT_LEAVE_WINDOW, &PanelLineChart::OnMouse, this);
}

void PanelLineChart::SetDados(DadosGraficoPrecos novos, bool todas) {
    dados = std::move(novos);
    todas_as_compras = todas;
    menores_do_mes = todas ? DadosGraficoPrecos{} : graficos::MenoresDoMes(dados);
    geometria.reset();
    ponto_dica = -1;
    UnsetToolTip();
    Refresh(true);
}

void PanelLineChart::SetTodasAsCompras(bool todas) {
    if (todas == todas_as_compras) return;
    DadosGraficoPrecos todos = std::move(dados);
    SetDados(std::move(todos), todas);
}

void PanelLineChart::OnSize(wxSizeEvent& event) {
    geometria.reset();
    Refresh(true);
    event.Skip();
}

void PanelLineChart::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    graficos::DesenharPrecos(dc, GetClientSize(), GetDadosMostrados());
}

const graficos::GeometriaGraficoPrecos& PanelLineChart::Geometria() {
    if (!geometria) {
        wxClientDC dc(this);
        dc.SetFont(FonteEixos());
        geometria = graficos::CalcularGeometriaPrecos(
            GetDadosMostrados(), GetClientSize(),
            [&dc](const wxString& texto) { return dc.GetTextExtent(texto); });
    }
    return *geometria;
}

int PanelLineChart::PontoEm(wxPoint posicao) {
    const graficos::GeometriaGraficoPrecos& g = Geometria();
    return g.desenhar ? graficos::PontoSob(g, posicao) : -1;
}

void PanelLineChart::OnMouse(wxMouseEvent& event) {
    const int ponto = event.Leaving() ? -1 : PontoEm(event.GetPosition());
    if (ponto != ponto_dica) {
        ponto_dica = ponto;
        if (ponto < 0)
            UnsetToolTip();
        else
            SetToolTip(graficos::TextoDicaPreco(GetDadosMostrados(), ponto));
    }
    event.Skip();
}

namespace graficos {

void DesenharPrecos(wxDC& dc, wxSize tamanho, const DadosGraficoPrecos& dados) {
    PintarFundo(dc);
    dc.SetFont(FonteEixos());
    const GeometriaGraficoPrecos g = CalcularGeometriaPrecos(
        dados, tamanho, [&dc](const wxString& texto) { return dc.GetTextExtent(texto); });
    if (!g.desenhar) return;

    DesenharEixos(dc, g.area);
    DesenharLinhasDaEscala(dc, g.area, g.linhas);

    dc.SetPen(wxPen(CorEixos(), 1, wxPENSTYLE_SOLID));
    dc.SetTextForeground(CorTextoDados());
    for (const MarcaMes& mes : g.meses) {
        dc.DrawLine(mes.x, g.area.base, mes.x, g.area.base + kTamanhoTique);
        if (mes.rotulada) dc.DrawText(mes.rotulo.texto, mes.rotulo.posicao);
    }

    for (const TrechoPrecos& trecho : g.trechos) {
        if (trecho.pontos.size() < 2) continue;
        const int largura = trecho.pontos_da_loja > kPontosTracadoFino ? 1 : kLarguraTracado;
        dc.SetPen(wxPen(CorDaPaleta(trecho.loja), largura, wxPENSTYLE_SOLID));
        dc.DrawLines(static_cast<int>(trecho.pontos.size()), trecho.pontos.data());
    }
    std::vector<bool> loja_fina(dados.lojas.size(), false);
    for (const TrechoPrecos& trecho : g.trechos)
        loja_fina[static_cast<std::size_t>(trecho.loja)] =
            trecho.pontos_da_loja > kPontosTracadoFino;
    for (std::size_t i = 0; i < g.pontos.size(); ++i) {
        if (g.pontos[i].x < 0) continue;
        const int loja = dados.pontos[i].loja;
        const wxColour cor = CorDaPaleta(loja);
        dc.SetPen(wxPen(cor, 1, wxPENSTYLE_SOLID));
        dc.SetBrush(wxBrush(cor, wxBRUSHSTYLE_SOLID));
        const bool fina = loja >= 0 && static_cast<std::size_t>(loja) < loja_fina.size() &&
                          loja_fina[static_cast<std::size_t>(loja)];
        dc.DrawCircle(g.pontos[i], fina ? kRaioPontoFino : kRaioPonto);
    }

    if (g.tem_menor) {
        dc.SetPen(wxPen(CorTextoDados(), kLarguraMarcaMenor, wxPENSTYLE_SOLID));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawCircle(g.menor, kRaioMarcaMenor);
        // On the background colour, so that points and lines under it do not hide it.
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(CorFundo(), wxBRUSHSTYLE_SOLID));
        dc.DrawRectangle(wxRect(g.rotulo_menor.posicao, dc.GetTextExtent(g.rotulo_menor.texto)));
        dc.DrawText(g.rotulo_menor.texto, g.rotulo_menor.posicao);
    }

    for (const ItemLegenda& item : g.legenda) {
        const wxColour cor = CorDaPaleta(item.loja);
        dc.SetPen(wxPen(cor, 1, wxPENSTYLE_SOLID));
        dc.SetBrush(wxBrush(cor, wxBRUSHSTYLE_SOLID));
        dc.DrawRectangle(item.amostra);
        dc.DrawText(item.nome.texto, item.nome.posicao);
    }
}

}  // namespace graficos
