#pragma once

// The user's receipt database: the only owner of the SQLite connection. Query methods never
// throw; they clear the last error on entry and record a Portuguese message when a statement
// cannot be prepared or fails while it runs. Opening (schema) and the receipt import throw.

#include <wx/arrstr.h>
#include <wx/string.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "db/CupomLido.h"
#include "db/LinhaSql.h"

struct sqlite3;
class TabelaResultado;
class wxGrid;
namespace db {
class Declaracao;
}

// Why an import does not start (UTF-8): a transaction is open on the connection, and the run's
// COMMIT or ROLLBACK would end it too.
inline constexpr const char* kErroTransacaoAberta =
    "H\xc3\xa1 uma transa\xc3\xa7\xc3\xa3o aberta no Terminal SQL. Conclua-a com COMMIT ou "
    "ROLLBACK antes de sincronizar.";

// One result row: column name (as SQLite reports it) to the value's text.
using Registro = std::map<wxString, wxString>;

// A value bound to one "?" of a statement: UTF-8 text, an integer or a real.
using ParametroSql = std::variant<std::string, long long, double>;

// A statement's result read for a grid, apart from any window, so that the reading may run on
// another thread and only the grid's taking it (BancoDados::MostrarNaGrade) on the window's.
struct ResultadoGrade {
    ResultadoGrade();
    ResultadoGrade(ResultadoGrade&&) noexcept;
    ResultadoGrade& operator=(ResultadoGrade&&) noexcept;
    ~ResultadoGrade();

    std::unique_ptr<TabelaResultado> tabela;  // null: not prepared, and the grid keeps its content
    std::vector<bool> a_direita;              // per column: the first row held a number there
    bool truncado = false;                    // more rows than the limit; the rest were not read
    wxString erro;                            // the message recorded, as GetErro() gives it
};

// How a reading for a grid may be cut short.
struct LimitesLeitura {
    std::size_t linhas = std::numeric_limits<std::size_t>::max();
    // Set by another thread: the statement stops with SQLite's "interrupted" error.
    const std::atomic<bool>* cancelar = nullptr;
};

class BancoDados {
public:
    // Opens (creating it if needed, readable by its owner only) the file of the user whose login
    // is stored, in the current working directory, and applies the schema. Throws
    // std::runtime_error when the schema cannot be applied (for instance, a file that is not a
    // database).
    BancoDados();
    // The receipt database in the file `arquivo` (created, with the schema, when missing).
    explicit BancoDados(const wxString& arquivo);
    ~BancoDados();
    BancoDados(const BancoDados&) = delete;
    BancoDados& operator=(const BancoDados&) = delete;

    void CriarTabelas();
    wxString GetErro() const;

    void PreencherGrid(const wxString& sql, wxGrid* grid);
    void PreencherGrid(const wxString& sql, wxGrid* grid, std::map<wxString, wxString>& col_labels);
    // The two halves of PreencherGrid: reading the first statement of `sql` (UTF-8), which records
    // the error as PreencherGrid does and touches no window; and putting the result in a grid.
    ResultadoGrade LerParaGrade(const char* sql, std::map<wxString, wxString>& col_labels,
                                const LimitesLeitura& limites = {});
    static void MostrarNaGrade(ResultadoGrade& resultado, wxGrid* grid);
    void ConsultarRegistro(const wxString& sql, Registro& row);
    void ConsultarRegistros(const wxString& sql, std::vector<Registro>& rows);
    void ListarTabelas(wxArrayString& tabelas);
    void ListarCampos(wxString tabela, wxArrayString& nomes, wxArrayString& tipos);
    void ListarCampos(wxString tabela, wxArrayString& nomes);
    void GetUltimoId(int& ultimo_id);
    // Whether a transaction is open on the connection (a BEGIN run in the SQL terminal and not
    // yet ended): the import neither joins nor ends a transaction it did not open.
    bool TransacaoAberta();
    // Whether the main database was opened read-only (a file without write permission); true
    // with no connection.
    bool SomenteLeitura();

    // Runs the first statement of `sql` (UTF-8) with `parametros` bound to its "?" in order and
    // hands each result row to `porLinha`, which returns false to stop. Values are read in place,
    // without a wxString per cell, for the scans that read whole tables. Clears the last error on
    // entry; returns false with the error recorded when the statement cannot be prepared or a
    // step fails (rows handed on before the failure stay handed on).
    bool PercorrerLinhas(const char* sql, const std::vector<ParametroSql>& parametros,
                         const std::function<bool(const LinhaSql&)>& porLinha);

    // Hands `colunas` of every row of `tabela`, in row id order, to `porLinha`. For whole tables:
    // the rows are read inside SQLite (an SQL function receives each one) instead of being
    // stepped out one by one, which costs several times the scan itself. Clears the last error
    // on entry; returns false with the error recorded when the scan cannot be prepared or fails.
    // An exception thrown by `porLinha` stops the scan and leaves this call.
    bool LerTabela(const char* tabela, const std::vector<const char*>& colunas,
                   const std::function<void(const LinhaSql&)>& porLinha);
    // LerTabela in two halves by row id, read at once on two read-only connections of this
    // object's own to the same file (opened on first use and kept, so that a later scan finds
    // the schema read and the page caches made), the second half on a thread of its own. `porLinha`
    // receives the half (0 or 1) with each row, from both threads at once; each half comes in row
    // id order, and every row of half 0 lies before those of half 1. A small table, a database
    // without a file, and one with a transaction open on this connection (whose changes another
    // connection would not see) are read in one pass, as half 0.
    bool LerTabelaEmDuasPartes(const char* tabela, const std::vector<const char*>& colunas,
                               const std::function<void(int parte, const LinhaSql&)>& porLinha);

