#include "app/AppDashboard.h"

#include <wx/filename.h>

#include <cstdio>
#include <exception>
#include <string>

#include "account/FrameLogin.h"
#include "account/Sessao.h"
#include "app/PastaDeDados.h"
#include "base/TextoExcecao.h"
#include "db/BancoDados.h"
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
    const VerificacaoToken verificacao = login.VerificarToken();
    if (verificacao != VerificacaoToken::Aceito) {
        // Without an answer from the service, the stored user may still open the receipts this
        // computer holds; a refusal always asks for a new login.
        const wxString usuario = login.GetUsuario();
        const bool dados_locais = verificacao == VerificacaoToken::SemResposta &&
                                  !usuario.empty() &&
                                  wxFileName::FileExists(NomeArquivoBanco(usuario));
        // ShowModal's result means nothing: the dialog closes itself after a login too.
        FrameLogin frame_login(dados_locais);
        frame_login.ShowModal();
        if (!frame_login.IsLogado() && !frame_login.IsSemConexao()) return false;
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
