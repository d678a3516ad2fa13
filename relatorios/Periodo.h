#pragma once

// Months and periods of whole months. A month is one number, year * 12 + (month - 1), so that
// the month after December 2024 is January 2025 by adding one and a year back is 12 less.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace relatorios {

struct DadosRelatorios;

inline int Mes(int ano, int mes) {
    return ano * 12 + (mes - 1);
}
inline int AnoDoMes(int mes) {
    return mes / 12;
}
inline int MesDoAno(int mes) {  // 1 to 12
    return mes % 12 + 1;
}

// "AAAA-MM".
std::string TextoMes(int mes);
// "AAAA-MM" exactly, year 0001 to 9999, month 01 to 12; nothing otherwise.
std::optional<int> LerMes(std::string_view texto);

// A first and a last month, both included; no month when de > ate.
struct Periodo {
    int de = 0;
    int ate = -1;
    bool Vazio() const { return de > ate; }
    bool Contem(int mes) const { return mes >= de && mes <= ate; }
    bool operator==(const Periodo&) const = default;
};

// Every month from the oldest receipt's to the newest one's ("Tudo").
Periodo PeriodoTudo(const DadosRelatorios& dados);
// The twelve calendar months ending with the newest receipt's month ("Últimos 12 meses").
Periodo PeriodoUltimos12Meses(const DadosRelatorios& dados);
// January to December of `ano`.
Periodo PeriodoAno(int ano);
// From `de` to `ate`; a bound not given is the oldest or the newest receipt's month
// ("Outro período…" and the command's --de and --ate).
Periodo PeriodoEntre(std::optional<int> de, std::optional<int> ate, const DadosRelatorios& dados);
// The calendar years with receipts, oldest first.
std::vector<int> AnosComCupons(const DadosRelatorios& dados);

// The months of `periodo` between the oldest and the newest receipt's: every report works on
// these, so no report lists months before the first receipt or after the last one. Empty for an
// empty database.
Periodo Recortar(const Periodo& periodo, const DadosRelatorios& dados);

// The receipts of the months of `periodo`: positions [inicio, fim) in DadosRelatorios::cupons.
struct FaixaCupons {
    std::size_t inicio = 0;
    std::size_t fim = 0;
};
FaixaCupons CuponsDoPeriodo(const DadosRelatorios& dados, const Periodo& periodo);

}  // namespace relatorios
