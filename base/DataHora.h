#pragma once

// Receipt timestamps: the 14 digits YYYYMMDDhhmmss the database keeps, held as one integer so
// that comparing two of them compares the moments, and turned into day numbers for a time axis
// and into the DD/MM/YYYY the windows show.

#include <wx/string.h>

#include <string_view>

namespace datahora {

// The timestamp of `texto`: its first 8 characters must be the digits of a date; the next 6,
// when they are digits, give the time (missing or other characters read 00). 0 when the text
// does not start with 8 digits.
long long Ler(std::string_view texto);

struct Partes {
    int ano = 0;
    int mes = 0;
    int dia = 0;
    int hora = 0;
    int minuto = 0;
    int segundo = 0;
};

Partes Separar(long long data_hora);

// "DD/MM/YYYY"; empty for 0.
wxString FormatarData(long long data_hora);

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar (negative before).
// Months and days out of range are brought back into 1..12 and 1..31 first.
long long DiasCivis(int ano, int mes, int dia);

// The moment as days from 1970-01-01, the time of day as the fraction.
double EmDias(long long data_hora);

}  // namespace datahora
