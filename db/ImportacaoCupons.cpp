// BancoDados::ImportarCupons: stores a receipt feed in the three tables, from a parsed feed or
// from a source that hands over one receipt at a time, read (CupomLido) on whatever thread.

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "db/BancoDados.h"
#include "db/Sqlite.h"

using db::Declaracao;
using db::TravaConexao;
using nlohmann::json;

namespace {

constexpr const char* kSqlEmitente =
    "INSERT OR REPLACE INTO emitente(    cnpj,    ie,    im,    nome,    fantasia,    endereco,    "
    "bairro,    cep,    municipio)VALUES(? , ? , ? , ? , ? , ? , ? , ? , ? )";
constexpr const char* kSqlCupom =
    "INSERT INTO cupom(    data_hora_emissao,    numero_cfe,    numero_serie_sat,    chave_acesso, "
    "   "
    "url_consulta,    valor_total,    obs_cupom,    obs_inf,    total_tributos,    cnpj_emitente,  "
    "  "
    "cpf_consumidor,    razao_social_consumidor,    id_zelkari)VALUES(? , ? , ? , ? , ? , ? , ? , "
    "? , "
    "? , ? , ? , ? , ? )"
    // A receipt whose key is already stored (sent again, renumbered by the service, or read
    // from a file first) writes nothing: GravadorCupons tells that from a user's trigger.
    "ON CONFLICT(chave_acesso) DO NOTHING";
// The service id of a receipt already held goes into its row, so that the cursor moves past it.
// The service id of a receipt already held only grows; a file's receipt (id 0) leaves it as it is.
constexpr const char* kSqlIdDoExistente =
    "UPDATE cupom SET id_zelkari = CASE WHEN ?1 > coalesce(id_zelkari, 0) THEN ?1 "
    "ELSE id_zelkari END WHERE chave_acesso = ?2";
constexpr const char* kSqlItem =
    "INSERT INTO cupom_item(    id_cupom,    seq,    codigo,    descricao,    qtde,    un,    "
    "valor_unit,    tributos,    valor_total,    desconto)VALUES(? , ? , ? , ? , ? , ? , ? , ? , ? "
    ", ? )";
// Further lines of the same insert.
constexpr const char* kSqlMaisUmItem = ",(? , ? , ? , ? , ? , ? , ? , ? , ? , ? )";
constexpr std::size_t kLinhasPorInsert = 32;

// A large import into a table smaller than itself stores its item lines without the two text
// indexes of the item table and builds them again at the end, inside the same transaction: one
// sorted pass per index instead of a search at a random place of each index for every line. (The
// index on the receipt id only ever grows at its end, and stays.) The schema's own text builds
// them again, so the file ends exactly as it would have otherwise.
constexpr std::size_t kMinimoSemIndices = 2000;
constexpr const char* kSqlContarCupons = "SELECT count(*) FROM cupom;";
constexpr const char* kSqlSemIndicesDeItens =
    "DROP INDEX IF EXISTS idx_cupom_item_codigo;"
    "DROP INDEX IF EXISTS idx_cupom_item_descricao;";

constexpr const char* kLinhaSemChave = "%d\tsem chave de acesso, pulando\n";
const wchar_t* const kLinhaExistente = L"%d\tjá existente, pulando\n";
constexpr const char* kLinhaCupom = "%d\t%s\t%s\n";
constexpr const char* kLinhaFinal = "Foram adicionados %d cupons.\n";

wxString Utf8(std::string_view texto) {
    return wxString::FromUTF8(texto.data(), texto.size());
}

[[noreturn]] void FalhaSqlite(sqlite3* db) {
    throw std::runtime_error(sqlite3_errmsg(db));
}

// The statements of one run, prepared on first use and reset after every step.
void PrepararUmaVez(sqlite3* db, Declaracao& stmt, const char* sql) {
    if (stmt) return;
    TravaConexao trava(db);
    if (stmt.Preparar(db, sql) != SQLITE_OK) FalhaSqlite(db);
}

// Steps an insert to its end.
void Passo(sqlite3* db, sqlite3_stmt* stmt) {
    TravaConexao trava(db);
    if (sqlite3_step(stmt) != SQLITE_DONE) {
        const std::string mensagem = sqlite3_errmsg(db);
        sqlite3_reset(stmt);
        throw std::runtime_error(mensagem);
    }
    sqlite3_reset(stmt);  // an insert still in progress would keep COMMIT from ending
}

// The transaction of one import run. A run never starts inside a transaction someone else
// opened (a BEGIN typed into the SQL terminal): its COMMIT would end that transaction too. Should
// BEGIN fail for another reason, the rows would otherwise be written one autocommit at a time;
// the savepoint taken right after it always exists, so a failed run is undone exactly, never
// more and never less, and no receipt is ever kept half-written.
class TransacaoImportacao {
public:
    explicit TransacaoImportacao(sqlite3* db) : db_(db) {
        TravaConexao trava(db_);
        // Committing or rolling back would end the person's own transaction with the run.
        if (sqlite3_get_autocommit(db_) == 0) throw std::runtime_error(kErroTransacaoAberta);
        propria_ = sqlite3_exec(db_, "BEGIN TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (sqlite3_exec(db_, "SAVEPOINT importar_cupons;", nullptr, nullptr, nullptr) !=
            SQLITE_OK) {
            const std::string mensagem = sqlite3_errmsg(db_);
            if (propria_) sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
            throw std::runtime_error(mensagem);
        }
    }

