#include "sync/LeituraFeed.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

namespace feed {
namespace {

// The classes of a byte inside a string: most bytes are plain text and end nothing.
enum ClasseByte : std::uint8_t { kTexto, kAspas, kBarra, kControle, kMultibyte };

constexpr std::array<std::uint8_t, 256> ClassesDeByte() {
    std::array<std::uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        classes[c] = c < 0x20 ? kControle : c >= 0x80 ? kMultibyte : kTexto;
    }
    classes['"'] = kAspas;
    classes['\\'] = kBarra;
    return classes;
}
constexpr std::array<std::uint8_t, 256> kClasses = ClassesDeByte();

// Longer integer parts than this may round to infinity, which the library rejects.
constexpr std::ptrdiff_t kDigitosSeguros = 300;

// A position in a text and the steps both readers below share.
class Cursor {
protected:
    Cursor(const unsigned char* inicio, const unsigned char* fim) : p_(inicio), fim_(fim) {}

    void Espacos() {
        while (p_ != fim_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
    }

    // Steps over `palavra` when the text continues with it.
    bool Palavra(std::string_view palavra) {
        if (static_cast<std::size_t>(fim_ - p_) < palavra.size() ||
            std::string_view(reinterpret_cast<const char*>(p_), palavra.size()) != palavra)
            return false;
        p_ += palavra.size();
        return true;
    }

    // The four hex digits of a \u escape.
    bool Hex4(unsigned& valor) {
        if (fim_ - p_ < 4) return false;
        valor = 0;
        for (int i = 0; i < 4; ++i, ++p_) {
            const unsigned char c = *p_;
            unsigned d;
            if (c >= '0' && c <= '9') {
                d = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                d = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                d = c - 'A' + 10;
            } else {
                return false;
            }
            valor = valor * 16 + d;
        }
        return true;
    }

    const unsigned char* p_;
    const unsigned char* fim_;
};

// Indexar's pass: the whole syntax checked as the library's parser checks it, noting where each
// element of a top-level array begins and ends.
class Varredor : Cursor {
public:
    Varredor(const unsigned char* inicio, const unsigned char* fim)
        : Cursor(inicio, fim), inicio_(inicio) {}

    std::optional<Indice> Executar() {
        Indice indice;
        Espacos();
        if (p_ == fim_) return std::nullopt;
        indice.lista = *p_ == '[';

        // Containers open around the current position: true for an object.
        std::vector<bool> pilha;
        const unsigned char* inicio_elemento = nullptr;
        bool esperando_valor = true;
        while (true) {
            if (esperando_valor) {
                if (p_ == fim_) return std::nullopt;
                if (pilha.size() == 1 && indice.lista) inicio_elemento = p_;
                const unsigned char c = *p_;
                if (c == '{' || c == '[') {
                    ++p_;
                    pilha.push_back(c == '{');
                    Espacos();
                    if (p_ != fim_ && *p_ == (c == '{' ? '}' : ']')) {
                        ++p_;
                        pilha.pop_back();
                        esperando_valor = false;
                    } else if (c == '{') {
                        if (!Chave()) return std::nullopt;
                    }
                    if (esperando_valor) continue;
                } else if (!Escalar()) {
                    return std::nullopt;
                }
                esperando_valor = false;
            }

            // After a value: the end of a top-level element, then a separator or a closing.
            if (pilha.size() == 1 && indice.lista && inicio_elemento) {
                indice.elementos.push_back({static_cast<std::size_t>(inicio_elemento - inicio_),
                                            static_cast<std::size_t>(p_ - inicio_)});
                inicio_elemento = nullptr;
            }
            Espacos();
            if (pilha.empty()) break;
            if (p_ == fim_) return std::nullopt;
            const bool objeto = pilha.back();
            if (*p_ == ',') {
                ++p_;
                Espacos();
                if (objeto && !Chave()) return std::nullopt;
                esperando_valor = true;
            } else if (*p_ == (objeto ? '}' : ']')) {
                ++p_;
                pilha.pop_back();
            } else {
                return std::nullopt;
            }
        }
        if (p_ != fim_) return std::nullopt;
        return indice;
    }

private:
    // A member name and its colon, leaving the position at the value.
    bool Chave() {
        if (p_ == fim_ || *p_ != '"' || !Texto()) return false;
        Espacos();
        if (p_ == fim_ || *p_ != ':') return false;
        ++p_;
        Espacos();
        return true;
    }

