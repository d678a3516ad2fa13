#pragma once

// The stored login (id, user name and token) and the two web-service calls that create and
// check it. A small value object: every user builds one, reads it and drops it.

#include <wx/string.h>

class wxWindow;

// The outcome of a token check.
enum class VerificacaoToken {
    Aceito,
    Recusado,     // no token stored, or the service answered and the answer failed the check
    SemResposta,  // no answer at all: no connection, a refused or broken TLS, a silent server
};

class Sessao {
public:
    explicit Sessao(bool carregar);

    void Carregar();
    void Salvar();
    // Empties the three stored values, then asks `janela` (may be null) to close.
    void Logoff(wxWindow* janela);

    // True when the service accepted the credentials; the new login is then stored.
    bool Login(wxString usuario, wxString senha);
    // True when the stored token is not empty and the service's token check did not fail.
    bool ValidarToken();
    // The same check, telling a refusal from a service that could not be heard.
    VerificacaoToken VerificarToken();

    wxString GetToken() const { return token; }
    wxString GetUsuario() const { return usuario; }

private:
    wxString id;
    wxString usuario;
    wxString token;
};
