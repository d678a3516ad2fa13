// The reading of a reply by the synchronisation against the JSON library itself. Whenever the
// quick pass is sure that a reply is valid, the library must parse it too; and for an array, the
// elements the pass found, built one by one by the reader, must be the library's elements exactly:
// the same values of the same types (integer, unsigned, real; the sign of a zero). When the pass
// is unsure, the worker asks the library, so a reply the pass declines is never wrong, only slower.
// Likewise a receipt read straight from its text must store exactly what reading its element as a
// document stores, and an index made in two passes (a beginning, then the whole) must be the
// index made in one.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

#include "sync/LeituraFeed.h"

namespace {

using nlohmann::json;

[[noreturn]] void Violacao(const char* mensagem) {
    std::fprintf(stderr, "\n*** invariant violated: %s\n", mensagem);
    __builtin_trap();
}

bool Identicos(const json& a, const json& b) {
    if (a.type() != b.type()) return false;
    if (a.is_object()) {
        if (a.size() != b.size()) return false;
        for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib)
            if (ia.key() != ib.key() || !Identicos(*ia, *ib)) return false;
        return true;
    }
    if (a.is_array()) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!Identicos(a[i], b[i])) return false;
        return true;
    }
    if (a.is_number_float())
        return a.get<double>() == b.get<double>() &&
               std::signbit(a.get<double>()) == std::signbit(b.get<double>());
    return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view texto(reinterpret_cast<const char*>(data), size);
    const auto indice = feed::Indexar(texto);

    // The same index when a first pass read only a beginning of the text (as during a download).
    for (const std::size_t corte : {size / 2, size ? size * data[0] / 256 : 0}) {
        feed::IndexadorParcial parcial;
        parcial.Avancar(texto.substr(0, corte));
        if (parcial.Concluir(texto) != indice) Violacao("indexing in parts gave another index");
    }

    json documento;
    bool valido = true;
    try {
        documento = json::parse(texto);
    } catch (const std::exception&) {
        valido = false;
    }
    if (!indice) return 0;
    if (!valido) Violacao("the pass accepted what the library rejects");
    if (indice->lista != documento.is_array()) Violacao("top-level kind differs");
    if (!indice->lista) return 0;
    if (indice->elementos.size() != documento.size()) Violacao("element count differs");

    feed::Leitor<json> leitor(texto, *indice, feed::ConstruirElemento);
    json elemento;
    std::size_t i = 0;
    while (leitor.Proximo(elemento)) {
        if (i >= documento.size()) Violacao("the reader gave more elements than there are");
        if (!Identicos(elemento, documento[i])) Violacao("an element read differs");
        // A receipt read straight from its text stores what reading its document stores.
        const feed::Trecho& trecho = indice->elementos[i];
        CupomLido direto;
        if (feed::LerCupom(texto.substr(trecho.inicio, trecho.fim - trecho.inicio), direto)) {
            CupomLido pelo_documento;
            try {
                LerCupom(documento[i], pelo_documento);
            } catch (const std::exception&) {
                Violacao("a receipt read straight is one the document's reading rejects");
            }
            if (!MesmosValores(direto, pelo_documento))
                Violacao("a receipt read straight differs from its document's reading");
        }
        ++i;
    }
    if (i != documento.size()) Violacao("the reader gave fewer elements than there are");
    return 0;
}
