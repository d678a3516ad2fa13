#pragma once

// Every test process runs with HOME, XDG_CONFIG_HOME and the working folder in a fresh temporary
// folder, and GTK's settings in memory, so no test ever reads or writes the real user's settings
// or databases.

#include <functional>
#include <string>

namespace teste {

// Creates the temporary folder and points HOME, XDG_CONFIG_HOME and the working folder into it.
// Called once by the shared test mains, before any test runs.
void PrepararAmbiente();

// The temporary folder of this process (HOME points here).
const std::string& PastaTemporaria();

// A new empty folder inside the temporary folder.
std::string NovaPasta(const std::string& nome);

// A new folder named after the running test ("Suite_Teste").
std::string PastaDoTeste();

// Collects what the process writes to stderr, and to stdout when asked (file descriptors 2 and
// 1, so the output of C libraries and GTK counts too), from its construction until Texto() is
// first called.
class CapturaSaida {
public:
    explicit CapturaSaida(bool com_stdout = false);
    ~CapturaSaida();
    CapturaSaida(const CapturaSaida&) = delete;
    CapturaSaida& operator=(const CapturaSaida&) = delete;
    std::string Texto();

private:
    std::string arquivo_;
    std::string texto_;
    int stderr_original_ = -1;
    int stdout_original_ = -1;
};

// Everything written to stdout and stderr while `acao` runs.
std::string CapturarSaida(const std::function<void()>& acao);

// Removes the temporary folder (called at the end of the test mains).
void LimparAmbiente();

}  // namespace teste