    bool Escalar() {
        switch (*p_) {
            case '"':
                return Texto();
            case 't':
                return Palavra("true");
            case 'f':
                return Palavra("false");
            case 'n':
                return Palavra("null");
            default:
                return Numero();
        }
    }

    bool Digito() const { return p_ != fim_ && *p_ >= '0' && *p_ <= '9'; }

    bool Numero() {
        const unsigned char* inicio = p_;
        if (*p_ == '-') ++p_;
        if (!Digito()) return false;
        if (*p_ == '0') {
            ++p_;
        } else {
            while (Digito()) ++p_;
        }
        const bool longo = p_ - inicio > kDigitosSeguros;
        if (p_ != fim_ && *p_ == '.') {
            ++p_;
            if (!Digito()) return false;
            while (Digito()) ++p_;
        }
        bool expoente = false;
        if (p_ != fim_ && (*p_ == 'e' || *p_ == 'E')) {
            expoente = true;
            ++p_;
            if (p_ != fim_ && (*p_ == '+' || *p_ == '-')) ++p_;
            if (!Digito()) return false;
            while (Digito()) ++p_;
        }
        if (!expoente && !longo) return true;
        // Out of range either way (overflow, which the library rejects, or underflow, which it
        // accepts): left to the library.
        double valor = 0;
        const auto [fim, erro] = std::from_chars(reinterpret_cast<const char*>(inicio),
                                                 reinterpret_cast<const char*>(p_), valor);
        return erro == std::errc() && fim == reinterpret_cast<const char*>(p_) &&
               std::isfinite(valor);
    }

    bool Escape() {
        if (p_ == fim_) return false;
        switch (*p_++) {
            case '"':
            case '\\':
            case '/':
            case 'b':
            case 'f':
            case 'n':
            case 'r':
            case 't':
                return true;
            case 'u': {
                unsigned primeiro = 0;
                if (!Hex4(primeiro)) return false;
                if (primeiro >= 0xDC00 && primeiro <= 0xDFFF) return false;
                if (primeiro < 0xD800 || primeiro > 0xDBFF) return true;
                // A high surrogate must be followed by an escaped low one.
                unsigned segundo = 0;
                if (fim_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') return false;
                p_ += 2;
                return Hex4(segundo) && segundo >= 0xDC00 && segundo <= 0xDFFF;
            }
            default:
                return false;
        }
    }

    // The continuation bytes of a UTF-8 sequence, within the ranges that exclude overlong forms,
    // surrogates and code points above U+10FFFF.
    bool Continuacao(unsigned char minimo, unsigned char maximo, int restantes) {
        if (fim_ - p_ < restantes + 1) return false;
        if (p_[1] < minimo || p_[1] > maximo) return false;
        for (int i = 2; i <= restantes; ++i)
            if (p_[i] < 0x80 || p_[i] > 0xBF) return false;
        p_ += restantes + 1;
        return true;
    }

    bool Multibyte() {
        const unsigned char c = *p_;
        if (c >= 0xC2 && c <= 0xDF) return Continuacao(0x80, 0xBF, 1);
        if (c == 0xE0) return Continuacao(0xA0, 0xBF, 2);
        if (c == 0xED) return Continuacao(0x80, 0x9F, 2);
        if (c >= 0xE1 && c <= 0xEF) return Continuacao(0x80, 0xBF, 2);
        if (c == 0xF0) return Continuacao(0x90, 0xBF, 3);
        if (c >= 0xF1 && c <= 0xF3) return Continuacao(0x80, 0xBF, 3);
        if (c == 0xF4) return Continuacao(0x80, 0x8F, 3);
        return false;
    }

    // A string, from its opening quote to past its closing one.
    bool Texto() {
        ++p_;
        while (true) {
            while (p_ != fim_ && kClasses[*p_] == kTexto) ++p_;
            if (p_ == fim_) return false;
            switch (kClasses[*p_]) {
                case kAspas:
                    ++p_;
                    return true;
                case kBarra:
                    ++p_;
                    if (!Escape()) return false;
                    break;
                case kMultibyte:
                    if (!Multibyte()) return false;
                    break;
                default:
                    return false;  // a control character, which must be escaped
            }
        }
    }

    const unsigned char* inicio_;
};

// ConstruirElemento, by recursive descent. Faster than the library's parser, which also records
// every byte it reads for its error messages. Text this does not expect (it never should, after
// Indexar) and very deep nesting go to the library instead.
class Construtor : Cursor {
public:
    static nlohmann::json Construir(std::string_view elemento) {
        Construtor c(elemento);
        nlohmann::json valor;
        if (c.Valor(valor, 0)) {
            c.Espacos();
            if (c.p_ == c.fim_) return valor;
        }
        return nlohmann::json::parse(elemento);
    }

private:
    static constexpr int kProfundidadeMaxima = 200;

