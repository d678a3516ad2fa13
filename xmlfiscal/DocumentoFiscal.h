#pragma once

// Reading one fiscal XML file as the person holds it: a CF-e SAT sale or cancellation, an NFC-e or
// NF-e (model 65 or 55, with or without its authorisation) or its cancellation event. Plain code
// with no window and no database; pugixml reads the bytes, after a look that refuses what must
// never be parsed (a DTD, entities, an oversized file).

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "db/CupomLido.h"

namespace xmlfiscal {

// The largest file read: a receipt of a few thousand lines is far below it.
inline constexpr std::size_t kMaiorArquivo = 20 * 1024 * 1024;

// A receipt read from a file, its texts in UTF-8 and owned here.
struct CupomXml {
    struct Linha {
        int seq = 0;
        std::string codigo, descricao, un;
        double qtde = 0, valor_unit = 0, tributos = 0, valor_total = 0, desconto = 0;
    };

    std::string chave;      // the 44 digits
    std::string data_hora;  // YYYYMMDDhhmmss, the local moment as the file writes it
    std::string numero;     // nCFe or nNF
    std::string serie;      // the SAT's serial, or the NF-e's series
    std::string url_consulta;
    std::string obs_cupom;       // infAdic/infCpl
    std::string obs_inf;         // infAdic/obsFisco
    std::string cpf_consumidor;  // or the consumer's CNPJ
    std::string nome_consumidor;
    double valor_total = 0;
    double total_tributos = 0;
    // The issuer's cnpj, ie, im, nome, fantasia, endereco ("xLgr, nro - xCpl"), bairro, cep and
    // municipio, in CupomLido's order.
    std::array<std::string, 9> emitente{};
    std::vector<Linha> linhas;
};

struct Documento {
    enum Tipo { kCupom, kCancelamento, kRecusado };
    Tipo tipo = kRecusado;
    CupomXml cupom;      // kCupom
    std::string chave;   // the key of a receipt or of the cancelled one
    std::string motivo;  // kRecusado: why, in Portuguese (UTF-8)
};

// Reads `bytes`, a whole file. Never throws: what cannot be read whole is kRecusado with its
// reason. UTF-8 and ISO-8859-1 files are read, as their declaration says.
Documento LerDocumento(std::string_view bytes);

// Whether `chave` is 44 digits whose last is the modulus-11 check digit of the others.
bool ChaveValida(std::string_view chave);

// The receipt as the import stores it, its texts views into `cupom` (which must outlive it);
// `id` 0, as a receipt that no service numbered.
CupomLido ParaCupomLido(const CupomXml& cupom);

}  // namespace xmlfiscal
