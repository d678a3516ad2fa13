#include "db/BancoDados.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#include <wx/grid.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "account/Sessao.h"
#include "db/Sqlite.h"
#include "db/TabelaResultado.h"

using db::Declaracao;
using db::TravaConexao;

namespace {

// The eight statements of the schema, concatenated. SQLite keeps each CREATE TABLE text as the
// table's definition, so the blanks inside are part of the stored schema.
constexpr const char* kEsquema =
    "CREATE TABLE IF NOT EXISTS emitente(    cnpj TEXT UNIQUE,    ie TEXT,    im TEXT,    "
    "nome TEXT,    fantasia TEXT,    endereco TEXT,    bairro TEXT,    cep TEXT,    municipio "
    "TEXT);"
    "CREATE TABLE IF NOT EXISTS cupom(    id INTEGER PRIMARY KEY AUTOINCREMENT,    "
    "data_hora_emissao TEXT,    numero_cfe TEXT,    numero_serie_sat TEXT,    "
    "chave_acesso TEXT UNIQUE,    valor_total REAL,    total_tributos REAL,    obs_cupom TEXT,    "
    "obs_inf TEXT,    cnpj_emitente TEXT,    cpf_consumidor TEXT,    razao_social_consumidor TEXT, "
    "   "
    "enviado INTEGER DEFAULT 0,    url_consulta TEXT,    id_zelkari INTEGER);"
    "CREATE INDEX IF NOT EXISTS idx_cupom_data_hora_emissao ON cupom(data_hora_emissao);"
    "CREATE INDEX IF NOT EXISTS idx_cupom_cnpj_emitente ON cupom(cnpj_emitente);"
    "CREATE TABLE IF NOT EXISTS cupom_item(    id INTEGER PRIMARY KEY AUTOINCREMENT,    "
    "id_cupom INTEGER,    seq INTEGER,    codigo TEXT,    descricao TEXT,    qtde REAL,    un "
    "TEXT,    "
    "valor_unit REAL,    tributos REAL,    valor_total REAL,    desconto REAL);"
    "CREATE INDEX IF NOT EXISTS idx_cupom_item_id_cupom ON cupom_item(id_cupom);"
    "CREATE INDEX IF NOT EXISTS idx_cupom_item_codigo ON cupom_item(codigo);"
    "CREATE INDEX IF NOT EXISTS idx_cupom_item_descricao ON cupom_item(descricao);";

constexpr const char* kErroPreparar = "Erro ao preparar consulta: %s!";
constexpr const char* kErroAbrir = "Erro ao abrir banco de dados SQLite: %s!";
constexpr const char* kErroLer = "Erro ao ler consulta: %s!";
// The SQL function through which LerTabela receives the rows. Called outside LerTabela (from
// the SQL terminal, say) it does nothing and gives NULL.
constexpr const char* kFuncaoLeitura = "cupom_ler_linha";
// How long a statement waits for a lock another process holds on the file (a second copy of the
// program, an SQLite shell) before failing with "database is locked". Such locks normally last
// milliseconds; a few seconds ride them out and still give the user an answer soon.
constexpr int kEsperaBloqueioMs = 3000;
// How often (in SQLite's virtual machine instructions) a statement that may be cancelled looks
// at its flag: a few microseconds apart, at no measurable cost.
constexpr int kInstrucoesEntreVerificacoes = 1000;
constexpr const char* kRegistrosAfetados = "registros afetados";
constexpr const char* kLinhasAfetadas = "linhas_afetadas";

constexpr const char* kSqlTabelas =
    "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY name;";
// The table name goes in as a parameter, so any name (quotes included) is just a value.
constexpr const char* kSqlCamposTipos = "SELECT name, type FROM pragma_table_info(?)";
constexpr const char* kSqlCampos = "SELECT name FROM pragma_table_info(?)";
constexpr const char* kSqlUltimoId = "SELECT MAX(id_zelkari) FROM cupom";

wxString TextoColuna(sqlite3_stmt* stmt, int i) {
    const auto* texto = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
    if (!texto) return wxString();
    return wxString::FromUTF8(texto, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
}

// A table or column name quoted for SQL text, so any name is just a name.
std::string IdentificadorSql(const char* nome) {
    std::string citado = "\"";
    for (const char* c = nome; *c; ++c) {
        if (*c == '"') citado += '"';
        citado += *c;
    }
    return citado + "\"";
}

wxString NomeColuna(sqlite3_stmt* stmt, int i) {
    const char* nome = sqlite3_column_name(stmt, i);
    return nome ? wxString::FromUTF8(nome) : wxString();
}

}  // namespace

wxString NomeArquivoBanco(const wxString& usuario) {
    std::uint64_t h = 14695981039346656037ull;
    auto byte = [&h](unsigned b) { h = (h ^ b) * 1099511628211ull; };
    auto unidade = [&byte](std::uint32_t u) {
        byte(u & 0xFF);
        byte((u >> 8) & 0xFF);
    };
    for (wxString::const_iterator it = usuario.begin(); it != usuario.end(); ++it) {
        std::uint32_t c = static_cast<std::uint32_t>((*it).GetValue());
        if (c > 0xFFFF) {  // outside the basic plane: its two UTF-16 surrogates
            c -= 0x10000;
            unidade(0xD800 + (c >> 10));
            unidade(0xDC00 + (c & 0x3FF));
        } else {
            unidade(c);
        }
    }
    return wxString::Format("%llu.db", static_cast<unsigned long long>(h));
}

BancoDados::BancoDados() : BancoDados(NomeArquivoBanco(Sessao(true).GetUsuario())) {}

BancoDados::BancoDados(const wxString& arquivo) {
    SetErro(wxString());
    // Both threads of a synchronisation use this one connection.
    if (sqlite3_threadsafe() == 0)
        throw std::runtime_error(
            "A biblioteca SQLite foi compilada sem suporte a threads (SQLITE_THREADSAFE=0); "
            "o banco de cupons n\xc3\xa3o pode ser usado pela sincroniza\xc3\xa7\xc3\xa3o.");

    // A person's purchases are theirs alone. SQLite gives its journal the mode of the database,
    // so creating the file first for its owner covers both; an existing file keeps its mode.
    const int novo = open(arquivo.utf8_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (novo >= 0) close(novo);
    const int rc = sqlite3_open_v2(
        arquivo.utf8_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
        nullptr);
    if (rc != SQLITE_OK)
        SetErro(wxString::Format(kErroAbrir, wxString::FromUTF8(sqlite3_errmsg(db))));
    else
        sqlite3_busy_timeout(db, kEsperaBloqueioMs);

    try {
        CriarTabelas();
    } catch (...) {
        sqlite3_close(db);  // the destructor does not run when the constructor throws
        db = nullptr;
        // On a connection that never opened, the schema fails only with "bad parameter or
        // other API misuse"; the reason worth showing is the one the open gave.
        if (rc != SQLITE_OK) throw std::runtime_error(std::string(GetErro().utf8_str()));
        throw;
    }
}

BancoDados::~BancoDados() {
    fechando = true;
    {
        std::unique_lock<std::mutex> lock(leituras_mutex);
        leituras_fim.wait(lock, [this] { return leituras_ativas == 0; });
    }
    for (ConexaoMetade& metade : metades) sqlite3_close(metade.db);
    sqlite3_close(db);
}

void BancoDados::CriarTabelas() {
    TravaConexao trava(db);
    char* mensagem = nullptr;
    const int rc = sqlite3_exec(db, kEsquema, nullptr, nullptr, &mensagem);
    if (rc != SQLITE_OK) {
        std::string texto = mensagem ? mensagem : sqlite3_errstr(rc);
        sqlite3_free(mensagem);
        throw std::runtime_error(texto);
    }
}

wxString BancoDados::GetErro() const {
    std::lock_guard<std::mutex> lock(erro_mutex);
    return erro;
}

void BancoDados::SetErro(const wxString& texto) {
    std::lock_guard<std::mutex> lock(erro_mutex);
    erro = texto;
}

// The caller holds the connection's lock, so the message is that of its own failed step.
void BancoDados::SetErroLeitura() {
    SetErro(wxString::Format(kErroLer, wxString::FromUTF8(sqlite3_errmsg(db))));
}

// Prepares the first statement of `sql`; on failure records the message and returns false.
// The caller holds the connection's lock, so the message is this statement's.
bool BancoDados::Preparar(const char* sql, Declaracao& stmt) {
    if (stmt.Preparar(db, sql) == SQLITE_OK) return true;
    SetErro(wxString::Format(kErroPreparar, wxString::FromUTF8(sqlite3_errmsg(db))));
    return false;
}

void BancoDados::PreencherGrid(const wxString& sql, wxGrid* grid) {
    std::map<wxString, wxString> col_labels;
    PreencherGrid(sql, grid, col_labels);
}

void BancoDados::PreencherGrid(const wxString& sql, wxGrid* grid,
                               std::map<wxString, wxString>& col_labels) {
    ResultadoGrade resultado = LerParaGrade(sql.utf8_str(), col_labels);
    MostrarNaGrade(resultado, grid);
}

ResultadoGrade::ResultadoGrade() = default;
ResultadoGrade::ResultadoGrade(ResultadoGrade&&) noexcept = default;
ResultadoGrade& ResultadoGrade::operator=(ResultadoGrade&&) noexcept = default;
ResultadoGrade::~ResultadoGrade() = default;

ResultadoGrade BancoDados::LerParaGrade(const char* sql, std::map<wxString, wxString>& col_labels,
                                        const LimitesLeitura& limites) {
    SetErro(wxString());
    ResultadoGrade resultado;
    TravaConexao trava(db);
    Declaracao stmt;
    if (!Preparar(sql, stmt)) {  // the grid stays as it was
        resultado.erro = GetErro();
        return resultado;
    }
    sqlite3_stmt* s = stmt.get();

    // Cancelling goes through a progress handler, not sqlite3_interrupt: an interrupt stops
    // whatever runs on the connection at that moment (the synchronisation's import, say), while
    // the handler, set and removed under the connection's lock, is this statement's alone.
    struct Parada {
        const std::atomic<bool>* cancelar;
        const std::atomic<bool>* fechando;
    } parada{limites.cancelar, &fechando};
    struct RetiraHandler {
        sqlite3* db;
        ~RetiraHandler() {
            if (db) sqlite3_progress_handler(db, 0, nullptr, nullptr);
        }
    } retira{limites.cancelar ? db : nullptr};
    if (limites.cancelar) {
        sqlite3_progress_handler(
            db, kInstrucoesEntreVerificacoes,
            [](void* p) -> int {
                const auto* parada = static_cast<const Parada*>(p);
                return parada->cancelar->load(std::memory_order_relaxed) ||
                       parada->fechando->load(std::memory_order_relaxed);
            },
            &parada);
    }

    // The first step tells a query from a statement without result columns. A query's rows
    // are read on from there: stepping it again from the start would run an
    // INSERT ... RETURNING twice.
    int rc = s ? sqlite3_step(s) : SQLITE_DONE;
    const int colunas = sqlite3_column_count(s);
    if (rc == SQLITE_DONE && colunas == 0) {
        resultado.tabela = std::make_unique<TabelaResultado>(s ? 1 : 0);
        if (s) {  // an empty text runs nothing and empties the grid
            resultado.tabela->SetColLabelValue(0, kRegistrosAfetados);
            const std::string alteradas = std::to_string(sqlite3_changes(db));
            const std::string_view celula = alteradas;
            resultado.tabela->AdicionarLinha({&celula, 1});
            resultado.a_direita.assign(1, false);
        }
        return resultado;
    }

    // A statement without result columns whose step failed ends with no columns; a query keeps
    // its header and the rows read before an error.
    TabelaResultado& tabela = *(resultado.tabela = std::make_unique<TabelaResultado>(colunas));
    resultado.a_direita.assign(static_cast<std::size_t>(colunas), false);
    for (int i = 0; i < colunas; ++i) {
        const wxString nome = NomeColuna(s, i);
        const wxString& rotulo = col_labels[nome];
        tabela.SetColLabelValue(i, rotulo.empty() ? nome : rotulo);
        if (rc == SQLITE_ROW) {
            const int tipo = sqlite3_column_type(s, i);  // before any text conversion
            resultado.a_direita[static_cast<std::size_t>(i)] =
                tipo == SQLITE_INTEGER || tipo == SQLITE_FLOAT;
        }
    }
    std::vector<std::string_view> celulas(static_cast<std::size_t>(colunas));
    std::size_t lidas = 0;
    for (; rc == SQLITE_ROW; rc = sqlite3_step(s)) {
        if (lidas == limites.linhas) {
            resultado.truncado = true;
            return resultado;
        }
        for (int i = 0; i < colunas; ++i) {
            const auto* texto = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
            celulas[static_cast<std::size_t>(i)] =
                texto
                    ? std::string_view(texto, static_cast<std::size_t>(sqlite3_column_bytes(s, i)))
                    : std::string_view();
        }
        tabela.AdicionarLinha(celulas);
        ++lidas;
    }
    if (rc != SQLITE_DONE) {
        SetErroLeitura();
        resultado.erro = GetErro();
    }
    return resultado;
}

void BancoDados::MostrarNaGrade(ResultadoGrade& resultado, wxGrid* grid) {
    if (!resultado.tabela) return;
    grid->BeginBatch();
    // Replacing the table drops the old rows, columns, sizes and attributes at once.
    const auto modo = grid->GetTable() ? grid->GetSelectionMode() : wxGrid::wxGridSelectCells;
    TabelaResultado* nova = resultado.tabela.release();
    grid->SetTable(nova, true, modo);
    for (std::size_t i = 0; i < resultado.a_direita.size(); ++i) {
        if (!resultado.a_direita[i]) continue;
        auto* attr = new wxGridCellAttr;
        attr->SetAlignment(wxALIGN_RIGHT, wxALIGN_CENTRE);
        grid->SetColAttr(static_cast<int>(i), attr);
    }
    AjustarLarguras(grid, nova);
    grid->EndBatch();
}

void BancoDados::ConsultarRegistro(const wxString& sql, Registro& row) {
    SetErro(wxString());
    TravaConexao trava(db);
    Declaracao stmt;
    if (!Preparar(sql.utf8_str(), stmt) || !stmt) return;
    sqlite3_stmt* s = stmt.get();
    const int rc = sqlite3_step(s);
    const int colunas = sqlite3_column_count(s);
    if (rc == SQLITE_DONE && colunas == 0) {
        row[kLinhasAfetadas] = wxString::Format("%d", sqlite3_changes(db));
    } else if (rc == SQLITE_ROW) {
        for (int i = 0; i < colunas; ++i) row[NomeColuna(s, i)] = TextoColuna(s, i);
    } else if (rc != SQLITE_DONE) {
        SetErroLeitura();
    }
}

void BancoDados::ConsultarRegistros(const wxString& sql, std::vector<Registro>& rows) {
    SetErro(wxString());
    TravaConexao trava(db);
    Declaracao stmt;
    if (!Preparar(sql.utf8_str(), stmt) || !stmt) return;
    sqlite3_stmt* s = stmt.get();
    int rc = sqlite3_step(s);
    const int colunas = sqlite3_column_count(s);
    if (rc == SQLITE_DONE && colunas == 0) {
        rows.push_back({{kLinhasAfetadas, wxString::Format("%d", sqlite3_changes(db))}});
        return;
    }
    for (; rc == SQLITE_ROW; rc = sqlite3_step(s)) {
        Registro r;
        for (int i = 0; i < colunas; ++i) r[NomeColuna(s, i)] = TextoColuna(s, i);
        rows.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) SetErroLeitura();
}

void BancoDados::ListarTabelas(wxArrayString& tabelas) {
    SetErro(wxString());
    TravaConexao trava(db);
    Declaracao stmt;
    if (!Preparar(kSqlTabelas, stmt)) return;
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) tabelas.Add(TextoColuna(stmt.get(), 0));
}

void BancoDados::ListarCampos(wxString tabela, wxArrayString& nomes, wxArrayString& tipos) {
    SetErro(wxString());
    TravaConexao trava(db);
    Declaracao stmt;
    if (!Preparar(kSqlCamposTipos, stmt)) return;
    db::LigarTexto(stmt.get(), 1, std::string(tabela.utf8_str()));
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        nomes.Add(TextoColuna(stmt.get(), 0));
        tipos.Add(TextoColuna(stmt.get(), 1));
    }
}

