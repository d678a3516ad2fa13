// Benchmarks of the receipt store.
//
//  1. Import: a generated feed of about 10,000 receipts (a quarter of a million item lines) into
//     a new database through BancoDados::ImportarCupons, beside a bare loop of SQLite inserts of
//     the same rows (prepared statements, one transaction) into another new file with the same
//     schema. Prints receipts and lines per second for both and their ratio.
//  2. Query results into a wxGrid: `SELECT * FROM cupom_item LIMIT n` (11 columns) through
//     BancoDados::PreencherGrid for n = 1,000, 100,000 and 1,000,000, each in a process of its
//     own so that its peak memory (VmHWM) is its own. With --referencia, also the same results
//     filled cell by cell into the grid's default string table followed by AutoSizeColumns.
//  3. Getting the data out of the 1,000,000-row result: the CSV export of the whole grid in both
//     formats (temporary file, then rename), and "Copiar" of a 100,000-row selection onto the
//     clipboard. In a process of its own.
//
// Needs a display: run under xvfb-run (bench/run.sh does). Works in a temporary folder of its
// own (HOME, settings, databases) and removes it at the end.
//
//   bench_db [--referencia]           all of the above
//   bench_db grade <n> [referencia]   one grid measurement (used by the above), in the folder
//                                     of a run made with BENCH_DB_MANTER=1 set
//   bench_db exportar                 the export and copy measurements, likewise

#include <sqlite3.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "account/ConfigStore.h"
#include "db/BancoDados.h"
#include "service/GeradorCupons.h"
#include "widgets/MenuGrade.h"

namespace {

using Relogio = std::chrono::steady_clock;
using nlohmann::json;

double Segundos(Relogio::duration d) {
    return std::chrono::duration<double>(d).count();
}

// CPU time of this process so far: on a machine shared with other work the wall time alone
// says little.
double SegundosCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Peak resident memory of this process so far, in MB.
double PicoMemoriaMb() {
    std::ifstream status("/proc/self/status");
    std::string linha;
    while (std::getline(status, linha))
        if (linha.rfind("VmHWM:", 0) == 0) return std::atof(linha.c_str() + 6) / 1024.0;
    return 0;
}

void Falhar(const std::string& texto) {
    std::fprintf(stderr, "bench_db: %s\n", texto.c_str());
    std::exit(1);
}

void Exec(sqlite3* db, const std::string& sql) {
    char* erro = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &erro) != SQLITE_OK)
        Falhar(erro ? erro : sql);
}

// The feed's rows as plain values, read before the bare loop's clock starts.
struct Linhas {
    std::vector<std::vector<std::string>> emitentes;  // 9 texts each
    struct Cupom {
        std::string textos[8];  // data, cfe, série, chave, url, obs_cupom, obs_inf, cnpj
        double valor_total, total_tributos;
        int id;
        std::size_t primeiro_item, itens;
    };
    std::vector<Cupom> cupons;
    struct Item {
        int seq;
        std::string codigo, descricao, un;
        double qtde, valor_unit, tributos, valor_total, desconto;
    };
    std::vector<Item> itens;
};

Linhas Extrair(const json& feed) {
    Linhas l;
    auto texto = [](const json& o, const char* k) {
        const auto it = o.find(k);
        return it == o.end() || it->is_null() ? std::string() : it->get<std::string>();
    };
    for (const json& c : feed) {
        const json& e = c["emitente"];
        std::vector<std::string> em;
        for (const char* k :
             {"cnpj", "ie", "im", "nome", "fantasia", "endereco", "bairro", "cep", "municipio"})
            em.push_back(texto(e, k));
        l.emitentes.push_back(std::move(em));
        Linhas::Cupom cu{
            {texto(c, "data_hora_emissao"), texto(c, "numero_cfe"), texto(c, "numero_serie_sat"),
             texto(c, "chave_acesso"), texto(c, "url_consulta"), texto(c, "obs_cupom"),
             texto(c, "obs_inf"), texto(e, "cnpj")},
            c["valor_total"].get<double>(),
            c["total_tributos"].get<double>(),
            c.value("id", 0),
            l.itens.size(),
            0};
        for (const json& i : c["itens"]) {
            l.itens.push_back({i.value("seq", 0), texto(i, "codigo"), texto(i, "descricao"),
                               texto(i, "un"), i["qtde"].get<double>(),
                               i["valor_unit"].get<double>(), i["tributos"].get<double>(),
                               i["valor_total"].get<double>(), i["desconto"].get<double>()});
            ++cu.itens;
        }
        l.cupons.push_back(std::move(cu));
    }
    return l;
}

