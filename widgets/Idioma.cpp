#include "widgets/Idioma.h"

#include <wx/arrstr.h>
#include <wx/buffer.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace controles {
namespace {

constexpr const char* kLocalidadesBrasileiras[] = {"pt_BR.UTF-8", "pt_BR.utf8"};
// gettext, through which GTK translates, takes this list before the locale's own language (an
// English desktop often sets LANGUAGE), but it ignores the list under the plain "C" locale.
constexpr const char* kIdiomasGettext = "pt_BR:pt";
constexpr const char* kLocalidadeNeutra = "C.UTF-8";

// GTK brings its own translations, and wxGTK's dialogs use GTK's stock buttons. What wxWidgets
// writes itself needs its catalogue, which Debian 12's wx3.2-i18n does not carry in Portuguese:
// the texts of it this program can show are translated here.
constexpr const char* kDominioProprio = "cupom-dashboard-wx";
struct Traducao {
    const char* original;
    const wchar_t* traduzida;
};
constexpr Traducao kTraducoes[] = {
    // The context menu of the styled text controls (the SQL terminal, the synchronisation log).
    {"Undo", L"Desfazer"},
    {"Redo", L"Refazer"},
    {"Cut", L"Recortar"},
    {"Copy", L"Copiar"},
    {"Paste", L"Colar"},
    {"Delete", L"Excluir"},
    {"Select All", L"Selecionar tudo"},
    // The progress dialog of an import of fiscal files, and the box of its outcome.
    {"Elapsed time:", L"Tempo decorrido:"},
    {"Estimated time:", L"Tempo estimado:"},
    {"Remaining time:", L"Tempo restante:"},
    {"Unknown", L"Desconhecido"},
    {"&Skip", L"&Pular"},
    {"&See details", L"&Ver detalhes"},
    {"&Hide details", L"&Ocultar detalhes"},
};

bool LocalidadeC(const char* nome) {
    return !nome || std::strcmp(nome, "C") == 0 || std::strcmp(nome, "POSIX") == 0;
}

// The table as a GNU message catalogue (.mo), which is what the toolkit reads: the header's
// charset says UTF-8, or the texts would be decoded through the C library's locale.
std::string CatalogoMo() {
    std::vector<std::pair<std::string, std::string>> pares = {
        {"", "Content-Type: text/plain; charset=UTF-8\n"}};
    for (const Traducao& t : kTraducoes)
        pares.emplace_back(t.original, wxString(t.traduzida).utf8_string());
    std::sort(pares.begin(), pares.end());

    const auto n = static_cast<std::uint32_t>(pares.size());
    const std::uint32_t originais = 28, traduzidas = originais + 8 * n;
    std::string mo(traduzidas + 8 * n, '\0');
    auto escrever = [&mo](std::size_t pos, std::size_t valor) {
        for (int i = 0; i < 4; ++i) mo[pos + i] = static_cast<char>((valor >> (8 * i)) & 0xFF);
    };
    escrever(0, 0x950412de);  // magic, little-endian; revision 0; no hash table
    escrever(8, n);
    escrever(12, originais);
    escrever(16, traduzidas);
    escrever(24, mo.size());
    auto acrescentar = [&](std::size_t entrada, const std::string& texto) {
        escrever(entrada, texto.size());
        escrever(entrada + 4, mo.size());
        mo += texto;
        mo += '\0';
    };
    for (std::uint32_t i = 0; i < n; ++i) acrescentar(originais + 8 * i, pares[i].first);
    for (std::uint32_t i = 0; i < n; ++i) acrescentar(traduzidas + 8 * i, pares[i].second);
    return mo;
}

// The files of the system (a wxWidgets catalogue, when one is installed), and the table above for
// the program's own domain.
class Carregador : public wxFileTranslationsLoader {
public:
    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString& lang) override {
        if (domain != kDominioProprio) return wxFileTranslationsLoader::LoadCatalog(domain, lang);
        if (!lang.StartsWith("pt")) return nullptr;
        const std::string mo = CatalogoMo();
        return wxMsgCatalog::CreateFromData(
            wxScopedCharBuffer::CreateNonOwned(mo.data(), mo.size()), domain);
    }
    wxArrayString GetAvailableTranslations(const wxString& domain) const override {
        if (domain != kDominioProprio)
            return wxFileTranslationsLoader::GetAvailableTranslations(domain);
        wxArrayString idiomas;
        idiomas.Add("pt_BR");
        return idiomas;
    }
};

}  // namespace

void FalarPortugues() {
    setenv("LANGUAGE", kIdiomasGettext, 1);

    bool brasileira = false;
    for (const char* nome : kLocalidadesBrasileiras) {
        if (std::setlocale(LC_ALL, nome)) {
            brasileira = true;
            break;
        }
    }
    if (!brasileira) {
        std::setlocale(LC_ALL, "");
        if (LocalidadeC(std::setlocale(LC_MESSAGES, nullptr)))
            std::setlocale(LC_MESSAGES, kLocalidadeNeutra);
    }
    // A comma locale must never reach a number: the receipts' feed, the database's texts, the
    // grids' cells and the CSV files all use ".".
    std::setlocale(LC_NUMERIC, "C");

    // The toolkit reads its catalogues itself, for the language named here. Its number formatting
    // keeps following the "C" locale, since no wxLocale or wxUILocale is made.
    auto* traducoes = new wxTranslations;
    traducoes->SetLoader(new Carregador);
    traducoes->SetLanguage(wxLANGUAGE_PORTUGUESE_BRAZILIAN);
    traducoes->AddStdCatalog();
    traducoes->AddCatalog(kDominioProprio);  // added last, searched first
    wxTranslations::Set(traducoes);
}

}  // namespace controles
