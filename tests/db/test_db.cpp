// The receipt store without windows, on real SQLite files in a temporary folder: the file name,
// the schema, the query methods and the receipt import (generated and malformed feeds,
// stopping, failing runs, a process killed in the middle).

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/filefn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "db/BancoDados.h"
#include "service/GeradorCupons.h"
#include "tests/support/DadosTeste.h"

using nlohmann::json;

namespace {

std::uint64_t Fnv1aUtf16(const std::vector<std::uint16_t>& unidades) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint16_t u : unidades)
        for (unsigned b : {u & 0xFFu, static_cast<unsigned>(u >> 8)})
            h = (h ^ b) * 0x100000001b3ull;
    return h;
}

// A receipt of issuer "11222333000181" with `itens` lines of rice coded "789<seq>".
json Cupom(int id, const std::string& chave, const std::string& nome_emitente = "Mercado Um",
           int itens = 2) {
    teste::CupomFeed cupom{.id = id,
                           .chave = chave,
                           .cnpj = "11222333000181",
                           .nome = nome_emitente,
                           .municipio = "São Paulo",
                           .itens = {}};
    for (int i = 1; i <= itens; ++i)
        cupom.itens.push_back({.seq = i, .codigo = "789" + std::to_string(i)});
    return teste::CupomJson(cupom);
}

class BancoTest : public teste::BancoTeste {
protected:
    BancoTest() : BancoTeste(L"usuário") {}
    void SetUp() override {
        BancoTeste::SetUp();
        arquivo = NomeArquivoBanco(usuario);
    }

    // Imports and returns the progress lines; the callback answers true until `parar_em`.
    // Unlike the fixture's, lets the import's exception out.
    std::vector<std::string> Importar(const json& feed, int parar_em = -1) {
        std::vector<std::string> linhas;
        banco->ImportarCupons(feed, [&](wxString linha) {
            linhas.push_back(linha.ToStdString(wxConvUTF8));
            return static_cast<int>(linhas.size()) != parar_em;
        });
        return linhas;
    }

    // The message of the exception the import of `feed` ends with.
    template <typename Excecao>
    std::string FalhaDe(const json& feed) {
        try {
            Importar(feed);
        } catch (const Excecao& e) {
            return e.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "wrong exception type: " << e.what();
            return {};
        }
        ADD_FAILURE() << "the import did not fail";
        return {};
    }

    wxString arquivo;
};

TEST(NomeArquivoBancoTest, Fnv1aSobreUnidadesUtf16) {
    EXPECT_EQ(NomeArquivoBanco(""), "14695981039346656037.db");
    EXPECT_EQ(NomeArquivoBanco("abc"), "14899682270663221853.db");
    EXPECT_EQ(
        NomeArquivoBanco(L"José"),
        wxString::Format("%llu.db", (unsigned long long)Fnv1aUtf16({0x4A, 0x6F, 0x73, 0xE9})));
    // U+1F600 counts as its two surrogate units.
    EXPECT_EQ(NomeArquivoBanco(wxString::FromUTF8("a\xF0\x9F\x98\x80")),
              wxString::Format("%llu.db", (unsigned long long)Fnv1aUtf16({0x61, 0xD83D, 0xDE00})));
    EXPECT_NE(NomeArquivoBanco("ana"), NomeArquivoBanco("Ana"));
}

// The file opened is that of the stored name as typed, even one that looks like a variable.
TEST_F(BancoTest, ArquivoEODoNomeDigitado) {
    teste::GravarLogin({"", "x$HOME\\%HOME%", ""});
    BancoDados outro;
    EXPECT_TRUE(wxFileExists(wxString::Format(
        "%llu.db", (unsigned long long)Fnv1aUtf16(
                       {'x', '$', 'H', 'O', 'M', 'E', '\\', '%', 'H', 'O', 'M', 'E', '%'}))));
}

