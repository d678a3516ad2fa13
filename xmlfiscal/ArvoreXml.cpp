#include "xmlfiscal/ArvoreXml.h"

#include <expat.h>
#include <wx/strconv.h>
#include <wx/string.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace xmlfiscal {

// What the parser's callbacks build.
struct LeituraExpat {
    ArvoreXml& arvore;
    std::vector<std::uint32_t>& abertos = arvore.abertos_;  // being read, innermost last
    std::vector<bool>& tem_texto = arvore.tem_texto_;       // per open element: its first run began
    // The innermost element's first run goes on: no child, comment, processing instruction or
    // end of a CDATA section came since it began.
    bool texto_aberto = false;

    // The buffer is reserved for what the document usually holds; should it have to move, the
    // views are made again at the end.
    bool movido = false;
    std::vector<std::uint32_t>& com_atributos = arvore.com_atributos_;

    std::uint32_t Guardar(const char* texto, std::size_t tamanho) {
        std::string& textos = arvore.textos_;
        const auto em = static_cast<std::uint32_t>(textos.size());
        const char* antes = textos.data();
        textos.append(texto, tamanho);
        movido |= textos.data() != antes;
        return em;
    }

    std::string_view Vista(std::uint32_t em, std::uint32_t tamanho) const {
        return std::string_view(arvore.textos_.data() + em, tamanho);
    }

    static void Nome(ArvoreXml::No& no, std::string_view nome) {
        no.nome = nome;
        const auto dois_pontos = nome.rfind(':');
        no.local = dois_pontos == std::string_view::npos ? nome : nome.substr(dois_pontos + 1);
    }

    void Inicio(const XML_Char* nome, const XML_Char** atributos) {
        texto_aberto = false;
        ArvoreXml::No& no = arvore.nos_.emplace_back();
        const std::size_t tamanho = std::strlen(nome);
        no.nome_em = Guardar(nome, tamanho);
        no.nome_tamanho = static_cast<std::uint32_t>(tamanho);
        Nome(no, Vista(no.nome_em, no.nome_tamanho));
        if (atributos[0]) {
            no.primeiro_atributo = static_cast<std::uint32_t>(arvore.atributos_.size());
            for (const XML_Char** a = atributos; a[0]; a += 2) {
                ArvoreXml::Atributo& atributo = arvore.atributos_.emplace_back();
                const std::size_t n = std::strlen(a[0]), v = std::strlen(a[1]);
                atributo.nome_em = Guardar(a[0], n);
                atributo.nome_tamanho = static_cast<std::uint32_t>(n);
                atributo.valor_em = Guardar(a[1], v);
                atributo.valor_tamanho = static_cast<std::uint32_t>(v);
            }
            no.quantos_atributos =
                static_cast<std::uint32_t>(arvore.atributos_.size()) - no.primeiro_atributo;
            com_atributos.push_back(static_cast<std::uint32_t>(arvore.nos_.size() - 1));
        }
        abertos.push_back(static_cast<std::uint32_t>(arvore.nos_.size() - 1));
        tem_texto.push_back(false);
    }

    void Fim() {
        texto_aberto = false;
        arvore.nos_[abertos.back()].descendentes = arvore.nos_.size() - abertos.back() - 1;
        abertos.pop_back();
        tem_texto.pop_back();
    }

    void Texto(const char* s, int tamanho) {
        if (abertos.empty()) return;
        const auto n = static_cast<std::size_t>(tamanho);
        ArvoreXml::No& no = arvore.nos_[abertos.back()];
        if (texto_aberto) {
            // Nothing else was stored since the run began: it goes on where it ends.
            Guardar(s, n);
            no.texto_tamanho += static_cast<std::uint32_t>(n);
        } else {
            if (tem_texto.back() ||
                std::string_view(s, n).find_first_not_of(" \t\r\n") == std::string_view::npos)
                return;
            no.texto_em = Guardar(s, n);
            no.texto_tamanho = static_cast<std::uint32_t>(n);
            tem_texto.back() = true;
            texto_aberto = true;
        }
        no.texto = Vista(no.texto_em, no.texto_tamanho);
    }

    void InicioCdata() {
        texto_aberto = false;
        if (abertos.empty() || tem_texto.back()) return;
        ArvoreXml::No& no = arvore.nos_[abertos.back()];
        no.texto_em = static_cast<std::uint32_t>(arvore.textos_.size());
        no.texto_tamanho = 0;
        tem_texto.back() = true;
        texto_aberto = true;
    }

    // The attributes' views, once their array is complete; every view again if the buffer moved.
    void Concluir() {
        for (ArvoreXml::Atributo& a : arvore.atributos_) {
            a.nome = Vista(a.nome_em, a.nome_tamanho);
            a.valor = Vista(a.valor_em, a.valor_tamanho);
        }
        for (const std::uint32_t i : com_atributos) {
            ArvoreXml::No& no = arvore.nos_[i];
            no.atributos = std::span<const ArvoreXml::Atributo>(
                arvore.atributos_.data() + no.primeiro_atributo, no.quantos_atributos);
        }
        if (!movido) return;
        for (ArvoreXml::No& no : arvore.nos_) {
            Nome(no, Vista(no.nome_em, no.nome_tamanho));
            no.texto = Vista(no.texto_em, no.texto_tamanho);
        }
    }
};

