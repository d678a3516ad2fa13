#include "tests/support/TestEnvironment.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace teste {
namespace {
std::string g_pasta;
}

void PrepararAmbiente() {
    std::string modelo = (std::filesystem::temp_directory_path() / "cupom-teste-XXXXXX").string();
    if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp failed");
    g_pasta = modelo;
    const std::string config = g_pasta + "/.config";
    const std::string trabalho = g_pasta + "/trabalho";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(trabalho);
    setenv("HOME", g_pasta.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    // The program talks to no real service from a test unless a test points it at one.
    setenv("CUPOM_SERVICE_URL", "https://127.0.0.1:9", 1);
    unsetenv("SSL_CERT_FILE");
    if (chdir(trabalho.c_str()) != 0) throw std::runtime_error("chdir failed");
}

const std::string& PastaTemporaria() {
    return g_pasta;
}

std::string NovaPasta(const std::string& nome) {
    auto pasta = std::filesystem::path(g_pasta) / nome;
    std::filesystem::create_directories(pasta);
    return pasta.string();
}

void LimparAmbiente() {
    if (g_pasta.empty() || std::getenv("CUPOM_KEEP_TEST_DIR")) return;
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(g_pasta, ignored);
}

}  // namespace teste
