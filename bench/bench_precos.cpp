// Benchmark of the price history window on ten years of receipts.
//
//  A. 36,000 receipts (ten years from 2016, 300 a month, about 830,000 item lines) from the
//     sample-data generator, imported as a synchronisation would, or the database file given on
//     the command line (one made by cupom-seed-db, for instance).
//  B. The same number of receipts and lines over 20,000 goods, each sold by half the stores under
//     its GTIN and by the other half under an internal code with its description written
//     otherwise: 40,000 products as the identity rules count them, so the catalogue, the list and
//     the search are large. A stress case beyond the targets, which are set for A.
//
// For each: the catalogue read alone; opening the window (catalogue read, list filled, window
// shown and painted); each keystroke of a typed search (list filtered and repainted); choosing
// a product with about 500 purchases (purchases read, chart and grid filled and painted). Times
// are wall clock and CPU of this process, best and median of several runs; targets: open 300 ms,
// keystroke 30 ms, choice 50 ms.
//
// Needs a display: run under xvfb-run (bench/run.sh does). Works in a temporary folder of its
// own and removes it at the end.
//
//   bench_precos [database.db]     with BENCH_PRECOS_MANTER=1 set, the folder stays

#include <sqlite3.h>
#include <time.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/grid.h>
#include <wx/init.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "account/ConfigStore.h"
#include "charts/PanelLineChart.h"
#include "db/BancoDados.h"
#include "precos/LeituraPrecos.h"
#include "service/GeradorCupons.h"
#include "ui/FrameHistoricoPrecos.h"
#include "ui/ListaProdutos.h"

namespace {

using Relogio = std::chrono::steady_clock;

constexpr int kRepeticoes = 5;
constexpr int kComprasAlvo = 500;

void Falhar(const std::string& texto) {
    std::fprintf(stderr, "bench_precos: %s\n", texto.c_str());
    std::exit(1);
}

double SegundosCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Medida {
    double ms = 0;
    double cpu_ms = 0;
};

Medida Medir(const std::function<void()>& f) {
    const auto inicio = Relogio::now();
    const double cpu = SegundosCpu();
    f();
    return {std::chrono::duration<double, std::milli>(Relogio::now() - inicio).count(),
            (SegundosCpu() - cpu) * 1000};
}

void Relatar(const char* nome, std::vector<Medida> medidas, double alvo_ms) {
    std::sort(medidas.begin(), medidas.end(),
              [](const Medida& a, const Medida& b) { return a.ms < b.ms; });
    const Medida& melhor = medidas.front();
    const Medida& mediana = medidas[medidas.size() / 2];
    const Medida& pior = medidas.back();
    std::printf("  %-44s best %7.1f ms (CPU %7.1f)  median %7.1f ms  worst %7.1f ms", nome,
                melhor.ms, melhor.cpu_ms, mediana.ms, pior.ms);
    if (alvo_ms > 0)
        std::printf("  [target %.0f ms: %s]", alvo_ms, mediana.ms <= alvo_ms ? "ok" : "OVER");
    std::printf("\n");
    std::fflush(stdout);
}

void Exec(sqlite3* db, const char* sql) {
    char* erro = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &erro) != SQLITE_OK) Falhar(erro ? erro : sql);
}