void BancoDados::ListarCampos(wxString tabela, wxArrayString& nomes) {
    SetErro(wxString());
    TravaConexao trava(db);
    Declaracao stmt;
    if (!Preparar(kSqlCampos, stmt)) return;
    db::LigarTexto(stmt.get(), 1, std::string(tabela.utf8_str()));
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) nomes.Add(TextoColuna(stmt.get(), 0));
}

void BancoDados::GetUltimoId(int& ultimo_id) {
    ultimo_id = 0;
    SetErro(wxString());
    TravaConexao trava(db);
    Declaracao stmt;
    if (stmt.Preparar(db, kSqlUltimoId) != SQLITE_OK) return;  // reported as 0, no error
    if (sqlite3_step(stmt.get()) == SQLITE_ROW) ultimo_id = sqlite3_column_int(stmt.get(), 0);
}

bool BancoDados::TransacaoAberta() {
    TravaConexao trava(db);
    return db && sqlite3_get_autocommit(db) == 0;
}

bool BancoDados::SomenteLeitura() {
    TravaConexao trava(db);
    return !db || sqlite3_db_readonly(db, "main") != 0;
}

namespace {

// Binds `parametros` to the statement's "?" in order; SQLite's code of the first that fails.
int LigarParametros(sqlite3_stmt* s, const std::vector<ParametroSql>& parametros) {
    for (std::size_t i = 0; i < parametros.size(); ++i) {
        const int indice = static_cast<int>(i) + 1;
        int rc = SQLITE_OK;
        if (const auto* texto = std::get_if<std::string>(&parametros[i]))
            rc = db::LigarTexto(s, indice, *texto);
        else if (const auto* inteiro = std::get_if<long long>(&parametros[i]))
            rc = sqlite3_bind_int64(s, indice, *inteiro);
        else
            rc = sqlite3_bind_double(s, indice, std::get<double>(parametros[i]));
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

}  // namespace

bool BancoDados::PercorrerLinhas(const char* sql, const std::vector<ParametroSql>& parametros,
                                 const std::function<bool(const LinhaSql&)>& porLinha) {
    SetErro(wxString());
    TravaConexao trava(db);
    Declaracao stmt;
    if (!Preparar(sql, stmt)) return false;
    if (!stmt) return true;  // no statement in the text: no rows
    sqlite3_stmt* s = stmt.get();
    if (LigarParametros(s, parametros) != SQLITE_OK) {
        SetErro(wxString::Format(kErroLer, wxString::FromUTF8(sqlite3_errmsg(db))));
        return false;
    }
    const LinhaSql linha(s);
    int rc = sqlite3_step(s);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(s))
        if (!porLinha(linha)) return true;
    if (rc == SQLITE_DONE) return true;
    SetErro(wxString::Format(kErroLer, wxString::FromUTF8(sqlite3_errmsg(db))));
    return false;
}

namespace {

// The SQL function of a table scan: hands each row to the receiver in its user data. An
// exception must not cross SQLite's C frames: it is kept, and the error it raises stops the
// statement.
void ReceberLinha(sqlite3_context* contexto, int, sqlite3_value** valores) {
    auto* receptor = static_cast<ReceptorLinhas*>(sqlite3_user_data(contexto));
    sqlite3_result_null(contexto);
    if (!receptor->porLinha) return;
    try {
        (*receptor->porLinha)(LinhaSql(valores));
    } catch (...) {
        receptor->excecao = std::current_exception();
        sqlite3_result_error(contexto, "interrompida", -1);
    }
}

// Any number of arguments, and not deterministic, so that it runs once for every row.
int RegistrarLeitura(sqlite3* db, ReceptorLinhas* receptor) {
    return sqlite3_create_function_v2(db, kFuncaoLeitura, -1, SQLITE_UTF8, receptor, ReceberLinha,
                                      nullptr, nullptr, nullptr);
}

// The scan of `colunas` of `tabela` through the table itself (not an index), in row id order,
// limited by `condicao` ("" for every row).
std::string SqlDaLeitura(const char* tabela, const std::vector<const char*>& colunas,
                         const char* condicao) {
    std::string sql = std::string("select count(") + kFuncaoLeitura + "(";
    for (std::size_t i = 0; i < colunas.size(); ++i) {
        if (i) sql += ", ";
        sql += IdentificadorSql(colunas[i]);
    }
    return sql + ")) from " + IdentificadorSql(tabela) + " not indexed" + condicao;
}

// Steps a prepared scan to its end, its rows going to `porLinha`; SQLite's last code. Rethrows
// what the receiver threw.
int Escanear(sqlite3_stmt* stmt, ReceptorLinhas& receptor,
             const std::function<void(const LinhaSql&)>& porLinha) {
    receptor.porLinha = &porLinha;
    receptor.excecao = nullptr;
    int rc = sqlite3_step(stmt);
    while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
    receptor.porLinha = nullptr;
    if (receptor.excecao) std::rethrow_exception(std::exchange(receptor.excecao, nullptr));
    return rc;
}

// A table below this many rows is read in one pass: a second connection costs more than it saves.
constexpr long long kMinimoParaDividir = 100000;
constexpr const char* kAteMeio = " where rowid <= ?1";
constexpr const char* kDepoisDoMeio = " where rowid > ?1";

// A read-only connection of its own to the file of `principal`, for the second half of a scan.
// False, and nothing open, when it cannot be had.
bool AbrirSegundaConexao(sqlite3* principal, sqlite3*& segunda) {
    const char* arquivo = sqlite3_db_filename(principal, "main");
    if (!arquivo || !*arquivo) return false;  // a database in memory
    if (sqlite3_open_v2(arquivo, &segunda, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(segunda);
        segunda = nullptr;
        return false;
    }
    sqlite3_busy_timeout(segunda, kEsperaBloqueioMs);
    return true;
}

}  // namespace

bool BancoDados::LerTabela(const char* tabela, const std::vector<const char*>& colunas,
                           const std::function<void(const LinhaSql&)>& porLinha) {
    return LerFaixa(tabela, colunas, "", 0, porLinha);
}

bool BancoDados::LerFaixa(const char* tabela, const std::vector<const char*>& colunas,
                          const char* condicao, long long limite,
                          const std::function<void(const LinhaSql&)>& porLinha) {
    SetErro(wxString());
    TravaConexao trava(db);
    if (!funcao_leitura_registrada) {
        if (RegistrarLeitura(db, &leitura_tabela) != SQLITE_OK) {
            SetErro(wxString::Format(kErroLer, wxString::FromUTF8(sqlite3_errmsg(db))));
            return false;
        }
        funcao_leitura_registrada = true;
    }
    Declaracao stmt;
    if (!Preparar(SqlDaLeitura(tabela, colunas, condicao).c_str(), stmt)) return false;
    if (*condicao) sqlite3_bind_int64(stmt.get(), 1, limite);
    const int rc = Escanear(stmt.get(), leitura_tabela, porLinha);
    if (rc != SQLITE_DONE)
        SetErro(wxString::Format(kErroLer, wxString::FromUTF8(sqlite3_errmsg(db))));
    return rc == SQLITE_DONE;
}

namespace {

// Marks the connections of the halves as taken while it lives.
class EmUso {
public:
    explicit EmUso(bool& marca) : marca_(marca) { marca_ = true; }
    ~EmUso() { marca_ = false; }
    EmUso(const EmUso&) = delete;
    EmUso& operator=(const EmUso&) = delete;

private:
    bool& marca_;
};

}  // namespace

bool BancoDados::AbrirMetades() {
    if (metades[0].db) return true;
    for (ConexaoMetade& metade : metades) {
        if (!AbrirSegundaConexao(db, metade.db) ||
            RegistrarLeitura(metade.db, &metade.receptor) != SQLITE_OK) {
            for (ConexaoMetade& aberta : metades) {
                sqlite3_close(aberta.db);
                aberta.db = nullptr;
            }
            return false;
        }
    }
    return true;
}

bool BancoDados::MeioDaTabela(const char* tabela, long long& meio) {
    // The other connections would not see what a transaction open here has changed.
    if (sqlite3_get_autocommit(db) == 0) return false;
    Declaracao limites;
    // Each in a query of its own: SQLite finds a lone min() or max() of the row id at an end of
    // the table, but scans the whole table for both in one query.
    const std::string de = " from " + IdentificadorSql(tabela);
    const std::string sql = "select (select min(rowid)" + de + "), (select max(rowid)" + de + ")";
    if (limites.Preparar(db, sql.c_str()) != SQLITE_OK || sqlite3_step(limites.get()) != SQLITE_ROW)
        return false;
    const long long menor = sqlite3_column_int64(limites.get(), 0);
    const long long maior = sqlite3_column_int64(limites.get(), 1);
    if (maior - menor < kMinimoParaDividir) return false;
    meio = menor + (maior - menor) / 2;
    return true;
}

bool BancoDados::PercorrerLinhasEmDuasPartes(
    const char* tabela, const std::string& consulta, const std::string& condicao,
    const std::vector<ParametroSql>& parametros,
    const std::function<bool(int parte, const LinhaSql&)>& porLinha) {
    TravaConexao trava(db);
    long long meio = 0;
    Declaracao stmt[2];
    // A receiver that reads in two halves itself is read in one pass: the connections of the
    // halves are taken.
    bool preparadas = !metades_em_uso && MeioDaTabela(tabela, meio) && AbrirMetades();
    const char* limite[2] = {") and rowid <= ?", ") and rowid > ?"};
    for (int parte = 0; preparadas && parte < 2; ++parte) {
        const std::string sql = consulta + " where (" + condicao + limite[parte];
        sqlite3_stmt* s = nullptr;
        preparadas =
            stmt[parte].Preparar(metades[parte].db, sql.c_str()) == SQLITE_OK &&
            (s = stmt[parte].get()) && LigarParametros(s, parametros) == SQLITE_OK &&
            sqlite3_bind_int64(s, static_cast<int>(parametros.size()) + 1, meio) == SQLITE_OK;
    }
    if (!preparadas) {
        for (Declaracao& d : stmt) d = Declaracao();
        return PercorrerLinhas((consulta + " where " + condicao).c_str(), parametros,
                               [&](const LinhaSql& l) { return porLinha(0, l); });
    }
    const EmUso em_uso(metades_em_uso);

    SetErro(wxString());
    int rc[2] = {SQLITE_OK, SQLITE_OK};
    std::string mensagem[2];
    std::exception_ptr excecao[2];
    // Set when a half's receiver throws: the other one's rows are of no use any more.
    std::atomic<bool> parar{false};
    const auto ler = [&](int parte) {
        sqlite3_stmt* s = stmt[parte].get();
        try {
            const LinhaSql linha(s);
            while ((rc[parte] = sqlite3_step(s)) == SQLITE_ROW) {
                if (parar.load(std::memory_order_relaxed) || !porLinha(parte, linha)) {
                    rc[parte] = SQLITE_DONE;
                    break;
                }
            }
            if (rc[parte] != SQLITE_DONE) mensagem[parte] = sqlite3_errmsg(metades[parte].db);
        } catch (...) {
            excecao[parte] = std::current_exception();
            parar.store(true, std::memory_order_relaxed);
        }
        sqlite3_reset(s);
    };
    std::thread segunda(ler, 1);
    ler(0);
    segunda.join();
    for (std::exception_ptr e : excecao)
        if (e) std::rethrow_exception(e);
    for (int parte = 0; parte < 2; ++parte) {
        if (rc[parte] != SQLITE_DONE) {
            SetErro(wxString::Format(kErroLer, wxString::FromUTF8(mensagem[parte].c_str())));
            return false;
        }
    }
    return true;
}

bool BancoDados::LerTabelaEmDuasPartes(
    const char* tabela, const std::vector<const char*>& colunas,
    const std::function<void(int parte, const LinhaSql&)>& porLinha) {
    const std::function<void(const LinhaSql&)> porParte[2] = {
        [&](const LinhaSql& l) { porLinha(0, l); }, [&](const LinhaSql& l) { porLinha(1, l); }};
    TravaConexao trava(db);
    long long meio = 0;
    if (!MeioDaTabela(tabela, meio)) return LerTabela(tabela, colunas, porParte[0]);

    // Both statements are prepared here, so that a file these connections cannot read is read
    // by this one alone.
    Declaracao stmt[2];
    const char* condicao[2] = {kAteMeio, kDepoisDoMeio};
    bool preparadas = !metades_em_uso && AbrirMetades();
    for (int parte = 0; preparadas && parte < 2; ++parte) {
        preparadas = stmt[parte].Preparar(metades[parte].db,
                                          SqlDaLeitura(tabela, colunas, condicao[parte]).c_str()) ==
                     SQLITE_OK;
        if (preparadas) sqlite3_bind_int64(stmt[parte].get(), 1, meio);
    }
    if (!preparadas) {
        for (Declaracao& s : stmt) s = Declaracao();
        return LerFaixa(tabela, colunas, kAteMeio, meio, porParte[0]) &&
               LerFaixa(tabela, colunas, kDepoisDoMeio, meio, porParte[1]);
    }

    const EmUso em_uso(metades_em_uso);
    SetErro(wxString());
    int rc[2] = {SQLITE_OK, SQLITE_OK};
    std::string mensagem[2];
    std::exception_ptr excecao[2];
    const auto ler = [&](int parte) {
        try {
            rc[parte] = Escanear(stmt[parte].get(), metades[parte].receptor, porParte[parte]);
            if (rc[parte] != SQLITE_DONE) mensagem[parte] = sqlite3_errmsg(metades[parte].db);
        } catch (...) {
            excecao[parte] = std::current_exception();
            // The rows of the other half are of no use any more.
            sqlite3_interrupt(metades[1 - parte].db);
        }
        // A statement left unfinished would keep its half's read lock on the file.
        sqlite3_reset(stmt[parte].get());
    };
    std::thread segunda(ler, 1);
    ler(0);
    segunda.join();
    for (std::exception_ptr e : excecao)
        if (e) std::rethrow_exception(e);
    for (int parte = 0; parte < 2; ++parte) {
        if (rc[parte] != SQLITE_DONE) {
            SetErro(wxString::Format(kErroLer, wxString::FromUTF8(mensagem[parte].c_str())));
            return false;
        }
    }
    return true;
}

LeituraEmSegundoPlano::LeituraEmSegundoPlano(BancoDados& banco, const wxString& sql,
                                             std::size_t limite_linhas) {
    {
        std::lock_guard<std::mutex> lock(banco.leituras_mutex);
        ++banco.leituras_ativas;
    }
    const auto liberar = [&banco] {
        // The last use of the database: once the count drops it may close.
        std::lock_guard<std::mutex> lock(banco.leituras_mutex);
        if (--banco.leituras_ativas == 0) banco.leituras_fim.notify_all();
    };
    // The thread receives the text already in UTF-8: no wxString is shared between threads.
    auto ler = [this, &banco, liberar, texto = std::string(sql.utf8_str()), limite_linhas] {
        ResultadoGrade resultado;
        try {
            std::map<wxString, wxString> sem_rotulos;
            resultado = banco.LerParaGrade(texto.c_str(), sem_rotulos, {limite_linhas, &cancelar_});
        } catch (const std::exception& e) {  // out of memory, say: the rows read are dropped
            resultado = ResultadoGrade();
            resultado.tabela = std::make_unique<TabelaResultado>(0);
            resultado.erro = wxString::Format(kErroLer, wxString::FromUTF8(e.what()));
        }
        liberar();
        std::lock_guard<std::mutex> lock(mutex_);
        resultado_ = std::move(resultado);
        terminou_.store(true, std::memory_order_release);
        fim_.notify_all();
    };
    try {
        thread_ = std::thread(std::move(ler));
    } catch (...) {  // no thread: the database must not wait for it
        liberar();
        throw;
    }
}

LeituraEmSegundoPlano::~LeituraEmSegundoPlano() {
    Parar();
}

bool LeituraEmSegundoPlano::Esperar(std::chrono::milliseconds limite) {
    std::unique_lock<std::mutex> lock(mutex_);
    return fim_.wait_for(lock, limite, [this] { return Terminou(); });
}

void LeituraEmSegundoPlano::Parar() {
    Cancelar();
    if (thread_.joinable()) thread_.join();
}

ResultadoGrade& LeituraEmSegundoPlano::Resultado() {
    if (thread_.joinable()) thread_.join();
    return resultado_;
}
