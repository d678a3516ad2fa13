// The sample-data generator: same seed, same feed; and feeds that the import and the views can
// take as real data (well-formed keys, dates, totals and issuers).
#include "service/GeradorCupons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

using nlohmann::json;

namespace {

bool SoDigitos(const std::string& s, std::size_t tamanho) {
    return s.size() == tamanho && s.find_first_not_of("0123456789") == std::string::npos;
}

int Cents(double valor) {
    return static_cast<int>(std::llround(valor * 100.0));
}

// Check digit of an access key: modulo 11 with weights 2..9 from the right.
bool ChaveValida(const std::string& chave) {
    int soma = 0, peso = 2;
    for (int i = 42; i >= 0; --i) {
        soma += (chave[static_cast<std::size_t>(i)] - '0') * peso;
        peso = peso == 9 ? 2 : peso + 1;
    }
    const int dv = 11 - soma % 11;
    return chave[43] - '0' == (dv >= 10 ? 0 : dv);
}

bool CnpjValido(const std::string& cnpj) {
    const auto digito = [&](int n) {
        int soma = 0, peso = n - 7;  // 5 for the first digit, 6 for the second
        for (int i = 0; i < n; ++i) {
            soma += (cnpj[static_cast<std::size_t>(i)] - '0') * peso;
            peso = peso == 2 ? 9 : peso - 1;
        }
        return soma % 11 < 2 ? 0 : 11 - soma % 11;
    };
    return cnpj[12] - '0' == digito(12) && cnpj[13] - '0' == digito(13);
}

}  // namespace

TEST(GeradorCupons, SameSeedGivesTheSameFeedAndAnotherSeedAnother) {
    servico::OpcoesGerador opcoes;
    opcoes.semente = 7;
    opcoes.anos = 1;
    opcoes.cupons_por_mes = 15;
    const json a = servico::GerarCupons(opcoes);
    EXPECT_EQ(a, servico::GerarCupons(opcoes));
    opcoes.semente = 8;
    EXPECT_NE(a, servico::GerarCupons(opcoes));

    // Pinned values: the feed must not change with the standard library or the platform.
    EXPECT_EQ(a.front()["chave_acesso"], "35220123456781000129599000234561610178320021");
    EXPECT_EQ(a.front()["data_hora_emissao"], "20220104214145");
    EXPECT_EQ(a.back()["chave_acesso"], "35221212345678000195599000123451421577851389");
    EXPECT_DOUBLE_EQ(a.back()["valor_total"].get<double>(), 647.02);
}

TEST(GeradorCupons, SizesAndIdsFollowTheOptions) {
    servico::OpcoesGerador opcoes;
    opcoes.ano_inicial = 2023;
    opcoes.anos = 2;
    opcoes.cupons_por_mes = 7;
    opcoes.primeiro_id = 500;
    const json feed = servico::GerarCupons(opcoes);
    ASSERT_TRUE(feed.is_array());
    ASSERT_EQ(feed.size(), 2u * 12u * 7u);
    std::map<std::string, int> por_mes;
    for (std::size_t i = 0; i < feed.size(); ++i) {
        EXPECT_EQ(feed[i]["id"].get<int>(), 500 + static_cast<int>(i));
        por_mes[feed[i]["data_hora_emissao"].get<std::string>().substr(0, 6)]++;
    }
    ASSERT_EQ(por_mes.size(), 24u);
    EXPECT_EQ(por_mes.begin()->first, "202301");
    EXPECT_EQ(por_mes.rbegin()->first, "202412");
    for (const auto& [mes, n] : por_mes) EXPECT_EQ(n, 7) << mes;

    opcoes.anos = 0;
    EXPECT_EQ(servico::GerarCupons(opcoes), json::array());
    opcoes.anos = 1;
    opcoes.cupons_por_mes = 0;
    EXPECT_EQ(servico::GerarCupons(opcoes), json::array());
}