std::string Ean13(long long corpo12) {
    char texto[16];
    std::snprintf(texto, sizeof texto, "%012lld", corpo12);
    int soma = 0;
    for (int i = 0; i < 12; ++i) soma += (texto[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return std::string(texto) + static_cast<char>('0' + (10 - soma % 10) % 10);
}

// Database B: 20,000 goods, each sold under a GTIN by some stores and under an internal code with
// a differently written description by others, in 36,000 receipts of 23 lines.
void GerarBancoGrande(const std::string& arquivo) {
    static const char* const kNomes[] = {
        "CAFÉ",  "AÇÚCAR", "FEIJÃO", "ARROZ", "LEITE",   "ÓLEO",    "MACARRÃO", "BISCOITO",
        "SABÃO", "SUCO",   "QUEIJO", "MOLHO", "FARINHA", "IOGURTE", "CHÁ",      "PÃO"};
    static const char* const kMarcas[] = {"BOA VISTA", "SÃO JOÃO", "DA FAZENDA", "TRÊS CORAÇÕES",
                                          "QUALITÁ",   "NATURAL",  "IDEAL",      "PRIMOR"};
    constexpr int kProdutos = 20000, kCupons = 36000, kLinhas = 23, kLojas = 10;
    sqlite3* db = nullptr;
    if (sqlite3_open(arquivo.c_str(), &db) != SQLITE_OK) Falhar("open " + arquivo);
    Exec(db, "BEGIN");
    sqlite3_stmt* em = nullptr;
    sqlite3_stmt* cu = nullptr;
    sqlite3_stmt* it = nullptr;
    sqlite3_prepare_v2(db, "insert into emitente(cnpj, fantasia) values(?, ?)", -1, &em, nullptr);
    sqlite3_prepare_v2(db,
                       "insert into cupom(id, data_hora_emissao, chave_acesso, cnpj_emitente) "
                       "values(?, ?, ?, ?)",
                       -1, &cu, nullptr);
    sqlite3_prepare_v2(
        db,
        "insert into cupom_item(id_cupom, seq, codigo, descricao, qtde, un, "
        "valor_unit, tributos, valor_total, desconto) values(?,?,?,?,1,'UN',?,0,?,0)",
        -1, &it, nullptr);
    for (int l = 0; l < kLojas; ++l) {
        const std::string cnpj = std::to_string(10000000000000LL + l);
        const std::string nome = "Loja " + std::to_string(l + 1);
        sqlite3_bind_text(em, 1, cnpj.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(em, 2, nome.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(em);
        sqlite3_reset(em);
    }
    unsigned long long estado = 12345;
    auto proximo = [&estado]() {
        estado = estado * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>(estado >> 33);
    };
    for (int c = 1; c <= kCupons; ++c) {
        const int dia = (c - 1) * 3650 / kCupons;
        char data[16];
        std::snprintf(data, sizeof data, "%04d%02d%02d120000", 2016 + dia / 365,
                      dia % 365 / 31 % 12 + 1, dia % 31 % 28 + 1);
        const int loja = proximo() % kLojas;
        const std::string chave = "CHAVE" + std::to_string(c);
        const std::string cnpj = std::to_string(10000000000000LL + loja);
        sqlite3_bind_int(cu, 1, c);
        sqlite3_bind_text(cu, 2, data, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(cu, 3, chave.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(cu, 4, cnpj.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(cu);
        sqlite3_reset(cu);
        for (int s = 1; s <= kLinhas; ++s) {
            // A few products sell much more than most, as in a real pantry.
            const int r = proximo() % kProdutos;
            const int p = s <= 3 ? r % 200 : r;
            const bool gtin = loja % 2 == 0;
            const std::string codigo = gtin ? Ean13(789000000000LL + p) : std::to_string(p + 1000);
            std::string descricao = std::string(kNomes[p % 16]) + " " + kMarcas[p / 16 % 8] + " " +
                                    std::to_string(p) + (gtin ? " 500G" : " 500 G");
            if (!gtin) descricao = "  " + descricao;
            const double preco = 2.0 + (p % 50) + (proximo() % 100) / 100.0;
            sqlite3_bind_int(it, 1, c);
            sqlite3_bind_int(it, 2, s);
            sqlite3_bind_text(it, 3, codigo.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(it, 4, descricao.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(it, 5, preco);
            sqlite3_bind_double(it, 6, preco);
            sqlite3_step(it);
            sqlite3_reset(it);
        }
    }
    sqlite3_finalize(em);
    sqlite3_finalize(cu);
    sqlite3_finalize(it);
    Exec(db, "COMMIT");
    sqlite3_close(db);
}

void ProcessarPendentes() {
    while (wxTheApp->Pending()) wxTheApp->Dispatch();
    wxTheApp->ProcessIdle();
}

// The row of the list nearest to `alvo` purchases.
long LinhaComCompras(FrameHistoricoPrecos* frame, int alvo, long excluida = -1) {
    const auto& produtos = frame->GetCatalogo().Produtos();
    long melhor = -1;
    for (long l = 0; l < frame->GetLista()->GetItemCount(); ++l) {
        if (l == excluida) continue;
        const int p = frame->GetLista()->ProdutoDaLinha(l);
        if (melhor < 0 ||
            std::abs(produtos[static_cast<std::size_t>(p)].compras - alvo) <
                std::abs(
                    produtos[static_cast<std::size_t>(frame->GetLista()->ProdutoDaLinha(melhor))]
                        .compras -
                    alvo))
            melhor = l;
    }
    return melhor;
}

void Medicoes(const char* titulo, const std::vector<wxString>& digitados) {
    BancoDados banco;
    if (!banco.GetErro().empty()) Falhar(banco.GetErro().ToStdString());
    std::printf("%s\n", titulo);

    std::vector<Medida> catalogo;
    std::size_t produtos = 0;
    for (int i = 0; i < kRepeticoes; ++i) {
        precos::CatalogoPrecos c;
        catalogo.push_back(Medir([&] {
            if (!precos::CarregarCatalogo(banco, c)) Falhar(banco.GetErro().ToStdString());
        }));
        produtos = c.Produtos().size();
    }
    std::printf("  %zu products\n", produtos);
    Relatar("catalogue read", catalogo, 0);

    std::vector<Medida> abrir;
    for (int i = 0; i < kRepeticoes; ++i) {
        FrameHistoricoPrecos* frame = nullptr;
        abrir.push_back(Medir([&] {
            frame = new FrameHistoricoPrecos(nullptr, &banco);
            frame->Show();
            frame->Update();
        }));
        frame->Destroy();
        ProcessarPendentes();
    }
    Relatar("open (list filled, window painted)", abrir, 300);

    auto* frame = new FrameHistoricoPrecos(nullptr, &banco);
    frame->Show();
    ProcessarPendentes();
    std::vector<Medida> teclas;
    for (int volta = 0; volta < 2; ++volta) {
        for (const wxString& texto : digitados) {
            teclas.push_back(Medir([&] {
                frame->GetCampoProduto()->SetValue(texto);
                frame->GetLista()->Update();
            }));
        }
    }
    Relatar("keystroke (list filtered and painted)", teclas, 30);

    frame->GetCampoProduto()->SetValue(wxString());
    const long alvo = LinhaComCompras(frame, kComprasAlvo);
    const long outra = LinhaComCompras(frame, kComprasAlvo, alvo);
    const auto& lista_produtos = frame->GetCatalogo().Produtos();
    const int compras =
        lista_produtos[static_cast<std::size_t>(frame->GetLista()->ProdutoDaLinha(alvo))].compras;
    std::vector<Medida> escolher;
    for (int i = 0; i < kRepeticoes; ++i) {
        frame->EscolherLinha(outra);
        ProcessarPendentes();
        escolher.push_back(Medir([&] {
            frame->EscolherLinha(alvo);
            frame->GetGrafico()->Update();
            frame->GetGrid()->Update();
        }));
    }
    const std::string nome = "choose a product of " + std::to_string(compras) + " purchases";
    Relatar(nome.c_str(), escolher, 50);

    const long mais = 0;  // the most bought product comes first
    const int compras_mais =
        lista_produtos[static_cast<std::size_t>(frame->GetLista()->ProdutoDaLinha(mais))].compras;
    std::vector<Medida> escolher_mais;
    for (int i = 0; i < kRepeticoes; ++i) {
        frame->EscolherLinha(outra);
        ProcessarPendentes();
        escolher_mais.push_back(Medir([&] {
            frame->EscolherLinha(mais);
            frame->GetGrafico()->Update();
            frame->GetGrid()->Update();
        }));
    }
    const std::string nome_mais =
        "choose the most bought (" + std::to_string(compras_mais) + " purchases)";
    Relatar(nome_mais.c_str(), escolher_mais, 0);
    frame->Destroy();
    ProcessarPendentes();
}

class AppBench : public wxApp {
public:
    bool OnInit() override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dado =
        argc >= 2 ? std::filesystem::absolute(argv[1]) : std::filesystem::path();
    std::string modelo = (std::filesystem::temp_directory_path() / "bench_precos.XXXXXX").string();
    if (!mkdtemp(modelo.data())) Falhar("mkdtemp");
    const std::filesystem::path pasta = modelo;
    setenv("HOME", pasta.c_str(), 1);
    setenv("XDG_CONFIG_HOME", pasta.c_str(), 1);
    std::filesystem::current_path(pasta);

    int argc_wx = 1;
    wxApp::SetInstance(new AppBench);
    if (!wxEntryStart(argc_wx, argv) || !wxTheApp->CallOnInit())
        Falhar("cannot start the toolkit (is DISPLAY set? run under xvfb-run)");
    {
        AbrirConfiguracao()->Write("/Login/Usuario", wxString("bench"));
        const wxString arquivo = NomeArquivoBanco("bench");
        if (!dado.empty()) {
            std::filesystem::copy_file(dado, pasta / arquivo.ToStdString());
        } else {
            servico::OpcoesGerador opcoes;
            opcoes.ano_inicial = 2016;
            opcoes.anos = 10;
            opcoes.cupons_por_mes = 300;
            std::printf("Generating and importing 36,000 receipts...\n");
            std::fflush(stdout);
            BancoDados banco;
            banco.ImportarCupons(servico::GerarCupons(opcoes), [](wxString) { return true; });
        }
        sync();  // as for B below
        long long cupons = 0, linhas = 0;
        {
            BancoDados banco;
            Registro r;
            banco.ConsultarRegistro(
                "select (select count(*) from cupom) as c, (select count(*) from cupom_item) as i",
                r);
            r["c"].ToLongLong(&cupons);
            r["i"].ToLongLong(&linhas);
        }
        const std::string titulo_a = "A. " + std::to_string(cupons) + " receipts, " +
                                     std::to_string(linhas) + " item lines (sample data)";
        Medicoes(titulo_a.c_str(), {"c", "ca", "caf", "cafe", "cafe ", "cafe t", "cafe to", "l",
                                    "le", "lei", "leite", "leite i", "7", "78", "789", ""});

        AbrirConfiguracao()->Write("/Login/Usuario", wxString("bench20k"));
        { BancoDados criar; }  // the schema
        GerarBancoGrande(NomeArquivoBanco("bench20k").ToStdString());
        // Written back to the disk first: the kernel writing the new file out would run beside
        // the timings, which a person opening the window some time later never meets.
        sync();
        Medicoes("B. 36000 receipts, 828000 item lines, 20,000 goods sold under two identities",
                 {"c", "ca", "caf", "cafe", "cafe ", "cafe b", "cafe bo", "1", "12", "123", "a",
                  "ac", "acu", "acuc", "acucar", "acucar s", ""});
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::filesystem::current_path("/");
    if (std::getenv("BENCH_PRECOS_MANTER"))  // keeps the folder, e.g. to profile in it
        std::printf("kept %s\n", pasta.c_str());
    else
        std::filesystem::remove_all(pasta);
    return 0;
}
