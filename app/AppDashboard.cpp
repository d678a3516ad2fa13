#include "app/AppDashboard.h"

#include <wx/msgdlg.h>

#include <exception>

#include "account/FrameLogin.h"
#include "account/Sessao.h"
#include "ui/FrameDashboard.h"

namespace {

constexpr const char* kTituloErro = "Erro";

// SQLite's messages are UTF-8; fall back byte by byte rather than show an empty box.
wxString TextoDaExcecao(const std::exception& e) {
    wxString texto = wxString::FromUTF8(e.what());
    if (texto.empty()) texto = wxString(e.what(), wxConvISO8859_1);
    return texto;
}

}  // namespace

bool AppDashboard::OnInit() {
    return IniciarDashboard();
}

bool IniciarDashboard() {
    Sessao login(true);
    if (!login.ValidarToken()) {
        // ShowModal's result means nothing: the dialog closes itself after a login too.
        FrameLogin frame_login;
        frame_login.ShowModal();
        if (!frame_login.IsLogado()) return false;
    }

    FrameDashboard* frame = nullptr;
    try {
        frame = new FrameDashboard();
    } catch (const std::exception& e) {
        // The user's database file is not a database or cannot be created: say why and end,
        // leaving the file as it is.
        wxMessageBox(TextoDaExcecao(e), kTituloErro, wxOK | wxICON_ERROR, nullptr);
        return false;
    }
    frame->Show(true);
    return true;
}
