#include "tests/support/DadosTeste.h"

#include <sqlite3.h>
#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/window.h>

#include "tests/support/TestEnvironment.h"

using nlohmann::json;

namespace teste {
json CupomJson(const CupomFeed& cupom) {
    json itens = json::array();
    double total = 0;
    for (const ItemFeed& item : cupom.itens) {
        const double valor_item = item.qtde * item.valor_unit;
        total += valor_item - item.desconto;
        itens.push_back({{"seq", item.seq},
                         {"codigo", item.codigo},
                         {"descricao", item.descricao},
                         {"qtde", item.qtde},
                         {"un", item.un},
                         {"valor_unit", item.valor_unit},
                         {"tributos", item.tributos},
                         {"valor_total", valor_item},
                         {"desconto", item.desconto}});
    }
    return {
        {"id", cupom.id},
        {"chave_acesso", cupom.chave.empty() ? "CHAVE" + std::to_string(cupom.id) : cupom.chave},
        {"data_hora_emissao", cupom.data_hora},
        {"numero_cfe", cupom.numero_cfe},
        {"numero_serie_sat", cupom.numero_serie_sat},
        {"url_consulta", cupom.url_consulta},
        {"valor_total", cupom.valor_total < 0 ? total : cupom.valor_total},
        {"obs_cupom", nullptr},
        {"obs_inf", "obrigado"},
        {"total_tributos", 1.1},
        {"emitente",
         {{"cnpj", cupom.cnpj},
          {"ie", "1"},
          {"im", "2"},
          {"nome", cupom.nome},
          {"fantasia", cupom.fantasia},
          {"endereco", cupom.endereco},
          {"bairro", "CENTRO"},
          {"cep", "01000000"},
          {"municipio", cupom.municipio}}},
        {"itens", std::move(itens)}};
}

json FeedJson(const std::vector<CupomFeed>& cupons) {
    json feed = json::array();
    for (const CupomFeed& cupom : cupons) feed.push_back(CupomJson(cupom));
    return feed;
}

LeitorSql::LeitorSql(const wxString& arquivo) {
    if (sqlite3_open_v2(arquivo.utf8_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << arquivo.utf8_string() << ": " << sqlite3_errmsg(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    sqlite3_busy_timeout(db_, 10'000);
}

LeitorSql::~LeitorSql() {
    sqlite3_close(db_);
}

std::vector<std::vector<std::string>> LeitorSql::Linhas(const std::string& sql) const {
    std::vector<std::vector<std::string>> linhas;
    sqlite3_stmt* s = nullptr;
    if (!db_ || sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << (db_ ? sqlite3_errmsg(db_) : "no database");
        return linhas;
    }
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        std::vector<std::string> linha;
        for (int i = 0; i < sqlite3_column_count(s); ++i) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
            linha.push_back(t ? t : "<null>");
        }
        linhas.push_back(std::move(linha));
    }
    if (rc != SQLITE_DONE) ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
    sqlite3_finalize(s);
    return linhas;
}

std::string LeitorSql::Valor(const std::string& sql) const {
    const auto linhas = Linhas(sql);
    return linhas.empty() || linhas[0].empty() ? "" : linhas[0][0];
}

int LeitorSql::Contar(const std::string& tabela) const {
    const std::string n = Valor("SELECT count(*) FROM " + tabela);
    return n.empty() ? -1 : std::stoi(n);
}

bool ExecutarNoArquivo(const wxString& arquivo, const std::string& sql) {
    sqlite3* db = nullptr;
    char* erro = nullptr;
    const bool ok = sqlite3_open(arquivo.utf8_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &erro) == SQLITE_OK;
    if (!ok) ADD_FAILURE() << sql << ": " << (erro ? erro : sqlite3_errmsg(db));
    sqlite3_free(erro);
    sqlite3_close(db);
    return ok;
}

void BancoTeste::SetUp() {
    pasta_anterior_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(PastaDoTeste()));
    GravarLogin({wxString(), usuario, wxString()});
    banco = std::make_unique<BancoDados>();
    ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro();
}

void BancoTeste::TearDown() {
    if (janela) janela->Destroy();
    janela = nullptr;
    // A top-level window goes at the next idle time: it must be gone before the next test
    // counts the open windows, and before the database it may hold closes.
    // The suites without windows run on the toolkit's console application, not a wxApp.
    if (wxAppConsole* app = wxAppConsole::GetInstance()) {
        app->ProcessPendingEvents();
        app->ProcessIdle();
    }
    banco.reset();
    wxSetWorkingDirectory(pasta_anterior_);
}

void BancoTeste::Importar(const json& feed) {
    try {
        banco->ImportarCupons(feed, [](wxString) { return true; });
    } catch (const std::exception& e) {
        ADD_FAILURE() << "import failed: " << e.what();
    }
}

void BancoTeste::Executar(const wxString& sql) {
    Registro r;
    banco->ConsultarRegistro(sql, r);
    ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro() << " in " << sql;
}

}  // namespace teste