TEST_F(BancoTest, EsquemaGuardadoTextoPorTextoEReaberturaNaoMudaNada) {
    EXPECT_TRUE(wxFileExists(arquivo));
    const std::string sql_master =
        "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid";
    const auto antes = teste::LeitorSql(arquivo).Linhas(sql_master);
    const std::map<std::string, std::string> esperado = {
        {"emitente",
         "CREATE TABLE emitente(    cnpj TEXT UNIQUE,    ie TEXT,    im TEXT,    nome TEXT,    "
         "fantasia TEXT,"
         "    endereco TEXT,    bairro TEXT,    cep TEXT,    municipio TEXT)"},
        {"cupom",
         "CREATE TABLE cupom(    id INTEGER PRIMARY KEY AUTOINCREMENT,    data_hora_emissao TEXT,  "
         "  "
         "numero_cfe TEXT,    numero_serie_sat TEXT,    chave_acesso TEXT UNIQUE,    valor_total "
         "REAL,    "
         "total_tributos REAL,    obs_cupom TEXT,    obs_inf TEXT,    cnpj_emitente TEXT,    "
         "cpf_consumidor TEXT,"
         "    razao_social_consumidor TEXT,    enviado INTEGER DEFAULT 0,    url_consulta TEXT,    "
         "id_zelkari INTEGER)"},
        {"cupom_item",
         "CREATE TABLE cupom_item(    id INTEGER PRIMARY KEY AUTOINCREMENT,    id_cupom INTEGER,   "
         " seq INTEGER,"
         "    codigo TEXT,    descricao TEXT,    qtde REAL,    un TEXT,    valor_unit REAL,    "
         "tributos REAL,    "
         "valor_total REAL,    desconto REAL)"},
        {"idx_cupom_data_hora_emissao",
         "CREATE INDEX idx_cupom_data_hora_emissao ON cupom(data_hora_emissao)"},
        {"idx_cupom_cnpj_emitente", "CREATE INDEX idx_cupom_cnpj_emitente ON cupom(cnpj_emitente)"},
        {"idx_cupom_item_id_cupom", "CREATE INDEX idx_cupom_item_id_cupom ON cupom_item(id_cupom)"},
        {"idx_cupom_item_codigo", "CREATE INDEX idx_cupom_item_codigo ON cupom_item(codigo)"},
        {"idx_cupom_item_descricao",
         "CREATE INDEX idx_cupom_item_descricao ON cupom_item(descricao)"},
        {"sqlite_sequence", "CREATE TABLE sqlite_sequence(name,seq)"}};
    std::map<std::string, std::string> achado;
    for (const auto& linha : antes)
        if (linha[3] != "<null>")
            achado[linha[1]] = linha[3];  // the UNIQUE autoindexes have no text
    EXPECT_EQ(achado, esperado);

    banco.reset();
    banco = std::make_unique<BancoDados>();
    EXPECT_EQ(teste::LeitorSql(arquivo).Linhas(sql_master), antes);
}

TEST_F(BancoTest, ArquivoQueNaoEBancoFazOConstrutorLancar) {
    banco.reset();
    std::ofstream(arquivo.ToStdString()) << std::string(4096, 'x');
    EXPECT_THROW(BancoDados(), std::runtime_error);
}

TEST_F(BancoTest, ConsultasDeRegistroListasECursor) {
    int ultimo = -1;
    banco->GetUltimoId(ultimo);
    EXPECT_EQ(ultimo, 0);

    wxArrayString tabelas;
    banco->ListarTabelas(tabelas);
    EXPECT_EQ(std::vector<wxString>(tabelas.begin(), tabelas.end()),
              (std::vector<wxString>{"cupom", "cupom_item", "emitente"}));

    // A quote in the table name is only a value now.
    Registro r;
    banco->ConsultarRegistro("CREATE TABLE \"it's\"(a INTEGER, b TEXT)", r);
    wxArrayString nomes, tipos, so_nomes;
    banco->ListarCampos("it's", nomes, tipos);
    EXPECT_TRUE(banco->GetErro().empty()) << banco->GetErro();
    EXPECT_EQ(std::vector<wxString>(nomes.begin(), nomes.end()), (std::vector<wxString>{"a", "b"}));
    EXPECT_EQ(std::vector<wxString>(tipos.begin(), tipos.end()),
              (std::vector<wxString>{"INTEGER", "TEXT"}));
    banco->ListarCampos("emitente", so_nomes);
    EXPECT_EQ(so_nomes.size(), 9u);

    json feed = json::array();
    for (int i = 0; i < 12; ++i) feed.push_back(Cupom(100 + i, "CHAVE" + std::to_string(i)));
    Importar(feed);
    banco->GetUltimoId(ultimo);
    EXPECT_EQ(ultimo, 111);

    r = {{"antiga", "fica"}};
    banco->ConsultarRegistro("UPDATE cupom SET obs_cupom = 'x'", r);
    EXPECT_EQ(r, (Registro{{"antiga", "fica"}, {"linhas_afetadas", "12"}}));

    r.clear();
    banco->ConsultarRegistro(
        wxString::FromUTF8("SELECT NULL AS nada, round(12.499, 2) AS v, 7 AS n, 'ã' AS t"), r);
    EXPECT_EQ(r, (Registro{{"nada", ""}, {"v", "12.5"}, {"n", "7"}, {"t", wxString(L"ã")}}));

    std::vector<Registro> rows;
    banco->ConsultarRegistros("SELECT id_zelkari FROM cupom WHERE id_zelkari < 102 ORDER BY 1",
                              rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].at("id_zelkari"), "101");

    // A statement that returns rows and writes runs once, not once more after a reset.
    r.clear();
    banco->ConsultarRegistro("INSERT INTO emitente(cnpj) VALUES('999') RETURNING cnpj", r);
    EXPECT_EQ(r.at("cnpj"), "999");
    EXPECT_EQ(teste::LeitorSql(arquivo).Contar("emitente WHERE cnpj = '999'"), 1);

    r = {{"k", "v"}};
    banco->ConsultarRegistro("SELEC 1", r);
    sqlite3* outro = nullptr;
    sqlite3_open(":memory:", &outro);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(outro, "SELEC 1", -1, &s, nullptr);
    EXPECT_EQ(banco->GetErro(),
              wxString::Format("Erro ao preparar consulta: %s!", sqlite3_errmsg(outro)));
    sqlite3_finalize(s);
    sqlite3_close(outro);
    EXPECT_EQ(r, (Registro{{"k", "v"}}));
    banco->ConsultarRegistro("SELECT 1", r);
    EXPECT_TRUE(banco->GetErro().empty());
}

