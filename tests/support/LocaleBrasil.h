#pragma once

// Runs a test under the Brazilian locale, where printf, atof and wxString::ToDouble use "," as
// the decimal separator, so number code that depends on the locale shows itself. When the
// locale is not installed it is compiled into this process's temporary folder.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/TestEnvironment.h"

namespace teste {

class LocaleBrasil {
public:
    LocaleBrasil() {
        const char* atual = std::setlocale(LC_ALL, nullptr);
        anterior = atual ? atual : "C";
        ativo = std::setlocale(LC_ALL, kNome) != nullptr;
        if (!ativo) {
            const std::string pasta = NovaPasta("locales");
            const std::string comando =
                "localedef -i pt_BR -f UTF-8 '" + pasta + "/" + kNome + "' >/dev/null 2>&1";
            [[maybe_unused]] const int rc = std::system(comando.c_str());
            setenv("LOCPATH", pasta.c_str(), 1);
            ativo = std::setlocale(LC_ALL, kNome) != nullptr;
        }
    }
    ~LocaleBrasil() { std::setlocale(LC_ALL, anterior.c_str()); }
    LocaleBrasil(const LocaleBrasil&) = delete;
    LocaleBrasil& operator=(const LocaleBrasil&) = delete;

    // True when the locale is in force and really writes "12,5".
    bool Ativo() const {
        if (!ativo) return false;
        char texto[16];
        std::snprintf(texto, sizeof texto, "%.1f", 12.5);
        return std::string(texto) == "12,5";
    }

private:
    static constexpr const char* kNome = "pt_BR.UTF-8";
    std::string anterior;
    bool ativo = false;
};

}  // namespace teste

#define EXIGIR_LOCALE_BRASIL(locale) \
    if (!(locale).Ativo())           \
    GTEST_SKIP() << "pt_BR.UTF-8 is not available (localedef -i pt_BR -f UTF-8 pt_BR.UTF-8)"