// The same three inserts the import runs, without JSON and without the progress lines.
double LacoPuro(const std::string& arquivo, const std::string& esquema, const Linhas& l) {
    sqlite3* db = nullptr;
    if (sqlite3_open(arquivo.c_str(), &db) != SQLITE_OK) Falhar("open " + arquivo);
    Exec(db, esquema);
    sqlite3_stmt *em = nullptr, *cu = nullptr, *it = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT OR REPLACE INTO emitente(cnpj, ie, im, nome, fantasia, endereco, bairro, cep, "
        "municipio) VALUES(?,?,?,?,?,?,?,?,?)",
        -1, &em, nullptr);
    sqlite3_prepare_v2(
        db,
        "INSERT INTO cupom(data_hora_emissao, numero_cfe, numero_serie_sat, chave_acesso, "
        "url_consulta, valor_total, obs_cupom, obs_inf, total_tributos, cnpj_emitente, "
        "cpf_consumidor, razao_social_consumidor, id_zelkari) "
        "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?) RETURNING id",
        -1, &cu, nullptr);
    sqlite3_prepare_v2(
        db,
        "INSERT INTO cupom_item(id_cupom, seq, codigo, descricao, qtde, un, valor_unit, "
        "tributos, valor_total, desconto) VALUES(?,?,?,?,?,?,?,?,?,?)",
        -1, &it, nullptr);
    if (!em || !cu || !it) Falhar(sqlite3_errmsg(db));
    auto t = [](sqlite3_stmt* s, int i, const std::string& v) {
        sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    };

    const auto inicio = Relogio::now();
    Exec(db, "BEGIN");
    for (std::size_t n = 0; n < l.cupons.size(); ++n) {
        for (int i = 0; i < 9; ++i) t(em, i + 1, l.emitentes[n][static_cast<std::size_t>(i)]);
        if (sqlite3_step(em) != SQLITE_DONE) Falhar(sqlite3_errmsg(db));
        sqlite3_reset(em);
        const auto& c = l.cupons[n];
        for (int i = 0; i < 5; ++i) t(cu, i + 1, c.textos[i]);
        sqlite3_bind_double(cu, 6, c.valor_total);
        t(cu, 7, c.textos[5]);
        t(cu, 8, c.textos[6]);
        sqlite3_bind_double(cu, 9, c.total_tributos);
        t(cu, 10, c.textos[7]);
        t(cu, 11, std::string());
        t(cu, 12, std::string());
        sqlite3_bind_int(cu, 13, c.id);
        if (sqlite3_step(cu) != SQLITE_ROW) Falhar(sqlite3_errmsg(db));
        const sqlite3_int64 id = sqlite3_column_int64(cu, 0);
        sqlite3_reset(cu);
        for (std::size_t k = c.primeiro_item; k < c.primeiro_item + c.itens; ++k) {
            const auto& i = l.itens[k];
            sqlite3_bind_int64(it, 1, id);
            sqlite3_bind_int(it, 2, i.seq);
            t(it, 3, i.codigo);
            t(it, 4, i.descricao);
            sqlite3_bind_double(it, 5, i.qtde);
            t(it, 6, i.un);
            sqlite3_bind_double(it, 7, i.valor_unit);
            sqlite3_bind_double(it, 8, i.tributos);
            sqlite3_bind_double(it, 9, i.valor_total);
            sqlite3_bind_double(it, 10, i.desconto);
            if (sqlite3_step(it) != SQLITE_DONE) Falhar(sqlite3_errmsg(db));
            sqlite3_reset(it);
        }
    }
    Exec(db, "COMMIT");
    const double s = Segundos(Relogio::now() - inicio);
    sqlite3_finalize(em);
    sqlite3_finalize(cu);
    sqlite3_finalize(it);
    sqlite3_close(db);
    return s;
}

class AppBench : public wxApp {
public:
    bool OnInit() override { return true; }
};

bool IniciarToolkit(int argc, char** argv) {
    wxApp::SetInstance(new AppBench);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start the toolkit (is DISPLAY set? run under xvfb-run)\n");
        return false;
    }
    return true;
}

// A shown frame holding an empty grid, as a window of the program starts.
std::pair<wxFrame*, wxGrid*> JanelaComGrade() {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxSize(1200, 800));
    auto* grid = new wxGrid(frame, wxID_ANY);
    grid->CreateGrid(1, 1, wxGrid::wxGridSelectCells);
    frame->Show();
    return {frame, grid};
}

void EncerrarToolkit() {
    wxTheApp->OnExit();
    wxEntryCleanup();
}

