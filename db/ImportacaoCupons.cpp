// BancoDados::ImportarCupons: stores a parsed receipt feed in the three tables.

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

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
    "? , ? , ? , ? , ? )RETURNING id";
constexpr const char* kSqlItem =
    "INSERT INTO cupom_item(    id_cupom,    seq,    codigo,    descricao,    qtde,    un,    "
    "valor_unit,    tributos,    valor_total,    desconto)VALUES(? , ? , ? , ? , ? , ? , ? , ? , ? "
    ", ? )";

constexpr const char* kLinhaSemChave = "%d\tsem chave de acesso, pulando\n";
constexpr const char* kLinhaCupom = "%d\t%s\t%s\n";
constexpr const char* kLinhaFinal = "Foram adicionados %d cupons.\n";

// A member of a feed object, or null when it is missing (or the value is not an object), so
// that a missing required key fails the typed read like a null does.
const json& Campo(const json& objeto, const char* chave) {
    static const json nulo;
    if (!objeto.is_object()) return nulo;
    const auto it = objeto.find(chave);
    return it == objeto.end() ? nulo : *it;
}

std::string Texto(const json& objeto, const char* chave) {
    return Campo(objeto, chave).get<std::string>();
}

std::string TextoOpcional(const json& objeto, const char* chave) {
    const json& valor = Campo(objeto, chave);
    return valor.is_null() ? std::string() : valor.get<std::string>();
}

double Numero(const json& objeto, const char* chave) {
    return Campo(objeto, chave).get<double>();
}

// "id" and "seq": 32-bit integers, 0 when absent, a real truncated. A number beyond that range
// fails the feed like a value of the wrong type: converting a real out of range is undefined
// behaviour, and a wrapped integer would quietly become another receipt's id (and cursor).
int Inteiro32(const json& objeto, const char* chave) {
    if (!objeto.is_object()) return objeto.value(chave, 0);  // throws the library's type_error
    const auto it = objeto.find(chave);
    if (it == objeto.end()) return 0;
    bool cabe = true;
    if (it->is_number_float()) {
        const double valor = std::trunc(it->get<double>());
        cabe = valor >= INT32_MIN && valor <= INT32_MAX;  // false for NaN
    } else if (it->is_number_unsigned()) {
        cabe = it->get<std::uint64_t>() <= INT32_MAX;
    } else if (it->is_number_integer()) {
        const std::int64_t valor = it->get<std::int64_t>();
        cabe = valor >= INT32_MIN && valor <= INT32_MAX;
    }
    if (!cabe)
        throw std::runtime_error(std::string("\"") + chave +
                                 "\" fora do intervalo de um inteiro de 32 bits: " + it->dump());
    return it->get<int>();  // a value of another type throws the library's type_error
}

