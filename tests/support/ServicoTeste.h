#pragma once

// The local receipt service for one test: started on 127.0.0.1 with the test certificate, and the
// program pointed at it through the environment for the fixture's lifetime.

#include <optional>
#include <string>

#include "service/ServicoLocal.h"

namespace teste {

// Starts a ServicoLocal on 127.0.0.1 with a test certificate (`certificado`.pem/.key of the test
// certificates: "server" is the CA's certificate for 127.0.0.1, "selfsigned" and "wronghost" are
// ones the program must refuse), and points the program at it by setting CUPOM_SERVICE_URL and
// SSL_CERT_FILE (to the test CA) in the environment; restores them on destruction.
class ServicoTeste {
public:
    // Starts; reports a test failure and throws if it cannot.
    explicit ServicoTeste(const std::string& certificado = "server");
    ~ServicoTeste();
    ServicoTeste(const ServicoTeste&) = delete;
    ServicoTeste& operator=(const ServicoTeste&) = delete;

    servico::ServicoLocal& servico();
    std::string url() const;
    static std::string CertDir();  // CUPOM_TEST_CERT_DIR

private:
    servico::ServicoLocal servico_;
    std::optional<std::string> url_anterior_;
    std::optional<std::string> cert_anterior_;
};

}  // namespace teste
