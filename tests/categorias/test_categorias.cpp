// Categories on small data worked out by hand: the matching order of rules, word beginnings,
// accents, a direct placement and a deleted category, the category report, the built-in rules
// on receipt descriptions written out here, the export file, and the tables in a real database.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <wx/filefn.h>

#include <fstream>
#include <iterator>

#include "categorias/ArmazemCategorias.h"
#include "categorias/ArquivoCategorias.h"
#include "categorias/Categorias.h"
#include "categorias/RelatorioCategorias.h"
#include "precos/Produto.h"
#include "service/GeradorCupons.h"
#include "tests/support/DadosTeste.h"

namespace {

using namespace categorias;
using relatorios::Mes;
using relatorios::Periodo;

// Laticínios 0, Mercearia 1, Padaria 2, Hortifrúti 3, Limpeza 4, Farmácia 5.
Conjunto Pequeno() {
    Conjunto c;
    c.categorias = {{1, "Laticínios", {"LEITE", "QJO"}, {}},
                    {2, "Mercearia", {"LEITE CONDENSADO", "LTE COND", "CAFE"}, {}},
                    {3, "Padaria", {"CAFE COM LEITE", "BOLO", "PAO"}, {}},
                    {4, "Hortifrúti", {"CENOURA"}, {}},
                    {5, "Limpeza", {"DET LIQ", "Água sanitária"}, {}},
                    {6, "Farmácia", {"MG"}, {}}};
    return c;
}

TEST(Regras, MostSpecificFirstOnWordBeginningsWhateverTheAccents) {
    const Classificador classificador(Pequeno());
    const struct {
        const char* descricao;
        int categoria, regra;
    } casos[] = {
        {"Leite Condensado Moça 395g", 1, 0},  // two words before one
        {"LTE COND MOCOCA", 1, 1},
        {"LEITE UHT INTEGRAL 1L", 0, 0},
        {"CAFÉ COM LEITE 300ML", 2, 0},
        {"BOLO DE CENOURA KG", 2, 1},  // nearer the start
        {"CENOURA KG", 3, 0},
        {"DETERGENTE LÍQUIDO YPÊ", 4, 0},
        {"DET.LIQ.LIMPOL", 4, 0},
        {"AGUA SANITARIA 2L", 4, 1},
        {"QJO MUSS FAT", 0, 1},
        {"DIPIRONA 500MG", 5, 0},  // digits and letters are words apart
        {"LIQ DET", -1, -1},       // in the rule's order only
        {"DETERGENTE EM PO LIQ", -1, -1},
        {"QUEIJO MINAS", -1, -1},  // QJO begins no word here
        {"CERVEJA LATA", -1, -1},
    };
    for (const auto& caso : casos) {
        const Encaixe e = classificador.Classificar(precos::Normalizar(caso.descricao));
        EXPECT_EQ(e.categoria, caso.categoria) << caso.descricao;
        EXPECT_EQ(e.regra, caso.regra) << caso.descricao;
    }
}

// Dec 2023: LEITE 4. Jan 2024: LEITE 4, BOLO 20, CERVEJA 5. Feb: LEITE 10, LTE COND 8,
// CERVEJA 12. Mar: LEITE 6, BOLO 4.
relatorios::DadosRelatorios Dados() {
    relatorios::MontadorDados m;
    const char* kLeite = "7891000100103";
    m.AdicionarCupom(1, "20231210100000", 4, "11222333000181", "1");
    m.AdicionarCupom(2, "20240110100000", 29, "11222333000181", "2");
    m.AdicionarCupom(3, "20240210100000", 30, "11222333000181", "3");
    m.AdicionarCupom(4, "20240310100000", 10, "11222333000181", "4");
    m.AdicionarItem(1, kLeite, "LEITE UHT", 1, "UN", 4, 0);
    m.AdicionarItem(2, kLeite, "Leite UHT integral", 1, "UN", 4, 0);
    m.AdicionarItem(2, "1", "BOLO DE CENOURA", 1, "KG", 21, 1);
    m.AdicionarItem(2, "2", "CERVEJA LATA", 1, "UN", 5, 0);
    m.AdicionarItem(3, kLeite, "LEITE UHT", 2, "UN", 10, 0);
    m.AdicionarItem(3, "3", "LTE COND MOCOCA", 1, "UN", 8, 0);
    m.AdicionarItem(3, "2", "CERVEJA LATA", 2, "UN", 12, 0);
    m.AdicionarItem(4, kLeite, "LEITE UHT", 1, "UN", 6, 0);
    m.AdicionarItem(4, "1", "BOLO DE CENOURA", 1, "KG", 4, 0);
    return m.Concluir();
}

TEST(Relatorio, TotalsSharesChangesAndPlacements) {
    const relatorios::DadosRelatorios dados = Dados();
    Conjunto conjunto = Pequeno();
    conjunto.colocacoes[precos::ChaveProduto("2", "CERVEJA LATA")] = 2;      // into Mercearia
    conjunto.colocacoes[precos::ChaveProduto("1", "BOLO DE CENOURA")] = 99;  // deleted since
    const Classificacao cl = Classificar(dados, conjunto);
    const Periodo fev_mar{Mes(2024, 2), Mes(2024, 3)};
    EXPECT_EQ(PeriodoAnterior(fev_mar), (Periodo{Mes(2023, 12), Mes(2024, 1)}));

    // 40 in all: Mercearia 8 + 12, Laticínios 10 + 6, Padaria 4; before: 5, 8 and 20.
    const auto linhas = RelatorioCategorias(dados, conjunto, cl, fev_mar);
    ASSERT_EQ(linhas.size(), 6u);  // every category, no "Sem categoria"
    const struct {
        const char* nome;
        double total, participacao, variacao;
        int produtos;
    } esperadas[] = {
        {"Mercearia", 20, 50, 300, 2}, {"Laticínios", 16, 40, 100, 1}, {"Padaria", 4, 10, -80, 1}};
    for (std::size_t i = 0; i < std::size(esperadas); ++i) {
        EXPECT_EQ(linhas[i].nome, esperadas[i].nome);
        EXPECT_DOUBLE_EQ(linhas[i].total, esperadas[i].total);
        EXPECT_DOUBLE_EQ(*linhas[i].participacao, esperadas[i].participacao);
        EXPECT_DOUBLE_EQ(*linhas[i].variacao, esperadas[i].variacao);
        EXPECT_EQ(linhas[i].produtos, esperadas[i].produtos);
    }
    EXPECT_EQ(linhas[3].nome, "Hortifrúti");
    EXPECT_FALSE(linhas[3].variacao);
    // From the first month there is nothing to compare with.
    EXPECT_FALSE(
        RelatorioCategorias(dados, conjunto, cl, relatorios::PeriodoTudo(dados))[0].variacao);

    const auto mercearia = ProdutosDaCategoria(dados, cl, fev_mar, 1);
    ASSERT_EQ(mercearia.size(), 2u);
    EXPECT_EQ(mercearia[0].descricao, "CERVEJA LATA");
    EXPECT_TRUE(cl.Direta(static_cast<std::size_t>(mercearia[0].produto)));
    const auto regras = ContarRegras(dados, conjunto, cl, fev_mar, 1);
    ASSERT_EQ(regras.size(), 3u);  // the placed product counts for no rule
    EXPECT_EQ(regras[1].produtos, 1);
    EXPECT_DOUBLE_EQ(regras[1].total, 8);
    EXPECT_EQ(regras[0].produtos + regras[2].produtos, 0);

    EXPECT_EQ(GastoPorMes(dados, conjunto, cl, fev_mar).por_categoria[0],
              (std::vector<double>{10, 6}));
    // February 2024 seen on its 14th day (of 29): 20 against 16 is over, 10 against 20 is not.
    conjunto.categorias[1].limite = 16;
    conjunto.categorias[0].limite = 20;
    const auto orcamento = Orcamento(dados, conjunto, cl, Mes(2024, 2), 14);
    ASSERT_EQ(orcamento.size(), 2u);
    EXPECT_EQ(orcamento[0].faixa, SituacaoOrcamento::Faixa::Verde);
    EXPECT_EQ(orcamento[1].categoria, 1);
    EXPECT_DOUBLE_EQ(orcamento[1].fracao, 1.25);
    EXPECT_DOUBLE_EQ(orcamento[1].projecao, 20.0 / 14 * 29);
    EXPECT_EQ(orcamento[1].faixa, SituacaoOrcamento::Faixa::Vermelha);
    // 10 against limits a hair off 12,50 and 10,00: in cents 80 % and 100 %, both amber.
    for (const double limite : {12.500000001, 9.999999999}) {
        conjunto.categorias[0].limite = limite;
        EXPECT_EQ(Orcamento(dados, conjunto, cl, Mes(2024, 2), 14)[0].faixa,
                  SituacaoOrcamento::Faixa::Ambar)
            << limite;
    }

    conjunto.colocacoes.clear();  // the beer back to no category: last, whatever its total
    const auto sem = RelatorioCategorias(dados, conjunto, Classificar(dados, conjunto), fev_mar);
    EXPECT_EQ(sem.back().nome, kSemCategoria);
    EXPECT_DOUBLE_EQ(sem.back().total, 12);
    EXPECT_DOUBLE_EQ(*sem.back().variacao, 140);
}

TEST(Embutidas, ReceiptDescriptionsFallIntoTheirKinds) {
    const Conjunto embutidas = Embutidas();
    EXPECT_GE(embutidas.categorias.size(), 14u);
    const Classificador classificador(embutidas);
    const std::pair<const char*, const char*> casos[] = {
        {"REFRIG COCA COLA PET 2L", "Bebidas"},
        {"CERV BRAHMA LT 350ML", "Bebidas alcoólicas"},
        {"DET LIQ YPE NEUTRO 500ML", "Limpeza"},
        {"PAPEL HIG NEVE F DUPLA 12UN", "Higiene"},
        {"AMAC COMFORT 2L", "Limpeza"},
        {"CR DENTAL COLGATE TRIPLA 90G", "Higiene"},
        {"LTE COND MOCA 395G", "Mercearia"},
        {"LEITE LONGA VIDA ITALAC INT", "Laticínios e ovos"},
        {"QJO MUSS FAT KG", "Laticínios e ovos"},
        {"PAO FRANCES KG", "Padaria"},
        {"PAO DE QUEIJO FORNO DE MINAS", "Padaria"},
        {"BOLO DE CENOURA FATIA", "Padaria"},
        {"FILE PEITO FGO SADIA KG", "Carnes"},
        {"PATINHO BOV MOIDO KG", "Carnes"},
        {"LING TOSCANA PERDIGAO KG", "Carnes"},
        {"SALSICHA HOT DOG SADIA", "Frios e embutidos"},
        {"APRESUNTADO SEARA FAT", "Frios e embutidos"},
        {"TOMATE ITALIANO KG", "Hortifrúti"},
        {"BANANA PRATA KG", "Hortifrúti"},
        {"CHEIRO-VERDE MC", "Hortifrúti"},
        {"ARROZ TIO JOAO T1 5KG", "Mercearia"},
        {"FEIJ CAMIL CARIOCA 1KG", "Mercearia"},
        {"MAC ESPAG RENATA 500G", "Mercearia"},
        {"MOL TOM POMAROLA 340G", "Mercearia"},
        {"BISC RECH OREO 90G", "Doces e lanches"},
        {"CHOC LACTA AO LEITE 80G", "Doces e lanches"},
        {"PIZZA SADIA MUSS 460G", "Congelados"},
        {"SORVETE KIBON 1,5L", "Congelados"},
        {"AGUA SANIT QBOA 2L", "Limpeza"},
        {"SAB PO OMO 1,6KG", "Limpeza"},
        {"SAB DOVE ORIGINAL 90G", "Higiene"},
        {"SH SEDA CERAMIDAS 325ML", "Higiene"},
        {"DESOD AER REXONA 150ML", "Higiene"},
        {"DIPIRONA SODICA 1G 10CPR", "Farmácia"},
        {"DORFLEX 36 COMP", "Farmácia"},
        {"FRALDA PAMPERS CONFORTSEC G", "Bebê"},
        {"RACAO PEDIGREE ADULTO 1KG", "Pet"},
        {"GUARDANAPO SCALA 50UN", "Utilidades"},
        {"PAPEL TOALHA SNOB 2RL", "Utilidades"},
        {"GASOLINA COMUM", "Automotivo"},
        {"AGUA MIN CRYSTAL S/GAS 500ML", "Bebidas"},
        {"SUCO DEL VALLE UVA 1L", "Bebidas"},
    };
    for (const auto& [descricao, nome] : casos) {
        const Encaixe e = classificador.Classificar(precos::Normalizar(descricao));
        ASSERT_GE(e.categoria, 0) << descricao;
        EXPECT_EQ(embutidas.categorias[static_cast<std::size_t>(e.categoria)].nome, nome)
            << descricao;
    }
}

// The demo's receipts as the reports hold them, straight from the generator.
relatorios::DadosRelatorios DadosDoFeed(const nlohmann::json& feed) {
    relatorios::MontadorDados m;
    for (const auto& c : feed) {
        const std::string cnpj = c["emitente"]["cnpj"];
        m.AdicionarCupom(c["id"], c["data_hora_emissao"].get<std::string>(), c["valor_total"], cnpj,
                         c["numero_cfe"].get<std::string>());
        for (const auto& i : c["itens"])
            m.AdicionarItem(c["id"], i["codigo"].get<std::string>(),
                            i["descricao"].get<std::string>(), i["qtde"],
                            i["un"].get<std::string>(), i["valor_total"], i["desconto"]);
    }
    return m.Concluir();
}

TEST(Embutidas, CategoriseMostOfTheDemosSpending) {
    const relatorios::DadosRelatorios dados =
        DadosDoFeed(servico::GerarCupons(servico::kOpcoesDemo));
    const Conjunto embutidas = Embutidas();
    const auto linhas = RelatorioCategorias(dados, embutidas, Classificar(dados, embutidas),
                                            relatorios::PeriodoTudo(dados));
    const double sem = linhas.back().categoria < 0 ? linhas.back().participacao.value_or(0) : 0;
    std::printf("demo: %.1f %% of the spending in a category\n", 100 - sem);
    EXPECT_GE(100 - sem, 85);
}

TEST(Arquivo, RoundTripAndFilesThatAreNotOne) {
    Conjunto conjunto = Pequeno();
    conjunto.categorias[4].limite = 150.5;
    conjunto.colocacoes["07891000100103"] = 5;
    Conjunto lido;
    std::string erro;
    ASSERT_TRUE(LerTextoCategorias(TextoArquivoCategorias(conjunto), lido, erro)) << erro;
    ASSERT_EQ(lido.categorias.size(), 6u);
    EXPECT_EQ(lido.categorias[4].nome, "Limpeza");
    EXPECT_EQ(lido.categorias[4].regras, conjunto.categorias[4].regras);
    EXPECT_EQ(lido.categorias[4].limite, 150.5);
    EXPECT_FALSE(lido.categorias[0].limite);
    EXPECT_EQ(lido.colocacoes, conjunto.colocacoes);

    const char* ruins[] = {
        "não é json",
        "[1, 2]",
        R"({"tipo": "outra-coisa", "versao": 1, "categorias": []})",
        R"({"tipo": "cupom-dashboard-categorias", "versao": 2, "categorias": []})",
        R"({"tipo": "cupom-dashboard-categorias", "versao": 1, "categorias": [{"nome": "A"},
            {"nome": "a"}]})",
        R"({"tipo": "cupom-dashboard-categorias", "versao": 1, "categorias": [{"nome": " "}]})",
        R"({"tipo": "cupom-dashboard-categorias", "versao": 1, "categorias": [{"nome": "A",
            "regras": ["OK", " -- "]}]})",
        R"({"tipo": "cupom-dashboard-categorias", "versao": 1, "categorias": [{"nome": "A",
            "limite_mensal": -3}]})",
    };
    for (const char* ruim : ruins) {
        EXPECT_FALSE(LerTextoCategorias(ruim, lido, erro)) << ruim;
        EXPECT_EQ(erro.rfind("O arquivo não é uma exportação de categorias: ", 0), 0u) << erro;
    }
    EXPECT_EQ(lido.categorias.size(), 6u);  // untouched
    EXPECT_FALSE(LerArquivoCategorias("nada.json", lido, erro));
}

