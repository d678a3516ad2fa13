#pragma once

// Numbers in the text of grid cells. SQLite writes them with "." as the decimal separator, and
// every reader and writer here keeps that point whatever the process's locale, so a user's
// comma locale never turns 1234.5 into 1234.
//
// Two reading rules exist on purpose: the charts read the longest numeric prefix of a cell (as
// atof does), while a total only counts cells whose whole text is a number.

#include <wx/string.h>

namespace numero {

// The longest leading number of `texto`, as atof reads it in the C locale: leading blanks, an
// optional sign, decimal (or hexadecimal) digits with "." and an exponent, "inf" and "nan";
// 0 when the text does not start with a number.
double LerPrefixo(const wxString& texto);

// The whole of `texto` as a number ("." as separator). False, with `valor` untouched, when
// anything but a number is in it.
bool LerCompleto(const wxString& texto, double& valor);

// Leading blanks, an optional sign, then decimal digits up to the first other character; 0 when
// no digit follows. Values beyond int stop at its limits.
int LerInteiro(const wxString& texto);

// `valor` in fixed notation with `casas` decimals and "." as separator ("12.50" for 2).
// Infinities and NaN are written as "inf", "-inf" and "nan".
wxString Formatar(double valor, int casas);

}  // namespace numero
