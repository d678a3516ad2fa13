#pragma once

// The modal sign-in dialog: user name, password and "Entrar". A successful login stores the new
// session and closes the dialog; the caller then asks IsLogado().

#include <wx/dialog.h>

class wxSizer;
class wxTextCtrl;
class wxWindow;

class FrameLogin : public wxDialog {
public:
    FrameLogin();

    bool IsLogado() const { return logado; }

    wxTextCtrl* AddLabeledField(wxWindow* parent, wxSizer* row, const wxString& label,
                                int proportion, bool password);
    void OnEntrar(wxCommandEvent& event);

private:
    bool logado = false;
    wxTextCtrl* txtUsuario = nullptr;
    wxTextCtrl* txtSenha = nullptr;
};
