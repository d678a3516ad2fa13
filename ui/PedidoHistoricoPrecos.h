#pragma once

// A window that keeps no database (the product share window) asks the main window, its parent,
// to open the price history with the product of an item description chosen. The event's string
// is the description.

#include <wx/event.h>

class wxWindow;

wxDECLARE_EVENT(EVT_PEDIDO_HISTORICO_PRECOS, wxCommandEvent);

// Queues the request on `origem`'s parent; nothing happens without a parent.
void PedirHistoricoPrecos(wxWindow* origem, const wxString& descricao);
