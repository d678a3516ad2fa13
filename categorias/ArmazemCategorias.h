#pragma once

// The categories in the user's database, in tables of the program's own beside the receipt
// tables (which are never touched), so the SQL terminal can join them:
//   categoria(id, nome, posicao, limite_mensal)
//   categoria_regra(id, id_categoria, posicao, texto)
//   categoria_produto(chave, id_categoria)      a product placed directly, by its identity
//   categoria_ajuste(nome, valor)                "embutidas": the built-in set was written
// The built-in set is written once, on first use; from then on the rows are the person's, and
// no later version rewrites them. A database opened read-only without these tables gets the
// built-in set in memory.
//
// The connection is reached through ConexaoCategorias, so the window's BancoDados and the
// command's read-only SQLite file hold the same code.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "categorias/Categorias.h"

struct sqlite3;

namespace categorias {

using ValorSql = std::variant<long long, double, std::string>;

// One result row, valid during the call that hands it on.
class LinhaCategorias {
public:
    virtual ~LinhaCategorias() = default;
    virtual std::string_view Texto(int coluna) const = 0;  // empty for NULL
    virtual long long Inteiro(int coluna) const = 0;
    virtual double Real(int coluna) const = 0;
};

class ConexaoCategorias {
public:
    virtual ~ConexaoCategorias() = default;
    // Runs the first statement of `sql` with `valores` bound to its "?" in order, handing each
    // row to `porLinha` (when given). False, with Erro() set, when it fails.
    virtual bool Executar(const char* sql, const std::vector<ValorSql>& valores,
                          const std::function<void(const LinhaCategorias&)>& porLinha = {}) = 0;
    virtual bool SomenteLeitura() = 0;
    virtual std::string Erro() const = 0;
};

// Over a plain SQLite handle that stays the caller's.
class ConexaoSqlite : public ConexaoCategorias {
public:
    explicit ConexaoSqlite(sqlite3* db) : db_(db) {}
    bool Executar(const char* sql, const std::vector<ValorSql>& valores,
                  const std::function<void(const LinhaCategorias&)>& porLinha = {}) override;
    bool SomenteLeitura() override;
    std::string Erro() const override { return erro_; }

private:
    sqlite3* db_;
    std::string erro_;
};

// Every change is one transaction: it happens whole or not at all. Each call returns false, with
// Erro() in Portuguese, when it cannot be made; the database is then as it was.
class ArmazemCategorias {
public:
    explicit ArmazemCategorias(ConexaoCategorias& conexao) : conexao_(conexao) {}

    // The set, categories and rules in their order; creates the tables and writes the built-in
    // set when this database has never had them.
    bool Carregar(Conjunto& conjunto);
    // The set as stored, without writing anything: the built-in set when the tables are not
    // there yet (the reports read so, and leave the database as it is until the set changes).
    bool Ler(Conjunto& conjunto);

    // A new category, last; `id` receives its id. Names are unique (case and accents ignored),
    // not empty and not "Sem categoria".
    bool Adicionar(const std::string& nome, long long& id);
    bool Renomear(long long id, const std::string& nome);
    // With its rules and its direct placements: its products go back to the rules.
    bool Excluir(long long id);
    // The category's rules, in this order, in place of the ones it had.
    bool GravarRegras(long long id, const std::vector<std::string>& regras);
    // The monthly limit; none removes it.
    bool GravarLimite(long long id, std::optional<double> limite);
    // Places the products directly in the category; id 0 removes their placements.
    bool Colocar(const std::vector<std::string>& chaves, long long id);
    // The whole set in place of the one stored (an import). Ids are given anew.
    bool Substituir(const Conjunto& conjunto);

    const std::string& Erro() const { return erro_; }

private:
    bool Falhar(const std::string& texto);
    bool FalhaSql();
    bool TabelasExistem(bool& existem);
    bool LerTabelas(Conjunto& conjunto);
    bool Criar();
    bool GravarConjunto(const Conjunto& conjunto);
    bool NomeLivre(const std::string& nome, long long exceto);
    // Runs `passos` between BEGIN and COMMIT, or rolls back when one fails.
    bool EmTransacao(const std::function<bool()>& passos);

    ConexaoCategorias& conexao_;
    std::string erro_;
};

}  // namespace categorias
