// Product identity and search on their own: normalised descriptions, the GTIN check, one product
// across stores and descriptions, word matching, and the summary of a product's purchases.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "precos/CatalogoPrecos.h"
#include "precos/HistoricoProduto.h"
#include "precos/Produto.h"

namespace {

using precos::CatalogoPrecos;

TEST(Produto, NormalisesCaseAccentsAndBlanks) {
    const std::pair<std::string, std::string> casos[] = {
        {"  Café   Torrado\tMoído 500g ", "CAFE TORRADO MOIDO 500G"},
        {"açúcar refinado", "ACUCAR REFINADO"},
        {"PÃO\u00a0FRANCÊS\n KG", "PAO FRANCES KG"},
        {"Ovos Dúzia ÆØ ß œ ñ", "OVOS DUZIA AEO SS OE N"},
        {"CAFE\u0301 decomposto", "CAFE DECOMPOSTO"},  // a combining accent
        {"a\xff\xfe"
         "b \xc3",
         "AB"},                            // bytes that are not UTF-8 are dropped
        {"100% × 2 € ª", "100% × 2 € ª"},  // not letters with accents: kept
        {" \t ", ""},
    };
    for (const auto& [entrada, esperado] : casos) EXPECT_EQ(precos::Normalizar(entrada), esperado);
}

TEST(Produto, AcceptsOnlyGtinsWithTheRightCheckDigit) {
    const std::pair<const char*, bool> casos[] = {
        {"96385074", true},
        {"036000291452", true},
        {"7891000100103", true},
        {"10012345678902", true},
        {" 7891000100103 ", true},
        {"7891000100104", false},
        {"789100010010", false},
        {"78910001001", false},
        {"789100010010A", false},
        {"00000000000000", false},
        {"", false},
        {"123", false},
    };
    for (const auto& [codigo, valido] : casos)
        EXPECT_EQ(precos::GtinValido(codigo), valido) << codigo;
    // A GTIN-13 and the same number written with 14 digits are one product.
    EXPECT_EQ(precos::ChaveProduto("7891000100103", "A"),
              precos::ChaveProduto("07891000100103", "B"));
    EXPECT_EQ(precos::ChaveProduto("123", "Pão  francês"),
              precos::ChaveProduto("9", "PAO FRANCES"));
    EXPECT_NE(precos::ChaveProduto("7891000100103", "PAO"), precos::ChaveProduto("", "PAO"));

    // Restricted circulation: a store's own numbers, whatever the leading zeros.
    const std::pair<const char*, bool> restritos[] = {
        {"2000123000008", true}, {"02000123000008", true}, {"20123451", true},
        {"01234565", true},      {"212345678909", true},   {"412345678903", true},
        {"0412345678903", true}, {"012345678905", false},  {"7891000100103", false},
        {"96385074", false},     {"2000123000007", false},  // not a GTIN: wrong check digit
    };
    for (const auto& [codigo, restrito] : restritos)
        EXPECT_EQ(precos::GtinRestrito(codigo), restrito) << codigo;
    EXPECT_EQ(precos::ChaveProduto("2000123000008", "PICANHA", "11111111000111"),
              "G02000123000008@11111111000111");
    EXPECT_EQ(precos::ChaveProduto("7891000100103", "CAFE", "11111111000111"), "G07891000100103");
    EXPECT_EQ(precos::LojaDaChave("G02000123000008@11111111000111"), "11111111000111");
    EXPECT_EQ(precos::LojaDaChave("DPAO @ KG"), "");
}

TEST(Produto, EveryWordMatchesInAnyOrderWithOrWithoutAccents) {
    const std::string busca = precos::Normalizar("Café Pilão Tradicional 500g") + "\n7891000100103";
    const std::pair<const char*, bool> casos[] = {
        {"cafe", true},       {"CAFÉ", true},
        {"pilao cafe", true}, {"  tRAD  caf ", true},
        {"7891", true},       {"500", true},
        {"", true},           {"cafe cha", false},
        {"pilão 250", false}, {"café\ntradicional", true},
    };
    for (const auto& [digitado, corresponde] : casos)
        EXPECT_EQ(precos::Corresponde(precos::PalavrasBusca(digitado), busca), corresponde)
            << digitado;
}

TEST(Catalogo, OneProductAcrossStoresByItsGtinOrItsDescription) {
    struct Linha {
        const char* codigo;
        const char* descricao;
        const char* loja;
        long long data_hora;
        double preco;
    };
    const char* loja_a = "11111111000111";
    const char* loja_b = "22222222000122";
    const Linha linhas[] = {
        // One EAN, two stores, two descriptions; the newest line is not the last one added. The
        // first has no price (no quantity): no lowest price.
        {"7891000100103", "CAFÉ PILÃO 500G", loja_a, 20240101100000, NAN},
        {"7891000100103", "CAFÉ PILÃO 500G", loja_a, 20240301100000, 15.90},
        {"7891000100103", "CAFE PILAO TRAD 500G", loja_b, 20240520090000, 14.50},
        {"07891000100103", "CAFÉ PILÃO 500G", loja_a, 20240410120000, 16.20},
        // No GTIN: known by the description, whatever the stores' codes and spacing.
        {"123", "Pão Francês KG", loja_a, 20240105080000, 12.99},
        {"9", "PAO  FRANCES KG", loja_b, 20240105080000, 13.49},
        {"SEM GTIN", "Leite", loja_a, 20240101000000, 4.99},
        // One store's own code is another store's other item.
        {"2000123000008", "PICANHA KG", loja_a, 20240601100000, 69.90},
        {"2000123000008", "QUEIJO MUSSARELA KG", loja_b, 20240602100000, 39.90},
        {"02000123000008", "PICANHA KG", loja_a, 20240603100000, 67.90},
        // The same line again at the same moment: the one added later is the last purchase.
        {"7891000100103", "CAFE PILAO TRAD 500G", loja_b, 20240520090000, 14.70},
    };
    // The lines before `corte` in one catalogue, the others in a second one joined to it, as a
    // table read in two halves is.
    const auto montar = [&](std::size_t corte) {
        CatalogoPrecos inicio, fim;
        for (std::size_t i = 0; i < std::size(linhas); ++i) {
            const Linha& l = linhas[i];
            (i < corte ? inicio : fim)
                .Adicionar(l.codigo, l.descricao, l.loja, l.data_hora, l.preco);
        }
        inicio.Juntar(std::move(fim));
        inicio.Concluir();
        return inicio;
    };
    const CatalogoPrecos catalogo = montar(std::size(linhas));
    const auto resumo = [](const CatalogoPrecos& c) {
        std::ostringstream texto;
        for (const precos::ProdutoCatalogo& p : c.Produtos()) {
            texto << p.chave << ' ' << p.descricao << ' ' << p.codigo << ' ' << p.compras << ' '
                  << p.ultima_data << ' ' << p.ultimo_preco << ' ' << p.menor_preco;
            for (const std::string& d : p.descricoes) texto << " | " << d;
            texto << '\n';
        }
        return texto.str();
    };
    for (std::size_t corte = 0; corte < std::size(linhas); ++corte)
        EXPECT_EQ(resumo(montar(corte)), resumo(catalogo)) << "cut before line " << corte;

    const auto& produtos = catalogo.Produtos();
    ASSERT_EQ(produtos.size(), 5u);
    const precos::ProdutoCatalogo& cafe = produtos[0];
    EXPECT_TRUE(cafe.por_gtin);
    EXPECT_EQ(cafe.compras, 5);
    EXPECT_EQ(cafe.descricao, "CAFE PILAO TRAD 500G");
    EXPECT_EQ(cafe.ultima_data, 20240520090000);
    EXPECT_DOUBLE_EQ(cafe.ultimo_preco, 14.70);
    EXPECT_DOUBLE_EQ(cafe.menor_preco, 14.50);
    EXPECT_EQ(cafe.codigos, (std::vector<std::string>{"7891000100103", "07891000100103"}));

    const precos::ProdutoCatalogo& pao = produtos[1];
    EXPECT_FALSE(pao.por_gtin);
    EXPECT_EQ(pao.compras, 2);
    EXPECT_EQ(pao.descricao, "PAO  FRANCES KG");  // same moment: the line added later
    EXPECT_EQ(pao.codigo, "9");
    EXPECT_DOUBLE_EQ(pao.menor_preco, 12.99);

    EXPECT_EQ(catalogo.Buscar("pilao"), std::vector<int>{0});
    EXPECT_EQ(catalogo.Buscar("trad"), std::vector<int>{0});  // from another store's description
    EXPECT_EQ(catalogo.Buscar("francês pão"), std::vector<int>{1});
    EXPECT_EQ(catalogo.Buscar("78910"), std::vector<int>{0});
    EXPECT_EQ(catalogo.Buscar(""), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(catalogo.Buscar("arroz").empty());

    const precos::ProdutoCatalogo& picanha = produtos[2];
    EXPECT_EQ(picanha.descricao, "PICANHA KG");
    EXPECT_EQ(picanha.compras, 2);
    EXPECT_EQ(picanha.cnpj, loja_a);
    EXPECT_EQ(produtos[4].descricao, "QUEIJO MUSSARELA KG");
    EXPECT_EQ(produtos[4].cnpj, loja_b);
    EXPECT_TRUE(cafe.cnpj.empty());

    EXPECT_EQ(catalogo.Localizar("07891000100103", "outro nome"), 0);
    EXPECT_EQ(catalogo.Localizar("555", "pao frances kg"), 1);
    EXPECT_EQ(catalogo.Localizar("", "CAFÉ PILÃO 500G"), 0);  // the pie knows descriptions only
    EXPECT_EQ(catalogo.Localizar("", "Leite"), 3);
    EXPECT_EQ(catalogo.Localizar("", "nada"), -1);
    EXPECT_EQ(catalogo.Localizar("2000123000008", "", loja_b), 4);
    EXPECT_EQ(catalogo.Localizar("2000123000008", "", "33333333000133"), -1);
}

TEST(Catalogo, ThousandsOfProductsKeepTheirCountsAndOrder) {
    // Enough pairs for the table to grow several times; descriptions of every length, so that
    // the order is decided both within their first eight bytes and after them.
    constexpr int kProdutos = 3000;
    const auto descricao = [](int i) { return std::string(i % 11, 'X') + std::to_string(i); };
    const auto compras = [](int i) { return i % 7 + 1; };
    std::vector<std::pair<int, std::string>> esperado;
    for (int i = 0; i < kProdutos; ++i) esperado.emplace_back(-compras(i), descricao(i));
    std::sort(esperado.begin(), esperado.end());
    for (const std::size_t corte : {std::size_t{0}, std::size_t{5000}}) {
        CatalogoPrecos inicio, fim;
        std::size_t linha = 0;
        for (int rodada = 0; rodada < 7; ++rodada)
            for (int i = 0; i < kProdutos; ++i)
                if (rodada < compras(i))
                    (linha++ < corte ? inicio : fim)
                        .Adicionar("", descricao(i), "11111111000111", 20240101000000 + rodada, 1);
        inicio.Juntar(std::move(fim));
        inicio.Concluir();
        ASSERT_EQ(inicio.Produtos().size(), esperado.size());
        for (std::size_t p = 0; p < esperado.size(); ++p) {
            EXPECT_EQ(inicio.Produtos()[p].descricao, esperado[p].second) << p;
            EXPECT_EQ(inicio.Produtos()[p].compras, -esperado[p].first) << p;
        }
        // In lower case: not a description as written, so the product is found by its key.
        std::string minusculas = descricao(1234);
        for (char& c : minusculas)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(inicio.Localizar("", minusculas),
                  std::find(esperado.begin(), esperado.end(),
                            std::pair(-compras(1234), descricao(1234))) -
                      esperado.begin());
    }
}

TEST(Catalogo, SummarisesAProductsPurchasesAtThePricesPaid) {
    // 2 units at 15,90 with 1,00 off cost 15,40 each; without a quantity, nothing.
    EXPECT_DOUBLE_EQ(precos::PrecoPago(31.80, 1.00, 2), 15.40);
    EXPECT_TRUE(std::isnan(precos::PrecoPago(15.90, 0, 0)));
    precos::MontadorHistorico montador;
    auto compra = [](long long data, double preco, double qtde = 1, double desconto = 0) {
        precos::Compra c;
        c.data_hora = data;
        c.qtde = qtde;
        c.valor_unit = preco;
        c.valor_total = qtde * preco;
        c.desconto = desconto;
        return c;
    };
    // Newest first; the lowest price twice: the summary names the newer purchase. Two units at
    // 6,99 with 1,00 off cost 6,49 each; a unit given back (-1) would cost 1,00: it has no price.
    montador.Adicionar(compra(20250312100000, 4.19), "2", "Atacadão");
    montador.Adicionar(compra(20250101100000, 6.99, 2, 1.00), "1", "Mercado");
    montador.Adicionar(compra(20241101100000, 1.00, -1), "1", "Mercado");
    montador.Adicionar(compra(20241001100000, 4.19), "1", "Mercado");
    montador.Adicionar(compra(20240101100000, 4.60), "3", "");
    const precos::HistoricoProduto historico = montador.Concluir();
    ASSERT_EQ(historico.lojas.size(), 3u);
    // Most purchases first, then by name; a store without a trade name shows its CNPJ.
    EXPECT_EQ(historico.lojas[0].nome, "Mercado");
    EXPECT_EQ(historico.lojas[1].nome, "3");
    EXPECT_EQ(historico.compras[0].loja, 2);

    precos::ResumoPrecos resumo = precos::Resumir(historico);
    EXPECT_EQ(resumo.indice_menor, 0);
    EXPECT_EQ(precos::TextoResumo(historico, resumo),
              wxString::FromUTF8("Menor R$ 4,19 em Atacadão (12/03/2025) · Maior R$ 6,49 · Média "
                                 "R$ 4,87 · Desde a primeira compra: \u22128,9 %"));
    resumo.variacao = -0.04;
    EXPECT_TRUE(precos::TextoResumo(historico, resumo).EndsWith(": 0,0 %"));
    resumo.variacao.reset();
    EXPECT_TRUE(
        precos::TextoResumo(historico, resumo).EndsWith(wxString::FromUTF8("Média R$ 4,87")));
    EXPECT_TRUE(precos::TextoResumo({}, precos::Resumir({})).empty());
    montador.Adicionar(compra(20250312100000, 4.19, 0), "2", "Atacadão");
    EXPECT_EQ(precos::Resumir(montador.Concluir()).indice_menor, -1);
}

}  // namespace