// One grid measurement, in a process of its own.
int Grade(int argc, char** argv, long linhas, bool referencia) {
    if (!IniciarToolkit(argc, argv)) return 1;
    {
        BancoDados banco;
        auto [frame, grid] = JanelaComGrade();
        grid->Update();
        const double memoria_antes = PicoMemoriaMb();
        const wxString sql = wxString::Format("SELECT * FROM cupom_item LIMIT %ld", linhas);

        const auto inicio = Relogio::now();
        const double cpu_inicio = SegundosCpu();
        if (!referencia) {
            banco.PreencherGrid(sql, grid);
        } else {
            // Cell by cell into the default string table, then AutoSizeColumns over every cell.
            std::vector<Registro> rows;
            banco.ConsultarRegistros(sql, rows);
            grid->BeginBatch();
            grid->DeleteRows(0, grid->GetNumberRows());
            grid->DeleteCols(0, grid->GetNumberCols());
            grid->AppendCols(11);
            grid->AppendRows(static_cast<int>(rows.size()));
            for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
                int c = 0;
                for (const auto& [nome, valor] : rows[static_cast<std::size_t>(r)])
                    grid->SetCellValue(r, c++, valor);
            }
            rows.clear();
            grid->AutoSizeColumns(true);
            grid->EndBatch();
        }
        grid->Update();  // the repaint that follows
        const double segundos = Segundos(Relogio::now() - inicio);
        const double cpu = SegundosCpu() - cpu_inicio;
        if (!banco.GetErro().empty()) Falhar(banco.GetErro().ToStdString());
        if (grid->GetNumberRows() != linhas || grid->GetNumberCols() != 11)
            Falhar("unexpected grid size " + std::to_string(grid->GetNumberRows()) + "x" +
                   std::to_string(grid->GetNumberCols()));
        const double pico = PicoMemoriaMb();
        std::printf(
            "  %-13s %8ld rows x 11 cols: %7.3f s (CPU %6.3f s)  peak %6.1f MB (+%.1f MB over the "
            "empty grid)\n",
            referencia ? "reference" : "PreencherGrid", linhas, segundos, cpu, pico,
            pico - memoria_antes);
        std::fflush(stdout);
        frame->Destroy();
    }
    EncerrarToolkit();
    return 0;
}

// Export and copy of the largest result, in a process of its own.
int Exportacao(int argc, char** argv) {
    constexpr int kLinhas = 1000000;
    constexpr int kLinhasCopiadas = 100000;
    if (!IniciarToolkit(argc, argv)) return 1;
    {
        BancoDados banco;
        auto [frame, grid] = JanelaComGrade();
        banco.PreencherGrid(wxString::Format("SELECT * FROM cupom_item LIMIT %d", kLinhas), grid);
        grid->Update();
        if (grid->GetNumberRows() != kLinhas) Falhar("unexpected row count");
        std::printf("Data out of a %d-row x %d-column result\n", kLinhas, grid->GetNumberCols());

        const std::pair<controles::FormatoCsv, const char*> formatos[] = {
            {controles::FormatoCsv::Brasileiro, "Brazilian (;)"},
            {controles::FormatoCsv::Padrao, "standard (,)"}};
        for (const auto& [formato, nome] : formatos) {
            const auto inicio = Relogio::now();
            const double cpu_inicio = SegundosCpu();
            const wxString erro =
                controles::GravarCsv(controles::OrigemGrade(grid, true), formato, "exportado.csv");
            const double segundos = Segundos(Relogio::now() - inicio);
            const double cpu = SegundosCpu() - cpu_inicio;
            if (!erro.empty()) Falhar(erro.ToStdString());
            std::printf("  CSV export, %-13s: %6.3f s (CPU %6.3f s)  %6.1f MB  (target <= 3 s)\n",
                        nome, segundos, cpu,
                        static_cast<double>(std::filesystem::file_size("exportado.csv")) / 1e6);
            std::fflush(stdout);
        }

        grid->SelectBlock(0, 0, kLinhasCopiadas - 1, grid->GetNumberCols() - 1);
        const auto inicio = Relogio::now();
        const double cpu_inicio = SegundosCpu();
        const bool copiado =
            controles::CopiarCelulas(grid, controles::SelecaoOuCursor(grid), false);
        const double segundos = Segundos(Relogio::now() - inicio);
        const double cpu = SegundosCpu() - cpu_inicio;
        if (!copiado) Falhar("the clipboard refused the text");
        std::printf("  Copiar of %d selected rows: %6.3f s (CPU %6.3f s)  (target <= 1 s)\n",
                    kLinhasCopiadas, segundos, cpu);
        std::printf("  peak memory %.1f MB\n", PicoMemoriaMb());
        std::fflush(stdout);
        frame->Destroy();
    }
    EncerrarToolkit();
    return 0;
}

