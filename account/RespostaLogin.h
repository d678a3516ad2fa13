#pragma once

#include <optional>
#include <string>

// The token ("secret") of a login reply body, or nothing when the body is not a JSON object
// holding it as a string: such a reply counts as a failed login.
std::optional<std::string> LerSegredoLogin(const std::string& corpo);
