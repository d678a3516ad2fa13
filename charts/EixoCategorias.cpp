#include "charts/EixoCategorias.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "base/FormatoBr.h"

namespace graficos {
namespace {

constexpr int kMaisCasasEscala = 6;
constexpr int kEspacoEntreCategorias = 6;  // least room between two labels of a row
constexpr int kEntreLinhasCategorias = 2;
const wchar_t* const kReticencias = L"\u2026";

struct Corrida {
    std::size_t inicio = 0;
    std::size_t fim = 0;  // one past the last
};

std::vector<Corrida> Corridas(const std::vector<wxString>& grupos) {
    std::vector<Corrida> corridas;
    for (std::size_t i = 0; i < grupos.size(); ++i) {
        if (i == 0 || grupos[i] != grupos[i - 1]) corridas.push_back({i, i});
        corridas.back().fim = i + 1;
    }
    return corridas;
}

TextoPosicionado Centrado(const wxString& texto, int centro, int y, int largura_cliente,
                          const MedirTexto& medir) {
    const wxSize tamanho = medir(texto);
    wxPoint pos = CentradoNaFaixa(tamanho, centro, 0, y);
    pos.x = std::clamp(pos.x, 0, std::max(0, largura_cliente - tamanho.GetWidth()));
    return {texto, pos};
}

}  // namespace

FormatarValor FormatoDaEscala(const Escala& escala) {
    int casas = 0;
    for (double passo = escala.passo; casas < kMaisCasasEscala; ++casas, passo *= 10)
        if (std::fabs(passo - std::round(passo)) <= 1e-9 * std::max(1.0, std::fabs(passo))) break;
    return [casas](double v) { return formato::Decimal(v, casas); };
}

std::vector<LinhaGrade> LinhasFormatadas(const Escala& escala, double base,
                                         const AreaPlotagem& area, const FormatarValor& formatar,
                                         const MedirTexto& medir) {
    const FormatarValor escrever = formatar ? formatar : FormatoDaEscala(escala);
    std::vector<LinhaGrade> linhas = LinhasDaEscala(escala, area, 0, medir);
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        TextoPosicionado& rotulo = linhas[i].rotulo;
        const wxSize antigo = medir(rotulo.texto);
        rotulo.texto = escrever(base + escala.passo * static_cast<double>(i));
        const wxSize novo = medir(rotulo.texto);
        // Same right edge and middle as the kit's label.
        rotulo.posicao.x += antigo.GetWidth() - novo.GetWidth();
        rotulo.posicao.y = linhas[i].y - novo.GetHeight() / 2;
    }
    return linhas;
}

int LarguraRotulosEscala(const Escala& escala, double base, const FormatarValor& formatar,
                         const MedirTexto& medir) {
    const FormatarValor escrever = formatar ? formatar : FormatoDaEscala(escala);
    int largura = 0;
    for (int i = 0; i < kLinhasGrade; ++i)
        largura = std::max(largura, medir(escrever(base + escala.passo * i)).GetWidth());
    return largura;
}

wxString CortarTexto(const wxString& texto, int largura, const MedirTexto& medir) {
    if (medir(texto).GetWidth() <= largura) return texto;
    const wxString reticencias(kReticencias);
    if (medir(reticencias).GetWidth() > largura) return wxString();
    // The longest beginning that fits, searched by halves: widths grow with the length.
    std::size_t cabe = 0, nao_cabe = texto.length();
    while (nao_cabe - cabe > 1) {
        const std::size_t meio = (cabe + nao_cabe) / 2;
        if (medir(texto.Left(meio) + reticencias).GetWidth() <= largura)
            cabe = meio;
        else
            nao_cabe = meio;
    }
    wxString inicio = texto.Left(cabe);
    inicio.Trim(true);
    return inicio + reticencias;
}