TEST(GeradorCupons, ReceiptsAreWellFormedAndConsistent) {
    servico::OpcoesGerador opcoes;
    opcoes.ano_inicial = 2024;  // includes a leap February
    const json feed = servico::GerarCupons(opcoes);
    ASSERT_EQ(feed.size(), 3u * 12u * 20u);

    std::set<std::string> chaves, cnpjs, descricoes_acentuadas;
    std::string data_anterior;
    std::size_t total_itens = 0, max_itens = 0;
    int url_nula = 0, obs_ausente = 0, obs_nula = 0, obs_texto = 0, inf_ausente = 0, inf_nula = 0,
        inf_texto = 0, com_desconto = 0;

    for (const json& c : feed) {
        SCOPED_TRACE(c["id"].get<int>());
        const std::string data = c["data_hora_emissao"];
        ASSERT_TRUE(SoDigitos(data, 14)) << data;
        EXPECT_GT(data, data_anterior);  // strictly after the previous receipt
        data_anterior = data;
        const int mes = std::stoi(data.substr(4, 2)), dia = std::stoi(data.substr(6, 2));
        EXPECT_TRUE(mes >= 1 && mes <= 12 && dia >= 1 && dia <= 31);
        EXPECT_LT(data.substr(8, 2), "24");

        EXPECT_TRUE(SoDigitos(c["numero_cfe"], 6));
        EXPECT_TRUE(SoDigitos(c["numero_serie_sat"], 9));

        const std::string chave = c["chave_acesso"];
        ASSERT_TRUE(SoDigitos(chave, 44)) << chave;
        EXPECT_TRUE(ChaveValida(chave)) << chave;
        EXPECT_TRUE(chaves.insert(chave).second) << "repeated key " << chave;

        const json& e = c["emitente"];
        for (const char* campo :
             {"cnpj", "ie", "im", "nome", "fantasia", "endereco", "bairro", "cep", "municipio"}) {
            ASSERT_TRUE(e[campo].is_string()) << campo;
        }
        const std::string cnpj = e["cnpj"];
        ASSERT_TRUE(SoDigitos(cnpj, 14));
        EXPECT_TRUE(CnpjValido(cnpj)) << cnpj;
        EXPECT_EQ(chave.substr(6, 14), cnpj);
        EXPECT_EQ(chave.substr(2, 4), data.substr(2, 4));
        cnpjs.insert(cnpj);

        if (c["url_consulta"].is_null()) {
            ++url_nula;
        } else {
            EXPECT_NE(c["url_consulta"].get<std::string>().find(chave), std::string::npos);
            EXPECT_EQ(c["url_consulta"].get<std::string>().rfind("https://", 0), 0u);
        }
        const auto conta = [](const json& c, const char* chave, int& ausente, int& nula,
                              int& texto) {
            if (!c.contains(chave)) {
                ++ausente;
            } else if (c[chave].is_null()) {
                ++nula;
            } else {
                EXPECT_TRUE(c[chave].is_string());
                ++texto;
            }
        };
        conta(c, "obs_cupom", obs_ausente, obs_nula, obs_texto);
        conta(c, "obs_inf", inf_ausente, inf_nula, inf_texto);

        const json& itens = c["itens"];
        ASSERT_TRUE(itens.is_array());
        ASSERT_GE(itens.size(), 1u);
        EXPECT_LE(itens.size(), 45u);
        total_itens += itens.size();
        max_itens = std::max(max_itens, itens.size());
        int liquido = 0, tributos = 0, seq = 0;
        for (const json& it : itens) {
            EXPECT_EQ(it["seq"].get<int>(), ++seq);
            EXPECT_TRUE(SoDigitos(it["codigo"], 13));
            const std::string un = it["un"];
            EXPECT_TRUE(un == "UN" || un == "KG" || un == "L") << un;
            const double qtde = it["qtde"], unit = it["valor_unit"];
            EXPECT_GT(qtde, 0.0);
            EXPECT_GT(unit, 0.0);
            EXPECT_NEAR(it["valor_total"].get<double>(), std::round(qtde * unit * 100.0) / 100.0,
                        0.0051);
            const int desconto = Cents(it["desconto"]);
            EXPECT_GE(desconto, 0);
            EXPECT_LT(desconto, 100);
            if (desconto > 0) ++com_desconto;
            liquido += Cents(it["valor_total"]) - desconto;
            tributos += Cents(it["tributos"]);
            const std::string descricao = it["descricao"];
            if (descricao.find_first_of("\xC3") != std::string::npos)
                descricoes_acentuadas.insert(descricao);
        }
        EXPECT_EQ(Cents(c["valor_total"]), liquido);
        EXPECT_EQ(Cents(c["total_tributos"]), tributos);
        // Money has at most two decimals.
        EXPECT_NEAR(c["valor_total"].get<double>() * 100.0, liquido, 1e-6);
    }

    EXPECT_GE(cnpjs.size(), 10u);
    const double media = static_cast<double>(total_itens) / static_cast<double>(feed.size());
    EXPECT_GT(media, 18.0);
    EXPECT_LT(media, 32.0);
    EXPECT_GE(max_itens, 40u);
    EXPECT_GT(url_nula, 0);
    EXPECT_LT(url_nula, 100);
    for (int n : {obs_ausente, obs_nula, obs_texto, inf_ausente, inf_nula, inf_texto, com_desconto})
        EXPECT_GT(n, 0);
    EXPECT_GE(descricoes_acentuadas.size(), 10u);
    EXPECT_NO_THROW(feed.dump());  // strict UTF-8 throughout
}

