#include "charts/KitGrafico.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "base/NumeroTexto.h"

namespace graficos {
namespace {

constexpr int kDivisoesEscala = kLinhasGrade - 1;
constexpr int kFolgaRotuloEscala = 8;  // right edge of a scale label, left of the axis
constexpr int kMaiorLadoCliente = 1 << 20;

}  // namespace

int Truncar(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(
        std::clamp(v, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

Escala CalcularEscala(double maior) {
    Escala escala;
    if (!std::isfinite(maior) || maior <= 0) maior = 1;
    escala.maxValue = maior;
    escala.magnitude = std::pow(10.0, std::floor(std::log10(maior)));
    escala.topo = std::ceil(maior / escala.magnitude) * escala.magnitude;
    // Rounding up the largest doubles overflows; their own value is then the top.
    if (!std::isfinite(escala.topo)) escala.topo = maior;
    escala.passo = escala.topo / kDivisoesEscala;
    return escala;
}

std::optional<AreaPlotagem> CalcularArea(wxSize cliente, const Margens& margens) {
    // Compared before subtracting, so that no size makes the margins overflow.
    const int largura = std::min(cliente.GetWidth(), kMaiorLadoCliente);
    const int altura = std::min(cliente.GetHeight(), kMaiorLadoCliente);
    if (largura <= margens.esquerda + margens.direita || altura <= margens.topo + margens.base)
        return std::nullopt;
    AreaPlotagem area;
    area.esquerda = margens.esquerda;
    area.topo = margens.topo;
    area.direita = largura - margens.direita;
    area.base = altura - margens.base;
    return area;
}

int YDoValor(double v, const Escala& escala, const AreaPlotagem& area) {
    return area.base - Truncar(v / escala.topo * area.Altura());
}

std::vector<LinhaGrade> LinhasDaEscala(const Escala& escala, const AreaPlotagem& area, int casas,
                                       const MedirTexto& medir) {
    std::vector<LinhaGrade> linhas;
    for (int i = 0; i < kLinhasGrade; ++i) {
        const double v = escala.passo * i;
        LinhaGrade linha;
        linha.y = YDoValor(v, escala, area);
        linha.rotulo.texto = numero::Formatar(v, casas);
        const wxSize tamanho = medir(linha.rotulo.texto);
        linha.rotulo.posicao = wxPoint(area.esquerda - kFolgaRotuloEscala - tamanho.GetWidth(),
                                       linha.y - tamanho.GetHeight() / 2);
        linhas.push_back(linha);
    }
    return linhas;
}

wxPoint CentradoNaFaixa(wxSize tamanho, int x, int largura, int y) {
    return wxPoint(x + (largura - tamanho.GetWidth()) / 2, y);
}

}  // namespace graficos
