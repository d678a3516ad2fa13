// The CSV writer and the file it leaves, on a table held in memory: quoting, both formats, the
// byte-order mark, hidden columns, a file read back by a reader of its own, and failed writes
// that leave nothing behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/LocaleBrasil.h"
#include "tests/support/TestEnvironment.h"
#include "widgets/ExportacaoTabela.h"

namespace {

using controles::FormatoCsv;
using Registros = std::vector<std::vector<std::string>>;
namespace fs = std::filesystem;

// Columns: a hidden key, a numeric column whose label must be quoted, a text column.
struct TabelaMemoria : controles::OrigemTabela {
    explicit TabelaMemoria(Registros l = {}) : linhas(std::move(l)) {}
    Registros linhas;
    int NumeroLinhas() const override { return static_cast<int>(linhas.size()); }
    int NumeroColunas() const override { return 3; }
    bool ColunaVisivel(int c) const override { return c != 0; }
    bool ColunaNumerica(int c) const override { return c == 1; }
    wxString Rotulo(int c) const override { return std::array{"id", " (%) ", "Produto"}[c]; }
    std::string_view Celula(int r, int c, std::string&) const override { return linhas[r][c]; }
};

std::string Csv(const TabelaMemoria& tabela, FormatoCsv formato) {
    std::string texto;
    controles::EscreverCsv(tabela, formato, [&](std::string_view p) { texto.append(p); });
    return texto;
}

// RFC 4180 records, read without the writer's help: a quoted field may hold anything, a doubled
// quote stands for one, every record ends with CRLF.
Registros LerCsv(const std::string& texto, char separador) {
    Registros registros(1, std::vector<std::string>(1));
    bool aspas = false;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const char c = texto[i], seguinte = i + 1 < texto.size() ? texto[i + 1] : '\0';
        if (aspas && c == '"' && seguinte == '"')
            registros.back().back() += texto[i++];
        else if (c == '"')
            aspas = !aspas;
        else if (!aspas && c == separador)
            registros.back().emplace_back();
        else if (!aspas && c == '\r' && seguinte == '\n') {
            registros.emplace_back(1);
            ++i;
        } else
            registros.back().back() += c;
    }
    EXPECT_FALSE(aspas);
    registros.pop_back();
    return registros;
}

}  // namespace

TEST(EscreverCsv, QuotesDecimalCommaBomAndHiddenColumns) {
    teste::LocaleBrasil locale;  // the cells' "." is read whatever LC_NUMERIC says
    EXIGIR_LOCALE_BRASIL(locale);
    const std::string bom = "\xEF\xBB\xBF";
    // Cell text; the Brazilian numeric and text fields; the standard field of both.
    const std::array<std::string, 4> casos[] = {
        {"abc", "abc", "abc", "abc"},
        {"a;b", "\"a;b\"", "\"a;b\"", "a;b"},
        {"a,b", "a,b", "a,b", "\"a,b\""},
        {"diz \"oi\"", "\"diz \"\"oi\"\"\"", "\"diz \"\"oi\"\"\"", "\"diz \"\"oi\"\"\""},
        {"a\nb", "\"a\nb\"", "\"a\nb\"", "\"a\nb\""},
        {"a\rb", "\"a\rb\"", "\"a\rb\"", "\"a\rb\""},
        {" a", "\" a\"", "\" a\"", "\" a\""},
        {"a\t", "\"a\t\"", "\"a\t\"", "\"a\t\""},
        {"", "", "", ""},
        {"Açaí", "Açaí", "Açaí", "Açaí"},
        {"12.5", "12,5", "12.5", "12.5"},
        {"-0.25e-3", "-0,25e-3", "-0.25e-3", "-0.25e-3"},
        {"1.2.3", "1.2.3", "1.2.3", "1.2.3"},
        {"v1.2", "v1.2", "v1.2", "v1.2"},
        // What a spreadsheet would run as a formula stays text; a number stays a number.
        {"=1+1 PROMO LEITE", "'=1+1 PROMO LEITE", "'=1+1 PROMO LEITE", "'=1+1 PROMO LEITE"},
        {"+55 11 5555", "'+55 11 5555", "'+55 11 5555", "'+55 11 5555"},
        {"@SOMA(A1)", "'@SOMA(A1)", "'@SOMA(A1)", "'@SOMA(A1)"},
        {"-", "'-", "'-", "'-"},
        {"\tx", "'\tx", "'\tx", "'\tx"},
        {"\rx", "\"'\rx\"", "\"'\rx\"", "\"'\rx\""},
        {"-1.50", "-1,50", "-1.50", "-1.50"},
        {"+2", "+2", "+2", "+2"},
    };
    for (const auto& [celula, numerica, texto, padrao] : casos) {
        SCOPED_TRACE(celula);
        const TabelaMemoria tabela({{"7", celula, celula}});
        EXPECT_EQ(Csv(tabela, FormatoCsv::Brasileiro),
                  bom + "\" (%) \";Produto\r\n" + numerica + ";" + texto + "\r\n");
        EXPECT_EQ(Csv(tabela, FormatoCsv::Padrao),
                  bom + "\" (%) \",Produto\r\n" + padrao + "," + padrao + "\r\n");
    }
    EXPECT_EQ(Csv(TabelaMemoria{}, FormatoCsv::Brasileiro), bom + "\" (%) \";Produto\r\n");
    EXPECT_EQ(Csv(TabelaMemoria{}, FormatoCsv::Padrao), bom + "\" (%) \",Produto\r\n");
}