    // PercorrerLinhas of `consulta` (a select from `tabela` without its "where") over the rows
    // that `condicao` leaves, in two halves by the row id of `tabela`, read at once as
    // LerTabelaEmDuasPartes reads them (and in one pass, as half 0, when it would read the table
    // so). `porLinha` receives the half with each row, from both threads at once; false stops
    // that half. `parametros` are bound to the "?" of the condition in order.
    bool PercorrerLinhasEmDuasPartes(
        const char* tabela, const std::string& consulta, const std::string& condicao,
        const std::vector<ParametroSql>& parametros,
        const std::function<bool(int parte, const LinhaSql&)>& porLinha);

    // Stores a parsed receipt feed in one transaction. `progresso` receives each progress line
    // and returns false to stop between receipts.
    void ImportarCupons(const nlohmann::json& dados, std::function<bool(wxString)> progresso);

    // What an import asks its source for after each receipt: nothing more; the next receipt; or,
    // once it has stopped storing, only the next one's `id` and `sem_chave`, which tell whether
    // the feed keeps to increasing ids (a source may still hand over whole receipts).
    enum class Seguinte { Parar, Cupom, SoId };
    // A feed handed over one receipt at a time, so that the whole feed never has to exist as one
    // document: the source calls its argument with each receipt in order, as long as that asks
    // for more. An exception thrown by the source ends the import like a wrong value.
    // `quantidade` is how many receipts the source holds, which decides how they are stored.
    using FonteCupons =
        std::function<void(const std::function<Seguinte(const CupomLido&)>& receber)>;
    // Returns how many receipts it stored (the others were already held, or had no key).
    int ImportarCupons(const FonteCupons& fonte, std::size_t quantidade,
                       std::function<bool(wxString)> progresso);

private:
    friend class LeituraEmSegundoPlano;

    void SetErro(const wxString& texto);
    // Records "Erro ao ler consulta: %s!" with the connection's message, after a failed step.
    void SetErroLeitura();
    // Prepares the first statement of `sql` (UTF-8); records the message when it cannot.
    bool Preparar(const char* sql, db::Declaracao& stmt);
    // LerTabela of the rows that `condicao` (a "where" on "?1", bound to `limite`; "" for every
    // row) leaves.
    bool LerFaixa(const char* tabela, const std::vector<const char*>& colunas, const char* condicao,
                  long long limite, const std::function<void(const LinhaSql&)>& porLinha);

    sqlite3* db = nullptr;
    // The connections of the readings in two halves, one per half, used under this connection's
    // lock; `metades_em_uso` while a reading holds them (a receiver that reads in two halves
    // again is read in one pass).
    struct ConexaoMetade {
        sqlite3* db = nullptr;
        ReceptorLinhas receptor;
    };
    ConexaoMetade metades[2];
    bool metades_em_uso = false;
    // Opens them on first use; false, with none open, when the file cannot be opened so.
    bool AbrirMetades();
    // The row id that parts `tabela` in two halves; false when it is to be read in one pass (a
    // small table, or a transaction open here, whose changes the other connections would not
    // see).
    bool MeioDaTabela(const char* tabela, long long& meio);
    wxString erro;
    // The receiver of the rows of the LerTabela call running (under the connection's lock), the
    // exception it threw, and whether the SQL function that feeds it is registered yet.
    ReceptorLinhas leitura_tabela;
    bool funcao_leitura_registrada = false;
    mutable std::mutex erro_mutex;  // guards erro: the sync worker clears it in GetUltimoId
    // Readings on threads of their own still to end: the connection closes only after them, and
    // `fechando` stops their statements.
    std::mutex leituras_mutex;
    std::condition_variable leituras_fim;
    int leituras_ativas = 0;  // guarded by leituras_mutex
    std::atomic<bool> fechando{false};
};

// Reads one statement's result for a grid on a thread of its own, so that the window's thread
// stays free while it runs. The thread touches no window. Destroying this object stops the
// statement and waits for the thread; the database may go first (its destructor stops the
// statement and waits for the reading to let go of it).
class LeituraEmSegundoPlano {
public:
    LeituraEmSegundoPlano(BancoDados& banco, const wxString& sql, std::size_t limite_linhas);
    ~LeituraEmSegundoPlano();
    LeituraEmSegundoPlano(const LeituraEmSegundoPlano&) = delete;
    LeituraEmSegundoPlano& operator=(const LeituraEmSegundoPlano&) = delete;

    // Whether the reading has ended, waiting up to `limite` for it.
    bool Esperar(std::chrono::milliseconds limite);
    bool Terminou() const { return terminou_.load(std::memory_order_acquire); }
    // Stops the statement soon; what was read so far stays in the result.
    void Cancelar() { cancelar_.store(true); }
    // Cancels the statement and waits for the thread.
    void Parar();
    // The result, once the reading has ended (waits for the thread).
    ResultadoGrade& Resultado();

private:
    std::atomic<bool> cancelar_{false};
    std::atomic<bool> terminou_{false};
    std::mutex mutex_;
    std::condition_variable fim_;
    ResultadoGrade resultado_;  // written by the thread before `terminou_`
    std::thread thread_;
};

// The database file name of a user: 64-bit FNV-1a over the name's UTF-16 code units, low byte
// first, in decimal, followed by ".db".
wxString NomeArquivoBanco(const wxString& usuario);
