// A fiscal XML file as anyone might hand it over. Any bytes must either be refused with a reason,
// or give a cancellation or a receipt whose key passes its check digit and whose moment is 14
// digits; and every text read, the reason included, must be UTF-8 that the program's strings take
// whole (the windows show them through wxString::FromUTF8) with no control character but tab and
// line ends, whatever the file's encoding, references or CDATA.

#include <wx/string.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "xmlfiscal/DocumentoFiscal.h"

namespace {

[[noreturn]] void Violacao(const char* mensagem, const std::string& texto) {
    std::fprintf(stderr, "\n*** invariant violated: %s: \"%s\"\n", mensagem, texto.c_str());
    __builtin_trap();
}

void Conferir(const std::string& texto) {
    for (const char c : texto)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            Violacao("a control character in a text read", texto);
    if (wxString::FromUTF8(texto.data(), texto.size()).utf8_string() != texto)
        Violacao("a text read is not UTF-8", texto);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using xmlfiscal::Documento;
    const Documento d =
        xmlfiscal::LerDocumento(std::string_view(reinterpret_cast<const char*>(data), size));
    Conferir(d.motivo);
    Conferir(d.chave);
    switch (d.tipo) {
        case Documento::kRecusado:
            if (d.motivo.empty()) Violacao("refused without a reason", d.chave);
            return 0;
        case Documento::kCancelamento:
            if (!xmlfiscal::ChaveValida(d.chave)) Violacao("a cancellation's key is wrong", d.chave);
            return 0;
        case Documento::kCupom:
            break;
    }
    const xmlfiscal::CupomXml& c = d.cupom;
    if (!xmlfiscal::ChaveValida(c.chave) || c.chave != d.chave)
        Violacao("a receipt's key is wrong", c.chave);
    if (c.data_hora.size() != 14 || c.data_hora.find_first_not_of("0123456789") != std::string::npos)
        Violacao("a receipt's moment is not 14 digits", c.data_hora);
    for (const std::string* t : {&c.numero, &c.serie, &c.url_consulta, &c.obs_cupom, &c.obs_inf,
                                 &c.cpf_consumidor, &c.nome_consumidor})
        Conferir(*t);
    for (const std::string& t : c.emitente) Conferir(t);
    for (const xmlfiscal::CupomXml::Linha& l : c.linhas)
        for (const std::string* t : {&l.codigo, &l.descricao, &l.un}) Conferir(*t);
    return 0;
}