TEST_F(BancoTest, LinhasLidasNoLugarComParametrosOuDaTabelaInteira) {
    Importar(json::array({Cupom(1, "K1", "Um", 3), Cupom(2, "K2", "Um", 2)}));

    // The whole table, in row id order, as SQLite holds the values.
    std::vector<std::string> lidas;
    ASSERT_TRUE(
        banco->LerTabela("cupom_item", {"id", "codigo", "valor_unit"}, [&](const LinhaSql& l) {
            lidas.push_back(std::to_string(l.Inteiro(0)) + " " + std::string(l.Texto(1)) + " " +
                            std::to_string(l.Real(2)));
        }));
    EXPECT_EQ(lidas,
              (std::vector<std::string>{"1 7891 6.250000", "2 7892 6.250000", "3 7893 6.250000",
                                        "4 7891 6.250000", "5 7892 6.250000"}));

    // Parameters bound in order (a quote is just a value); the receiver stops when it likes.
    std::vector<long long> ids;
    EXPECT_TRUE(banco->PercorrerLinhas(
        "select id from cupom_item where codigo in (?, ?) and seq < ? order by id",
        {std::string("7892"), std::string("78'93"), 10LL}, [&](const LinhaSql& l) {
            ids.push_back(l.Inteiro(0));
            return ids.size() < 1;
        }));
    EXPECT_EQ(ids, (std::vector<long long>{2}));

    // Failures leave the connection as it was, with the error recorded.
    EXPECT_FALSE(banco->PercorrerLinhas("selec id", {}, [](const LinhaSql&) { return true; }));
    EXPECT_TRUE(banco->GetErro().StartsWith("Erro ao preparar consulta: "));
    EXPECT_FALSE(banco->LerTabela("nao_existe", {"id"}, [](const LinhaSql&) {}));
    EXPECT_TRUE(banco->GetErro().Contains("nao_existe")) << banco->GetErro();
    int vistas = 0;
    EXPECT_THROW(banco->LerTabela("cupom_item", {"id"},
                                  [&](const LinhaSql&) {
                                      if (++vistas == 2) throw std::runtime_error("parou");
                                  }),
                 std::runtime_error);
    EXPECT_EQ(vistas, 2);
    Registro r;
    banco->ConsultarRegistro("select count(*) as n from cupom_item", r);
    EXPECT_EQ(r.at("n"), "5");
    // Outside a scan the function that feeds it does nothing.
    banco->ConsultarRegistro("select cupom_ler_linha(1) is null as nulo", r);
    EXPECT_EQ(r.at("nulo"), "1");

    // A large table in two halves read at once, each in row id order, the first wholly before
    // the second; with a transaction open, in one pass that sees its changes.
    banco->ConsultarRegistro("create table grande(x)", r);
    banco->ConsultarRegistro(
        "with recursive c(n) as (select 1 union all select n + 1 from c where n < 150000) "
        "insert into grande select n from c",
        r);
    const auto ler_em_partes = [&] {
        std::vector<long long> partes[2];
        std::mutex trava;  // the receiver runs on both threads
        EXPECT_TRUE(
            banco->LerTabelaEmDuasPartes("grande", {"x"}, [&](int parte, const LinhaSql& l) {
                std::lock_guard<std::mutex> guarda(trava);
                partes[parte].push_back(l.Inteiro(0));
            }));
        return std::pair(partes[0], partes[1]);
    };
    auto [primeira, segunda] = ler_em_partes();
    ASSERT_FALSE(primeira.empty());
    ASSERT_FALSE(segunda.empty());
    EXPECT_EQ(primeira.front(), 1);
    EXPECT_TRUE(std::is_sorted(primeira.begin(), primeira.end()));
    EXPECT_EQ(segunda.front(), primeira.back() + 1);
    EXPECT_TRUE(std::is_sorted(segunda.begin(), segunda.end()));
    EXPECT_EQ(primeira.size() + segunda.size(), 150000u);

    banco->ConsultarRegistro("BEGIN", r);
    banco->ConsultarRegistro("insert into grande values (150001)", r);
    std::tie(primeira, segunda) = ler_em_partes();
    EXPECT_EQ(primeira.size(), 150001u);
    EXPECT_TRUE(segunda.empty());
    banco->ConsultarRegistro("ROLLBACK", r);
    // The connections of the halves stay open between readings and still see what is committed.
    banco->ConsultarRegistro("insert into grande values (150001)", r);
    std::tie(primeira, segunda) = ler_em_partes();
    EXPECT_EQ(primeira.size() + segunda.size(), 150001u);
    EXPECT_EQ(segunda.back(), 150001);
    banco->ConsultarRegistro("delete from grande where x = 150001", r);

    // A query of some rows, in the same two halves; a half that stops leaves the other going.
    std::vector<long long> achadas[2];
    EXPECT_TRUE(banco->PercorrerLinhasEmDuasPartes("grande", "select x from grande", "x % ? = 0",
                                                   {1000LL}, [&](int parte, const LinhaSql& l) {
                                                       achadas[parte].push_back(l.Inteiro(0));
                                                       return parte == 1 || achadas[0].size() < 3;
                                                   }));
    EXPECT_EQ(achadas[0], (std::vector<long long>{1000, 2000, 3000}));
    ASSERT_FALSE(achadas[1].empty());
    EXPECT_EQ(achadas[1].front(), primeira.back() / 1000 * 1000 + 1000);
    EXPECT_EQ(achadas[1].back(), 150000);
    EXPECT_TRUE(std::is_sorted(achadas[1].begin(), achadas[1].end()));
    // A condition of its own: each half has the rows of the whole condition within it.
    std::vector<long long> ou[2];
    EXPECT_TRUE(banco->PercorrerLinhasEmDuasPartes("grande", "select x from grande",
                                                   "x = ? or x = ?", {5LL, 140000LL},
                                                   [&](int parte, const LinhaSql& l) {
                                                       ou[parte].push_back(l.Inteiro(0));
                                                       return true;
                                                   }));
    EXPECT_EQ(ou[0], std::vector<long long>{5});
    EXPECT_EQ(ou[1], std::vector<long long>{140000});
    // A half that throws leaves the call, and the halves read on afterwards.
    EXPECT_THROW(banco->PercorrerLinhasEmDuasPartes("grande", "select x from grande", "x > 0", {},
                                                    [&](int parte, const LinhaSql&) -> bool {
                                                        if (parte == 0)
                                                            throw std::runtime_error("1");
                                                        return true;
                                                    }),
                 std::runtime_error);
    std::tie(primeira, segunda) = ler_em_partes();
    EXPECT_EQ(primeira.size() + segunda.size(), 150000u);

    // What the second half's receiver throws leaves the call too.
    EXPECT_THROW(banco->LerTabelaEmDuasPartes("grande", {"x"},
                                              [&](int parte, const LinhaSql&) {
                                                  if (parte == 1) throw std::runtime_error("2");
                                              }),
                 std::runtime_error);
}

