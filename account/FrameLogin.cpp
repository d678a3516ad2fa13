#include "account/FrameLogin.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "account/Sessao.h"
#include "widgets/Controles.h"

namespace {
const wchar_t* const kRotuloSemConexao = L"Abrir sem conexão";
}  // namespace

FrameLogin::FrameLogin() : FrameLogin(false) {}

FrameLogin::FrameLogin(bool oferecer_sem_conexao)
    : wxDialog(nullptr, wxID_ANY, "Login - Dashboard", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE) {
    Centre(wxBOTH);
    logado = false;

    auto* mainSizer = new wxBoxSizer(wxVERTICAL);
    auto* panel = new wxPanel(this, wxID_ANY);
    auto* innerSizer = new wxBoxSizer(wxVERTICAL);

    auto* rowUsuario = new wxBoxSizer(wxHORIZONTAL);
    txtUsuario = AddLabeledField(panel, rowUsuario, L"Usuário", 1, false);
    innerSizer->Add(rowUsuario, 0, wxEXPAND | wxALL, 1);

    auto* rowSenha = new wxBoxSizer(wxHORIZONTAL);
    txtSenha = AddLabeledField(panel, rowSenha, "Senha", 1, true);
    innerSizer->Add(rowSenha, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 1);

    auto* btnEntrar = new wxButton(panel, wxID_ANY, "Entrar", wxDefaultPosition, wxDefaultSize, 0);

    mainSizer->Add(innerSizer, 1, wxEXPAND | wxALL, 20);
    mainSizer->Add(btnEntrar, 0, wxALIGN_CENTER | wxBOTTOM, 20);
    if (oferecer_sem_conexao) {
        auto* btnSemConexao = new wxButton(panel, wxID_ANY, kRotuloSemConexao);
        mainSizer->Add(btnSemConexao, 0, wxALIGN_CENTER | wxBOTTOM, 20);
        btnSemConexao->Bind(wxEVT_BUTTON, &FrameLogin::OnAbrirSemConexao, this);
    }
    panel->SetSizer(mainSizer);

    btnEntrar->Bind(wxEVT_BUTTON, &FrameLogin::OnEntrar, this);
    // Enter in the password field signs in, as a user expects of a login form.
    txtSenha->Bind(wxEVT_TEXT_ENTER, &FrameLogin::OnEntrar, this);

    SetMinSize(wxSize(400, 350));
}

wxTextCtrl* FrameLogin::AddLabeledField(wxWindow* parent, wxSizer* row, const wxString& label,
                                        int proportion, bool password) {
    // The password field also reports Enter, so that it can sign in.
    const long style = password ? (wxTE_PASSWORD | wxTE_PROCESS_ENTER) : 0;
    return controles::AdicionarCampoRotulado(parent, row, label, proportion, style);
}

void FrameLogin::OnEntrar(wxCommandEvent&) {
    const wxString usuario = txtUsuario->GetValue();
    const wxString senha = txtSenha->GetValue();

    Sessao login(false);
    if (login.Login(usuario, senha)) {
        logado = true;
        Close(false);
        return;
    }
    controles::MostrarErro(L"Usuário ou senha inválidos.");
}

void FrameLogin::OnAbrirSemConexao(wxCommandEvent&) {
    sem_conexao = true;
    Close(false);
}
