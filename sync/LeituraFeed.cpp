#include "sync/LeituraFeed.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
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

    // A string's content, from its opening quote to past its closing one, its escapes decoded;
    // its bytes are valid UTF-8 already.
    bool Decodificar(std::string& saida) {
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

    const unsigned char* p_;
    const unsigned char* fim_;
};

// Indexar's pass: the whole syntax checked as the library's parser checks it, noting where each
// element of a top-level array begins and ends. It can also start at an element of the top-level
// array (`desde`), where an earlier pass over the text's beginning left off.
class Varredor : Cursor {
public:
    Varredor(const unsigned char* inicio, const unsigned char* fim, std::size_t desde = 0)
        : Cursor(inicio + desde, fim), inicio_(inicio) {}

    // Where the text may be taken up again: the start of the last element of the top-level array
    // that comes after a separator and has a byte of its own before the end, and how many
    // elements precede it. On a text still arriving, everything before it is final.
    struct Marca {
        std::size_t posicao = 0;
        std::size_t elementos = 0;
    };
    Marca UltimaMarca() const { return marca_; }

    bool Executar(Indice& indice) {
        Espacos();
        if (p_ == fim_) return false;
        indice.lista = *p_ == '[';
        return Continuar(indice, {});
    }

    // Goes on from an element of `indice`'s top-level array, which begins at the position.
    bool Retomar(Indice& indice) { return Continuar(indice, {false}); }

private:
    // From a value at the position, inside the containers of `pilha` (true for an object).
    bool Continuar(Indice& indice, std::vector<bool> pilha) {
        const unsigned char* inicio_elemento = nullptr;
        bool esperando_valor = true;
        while (true) {
            if (esperando_valor) {
                if (p_ == fim_) return false;
                const unsigned char c = *p_;
                if (pilha.size() == 1 && indice.lista) {
                    // A receipt is an object; anything else refuses the feed here, before an
                    // index of `[0,0,0,...]` grows to many times the reply.
                    if (c != '{') return false;
                    inicio_elemento = p_;
                }
                if (c == '{' || c == '[') {
                    ++p_;
                    pilha.push_back(c == '{');
                    Espacos();
                    if (p_ != fim_ && *p_ == (c == '{' ? '}' : ']')) {
                        ++p_;
                        pilha.pop_back();
                        esperando_valor = false;
                    } else if (c == '{') {
                        if (!Chave()) return false;
                    }
                    if (esperando_valor) continue;
                } else if (!Escalar()) {
                    return false;
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
            if (p_ == fim_) return false;
            const bool objeto = pilha.back();
            if (*p_ == ',') {
                ++p_;
                Espacos();
                if (objeto && !Chave()) return false;
                esperando_valor = true;
                if (!objeto && pilha.size() == 1 && indice.lista && p_ != fim_)
                    marca_ = {static_cast<std::size_t>(p_ - inicio_), indice.elementos.size()};
            } else if (*p_ == (objeto ? '}' : ']')) {
                ++p_;
                pilha.pop_back();
            } else {
                return false;
            }
        }
        return p_ == fim_;
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
    Marca marca_;
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
                if (!Decodificar(texto)) return false;
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
            if (p_ == fim_ || *p_ != '"' || !Decodificar(chave)) return false;
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


// The bit of a member in the set of members seen.
constexpr unsigned Bit(int campo) {
    return 1u << campo;
}

// LerCupom's reading: a receipt's members straight into a CupomLido, each value checked to be of
// the type the import reads it as. Anything else (a value of another type, a missing member, a
// member named twice, an integer out of range, an escape in a member's name) gives up, and the
// receipt goes the document's way, which gives the same values or the library's own error.
class LeitorCupom : Cursor {
public:
    LeitorCupom(std::string_view texto, CupomLido& cupom)
        : Cursor(reinterpret_cast<const unsigned char*>(texto.data()),
                 reinterpret_cast<const unsigned char*>(texto.data()) + texto.size()),
          cupom_(cupom) {}

    bool Executar() {
        CupomLido& c = cupom_;
        c.linhas.clear();
        c.erro_linha = nullptr;
        c.id = 0;
        c.url_consulta = c.obs_cupom = c.obs_inf = "";
        bool chave_nula = true;
        unsigned vistos = 0;
        const bool lido = Objeto([&](std::string_view nome) {
            const int campo = Indice(kCamposCupom, nome);
            if (campo < 0) return Pular();
            if (vistos & Bit(campo)) return false;
            vistos |= Bit(campo);
            switch (campo) {
                case kId:
                    return Inteiro32(c.id);
                case kChave:
                    chave_nula = Palavra("null");
                    return chave_nula || Texto(c.chave_acesso);
                case kDataHora:
                    return Texto(c.data_hora);
                case kNumeroCfe:
                    return Texto(c.numero_cfe);
                case kNumeroSerieSat:
                    return Texto(c.numero_serie_sat);
                case kUrl:
                    return TextoOpcional(c.url_consulta);
                case kValorTotal:
                    return Real(c.valor_total);
                case kObsCupom:
                    return TextoOpcional(c.obs_cupom);
                case kObsInf:
                    return TextoOpcional(c.obs_inf);
                case kTotalTributos:
                    return Real(c.total_tributos);
                case kEmitente:
                    return Emitente();
                default:
                    return Palavra("null") || Itens();
            }
        });
        if (!lido) return false;
        Espacos();
        if (p_ != fim_) return false;
        c.sem_chave = chave_nula;
        // Without an access key only the id is read; with one, everything up to the issuer
        // must be there.
        constexpr unsigned kObrigatorios = Bit(kChave) | Bit(kDataHora) | Bit(kNumeroCfe) |
                                           Bit(kNumeroSerieSat) | Bit(kValorTotal) |
                                           Bit(kTotalTributos) | Bit(kEmitente);
        return c.sem_chave || (vistos & kObrigatorios) == kObrigatorios;
    }

    // The id, and whether there is an access key, every other member stepped over.
    bool SoId() {
        CupomLido& c = cupom_;
        c = CupomLido();
        bool chave_nula = true;
        unsigned vistos = 0;
        const bool lido = Objeto([&](std::string_view nome) {
            const int campo = Indice(kCamposCupom, nome);
            if (campo != kId && campo != kChave) return Pular();
            if (vistos & Bit(campo)) return false;
            vistos |= Bit(campo);
            if (campo == kId) return Inteiro32(c.id);
            chave_nula = Palavra("null");
            return chave_nula || Pular();
        });
        if (!lido || !(vistos & Bit(kId))) return false;
        Espacos();
        c.sem_chave = chave_nula;
        return p_ == fim_;
    }

private:
    // A receipt's members, in the order of their names below.
    enum CampoCupom {
        kId, kChave, kDataHora, kNumeroCfe, kNumeroSerieSat, kUrl, kValorTotal, kObsCupom,
        kObsInf, kTotalTributos, kEmitente, kItens
    };
    static constexpr std::string_view kCamposCupom[] = {
        "id",       "chave_acesso", "data_hora_emissao", "numero_cfe",
        "numero_serie_sat", "url_consulta", "valor_total", "obs_cupom",
        "obs_inf",  "total_tributos", "emitente",        "itens"};
    static constexpr std::string_view kCamposEmitente[] = {
        "cnpj", "ie", "im", "nome", "fantasia", "endereco", "bairro", "cep", "municipio"};
    static constexpr std::string_view kCamposLinha[] = {
        "seq", "codigo", "descricao", "qtde", "un", "valor_unit", "tributos", "valor_total",
        "desconto"};

    template <std::size_t N>
    static int Indice(const std::string_view (&nomes)[N], std::string_view nome) {
        for (std::size_t i = 0; i < N; ++i)
            if (nomes[i] == nome) return static_cast<int>(i);
        return -1;
    }

    // An object, handing each member's name to `membro` with the position at its value; the
    // names are taken as they are written, so one with an escape gives up.
    template <class Membro>
    bool Objeto(Membro&& membro) {
        Espacos();
        if (p_ == fim_ || *p_ != '{') return false;
        ++p_;
        Espacos();
        if (p_ != fim_ && *p_ == '}') {
            ++p_;
            return true;
        }
        while (true) {
            Espacos();
            std::string_view nome;
            if (!TextoCru(nome)) return false;
            Espacos();
            if (p_ == fim_ || *p_ != ':') return false;
            ++p_;
            Espacos();
            if (!membro(nome)) return false;
            Espacos();
            if (p_ == fim_) return false;
            if (*p_ == '}') {
                ++p_;
                return true;
            }
            if (*p_++ != ',') return false;
        }
    }

    bool Emitente() {
        unsigned vistos = 0;
        const bool lido = Objeto([&](std::string_view nome) {
            const int campo = Indice(kCamposEmitente, nome);
            if (campo < 0) return Pular();
            if (vistos & Bit(campo)) return false;
            vistos |= Bit(campo);
            return Texto(cupom_.emitente[static_cast<std::size_t>(campo)]);
        });
        return lido && vistos == (1u << 9) - 1;
    }

    bool Itens() {
        if (p_ == fim_ || *p_ != '[') return false;
        ++p_;
        Espacos();
        if (p_ != fim_ && *p_ == ']') {
            ++p_;
            return true;
        }
        while (true) {
            if (!Linha()) return false;
            Espacos();
            if (p_ == fim_) return false;
            if (*p_ == ']') {
                ++p_;
                return true;
            }
            if (*p_++ != ',') return false;
            Espacos();
        }
    }

    bool Linha() {
        CupomLido::Linha l{};
        unsigned vistos = 0;
        const bool lido = Objeto([&](std::string_view nome) {
            const int campo = Indice(kCamposLinha, nome);
            if (campo < 0) return Pular();
            if (vistos & Bit(campo)) return false;
            vistos |= Bit(campo);
            switch (campo) {
                case 0:
                    return Inteiro32(l.seq);
                case 1:
                    return Texto(l.codigo);
                case 2:
                    return Texto(l.descricao);
                case 3:
                    return Real(l.qtde);
                case 4:
                    return Texto(l.un);
                case 5:
                    return Real(l.valor_unit);
                case 6:
                    return Real(l.tributos);
                case 7:
                    return Real(l.valor_total);
                default:
                    return Real(l.desconto);
            }
        });
        // Everything but "seq" (0 when missing) must be there.
        if (!lido || (vistos | 1u) != (1u << 9) - 1) return false;
        cupom_.linhas.push_back(l);
        return true;
    }

    // A string's bytes as written, up to its closing quote; false for one with an escape.
    bool TextoCru(std::string_view& saida) {
        if (p_ == fim_ || *p_ != '"') return false;
        const unsigned char* inicio = ++p_;
        while (p_ != fim_ && *p_ != '"' && *p_ != '\\') ++p_;
        if (p_ == fim_ || *p_ != '"') return false;
        saida = std::string_view(reinterpret_cast<const char*>(inicio),
                                 static_cast<std::size_t>(p_ - inicio));
        ++p_;
        return true;
    }

    // A string, left in place in the text when it holds no escape.
    bool Texto(std::string_view& saida) {
        if (p_ == fim_ || *p_ != '"') return false;
        const unsigned char* inicio = p_;
        if (TextoCru(saida)) return true;
        p_ = inicio;
        std::string& decodificado = cupom_.decodificados.emplace_back();
        if (!Decodificar(decodificado)) return false;
        saida = decodificado;
        return true;
    }

    // A string, or an empty text for null.
    bool TextoOpcional(std::string_view& saida) {
        if (Palavra("null")) {
            saida = "";
            return true;
        }
        return Texto(saida);
    }

    // The characters of a number, without checking their order (the syntax pass has).
    std::string_view Numero(bool& inteiro) {
        const unsigned char* inicio = p_;
        inteiro = true;
        while (p_ != fim_ && ((*p_ >= '0' && *p_ <= '9') || *p_ == '-' || *p_ == '+' ||
                              *p_ == '.' || *p_ == 'e' || *p_ == 'E')) {
            if (*p_ == '.' || *p_ == 'e' || *p_ == 'E') inteiro = false;
            ++p_;
        }
        return std::string_view(reinterpret_cast<const char*>(inicio),
                                static_cast<std::size_t>(p_ - inicio));
    }

    // A number read as a double the way the library reads it and then converts it: an integer
    // as a 64-bit integer converted (so "-0" is 0, not -0), anything else as the nearest double.
    bool Real(double& valor) {
        bool inteiro = false;
        const std::string_view texto = Numero(inteiro);
        if (texto.empty()) return false;
        const char* fim = texto.data() + texto.size();
        if (inteiro) {
            if (texto.front() == '-') {
                std::int64_t n = 0;
                const auto [usado, erro] = std::from_chars(texto.data(), fim, n);
                if (erro == std::errc() && usado == fim) {
                    valor = static_cast<double>(n);
                    return true;
                }
            } else {
                std::uint64_t n = 0;
                const auto [usado, erro] = std::from_chars(texto.data(), fim, n);
                if (erro == std::errc() && usado == fim) {
                    valor = static_cast<double>(n);
                    return true;
                }
            }
        }
        const auto [usado, erro] = std::from_chars(texto.data(), fim, valor);
        return erro == std::errc() && usado == fim && std::isfinite(valor);
    }

    // An integer without fraction or exponent that fits 32 bits.
    bool Inteiro32(int& valor) {
        bool inteiro = false;
        const std::string_view texto = Numero(inteiro);
        std::int32_t n = 0;
        const auto [usado, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), n);
        if (!inteiro || texto.empty() || erro != std::errc() ||
            usado != texto.data() + texto.size())
            return false;
        valor = n;
        return true;
    }

    // Steps over any value.
    bool Pular() {
        Espacos();
        if (p_ == fim_) return false;
        int profundidade = 0;
        do {
            if (p_ == fim_) return false;
            const unsigned char c = *p_;
            if (c == '"') {
                ++p_;
                while (p_ != fim_ && *p_ != '"') {
                    if (*p_ == '\\' && fim_ - p_ > 1) ++p_;  // the escaped character too
                    ++p_;
                }
                if (p_ == fim_) return false;
                ++p_;
            } else if (c == '{' || c == '[') {
                ++profundidade;
                ++p_;
            } else if (c == '}' || c == ']') {
                if (--profundidade < 0) return false;
                ++p_;
            } else if (profundidade == 0 && c == ',') {
                return false;
            } else {
                ++p_;
            }
        } while (profundidade > 0);
        // A scalar at the top: everything up to what ends it.
        while (p_ != fim_ && *p_ != ',' && *p_ != '}' && *p_ != ']' && *p_ != ' ' &&
               *p_ != '\n' && *p_ != '\r' && *p_ != '\t')
            ++p_;
        return true;
    }

    CupomLido& cupom_;
};
}  // namespace

std::optional<Indice> Indexar(std::string_view texto) {
    const auto* inicio = reinterpret_cast<const unsigned char*>(texto.data());
    Indice indice;
    if (!Varredor(inicio, inicio + texto.size()).Executar(indice)) return std::nullopt;
    return indice;
}

void IndexadorParcial::Avancar(std::string_view recebido) {
    if (recebido.size() < proxima_) return;
    const auto* inicio = reinterpret_cast<const unsigned char*>(recebido.data());
    const std::size_t antes = indice_.elementos.size();
    Varredor varredor(inicio, inicio + recebido.size(), retomar_);
    if (retomar_ == 0) {
        const std::size_t primeiro = recebido.find_first_not_of(" \t\n\r");
        if (primeiro != std::string_view::npos && recebido[primeiro] != '[') {
            proxima_ = std::numeric_limits<std::size_t>::max();  // not an array: Concluir's job
            return;
        }
        if (primeiro != std::string_view::npos) varredor.Executar(indice_);
    } else {
        varredor.Retomar(indice_);
    }
    // Whatever the pass said of the bytes after its mark, they may read otherwise once more of
    // the text has arrived.
    const Varredor::Marca marca = varredor.UltimaMarca();
    if (marca.posicao > retomar_) {
        retomar_ = marca.posicao;
        indice_.elementos.resize(marca.elementos);
    } else {
        indice_.elementos.resize(antes);
    }
    // The next pass when the bytes past the mark have at least doubled, so that an element (or
    // a whole text) that never ends is read again only a few times, not once per piece.
    proxima_ = std::max(retomar_ + 2 * (recebido.size() - retomar_), recebido.size() + kPasso);
}

std::optional<Indice> IndexadorParcial::Concluir(std::string_view texto) {
    if (retomar_ == 0) return Indexar(texto);
    const auto* inicio = reinterpret_cast<const unsigned char*>(texto.data());
    Indice indice = std::move(indice_);
    if (!Varredor(inicio, inicio + texto.size(), retomar_).Retomar(indice)) return std::nullopt;
    return indice;
}

IndexacaoDoDownload::IndexacaoDoDownload() : thread_(&IndexacaoDoDownload::Ler, this) {}

void IndexacaoDoDownload::Receber(std::string& corpo, const char* dados, std::size_t tamanho) {
    std::unique_lock<std::mutex> buffer(buffer_, std::defer_lock);
    if (corpo.capacity() - corpo.size() < tamanho) buffer.lock();  // it moves: not while read
    corpo.append(dados, tamanho);
    bool acordar = false;
    {
        std::lock_guard<std::mutex> trava(estado_);
        dados_ = corpo.data();
        recebidos_ = corpo.size();
        acordar = recebidos_ >= aguardar_;
    }
    if (acordar) chegou_.notify_one();
}

void IndexacaoDoDownload::Parar() {
    {
        std::lock_guard<std::mutex> trava(estado_);
        parar_ = true;
    }
    chegou_.notify_one();
    if (thread_.joinable()) thread_.join();
}

std::optional<Indice> IndexacaoDoDownload::Concluir(std::string_view texto) {
    Parar();
    return falhou_ ? Indexar(texto) : indexador_.Concluir(texto);
}

void IndexacaoDoDownload::Ler() {
    try {
        while (true) {
            {
                std::unique_lock<std::mutex> trava(estado_);
                chegou_.wait(trava, [this] { return parar_ || recebidos_ >= aguardar_; });
                if (parar_) return;
            }
            std::lock_guard<std::mutex> buffer(buffer_);
            std::string_view recebido;
            {
                std::lock_guard<std::mutex> trava(estado_);
                recebido = {dados_, recebidos_};
            }
            indexador_.Avancar(recebido);
            std::lock_guard<std::mutex> trava(estado_);
            aguardar_ = indexador_.Proxima();
        }
    } catch (const std::bad_alloc&) {
        std::lock_guard<std::mutex> trava(estado_);
        falhou_ = true;
    }
}

nlohmann::json ConstruirElemento(std::string_view elemento) {
    return Construtor::Construir(elemento);
}

bool LerCupom(std::string_view elemento, CupomLido& cupom) {
    return LeitorCupom(elemento, cupom).Executar();
}

bool LerId(std::string_view elemento, CupomLido& cupom) {
    return LeitorCupom(elemento, cupom).SoId();
}

}  // namespace feed
