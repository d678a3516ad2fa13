#include "app/PastaDeDados.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kNomePasta = "cupom-dashboard";

std::string Variavel(const char* nome) {
    const char* valor = std::getenv(nome);
    return valor ? std::string(valor) : std::string();
}

// Creates `caminho` and the folders above it that are missing; the last one with `modo`.
bool CriarPastas(const std::string& caminho, mode_t modo) {
    for (std::size_t barra = caminho.find('/', 1); barra != std::string::npos;
         barra = caminho.find('/', barra + 1)) {
        const std::string acima = caminho.substr(0, barra);
        if (mkdir(acima.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    if (mkdir(caminho.c_str(), modo) != 0 && errno != EEXIST) return false;
    struct stat st {};
    return stat(caminho.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string PastaDeDadosDoMenu() {
    std::string base = Variavel("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/') {
        const std::string home = Variavel("HOME");
        if (home.empty() || home[0] != '/') return {};
        base = home + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/" + kNomePasta;
}

std::string EntrarNaPastaDeDados() {
    if (Variavel(kVariavelInicioPeloMenu).empty()) return {};
    const std::string pasta = PastaDeDadosDoMenu();
    if (pasta.empty())
        return "n\xc3\xa3o foi poss\xc3\xadvel achar a pasta de dados (HOME n\xc3\xa3o est\xc3\xa1 "
               "definido)";
    if (!CriarPastas(pasta, 0700) || chdir(pasta.c_str()) != 0)
        return "n\xc3\xa3o foi poss\xc3\xadvel usar a pasta " + pasta + ": " + std::strerror(errno);
    return {};
}