TEST_F(BancoTest, ImportaFeedGerado) {
    servico::OpcoesGerador opcoes;
    opcoes.anos = 1;
    opcoes.cupons_por_mes = 170;  // enough for the item indexes to be built again at the end
    const json feed = servico::GerarCupons(opcoes);
    // A page cache the user chose, larger than the import's own, is theirs again afterwards.
    Registro cache;
    banco->ConsultarRegistro("PRAGMA cache_size = -65536", cache);
    std::size_t itens = 0;
    std::set<std::string> cnpjs;
    for (const auto& c : feed) {
        itens += c["itens"].size();
        cnpjs.insert(c["emitente"]["cnpj"].get<std::string>());
    }
    const auto linhas = Importar(feed);
    ASSERT_EQ(linhas.size(), feed.size() + 1);
    EXPECT_EQ(linhas[0], std::to_string(feed[0]["id"].get<int>()) + "\t" +
                             feed[0]["data_hora_emissao"].get<std::string>() + "\t" +
                             feed[0]["emitente"]["nome"].get<std::string>() + "\n");
    EXPECT_EQ(linhas.back(), "Foram adicionados " + std::to_string(feed.size()) + " cupons.\n");

    teste::LeitorSql leitor(arquivo);
    EXPECT_EQ(leitor.Contar("cupom"), static_cast<int>(feed.size()));
    EXPECT_EQ(leitor.Contar("cupom_item"), static_cast<int>(itens));
    EXPECT_EQ(leitor.Contar("emitente"), static_cast<int>(cnpjs.size()));
    EXPECT_EQ(
        leitor.Contar(
            "cupom WHERE enviado <> 0 OR cpf_consumidor <> '' OR razao_social_consumidor <> ''"),
        0);
    int ultimo = 0;
    banco->GetUltimoId(ultimo);
    EXPECT_EQ(ultimo, feed.back()["id"].get<int>());
    banco->ConsultarRegistro("PRAGMA cache_size", cache);
    EXPECT_EQ(cache["cache_size"].ToStdString(), "-65536");

    // The same feed again (resent by the service) stores nothing and says so for each receipt.
    const auto de_novo = Importar(feed);
    ASSERT_EQ(de_novo.size(), feed.size() + 1);
    EXPECT_EQ(de_novo[0],
              std::to_string(feed[0]["id"].get<int>()) + "\tj\xc3\xa1 existente, pulando\n");
    EXPECT_EQ(de_novo.back(), "Foram adicionados 0 cupons.\n");
    EXPECT_EQ(leitor.Contar("cupom"), static_cast<int>(feed.size()));
    EXPECT_EQ(leitor.Contar("cupom_item"), static_cast<int>(itens));
}