EixoCategorias CalcularEixoCategorias(const std::vector<int>& centros,
                                      const std::vector<wxString>& rotulos,
                                      const std::vector<wxString>& grupos, int y,
                                      int largura_cliente, const MedirTexto& medir) {
    EixoCategorias eixo;
    const std::size_t n = std::min(centros.size(), rotulos.size());
    if (n == 0) return eixo;
    const bool agrupado =
        grupos.size() == centros.size() &&
        std::any_of(grupos.begin(), grupos.end(), [](const wxString& g) { return !g.empty(); });
    const std::vector<Corrida> corridas = agrupado ? Corridas(grupos) : std::vector<Corrida>();

    // Each category's place in its cycle, which a label step k must divide.
    std::vector<std::size_t> lugar(n);
    std::vector<std::size_t> passos;
    std::size_t ciclo = 0;
    for (const Corrida& c : corridas) ciclo = std::max(ciclo, c.fim - c.inicio);
    if (agrupado) {
        for (std::size_t r = 0; r < corridas.size(); ++r) {
            const Corrida& c = corridas[r];
            const std::size_t deslocamento = r == 0 ? ciclo - (c.fim - c.inicio) : 0;
            for (std::size_t i = c.inicio; i < c.fim && i < n; ++i)
                lugar[i] = deslocamento + (i - c.inicio);
        }
        for (std::size_t k = 1; k <= ciclo; ++k)
            if (ciclo % k == 0) passos.push_back(k);
    } else {
        for (std::size_t i = 0; i < n; ++i) lugar[i] = i;
        for (std::size_t k = 1;; k *= 10) {
            for (std::size_t m : {1u, 2u, 5u}) passos.push_back(k * m);
            if (k * 5 >= n || k > SIZE_MAX / 100) break;
        }
    }

    int altura_linha = 0;
    for (std::size_t k : passos) {
        std::vector<int> escolhidas, tiques;
        std::vector<TextoPosicionado> textos;
        bool cabe = true;
        int fim_anterior = INT_MIN / 2;
        for (std::size_t i = 0; i < n && cabe; ++i) {
            if (lugar[i] % k != 0 || rotulos[i].empty()) continue;
            TextoPosicionado t = Centrado(rotulos[i], centros[i], y, largura_cliente, medir);
            const wxSize tamanho = medir(t.texto);
            cabe = t.posicao.x >= fim_anterior + kEspacoEntreCategorias;
            fim_anterior = t.posicao.x + tamanho.GetWidth();
            altura_linha = std::max(altura_linha, tamanho.GetHeight());
            escolhidas.push_back(static_cast<int>(i));
            tiques.push_back(centros[i]);
            textos.push_back(t);
        }
        if (cabe) {
            eixo.categorias = std::move(escolhidas);
            eixo.tiques = std::move(tiques);
            eixo.rotulos = std::move(textos);
            break;
        }
    }

    const int y_grupos = eixo.rotulos.empty() ? y : y + altura_linha + kEntreLinhasCategorias;
    const double passo_medio = centros.size() > 1
                                   ? static_cast<double>(centros.back() - centros.front()) /
                                         static_cast<double>(centros.size() - 1)
                                   : 0;
    int fim_anterior = INT_MIN / 2;
    for (std::size_t r = 0; r < corridas.size(); ++r) {
        const Corrida& c = corridas[r];
        if (r > 0) eixo.divisas.push_back((centros[c.inicio - 1] + centros[c.inicio]) / 2);
        if (grupos[c.inicio].empty()) continue;
        const int centro = (centros[c.inicio] + centros[c.fim - 1]) / 2;
        TextoPosicionado t = Centrado(grupos[c.inicio], centro, y_grupos, largura_cliente, medir);
        // A partial year wider than its label would push the next full year's label out.
        const double largura_corrida = centros[c.fim - 1] - centros[c.inicio] + passo_medio;
        if (c.fim - c.inicio < ciclo && medir(t.texto).GetWidth() > largura_corrida) continue;
        if (t.posicao.x < fim_anterior + kEspacoEntreCategorias) continue;
        fim_anterior = t.posicao.x + medir(t.texto).GetWidth();
        eixo.grupos.push_back(t);
    }
    return eixo;
}

}  // namespace graficos
