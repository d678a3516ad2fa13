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

LoginGravado LerLogin(const wxString& ausente) {
    auto config = AbrirConfiguracao();
    return {config->Read(kChaveId, ausente), config->Read(kChaveUsuario, ausente),
            config->Read(kChaveToken, ausente)};
}

}  // namespace teste
