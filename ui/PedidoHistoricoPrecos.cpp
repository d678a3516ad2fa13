#include "ui/PedidoHistoricoPrecos.h"

#include <wx/window.h>

wxDEFINE_EVENT(EVT_PEDIDO_HISTORICO_PRECOS, wxCommandEvent);

void PedirHistoricoPrecos(wxWindow* origem, const wxString& descricao) {
    wxWindow* pai = origem->GetParent();
    if (!pai) return;
    auto* evento = new wxCommandEvent(EVT_PEDIDO_HISTORICO_PRECOS);
    evento->SetString(descricao);
    evento->SetEventObject(origem);
    wxQueueEvent(pai->GetEventHandler(), evento);
}
