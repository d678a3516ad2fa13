#pragma once

// The categories, their rules, limits and direct placements as a file of their own (JSON), to
// carry them to another computer:
//   {"tipo": "cupom-dashboard-categorias", "versao": 1,
//    "categorias": [{"nome": "Limpeza", "limite_mensal": 150.0,
//                    "regras": ["DET LIQ", "AMAC"], "produtos": ["07891000100103"]}]}

#include <string>
#include <string_view>

#include "categorias/Categorias.h"

namespace categorias {

std::string TextoArquivoCategorias(const Conjunto& conjunto);

// The set a file's text holds, with ids 1, 2, ... in its order. False, with `erro` saying why in
// Portuguese and `conjunto` untouched, for a text that is not such a file: not JSON, another
// kind of document, a newer version, a category without a name or named twice, a rule that is
// not a text or has no word, a limit that is not a positive number.
bool LerTextoCategorias(std::string_view texto, Conjunto& conjunto, std::string& erro);

// The same on files; false with `erro` when the file cannot be written or read (or is larger
// than any such file would be).
bool SalvarArquivoCategorias(const std::string& caminho, const Conjunto& conjunto,
                             std::string& erro);
bool LerArquivoCategorias(const std::string& caminho, Conjunto& conjunto, std::string& erro);

}  // namespace categorias
