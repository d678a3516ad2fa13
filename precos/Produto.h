#pragma once

// What makes two item lines the same product, and finding products by typed words. Plain code on
// UTF-8 text (the database's own bytes), with no window and no database.
//
// The same product comes with other descriptions from other stores. A line whose code is a
// valid GTIN is known by that code; any other line by its normalised description. A GTIN of
// restricted circulation is numbered by each store for its own items (weighed goods, in-store
// labels), so it names a product only within the store that printed it.

#include <string>
#include <string_view>
#include <vector>

namespace precos {

// Upper case, accents removed (Latin letters), runs of blanks and control characters made one
// blank, trimmed. Bytes that are not UTF-8 are dropped.
std::string Normalizar(std::string_view texto);

// 8, 12, 13 or 14 digits (blanks around them ignored) ending in the right check digit, and not
// all zeros (the code stores print when an item has none).
bool GtinValido(std::string_view codigo);

// A valid GTIN of restricted circulation: a GTIN-13 beginning with 2, a GTIN-8 beginning with 0
// or 2, a GTIN-12 beginning with 2 or 4. Read on the number, whatever its leading zeros: a
// GTIN-12 written with 13 or 14 digits is still one.
bool GtinRestrito(std::string_view codigo);

// The identity of an item line: its GTIN when the code is one (written with 14 digits, so a
// GTIN-13 and the same number with a leading zero agree), else its normalised description. A
// restricted GTIN is followed by "@" and `cnpj`, the store of the line.
std::string ChaveProduto(std::string_view codigo, std::string_view descricao,
                         std::string_view cnpj = {});

// The store part of an identity that has one ("@" and the CNPJ); empty otherwise.
std::string_view LojaDaChave(std::string_view chave);

// The normalised words of a search text.
std::vector<std::string> PalavrasBusca(std::string_view digitado);

// Whether every word appears somewhere in `texto_busca` (a product's normalised descriptions and
// codes): in any order, as parts of longer words too, so a word half typed already matches.
bool Corresponde(const std::vector<std::string>& palavras, std::string_view texto_busca);

}  // namespace precos
