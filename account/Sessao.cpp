#include "account/Sessao.h"

#include "account/ConfigStore.h"
#include "account/RespostaLogin.h"
#include "web/ServiceUrl.h"
#include "web/WebSync.h"

#include <wx/window.h>

#include <nlohmann/json.hpp>

namespace {
constexpr const char* kChaveId = "/Login/Id";
constexpr const char* kChaveUsuario = "/Login/Usuario";
constexpr const char* kChaveToken = "/Login/Token";

constexpr const char* kCaminhoLogin = "/cupom/usuario.php";
constexpr const char* kCaminhoValidarToken = "/cupom/api.php";
constexpr const char* kContentTypeJson = "application/json; charset=UTF-8";

}  // namespace

Sessao::Sessao(bool carregar) {
    if (carregar) Carregar();
}

void Sessao::Carregar() {
    auto config = AbrirConfiguracao();
    id = config->Read(kChaveId, wxString());
    usuario = config->Read(kChaveUsuario, wxString());
    token = config->Read(kChaveToken, wxString());
}

void Sessao::Salvar() {
    auto config = AbrirConfiguracao();
    config->Write(kChaveId, id);
    config->Write(kChaveUsuario, usuario);
    config->Write(kChaveToken, token);
}

void Sessao::Logoff(wxWindow* janela) {
    {
        auto config = AbrirConfiguracao();
        config->Write(kChaveId, wxString());
        config->Write(kChaveUsuario, wxString());
        config->Write(kChaveToken, wxString());
    }  // flushed here, before the window closes and the program may end
    if (janela) janela->Close(false);
}

bool Sessao::ValidarToken() {
    return VerificarToken() == VerificacaoToken::Aceito;
}

VerificacaoToken Sessao::VerificarToken() {
    if (token.empty()) return VerificacaoToken::Recusado;

    auto request =
        web::WebSessionSync::GetDefault().CreateRequest(web::ServiceUrl(kCaminhoValidarToken));
    // An address that cannot be used reaches no service either.
    if (!request.IsOk()) return VerificacaoToken::SemResposta;
    request.SetHeader("secret-key", token);
    if (request.Execute().state != web::WebRequestSync::State_Failed)
        return VerificacaoToken::Aceito;
    // Any HTTP status, an error or a redirect, is the service's answer.
    return request.GetResponse().GetStatus() == 0 ? VerificacaoToken::SemResposta
                                                  : VerificacaoToken::Recusado;
}

bool Sessao::Login(wxString usuario_digitado, wxString senha) {
    auto request = web::WebSessionSync::GetDefault().CreateRequest(web::ServiceUrl(kCaminhoLogin));
    if (!request.IsOk()) return false;

    nlohmann::json j;
    j["nome"] = std::string(usuario_digitado.utf8_str());
    j["senha"] = std::string(senha.utf8_str());
    j["funcao"] = "login";
    const wxString data =
        wxString::FromUTF8(j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    request.SetData(data, kContentTypeJson, wxConvUTF8);

    if (request.Execute().state == web::WebRequestSync::State_Failed) return false;

    const auto segredo = LerSegredoLogin(request.GetResponse().GetBody());
    if (!segredo) return false;

    usuario = usuario_digitado;
    token = wxString::FromUTF8(*segredo);
    id = token;  // the service sends no separate id; the login keeps the secret as its id
    Salvar();
    return true;
}