namespace {

LeituraExpat& De(void* dados) {
    return *static_cast<LeituraExpat*>(dados);
}

void XMLCALL AoAbrir(void* dados, const XML_Char* nome, const XML_Char** atributos) {
    De(dados).Inicio(nome, atributos);
}
void XMLCALL AoFechar(void* dados, const XML_Char*) {
    De(dados).Fim();
}
void XMLCALL AoTexto(void* dados, const XML_Char* s, int tamanho) {
    De(dados).Texto(s, tamanho);
}
void XMLCALL AoAbrirCdata(void* dados) {
    De(dados).InicioCdata();
}
void XMLCALL AoFecharTexto(void* dados) {
    De(dados).texto_aberto = false;
}
void XMLCALL AoComentario(void* dados, const XML_Char*) {
    AoFecharTexto(dados);
}
void XMLCALL AoInstrucao(void* dados, const XML_Char*, const XML_Char*) {
    AoFecharTexto(dados);
}

// An encoding expat does not know itself (windows-1252, say): each byte through the toolkit's
// converter for that name, as the toolkit's XML classes do.
int XMLCALL OutraCodificacao(void*, const XML_Char* nome, XML_Encoding* info) {
    wxCSConv conversor(wxString::FromUTF8(nome));
    info->map[0] = 0;
    for (int i = 1; i < 256; ++i) {
        const char byte[2] = {static_cast<char>(i), '\0'};
        wchar_t largo[4] = {};
        info->map[i] =
            conversor.MB2WC(largo, byte, 4) == wxCONV_FAILED ? -1 : static_cast<int>(largo[0]);
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

// A tree that read a hostile file does not keep its memory for the next one.
constexpr std::size_t kMaiorGuardado = 1 << 20;

}  // namespace

struct ArvoreXml::Parser {
    XML_Parser p = XML_ParserCreate(nullptr);
    ~Parser() {
        if (p) XML_ParserFree(p);
    }
};

ArvoreXml::ArvoreXml() : parser_(std::make_unique<Parser>()) {}

ArvoreXml::~ArvoreXml() = default;

bool ArvoreXml::Ler(std::string_view bytes, long& linha_erro) {
    linha_erro = 0;
    if (textos_.capacity() > kMaiorGuardado) {
        std::string().swap(textos_);
        std::vector<No>().swap(nos_);
        std::vector<Atributo>().swap(atributos_);
    }
    nos_.clear();
    atributos_.clear();
    textos_.clear();
    // The names, values and texts take less than the document itself, unless it is written in
    // a single-byte encoding other than ASCII: then up to twice as much.
    textos_.reserve(std::min(2 * bytes.size(), kMaiorGuardado));
    XML_Parser p = parser_->p;
    if (!p || !XML_ParserReset(p, nullptr)) return false;

    abertos_.clear();
    tem_texto_.clear();
    com_atributos_.clear();
    LeituraExpat leitura{*this};
    XML_SetUserData(p, &leitura);
    XML_SetElementHandler(p, AoAbrir, AoFechar);
    XML_SetCharacterDataHandler(p, AoTexto);
    XML_SetCdataSectionHandler(p, AoAbrirCdata, AoFecharTexto);
    XML_SetCommentHandler(p, AoComentario);
    XML_SetProcessingInstructionHandler(p, AoInstrucao);
    XML_SetUnknownEncodingHandler(p, OutraCodificacao, nullptr);

    // In pieces that an int can count; the last one ends the document.
    constexpr std::size_t kPedaco = INT_MAX / 2;
    std::size_t feito = 0;
    do {
        const std::size_t n = std::min(kPedaco, bytes.size() - feito);
        const bool ultimo = feito + n == bytes.size();
        if (XML_Parse(p, bytes.data() + feito, static_cast<int>(n), ultimo) != XML_STATUS_OK) {
            linha_erro = static_cast<long>(XML_GetCurrentLineNumber(p));
            nos_.clear();
            return false;
        }
        feito += n;
    } while (feito < bytes.size());
    leitura.Concluir();
    return !nos_.empty();
}

const ArvoreXml::No* ArvoreXml::Filho(const No* no, std::string_view nome) {
    if (!no) return nullptr;
    for (const No* c = no + 1; c <= no + no->descendentes; c += c->descendentes + 1)
        if (c->local == nome) return c;
    return nullptr;
}

const ArvoreXml::No* ArvoreXml::Procurar(const No* no, std::string_view nome) {
    if (!no) return nullptr;
    for (const No* c = no; c <= no + no->descendentes; ++c)
        if (c->local == nome) return c;
    return nullptr;
}

std::string_view ArvoreXml::ValorDe(const No* no, std::string_view nome) {
    if (!no) return {};
    for (const Atributo& a : no->atributos)
        if (a.nome == nome) return a.valor;
    return {};
}

}  // namespace xmlfiscal