// A receipt whose key is held already is skipped, whoever stored it, and hands its service id to
// the stored row when larger, so that the cursor moves past it; the run goes on around it.
TEST_F(BancoTest, ChaveJaGuardadaEPuladaEMoveOCursor) {
    Importar(json::array({Cupom(0, "DO-ARQUIVO"), Cupom(5, "K5")}));
    json renumerado = Cupom(9, "K5", "Outro Nome", 4);
    const auto linhas = Importar(json::array(
        {Cupom(7, "K7"), Cupom(8, "DO-ARQUIVO"), renumerado, Cupom(10, "K10"), Cupom(11, "K10")}));
    EXPECT_EQ(linhas, (std::vector<std::string>{
                          "7\t20240105101500\tMercado Um\n", "8\tj\xc3\xa1 existente, pulando\n",
                          "9\tj\xc3\xa1 existente, pulando\n", "10\t20240105101500\tMercado Um\n",
                          "11\tj\xc3\xa1 existente, pulando\n", "Foram adicionados 2 cupons.\n"}));
    teste::LeitorSql leitor(arquivo);
    EXPECT_EQ(leitor.Linhas("SELECT chave_acesso, id_zelkari FROM cupom ORDER BY id"),
              (std::vector<std::vector<std::string>>{
                  {"DO-ARQUIVO", "8"}, {"K5", "9"}, {"K7", "7"}, {"K10", "11"}}));
    // Nothing else of a skipped receipt is written: its lines and its issuer's name stay.
    EXPECT_EQ(leitor.Contar("cupom_item"), 8);
    EXPECT_EQ(leitor.Contar("emitente WHERE nome = 'Outro Nome'"), 0);
    int ultimo = 0;
    banco->GetUltimoId(ultimo);
    EXPECT_EQ(ultimo, 11);
    // An id below the stored one never moves the cursor back.
    Importar(json::array({Cupom(3, "K10")}));
    EXPECT_EQ(leitor.Contar("cupom WHERE chave_acesso = 'K10' AND id_zelkari = 11"), 1);
}

TEST_F(BancoTest, CamposOpcionaisPuladosEFormasDoFeed) {
    json sem_opcionais = Cupom(2, "K2", "Mercado Dois", 0);
    for (const char* k : {"url_consulta", "obs_cupom", "obs_inf", "itens", "id"})
        sem_opcionais.erase(k);
    json nulos = Cupom(3, "K3", "Mercado Tres");
    for (const char* k : {"url_consulta", "obs_cupom", "obs_inf", "itens"}) nulos[k] = nullptr;
    json sem_chave = Cupom(9, "");
    sem_chave["chave_acesso"] = nullptr;

    const auto linhas = Importar(json::array({Cupom(1, "K1"), sem_chave, sem_opcionais, nulos}));
    EXPECT_EQ(linhas, (std::vector<std::string>{
                          "1\t20240105101500\tMercado Um\n", "9\tsem chave de acesso, pulando\n",
                          "0\t20240105101500\tMercado Dois\n", "3\t20240105101500\tMercado Tres\n",
                          "Foram adicionados 3 cupons.\n"}));
    teste::LeitorSql leitor(arquivo);
    EXPECT_EQ(leitor.Linhas("SELECT id_zelkari, url_consulta, obs_cupom, obs_inf FROM cupom WHERE "
                            "chave_acesso <> 'K1' ORDER BY id"),
              (std::vector<std::vector<std::string>>{{"0", "", "", ""}, {"3", "", "", ""}}));
    EXPECT_EQ(leitor.Contar("cupom_item"), 2);
    // One issuer row per CNPJ, holding the receipt imported last.
    EXPECT_EQ(leitor.Linhas("SELECT nome, municipio FROM emitente"),
              (std::vector<std::vector<std::string>>{{"Mercado Tres", "São Paulo"}}));

    // A top-level object gives its values in key order; null is an empty feed.
    const auto de_objeto = Importar(json{{"b", Cupom(21, "K21")}, {"a", Cupom(20, "K20")}});
    EXPECT_EQ(de_objeto.front(), "20\t20240105101500\tMercado Um\n");
    EXPECT_EQ(Importar(json(nullptr)), (std::vector<std::string>{"Foram adicionados 0 cupons.\n"}));
    EXPECT_EQ(Importar(json::array()), (std::vector<std::string>{"Foram adicionados 0 cupons.\n"}));
}

