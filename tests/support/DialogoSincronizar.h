#pragma once

// Driving the synchronisation dialog from tests: its buttons, its log, the message boxes it has
// shown, and a whole run from the main window's menu.

#include <gtest/gtest.h>
#include <wx/stc/stc.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <vector>

#include "sync/FrameSincronizar.h"
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

// Chooses the menu item `id` of `janela` that runs the synchronisation dialog, presses
// "Processar" inside the dialog's own loop, and closes the dialog once its outcome box has been
// shown (the box is then the last of Mensagens()).
inline void SincronizarPeloMenu(wxWindow* janela, int id) {
    wxTimer vigia;
    const std::size_t antes = Mensagens().size();
    Dialogos::Get().aoAbrirModal = [&vigia, antes](wxDialog* dialogo) {
        dialogo->CallAfter([dialogo] { Clicar(*dialogo, FrameSincronizar::ID_PROCESSAR); });
        vigia.Bind(wxEVT_TIMER, [dialogo, antes](wxTimerEvent&) {
            if (Mensagens().size() > antes && dialogo->IsModal()) dialogo->EndModal(wxID_CLOSE);
        });
        vigia.Start(50);
        return static_cast<int>(wxID_NONE);
    };
    EnviarMenu(janela, id);
    vigia.Stop();
    Dialogos::Get().aoAbrirModal = nullptr;
}

}  // namespace teste
