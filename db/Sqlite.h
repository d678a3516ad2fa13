#pragma once

// Small owners around the SQLite C API, shared by the files of the receipt store.

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <utility>

namespace db {

// Owns one prepared statement and finalizes it on every way out of its scope, exceptions
// included.
class Declaracao {
public:
    Declaracao() = default;
    ~Declaracao() { sqlite3_finalize(stmt_); }
    Declaracao(Declaracao&& outra) noexcept : stmt_(std::exchange(outra.stmt_, nullptr)) {}
    Declaracao& operator=(Declaracao&& outra) noexcept {
        if (this != &outra) {
            sqlite3_finalize(stmt_);
            stmt_ = std::exchange(outra.stmt_, nullptr);
        }
        return *this;
    }
    Declaracao(const Declaracao&) = delete;
    Declaracao& operator=(const Declaracao&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    explicit operator bool() const { return stmt_ != nullptr; }

    // Prepares the first statement of `sql` (UTF-8) in place of the one held. Returns the
    // SQLite result code; the statement is null when the text holds no statement.
    int Preparar(sqlite3* db, const char* sql) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        return sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Holds the connection's own (recursive) mutex, so that a step and the error text or change
// count read after it belong together while the other thread also uses the connection.
class TravaConexao {
public:
    explicit TravaConexao(sqlite3* db) : mutex_(db ? sqlite3_db_mutex(db) : nullptr) {
        sqlite3_mutex_enter(mutex_);
    }
    ~TravaConexao() { sqlite3_mutex_leave(mutex_); }
    TravaConexao(const TravaConexao&) = delete;
    TravaConexao& operator=(const TravaConexao&) = delete;

private:
    sqlite3_mutex* mutex_;
};

// Binds UTF-8 text; SQLite keeps its own copy, so the caller's buffer may go away before the step.
inline int LigarTexto(sqlite3_stmt* stmt, int indice, const std::string& texto) {
    return sqlite3_bind_text(stmt, indice, texto.data(), static_cast<int>(texto.size()),
                             SQLITE_TRANSIENT);
}

// Binds UTF-8 text without a copy: the text must stay where it is until the statement's next step
// has ended. (An empty view binds an empty text, never NULL.)
inline int LigarVista(sqlite3_stmt* stmt, int indice, std::string_view texto) {
    return sqlite3_bind_text(stmt, indice, texto.data() ? texto.data() : "",
                             static_cast<int>(texto.size()), SQLITE_STATIC);
}

}  // namespace db