TEST_F(BancoTest, FeedMalFormadoLancaComOTipoJsonENadaDaExecucaoFica) {
    Importar(json::array({Cupom(1, "K1")}));
    teste::LeitorSql leitor(arquivo);
    auto feed_com = [](json defeituoso) {
        return json::array({Cupom(10, "K10"), Cupom(11, "K11"), std::move(defeituoso)});
    };

    // Each defect in a third receipt; the last fails after that receipt's issuer, receipt and
    // first lines were written. The library's error carries, nested, what a person is told.
    const std::tuple<std::function<void(json&)>, const char*, const char*> defeitos[] = {
        {[](json& c) { c["valor_total"] = "12.50"; }, "type must be number, but is string",
         "O cupom 12 tem um valor de tipo errado no campo \"valor_total\": devia ser um "
         "n\xc3\xbamero, mas \xc3\xa9 um texto."},
        {[](json& c) { c.erase("numero_cfe"); }, "type must be string, but is null",
         "no campo \"numero_cfe\": devia ser um texto, mas est\xc3\xa1 ausente."},
        {[](json& c) { c["emitente"].erase("nome"); }, "type must be string, but is null",
         "no campo \"nome\" do emitente: devia ser um texto, mas est\xc3\xa1 ausente."},
        {[](json& c) {
             c = json::array({1, 2});
         },
         "cannot use value() with array",
         "Um cupom do feed n\xc3\xa3o \xc3\xa9 um objeto: \xc3\xa9 uma lista."},
        {[](json& c) {
             c = Cupom(12, "K12", "Mercado Um", 4);
             c["itens"][2]["qtde"] = nullptr;
         },
         "type must be number, but is null",
         "no campo \"qtde\" do item 3: devia ser um n\xc3\xbamero, mas \xc3\xa9 nulo."},
    };
    for (const auto& [estragar, erro, para_pessoa] : defeitos) {
        json cupom = Cupom(12, "K12");
        estragar(cupom);
        try {
            Importar(feed_com(cupom));
            ADD_FAILURE() << "the import did not fail: " << cupom.dump();
        } catch (const json::type_error& e) {
            EXPECT_NE(std::string(e.what()).find(erro), std::string::npos) << e.what();
            EXPECT_NE(MensagemDeValorErrado(e).find(para_pessoa), std::string::npos)
                << MensagemDeValorErrado(e);
        }
    }

    EXPECT_EQ(leitor.Contar("cupom"), 1);
    EXPECT_EQ(leitor.Contar("cupom_item"), 2);
    EXPECT_EQ(leitor.Contar("sqlite_sequence WHERE name = 'cupom' AND seq = 1"), 1);

    // Nothing is left open: a later import works and commits.
    EXPECT_EQ(Importar(json::array({Cupom(10, "K10")})).back(), "Foram adicionados 1 cupons.\n");
    EXPECT_EQ(leitor.Contar("cupom"), 2);
}

TEST_F(BancoTest, CallbackQueParaConfirmaOsCuponsCompletos) {
    json feed = json::array();
    for (int i = 1; i <= 5; ++i) feed.push_back(Cupom(i, "K" + std::to_string(i)));
    EXPECT_EQ(Importar(feed, 2).size(), 2u);  // no final line

    teste::LeitorSql leitor(arquivo);  // another connection: what it sees was committed
    EXPECT_EQ(leitor.Contar("cupom"), 2);
    EXPECT_EQ(leitor.Contar("cupom_item"), 4);

    json resto = json::array();
    for (int i = 3; i <= 5; ++i) resto.push_back(Cupom(i, "K" + std::to_string(i)));
    EXPECT_EQ(Importar(resto).back(), "Foram adicionados 3 cupons.\n");
    EXPECT_EQ(leitor.Contar("cupom"), 5);

    // Out of id order, what was stored could lie above a receipt left out: nothing is kept.
    json fora_de_ordem = json::array({Cupom(7, "K7"), Cupom(9, "K9"), Cupom(8, "K8")});
    EXPECT_EQ(Importar(fora_de_ordem, 1).size(), 1u);
    EXPECT_EQ(leitor.Contar("cupom"), 5);
    int ultimo = 0;
    banco->GetUltimoId(ultimo);
    EXPECT_EQ(ultimo, 5);
}

