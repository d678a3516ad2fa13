#include "account/ConfigStore.h"

#ifdef __WXMSW__
#include <wx/msw/regconf.h>
#else
#include <sys/stat.h>
#include <wx/fileconf.h>
#endif

namespace {

#ifndef __WXMSW__
constexpr int kEstilo = wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE;

// wxFileConfig writes through a temporary file that copies the mode of the file it replaces, so a
// file once left readable by others (0644) would keep the token readable for good; the umask only
// covers a file created anew. The group and other bits are dropped before every write.
class ConfiguracaoUsuario : public wxFileConfig {
public:
    using wxFileConfig::wxFileConfig;
    // The base destructor flushes too, but by then this class's Flush no longer runs.
    ~ConfiguracaoUsuario() override { Flush(); }

    bool Flush(bool somente_grupo_atual = false) override {
        const wxString arquivo = GetLocalFileName(kNomeAplicacao, kEstilo);
        struct stat st {};
        if (::stat(arquivo.fn_str(), &st) == 0 && (st.st_mode & 077) != 0)
            ::chmod(arquivo.fn_str(), st.st_mode & 0700);
        return wxFileConfig::Flush(somente_grupo_atual);
    }
};
#endif

}  // namespace

std::unique_ptr<wxConfigBase> AbrirConfiguracao() {
#ifdef __WXMSW__
    auto config = std::make_unique<wxRegConfig>(kNomeAplicacao, wxEmptyString, wxEmptyString,
                                                wxEmptyString, wxCONFIG_USE_GLOBAL_FILE);
#else
    // wxCONFIG_USE_GLOBAL_FILE alone would never write the user's file on this platform.
    auto config = std::make_unique<ConfiguracaoUsuario>(kNomeAplicacao, wxEmptyString,
                                                        wxEmptyString, wxEmptyString, kEstilo);
    config->SetUmask(0077);
#endif
    // Values are read back exactly as written: a user name or a token holding "$HOME", "${X}",
    // "%X%" or a backslash must not turn into the environment's values.
    config->SetExpandEnvVars(false);
    return config;
}