    explicit Construtor(std::string_view texto)
        : Cursor(reinterpret_cast<const unsigned char*>(texto.data()),
                 reinterpret_cast<const unsigned char*>(texto.data()) + texto.size()) {}

    bool Valor(nlohmann::json& valor, int profundidade) {
        Espacos();
        if (p_ == fim_) return false;
        switch (*p_) {
            case '{':
                return Objeto(valor, profundidade + 1);
            case '[':
                return Lista(valor, profundidade + 1);
            case '"': {
                std::string texto;
                if (!Texto(texto)) return false;
                valor = std::move(texto);
                return true;
            }
            case 't':
                return Literal("true", true, valor);
            case 'f':
                return Literal("false", false, valor);
            case 'n':
                return Literal("null", nullptr, valor);
            default:
                return Numero(valor);
        }
    }

    template <class T>
    bool Literal(std::string_view palavra, T conteudo, nlohmann::json& valor) {
        if (!Palavra(palavra)) return false;
        valor = conteudo;
        return true;
    }

    bool Objeto(nlohmann::json& valor, int profundidade) {
        if (profundidade > kProfundidadeMaxima) return false;
        ++p_;
        valor = nlohmann::json::object();
        auto& membros = valor.get_ref<nlohmann::json::object_t&>();
        Espacos();
        if (p_ != fim_ && *p_ == '}') {
            ++p_;
            return true;
        }
        while (true) {
            Espacos();
            std::string chave;
            if (p_ == fim_ || *p_ != '"' || !Texto(chave)) return false;
            Espacos();
            if (p_ == fim_ || *p_ != ':') return false;
            ++p_;
            nlohmann::json membro;
            if (!Valor(membro, profundidade)) return false;
            membros.insert_or_assign(std::move(chave), std::move(membro));
            Espacos();
            if (p_ == fim_) return false;
            if (*p_ == '}') {
                ++p_;
                return true;
            }
            if (*p_++ != ',') return false;
        }
    }

    bool Lista(nlohmann::json& valor, int profundidade) {
        if (profundidade > kProfundidadeMaxima) return false;
        ++p_;
        valor = nlohmann::json::array();
        auto& elementos = valor.get_ref<nlohmann::json::array_t&>();
        Espacos();
        if (p_ != fim_ && *p_ == ']') {
            ++p_;
            return true;
        }
        while (true) {
            elementos.emplace_back();
            if (!Valor(elementos.back(), profundidade)) return false;
            Espacos();
            if (p_ == fim_) return false;
            if (*p_ == ']') {
                ++p_;
                return true;
            }
            if (*p_++ != ',') return false;
        }
    }