int ExecutarFilho(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    int estado = 0;
    waitpid(pid, &estado, 0);
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "exportar") == 0) return Exportacao(1, argv);
    if (argc >= 3 && std::strcmp(argv[1], "grade") == 0)
        return Grade(1, argv, std::atol(argv[2]),
                     argc >= 4 && std::strcmp(argv[3], "referencia") == 0);
    const bool com_referencia = argc >= 2 && std::strcmp(argv[1], "--referencia") == 0;

    std::string modelo = (std::filesystem::temp_directory_path() / "bench_db.XXXXXX").string();
    if (!mkdtemp(modelo.data())) Falhar("mkdtemp");
    const std::filesystem::path pasta = modelo;
    setenv("HOME", pasta.c_str(), 1);
    setenv("XDG_CONFIG_HOME", pasta.c_str(), 1);
    std::filesystem::current_path(pasta);
    {
        wxInitializer base;
        AbrirConfiguracao()->Write("/Login/Usuario", wxString("bench"));

        // About 10,000 receipts over ten years.
        servico::OpcoesGerador opcoes;
        opcoes.anos = 10;
        opcoes.cupons_por_mes = 84;
        const json feed = servico::GerarCupons(opcoes);
        const Linhas linhas = Extrair(feed);
        const double cupons = static_cast<double>(linhas.cupons.size());
        const double itens = static_cast<double>(linhas.itens.size());
        std::printf("Import of %zu receipts, %zu item lines\n", linhas.cupons.size(),
                    linhas.itens.size());

        BancoDados banco;
        std::size_t linhas_progresso = 0;
        const auto inicio = Relogio::now();
        const double cpu_inicio = SegundosCpu();
        banco.ImportarCupons(feed, [&](wxString) {
            ++linhas_progresso;
            return true;
        });
        const double s_importacao = Segundos(Relogio::now() - inicio);
        const double cpu_importacao = SegundosCpu() - cpu_inicio;

        std::string esquema;
        {
            std::vector<Registro> rows;
            banco.ConsultarRegistros(
                "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL AND name <> 'sqlite_sequence' "
                "ORDER BY rowid",
                rows);
            for (const auto& r : rows) esquema += r.at("sql").ToStdString(wxConvUTF8) + ";";
        }
        const double cpu_antes_puro = SegundosCpu();
        const double s_puro = LacoPuro((pasta / "puro.db").string(), esquema, linhas);
        const double cpu_puro = SegundosCpu() - cpu_antes_puro;
        std::printf("  ImportarCupons: %6.3f s (CPU %6.3f s)  %9.0f receipts/s  %10.0f lines/s\n",
                    s_importacao, cpu_importacao, cupons / s_importacao, itens / s_importacao);
        std::printf("  bare inserts:   %6.3f s (CPU %6.3f s)  %9.0f receipts/s  %10.0f lines/s\n",
                    s_puro, cpu_puro, cupons / s_puro, itens / s_puro);
        std::printf("  import rate / bare rate = %.2f (target >= 0.50)\n", s_puro / s_importacao);

        // Enough item lines for the largest result: the imported ones, copied over.
        Registro r;
        const wxString copia =
            "INSERT INTO cupom_item(id_cupom, seq, codigo, descricao, qtde, un, valor_unit, "
            "tributos, "
            "valor_total, desconto) SELECT id_cupom, seq, codigo, descricao, qtde, un, valor_unit, "
            "tributos, "
            "valor_total, desconto FROM cupom_item";
        for (;;) {
            banco.ConsultarRegistro("SELECT count(*) AS n FROM cupom_item", r);
            if (std::atol(r["n"].c_str()) >= 1000000) break;
            banco.ConsultarRegistro(copia, r);
            if (!banco.GetErro().empty()) Falhar(banco.GetErro().ToStdString());
        }
    }

    std::printf(
        "Query results into a wxGrid (SELECT * FROM cupom_item LIMIT n), one process each\n");
    std::fflush(stdout);
    int rc = 0;
    for (const char* n : {"1000", "100000", "1000000"}) rc |= ExecutarFilho({argv[0], "grade", n});
    if (com_referencia)
        for (const char* n : {"1000", "100000"})
            rc |= ExecutarFilho({argv[0], "grade", n, "referencia"});
    rc |= ExecutarFilho({argv[0], "exportar"});

    std::filesystem::current_path(std::filesystem::temp_directory_path());
    if (std::getenv("BENCH_DB_MANTER")) {  // keeps the folder, e.g. to profile one grid run in it
        std::printf("kept %s\n", pasta.c_str());
        return rc;
    }
    std::error_code ignorado;
    std::filesystem::remove_all(pasta, ignorado);
    return rc;
}
