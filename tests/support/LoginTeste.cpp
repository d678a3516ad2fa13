#include "tests/support/LoginTeste.h"

#include "account/ConfigStore.h"

namespace teste {
namespace {

constexpr const char* kChaveId = "/Login/Id";
constexpr const char* kChaveUsuario = "/Login/Usuario";
constexpr const char* kChaveToken = "/Login/Token";

}  // namespace

void GravarLogin(const LoginGravado& login) {
    auto config = AbrirConfiguracao();
    config->Write(kChaveId, login.id);
    config->Write(kChaveUsuario, login.usuario);
    config->Write(kChaveToken, login.token);
}

LoginGravado LerLogin() {
    auto config = AbrirConfiguracao();
    return {config->Read(kChaveId, wxString()), config->Read(kChaveUsuario, wxString()),
            config->Read(kChaveToken, wxString())};
}

}  // namespace teste
