// The receipt feed as the service might send it: parsed as the synchronisation worker parses it
// and imported into a real database file. After every input, on a second connection (so only
// what was committed counts): either every receipt of the feed that has an access key was stored
// with all its lines, or nothing was; the import's own count matches; the file passes SQLite's
// integrity check; and no transaction was left open.

#include <sqlite3.h>
#include <unistd.h>
#include <wx/init.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "db/BancoDados.h"

namespace {

// Rows are deleted every so many inputs so the file stays small and the checks fast.
constexpr int kEntradasPorLimpeza = 200;

BancoDados* g_banco = nullptr;
sqlite3* g_leitor = nullptr;  // the second connection: sees only committed rows
std::string g_pasta;
int g_entradas = 0;

[[noreturn]] void Violacao(const char* mensagem, long long a = 0, long long b = 0) {
    std::fprintf(stderr, "\n*** invariant violated: %s (%lld, %lld)\n", mensagem, a, b);
    __builtin_trap();
}

struct Contagem {
    long long cupons = 0;
    long long itens = 0;
    long long emitentes = 0;
};

long long ContarLinhas(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(g_leitor, sql, -1, &stmt, nullptr) != SQLITE_OK)
        Violacao(sqlite3_errmsg(g_leitor));
    // Busy here means the import still holds a write lock: a transaction left open.
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) Violacao("count failed (transaction left open?)", rc);
    const long long n = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return n;
}

Contagem ContarBanco() {
    return {ContarLinhas("SELECT COUNT(*) FROM cupom"),
            ContarLinhas("SELECT COUNT(*) FROM cupom_item"),
            ContarLinhas("SELECT COUNT(*) FROM emitente")};
}

void VerificarIntegridade() {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(g_leitor, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK)
        Violacao(sqlite3_errmsg(g_leitor));
    const int rc = sqlite3_step(stmt);
    const char* texto = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    const bool ok = rc == SQLITE_ROW && texto && std::string(texto) == "ok";
    if (!ok) std::fprintf(stderr, "integrity_check: %s\n", texto ? texto : "(nothing)");
    sqlite3_finalize(stmt);
    if (!ok) Violacao("PRAGMA integrity_check is not ok", rc);
}

// Whether a receipt with this access key is stored (as the second connection sees it).
bool ChaveGuardada(const std::string& chave) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(g_leitor, "SELECT 1 FROM cupom WHERE chave_acesso = ?", -1, &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, chave.data(), static_cast<int>(chave.size()), SQLITE_TRANSIENT);
    const bool guardada = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return guardada;
}

// What a whole import of `dados` stores: the receipts that have an access key (the import
// iterates an array, an object's values, or a lone value itself, and skips a receipt whose key is
// absent or null, or already stored or seen earlier in the feed) and their lines ("itens" absent
// or null: none; an array or object: its elements; any other value is taken as one line, which
// the import then rejects).
Contagem ContarFeed(const nlohmann::json& dados) {
    Contagem esperado;
    std::set<std::string> vistas;
    for (const nlohmann::json& d : dados) {
        if (!d.is_object()) continue;  // the import rejects it, and with it the whole feed
        const auto chave = d.find("chave_acesso");
        if (chave == d.end() || chave->is_null()) continue;
        if (chave->is_string()) {
            const std::string& texto = chave->get_ref<const std::string&>();
            if (!vistas.insert(texto).second || ChaveGuardada(texto)) continue;
        }
        ++esperado.cupons;
        const auto itens = d.find("itens");
        if (itens != d.end()) esperado.itens += static_cast<long long>(itens->size());
    }
    return esperado;
}

void Executar(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Violacao(sqlite3_errmsg(db));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // BancoDados opens the stored user's file in the working folder and reads the login from
    // HOME: both point into a fresh folder of our own, never at the real user's files.
    std::string modelo = (std::filesystem::temp_directory_path() / "cupom-fuzz-XXXXXX").string();
    if (!mkdtemp(modelo.data())) Violacao("mkdtemp failed");
    g_pasta = modelo;
    std::filesystem::create_directories(g_pasta + "/.config");
    setenv("HOME", g_pasta.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (g_pasta + "/.config").c_str(), 1);
    const std::filesystem::path anterior = std::filesystem::current_path();
    if (chdir(g_pasta.c_str()) != 0) Violacao("chdir failed");
    std::atexit([] {
        delete g_banco;
        sqlite3_close(g_leitor);
        std::error_code ignorado;
        std::filesystem::remove_all(g_pasta, ignorado);
    });

    wxInitialize();
    g_banco = new BancoDados();
    if (!g_banco->GetErro().empty()) Violacao("the database did not open");
    // One sync per commit would make the disk, not the code, the bottleneck.
    Registro ignorado;
    g_banco->ConsultarRegistro("PRAGMA synchronous=OFF", ignorado);

    const wxString arquivo = NomeArquivoBanco(wxString());
    if (sqlite3_open_v2(arquivo.utf8_str(), &g_leitor, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        Violacao("second connection did not open");
    // SQLite keeps the files' full paths; going back lets libFuzzer's relative paths (corpus,
    // dictionary, artifacts), which it reads after this, mean what the caller meant.
    if (chdir(anterior.c_str()) != 0) Violacao("chdir back failed");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (++g_entradas % kEntradasPorLimpeza == 0) {
        Executar(g_leitor, "DELETE FROM cupom_item; DELETE FROM cupom; DELETE FROM emitente;");
    }

    // As the worker does: a reply that does not parse imports nothing.
    nlohmann::json dados;
    try {
        dados = nlohmann::json::parse(data, data + size);
    } catch (const std::exception&) {
        return 0;
    }

    const Contagem antes = ContarBanco();
    const Contagem esperado = ContarFeed(dados);
    bool falhou = false;
    wxString ultima_linha;
    try {
        g_banco->ImportarCupons(dados, [&ultima_linha](wxString linha) {
            ultima_linha = linha;
            return true;
        });
    } catch (const std::exception&) {
        falhou = true;
    } catch (...) {
        falhou = true;
    }
    const Contagem depois = ContarBanco();

    const long long cupons = depois.cupons - antes.cupons;
    const long long itens = depois.itens - antes.itens;
    if (falhou) {
        if (cupons != 0) Violacao("a failed import kept receipts", cupons);
        if (itens != 0) Violacao("a failed import kept item lines", itens);
        if (depois.emitentes != antes.emitentes)
            Violacao("a failed import changed the issuers", antes.emitentes, depois.emitentes);
    } else {
        if (cupons != esperado.cupons) Violacao("receipts stored", cupons, esperado.cupons);
        if (itens != esperado.itens) Violacao("item lines stored", itens, esperado.itens);
        if (depois.emitentes < antes.emitentes)
            Violacao("issuers lost", antes.emitentes, depois.emitentes);
        const wxString final_esperado =
            wxString::Format("Foram adicionados %d cupons.\n", static_cast<int>(esperado.cupons));
        if (ultima_linha != final_esperado) Violacao("the final progress line is wrong", cupons);
    }
    VerificarIntegridade();
    return 0;
}
