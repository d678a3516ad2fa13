#pragma once

// Every test process runs with HOME, XDG_CONFIG_HOME and the working folder in a fresh temporary
// folder, so no test ever reads or writes the real user's settings or databases.

#include <string>

namespace teste {

// Creates the temporary folder and points HOME, XDG_CONFIG_HOME and the working folder into it.
// Called once by the shared test mains, before any test runs.
void PrepararAmbiente();

// The temporary folder of this process (HOME points here).
const std::string& PastaTemporaria();

// A new empty folder inside the temporary folder.
std::string NovaPasta(const std::string& nome);

// Removes the temporary folder (called at the end of the test mains).
void LimparAmbiente();

}  // namespace teste