std::string Conteudo(const wxString& arquivo) {
    std::ifstream entrada(arquivo.utf8_string(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>());
}

class Armazem : public teste::BancoTeste {};

TEST_F(Armazem, TablesBesideTheSchemaBuiltInOnceAndThePersonsChangesKept) {
    Importar(teste::FeedJson({{}}));
    const wxString arquivo = wxGetCwd() + "/" + NomeArquivoBanco(usuario);
    banco.reset();
    const std::string antes = Conteudo(arquivo);
    const std::string kEsquema = "SELECT type, name, sql FROM sqlite_master ORDER BY name";
    const auto esquema = teste::LeitorSql(arquivo).Linhas(kEsquema);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(arquivo.utf8_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    {
        ConexaoSqlite leitura(db);
        Conjunto conjunto;
        ASSERT_TRUE(ArmazemCategorias(leitura).Carregar(conjunto));
        EXPECT_EQ(conjunto.categorias.size(), Embutidas().categorias.size());  // in memory
    }
    sqlite3_close(db);
    EXPECT_EQ(Conteudo(arquivo), antes);

    ASSERT_EQ(sqlite3_open_v2(arquivo.utf8_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ConexaoSqlite conexao(db);
    ArmazemCategorias armazem(conexao);
    Conjunto conjunto;
    ASSERT_TRUE(armazem.Carregar(conjunto)) << armazem.Erro();
    ASSERT_EQ(conjunto.categorias.size(), Embutidas().categorias.size());
    const long long mercearia = conjunto.categorias[0].id, carnes = conjunto.categorias[1].id;
    EXPECT_TRUE(armazem.Renomear(mercearia, "Despensa"));
    EXPECT_TRUE(armazem.GravarRegras(mercearia, {"ARROZ", "FEIJ"}));
    EXPECT_TRUE(armazem.GravarLimite(carnes, 300));
    EXPECT_TRUE(armazem.Colocar({"07891000100103"}, carnes));
    long long id = 0;
    EXPECT_FALSE(armazem.Adicionar("LIMPEZA", id));
    EXPECT_EQ(armazem.Erro(), "Já existe uma categoria chamada \"LIMPEZA\".");
    EXPECT_FALSE(armazem.Adicionar("sem categoria", id));
    EXPECT_TRUE(armazem.Adicionar("Viagem", id));

    ASSERT_TRUE(armazem.Carregar(conjunto));  // the built-ins are not written again
    EXPECT_EQ(conjunto.categorias.size(), Embutidas().categorias.size() + 1);
    EXPECT_EQ(conjunto.categorias[0].nome, "Despensa");
    EXPECT_EQ(conjunto.categorias[0].regras, (std::vector<std::string>{"ARROZ", "FEIJ"}));
    EXPECT_EQ(conjunto.categorias[1].limite, 300);
    EXPECT_EQ(conjunto.colocacoes.at("07891000100103"), carnes);
    EXPECT_EQ(conjunto.categorias.back().nome, "Viagem");

    EXPECT_TRUE(armazem.Excluir(carnes));  // with its rules and placements
    ASSERT_TRUE(armazem.Carregar(conjunto));
    EXPECT_EQ(conjunto.Posicao(carnes), -1);
    EXPECT_TRUE(conjunto.colocacoes.empty());

    // An import replaces the whole set.
    ASSERT_TRUE(armazem.Substituir(Pequeno())) << armazem.Erro();
    ASSERT_TRUE(armazem.Carregar(conjunto));
    ASSERT_EQ(conjunto.categorias.size(), 6u);
    EXPECT_EQ(conjunto.categorias[4].regras, Pequeno().categorias[4].regras);
    // Without the built-ins' marker, a set already there is kept as it is.
    ASSERT_TRUE(conexao.Executar("DELETE FROM categoria_ajuste", {}));
    ASSERT_TRUE(armazem.Carregar(conjunto));
    EXPECT_EQ(conjunto.categorias.size(), 6u);
    sqlite3_close(db);

    // The receipt tables and indexes as they were, and their rows.
    auto depois = teste::LeitorSql(arquivo).Linhas(kEsquema);
    std::erase_if(depois,
                  [](const auto& l) { return l[1].find("categoria") != std::string::npos; });
    EXPECT_EQ(depois, esquema);
    EXPECT_EQ(teste::LeitorSql(arquivo).Contar("cupom_item"), 1);
}

}  // namespace
