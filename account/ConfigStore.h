#pragma once

// The per-user settings store that keeps the login. On Windows the registry; elsewhere the
// toolkit's file-based store, reading the machine-wide file as a fallback and writing only the
// user's file, which holds the token and so is created readable by its owner alone.

#include <wx/config.h>

#include <memory>

inline constexpr const char* kNomeAplicacao = "CupomZelkariDashboard";

// A store object for one operation; drop it to flush.
std::unique_ptr<wxConfigBase> AbrirConfiguracao();
