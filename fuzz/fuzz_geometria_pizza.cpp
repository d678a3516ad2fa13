// The product share pie with extreme values and client sizes: the percentage column, the
// regrouping into a bounded number of slices and the sectors with their label positions. Every
// coordinate that reaches an int must be defined, the sectors must be finite angles whose shares
// add up to at most the whole pie, and every position must lie in the client area.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/NumeroTexto.h"
#include "charts/PieChartGeometry.h"
#include "fuzz/ValoresExtremos.h"

namespace {

[[noreturn]] void Violacao(const char* mensagem, double a = 0, double b = 0) {
    std::fprintf(stderr, "\n*** invariant violated: %s (%g, %g)\n", mensagem, a, b);
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider dados(data, size);

    std::vector<graficos::LinhaProduto> linhas(dados.ConsumeIntegralInRange<int>(0, 40));
    std::vector<double> valores;
    for (auto& linha : linhas) {
        linha.valor = fuzz::ValorExtremo(dados);
        const std::string descricao = dados.ConsumeRandomLengthString(8);
        linha.descricao = wxString::FromUTF8(descricao.data(), descricao.size());
        valores.push_back(linha.valor);
    }

    // The grid's cells are read back with LerPrefixo; any text must read as some number.
    const std::string celula = dados.ConsumeRandomLengthString(32);
    numero::LerPrefixo(wxString::FromUTF8(celula.data(), celula.size()));

    const std::vector<wxString> percentuais = graficos::CalcularPercentuais(valores);
    if (percentuais.size() != valores.size()) Violacao("one percentage per row");
    for (const wxString& texto : percentuais) {
        // What the grid shows: a plain decimal, never "nan" or "inf".
        if (texto.empty() || texto.find_first_not_of("-0123456789.") != wxString::npos)
            Violacao("percentage text is not a number");
    }

    const int max_fatias = dados.ConsumeBool() ? dados.ConsumeIntegralInRange<int>(-2, 12)
                                               : dados.ConsumeIntegral<int>();
    const int destacada =
        dados.ConsumeBool() ? dados.ConsumeIntegralInRange<int>(-2, static_cast<int>(linhas.size()))
                            : dados.ConsumeIntegral<int>();
    const graficos::Reagrupamento r = graficos::ReagruparFatias(linhas, max_fatias, destacada);
    if (r.agrupada.size() != linhas.size()) Violacao("one grouping flag per row");
    if (r.fatias.size() > linhas.size() ||
        r.fatias.size() > static_cast<std::size_t>(std::max(max_fatias, 1)))
        Violacao("too many slices", r.fatias.size(), max_fatias);

    const int largura = fuzz::TamanhoExtremo(dados);
    const int altura = fuzz::TamanhoExtremo(dados);
    const graficos::GeometriaPizza g = graficos::CalcularGeometriaPizza(r.fatias, largura, altura);
    if (g.raio < 0) Violacao("negative radius", g.raio);
    if (g.raio == 0) {
        if (!g.setores.empty()) Violacao("sectors without a pie");
        return 0;
    }
    auto dentro = [&](int x, int y) { return x >= 0 && x <= largura && y >= 0 && y <= altura; };
    if (!dentro(g.cx, g.cy)) Violacao("centre outside the client area", g.cx, g.cy);

    double soma = 0.0;
    double fim_anterior = 90.0;
    for (const graficos::SetorPizza& s : g.setores) {
        if (!std::isfinite(s.inicio) || !std::isfinite(s.fim) || !std::isfinite(s.fracao))
            Violacao("sector angle is not finite", s.inicio, s.fim);
        if (s.fracao < 0.0 || s.fracao > 1.0) Violacao("share out of range", s.fracao);
        if (s.fim < s.inicio || s.inicio < fim_anterior - 1e-9)
            Violacao("sectors out of order", s.inicio, s.fim);
        if (s.posicao < 0 || s.posicao >= static_cast<int>(r.fatias.size()))
            Violacao("sector of no slice", s.posicao);
        if (!dentro(s.ox, s.oy) || (s.tem_rotulo && !dentro(s.lx, s.ly)))
            Violacao("sector or label outside the client area", s.ox, s.oy);
        soma += s.fracao;
        fim_anterior = s.fim;
    }
    if (soma > 1.0 + 1e-9) Violacao("shares add up to more than the pie", soma);
    return 0;
}
