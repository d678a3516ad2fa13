#include "base/NumeroTexto.h"

#include <locale.h>

#include <charconv>
#include <climits>
#include <cstdlib>
#include <string>

namespace numero {
namespace {

#ifdef _WIN32
using LocaleC = _locale_t;
LocaleC CriarLocaleC() {
    return _create_locale(LC_ALL, "C");
}
double StrtodC(const char* s, LocaleC loc) {
    return _strtod_l(s, nullptr, loc);
}
#else
using LocaleC = locale_t;
LocaleC CriarLocaleC() {
    return newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
}
double StrtodC(const char* s, LocaleC loc) {
    return strtod_l(s, nullptr, loc);
}
#endif

}  // namespace

double LerPrefixo(const wxString& texto) {
    static const LocaleC locale_c = CriarLocaleC();
    const std::string bytes = texto.ToStdString(wxConvUTF8);
    return StrtodC(bytes.c_str(), locale_c);
}

bool LerCompleto(const wxString& texto, double& valor) {
    // ToDouble would follow LC_NUMERIC and misread "10.25" under a comma locale.
    double lido = 0;
    if (!texto.ToCDouble(&lido)) return false;
    valor = lido;
    return true;
}

int LerInteiro(const wxString& texto) {
    const std::string bytes = texto.ToStdString(wxConvUTF8);
    const long valor = std::strtol(bytes.c_str(), nullptr, 10);
    if (valor > INT_MAX) return INT_MAX;
    if (valor < INT_MIN) return INT_MIN;
    return static_cast<int>(valor);
}

wxString Formatar(double valor, int casas) {
    // Room for the widest double in fixed notation (309 digits) with sign and decimals.
    char texto[400];
    const auto [fim, erro] =
        std::to_chars(texto, texto + sizeof texto, valor, std::chars_format::fixed, casas);
    if (erro != std::errc()) return wxString();
    return wxString::FromAscii(texto, static_cast<std::size_t>(fim - texto));
}

}  // namespace numero
