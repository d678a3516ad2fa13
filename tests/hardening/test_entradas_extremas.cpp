// Bad input that reaches the program's arithmetic: service ids beyond 32 bits in the receipt
// feed, and chart values and client sizes at the limits of double and int. None may be undefined
// behaviour (the sanitizer build halts on it), and none may store or draw something half-made.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "charts/BarChartGeometry.h"
#include "charts/PieChartGeometry.h"
#include "db/BancoDados.h"
#include "tests/support/DadosTeste.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMaior = std::numeric_limits<double>::max();

// A receipt of one line whose service id and line number are any JSON value.
nlohmann::json Cupom(const std::string& chave, nlohmann::json id, nlohmann::json seq = 1) {
    nlohmann::json cupom = teste::CupomJson({.chave = chave});
    cupom["id"] = std::move(id);
    cupom["itens"][0]["seq"] = std::move(seq);
    return cupom;
}

std::string Consultar(BancoDados& banco, const char* sql) {
    Registro row;
    banco.ConsultarRegistro(sql, row);
    return row.empty() ? std::string() : row.begin()->second.ToStdString(wxConvUTF8);
}

bool Continuar(wxString) {
    return true;
}

std::vector<BarItem> Barras(const std::vector<double>& valores) {
    std::vector<BarItem> bars;
    for (double v : valores) bars.push_back({"01", v, false});
    return bars;
}

wxSize MedirFixo(const wxString& texto) {
    return wxSize(7 * static_cast<int>(texto.length()), 14);
}

}  // namespace

// A real id is truncated as before; a number no 32-bit id can hold, in any receipt or line,
// rejects the whole feed instead of converting it (undefined for a real, a silent wrap into
// another receipt's id for an integer).
TEST(EntradaExtrema, ServiceIdsBeyond32BitsRejectTheWholeFeed) {
    BancoDados banco;
    banco.ImportarCupons(nlohmann::json::array({Cupom("A1", 2147483647.9), Cupom("A2", -7.5)}),
                         Continuar);
    EXPECT_EQ(Consultar(banco, "SELECT group_concat(id_zelkari) FROM cupom"), "2147483647,-7");

    const std::vector<nlohmann::json> ruins = {
        nlohmann::json::array({Cupom("B1", 1), Cupom("B2", 1e300)}),
        nlohmann::json::array({Cupom("B1", 1), Cupom("B2", -1e300)}),
        nlohmann::json::array({Cupom("B1", 5000000000LL)}),
        nlohmann::json::array({Cupom("B1", -2147483649LL)}),
        nlohmann::json::array({Cupom("B1", 1), Cupom("B2", 2, 1e20)}),
        nlohmann::json::array({Cupom("B1", 1, 4294967296ULL)}),
        nlohmann::json::array({{{"id", 1e300}, {"chave_acesso", nullptr}}}),
    };
    for (const auto& feed : ruins) {
        EXPECT_THROW(banco.ImportarCupons(feed, Continuar), std::exception) << feed.dump();
        EXPECT_EQ(Consultar(banco, "SELECT COUNT(*) FROM cupom"), "2") << feed.dump();
        EXPECT_EQ(Consultar(banco, "SELECT COUNT(*) FROM cupom_item"), "2") << feed.dump();
    }
}

TEST(EntradaExtrema, PieOfHugeInfiniteAndNaNValuesInAnySize) {
    using graficos::CalcularGeometriaPizza;
    std::vector<PieSlice> fatias(4);
    fatias[0].value = kMaior;
    fatias[1].value = kMaior;
    fatias[1].highlighted = true;
    fatias[2].value = kInf;
    fatias[3].value = kNaN;

    // The two huge slices overflow any plain sum: each is still half of the pie.
    const auto g = CalcularGeometriaPizza(fatias, 400, 300);
    ASSERT_EQ(g.setores.size(), 2u);
    for (const auto& s : g.setores) {
        EXPECT_DOUBLE_EQ(s.fracao, 0.5);
        EXPECT_EQ(s.rotulo, "50.0%");
    }
    EXPECT_DOUBLE_EQ(g.setores[1].fim, 450.0);

    // Only infinite or NaN values: nothing to draw.
    EXPECT_EQ(CalcularGeometriaPizza({fatias[2], fatias[3]}, 400, 300).raio, 0);
    for (const int lado : {INT_MIN, -1, 0, 40, INT_MAX}) {
        const auto h = CalcularGeometriaPizza(fatias, lado, lado);
        EXPECT_GE(h.raio, 0);
        for (const auto& s : h.setores) EXPECT_TRUE(std::isfinite(s.fim));
    }
}

TEST(EntradaExtrema, BarsOfHugeInfiniteAndNaNValuesInAnySize) {
    const auto g = graficos::CalcularGeometriaBarras(Barras({kMaior, kInf, kNaN, -kMaior, 100}),
                                                     wxSize(600, 390), MedirFixo);
    ASSERT_TRUE(g.desenhar);
    // The largest finite value is the top when rounding it up would overflow.
    EXPECT_DOUBLE_EQ(g.escala.topo, kMaior);
    EXPECT_EQ(g.barras[0].retangulo.height, 300);
    EXPECT_EQ(g.barras[1].retangulo.height, 0);       // infinite: no bar
    EXPECT_EQ(g.barras[2].retangulo.height, 0);       // NaN: no bar
    EXPECT_EQ(g.barras[3].retangulo.y, g.area.base);  // hangs below the baseline, as an int
    EXPECT_GT(g.barras[3].retangulo.height, 0);

    for (const int lado : {INT_MIN, -1, 0, 100, 101, INT_MAX}) {
        const auto h = graficos::CalcularGeometriaBarras(Barras({-1e300, 5, kInf}),
                                                         wxSize(lado, lado), MedirFixo);
        EXPECT_EQ(h.desenhar, lado > 100) << lado;
        for (const auto& b : h.barras) EXPECT_GE(b.retangulo.height, 0) << lado;
    }
}
