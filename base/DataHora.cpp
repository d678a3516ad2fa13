#include "base/DataHora.h"

#include <algorithm>

namespace datahora {
namespace {

constexpr int kDigitosData = 8;
constexpr int kDigitosDataHora = 14;
constexpr double kSegundosDia = 86400.0;

bool Digito(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

long long Ler(std::string_view texto) {
    long long valor = 0;
    bool le_hora = true;  // the first character that is not a digit ends the time
    for (int i = 0; i < kDigitosDataHora; ++i) {
        const bool digito = static_cast<std::size_t>(i) < texto.size() && Digito(texto[i]);
        if (!digito && i < kDigitosData) return 0;
        le_hora = le_hora && digito;
        valor = valor * 10 + (le_hora ? texto[i] - '0' : 0);
    }
    return valor;
}

Partes Separar(long long data_hora) {
    Partes p;
    p.segundo = static_cast<int>(data_hora % 100);
    p.minuto = static_cast<int>(data_hora / 100 % 100);
    p.hora = static_cast<int>(data_hora / 10000 % 100);
    p.dia = static_cast<int>(data_hora / 1000000 % 100);
    p.mes = static_cast<int>(data_hora / 100000000 % 100);
    p.ano = static_cast<int>(data_hora / 10000000000LL);
    return p;
}

wxString FormatarData(long long data_hora) {
    if (data_hora <= 0) return wxString();
    const Partes p = Separar(data_hora);
    return wxString::Format("%02d/%02d/%04d", p.dia, p.mes, p.ano);
}

long long DiasCivis(int ano, int mes, int dia) {
    // Days from civil: eras of 400 years, the year starting in March so February comes last.
    mes = std::clamp(mes, 1, 12);
    dia = std::clamp(dia, 1, 31);
    const long long y = static_cast<long long>(ano) - (mes <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long ano_da_era = y - era * 400;
    const long long dia_do_ano = (153 * (mes + (mes > 2 ? -3 : 9)) + 2) / 5 + dia - 1;
    const long long dia_da_era = ano_da_era * 365 + ano_da_era / 4 - ano_da_era / 100 + dia_do_ano;
    return era * 146097 + dia_da_era - 719468;
}

double EmDias(long long data_hora) {
    const Partes p = Separar(data_hora);
    const double segundos = p.hora * 3600.0 + p.minuto * 60.0 + p.segundo;
    return static_cast<double>(DiasCivis(p.ano, p.mes, p.dia)) + segundos / kSegundosDia;
}

}  // namespace datahora
