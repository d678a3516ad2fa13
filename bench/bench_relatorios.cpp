// Benchmark of the reports on ten years of receipts: 36,000 receipts (ten years from 2016, 300 a
// month, about 830,000 item lines) from the sample-data generator, imported as a synchronisation
// would, or the database file given on the command line.
//
// Times: the data read through BancoDados (the window's load) and through the read-only file
// (the command's); opening on the default period (read, then every report on the last twelve
// months); each report on "Tudo" and on one year (a change of period); the inflation index on
// "Tudo". Wall clock and CPU of this process, best, median and worst of several runs. Targets:
// open 300 ms; a change of period 150 ms for stores, months, years side by side and products,
// 500 ms for the inflation index on "Tudo".
//
// Needs no display. Works in a temporary folder of its own and removes it at the end.
//
//   bench_relatorios [database.db]     with BENCH_RELATORIOS_MANTER=1 set, the folder stays

#include <time.h>
#include <unistd.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "account/ConfigStore.h"
#include "db/BancoDados.h"
#include "relatorios/ArquivoSomenteLeitura.h"
#include "relatorios/LeituraRelatorios.h"
#include "relatorios/MinhaInflacao.h"
#include "relatorios/RelatorioLojas.h"
#include "relatorios/RelatorioMeses.h"
#include "relatorios/RelatorioProdutos.h"
#include "service/GeradorCupons.h"

namespace {

using Relogio = std::chrono::steady_clock;
using namespace relatorios;

constexpr int kRepeticoes = 7;

void Falhar(const std::string& texto) {
    std::fprintf(stderr, "bench_relatorios: %s\n", texto.c_str());
    std::exit(1);
}

double SegundosCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Medida {
    double ms = 0;
    double cpu_ms = 0;
};

void Medir(const char* nome, double alvo_ms, const std::function<void()>& f) {
    std::vector<Medida> medidas;
    for (int i = 0; i < kRepeticoes; ++i) {
        const auto inicio = Relogio::now();
        const double cpu = SegundosCpu();
        f();
        medidas.push_back(
            {std::chrono::duration<double, std::milli>(Relogio::now() - inicio).count(),
             (SegundosCpu() - cpu) * 1000});
    }
    std::sort(medidas.begin(), medidas.end(),
              [](const Medida& a, const Medida& b) { return a.ms < b.ms; });
    const Medida& mediana = medidas[medidas.size() / 2];
    std::printf("  %-48s best %7.1f ms (CPU %7.1f)  median %7.1f ms  worst %7.1f ms", nome,
                medidas.front().ms, medidas.front().cpu_ms, mediana.ms, medidas.back().ms);
    if (alvo_ms > 0)
        std::printf("  [target %.0f ms: %s]", alvo_ms, mediana.ms <= alvo_ms ? "ok" : "OVER");
    std::printf("\n");
    std::fflush(stdout);
}

// Every report of a period, as the window computes them when the period changes.
void TodosOsRelatorios(const DadosRelatorios& dados, const Periodo& periodo) {
    RelatorioLojas(dados, periodo, false);
    RelatorioMeses(dados, periodo);
    RelatorioAnos(dados, periodo);
    RelatorioAnoAAno(dados, periodo);
    RelatorioProdutos(dados, periodo);
    RelatorioInflacao(dados, periodo);
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dado =
        argc >= 2 ? std::filesystem::absolute(argv[1]) : std::filesystem::path();
    std::string modelo =
        (std::filesystem::temp_directory_path() / "bench_relatorios.XXXXXX").string();
    if (!mkdtemp(modelo.data())) Falhar("mkdtemp");
    const std::filesystem::path pasta = modelo;
    setenv("HOME", pasta.c_str(), 1);
    setenv("XDG_CONFIG_HOME", pasta.c_str(), 1);
    std::filesystem::current_path(pasta);
    {
        wxInitializer toolkit;
        if (!toolkit.IsOk()) Falhar("cannot start wxWidgets");
        AbrirConfiguracao()->Write("/Login/Usuario", wxString("bench"));
        const std::string arquivo = (pasta / NomeArquivoBanco("bench").ToStdString()).string();
        if (!dado.empty()) {
            std::filesystem::copy_file(dado, arquivo);
        } else {
            servico::OpcoesGerador opcoes;
            opcoes.ano_inicial = 2016;
            opcoes.anos = 10;
            opcoes.cupons_por_mes = 300;
            std::printf("Generating and importing 36,000 receipts...\n");
            std::fflush(stdout);
            BancoDados banco;
            banco.ImportarCupons(servico::GerarCupons(opcoes), [](wxString) { return true; });
        }

        BancoDados banco;
        DadosRelatorios dados;
        if (!CarregarDados(banco, dados)) Falhar(banco.GetErro().ToStdString());
        std::printf("%zu receipts, %zu item lines, %zu products, %zu stores\n", dados.cupons.size(),
                    dados.itens.size(), dados.produtos.size(), dados.lojas.size());

        Medir("read through BancoDados", 0, [&] {
            DadosRelatorios d;
            if (!CarregarDados(banco, d)) Falhar(banco.GetErro().ToStdString());
        });
        Medir("read from the file, read-only (the command)", 0, [&] {
            ArquivoSomenteLeitura leitor(arquivo);
            DadosRelatorios d;
            if (!CarregarDados(leitor, d)) Falhar(leitor.Erro());
        });
        Medir("open: read, every report on the last 12 months", 300, [&] {
            DadosRelatorios d;
            if (!CarregarDados(banco, d)) Falhar(banco.GetErro().ToStdString());
            TodosOsRelatorios(d, PeriodoUltimos12Meses(d));
        });

        const Periodo tudo = PeriodoTudo(dados);
        const Periodo ano = PeriodoAno(AnosComCupons(dados).back() - 1);
        for (const auto& [nome, periodo] : {std::pair("Tudo", tudo), std::pair("one year", ano)}) {
            std::printf("period %s\n", nome);
            Medir("stores", 150, [&] { RelatorioLojas(dados, periodo, false); });
            Medir("stores, branches merged", 150, [&] { RelatorioLojas(dados, periodo, true); });
            Medir("months and years", 150, [&] {
                RelatorioMeses(dados, periodo);
                RelatorioAnos(dados, periodo);
            });
            Medir("years side by side", 150, [&] { RelatorioAnoAAno(dados, periodo); });
            Medir("products", 150, [&] { RelatorioProdutos(dados, periodo); });
            Medir("products, searched for \"cafe\"", 150,
                  [&] { RelatorioProdutos(dados, periodo, "cafe"); });
            Medir("my inflation", 500, [&] { RelatorioInflacao(dados, periodo); });
        }
    }
    std::filesystem::current_path("/");
    if (std::getenv("BENCH_RELATORIOS_MANTER"))  // keeps the folder, e.g. to profile in it
        std::printf("kept %s\n", pasta.c_str());
    else
        std::filesystem::remove_all(pasta);
    return 0;
}