// A receipt that a trigger of the user's keeps out has no id: its lines are never given another
// receipt's, and the run stores nothing.
TEST_F(BancoTest, CupomIgnoradoPorGatilhoNaoLevaItensParaOutro) {
    Registro r;
    banco->ConsultarRegistro(
        "CREATE TRIGGER so_k1 BEFORE INSERT ON cupom WHEN NEW.chave_acesso <> 'K1' "
        "BEGIN SELECT RAISE(IGNORE); END",
        r);
    FalhaDe<std::runtime_error>(json::array({Cupom(1, "K1"), Cupom(2, "K2")}));
    teste::LeitorSql leitor(arquivo);
    EXPECT_EQ(leitor.Contar("cupom"), 0);
    EXPECT_EQ(leitor.Contar("cupom_item"), 0);
}

// A new database, and its journal, are for their owner alone; a file that exists keeps its mode.
TEST_F(BancoTest, ArquivoNovoSoParaODono) {
    const auto modo = [](const wxString& caminho) {
        struct stat st {};
        return stat(caminho.utf8_str(), &st) == 0 ? st.st_mode & 0777 : 0u;
    };
    EXPECT_EQ(modo(arquivo), 0600u);
    Registro r;
    banco->ConsultarRegistro("BEGIN", r);
    banco->ConsultarRegistro("INSERT INTO emitente(cnpj) VALUES('x')", r);
    EXPECT_EQ(modo(arquivo + "-journal"), 0600u);
    banco->ConsultarRegistro("ROLLBACK", r);

    banco.reset();
    ASSERT_EQ(chmod(arquivo.utf8_str(), 0644), 0);
    banco = std::make_unique<BancoDados>();
    EXPECT_EQ(modo(arquivo), 0644u);
}

// A transaction the person opened in the terminal is theirs to end: the import refuses to run
// inside it, and neither commits nor rolls back any of it.
TEST_F(BancoTest, ImportacaoRecusaTransacaoAbertaSemTocarNela) {
    Registro r;
    banco->ConsultarRegistro("BEGIN", r);
    banco->ConsultarRegistro("INSERT INTO emitente(cnpj) VALUES('do terminal')", r);
    EXPECT_TRUE(banco->TransacaoAberta());
    EXPECT_EQ(FalhaDe<std::runtime_error>(json::array({Cupom(1, "K1")})), kErroTransacaoAberta);
    EXPECT_TRUE(banco->TransacaoAberta());
    EXPECT_EQ(teste::LeitorSql(arquivo).Contar("emitente"), 0);  // nothing committed

    banco->ConsultarRegistro("ROLLBACK", r);
    EXPECT_EQ(banco->GetErro(), "");
    EXPECT_FALSE(banco->TransacaoAberta());
    EXPECT_EQ(Importar(json::array({Cupom(1, "K1")})).back(), "Foram adicionados 1 cupons.\n");
    EXPECT_EQ(teste::LeitorSql(arquivo).Linhas("SELECT cnpj FROM emitente"),
              (std::vector<std::vector<std::string>>{{"11222333000181"}}));
}

// A COMMIT that cannot happen (another process is reading the file) is an error: the run is
// undone and reported, never announced as stored.
TEST_F(BancoTest, CommitRecusadoELancadoEDesfeito) {
    sqlite3* outro = nullptr;
    sqlite3_open(arquivo.utf8_str(), &outro);
    sqlite3_stmt* leitura = nullptr;
    sqlite3_exec(outro, "INSERT INTO emitente(cnpj) VALUES('a'), ('b')", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(outro, "SELECT cnpj FROM emitente", -1, &leitura, nullptr);
    ASSERT_EQ(sqlite3_step(leitura), SQLITE_ROW);  // holds the shared lock while unfinished

    std::vector<std::string> linhas;
    try {
        banco->ImportarCupons(json::array({Cupom(1, "K1")}), [&](wxString l) {
            linhas.push_back(l.ToStdString(wxConvUTF8));
            return true;
        });
        ADD_FAILURE() << "the import did not fail";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "database is locked");
    }
    EXPECT_EQ(linhas.size(), 1u);  // the stored-receipt line, but no "Foram adicionados"
    sqlite3_finalize(leitura);
    sqlite3_close(outro);

    EXPECT_EQ(teste::LeitorSql(arquivo).Contar("cupom"), 0);
    EXPECT_EQ(Importar(json::array({Cupom(1, "K1")})).back(), "Foram adicionados 1 cupons.\n");
}

