#include "precos/Produto.h"

#include <algorithm>
#include <cstdint>

namespace precos {
namespace {

constexpr std::size_t kDigitosGtin = 14;

// Latin-1 letters U+00C0..U+00FF without their accents, upper case; "" keeps the character.
constexpr const char* kLatin1[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "",  "SS",
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "",  "Y",
};

// Latin Extended-A (U+0100..U+017F) comes in runs of one base letter.
struct Faixa {
    char32_t ate;  // last code point of the run
    const char* letra;
};
constexpr Faixa kLatinA[] = {
    {0x0105, "A"}, {0x010D, "C"},  {0x0111, "D"}, {0x011B, "E"}, {0x0123, "G"}, {0x0127, "H"},
    {0x0131, "I"}, {0x0133, "IJ"}, {0x0135, "J"}, {0x0138, "K"}, {0x0142, "L"}, {0x014B, "N"},
    {0x0151, "O"}, {0x0153, "OE"}, {0x0159, "R"}, {0x0161, "S"}, {0x0167, "T"}, {0x0173, "U"},
    {0x0175, "W"}, {0x0178, "Y"},  {0x017E, "Z"}, {0x017F, "S"},
};

// Decodes the UTF-8 sequence at `i` into `cp` and its length; false, with a length of 1, for
// bytes that are not one.
bool Decodificar(std::string_view t, std::size_t i, char32_t& cp, std::size_t& tamanho) {
    tamanho = 1;
    const auto b0 = static_cast<unsigned char>(t[i]);
    std::size_t n = 0;
    if (b0 < 0x80) {
        cp = b0;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        cp = b0 & 0x07;
    } else {
        return false;
    }
    if (i + n > t.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(t[i + k]);
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms and surrogates are not text.
    static constexpr char32_t kMenor[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMenor[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    tamanho = n;
    return true;
}

bool Branco(char32_t cp) {
    return cp <= 0x20 || cp == 0x7F || cp == 0xA0 || (cp >= 0x2000 && cp <= 0x200B) ||
           cp == 0x202F || cp == 0x3000;
}

bool Combinante(char32_t cp) {
    return cp >= 0x0300 && cp <= 0x036F;
}

// The replacement of a letter, or null to keep its bytes as they are.
const char* SemAcento(char32_t cp) {
    if (cp >= 0xC0 && cp <= 0xFF) {
        const char* letra = kLatin1[cp - 0xC0];
        return *letra ? letra : nullptr;
    }
    if (cp >= 0x100 && cp <= 0x17F)
        for (const Faixa& faixa : kLatinA)
            if (cp <= faixa.ate) return faixa.letra;
    return nullptr;
}

}  // namespace

std::string Normalizar(std::string_view texto) {
    std::string saida;
    saida.reserve(texto.size());
    bool branco_pendente = false;
    std::size_t i = 0;
    while (i < texto.size()) {
        char32_t cp = 0;
        std::size_t tamanho = 1;
        const bool valido = Decodificar(texto, i, cp, tamanho);
        const std::string_view bytes = texto.substr(i, tamanho);
        i += tamanho;
        if (!valido || Combinante(cp)) continue;
        if (Branco(cp)) {
            branco_pendente = !saida.empty();
            continue;
        }
        if (branco_pendente) saida.push_back(' ');
        branco_pendente = false;
        if (cp < 0x80) {
            saida.push_back(cp >= 'a' && cp <= 'z' ? static_cast<char>(cp - 'a' + 'A')
                                                   : static_cast<char>(cp));
        } else if (const char* letra = SemAcento(cp)) {
            saida.append(letra);
        } else {
            saida.append(bytes);
        }
    }
    return saida;
}

namespace {

std::string_view SemBrancos(std::string_view t) {
    const auto inicio = t.find_first_not_of(" \t\r\n");
    if (inicio == std::string_view::npos) return {};
    return t.substr(inicio, t.find_last_not_of(" \t\r\n") - inicio + 1);
}

}  // namespace

bool GtinValido(std::string_view codigo) {
    codigo = SemBrancos(codigo);
    const std::size_t n = codigo.size();
    if (n != 8 && n != 12 && n != 13 && n != 14) return false;
    if (!std::all_of(codigo.begin(), codigo.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    if (codigo.find_first_not_of('0') == std::string_view::npos) return false;
    // Weights 3 and 1 alternate from the digit next to the check digit leftwards.
    int soma = 0;
    for (std::size_t k = 1; k < n; ++k) soma += (codigo[n - 1 - k] - '0') * (k % 2 ? 3 : 1);
    return (10 - soma % 10) % 10 == codigo[n - 1] - '0';
}

bool GtinRestrito(std::string_view codigo) {
    if (!GtinValido(codigo)) return false;
    codigo = SemBrancos(codigo);
    // The number in 14 digits: 6 zeros before a GTIN-8, 2 before a GTIN-12, 1 before a GTIN-13.
    std::string d(kDigitosGtin - codigo.size(), '0');
    d.append(codigo);
    if (d.compare(0, 6, "000000") == 0) return d[6] == '0' || d[6] == '2';
    if (d.compare(0, 2, "00") == 0) return d[2] == '2' || d[2] == '4';
    return d[0] == '0' && d[1] == '2';
}

std::string ChaveProduto(std::string_view codigo, std::string_view descricao,
                         std::string_view cnpj) {
    if (GtinValido(codigo)) {
        const bool restrito = GtinRestrito(codigo);
        codigo = SemBrancos(codigo);
        std::string chave = "G";
        chave.append(kDigitosGtin - codigo.size(), '0');
        chave.append(codigo);
        if (restrito) {
            chave.push_back('@');
            chave.append(cnpj);
        }
        return chave;
    }
    std::string chave = "D";
    chave += Normalizar(descricao);
    return chave;
}

std::string_view LojaDaChave(std::string_view chave) {
    if (chave.empty() || chave.front() != 'G') return {};
    const std::size_t arroba = chave.find('@');
    return arroba == std::string_view::npos ? std::string_view() : chave.substr(arroba + 1);
}

std::vector<std::string> PalavrasBusca(std::string_view digitado) {
    std::vector<std::string> palavras;
    const std::string normal = Normalizar(digitado);
    std::size_t inicio = 0;
    while (inicio < normal.size()) {
        std::size_t fim = normal.find(' ', inicio);
        if (fim == std::string::npos) fim = normal.size();
        palavras.push_back(normal.substr(inicio, fim - inicio));
        inicio = fim + 1;
    }
    return palavras;
}

bool Corresponde(const std::vector<std::string>& palavras, std::string_view texto_busca) {
    return std::all_of(palavras.begin(), palavras.end(), [texto_busca](const std::string& p) {
        return texto_busca.find(p) != std::string_view::npos;
    });
}

}  // namespace precos