    static void Utf8(unsigned ponto, std::string& saida) {
        if (ponto < 0x80) {
            saida += static_cast<char>(ponto);
        } else if (ponto < 0x800) {
            saida += static_cast<char>(0xC0 | (ponto >> 6));
            saida += static_cast<char>(0x80 | (ponto & 0x3F));
        } else if (ponto < 0x10000) {
            saida += static_cast<char>(0xE0 | (ponto >> 12));
            saida += static_cast<char>(0x80 | ((ponto >> 6) & 0x3F));
            saida += static_cast<char>(0x80 | (ponto & 0x3F));
        } else {
            saida += static_cast<char>(0xF0 | (ponto >> 18));
            saida += static_cast<char>(0x80 | ((ponto >> 12) & 0x3F));
            saida += static_cast<char>(0x80 | ((ponto >> 6) & 0x3F));
            saida += static_cast<char>(0x80 | (ponto & 0x3F));
        }
    }

    // A string's content, its escapes decoded; its bytes are valid UTF-8 already.
    bool Texto(std::string& saida) {
        ++p_;
        while (true) {
            const unsigned char* inicio = p_;
            while (p_ != fim_ && *p_ != '"' && *p_ != '\\') ++p_;
            saida.append(reinterpret_cast<const char*>(inicio),
                         static_cast<std::size_t>(p_ - inicio));
            if (p_ == fim_) return false;
            if (*p_++ == '"') return true;
            if (p_ == fim_) return false;
            switch (*p_++) {
                case '"':
                    saida += '"';
                    break;
                case '\\':
                    saida += '\\';
                    break;
                case '/':
                    saida += '/';
                    break;
                case 'b':
                    saida += '\b';
                    break;
                case 'f':
                    saida += '\f';
                    break;
                case 'n':
                    saida += '\n';
                    break;
                case 'r':
                    saida += '\r';
                    break;
                case 't':
                    saida += '\t';
                    break;
                case 'u': {
                    unsigned ponto = 0;
                    if (!Hex4(ponto)) return false;
                    if (ponto >= 0xD800 && ponto <= 0xDBFF) {
                        unsigned baixo = 0;
                        if (fim_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') return false;
                        p_ += 2;
                        if (!Hex4(baixo) || baixo < 0xDC00 || baixo > 0xDFFF) return false;
                        ponto = 0x10000 + ((ponto - 0xD800) << 10) + (baixo - 0xDC00);
                    } else if (ponto >= 0xDC00 && ponto <= 0xDFFF) {
                        return false;
                    }
                    Utf8(ponto, saida);
                    break;
                }
                default:
                    return false;
            }
        }
    }

    // As the library types numbers: without a fraction or an exponent, a 64-bit integer
    // (unsigned when not negative) if it fits; otherwise the nearest double.
    bool Numero(nlohmann::json& valor) {
        const char* inicio = reinterpret_cast<const char*>(p_);
        bool inteiro = true;
        while (p_ != fim_ && ((*p_ >= '0' && *p_ <= '9') || *p_ == '-' || *p_ == '+' ||
                              *p_ == '.' || *p_ == 'e' || *p_ == 'E')) {
            if (*p_ == '.' || *p_ == 'e' || *p_ == 'E') inteiro = false;
            ++p_;
        }
        const char* fim = reinterpret_cast<const char*>(p_);
        if (inicio == fim) return false;
        if (inteiro) {
            if (*inicio == '-') {
                std::int64_t n = 0;
                const auto [usado, erro] = std::from_chars(inicio, fim, n);
                if (erro == std::errc() && usado == fim) {
                    valor = n;
                    return true;
                }
            } else {
                std::uint64_t n = 0;
                const auto [usado, erro] = std::from_chars(inicio, fim, n);
                if (erro == std::errc() && usado == fim) {
                    valor = n;
                    return true;
                }
            }
        }
        double real = 0;
        const auto [usado, erro] = std::from_chars(inicio, fim, real);
        if (erro != std::errc() || usado != fim || !std::isfinite(real)) return false;
        valor = real;
        return true;
    }
};

}  // namespace

std::optional<Indice> Indexar(std::string_view texto) {
    const auto* inicio = reinterpret_cast<const unsigned char*>(texto.data());
    return Varredor(inicio, inicio + texto.size()).Executar();
}

nlohmann::json ConstruirElemento(std::string_view elemento) {
    return Construtor::Construir(elemento);
}

}  // namespace feed
