#pragma once

// The generated receipts as the fiscal XML files a person keeps: each one a CF-e SAT or an NFC-e
// with its authorisation, in a folder per month, and one month's receipts in a zip. The files are
// unsigned (nothing here holds a certificate); everything else is what the layouts carry, with
// totals that add up to the feed's.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace servico {

enum class LeiauteXml { kCFeSat, kNFCe };

// The layout of a receipt's file, drawn from its key (the digit before the check digit): a
// receipt keeps its layout whatever span of receipts is written, and the two come about evenly.
LeiauteXml LeiauteDoCupom(const nlohmann::json& cupom);

// One receipt of the feed as a file's bytes (UTF-8). The access key stays the feed's, so the
// receipt read from its file and the same receipt synchronised are one receipt. An NFC-e numbers
// itself as its layout asks (nNF without leading zeros, series 1) and gives its state's consult
// address; a CF-e carries no consult address.
std::string XmlDoCupom(const nlohmann::json& cupom, LeiauteXml leiaute);

struct ArquivoZip {
    std::string nome;
    std::string bytes;
    std::string momento;  // AAAAMMDDhhmmss, the file's date in the zip
};

// A zip of `arquivos`, deflated, their names in UTF-8.
std::string Zip(const std::vector<ArquivoZip>& arquivos);

struct ResumoXml {
    int cfe = 0;
    int nfce = 0;
    int no_zip = 0;  // of the two counts, the receipts written into the zip
};

// Writes every receipt of `cupons` under `pasta` (created when missing) as
// "AAAA-MM/<key>-cfe.xml" or "AAAA-MM/<key>-nfce.xml"; with `zip`, the receipts of the last month
// go in "AAAA-MM.zip" instead. Throws std::runtime_error when a file cannot be written, and
// std::invalid_argument for a receipt without a 44-digit key or a AAAAMMDDhhmmss moment.
ResumoXml EscreverXml(const nlohmann::json& cupons, const std::string& pasta, bool zip = true);

}  // namespace servico
