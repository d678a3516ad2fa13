#include "charts/PieChartGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/NumeroTexto.h"

namespace graficos {

namespace {

constexpr int kCasasPercentual = 1;

// One decimal and "." whatever the process locale; a share that is not finite reads "0.0".
wxString FormatarPercentual(double valor) {
    return std::isfinite(valor) ? numero::Formatar(valor, kCasasPercentual) : wxString("0.0");
}

}  // namespace

std::vector<wxString> CalcularPercentuais(const std::vector<double>& valores) {
    double total = 0.0;
    for (double valor : valores) total += valor;

    std::vector<wxString> percentuais;
    percentuais.reserve(valores.size());
    for (double valor : valores)
        percentuais.push_back(total == 0.0 ? FormatarPercentual(0.0)
                                           : FormatarPercentual(valor * 100.0 / total));
    return percentuais;
}

Reagrupamento ReagruparFatias(const std::vector<LinhaProduto>& linhas, int max_fatias,
                              int linha_destacada) {
    // Grouping adds to the last slice, so there must be room for at least one.
    const std::size_t limite = static_cast<std::size_t>(std::max(max_fatias, 1));

    Reagrupamento resultado;
    resultado.agrupada.assign(linhas.size(), false);
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        const bool destacada = static_cast<int>(i) == linha_destacada;
        if (resultado.fatias.size() < limite) {
            PieSlice fatia;
            fatia.label = linhas[i].descricao.Left(2);
            fatia.value = linhas[i].valor;
            fatia.highlighted = destacada;
            resultado.fatias.push_back(fatia);
        } else {
            PieSlice& ultima = resultado.fatias.back();
            ultima.label = kRotuloOutros;
            ultima.highlighted = ultima.highlighted || destacada;
            ultima.value += linhas[i].valor;
            ultima.others = true;
            resultado.agrupada[i - 1] = true;
            resultado.agrupada[i] = true;
        }
    }
    return resultado;
}

GeometriaPizza CalcularGeometriaPizza(const std::vector<PieSlice>& fatias, int largura,
                                      int altura) {
    GeometriaPizza geometria;
    if (fatias.empty()) return geometria;

    // Only positive finite values take a share: an infinite one has no proportion to draw.
    auto desenhavel = [](double valor) { return valor > 0.0 && std::isfinite(valor); };
    double total = 0.0;
    double maior = 0.0;
    for (const PieSlice& fatia : fatias) {
        if (!desenhavel(fatia.value)) continue;
        total += fatia.value;
        maior = std::max(maior, fatia.value);
    }
    if (!(maior > 0.0)) return geometria;
    // A sum of huge values overflows into infinity and would turn every share into 0 or NaN;
    // then the shares are taken of the values divided by the largest one.
    double escala = 1.0;
    if (!std::isfinite(total)) {
        escala = maior;
        total = 0.0;
        for (const PieSlice& fatia : fatias)
            if (desenhavel(fatia.value)) total += fatia.value / escala;
    }

    // Compared before subtracting, so that no size makes the margins overflow.
    if (largura <= 2 * kMargemPizza || altura <= 2 * kMargemPizza) return geometria;
    const int largura_grafico = largura - 2 * kMargemPizza;
    const int altura_grafico = altura - 2 * kMargemPizza;

    const int cx = largura_grafico / 2 + kMargemPizza;
    const int cy = altura_grafico / 2 + kMargemPizza;
    const int raio = std::min(largura_grafico, altura_grafico) / 2 - 10;
    if (raio <= 0) return geometria;
    geometria.cx = cx;
    geometria.cy = cy;
    geometria.raio = raio;

    constexpr double kRadianos = std::numbers::pi / 180.0;
    double angulo = 90.0;  // twelve o'clock; slices follow counter-clockwise
    for (std::size_t i = 0; i < fatias.size(); ++i) {
        const PieSlice& fatia = fatias[i];
        if (!desenhavel(fatia.value)) continue;

        SetorPizza setor;
        setor.posicao = static_cast<int>(i);
        setor.outros = fatia.others;
        setor.fracao = fatia.value / escala / total;
        setor.inicio = angulo;
        setor.fim = angulo + setor.fracao * 360.0;

        setor.ox = cx;
        setor.oy = cy;
        if (fatia.highlighted) {
            const double meio = (angulo + (setor.fim - angulo) / 2.0) * kRadianos;
            setor.ox = static_cast<int>(cx + kDeslocamentoDestaque * std::cos(meio));
            setor.oy = static_cast<int>(cy - kDeslocamentoDestaque * std::sin(meio));
        }

        if (setor.fracao >= kFracaoMinimaRotulo) {
            // The label stays where it would stand on the unshifted pie.
            const double meio = (angulo + setor.fracao * 360.0 / 2.0) * kRadianos;
            setor.tem_rotulo = true;
            setor.rotulo = FormatarPercentual(setor.fracao * 100.0) + "%";
            setor.lx = cx + static_cast<int>(std::cos(meio) * kDistanciaRotulo * raio);
            setor.ly = cy - static_cast<int>(std::sin(meio) * kDistanciaRotulo * raio);
        }

        geometria.setores.push_back(setor);
        angulo = setor.fim;
    }
    return geometria;
}

}  // namespace graficos