TEST(GravarCsv, FileReadBackReplacesTheOldOneAndAFailedWriteLeavesNoFile) {
    const fs::path pasta = teste::NovaPasta("gravar_csv");
    TabelaMemoria tabela;
    for (int i = 0; i < 20000; ++i)  // several pieces of the writer
        tabela.linhas.push_back({"x", std::to_string(i) + ".5", "linha " + std::to_string(i)});
    tabela.linhas[3] = {"x", "-1.25", "com \"aspas\"; e, vírgulas\r\nem duas linhas "};
    const fs::path arquivo = pasta / "saída.csv";
    std::ofstream(arquivo) << "antigo";
    fs::permissions(arquivo, fs::perms::owner_read | fs::perms::owner_write);
    const auto arquivos = [&] { return std::distance(fs::directory_iterator(pasta), {}); };

    for (const auto& [formato, separador, valor] :
         {std::tuple{FormatoCsv::Brasileiro, ';', "-1,25"}, {FormatoCsv::Padrao, ',', "-1.25"}}) {
        ASSERT_EQ(controles::GravarCsv(tabela, formato, wxString::FromUTF8(arquivo.string())), "");
        std::ifstream entrada(arquivo, std::ios::binary);
        const std::string texto((std::istreambuf_iterator<char>(entrada)), {});
        ASSERT_EQ(texto.substr(0, 3), "\xEF\xBB\xBF");
        const Registros lidos = LerCsv(texto.substr(3), separador);
        ASSERT_EQ(lidos.size(), tabela.linhas.size() + 1);
        EXPECT_EQ(lidos[0], (std::vector<std::string>{" (%) ", "Produto"}));
        EXPECT_EQ(lidos[4], (std::vector<std::string>{valor, tabela.linhas[3][2]}));
        EXPECT_EQ(lidos.back()[1], "linha 19999");
        EXPECT_EQ(arquivos(), 1);
        EXPECT_EQ(fs::status(arquivo).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write);
    }

    // A file size limit stands for a full disk: the write fails half-way.
    fs::create_directory(pasta / "pasta.csv");
    signal(SIGXFSZ, SIG_IGN);
    rlimit anterior{};
    getrlimit(RLIMIT_FSIZE, &anterior);
    rlimit limite = anterior;
    limite.rlim_cur = 1 << 16;
    const std::tuple<fs::path, bool, const char*> falhas[] = {
        {pasta / "sumiu" / "a.csv", false, "a pasta não existe"},
        {pasta / "pasta.csv", false, "já existe uma pasta com este nome"},
        {pasta / "cheio.csv", true, "o arquivo ficou grande demais"}};
    for (const auto& [destino, limitar, motivo] : falhas) {
        if (limitar) setrlimit(RLIMIT_FSIZE, &limite);
        const wxString erro = controles::GravarCsv(tabela, FormatoCsv::Padrao, destino.string());
        setrlimit(RLIMIT_FSIZE, &anterior);
        EXPECT_EQ(erro, wxString::FromUTF8(motivo));
        EXPECT_EQ(arquivos(), 2) << destino;
    }
}
