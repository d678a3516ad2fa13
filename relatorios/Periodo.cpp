#include "relatorios/Periodo.h"

#include <algorithm>

#include "relatorios/DadosRelatorios.h"

namespace relatorios {

std::string TextoMes(int mes) {
    const int ano = AnoDoMes(mes), m = MesDoAno(mes);
    std::string texto = std::to_string(ano);
    texto.insert(0, texto.size() < 4 ? 4 - texto.size() : 0, '0');
    texto += m < 10 ? "-0" : "-";
    texto += std::to_string(m);
    return texto;
}

std::optional<int> LerMes(std::string_view texto) {
    if (texto.size() != 7 || texto[4] != '-') return std::nullopt;
    int valores[2] = {0, 0};
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (i == 4) continue;
        if (texto[i] < '0' || texto[i] > '9') return std::nullopt;
        int& v = valores[i < 4 ? 0 : 1];
        v = v * 10 + (texto[i] - '0');
    }
    if (valores[0] < 1 || valores[1] < 1 || valores[1] > 12) return std::nullopt;
    return Mes(valores[0], valores[1]);
}

Periodo PeriodoTudo(const DadosRelatorios& dados) {
    return {dados.primeiro_mes, dados.ultimo_mes};
}

Periodo PeriodoUltimos12Meses(const DadosRelatorios& dados) {
    if (dados.Vazio()) return {};
    return {dados.ultimo_mes - 11, dados.ultimo_mes};
}

Periodo PeriodoAno(int ano) {
    return {Mes(ano, 1), Mes(ano, 12)};
}

Periodo PeriodoEntre(std::optional<int> de, std::optional<int> ate, const DadosRelatorios& dados) {
    if (dados.Vazio()) return {};
    return {de.value_or(dados.primeiro_mes), ate.value_or(dados.ultimo_mes)};
}

std::vector<int> AnosComCupons(const DadosRelatorios& dados) {
    std::vector<int> anos;
    for (std::size_t m = 0; m < dados.cupons_mes.size(); ++m) {
        const int ano = AnoDoMes(dados.primeiro_mes + static_cast<int>(m));
        if (dados.cupons_mes[m] > 0 && (anos.empty() || anos.back() != ano)) anos.push_back(ano);
    }
    return anos;
}

Periodo Recortar(const Periodo& periodo, const DadosRelatorios& dados) {
    if (dados.Vazio() || periodo.Vazio()) return {};
    const Periodo recortado{std::max(periodo.de, dados.primeiro_mes),
                            std::min(periodo.ate, dados.ultimo_mes)};
    return recortado.Vazio() ? Periodo{} : recortado;
}

FaixaCupons CuponsDoPeriodo(const DadosRelatorios& dados, const Periodo& periodo) {
    if (periodo.Vazio()) return {};
    const auto antes = [](const Cupom& c, int mes) { return c.mes < mes; };
    const auto inicio =
        std::lower_bound(dados.cupons.begin(), dados.cupons.end(), periodo.de, antes);
    const auto fim = std::lower_bound(inicio, dados.cupons.end(), periodo.ate + 1, antes);
    return {static_cast<std::size_t>(inicio - dados.cupons.begin()),
            static_cast<std::size_t>(fim - dados.cupons.begin())};
}

}  // namespace relatorios
