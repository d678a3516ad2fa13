#include "base/FormatoBr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "base/DataHora.h"

namespace formato {
namespace {

constexpr int kMaisCasas = 15;
constexpr const char* kMenos = "\xE2\x88\x92";  // U+2212 in UTF-8
constexpr const char* kPrefixoReal = "R$ ";
constexpr const char* kSufixoPercentual = " %";

struct Numero {
    bool negativo = false;
    bool zero = false;  // after rounding
    std::string texto;  // "1.234,56": grouped, without sign
};

// |valor| rounded to `casas` decimals on its shortest decimal text, then grouped.
bool Escrever(double valor, int casas, Numero& numero) {
    if (!std::isfinite(valor)) return false;
    casas = std::clamp(casas, 0, kMaisCasas);
    // The widest double in fixed notation is 309 digits; the smallest has 324 zeros after ".".
    char bruto[400];
    const auto [fim, erro] =
        std::to_chars(bruto, bruto + sizeof bruto, std::fabs(valor), std::chars_format::fixed);
    if (erro != std::errc()) return false;
    const std::string texto(bruto, fim);
    const std::size_t ponto = texto.find('.');
    std::string digitos = texto.substr(0, ponto);
    std::string fracao = ponto == std::string::npos ? std::string() : texto.substr(ponto + 1);
    const bool subir = fracao.size() > static_cast<std::size_t>(casas) && fracao[casas] >= '5';
    fracao.resize(static_cast<std::size_t>(casas), '0');
    digitos += fracao;
    if (subir) {
        std::size_t i = digitos.size();
        while (i > 0 && digitos[i - 1] == '9') digitos[--i] = '0';
        if (i == 0)
            digitos.insert(digitos.begin(), '1');
        else
            ++digitos[i - 1];
    }
    numero.zero = digitos.find_first_not_of('0') == std::string::npos;
    numero.negativo = valor < 0 && !numero.zero;

    const std::size_t inteiros = digitos.size() - static_cast<std::size_t>(casas);
    numero.texto.clear();
    for (std::size_t i = 0; i < inteiros; ++i) {
        if (i > 0 && (inteiros - i) % 3 == 0) numero.texto += '.';
        numero.texto += digitos[i];
    }
    if (casas > 0) numero.texto += ',' + digitos.substr(inteiros);
    return true;
}

std::string Montar(double valor, int casas, const char* prefixo, const char* sufixo,
                   const char* sinal_positivo) {
    Numero n;
    if (!Escrever(valor, casas, n)) return std::string();
    const char* sinal = n.negativo ? kMenos : n.zero ? "" : sinal_positivo;
    return std::string(sinal) + prefixo + n.texto + sufixo;
}

}  // namespace

std::string DecimalUtf8(double valor, int casas) {
    return Montar(valor, casas, "", "", "");
}

std::string DinheiroUtf8(double valor, int casas) {
    return Montar(valor, casas, kPrefixoReal, "", "");
}

std::string PercentualUtf8(double percentual, int casas) {
    return Montar(percentual, casas, "", kSufixoPercentual, "");
}

std::string VariacaoUtf8(double percentual, int casas) {
    return Montar(percentual, casas, "", kSufixoPercentual, "+");
}

wxString Decimal(double valor, int casas) {
    return wxString::FromUTF8(DecimalUtf8(valor, casas));
}

wxString Dinheiro(double valor, int casas) {
    return wxString::FromUTF8(DinheiroUtf8(valor, casas));
}

wxString Percentual(double percentual, int casas) {
    return wxString::FromUTF8(PercentualUtf8(percentual, casas));
}

wxString Variacao(double percentual, int casas) {
    return wxString::FromUTF8(VariacaoUtf8(percentual, casas));
}

wxString Data(long long data_hora) {
    return datahora::FormatarData(data_hora);
}

wxString MesAno(int ano, int mes) {
    if (mes < 1 || mes > 12 || ano < 0 || ano > 9999) return wxString();
    return wxString::Format("%02d/%04d", mes, ano);
}

wxString AbreviaturaMes(int mes) {
    static const char* const kMeses[] = {"jan", "fev", "mar", "abr", "mai", "jun",
                                         "jul", "ago", "set", "out", "nov", "dez"};
    if (mes < 1 || mes > 12) return wxString();
    return wxString::FromAscii(kMeses[mes - 1]);
}

bool LerReais(const wxString& texto, double& valor) {
    std::string t = texto.utf8_string();
    const auto espaco = [](char c) { return c == ' ' || c == '\t'; };
    while (!t.empty() && espaco(t.back())) t.pop_back();
    std::size_t i = 0;
    while (i < t.size() && espaco(t[i])) ++i;
    if (t.compare(i, 2, "R$") == 0) {
        i += 2;
        while (i < t.size() && espaco(t[i])) ++i;
    }
    const auto digito = [](char c) { return c >= '0' && c <= '9'; };
    long long centavos = 0;
    int digitos = 0, no_grupo = 0;
    bool agrupado = false;
    for (; i < t.size() && t[i] != ','; ++i) {
        if (t[i] == '.') {
            // A group of one to three digits before the first ".", exactly three after each.
            if (no_grupo == 0 || no_grupo > 3 || (agrupado && no_grupo != 3)) return false;
            agrupado = true;
            no_grupo = 0;
            continue;
        }
        if (!digito(t[i]) || ++digitos > 15) return false;
        centavos = centavos * 10 + (t[i] - '0');
        ++no_grupo;
    }
    if (digitos == 0 || (agrupado && no_grupo != 3)) return false;
    int decimais = 0;
    if (i < t.size()) {  // the ","
        for (++i; i < t.size(); ++i, ++decimais)
            if (!digito(t[i]) || decimais == 2) return false;
            else centavos = centavos * 10 + (t[i] - '0');
        if (decimais == 0) return false;
    }
    for (; decimais < 2; ++decimais) centavos *= 10;
    valor = static_cast<double>(centavos) / 100.0;
    return true;
}

}  // namespace formato
