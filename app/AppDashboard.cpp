#include "app/AppDashboard.h"

#include <cstdio>
#include <exception>
#include <string>

#include "account/FrameLogin.h"
#include "account/Sessao.h"
#include "app/PastaDeDados.h"
#include "base/TextoExcecao.h"
#include "ui/FrameDashboard.h"
#include "widgets/Controles.h"
#include "widgets/Idioma.h"

bool AppDashboard::OnInit() {
    // Before any window: the toolkits' own buttons and questions in Portuguese.
    controles::FalarPortugues();
    // From the application menu the database goes among the user's data, not the home folder.
    const std::string erro = EntrarNaPastaDeDados();
    if (!erro.empty()) std::fprintf(stderr, "%s\n", erro.c_str());
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
        controles::MostrarErro(TextoDaExcecao(e));
        return false;
    }
    frame->Show(true);
    return true;
}
