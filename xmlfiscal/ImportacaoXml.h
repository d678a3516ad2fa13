#pragma once

// Importing fiscal XML files into the receipt database: files, folders with their subfolders, and
// zips read in memory, each file whole or not at all, beside the receipts of the service (a key
// already stored, wherever it came from, is counted as already held and changes nothing).

#include <functional>
#include <string>
#include <vector>

class BancoDados;

namespace xmlfiscal {

// Limits of a zip, checked before anything of it is unpacked and again while it is.
inline constexpr unsigned long long kMaiorZipDescompactado = 1024ULL * 1024 * 1024;
inline constexpr unsigned long long kMaiorTaxaZip = 100;

struct ArquivoRecusado {
    std::string nome;    // as the person knows it: a path, or "zip: name inside" as written
    std::string motivo;  // in Portuguese
};

struct CancelamentoLido {
    std::string nome;
    std::string chave;
    bool guardado = false;  // the cancelled receipt is in the database
};

struct ResumoImportacao {
    int importados = 0;
    int existentes = 0;
    std::vector<ArquivoRecusado> recusados;
    std::vector<CancelamentoLido> cancelamentos;
    bool cancelada = false;  // stopped by the person: nothing was stored
    bool falhou = false;     // the database refused the receipts: nothing was stored
    std::string erro;        // why it failed
};

// "N cupons importados, M já existentes, K recusados".
std::string TextoResumo(const ResumoImportacao& resumo);

// Reads every file of `caminhos` (a folder: its *.xml and *.zip files, subfolders included) and
// stores their receipts in one transaction. `continuar` receives the name of each file before it
// is read and returns false to stop: then nothing is stored.
ResumoImportacao ImportarXml(BancoDados& banco, const std::vector<std::string>& caminhos,
                             const std::function<bool(const std::string& arquivo)>& continuar);

}  // namespace xmlfiscal