TEST_F(BancoTest, TabelaComLayoutAntigoFalhaNoPrimeiroInsert) {
    banco.reset();
    ASSERT_TRUE(wxRemoveFile(arquivo));
    ASSERT_TRUE(teste::ExecutarNoArquivo(
        arquivo,
        "CREATE TABLE cupom(id INTEGER PRIMARY KEY AUTOINCREMENT, data_hora_emissao TEXT, "
        "chave_acesso TEXT, cnpj_emitente TEXT)"));
    banco = std::make_unique<BancoDados>();
    EXPECT_NE(
        FalhaDe<std::runtime_error>(json::array({Cupom(1, "K1")})).find("has no column named"),
        std::string::npos);
    EXPECT_EQ(teste::LeitorSql(arquivo).Contar("emitente"), 0);
}

TEST_F(BancoTest, ConsultasDoOutroThreadDuranteAImportacao) {
    servico::OpcoesGerador opcoes;
    opcoes.anos = 1;
    const json feed = servico::GerarCupons(opcoes);
    std::atomic<bool> fim{false};
    std::thread trabalhador([&] {
        int ultimo = 0;
        banco->GetUltimoId(ultimo);
        banco->ImportarCupons(feed, [](wxString) { return true; });
        fim = true;
    });
    int consultas = 0;
    while (!fim || consultas == 0) {
        Registro r;
        banco->ConsultarRegistro("SELECT count(*) AS n FROM cupom", r);
        EXPECT_TRUE(banco->GetErro().empty());
        banco->ConsultarRegistro("SELEC", r);
        const wxString erro = banco->GetErro();  // the worker may have just cleared it
        EXPECT_TRUE(erro.empty() || erro.StartsWith("Erro ao preparar consulta: ")) << erro;
        ++consultas;
    }
    trabalhador.join();
    EXPECT_EQ(teste::LeitorSql(arquivo).Contar("cupom"), static_cast<int>(feed.size()));
}

// A process killed in the middle of an import leaves a file that opens and holds only the
// complete receipts of committed runs.
TEST_F(BancoTest, ProcessoMortoNoMeioDaImportacaoDeixaSoCuponsCompletos) {
    servico::OpcoesGerador opcoes;
    opcoes.anos = 2;
    opcoes.cupons_por_mes = 30;
    const json feed = servico::GerarCupons(opcoes);
    const json primeiros(feed.begin(), feed.begin() + 100);
    const json resto(feed.begin() + 100, feed.end());
    constexpr int kLinhasAntesDeMorrer = 400;
    banco.reset();

    int tubo[2];
    ASSERT_EQ(pipe(tubo), 0);
    const pid_t filho = fork();
    ASSERT_GE(filho, 0);
    if (filho == 0) {
        close(tubo[0]);
        int linhas = 0;
        auto avisar = [&](wxString) {
            if (write(tubo[1], "x", 1) != 1) _exit(3);
            // Wait to be killed with the second run's transaction open and spilling to the file.
            if (++linhas == kLinhasAntesDeMorrer)
                for (;;) pause();
            return true;
        };
        try {
            BancoDados b;
            Registro r;
            b.ConsultarRegistro("PRAGMA cache_size = 20", r);
            b.ImportarCupons(primeiros, avisar);
            b.ImportarCupons(resto, avisar);
        } catch (...) {
            _exit(2);
        }
        _exit(1);
    }
    close(tubo[1]);
    int lidas = 0;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (lidas < kLinhasAntesDeMorrer && std::chrono::steady_clock::now() < limite) {
        pollfd p{tubo[0], POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) continue;
        char buf[512];
        const ssize_t n = read(tubo[0], buf, sizeof buf);
        if (n <= 0) break;
        lidas += static_cast<int>(n);
    }
    close(tubo[0]);
    kill(filho, SIGKILL);
    int estado = 0;
    waitpid(filho, &estado, 0);
    ASSERT_EQ(lidas, kLinhasAntesDeMorrer);
    ASSERT_TRUE(WIFSIGNALED(estado));

    banco = std::make_unique<BancoDados>();  // opens and rolls the interrupted run back
    teste::LeitorSql leitor(arquivo);
    EXPECT_EQ(leitor.Valor("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(leitor.Contar("cupom"), 100);
    std::map<std::string, std::size_t> itens_no_feed;
    for (const auto& c : primeiros)
        itens_no_feed[c["chave_acesso"].get<std::string>()] = c["itens"].size();
    for (const auto& linha : leitor.Linhas(
             "SELECT c.chave_acesso, (SELECT count(*) FROM cupom_item i WHERE i.id_cupom = c.id), "
             "(SELECT count(*) FROM emitente e WHERE e.cnpj = c.cnpj_emitente) FROM cupom c")) {
        EXPECT_EQ(std::stoul(linha[1]), itens_no_feed.at(linha[0])) << linha[0];
        EXPECT_EQ(linha[2], "1") << linha[0];
    }
    EXPECT_EQ(leitor.Contar("cupom_item WHERE id_cupom NOT IN (SELECT id FROM cupom)"), 0);
}

}  // namespace
