#pragma once

// The modal sign-in dialog: user name, password and "Entrar". A successful login stores the new
// session and closes the dialog; the caller then asks IsLogado().
// When the service could not be heard and the stored user's receipts are on this computer, the
// dialog also offers "Abrir sem conexão", which closes it with IsSemConexao() true.

#include <wx/dialog.h>

class wxSizer;
class wxTextCtrl;
class wxWindow;

class FrameLogin : public wxDialog {
public:
    FrameLogin();
    explicit FrameLogin(bool oferecer_sem_conexao);

    bool IsLogado() const { return logado; }
    bool IsSemConexao() const { return sem_conexao; }

    wxTextCtrl* AddLabeledField(wxWindow* parent, wxSizer* row, const wxString& label,
                                int proportion, bool password);
    void OnEntrar(wxCommandEvent& event);
    void OnAbrirSemConexao(wxCommandEvent& event);

private:
    bool logado = false;
    wxTextCtrl* txtUsuario = nullptr;
    wxTextCtrl* txtSenha = nullptr;
    bool sem_conexao = false;
};