    // Keeps the run: COMMIT ends the transaction, savepoint included. A commit that fails (the
    // file locked by another process, say) leaves the savepoint in place to undo the run, and
    // is an error, not a success to announce.
    void Confirmar() {
        TravaConexao trava(db_);
        if (sqlite3_exec(db_, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const std::string mensagem = sqlite3_errmsg(db_);
            Desfazer();
            throw std::runtime_error(mensagem);
        }
        ativa_ = false;
    }

    // Drops everything this run wrote. Errors are ignored: SQLite may already have rolled the
    // transaction back by itself (disk full, I/O error).
    void Desfazer() {
        if (!ativa_) return;
        ativa_ = false;
        TravaConexao trava(db_);
        if (propria_) {
            sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
        } else {
            sqlite3_exec(db_, "ROLLBACK TO importar_cupons;", nullptr, nullptr, nullptr);
            sqlite3_exec(db_, "RELEASE importar_cupons;", nullptr, nullptr, nullptr);
        }
    }

    ~TransacaoImportacao() { Desfazer(); }
    TransacaoImportacao(const TransacaoImportacao&) = delete;
    TransacaoImportacao& operator=(const TransacaoImportacao&) = delete;

private:
    sqlite3* db_;
    bool propria_ = false;
    bool ativa_ = true;
};

// The connection's page cache, enlarged while an import runs and restored after it (which frees
// the pages again). Item lines go into the indexes of their code and description at places
// spread over the whole index; with SQLite's default of 2 MB, a large database has its index
// pages read, journalled and written back over and over within one run.
//
// Building an index is another matter: SQLite sorts the keys in memory in runs as large as the
// page cache, each a merge sort of a linked list. Runs of a few megabytes stay in the processor's
// caches; one run of 32 MB chases pointers through main memory and took about twice as long for
// the item indexes of 36,000 receipts. So the indexes are built with a small cache.
class CacheDaImportacao {
public:
    explicit CacheDaImportacao(sqlite3* db) : db_(db) {
        TravaConexao trava(db_);
        Declaracao consulta;
        if (consulta.Preparar(db_, "PRAGMA cache_size;") != SQLITE_OK ||
            sqlite3_step(consulta.get()) != SQLITE_ROW)
            return;  // left alone, then
        anterior_ = sqlite3_column_int64(consulta.get(), 0);
        lida_ = true;
        // A larger cache set by someone else stays.
        const std::int64_t kib = anterior_ < 0 ? -anterior_ : anterior_ * 4;
        if (kib < kCacheKib) Definir(-kCacheKib);
    }

    // The cache for building indexes, whatever it was before.
    void ParaOrdenar() {
        if (lida_) Definir(-kOrdenacaoKib);
    }

    ~CacheDaImportacao() {
        if (alterada_) Definir(anterior_);
    }
    CacheDaImportacao(const CacheDaImportacao&) = delete;
    CacheDaImportacao& operator=(const CacheDaImportacao&) = delete;

private:
    // Positive: pages; negative: kibibytes.
    void Definir(std::int64_t tamanho) {
        TravaConexao trava(db_);
        const std::string sql = "PRAGMA cache_size=" + std::to_string(tamanho) + ";";
        alterada_ |= sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    static constexpr std::int64_t kCacheKib = 32 * 1024;
    static constexpr std::int64_t kOrdenacaoKib = 2 * 1024;
    sqlite3* db_;
    std::int64_t anterior_ = 0;
    bool lida_ = false;  // anterior_ is known
    bool alterada_ = false;
};

// Stores one receipt after another with the run's statements, counting the stored ones.
class GravadorCupons {
public:
    GravadorCupons(sqlite3* db, std::function<bool(wxString)>& progresso)
        : db_(db), progresso_(progresso) {}