wxString Utf8(const std::string& texto) {
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

// Steps an insert expected to end with `esperado`; returns column 0 of a returned row.
std::int64_t Passo(sqlite3* db, sqlite3_stmt* stmt, int esperado) {
    TravaConexao trava(db);
    if (sqlite3_step(stmt) != esperado) {
        const std::string mensagem = sqlite3_errmsg(db);
        sqlite3_reset(stmt);
        throw std::runtime_error(mensagem);
    }
    const std::int64_t valor = esperado == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_reset(stmt);  // an insert still in progress would keep COMMIT from ending
    return valor;
}

// The transaction of one import run. BEGIN's own result is not trusted either way: inside a
// transaction someone else opened (a BEGIN typed into the SQL terminal) it fails, and if it
// failed for any other reason the rows would otherwise be written one autocommit at a time. The
// savepoint taken right after it always exists, so a failed run is undone exactly, never more
// and never less, and no receipt is ever kept half-written.
class TransacaoImportacao {
public:
    explicit TransacaoImportacao(sqlite3* db) : db_(db) {
        TravaConexao trava(db_);
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

}  // namespace

void BancoDados::ImportarCupons(const json& dados, std::function<bool(wxString)> progresso) {
    CriarTabelas();
    TransacaoImportacao transacao(db);

    int adicionados = 0;
    bool interrompida = false;
    try {
        Declaracao emitente, cupom, item;
        for (const json& d : dados) {
            const int id = Inteiro32(d, "id");
            if (Campo(d, "chave_acesso").is_null()) {
                if (!progresso(wxString::Format(kLinhaSemChave, id))) {
                    interrompida = true;
                    break;
                }
                continue;
            }
            ++adicionados;

            // Everything is read before anything of the receipt is written.
            const std::string data_hora = Texto(d, "data_hora_emissao");
            const std::string numero_cfe = Texto(d, "numero_cfe");
            const std::string numero_serie_sat = Texto(d, "numero_serie_sat");
            const std::string chave_acesso = Texto(d, "chave_acesso");
            const std::string url_consulta = TextoOpcional(d, "url_consulta");
            const double valor_total = Numero(d, "valor_total");
            const std::string obs_cupom = TextoOpcional(d, "obs_cupom");
            const std::string obs_inf = TextoOpcional(d, "obs_inf");
            const double total_tributos = Numero(d, "total_tributos");
            const json& em = Campo(d, "emitente");
            static constexpr const char* kCamposEmitente[] = {
                "cnpj", "ie", "im", "nome", "fantasia", "endereco", "bairro", "cep", "municipio"};
            std::string dados_emitente[9];
            for (int i = 0; i < 9; ++i) dados_emitente[i] = Texto(em, kCamposEmitente[i]);
            const std::string& cnpj = dados_emitente[0];
            const std::string& nome = dados_emitente[3];

            PrepararUmaVez(db, emitente, kSqlEmitente);
            for (int i = 0; i < 9; ++i) db::LigarTexto(emitente.get(), i + 1, dados_emitente[i]);
            Passo(db, emitente.get(), SQLITE_DONE);

            PrepararUmaVez(db, cupom, kSqlCupom);
            sqlite3_stmt* c = cupom.get();
            db::LigarTexto(c, 1, data_hora);
            db::LigarTexto(c, 2, numero_cfe);
            db::LigarTexto(c, 3, numero_serie_sat);
            db::LigarTexto(c, 4, chave_acesso);
            db::LigarTexto(c, 5, url_consulta);
            sqlite3_bind_double(c, 6, valor_total);
            db::LigarTexto(c, 7, obs_cupom);
            db::LigarTexto(c, 8, obs_inf);
            sqlite3_bind_double(c, 9, total_tributos);
            db::LigarTexto(c, 10, cnpj);
            db::LigarTexto(c, 11, std::string());
            db::LigarTexto(c, 12, std::string());
            sqlite3_bind_int(c, 13, id);
            const std::int64_t id_cupom = Passo(db, c, SQLITE_ROW);

            const json& itens = Campo(d, "itens");
            if (!itens.is_null()) {
                PrepararUmaVez(db, item, kSqlItem);
                sqlite3_stmt* it = item.get();
                for (const json& linha : itens) {
                    const int seq = Inteiro32(linha, "seq");
                    const std::string codigo = Texto(linha, "codigo");
                    const std::string descricao = Texto(linha, "descricao");
                    const double qtde = Numero(linha, "qtde");
                    const std::string un = Texto(linha, "un");
                    const double valor_unit = Numero(linha, "valor_unit");
                    const double tributos = Numero(linha, "tributos");
                    const double valor_total_item = Numero(linha, "valor_total");
                    const double desconto = Numero(linha, "desconto");
                    sqlite3_bind_int64(it, 1, id_cupom);
                    sqlite3_bind_int(it, 2, seq);
                    db::LigarTexto(it, 3, codigo);
                    db::LigarTexto(it, 4, descricao);
                    sqlite3_bind_double(it, 5, qtde);
                    db::LigarTexto(it, 6, un);
                    sqlite3_bind_double(it, 7, valor_unit);
                    sqlite3_bind_double(it, 8, tributos);
                    sqlite3_bind_double(it, 9, valor_total_item);
                    sqlite3_bind_double(it, 10, desconto);
                    Passo(db, it, SQLITE_DONE);
                }
            }

            if (!progresso(wxString::Format(kLinhaCupom, id, Utf8(data_hora), Utf8(nome)))) {
                interrompida = true;
                break;
            }
        }
    } catch (...) {
        // The statements are finalized by now; nothing of this run is kept.
        transacao.Desfazer();
        throw;
    }

    // Stopped or not, every receipt stored so far is complete: keep them.
    transacao.Confirmar();
    if (interrompida) return;
    progresso(wxString::Format(kLinhaFinal, adicionados));
}
