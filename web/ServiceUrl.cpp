#include "web/ServiceUrl.h"

#include <wx/uri.h>

#include <cstdlib>

namespace web {
namespace {
constexpr const char* kDefaultBaseUrl = "https://zelkari.com.br";
}

wxString ServiceBaseUrl() {
    wxString base = kDefaultBaseUrl;
    if (const char* env = std::getenv("CUPOM_SERVICE_URL"); env && *env) {
        base = wxString::FromUTF8(env);
    }
    while (base.EndsWith("/")) base.RemoveLast();
    return base;
}

wxString ServiceUrl(const wxString& path) { return ServiceBaseUrl() + path; }

wxString ServiceHost() {
    wxURI uri(ServiceBaseUrl());
    return uri.GetServer();
}

}  // namespace web
