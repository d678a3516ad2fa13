// The reports on small data worked out by hand: periods, stores with and without their branches
// merged, months and years, years side by side, products with the price history's identity and
// search, the inflation index, and the CSV they are written as.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "relatorios/CsvRelatorios.h"
#include "relatorios/DadosRelatorios.h"
#include "relatorios/MinhaInflacao.h"
#include "relatorios/Periodo.h"
#include "relatorios/RelatorioLojas.h"
#include "relatorios/RelatorioMeses.h"
#include "relatorios/RelatorioProdutos.h"
#include "tests/support/LocaleBrasil.h"

namespace {

using namespace relatorios;

constexpr const char* kAzul1 = "11222333000181";
constexpr const char* kAzul2 = "11.222.333/0002-62";  // the same company, written with punctuation
constexpr const char* kSemCadastro = "44555666000199";
constexpr const char* kCafe = "7891000100103";

// Two branches of one company and a store without its emitente row; five receipts from March
// 2023 to March 2024, none in February 2024. Items only in 2024.
DadosRelatorios Dados() {
    MontadorDados m;
    m.AdicionarCupom(5, "20240315180000", 40, kAzul2, "000555");
    m.AdicionarCupom(1, "20230310100000", 100, kAzul1, "000111");
    m.AdicionarCupom(2, "20240105090000", 50, kAzul1, "000222");
    m.AdicionarCupom(3, "20240120120000", 30, kAzul2, "000333");
    m.AdicionarCupom(4, "20240302080000", 20, kSemCadastro, "000444");
    m.AdicionarCupom(9, "2024-03-01", 999, kAzul1, "");  // no date: left out
    m.AdicionarEmitente(kAzul1, "MERCADO AZUL LTDA", "Mercado Azul, Centro");
    m.AdicionarEmitente(kAzul2, "MERCADO AZUL LTDA", " ");
    m.AdicionarItem(2, kCafe, "CAFÉ PILÃO 500G", 2, "UN", 31.80, 1.80);
    m.AdicionarItem(2, "123", "Pão francês", 0.5, "kg", 7, 0);
    m.AdicionarItem(3, kCafe, "CAFE PILAO TRAD 500G", 1, "UN", 16, 0);
    m.AdicionarItem(3, "9", "PAO FRANCES", 0.25, "KG", 3.5, 0);
    m.AdicionarItem(5, "07891000100103", "CAFÉ PILÃO 500G", 1, "un", 15, 0);
    m.AdicionarItem(9, kCafe, "CAFÉ PILÃO 500G", 1, "UN", 999, 0);  // its receipt was left out
    return m.Concluir();
}

TEST(Periodo, MonthsAndTheWindowsPeriods) {
    EXPECT_EQ(TextoMes(Mes(2024, 2)), "2024-02");
    EXPECT_EQ(Mes(2024, 12) + 1, Mes(2025, 1));
    EXPECT_EQ(LerMes("2024-02"), Mes(2024, 2));
    for (const char* ruim : {"2024-13", "2024-00", "2024-2", "24-02", "2024/02", "0000-01", ""})
        EXPECT_FALSE(LerMes(ruim)) << ruim;

    const DadosRelatorios d = Dados();
    EXPECT_EQ(d.cupons.size(), 5u);
    EXPECT_EQ(d.itens.size(), 5u);
    EXPECT_EQ(PeriodoTudo(d), (Periodo{Mes(2023, 3), Mes(2024, 3)}));
    EXPECT_EQ(PeriodoUltimos12Meses(d), (Periodo{Mes(2023, 4), Mes(2024, 3)}));
    EXPECT_EQ(AnosComCupons(d), (std::vector<int>{2023, 2024}));
    EXPECT_EQ(PeriodoEntre(std::nullopt, Mes(2023, 12), d), (Periodo{Mes(2023, 3), Mes(2023, 12)}));
    EXPECT_EQ(Recortar(PeriodoAno(2023), d), (Periodo{Mes(2023, 3), Mes(2023, 12)}));
    EXPECT_TRUE(Recortar(PeriodoAno(2030), d).Vazio());
}

TEST(Lojas, ByTotalWithBranchesMergedUnderTheLargestInThePeriod) {
    const DadosRelatorios d = Dados();
    const auto lojas = RelatorioLojas(d, PeriodoTudo(d), false);  // 240 in all
    ASSERT_EQ(lojas.size(), 3u);
    EXPECT_EQ(lojas[0].nome, "Mercado Azul, Centro");
    EXPECT_EQ(lojas[0].cupons, 2);
    EXPECT_DOUBLE_EQ(lojas[0].total, 150);
    EXPECT_DOUBLE_EQ(*lojas[0].participacao, 62.5);
    EXPECT_DOUBLE_EQ(lojas[0].ticket_medio, 75);
    EXPECT_EQ(lojas[0].ultima_visita, 20240105090000);
    EXPECT_EQ(lojas[1].nome, "MERCADO AZUL LTDA");   // a blank trade name: the legal name
    EXPECT_EQ(lojas[2].nome, "44.555.666/0001-99");  // no emitente row: the CNPJ
    EXPECT_EQ(lojas[2].cnpj, kSemCadastro);

    // In 2024 the second branch spent more (70 against 50): the merged row takes its name.
    const auto grupos = RelatorioLojas(d, PeriodoAno(2024), true);
    ASSERT_EQ(grupos.size(), 2u);
    EXPECT_EQ(grupos[0].nome, "MERCADO AZUL LTDA");
    EXPECT_EQ(grupos[0].cnpj, kAzul2);
    EXPECT_EQ(grupos[0].cupons, 3);
    EXPECT_DOUBLE_EQ(grupos[0].total, 120);
    EXPECT_DOUBLE_EQ(*grupos[0].participacao, 120.0 / 140 * 100);
    EXPECT_EQ(grupos[0].ultima_visita, 20240315180000);

    const auto cupons = CuponsDaLoja(d, PeriodoAno(2024), grupos[0]);
    ASSERT_EQ(cupons.size(), 3u);
    EXPECT_EQ(cupons[0].id, 5);
    EXPECT_EQ(cupons[0].numero_cfe, "000555");
    EXPECT_EQ(cupons[2].data_hora, 20240105090000);

    const auto barras = BarrasLojas(lojas, 1);
    ASSERT_EQ(barras.size(), 2u);
    EXPECT_TRUE(barras[1].outras);
    EXPECT_EQ(barras[1].rotulo, kRotuloOutrasLojas);
    EXPECT_DOUBLE_EQ(barras[1].total, 90);
    EXPECT_EQ(BarrasLojas(lojas, 3).size(), 3u);
}

TEST(Meses, EveryMonthAndTheChangeOnlyAgainstMonthsInTheData) {
    const DadosRelatorios d = Dados();
    const auto meses = RelatorioMeses(d, PeriodoTudo(d));
    ASSERT_EQ(meses.size(), 13u);
    EXPECT_EQ(meses[0].mes, Mes(2023, 3));
    EXPECT_FALSE(meses[0].variacao_ano);  // March 2022 is before the data
    EXPECT_EQ(meses[1].cupons, 0);        // April 2023: no receipt, no average
    EXPECT_DOUBLE_EQ(meses[1].total, 0);
    EXPECT_FALSE(meses[1].ticket_medio);
    EXPECT_FALSE(meses[11].variacao_ano);  // February 2024 against February 2023
    EXPECT_DOUBLE_EQ(meses[10].total, 80);
    EXPECT_DOUBLE_EQ(*meses[10].ticket_medio, 40);
    EXPECT_DOUBLE_EQ(*meses[12].variacao_ano, -40);  // 60 against 100

    // A year is compared with the same months of the year before, when they are in the data.
    const auto anos = RelatorioAnos(d, PeriodoTudo(d));
    ASSERT_EQ(anos.size(), 2u);
    EXPECT_DOUBLE_EQ(anos[0].total, 100);
    EXPECT_DOUBLE_EQ(anos[1].total, 140);
    EXPECT_DOUBLE_EQ(*anos[1].ticket_medio, 35);
    EXPECT_FALSE(anos[1].variacao);  // January and February 2023 are before the data
    const auto marco = RelatorioAnos(d, {Mes(2024, 3), Mes(2024, 3)});
    ASSERT_EQ(marco.size(), 1u);
    EXPECT_DOUBLE_EQ(*marco[0].variacao, -40);

    const AnoAAno t = RelatorioAnoAAno(d, PeriodoTudo(d));
    EXPECT_EQ(t.anos, (std::vector<int>{2023, 2024}));
    ASSERT_EQ(t.linhas.size(), 13u);
    EXPECT_FALSE(t.linhas[0].totais[0]);  // January 2023 is outside the period
    EXPECT_DOUBLE_EQ(*t.linhas[0].totais[1], 80);
    EXPECT_FALSE(t.linhas[0].variacao);  // no receipt in January 2023
    EXPECT_DOUBLE_EQ(*t.linhas[3].totais[0], 0);
    EXPECT_FALSE(t.linhas[3].totais[1]);
    EXPECT_DOUBLE_EQ(*t.linhas[2].variacao, -40);
    EXPECT_EQ(t.linhas[12].mes, 0);
    EXPECT_DOUBLE_EQ(*t.linhas[12].totais[0], 100);
    EXPECT_DOUBLE_EQ(*t.linhas[12].totais[1], 140);
    EXPECT_DOUBLE_EQ(*t.linhas[12].variacao, -40);  // March alone has receipts in both
}

TEST(Produtos, OneRowPerIdentityWithItsMostFrequentTextsAndTheSearch) {
    const DadosRelatorios d = Dados();
    const auto produtos = RelatorioProdutos(d, PeriodoAno(2024));  // 71.50 of lines
    ASSERT_EQ(produtos.size(), 2u);
    const LinhaProduto& cafe = produtos[0];  // its GTIN in 13 and in 14 digits
    EXPECT_EQ(TextoProduto(cafe.chave), "07891000100103");
    EXPECT_EQ(cafe.descricao, "CAFÉ PILÃO 500G");
    EXPECT_EQ(cafe.compras, 3);
    EXPECT_DOUBLE_EQ(cafe.quantidade, 4);
    EXPECT_EQ(cafe.unidade, "UN");
    EXPECT_DOUBLE_EQ(cafe.total, 61);  // 30 + 16 + 15: the discount taken off
    EXPECT_DOUBLE_EQ(*cafe.preco_medio, 15.25);
    EXPECT_DOUBLE_EQ(*cafe.participacao, 61 / 71.5 * 100);
    const LinhaProduto& pao = produtos[1];  // no GTIN: its normalised description
    EXPECT_EQ(TextoProduto(pao.chave), "PAO FRANCES");
    EXPECT_EQ(pao.descricao, "PAO FRANCES");  // one line each: the later one
    EXPECT_EQ(pao.unidade, "KG");
    EXPECT_DOUBLE_EQ(*pao.preco_medio, 10.5 / 0.75);

    const std::pair<const char*, std::vector<std::string>> buscas[] = {
        {"pilão 500", {"CAFÉ PILÃO 500G"}},
        {"123", {"PAO FRANCES"}},  // a code
        {"fran pa", {"PAO FRANCES"}},
        {"cafe xyz", {}},
    };
    for (const auto& [busca, esperado] : buscas) {
        std::vector<std::string> achados;
        for (const LinhaProduto& p : RelatorioProdutos(d, PeriodoAno(2024), busca))
            achados.push_back(p.descricao);
        EXPECT_EQ(achados, esperado) << busca;
    }
    // The search leaves the shares of the whole period.
    EXPECT_DOUBLE_EQ(*RelatorioProdutos(d, PeriodoAno(2024), "pao")[0].participacao,
                     10.5 / 71.5 * 100);

    // A store's own code (restricted circulation) is a product of that store only.
    MontadorDados m;
    m.AdicionarCupom(1, "20240105090000", 10, kAzul1, "");
    m.AdicionarCupom(2, "20240106090000", 20, kSemCadastro, "");
    m.AdicionarCupom(3, "20240107090000", 30, kAzul1, "");
    m.AdicionarItem(1, "2000123000008", "PICANHA KG", 1, "KG", 10, 0);
    m.AdicionarItem(2, "2000123000008", "QUEIJO KG", 1, "KG", 20, 0);
    m.AdicionarItem(3, "02000123000008", "PICANHA KG", 1, "KG", 30, 0);
    const auto proprios = RelatorioProdutos(m.Concluir(), PeriodoAno(2024));
    ASSERT_EQ(proprios.size(), 2u);
    EXPECT_EQ(proprios[0].descricao, "PICANHA KG");
    EXPECT_EQ(proprios[0].compras, 2);
    EXPECT_EQ(TextoProduto(proprios[0].chave), "02000123000008@11222333000181");
    EXPECT_EQ(proprios[1].descricao, "QUEIJO KG");
    EXPECT_DOUBLE_EQ(proprios[1].total, 20);
}

TEST(Relatorios, NothingToReportGivesNoRowsAndNoDivision) {
    const DadosRelatorios vazio = MontadorDados().Concluir();
    EXPECT_TRUE(PeriodoTudo(vazio).Vazio());
    EXPECT_TRUE(PeriodoUltimos12Meses(vazio).Vazio());
    EXPECT_TRUE(AnosComCupons(vazio).empty());
    const DadosRelatorios d = Dados();
    for (const auto& [dados, periodo] :
         {std::pair(&vazio, PeriodoAno(2024)), std::pair(&d, PeriodoAno(2030))}) {
        EXPECT_TRUE(RelatorioLojas(*dados, periodo, true).empty());
        EXPECT_TRUE(RelatorioMeses(*dados, periodo).empty());
        EXPECT_TRUE(RelatorioAnos(*dados, periodo).empty());
        EXPECT_TRUE(RelatorioAnoAAno(*dados, periodo).linhas.empty());
        EXPECT_TRUE(RelatorioProdutos(*dados, periodo).empty());
        EXPECT_TRUE(RelatorioInflacao(*dados, periodo).meses.empty());
    }
    // Receipts of total 0: shares of nothing.
    MontadorDados m;
    m.AdicionarCupom(1, "20240101000000", 0, kAzul1, "");
    m.AdicionarItem(1, "1", "BRINDE", 1, "UN", 0, 0);
    const DadosRelatorios zero = m.Concluir();
    EXPECT_FALSE(RelatorioLojas(zero, PeriodoTudo(zero), false)[0].participacao);
    EXPECT_FALSE(RelatorioProdutos(zero, PeriodoTudo(zero))[0].participacao);
}

// Three products over three months of 2024, worked out by hand.
//   January:  A at 10 and 12 (median 11, spent 22); B 2 x 5 (5, spent 10); C at 8.
//   February: A 2 x 12.10 (12.10, spent 24.20; relative 1.1);
//             B at 4, 5 less 0.50 and 6 (median 4.50, spent 14.50; relative 0.9);
//             C at 32, a new pack (relative 4 > 3: left out), and a line of quantity 0.
//     Shares of A and B: January 22/32 = 0.6875 and 0.3125; February 24.2/38.7 = 0.625323 and
//     0.374677. Weights 0.656411 and 0.343589.
//     ln change = 0.656411 ln 1.1 + 0.343589 ln 0.9 = 0.062563 - 0.036200 = 0.026362
//     change +2.671259 %, index 102.671259.
//   March:    A at 12.10 (relative 1); B 2 x 4.95 (relative 1.1); C at 33.60 (relative 1.05);
//             D, bought for the first time, is not compared.
//     Shares in February 24.2, 14.5, 32 of 70.7; in March 12.1, 9.9, 33.6 of 55.6.
//     Weights A 0.279959, B 0.191575, C 0.528467.
//     ln change = 0.191575 ln 1.1 + 0.528467 ln 1.05 = 0.018259 + 0.025784 = 0.044043
//     change +4.502729 %, index 102.671259 x 1.045027 = 107.294267.
//   Contributions: A +0.062563 (February), C +0.025784, B -0.036200 + 0.018259 = -0.017942.
DadosRelatorios TresProdutos() {
    MontadorDados m;
    m.AdicionarCupom(1, "20240110100000", 0, kAzul1, "");
    m.AdicionarCupom(2, "20240210100000", 0, kAzul1, "");
    m.AdicionarCupom(3, "20240310100000", 0, kAzul1, "");
    const struct {
        int cupom;
        const char* produto;
        double qtde, total, desconto;
    } linhas[] = {
        {1, "A", 1, 10, 0},   {1, "A", 1, 12, 0}, {1, "B", 2, 10, 0},   {1, "C", 1, 8, 0},
        {2, "A", 2, 24.2, 0}, {2, "B", 1, 4, 0},  {2, "B", 1, 5, 0.5},  {2, "B", 1, 6, 0},
        {2, "C", 1, 32, 0},   {2, "C", 0, 5, 0},  {3, "A", 1, 12.1, 0}, {3, "B", 2, 9.9, 0},
        {3, "C", 1, 33.6, 0}, {3, "D", 1, 50, 0},
    };
    for (const auto& l : linhas)
        m.AdicionarItem(l.cupom, "", l.produto, l.qtde, "UN", l.total, l.desconto);
    return m.Concluir();
}

TEST(MinhaInflacao, ChainedTornqvistWorkedOutByHand) {
    const DadosRelatorios d = TresProdutos();
    const MinhaInflacao r = RelatorioInflacao(d, PeriodoTudo(d), 2);
    ASSERT_EQ(r.meses.size(), 3u);
    EXPECT_DOUBLE_EQ(r.meses[0].indice, 100);
    EXPECT_FALSE(r.meses[0].variacao_mes);
    EXPECT_EQ(r.meses[1].produtos_comparados, 2);  // C's pack change left out
    EXPECT_NEAR(*r.meses[1].variacao_mes, 2.671259, 1e-6);
    EXPECT_NEAR(r.meses[1].indice, 102.671259, 1e-6);
    EXPECT_EQ(r.meses[2].produtos_comparados, 3);
    EXPECT_NEAR(*r.meses[2].variacao_mes, 4.502729, 1e-6);
    EXPECT_NEAR(r.meses[2].indice, 107.294267, 1e-6);
    EXPECT_FALSE(r.meses[2].variacao_12m);
    ASSERT_EQ(r.altas.size(), 2u);
    EXPECT_EQ(r.altas[0].descricao, "A");
    EXPECT_NEAR(r.altas[0].contribuicao, 0.062563, 1e-6);
    EXPECT_EQ(r.altas[1].descricao, "C");
    ASSERT_EQ(r.baixas.size(), 1u);
    EXPECT_EQ(r.baixas[0].descricao, "B");
    EXPECT_NEAR(r.baixas[0].contribuicao, -0.017942, 1e-6);
    EXPECT_EQ(r.baixas[0].meses, 2);

    // Needing three products, February keeps the index; March is compared with February alone.
    const MinhaInflacao tres = RelatorioInflacao(d, PeriodoTudo(d), 3);
    EXPECT_TRUE(tres.meses[1].mantido);
    EXPECT_DOUBLE_EQ(tres.meses[1].indice, 100);
    EXPECT_FALSE(tres.meses[1].variacao_mes);
    EXPECT_NEAR(tres.meses[2].indice, 104.502729, 1e-6);
    // With the default of five, no month counts.
    EXPECT_DOUBLE_EQ(RelatorioInflacao(d, PeriodoTudo(d)).meses[2].indice, 100);
}

TEST(MinhaInflacao, TwelveMonthChangeAgainstTheIndexAYearBefore) {
    // Five products, each 1 % dearer every month: the index of month 13 is 100 x 1.01^12.
    MontadorDados m;
    for (int mes = 0; mes < 13; ++mes)
        m.AdicionarCupom(mes + 1, TextoMes(Mes(2023, 1) + mes).erase(4, 1) + "10120000", 0, kAzul1,
                         "");
    for (int mes = 0; mes < 13; ++mes)
        for (const char* p : {"P1", "P2", "P3", "P4", "P5"})
            m.AdicionarItem(mes + 1, "", p, 1, "UN", (p[1] - '0') * std::pow(1.01, mes), 0);
    const DadosRelatorios d = m.Concluir();
    const MinhaInflacao r = RelatorioInflacao(d, PeriodoTudo(d));
    ASSERT_EQ(r.meses.size(), 13u);
    EXPECT_FALSE(r.meses[11].variacao_12m);
    EXPECT_NEAR(*r.meses[12].variacao_12m, 12.682503, 1e-6);
    EXPECT_NEAR(*r.meses[5].variacao_mes, 1, 1e-9);
}

TEST(Csv, QuotedFieldsPointDecimalsAndEmptyValues) {
    teste::LocaleBrasil locale;  // a comma locale must not reach the numbers
    const std::pair<const char*, const char*> campos[] = {
        {"simples", "simples"},
        {"a,b", "\"a,b\""},
        {"diz \"oi\"", "\"diz \"\"oi\"\"\""},
        {"duas\nlinhas", "\"duas\nlinhas\""},
        {"", ""},
    };
    for (const auto& [campo, esperado] : campos) {
        std::string saida;
        AcrescentarCampoCsv(saida, campo);
        EXPECT_EQ(saida, esperado);
    }
    EXPECT_EQ(TextoDecimal(1234.5, 2), "1234.50");
    EXPECT_EQ(TextoDecimal(-0.001, 2), "0.00");
    EXPECT_EQ(TextoDecimal(std::nullopt, 2), "");

    const DadosRelatorios d = Dados();
    EXPECT_EQ(CsvLojas(RelatorioLojas(d, PeriodoTudo(d), false)),
              "cnpj,nome,cupons,total,participacao,ticket_medio,ultima_visita\n"
              "11222333000181,\"Mercado Azul, Centro\",2,150.00,62.50,75.00,2024-01-05\n"
              "11.222.333/0002-62,MERCADO AZUL LTDA,2,70.00,29.17,35.00,2024-03-15\n"
              "44555666000199,44.555.666/0001-99,1,20.00,8.33,20.00,2024-03-02\n");
    const std::string ano_a_ano = CsvAnoAAno(RelatorioAnoAAno(d, PeriodoTudo(d)));
    EXPECT_EQ(ano_a_ano.substr(0, ano_a_ano.find('\n', ano_a_ano.find('\n') + 1) + 1),
              "mes,2023,2024,variacao\n1,,80.00,\n");
    EXPECT_NE(ano_a_ano.find("\n3,100.00,60.00,-40.00\n"), std::string::npos);
    EXPECT_NE(ano_a_ano.find("\nTotal,100.00,140.00,-40.00\n"), std::string::npos);
    EXPECT_EQ(CsvProdutos(RelatorioProdutos(d, PeriodoAno(2024), "pao")),
              "produto,descricao,compras,quantidade,unidade,preco_medio,total,participacao\n"
              "PAO FRANCES,PAO FRANCES,2,0.750,KG,14.00,10.50,14.69\n");
    const DadosRelatorios tres = TresProdutos();
    EXPECT_EQ(CsvInflacao(RelatorioInflacao(tres, PeriodoTudo(tres), 2)),
              "mes,indice,variacao_mes,variacao_12m,produtos_comparados\n"
              "2024-01,100.00,,,0\n2024-02,102.67,2.67,,2\n2024-03,107.29,4.50,,3\n");
    EXPECT_EQ(CsvMeses(RelatorioMeses(d, {Mes(2024, 2), Mes(2024, 3)})),
              "mes,total,cupons,ticket_medio,variacao_ano\n2024-02,0.00,0,,\n"
              "2024-03,60.00,2,30.00,-40.00\n");
    EXPECT_EQ(CsvAnos(RelatorioAnos(d, PeriodoTudo(d))),
              "ano,total,cupons,ticket_medio,variacao\n2023,100.00,1,100.00,\n"
              "2024,140.00,4,35.00,\n");
}

}  // namespace
