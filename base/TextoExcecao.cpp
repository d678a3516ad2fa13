#include "base/TextoExcecao.h"

#include <wx/strconv.h>

#include <cstring>
#include <string>

wxString TextoDaExcecao(const char* texto) {
    std::string curto(texto, strnlen(texto, kMaxTextoExcecao + 1));
    if (curto.size() > kMaxTextoExcecao) {
        curto.resize(kMaxTextoExcecao);
        curto += "...";
    }
    return wxString(curto.c_str(), wxMBConvUTF8(wxMBConvUTF8::MAP_INVALID_UTF8_TO_OCTAL));
}
