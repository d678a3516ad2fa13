#pragma once

// One row handed on by BancoDados::PercorrerLinhas or LerTabela, read in place: texts are views
// of SQLite's own UTF-8 bytes, valid until the next row, so a scan over a million rows makes no
// string. The accessors are inline: a whole-table scan calls them millions of times.

#include <sqlite3.h>

#include <exception>
#include <functional>
#include <string_view>

class LinhaSql {
public:
    // The current row of a statement.
    explicit LinhaSql(sqlite3_stmt* stmt) : stmt_(stmt) {}
    // The arguments of a call of an SQL function.
    explicit LinhaSql(sqlite3_value** valores) : valores_(valores) {}

    // The column's text (empty for NULL); numbers in SQLite's own text form.
    std::string_view Texto(int coluna) const {
        const unsigned char* texto =
            valores_ ? sqlite3_value_text(valores_[coluna]) : sqlite3_column_text(stmt_, coluna);
        if (!texto) return std::string_view();
        // The length is asked after the text, which may have had to be converted to it.
        const int bytes =
            valores_ ? sqlite3_value_bytes(valores_[coluna]) : sqlite3_column_bytes(stmt_, coluna);
        return std::string_view(reinterpret_cast<const char*>(texto),
                                static_cast<std::size_t>(bytes));
    }
    // The column as a number, as SQLite converts it (0 for NULL and for text that is none).
    double Real(int coluna) const {
        return valores_ ? sqlite3_value_double(valores_[coluna])
                        : sqlite3_column_double(stmt_, coluna);
    }
    long long Inteiro(int coluna) const {
        return valores_ ? sqlite3_value_int64(valores_[coluna])
                        : sqlite3_column_int64(stmt_, coluna);
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
    sqlite3_value** valores_ = nullptr;
};

// Where the SQL function of a table scan hands its rows: the receiver of the scan running, and
// the exception it threw, which stops the scan and is rethrown outside SQLite's frames.
struct ReceptorLinhas {
    const std::function<void(const LinhaSql&)>* porLinha = nullptr;
    std::exception_ptr excecao;
};
