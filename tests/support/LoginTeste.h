#pragma once

// The stored login as tests write and read it, straight in the settings store.

#include <wx/string.h>

#include <ostream>

namespace teste {

struct LoginGravado {
    wxString id;
    wxString usuario;
    wxString token;
    bool operator==(const LoginGravado&) const = default;
};

inline void PrintTo(const LoginGravado& login, std::ostream* os) {
    *os << "{" << login.id.utf8_string() << ", " << login.usuario.utf8_string() << ", "
        << login.token.utf8_string() << "}";
}

// Writes the three values of the stored login to the settings store.
void GravarLogin(const LoginGravado& login);
// Reads them back, with `ausente` for a value that is not stored at all.
LoginGravado LerLogin(const wxString& ausente = wxString());

}  // namespace teste
