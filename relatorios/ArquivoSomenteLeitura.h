#pragma once

// A receipt database file opened only to read it, for the command line: never created, never
// written, its schema never applied (the window's BancoDados opens the user's own file and
// applies the schema). Plain SQLite, with no toolkit.

#include <sqlite3.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "relatorios/DadosRelatorios.h"

namespace relatorios {

// One row of a table being read; texts are valid until the next row.
class LinhaArquivo {
public:
    explicit LinhaArquivo(sqlite3_stmt* stmt) : stmt_(stmt) {}
    std::string_view Texto(int coluna) const {
        const unsigned char* texto = sqlite3_column_text(stmt_, coluna);
        if (!texto) return std::string_view();
        return std::string_view(reinterpret_cast<const char*>(texto),
                                static_cast<std::size_t>(sqlite3_column_bytes(stmt_, coluna)));
    }
    double Real(int coluna) const { return sqlite3_column_double(stmt_, coluna); }
    long long Inteiro(int coluna) const { return sqlite3_column_int64(stmt_, coluna); }

private:
    sqlite3_stmt* stmt_;
};

class ArquivoSomenteLeitura {
public:
    // Opens `caminho` read-only. When it cannot (no such file, a folder), Aberto() is false and
    // Erro() says why in Portuguese.
    explicit ArquivoSomenteLeitura(const std::string& caminho);
    ~ArquivoSomenteLeitura();
    ArquivoSomenteLeitura(const ArquivoSomenteLeitura&) = delete;
    ArquivoSomenteLeitura& operator=(const ArquivoSomenteLeitura&) = delete;

    bool Aberto() const { return db_ != nullptr; }
    // The read-only handle, for readers of the program's other tables (the categories).
    sqlite3* Conexao() const { return db_; }
    const std::string& Erro() const { return erro_; }

    // Whether the file is a receipt database: a SQLite file holding the tables the reports read.
    // False, with Erro() set, otherwise.
    bool EhBancoDeCupons();

    // The item table's largest row id, a bound on its lines (0 when it cannot tell).
    long long ItensPrevistos();

    // Hands `colunas` of every row of `tabela` to `porLinha`. False, with Erro() set, when the
    // table cannot be read.
    bool LerTabela(const char* tabela, const std::vector<const char*>& colunas,
                   const std::function<void(const LinhaArquivo&)>& porLinha);

private:
    sqlite3* db_ = nullptr;
    std::string caminho_;
    std::string erro_;
};

// Every receipt, line and store of the file into `dados`; false, with arquivo.Erro() set and
// `dados` untouched, when it is not a receipt database or cannot be read.
bool CarregarDados(ArquivoSomenteLeitura& arquivo, DadosRelatorios& dados);

}  // namespace relatorios
