#include "tests/support/ServicoTeste.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace teste {
namespace {

std::optional<std::string> LerVariavel(const char* nome) {
    const char* valor = std::getenv(nome);
    return valor ? std::optional<std::string>(valor) : std::nullopt;
}

void Restaurar(const char* nome, const std::optional<std::string>& valor) {
    if (valor) {
        setenv(nome, valor->c_str(), 1);
    } else {
        unsetenv(nome);
    }
}

}  // namespace

ServicoTeste::ServicoTeste(const std::string& certificado)
    : servico_({CertDir() + "/" + certificado + ".pem", CertDir() + "/" + certificado + ".key",
                "127.0.0.1", 0}),
      url_anterior_(LerVariavel("CUPOM_SERVICE_URL")),
      cert_anterior_(LerVariavel("SSL_CERT_FILE")) {
    if (!servico_.Iniciar()) {
        ADD_FAILURE() << "the local service did not start (certificates in " << CertDir() << ")";
        throw std::runtime_error("the local service did not start");
    }
    setenv("CUPOM_SERVICE_URL", servico_.UrlBase().c_str(), 1);
    setenv("SSL_CERT_FILE", (CertDir() + "/ca.pem").c_str(), 1);
}

ServicoTeste::~ServicoTeste() {
    servico_.Parar();
    Restaurar("CUPOM_SERVICE_URL", url_anterior_);
    Restaurar("SSL_CERT_FILE", cert_anterior_);
}

servico::ServicoLocal& ServicoTeste::servico() {
    return servico_;
}

std::string ServicoTeste::url() const {
    return servico_.UrlBase();
}

std::string ServicoTeste::CertDir() {
    return CUPOM_TEST_CERT_DIR;
}

}  // namespace teste
