#pragma once

// Where the receipt service lives. The built-in address is replaced by the environment variable
// CUPOM_SERVICE_URL (scheme, host and port, no path), which is how a local service is used.

#include <wx/string.h>

namespace web {

// The base URL without a trailing slash, e.g. "https://127.0.0.1:8443".
wxString ServiceBaseUrl();

// The base URL followed by `path`, which starts with a slash ("/cupom/api.php").
wxString ServiceUrl(const wxString& path);

// The host name of the base URL ("127.0.0.1" for "https://127.0.0.1:8443").
wxString ServiceHost();

}  // namespace web
