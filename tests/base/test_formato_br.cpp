// Numbers and dates as our own windows show them, under a comma locale so that nothing goes
// through the C library's formatting.

#include <gtest/gtest.h>

#include <limits>

#include "base/FormatoBr.h"
#include "tests/support/LocaleBrasil.h"

namespace {

const wxString kMenos = L"\u2212";

}  // namespace

TEST(FormatoBr, GroupsThousandsAndRoundsHalfAwayFromZeroOnTheDecimalText) {
    teste::LocaleBrasil locale;  // in force or not, nothing may change
    struct Caso {
        double valor;
        int casas;
        wxString texto;
    };
    const Caso casos[] = {
        {1234567.891, 2, "1.234.567,89"},
        {999.995, 2, "1.000,00"},  // the carry opens a new group
        {2.675, 2, "2,68"},        // the double is 2.67499999...; its shortest text is 2.675
        {1.005, 2, "1,01"},
        {-2.5, 0, kMenos + "3"},
        {-1234.5, 1, kMenos + "1.234,5"},
        {-0.004, 2, "0,00"},  // rounds to zero: no sign
        {0.1 + 0.2, 2, "0,30"},
        {1e15, 0, "1.000.000.000.000.000"},
        {std::numeric_limits<double>::quiet_NaN(), 2, ""},
        {std::numeric_limits<double>::infinity(), 2, ""},
    };
    for (const Caso& c : casos) EXPECT_EQ(formato::Decimal(c.valor, c.casas), c.texto);
    EXPECT_EQ(formato::Decimal(std::numeric_limits<double>::max(), 0).length(), 309u + 102u);
}

TEST(FormatoBr, MoneyPercentagesChangesDatesAndMonths) {
    EXPECT_EQ(formato::Dinheiro(1234.56), "R$ 1.234,56");
    EXPECT_EQ(formato::Dinheiro(-1234.564), kMenos + "R$ 1.234,56");
    EXPECT_EQ(formato::Dinheiro(2000, 0), "R$ 2.000");
    EXPECT_EQ(formato::Percentual(12.34), "12,3 %");
    EXPECT_EQ(formato::Variacao(4.25), "+4,3 %");
    EXPECT_EQ(formato::Variacao(-1), kMenos + "1,0 %");
    EXPECT_EQ(formato::Variacao(-0.04), "0,0 %");
    EXPECT_EQ(formato::Variacao(0.05), "+0,1 %");
    EXPECT_EQ(formato::Data(20251231235959), "31/12/2025");
    EXPECT_EQ(formato::MesAno(2025, 1), "01/2025");
    EXPECT_EQ(formato::MesAno(2025, 13), "");
    EXPECT_EQ(formato::AbreviaturaMes(12), "dez");
    EXPECT_EQ(formato::AbreviaturaMes(0), "");
}

TEST(FormatoBr, ReaisTypedInBrazilianForm) {
    const std::pair<const char*, double> lidos[] = {
        {"1.500", 1500},        {"1.234,56", 1234.56}, {"R$ 2.000", 2000},
        {"350", 350},           {"350,5", 350.5},      {" R$1.000.000,00 ", 1e6},
        {"0,07", 0.07},
    };
    for (const auto& [texto, esperado] : lidos) {
        double valor = -1;
        EXPECT_TRUE(formato::LerReais(texto, valor)) << texto;
        EXPECT_EQ(valor, esperado) << texto;
    }
    for (const char* recusado : {"abc", "12,345", "1.50", "1500.00", "1.2345", ".500", "1,",
                                 ",5", "", "R$", "-5", "1,5,0", "1.500,00 x", "12 345"}) {
        double valor = -1;
        EXPECT_FALSE(formato::LerReais(recusado, valor)) << recusado;
        EXPECT_EQ(valor, -1) << recusado;
    }
}
