// The login reply body as the service (or anyone answering in its place) might send it. Any body
// must either be refused or give a token that survives the trip into the stored login: decoded
// from UTF-8 into the program's string and back without loss, so that what is stored and later
// sent as "secret-key" is exactly what the service issued.

#include <wx/string.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "account/RespostaLogin.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string corpo(reinterpret_cast<const char*>(data), size);
    const auto segredo = LerSegredoLogin(corpo);
    if (!segredo) return 0;

    const wxString token = wxString::FromUTF8(segredo->data(), segredo->size());
    if (token.ToStdString(wxConvUTF8) != *segredo) {
        std::fprintf(stderr, "\n*** the token does not survive the UTF-8 round trip\n");
        __builtin_trap();
    }
    return 0;
}
