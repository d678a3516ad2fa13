#include "charts/HorizontalBarChartGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "charts/EixoCategorias.h"

namespace graficos {
namespace {

constexpr int kMargemHorizontal = 10;  // around the chart
constexpr int kFolgaNomeBarra = 8;
constexpr int kFolgaBarraValor = 6;
constexpr double kFracaoNomes = 0.35;  // of the client width, at most, for the names
constexpr double kMaiorLinha = 32;     // rows no taller than this, however few
constexpr double kFracaoEspessura = 0.7;
constexpr int kMaiorLadoHorizontal = 1 << 20;  // so that no client size overflows an int

int LarguraMaior(const std::vector<BarraHorizontal>& itens, const MedirTexto& medir,
                 wxString BarraHorizontal::*texto) {
    int largura = 0;
    for (const BarraHorizontal& item : itens)
        largura = std::max(largura, medir(item.*texto).GetWidth());
    return largura;
}

}  // namespace

GeometriaBarrasHorizontais CalcularGeometriaBarrasHorizontais(
    const std::vector<BarraHorizontal>& itens, wxSize cliente, const MedirTexto& medir) {
    GeometriaBarrasHorizontais g;
    const int largura_cliente = std::min(cliente.GetWidth(), kMaiorLadoHorizontal);
    const int altura_util =
        std::min(cliente.GetHeight(), kMaiorLadoHorizontal) - 2 * kMargemHorizontal;
    if (itens.empty() ||
        altura_util < static_cast<int>(std::min<std::size_t>(itens.size(), INT_MAX)))
        return g;

    const int largura_nomes = std::min(LarguraMaior(itens, medir, &BarraHorizontal::nome),
                                       Truncar(largura_cliente * kFracaoNomes));
    const int x_barras =
        kMargemHorizontal + (largura_nomes > 0 ? largura_nomes + kFolgaNomeBarra : 0);
    const int comprimento = largura_cliente - kMargemHorizontal -
                            LarguraMaior(itens, medir, &BarraHorizontal::texto_valor) -
                            kFolgaBarraValor - x_barras;
    if (comprimento < 1) return g;
    g.desenhar = true;

    double maior = 0;
    for (const BarraHorizontal& item : itens)
        if (std::isfinite(item.valor)) maior = std::max(maior, item.valor);

    const double linha = std::min(static_cast<double>(altura_util) / itens.size(), kMaiorLinha);
    const int espessura = std::max(1, Truncar(linha * kFracaoEspessura));
    int fim_texto = INT_MIN;
    for (std::size_t i = 0; i < itens.size(); ++i) {
        const BarraHorizontal& item = itens[i];
        GeometriaBarraHorizontal b;
        b.destacada = item.destacada;
        const int topo_linha = kMargemHorizontal + Truncar(static_cast<double>(i) * linha);
        const int y = topo_linha + (Truncar(linha) - espessura) / 2;
        int tamanho = 0;
        if (maior > 0 && std::isfinite(item.valor) && item.valor > 0)
            tamanho = std::max(1, Truncar(std::min(item.valor / maior, 1.0) * comprimento));
        b.retangulo = wxRect(x_barras, y, tamanho, espessura);

        const wxString nome = CortarTexto(item.nome, largura_nomes, medir);
        const int altura_texto =
            std::max(medir(nome).GetHeight(), medir(item.texto_valor).GetHeight());
        const int y_texto = y + espessura / 2 - altura_texto / 2;
        if (y_texto >= fim_texto) {
            fim_texto = y_texto + altura_texto;
            b.nome = {nome, wxPoint(kMargemHorizontal, y_texto)};
            b.valor = {item.texto_valor, wxPoint(x_barras + tamanho + kFolgaBarraValor, y_texto)};
        }
        g.barras.push_back(b);
    }
    return g;
}

}  // namespace graficos
