// cupom-relatorios: the reports of the "Relatórios" window as CSV on standard output, computed by
// the same code, from a receipt database opened read-only.
//
//   cupom-relatorios BANCO.db lojas|meses|anos|ano-a-ano|produtos|inflacao|categorias
//                    [--de AAAA-MM] [--ate AAAA-MM] [--filiais]
//
// Exit status 0 on success; 2, with one Portuguese line on standard error, for a bad argument, a
// missing file or a file that is not a receipt database.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "categorias/ArmazemCategorias.h"
#include "categorias/RelatorioCategorias.h"
#include "relatorios/ArquivoSomenteLeitura.h"
#include "relatorios/CsvRelatorios.h"
#include "relatorios/MinhaInflacao.h"
#include "relatorios/Periodo.h"
#include "relatorios/RelatorioLojas.h"
#include "relatorios/RelatorioMeses.h"
#include "relatorios/RelatorioProdutos.h"

namespace {

using namespace relatorios;

constexpr int kErroDeUso = 2;
constexpr const char* kUso =
    "uso: cupom-relatorios BANCO.db lojas|meses|anos|ano-a-ano|produtos|inflacao|categorias "
    "[--de AAAA-MM] [--ate AAAA-MM] [--filiais]";

int Falhar(const std::string& linha) {
    std::fprintf(stderr, "cupom-relatorios: %s\n", linha.c_str());
    return kErroDeUso;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Falhar(kUso);
    const std::string caminho = argv[1];
    const std::string relatorio = argv[2];
    static constexpr std::string_view kRelatorios[] = {
        "lojas", "meses", "anos", "ano-a-ano", "produtos", "inflacao", "categorias"};
    bool conhecido = false;
    for (std::string_view r : kRelatorios) conhecido |= r == relatorio;
    if (!conhecido)
        return Falhar("relat\xc3\xb3rio desconhecido: " + relatorio + " (" + kUso + ")");

    std::optional<int> de, ate;
    bool filiais = false;
    for (int i = 3; i < argc; ++i) {
        const std::string_view opcao = argv[i];
        if (opcao == "--filiais") {
            filiais = true;
        } else if (opcao == "--de" || opcao == "--ate") {
            if (i + 1 >= argc) return Falhar(std::string(opcao) + " pede um m\xc3\xaas AAAA-MM");
            const std::optional<int> mes = LerMes(argv[++i]);
            if (!mes)
                return Falhar(std::string("m\xc3\xaas inv\xc3\xa1lido para ") + std::string(opcao) +
                              ": " + argv[i] + " (use AAAA-MM)");
            (opcao == "--de" ? de : ate) = mes;
        } else {
            return Falhar("op\xc3\xa7\xc3\xa3o desconhecida: " + std::string(opcao) + " (" + kUso +
                          ")");
        }
    }
    if (de && ate && *de > *ate) return Falhar("--de vem depois de --ate");

    ArquivoSomenteLeitura arquivo(caminho);
    if (!arquivo.Aberto()) return Falhar(arquivo.Erro());
    DadosRelatorios dados;
    if (!CarregarDados(arquivo, dados)) return Falhar(arquivo.Erro());

    // Without --de and --ate, the whole database.
    const Periodo periodo = PeriodoEntre(de, ate, dados);
    std::string csv;
    if (relatorio == "lojas") {
        csv = CsvLojas(RelatorioLojas(dados, periodo, filiais));
    } else if (relatorio == "meses") {
        csv = CsvMeses(RelatorioMeses(dados, periodo));
    } else if (relatorio == "anos") {
        csv = CsvAnos(RelatorioAnos(dados, periodo));
    } else if (relatorio == "ano-a-ano") {
        csv = CsvAnoAAno(RelatorioAnoAAno(dados, periodo));
    } else if (relatorio == "produtos") {
        csv = CsvProdutos(RelatorioProdutos(dados, periodo));
    } else if (relatorio == "categorias") {
        // The person's categories when the file has them, else the built-in ones.
        categorias::ConexaoSqlite conexao(arquivo.Conexao());
        categorias::ArmazemCategorias armazem(conexao);
        categorias::Conjunto conjunto;
        if (!armazem.Carregar(conjunto)) return Falhar(caminho + ": " + armazem.Erro());
        csv = categorias::CsvCategorias(categorias::RelatorioCategorias(
            dados, conjunto, categorias::Classificar(dados, conjunto), periodo));
    } else {
        csv = CsvInflacao(RelatorioInflacao(dados, periodo));
    }
    if (std::fwrite(csv.data(), 1, csv.size(), stdout) != csv.size() || std::fflush(stdout) != 0)
        return Falhar("n\xc3\xa3o foi poss\xc3\xadvel escrever a sa\xc3\xad" "da");
    return 0;
}
