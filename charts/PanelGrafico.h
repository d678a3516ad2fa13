#pragma once

// What every chart panel of our own does the same way: it holds its data, paints it through its
// drawing function on a buffered paint DC (the background included, so there is no separate
// erase step), and repaints whole on every size change. Tests call the drawing function on a
// bitmap instead.

#include <wx/dcbuffer.h>
#include <wx/panel.h>

#include <utility>

template <class Dados, void (*Desenhar)(wxDC&, wxSize, const Dados&)>
class PanelGrafico : public wxPanel {
public:
    explicit PanelGrafico(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, &PanelGrafico::OnPaint, this);
        Bind(wxEVT_SIZE, &PanelGrafico::OnSize, this);
    }

    // Replaces the data and repaints.
    void SetDados(Dados novos) {
        dados = std::move(novos);
        Refresh(true);
    }
    const Dados& GetDados() const { return dados; }

private:
    void OnPaint(wxPaintEvent&) {
        wxAutoBufferedPaintDC dc(this);
        Desenhar(dc, GetClientSize(), dados);
    }
    void OnSize(wxSizeEvent& event) {
        Refresh(true);
        event.Skip();
    }

    Dados dados;
};
