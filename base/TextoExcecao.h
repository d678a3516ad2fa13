#pragma once

// The text of an exception as a person may read it in a message box or a log line.

#include <wx/string.h>

#include <cstddef>
#include <exception>

// The longest exception text shown. The JSON parser quotes the token it stopped in, which in a
// reply of one unterminated string is the whole reply: megabytes in a message box would freeze
// the window.
inline constexpr std::size_t kMaxTextoExcecao = 500;

// `texto` (UTF-8, as SQLite and the JSON parser write it) cut to kMaxTextoExcecao bytes with
// "..." after the cut. Bytes that are not valid UTF-8 (a parser quoting a reply in another
// encoding, a character cut in two) show as octal escapes instead of emptying the message.
wxString TextoDaExcecao(const char* texto);
inline wxString TextoDaExcecao(const std::exception& e) {
    return TextoDaExcecao(e.what());
}