    int Adicionados() const { return adicionados_; }

    // Stores the receipt (or skips it when it has no access key) and reports it; false when the
    // progress callback asks to stop.
    bool Gravar(const CupomLido& v) {
        if (v.sem_chave) return progresso_(wxString::Format(kLinhaSemChave, v.id));
        {
            // The receipt's rows go in as one piece: the other thread's queries wait for all of
            // them rather than taking the connection between every two rows.
            TravaConexao trava(db_);
            PrepararUmaVez(db_, cupom_, kSqlCupom);
            sqlite3_stmt* c = cupom_.get();
            db::LigarVista(c, 1, v.data_hora);
            db::LigarVista(c, 2, v.numero_cfe);
            db::LigarVista(c, 3, v.numero_serie_sat);
            db::LigarVista(c, 4, v.chave_acesso);
            db::LigarVista(c, 5, v.url_consulta);
            sqlite3_bind_double(c, 6, v.valor_total);
            db::LigarVista(c, 7, v.obs_cupom);
            db::LigarVista(c, 8, v.obs_inf);
            sqlite3_bind_double(c, 9, v.total_tributos);
            db::LigarVista(c, 10, v.emitente[0]);  // the issuer's "cnpj"
            db::LigarVista(c, 11, v.cpf_consumidor);
            db::LigarVista(c, 12, v.razao_social_consumidor);
            sqlite3_bind_int(c, 13, v.id);
            // The receipt's id is the row id of its insert. (Asking for it with RETURNING costs
            // SQLite a temporary table on every run of the statement: a tenth of the import.)
            // The connection stays locked in between, so no other insert can come first.
            Passo(db_, c);
            if (sqlite3_changes(db_) != 1) {
                // No row: the key was already held, or a trigger of the user's ignored the
                // insert, which leaves no id to give the lines.
                if (!MarcarExistente(v)) FalhaSqlite(db_);
                return progresso_(wxString::Format(kLinhaExistente, v.id));
            }
            const std::int64_t id_cupom = sqlite3_last_insert_rowid(db_);
            ++adicionados_;

            PrepararUmaVez(db_, emitente_, kSqlEmitente);
            for (int i = 0; i < 9; ++i) db::LigarVista(emitente_.get(), i + 1, v.emitente[i]);
            Passo(db_, emitente_.get());

            for (std::size_t i = 0; i < v.linhas.size(); i += kLinhasPorInsert) {
                const std::size_t n = std::min(kLinhasPorInsert, v.linhas.size() - i);
                InserirLinhas(id_cupom, &v.linhas[i], n);
            }
        }
        if (v.erro_linha) std::rethrow_exception(v.erro_linha);
        const std::string_view nome = v.emitente[3];
        return progresso_(wxString::Format(kLinhaCupom, v.id, Utf8(v.data_hora), Utf8(nome)));
    }

private:
    // Gives the stored receipt of `v`'s key the service id of `v` when it is the larger; false
    // when no receipt with that key is stored.
    bool MarcarExistente(const CupomLido& v) {
        PrepararUmaVez(db_, existente_, kSqlIdDoExistente);
        sqlite3_bind_int(existente_.get(), 1, v.id);
        db::LigarVista(existente_.get(), 2, v.chave_acesso);
        Passo(db_, existente_.get());
        return sqlite3_changes(db_) == 1;
    }

    // Several lines of a receipt to an insert, in order: each insert of the item table also reads
    // and writes its AUTOINCREMENT counter, which then happens once for many lines.
    void InserirLinhas(std::int64_t id_cupom, const CupomLido::Linha* linhas, std::size_t n) {
        Declaracao& insert = inserts_itens_[n];
        if (!insert) {
            std::string sql = kSqlItem;
            for (std::size_t i = 1; i < n; ++i) sql += kSqlMaisUmItem;
            PrepararUmaVez(db_, insert, sql.c_str());
        }
        sqlite3_stmt* it = insert.get();
        for (std::size_t i = 0; i < n; ++i) {
            const CupomLido::Linha& l = linhas[i];
            const int p = static_cast<int>(i) * 10;
            sqlite3_bind_int64(it, p + 1, id_cupom);
            sqlite3_bind_int(it, p + 2, l.seq);
            db::LigarVista(it, p + 3, l.codigo);
            db::LigarVista(it, p + 4, l.descricao);
            sqlite3_bind_double(it, p + 5, l.qtde);
            db::LigarVista(it, p + 6, l.un);
            sqlite3_bind_double(it, p + 7, l.valor_unit);
            sqlite3_bind_double(it, p + 8, l.tributos);
            sqlite3_bind_double(it, p + 9, l.valor_total);
            sqlite3_bind_double(it, p + 10, l.desconto);
        }
        Passo(db_, it);
    }

