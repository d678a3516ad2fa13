#pragma once

// Driving the synchronisation dialog from tests: its buttons, its log, and the message boxes it
// has shown.

#include <gtest/gtest.h>
#include <wx/stc/stc.h>
#include <wx/window.h>

#include <vector>

#include "tests/support/GuiTest.h"

namespace teste {

inline const std::vector<CaixaMensagem>& Mensagens() {
    return Dialogos::Get().Mensagens();
}

// Presses the button `id` of `dialogo` as a click would.
inline void Clicar(wxWindow& dialogo, int id) {
    wxCommandEvent evento(wxEVT_BUTTON, id);
    evento.SetEventObject(dialogo.FindWindow(id));
    dialogo.GetEventHandler()->ProcessEvent(evento);
}

inline bool Habilitado(wxWindow& dialogo, int id) {
    return dialogo.FindWindow(id)->IsEnabled();
}

inline wxString TextoDoLog(wxWindow& dialogo) {
    for (wxWindow* filho : dialogo.GetChildren()) {
        if (auto* log = dynamic_cast<wxStyledTextCtrl*>(filho)) return log->GetText();
    }
    ADD_FAILURE() << "the dialog has no log control";
    return {};
}

}  // namespace teste
