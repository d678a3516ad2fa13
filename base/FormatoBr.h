#pragma once

// Numbers and dates as our own windows show them: "R$ 1.234,56", "1.234,56", "12,3 %",
// "+4,2 %", "31/12/2025", "01/2025". Files and the command line keep NumeroTexto's "." instead.
//
// The digits are written here, never through the C library's locale. Values are rounded half
// away from zero on their shortest decimal text (the one that reads back as the same double),
// so 2.675 gives "2,68" although the double lies a little below it. A value that rounds to zero
// has no sign; negative values carry the minus sign U+2212. Infinities and NaN give empty text.

#include <wx/string.h>

#include <string>

namespace formato {

// "1.234,56": thousands grouped with ".", `casas` decimals (0 to 15) after ",".
wxString Decimal(double valor, int casas = 2);

// "R$ 1.234,56"; negative "−R$ 1.234,56".
wxString Dinheiro(double valor, int casas = 2);

// A value already in percent: 12.34 gives "12,3 %", -5 gives "−5,0 %".
wxString Percentual(double percentual, int casas = 1);

// A change in percent, always signed: "+4,2 %", "−1,0 %", and "0,0 %" when it rounds to zero.
wxString Variacao(double percentual, int casas = 1);

// The same four as UTF-8 text, for tables that keep their cells so (thousands of rows).
std::string DecimalUtf8(double valor, int casas = 2);
std::string DinheiroUtf8(double valor, int casas = 2);
std::string PercentualUtf8(double percentual, int casas = 1);
std::string VariacaoUtf8(double percentual, int casas = 1);

// Reais as people type them, read back: "350", "350,5", "1.234,56", "R$ 2.000", with spaces
// around. "." only groups thousands (in threes after the first one to three digits) and ","
// opens at most two decimals, so "1.500" is 1500 and "12,345" is refused rather than guessed.
// No sign. False, with `valor` untouched, for anything else.
bool LerReais(const wxString& texto, double& valor);

// "DD/MM/YYYY" of a YYYYMMDDhhmmss timestamp; empty for 0.
wxString Data(long long data_hora);

// "01/2025"; empty for a month outside 1 to 12 or a year outside 0 to 9999.
wxString MesAno(int ano, int mes);

// "jan" to "dez" for 1 to 12; empty otherwise.
wxString AbreviaturaMes(int mes);

}  // namespace formato
