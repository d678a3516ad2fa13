#include "account/RespostaLogin.h"

#include <nlohmann/json.hpp>

std::optional<std::string> LerSegredoLogin(const std::string& corpo) {
    const auto j = nlohmann::json::parse(corpo, nullptr, /*allow_exceptions=*/false,
                                         /*ignore_comments=*/false);
    if (!j.is_object()) return std::nullopt;
    const auto it = j.find("secret");
    if (it == j.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}
