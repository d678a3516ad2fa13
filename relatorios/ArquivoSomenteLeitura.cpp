#include "relatorios/ArquivoSomenteLeitura.h"

#include <filesystem>
#include <system_error>

#include "relatorios/CargaTabelas.h"

namespace relatorios {
namespace {

// A lock another process holds (the window importing) normally lasts milliseconds.
constexpr int kEsperaBloqueioArquivoMs = 3000;
constexpr const char* kSqlTabelaExiste =
    "select count(*) from sqlite_master where type = 'table' and name = ?";

std::string NomeSql(const char* nome) {
    std::string citado = "\"";
    for (const char* c = nome; *c; ++c) {
        if (*c == '"') citado += '"';
        citado += *c;
    }
    return citado + "\"";
}

class Consulta {
public:
    Consulta(sqlite3* db, const std::string& sql)
        : rc_(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr)) {}
    ~Consulta() { sqlite3_finalize(stmt_); }
    Consulta(const Consulta&) = delete;
    Consulta& operator=(const Consulta&) = delete;
    bool Preparada() const { return rc_ == SQLITE_OK && stmt_; }
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_;
};

}  // namespace

ArquivoSomenteLeitura::ArquivoSomenteLeitura(const std::string& caminho) : caminho_(caminho) {
    std::error_code erro;
    const auto estado = std::filesystem::status(caminho, erro);
    if (!std::filesystem::exists(estado)) {
        erro_ = caminho + ": arquivo não encontrado";
        return;
    }
    if (std::filesystem::is_directory(estado)) {
        erro_ = caminho + ": é uma pasta, não um banco de cupons";
        return;
    }
    if (sqlite3_open_v2(caminho.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        erro_ = caminho + ": não foi possível abrir o arquivo (" + sqlite3_errmsg(db_) + ")";
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    sqlite3_busy_timeout(db_, kEsperaBloqueioArquivoMs);
}

ArquivoSomenteLeitura::~ArquivoSomenteLeitura() {
    sqlite3_close(db_);
}

bool ArquivoSomenteLeitura::EhBancoDeCupons() {
    if (!db_) return false;
    for (const char* tabela : {kTabelaCupons, kTabelaItens, kTabelaEmitentes}) {
        Consulta consulta(db_, kSqlTabelaExiste);
        int rc = SQLITE_ERROR;
        if (consulta.Preparada()) {
            sqlite3_bind_text(consulta.get(), 1, tabela, -1, SQLITE_STATIC);
            rc = sqlite3_step(consulta.get());
        }
        if (rc != SQLITE_ROW) {
            erro_ = caminho_ + ": não é um banco de cupons (" + sqlite3_errmsg(db_) + ")";
            return false;
        }
        if (sqlite3_column_int(consulta.get(), 0) == 0) {
            erro_ = caminho_ + ": não é um banco de cupons (falta a tabela " + tabela + ")";
            return false;
        }
    }
    return true;
}

long long ArquivoSomenteLeitura::ItensPrevistos() {
    Consulta consulta(db_, kSqlItensPrevistos);
    if (!consulta.Preparada() || sqlite3_step(consulta.get()) != SQLITE_ROW) return 0;
    return sqlite3_column_int64(consulta.get(), 0);
}

bool ArquivoSomenteLeitura::LerTabela(const char* tabela, const std::vector<const char*>& colunas,
                                      const std::function<void(const LinhaArquivo&)>& porLinha) {
    if (!db_) return false;
    std::string sql = "select ";
    for (std::size_t i = 0; i < colunas.size(); ++i) sql += (i ? ", " : "") + NomeSql(colunas[i]);
    sql += " from " + NomeSql(tabela);
    Consulta consulta(db_, sql);
    int rc = SQLITE_ERROR;
    if (consulta.Preparada()) {
        const LinhaArquivo linha(consulta.get());
        while ((rc = sqlite3_step(consulta.get())) == SQLITE_ROW) porLinha(linha);
    }
    if (rc != SQLITE_DONE) {
        erro_ = caminho_ + ": não foi possível ler a tabela " + tabela + " (" +
                sqlite3_errmsg(db_) + ")";
        return false;
    }
    return true;
}

bool CarregarDados(ArquivoSomenteLeitura& arquivo, DadosRelatorios& dados) {
    if (!arquivo.EhBancoDeCupons()) return false;
    return CarregarTabelas(
        [&arquivo](const char* tabela, const std::vector<const char*>& colunas, auto&& porLinha) {
            return arquivo.LerTabela(tabela, colunas, porLinha);
        },
        arquivo.ItensPrevistos(), dados);
}

}  // namespace relatorios
