#include "account/ConfigStore.h"

#ifdef __WXMSW__
#include <wx/msw/regconf.h>
#else
#include <wx/fileconf.h>
#endif

std::unique_ptr<wxConfigBase> AbrirConfiguracao() {
#ifdef __WXMSW__
    return std::make_unique<wxRegConfig>(kNomeAplicacao, wxEmptyString, wxEmptyString,
                                         wxEmptyString, wxCONFIG_USE_GLOBAL_FILE);
#else
    // wxCONFIG_USE_GLOBAL_FILE alone would never write the user's file on this platform.
    auto config = std::make_unique<wxFileConfig>(kNomeAplicacao, wxEmptyString, wxEmptyString,
                                                 wxEmptyString,
                                                 wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE);
    config->SetUmask(0077);
    return config;
#endif
}
