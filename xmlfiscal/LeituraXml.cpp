#include "xmlfiscal/LeituraXml.h"

#include <wx/strconv.h>
#include <wx/string.h>

#include <algorithm>
#include <charconv>
#include <memory>

namespace xmlfiscal {
namespace {

// DTDs are refused before; entities beyond the predefined ones are left as written.
constexpr unsigned kOpcoes = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol |
                             pugi::parse_wconv_attribute | pugi::parse_embed_pcdata;

// A buffer that read a hostile file does not keep its memory for the next one.
constexpr std::size_t kMaiorGuardado = 1 << 20;

bool Igual(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
    });
}

// The encoding the XML declaration names ("ISO-8859-1"); empty when there is none.
std::string_view Declarada(std::string_view b) {
    if (b.starts_with("\xEF\xBB\xBF")) b.remove_prefix(3);
    if (!b.starts_with("<?xml") || b.size() < 6 || b.find_first_of(" \t\r\n", 5) != 5) return {};
    b = b.substr(0, b.find("?>"));
    constexpr std::string_view kEspacos = " \t\r\n";
    const auto nome = b.find("encoding");
    if (nome == std::string_view::npos) return {};
    auto i = b.find_first_not_of(kEspacos, nome + 8);
    if (i == std::string_view::npos || b[i] != '=') return {};
    i = b.find_first_not_of(kEspacos, i + 1);
    if (i == std::string_view::npos || (b[i] != '"' && b[i] != '\'')) return {};
    const auto fim = b.find(b[i], i + 1);
    return fim == std::string_view::npos ? std::string_view() : b.substr(i + 1, fim - i - 1);
}

// The converter of a file in UTF-16 or UTF-32, known by its byte order mark or by the zero bytes
// around its first "<"; null for a file of one byte a character.
std::unique_ptr<wxMBConv> ConversorLargo(std::string_view b) {
    using namespace std::string_view_literals;
    if (b.starts_with("\xFF\xFE\0\0"sv) || b.starts_with("<\0\0\0"sv))
        return std::make_unique<wxMBConvUTF32LE>();
    if (b.starts_with("\0\0\xFE\xFF"sv) || b.starts_with("\0\0\0<"sv))
        return std::make_unique<wxMBConvUTF32BE>();
    if (b.starts_with("\xFF\xFE"sv) || b.starts_with("<\0"sv))
        return std::make_unique<wxMBConvUTF16LE>();
    if (b.starts_with("\xFE\xFF"sv) || b.starts_with("\0<"sv))
        return std::make_unique<wxMBConvUTF16BE>();
    return nullptr;
}

// Whether `bytes` holds "<!DOCTYPE" or "<!ENTITY", looked for from the rare "!" rather than
// from every "<".
bool DeclaraDtd(std::string_view bytes) {
    for (auto i = bytes.find('!'); i != std::string_view::npos; i = bytes.find('!', i + 1)) {
        if (i == 0 || bytes[i - 1] != '<') continue;
        const std::string_view resto = bytes.substr(i + 1);
        if (resto.starts_with("DOCTYPE") || resto.starts_with("ENTITY")) return true;
    }
    return false;
}

// Whether a character reference ("&#233;", "&#xE9;"; `resto` follows its "&#") is whole and
// names a character a document may hold. pugixml writes any number it reads, as bytes that are
// not UTF-8 or a zero that cuts the text short.
bool ReferenciaValida(std::string_view resto) {
    const bool hexa = resto.starts_with('x');
    if (hexa) resto.remove_prefix(1);
    unsigned long c = 0;
    const char* fim = resto.data() + resto.size();
    const auto [usado, erro] = std::from_chars(resto.data(), fim, c, hexa ? 16 : 10);
    if (erro != std::errc() || usado == resto.data() || usado == fim || *usado != ';') return false;
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Where `texto` first holds what no XML document may: a control character other than tab and
// line ends, a character reference to one (or to no character), or in UTF-8 a malformed
// sequence (overlong, a surrogate, past U+10FFFF, U+FFFE or U+FFFF). npos when nothing. pugixml
// lets these through.
std::size_t ForaDoXml(std::string_view texto, bool utf8) {
    const auto* s = reinterpret_cast<const unsigned char*>(texto.data());
    const std::size_t n = texto.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned c = s[i];
        if (c >= 0x20 && c < 0x80) {
            if (c == '&' && i + 1 < n && s[i + 1] == '#' && !ReferenciaValida(texto.substr(i + 2)))
                return i;
            ++i;
        } else if (c < 0x20) {
            if (c != '\t' && c != '\n' && c != '\r') return i;
            ++i;
        } else if (!utf8) {
            ++i;
        } else {
            std::size_t tamanho = 2;
            unsigned menor = 0x80, maior = 0xBF;  // the second byte's range
            if (c >= 0xE0 && c <= 0xEF) {
                tamanho = 3;
                if (c == 0xE0) menor = 0xA0;
                if (c == 0xED) maior = 0x9F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                tamanho = 4;
                if (c == 0xF0) menor = 0x90;
                if (c == 0xF4) maior = 0x8F;
            } else if (c < 0xC2 || c > 0xDF) {
                return i;
            }
            if (n - i < tamanho || s[i + 1] < menor || s[i + 1] > maior) return i;
            for (std::size_t k = 2; k < tamanho; ++k)
                if ((s[i + k] & 0xC0) != 0x80) return i;
            if (c == 0xEF && s[i + 1] == 0xBF && s[i + 2] >= 0xBE) return i;
            i += tamanho;
        }
    }
    return std::string_view::npos;
}