TEST(GeradorCupons, CommandLineOptionsSetTheGeneratorOrAreRefused) {
    servico::OpcoesGerador opcoes = servico::kOpcoesDemo;
    EXPECT_TRUE(servico::AplicarOpcaoGerador(opcoes, "--years", "5"));
    EXPECT_TRUE(servico::AplicarOpcaoGerador(opcoes, "--per-month", "7"));
    EXPECT_TRUE(servico::AplicarOpcaoGerador(opcoes, "--start-year", "2019"));
    EXPECT_TRUE(servico::AplicarOpcaoGerador(opcoes, "--seed", "99"));
    EXPECT_EQ(opcoes.anos, 5);
    EXPECT_EQ(opcoes.cupons_por_mes, 7);
    EXPECT_EQ(opcoes.ano_inicial, 2019);
    EXPECT_EQ(opcoes.semente, 99u);
    EXPECT_FALSE(servico::AplicarOpcaoGerador(opcoes, "--port", "1"));
    EXPECT_THROW(servico::AplicarOpcaoGerador(opcoes, "--years", "3x"), std::invalid_argument);
    EXPECT_THROW(servico::AplicarOpcaoGerador(opcoes, "--seed", ""), std::invalid_argument);
    EXPECT_EQ(opcoes.anos, 5);

    EXPECT_TRUE(servico::AplicarOpcaoGerador(opcoes, "--end-date", "2024-02-29"));
    EXPECT_EQ(opcoes.fim, 20240229235959);
    EXPECT_TRUE(servico::AplicarOpcaoGerador(opcoes, "--end-date", "2026-12-09T08:05:01"));
    EXPECT_EQ(opcoes.fim, 20261209080501);
    for (const char* data :
         {"2026-02-29", "2026-13-01", "2026-1-01", "2026-12-09 08:05:01", "+026-12-09"})
        EXPECT_THROW(servico::AplicarOpcaoGerador(opcoes, "--end-date", data),
                     std::invalid_argument);
    EXPECT_TRUE(servico::AplicarOpcaoGerador(opcoes, "--start-year", "2019"));
    EXPECT_EQ(opcoes.fim, 0);
}

// An end cuts the whole years that end in its year right after it: the same seed and end give
// the same receipts, and a later end only adds receipts after them.
TEST(GeradorCupons, EndMomentCutsTheYearsEndingInIt) {
    servico::OpcoesGerador anos_inteiros;
    anos_inteiros.ano_inicial = 2024;
    anos_inteiros.cupons_por_mes = 4;
    servico::OpcoesGerador ate = anos_inteiros;
    ate.fim = 20260615120000;
    const json inteiro = servico::GerarCupons(anos_inteiros), cortado = servico::GerarCupons(ate);
    ASSERT_LT(cortado.size(), inteiro.size());
    EXPECT_EQ(cortado, json(inteiro.begin(), inteiro.begin() + static_cast<long>(cortado.size())));
    EXPECT_LE(cortado.back()["data_hora_emissao"], "20260615120000");
    EXPECT_GT(inteiro[cortado.size()]["data_hora_emissao"], "20260615120000");
}
