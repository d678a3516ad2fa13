// Numbers in cell text, under a comma locale: every reader keeps SQLite's "." and every writer
// writes one, and the two reading rules (prefix and whole text) part where they should.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/NumeroTexto.h"
#include "tests/support/LocaleBrasil.h"

namespace {

struct CasoLeitura {
    const char* texto;
    double prefixo;  // the charts' reading (atof)
    bool completo;   // whether the whole text is a number
    int inteiro;     // the id reading
};

const CasoLeitura kCasos[] = {
    {"1234.5", 1234.5, true, 1234},
    {"  -3.25 reais", -3.25, false, -3},
    {"  7.25abc", 7.25, false, 7},
    {"+7", 7, true, 7},
    {"1e3", 1000, true, 1},
    {".5", 0.5, true, 0},
    {"12,5", 12, false, 12},  // the comma ends the number
    {"0x10", 16, true, 0},    // atof reads hexadecimal; ids are decimal
    {"", 0, false, 0},
    {"abc", 0, false, 0},
    {"+-1", 0, false, 0},
    {"99999999999", 99999999999.0, true, std::numeric_limits<int>::max()},
    {"-99999999999", -99999999999.0, true, std::numeric_limits<int>::min()},
};

}  // namespace

TEST(NumeroTexto, ReadsWithAPointWhateverTheLocale) {
    teste::LocaleBrasil locale;
    EXIGIR_LOCALE_BRASIL(locale);
    double lido = 0;
    ASSERT_FALSE(wxString("10.25").ToDouble(&lido));  // the trap every reader must avoid

    for (const CasoLeitura& caso : kCasos) {
        SCOPED_TRACE(caso.texto);
        EXPECT_DOUBLE_EQ(numero::LerPrefixo(caso.texto), caso.prefixo);
        EXPECT_EQ(numero::LerInteiro(caso.texto), caso.inteiro);
        double completo = -42;
        EXPECT_EQ(numero::LerCompleto(caso.texto, completo), caso.completo);
        EXPECT_DOUBLE_EQ(completo, caso.completo ? caso.prefixo : -42);  // untouched on failure
    }
}

TEST(NumeroTexto, WritesFixedDecimalsWithAPointWhateverTheLocale) {
    teste::LocaleBrasil locale;
    EXIGIR_LOCALE_BRASIL(locale);

    EXPECT_EQ(numero::Formatar(1234.567, 2), "1234.57");
    EXPECT_EQ(numero::Formatar(-0.5, 2), "-0.50");
    EXPECT_EQ(numero::Formatar(12.5, 1), "12.5");
    EXPECT_EQ(numero::Formatar(100.0 / 3.0, 1), "33.3");
    EXPECT_EQ(numero::Formatar(2.0 / 3.0 * 100.0, 1), "66.7");
    EXPECT_EQ(numero::Formatar(1234567.89, 1), "1234567.9");
    EXPECT_EQ(numero::Formatar(1234.5, 0), "1234");  // halves go to even, as printf does
    EXPECT_EQ(numero::Formatar(0.6, 0), "1");
    EXPECT_EQ(numero::Formatar(1e308, 0).length(), 309u);
    EXPECT_EQ(numero::Formatar(std::numeric_limits<double>::infinity(), 2), "inf");
}
