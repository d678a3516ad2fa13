// The receipt items text table without a window: layout byte for byte, widths in characters,
// totals, cells that are not numbers, and numbers read and written with "." under a comma locale.

#include <gtest/gtest.h>
#include <wx/arrstr.h>

#include <string>
#include <vector>

#include "tests/cupom/TabelaItens.h"
#include "tests/support/LocaleBrasil.h"
#include "ui/TabelaTexto.h"

namespace {

using Linhas = std::vector<std::vector<wxString>>;

using teste::kCabecalhosItens;
using teste::kColunasADireita;
using teste::kColunasSomadas;

const Linhas kDoisItens = {
    {"1", "123", "ITEM A", "2", "UN", "3.5", "7.0", "0.0", "7.0"},
    {"2", "4567", "ITEM B", "1", "KG", "10.25", "10.25", "0.25", "10.0"},
};

const wxString kTabelaDoisItens = teste::TabelaItensEsperada(
    {"|   1 | 123    | ITEM A    |    2 | UN   |    3.5 |     7.0 |      0.0 |       7.0 |",
     "|   2 | 4567   | ITEM B    |    1 | KG   |  10.25 |   10.25 |     0.25 |      10.0 |"},
    "|     |        |           |      |      |        |   17.25 |     0.25 |     17.00 |");

wxArrayString SepararLinhas(const wxString& tabela) {
    return wxSplit(tabela, '\n', '\0');
}

// All lines of a table have the same length in characters.
void EsperarLinhasIguais(const wxString& tabela) {
    const wxArrayString linhas = SepararLinhas(tabela);
    ASSERT_FALSE(linhas.empty());
    for (const wxString& linha : linhas)
        EXPECT_EQ(linha.length(), linhas[0].length()) << linha.utf8_str();
}

TEST(TabelaTexto, DoisItensComTotais) {
    const wxString tabela =
        MontarTabelaTexto(kCabecalhosItens, kDoisItens, true, kColunasADireita, kColunasSomadas);
    EXPECT_EQ(tabela.utf8_string(), kTabelaDoisItens.utf8_string());
    EXPECT_FALSE(tabela.EndsWith("\n"));
}

TEST(TabelaTexto, CupomSemItens) {
    const wxString tabela =
        MontarTabelaTexto(kCabecalhosItens, {}, true, kColunasADireita, kColunasSomadas);
    const wxString esperado = teste::TabelaItensEsperada(
        {}, "|     |        |           |      |      |        |    0.00 |     0.00 |      0.00 |");
    EXPECT_EQ(tabela.utf8_string(), esperado.utf8_string());
}

TEST(TabelaTexto, SemCabecalhosSemTotaisESemColunas) {
    const std::vector<wxString> cabecalhos = {"Nome comprido", "B"};
    const Linhas linhas = {{"x", "1"}, {"yy"}};  // a short row reads as empty cells
    EXPECT_EQ(MontarTabelaTexto(cabecalhos, linhas, false, {1}, {}),
              "+----+---+\n"
              "| x  | 1 |\n"
              "| yy |   |\n"
              "+----+---+");
    EXPECT_EQ(MontarTabelaTexto({}, linhas, true, {}, {0}), "");
}

TEST(TabelaTexto, TotalMaisLargoQueAsCelulas) {
    const std::vector<wxString> cabecalhos = {"D", "V"};
    const Linhas linhas = {{"a", "999.5"}, {"b", "999.5"}, {"c", "1"}};
    const wxString tabela = MontarTabelaTexto(cabecalhos, linhas, true, {1}, {1});
    EXPECT_EQ(tabela,
              "+---+---------+\n"
              "| D |       V |\n"
              "+---+---------+\n"
              "| a |   999.5 |\n"
              "| b |   999.5 |\n"
              "| c |       1 |\n"
              "+---+---------+\n"
              "|   | 2000.00 |\n"
              "+---+---------+");
    EsperarLinhasIguais(tabela);
}

TEST(TabelaTexto, LarguraContaCaracteresNaoBytes) {
    const std::vector<wxString> cabecalhos = {L"Descrição", L"Preço"};
    const Linhas linhas = {{L"AÇÚCAR", "4.5"}, {L"PÃO", "10"}};
    const wxString tabela = MontarTabelaTexto(cabecalhos, linhas, true, {1}, {1});
    const wxArrayString partes = SepararLinhas(tabela);
    ASSERT_EQ(partes.size(), 8u);
    EXPECT_EQ(partes[0], "+-----------+-------+");
    EXPECT_EQ(partes[1], wxString(L"| Descrição | Preço |"));
    EXPECT_EQ(partes[3], wxString(L"| AÇÚCAR    |   4.5 |"));
    EXPECT_EQ(partes[4], wxString(L"| PÃO       |    10 |"));
    EXPECT_EQ(partes[6], "|           | 14.50 |");
    EsperarLinhasIguais(tabela);
}

TEST(TabelaTexto, CelulaQueNaoENumeroFicaForaDoTotal) {
    const std::vector<wxString> cabecalhos = {"V"};
    const Linhas linhas = {{"1.5"}, {"sem valor"}, {""}, {"2,5"}, {"3abc"}, {"2"}};
    const wxString tabela = MontarTabelaTexto(cabecalhos, linhas, true, {0}, {0});
    const wxArrayString partes = SepararLinhas(tabela);
    ASSERT_EQ(partes.size(), 12u);
    EXPECT_EQ(partes[0], "+-----------+");  // widened by "sem valor"
    EXPECT_EQ(partes[4], "| sem valor |");
    EXPECT_EQ(partes[10], "|      3.50 |");
    EsperarLinhasIguais(tabela);
}

TEST(TabelaTexto, IndicesForaDaTabelaSaoIgnorados) {
    const wxString tabela = MontarTabelaTexto({"A"}, {{"1"}}, true, {-1, 5}, {-1, 0, 7});
    EXPECT_EQ(tabela,
              "+------+\n"
              "| A    |\n"
              "+------+\n"
              "| 1    |\n"
              "+------+\n"
              "| 1.00 |\n"
              "+------+");
}

// Cells come from SQLite with "." whatever the user's locale; under a comma locale the totals
// must still add them up and be written with ".".
TEST(TabelaTexto, NumerosComPontoSobLocaleBrasileiro) {
    teste::LocaleBrasil locale;
    EXIGIR_LOCALE_BRASIL(locale);
    const wxString tabela =
        MontarTabelaTexto(kCabecalhosItens, kDoisItens, true, kColunasADireita, kColunasSomadas);
    EXPECT_EQ(tabela.utf8_string(), kTabelaDoisItens.utf8_string());
}

}  // namespace
