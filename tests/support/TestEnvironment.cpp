#include "tests/support/TestEnvironment.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
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
    // GTK's dialogs keep their settings in memory, not in a settings service the test machine
    // may not run.
    setenv("GSETTINGS_BACKEND", "memory", 1);
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

std::string PastaDoTeste() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return NovaPasta(std::string(info->test_suite_name()) + "_" + info->name());
}

CapturaSaida::CapturaSaida(bool com_stdout) {
    static int capturas = 0;
    arquivo_ = g_pasta + "/saida-" + std::to_string(++capturas) + ".txt";
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const int destino = open(arquivo_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (destino < 0) throw std::runtime_error("cannot capture output");
    stderr_original_ = dup(STDERR_FILENO);
    dup2(destino, STDERR_FILENO);
    if (com_stdout) {
        stdout_original_ = dup(STDOUT_FILENO);
        dup2(destino, STDOUT_FILENO);
    }
    close(destino);
}

CapturaSaida::~CapturaSaida() {
    Texto();
}

std::string CapturaSaida::Texto() {
    if (stderr_original_ < 0) return texto_;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    dup2(stderr_original_, STDERR_FILENO);
    close(stderr_original_);
    stderr_original_ = -1;
    if (stdout_original_ >= 0) {
        dup2(stdout_original_, STDOUT_FILENO);
        close(stdout_original_);
        stdout_original_ = -1;
    }
    std::ifstream entrada(arquivo_, std::ios::binary);
    std::ostringstream lido;
    lido << entrada.rdbuf();
    texto_ = lido.str();
    std::remove(arquivo_.c_str());
    return texto_;
}

std::string CapturarSaida(const std::function<void()>& acao) {
    CapturaSaida captura(true);
    acao();
    return captura.Texto();
}

void LimparAmbiente() {
    if (g_pasta.empty() || std::getenv("CUPOM_KEEP_TEST_DIR")) return;
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(g_pasta, ignored);
}

}  // namespace teste
