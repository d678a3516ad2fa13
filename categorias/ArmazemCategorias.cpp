#include "categorias/ArmazemCategorias.h"

#include <sqlite3.h>

#include <cmath>

#include "precos/Produto.h"

namespace categorias {
namespace {

constexpr const char* kSqlCriar[] = {
    "CREATE TABLE IF NOT EXISTS categoria(id INTEGER PRIMARY KEY, nome TEXT NOT NULL, "
    "posicao INTEGER NOT NULL, limite_mensal REAL)",
    "CREATE TABLE IF NOT EXISTS categoria_regra(id INTEGER PRIMARY KEY, "
    "id_categoria INTEGER NOT NULL, posicao INTEGER NOT NULL, texto TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS idx_categoria_regra_id_categoria ON categoria_regra(id_categoria)",
    "CREATE TABLE IF NOT EXISTS categoria_produto(chave TEXT PRIMARY KEY, "
    "id_categoria INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS categoria_ajuste(nome TEXT PRIMARY KEY, valor TEXT)",
};
constexpr const char* kSqlTabelasExistem =
    "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
    "('categoria', 'categoria_regra', 'categoria_produto')";
constexpr const char* kSqlEmbutidasGravadas =
    "SELECT valor FROM categoria_ajuste WHERE nome = 'embutidas'";
constexpr const char* kSqlMarcarEmbutidas =
    "INSERT OR REPLACE INTO categoria_ajuste(nome, valor) VALUES ('embutidas', '1')";
constexpr const char* kSqlLerCategorias =
    "SELECT id, nome, limite_mensal IS NULL, limite_mensal FROM categoria ORDER BY posicao, id";
constexpr const char* kSqlLerRegras =
    "SELECT id_categoria, texto FROM categoria_regra ORDER BY id_categoria, posicao, id";
constexpr const char* kSqlLerColocacoes = "SELECT chave, id_categoria FROM categoria_produto";
constexpr const char* kSqlInserirCategoria =
    "INSERT INTO categoria(nome, posicao, limite_mensal) VALUES "
    "(?, (SELECT coalesce(max(posicao), 0) + 1 FROM categoria), nullif(?, -1.0))";
// A limit travels as a number, -1 for none: not every connection binds NULL.
constexpr double kSemLimite = -1;
constexpr const char* kSqlUltimoId = "SELECT last_insert_rowid()";
constexpr const char* kSqlInserirRegra =
    "INSERT INTO categoria_regra(id_categoria, posicao, texto) VALUES (?, ?, ?)";
constexpr const char* kSqlInserirColocacao =
    "INSERT OR REPLACE INTO categoria_produto(chave, id_categoria) VALUES (?, ?)";
constexpr const char* kSqlRemoverColocacao = "DELETE FROM categoria_produto WHERE chave = ?";
constexpr const char* kSqlNomes = "SELECT id, nome FROM categoria";
constexpr const char* kSqlContarCategorias = "SELECT count(*) FROM categoria";
constexpr const char* kSqlContarCategoria = "SELECT count(*) FROM categoria WHERE id = ?";

class LinhaSqlite : public LinhaCategorias {
public:
    explicit LinhaSqlite(sqlite3_stmt* stmt) : stmt_(stmt) {}
    std::string_view Texto(int coluna) const override {
        const unsigned char* texto = sqlite3_column_text(stmt_, coluna);
        if (!texto) return {};
        return {reinterpret_cast<const char*>(texto),
                static_cast<std::size_t>(sqlite3_column_bytes(stmt_, coluna))};
    }
    long long Inteiro(int coluna) const override { return sqlite3_column_int64(stmt_, coluna); }
    double Real(int coluna) const override { return sqlite3_column_double(stmt_, coluna); }

private:
    sqlite3_stmt* stmt_;
};

class DeclaracaoCategorias {
public:
    ~DeclaracaoCategorias() { sqlite3_finalize(stmt_); }
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

bool ConexaoSqlite::Executar(const char* sql, const std::vector<ValorSql>& valores,
                             const std::function<void(const LinhaCategorias&)>& porLinha) {
    erro_.clear();
    DeclaracaoCategorias d;
    if (sqlite3_prepare_v2(db_, sql, -1, &d.stmt_, nullptr) != SQLITE_OK || !d.stmt_) {
        erro_ = sqlite3_errmsg(db_);
        return false;
    }
    for (std::size_t i = 0; i < valores.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        if (const auto* inteiro = std::get_if<long long>(&valores[i]))
            sqlite3_bind_int64(d.stmt_, n, *inteiro);
        else if (const auto* real = std::get_if<double>(&valores[i]))
            sqlite3_bind_double(d.stmt_, n, *real);
        else if (const auto* texto = std::get_if<std::string>(&valores[i]))
            sqlite3_bind_text(d.stmt_, n, texto->data(), static_cast<int>(texto->size()),
                              SQLITE_TRANSIENT);
    }
    const LinhaSqlite linha(d.stmt_);
    int rc;
    while ((rc = sqlite3_step(d.stmt_)) == SQLITE_ROW)
        if (porLinha) porLinha(linha);
    if (rc != SQLITE_DONE) {
        erro_ = sqlite3_errmsg(db_);
        return false;
    }
    return true;
}

bool ConexaoSqlite::SomenteLeitura() {
    return sqlite3_db_readonly(db_, "main") == 1;
}

bool ArmazemCategorias::Falhar(const std::string& texto) {
    erro_ = texto;
    return false;
}

bool ArmazemCategorias::FalhaSql() {
    return Falhar("Erro ao gravar as categorias: " + conexao_.Erro());
}

bool ArmazemCategorias::EmTransacao(const std::function<bool()>& passos) {
    if (!conexao_.Executar("BEGIN IMMEDIATE", {})) return FalhaSql();
    if (!passos()) {
        const std::string erro = erro_;
        conexao_.Executar("ROLLBACK", {});
        erro_ = erro;
        return false;
    }
    if (!conexao_.Executar("COMMIT", {})) {
        FalhaSql();
        conexao_.Executar("ROLLBACK", {});
        return false;
    }
    return true;
}

bool ArmazemCategorias::TabelasExistem(bool& existem) {
    long long n = 0;
    if (!conexao_.Executar(kSqlTabelasExistem, {},
                           [&](const LinhaCategorias& l) { n = l.Inteiro(0); }))
        return Falhar("Erro ao ler as categorias: " + conexao_.Erro());
    existem = n == 3;
    return true;
}

bool ArmazemCategorias::GravarConjunto(const Conjunto& conjunto) {
    for (const Categoria& c : conjunto.categorias) {
        long long id = 0;
        if (!conexao_.Executar(kSqlInserirCategoria, {c.nome, c.limite.value_or(kSemLimite)}) ||
            !conexao_.Executar(kSqlUltimoId, {},
                               [&](const LinhaCategorias& l) { id = l.Inteiro(0); }))
            return FalhaSql();
        for (std::size_t r = 0; r < c.regras.size(); ++r)
            if (!conexao_.Executar(kSqlInserirRegra,
                                   {id, static_cast<long long>(r + 1), c.regras[r]}))
                return FalhaSql();
        for (const auto& [chave, categoria] : conjunto.colocacoes)
            if (categoria == c.id && !conexao_.Executar(kSqlInserirColocacao, {chave, id}))
                return FalhaSql();
    }
    return true;
}

bool ArmazemCategorias::Criar() {
    for (const char* sql : kSqlCriar)
        if (!conexao_.Executar(sql, {})) return FalhaSql();
    bool gravadas = false;
    if (!conexao_.Executar(kSqlEmbutidasGravadas, {},
                           [&](const LinhaCategorias&) { gravadas = true; }))
        return FalhaSql();
    if (gravadas) return true;
    // A set without the marker (the row deleted, the tables copied without it) is still the
    // person's: only an empty table receives the built-in set.
    long long categorias = 0;
    if (!conexao_.Executar(kSqlContarCategorias, {},
                           [&](const LinhaCategorias& l) { categorias = l.Inteiro(0); }))
        return FalhaSql();
    if (categorias > 0) return conexao_.Executar(kSqlMarcarEmbutidas, {}) || FalhaSql();
    return GravarConjunto(Embutidas()) &&
           (conexao_.Executar(kSqlMarcarEmbutidas, {}) || FalhaSql());
}

bool ArmazemCategorias::Carregar(Conjunto& conjunto) {
    erro_.clear();
    bool existem = false;
    if (!TabelasExistem(existem)) return false;
    if (!existem && conexao_.SomenteLeitura()) {
        conjunto = Embutidas();
        return true;
    }
    if (!conexao_.SomenteLeitura()) {
        bool gravadas = false;
        if (existem)
            conexao_.Executar(kSqlEmbutidasGravadas, {},
                              [&](const LinhaCategorias&) { gravadas = true; });
        if (!gravadas && !EmTransacao([this] { return Criar(); })) return false;
    }

    return LerTabelas(conjunto);
}

bool ArmazemCategorias::Ler(Conjunto& conjunto) {
    erro_.clear();
    bool existem = false;
    if (!TabelasExistem(existem)) return false;
    if (!existem) {
        conjunto = Embutidas();
        return true;
    }
    return LerTabelas(conjunto);
}

bool ArmazemCategorias::LerTabelas(Conjunto& conjunto) {
    Conjunto lido;
    const bool ok = conexao_.Executar(kSqlLerCategorias, {}, [&](const LinhaCategorias& l) {
        Categoria c;
        c.id = l.Inteiro(0);
        c.nome = std::string(l.Texto(1));
        if (l.Inteiro(2) == 0) c.limite = l.Real(3);
        lido.categorias.push_back(std::move(c));
    }) && conexao_.Executar(kSqlLerRegras, {}, [&](const LinhaCategorias& l) {
        const int c = lido.Posicao(l.Inteiro(0));
        if (c >= 0) lido.categorias[static_cast<std::size_t>(c)].regras.emplace_back(l.Texto(1));
    }) && conexao_.Executar(kSqlLerColocacoes, {}, [&](const LinhaCategorias& l) {
        lido.colocacoes.emplace(std::string(l.Texto(0)), l.Inteiro(1));
    });
    if (!ok) return Falhar("Erro ao ler as categorias: " + conexao_.Erro());
    conjunto = std::move(lido);
    return true;
}

bool ArmazemCategorias::NomeLivre(const std::string& nome, long long exceto) {
    const std::string normalizado = precos::Normalizar(nome);
    if (normalizado.empty()) return Falhar("Informe o nome da categoria.");
    if (normalizado == precos::Normalizar(kSemCategoria))
        return Falhar("\"" + std::string(kSemCategoria) + "\" \xc3\xa9 reservado.");
    bool usado = false;
    if (!conexao_.Executar(kSqlNomes, {}, [&](const LinhaCategorias& l) {
            usado |= l.Inteiro(0) != exceto && precos::Normalizar(l.Texto(1)) == normalizado;
        }))
        return FalhaSql();
    if (usado) return Falhar("J\xc3\xa1 existe uma categoria chamada \"" + nome + "\".");
    return true;
}

bool ArmazemCategorias::Adicionar(const std::string& nome, long long& id) {
    erro_.clear();
    return EmTransacao([&] {
        if (!NomeLivre(nome, 0)) return false;
        if (!conexao_.Executar(kSqlInserirCategoria, {nome, kSemLimite}) ||
            !conexao_.Executar(kSqlUltimoId, {},
                               [&](const LinhaCategorias& l) { id = l.Inteiro(0); }))
            return FalhaSql();
        return true;
    });
}

bool ArmazemCategorias::Renomear(long long id, const std::string& nome) {
    erro_.clear();
    return EmTransacao([&] {
        return NomeLivre(nome, id) &&
               (conexao_.Executar("UPDATE categoria SET nome = ? WHERE id = ?", {nome, id}) ||
                FalhaSql());
    });
}

bool ArmazemCategorias::Excluir(long long id) {
    erro_.clear();
    return EmTransacao([&] {
        return (conexao_.Executar("DELETE FROM categoria_regra WHERE id_categoria = ?", {id}) &&
                conexao_.Executar("DELETE FROM categoria_produto WHERE id_categoria = ?", {id}) &&
                conexao_.Executar("DELETE FROM categoria WHERE id = ?", {id})) ||
               FalhaSql();
    });
}

bool ArmazemCategorias::GravarRegras(long long id, const std::vector<std::string>& regras) {
    erro_.clear();
    return EmTransacao([&] {
        if (!conexao_.Executar("DELETE FROM categoria_regra WHERE id_categoria = ?", {id}))
            return FalhaSql();
        for (std::size_t r = 0; r < regras.size(); ++r)
            if (!conexao_.Executar(kSqlInserirRegra,
                                   {id, static_cast<long long>(r + 1), regras[r]}))
                return FalhaSql();
        return true;
    });
}

bool ArmazemCategorias::GravarLimite(long long id, std::optional<double> limite) {
    erro_.clear();
    if (limite && (!std::isfinite(*limite) || *limite < 0))
        return Falhar("O limite mensal deve ser um valor positivo.");
    return EmTransacao([&] {
        return conexao_.Executar(
                   "UPDATE categoria SET limite_mensal = nullif(?, -1.0) WHERE id = ?",
                   {limite.value_or(kSemLimite), id}) ||
               FalhaSql();
    });
}

bool ArmazemCategorias::Colocar(const std::vector<std::string>& chaves, long long id) {
    erro_.clear();
    return EmTransacao([&] {
        if (id != 0) {
            long long existe = 0;
            if (!conexao_.Executar(kSqlContarCategoria, {id},
                                   [&](const LinhaCategorias& l) { existe = l.Inteiro(0); }))
                return FalhaSql();
            if (existe == 0) return Falhar("A categoria n\xc3\xa3o existe mais.");
        }
        for (const std::string& chave : chaves) {
            const bool ok = id == 0 ? conexao_.Executar(kSqlRemoverColocacao, {chave})
                                    : conexao_.Executar(kSqlInserirColocacao, {chave, id});
            if (!ok) return FalhaSql();
        }
        return true;
    });
}

bool ArmazemCategorias::Substituir(const Conjunto& conjunto) {
    erro_.clear();
    return EmTransacao([&] {
        for (const char* sql : kSqlCriar)
            if (!conexao_.Executar(sql, {})) return FalhaSql();
        const bool limpo = conexao_.Executar("DELETE FROM categoria_produto", {}) &&
                           conexao_.Executar("DELETE FROM categoria_regra", {}) &&
                           conexao_.Executar("DELETE FROM categoria", {}) &&
                           conexao_.Executar(kSqlMarcarEmbutidas, {});
        return (limpo || FalhaSql()) && GravarConjunto(conjunto);
    });
}

}  // namespace categorias
