#pragma once

// The user's receipt database: the only owner of the SQLite connection. Query methods never
// throw; they clear the last error on entry and record a Portuguese message when a statement
// cannot be prepared. Opening (schema) and the receipt import throw.

#include <wx/arrstr.h>
#include <wx/string.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <mutex>
#include <vector>

struct sqlite3;
class wxGrid;
namespace db {
class Declaracao;
}

// One result row: column name (as SQLite reports it) to the value's text.
using Registro = std::map<wxString, wxString>;

class BancoDados {
public:
    // Opens (creating it if needed) the file of the user whose login is stored, in the current
    // working directory, and applies the schema. Throws std::runtime_error when the schema
    // cannot be applied (for instance, a file that is not a database).
    BancoDados();
    ~BancoDados();
    BancoDados(const BancoDados&) = delete;
    BancoDados& operator=(const BancoDados&) = delete;

    void CriarTabelas();
    wxString GetErro() const;

    void PreencherGrid(const wxString& sql, wxGrid* grid);
    void PreencherGrid(const wxString& sql, wxGrid* grid, std::map<wxString, wxString>& col_labels);
    void ConsultarRegistro(const wxString& sql, Registro& row);
    void ConsultarRegistros(const wxString& sql, std::vector<Registro>& rows);
    void ListarTabelas(wxArrayString& tabelas);
    void ListarCampos(wxString tabela, wxArrayString& nomes, wxArrayString& tipos);
    void ListarCampos(wxString tabela, wxArrayString& nomes);
    void GetUltimoId(int& ultimo_id);

    // Stores a parsed receipt feed in one transaction. `progresso` receives each progress line
    // and returns false to stop between receipts.
    void ImportarCupons(const nlohmann::json& dados, std::function<bool(wxString)> progresso);

private:
    void SetErro(const wxString& texto);
    // Prepares the first statement of `sql` (UTF-8); records the message when it cannot.
    bool Preparar(const char* sql, db::Declaracao& stmt);

    sqlite3* db = nullptr;
    wxString erro;
    mutable std::mutex erro_mutex;  // guards erro: the sync worker clears it in GetUltimoId
};

// The database file name of a user: 64-bit FNV-1a over the name's UTF-16 code units, low byte
// first, in decimal, followed by ".db".
wxString NomeArquivoBanco(const wxString& usuario);