    sqlite3* db_;
    std::function<bool(wxString)>& progresso_;
    Declaracao emitente_, cupom_, existente_;
    std::array<Declaracao, kLinhasPorInsert + 1> inserts_itens_;  // by number of lines
    int adicionados_ = 0;
};

// Drops the item table's text indexes for an import of `quantidade` receipts into a table that
// holds no more than that; false when it did not.
bool SemIndicesDeItens(sqlite3* db, std::size_t quantidade) {
    if (quantidade < kMinimoSemIndices) return false;
    TravaConexao trava(db);
    Declaracao contagem;
    if (contagem.Preparar(db, kSqlContarCupons) != SQLITE_OK ||
        sqlite3_step(contagem.get()) != SQLITE_ROW ||
        static_cast<std::size_t>(sqlite3_column_int64(contagem.get(), 0)) > quantidade)
        return false;
    contagem = Declaracao();
    // Whatever this could not drop stays and is simply kept up to date row by row.
    sqlite3_exec(db, kSqlSemIndicesDeItens, nullptr, nullptr, nullptr);
    return true;
}

}  // namespace

void BancoDados::ImportarCupons(const json& dados, std::function<bool(wxString)> progresso) {
    ImportarCupons(
        [&dados](const std::function<Seguinte(const CupomLido&)>& receber) {
            // A parsed document costs little more to read whole than for its id.
            CupomLido lido;
            for (const json& d : dados) {
                LerCupom(d, lido);
                if (receber(lido) == Seguinte::Parar) return;
            }
        },
        dados.size(), std::move(progresso));
}

int BancoDados::ImportarCupons(const FonteCupons& fonte, std::size_t quantidade,
                               std::function<bool(wxString)> progresso) {
    CriarTabelas();
    CacheDaImportacao cache(db);
    TransacaoImportacao transacao(db);

    int adicionados = 0;
    bool interrompida = false;
    // The cursor of the next run is the largest id stored. A run stopped half-way keeps what it
    // stored only when every receipt of the feed comes in increasing id order: otherwise one
    // left unstored could lie below the cursor and never be asked for again. So, once stopped,
    // the rest of the feed is still read, for its ids alone, until one breaks the order (a wrong
    // value in the rest does not matter: what was stored is complete, and the rest is asked for
    // again).
    bool em_ordem = true;
    bool tem_anterior = false;
    int anterior = 0;
    const auto seguir_ordem = [&](const CupomLido& cupom) {
        if (cupom.sem_chave) return;
        if (tem_anterior && cupom.id <= anterior) em_ordem = false;
        tem_anterior = true;
        anterior = cupom.id;
    };
    try {
        const bool sem_indices = SemIndicesDeItens(db, quantidade);
        {
            GravadorCupons gravador(db, progresso);
            try {
                fonte([&](const CupomLido& cupom) {
                    seguir_ordem(cupom);
                    if (!interrompida) interrompida = !gravador.Gravar(cupom);
                    if (!interrompida) return Seguinte::Cupom;
                    return em_ordem ? Seguinte::SoId : Seguinte::Parar;
                });
            } catch (...) {
                if (!interrompida) throw;
                em_ordem = false;  // the rest cannot be read: its order is unknown
            }
            adicionados = gravador.Adicionados();
        }
        if (interrompida && !em_ordem) {
            transacao.Desfazer();
            return 0;
        }
        if (sem_indices) {  // the indexes again, built in one sorted pass each
            cache.ParaOrdenar();
            CriarTabelas();
        }
    } catch (...) {
        // The statements are finalized by now; nothing of this run is kept, the indexes included.
        transacao.Desfazer();
        throw;
    }

    // Stopped or not, every receipt stored so far is complete: keep them.
    transacao.Confirmar();
    if (!interrompida) progresso(wxString::Format(kLinhaFinal, adicionados));
    return adicionados;
}
