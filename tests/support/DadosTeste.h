#pragma once

// Test data of the receipt store: receipts in the feed format, a plain reader of database files,
// and a fixture that gives each test a fresh folder with a stored user and that user's open
// database.

#include <gtest/gtest.h>
#include <wx/string.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "db/BancoDados.h"
#include "tests/support/LoginTeste.h"

class wxWindow;
struct sqlite3;

namespace teste {

// One item line of a receipt in the feed format.
struct ItemFeed {
    int seq = 1;
    std::string codigo = "7891000100103";
    std::string descricao = "ARROZ";
    double qtde = 1;
    std::string un = "UN";
    double valor_unit = 6.25;
    double tributos = 1.1;
    double desconto = 0;
};

// One receipt in the feed format; the item totals are qtde x valor_unit, and the receipt's total
// is the sum of its items less their discounts unless `valor_total` is given.
struct CupomFeed {
    int id = 1;
    std::string chave = "";  // "CHAVE<id>" when empty
    std::string data_hora = "20240105101500";
    std::string numero_cfe = "000101";
    std::string numero_serie_sat = "900001234";
    std::string url_consulta = "https://sat.example/consulta";
    std::string cnpj = "12345678000199";
    std::string nome = "MERCADO EXEMPLO LTDA";
    std::string fantasia = "MERCADO EXEMPLO";
    std::string endereco = "RUA A, 1";
    std::string municipio = "SAO PAULO";
    std::vector<ItemFeed> itens = {ItemFeed{}};
    double valor_total = -1;  // below 0: computed from the items
};

nlohmann::json CupomJson(const CupomFeed& cupom);
nlohmann::json FeedJson(const std::vector<CupomFeed>& cupons);

// A second, plain read-only connection to a database file, as another process or the program's
// next start would open it: sees only what was committed. A statement that fails fails the test.
class LeitorSql {
public:
    explicit LeitorSql(const wxString& arquivo);
    ~LeitorSql();
    LeitorSql(const LeitorSql&) = delete;
    LeitorSql& operator=(const LeitorSql&) = delete;

    bool Aberto() const { return db_ != nullptr; }
    // Every row of `sql`, each value as text ("<null>" for NULL).
    std::vector<std::vector<std::string>> Linhas(const std::string& sql) const;
    // The first value of the first row, "" when there is none.
    std::string Valor(const std::string& sql) const;
    // How many rows `tabela` has (a table name, optionally followed by a WHERE clause).
    int Contar(const std::string& tabela) const;

private:
    sqlite3* db_ = nullptr;
};

// Runs `sql` on the database file `arquivo` (created when missing) over a connection of its own,
// reporting an error as a test failure (false): for files the program is to find already there.
[[nodiscard]] bool ExecutarNoArquivo(const wxString& arquivo, const std::string& sql);

// Each test runs in a new folder named after it, as the working folder, with `usuario` stored as
// the logged-in user and that user's database open in `banco`. Windows the test puts in
// `janela` are destroyed before the database closes.
class BancoTeste : public ::testing::Test {
protected:
    explicit BancoTeste(wxString usuario_teste = "teste") : usuario(std::move(usuario_teste)) {}
    void SetUp() override;
    void TearDown() override;

    // Imports `feed` to the end, failing the test on any exception.
    void Importar(const nlohmann::json& feed);
    // Runs one statement on `banco`, failing the test on an error.
    void Executar(const wxString& sql);

    wxString usuario;
    std::unique_ptr<BancoDados> banco;
    wxWindow* janela = nullptr;

private:
    wxString pasta_anterior_;
};

}  // namespace teste
