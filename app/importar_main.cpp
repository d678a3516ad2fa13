// cupom-importar: fiscal XML files (CF-e SAT, NFC-e, NF-e; files, folders with their subfolders,
// zips) imported into a receipt database without a window, for a folder that a script fills.
//
//   cupom-importar BANCO.db ARQUIVO|PASTA...
//
// Prints the summary on standard output and each refused file with its reason on standard
// error. Exit status 0 when every file went in or was already there, 1 when some were refused,
// 2 for a usage error or a database that cannot be opened or written. The database is created
// with the schema when it does not exist yet.

#include <wx/init.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "db/BancoDados.h"
#include "xmlfiscal/ImportacaoXml.h"

namespace {

constexpr int kRecusados = 1;
constexpr int kErroDeUso = 2;

int Falhar(const std::string& linha) {
    std::fprintf(stderr, "cupom-importar: %s\n", linha.c_str());
    return kErroDeUso;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Falhar("uso: cupom-importar BANCO.db ARQUIVO|PASTA...");
    wxInitializer toolkit;
    if (!toolkit.IsOk()) return Falhar("não foi possível iniciar a biblioteca wxWidgets");

    std::vector<std::string> caminhos(argv + 2, argv + argc);
    try {
        BancoDados banco(wxString::FromUTF8(argv[1]));
        if (!banco.GetErro().empty()) return Falhar(banco.GetErro().utf8_string());
        const xmlfiscal::ResumoImportacao resumo =
            xmlfiscal::ImportarXml(banco, caminhos, [](const std::string&) { return true; });
        if (resumo.falhou) return Falhar("nada foi importado: " + resumo.erro);
        for (const xmlfiscal::ArquivoRecusado& r : resumo.recusados)
            std::fprintf(stderr, "%s: %s\n", r.nome.c_str(), r.motivo.c_str());
        for (const xmlfiscal::CancelamentoLido& c : resumo.cancelamentos)
            std::printf("%s: cancelamento %s%s\n", c.nome.c_str(), c.chave.c_str(),
                        c.guardado ? " (cupom guardado: cancelado)" : "");
        std::printf("%s\n", xmlfiscal::TextoResumo(resumo).c_str());
        return resumo.recusados.empty() ? 0 : kRecusados;
    } catch (const std::exception& e) {
        return Falhar(std::string(argv[1]) + ": " + e.what());
    }
}