// The line of `em`, a position pugixml gives: in `bytes` themselves, or in their conversion to
// UTF-8 when they are ISO-8859-1 (each byte from 0x80 on two there).
long Linha(std::string_view bytes, std::ptrdiff_t em, bool latin1) {
    if (em < 0) return 0;
    auto restam = static_cast<std::size_t>(em);
    long linha = 1;
    for (std::size_t i = 0; i < bytes.size() && restam > 0; ++i) {
        const std::size_t ocupa = latin1 && static_cast<unsigned char>(bytes[i]) >= 0x80 ? 2 : 1;
        if (ocupa > restam) break;
        restam -= ocupa;
        if (bytes[i] == '\n') ++linha;
    }
    return linha;
}

}  // namespace

bool LeituraXml::ParaUtf8(std::string_view bytes, const wxMBConv& conversor) {
    const wxString texto(bytes.data(), conversor, bytes.size());
    // A converter may give what is no character (UTF-32 past U+10FFFF), which the toolkit asserts
    // on when it writes it in UTF-8.
    for (const wxUniChar c : texto)
        if (c.GetValue() > 0x10FFFF || (c.GetValue() >= 0xD800 && c.GetValue() <= 0xDFFF))
            return false;
    // Named: the UTF-8 of a temporary string goes with it.
    const wxScopedCharBuffer utf8 = texto.utf8_str();
    if (utf8.length() == 0) return false;
    buffer_.assign(utf8.data(), utf8.length());
    return true;
}

LeituraXml::Resultado LeituraXml::Ler(std::string_view bytes) {
    Resultado r;
    // A fiscal document never declares a DTD: one is never parsed, so no entity is expanded and
    // no other file or address is ever read for it.
    if (DeclaraDtd(bytes)) {
        r.declara_dtd = true;
        return r;
    }
    if (buffer_.capacity() > kMaiorGuardado) std::string().swap(buffer_);
    pugi::xml_encoding codificacao = pugi::encoding_utf8;
    bool convertido = false;
    if (const std::unique_ptr<wxMBConv> largo = ConversorLargo(bytes)) {
        convertido = ParaUtf8(bytes, *largo);
        if (!convertido) {
            r.linha_erro = 1;
            return r;
        }
        if (DeclaraDtd(buffer_)) {
            r.declara_dtd = true;
            return r;
        }
    } else if (const std::string_view declarada = Declarada(bytes);
               Igual(declarada, "ISO-8859-1") || Igual(declarada, "latin1")) {
        codificacao = pugi::encoding_latin1;
    } else if (!declarada.empty() && !Igual(declarada, "UTF-8") && !Igual(declarada, "US-ASCII")) {
        // As the toolkit's XML classes read such a file: its bytes through the converter the
        // declaration names, all of them or none.
        const wxCSConv conversor(wxString::FromUTF8(declarada.data(), declarada.size()));
        convertido = conversor.IsOk() && ParaUtf8(bytes, conversor);
        if (!convertido) {
            r.linha_erro = 1;
            return r;
        }
        // Looked for again in the converted text: an encoding such as UTF-7 hides "<!".
        if (DeclaraDtd(buffer_)) {
            r.declara_dtd = true;
            return r;
        }
    }
    if (!convertido) buffer_.assign(bytes);
    const bool latin1 = codificacao == pugi::encoding_latin1;

    const std::size_t invalido = ForaDoXml(buffer_, !latin1);
    if (invalido != std::string_view::npos) {
        r.linha_erro = Linha(buffer_, static_cast<std::ptrdiff_t>(invalido), false);
        return r;
    }
    const pugi::xml_parse_result lido =
        documento_.load_buffer_inplace(buffer_.data(), buffer_.size(), kOpcoes, codificacao);
    if (!lido) {
        r.linha_erro = Linha(buffer_, lido.offset, latin1);
        return r;
    }
    // pugixml takes a second root element as a sibling of the first: a document has one.
    const pugi::xml_node raiz = documento_.document_element();
    for (pugi::xml_node outro = raiz.next_sibling(); outro; outro = outro.next_sibling()) {
        if (outro.type() == pugi::node_element) {
            r.linha_erro = Linha(buffer_, outro.offset_debug(), latin1);
            return r;
        }
    }
    r.raiz = raiz;
    return r;
}

}  // namespace xmlfiscal
