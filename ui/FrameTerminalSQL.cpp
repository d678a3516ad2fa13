#include "ui/FrameTerminalSQL.h"

#include <wx/accel.h>
#include <wx/arrstr.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/font.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/stc/stc.h>
#include <wx/timer.h>
#include <wx/treectrl.h>
#include <wx/weakref.h>

#include <chrono>
#include <exception>
#include <optional>
#include <string>

#include "db/BancoDados.h"
#include "widgets/Controles.h"
#include "widgets/MenuGrade.h"

namespace {

constexpr const char* kTitulo = "Terminal SQL";
constexpr const char* kRaizArvore = "Estrutura dos dados";

// Keyword set 0 of the SQL lexer (the lexer compares lower-cased words, so upper case matches).
constexpr const char* kPalavrasChave =
    "select insert update delete from where join left right inner group by having create table "
    "alter drop index view trigger procedure function returns set into values and or not is null "
    "in exists like primary key foreign unique constraint default check case when then else end";

constexpr int kLarguraNumeros = 40;
constexpr int kTamanhoFonte = 11;
constexpr int kSashArvore = 250;
constexpr int kSashResultado = 150;
constexpr int kLinhasIniciais = 20;
constexpr int kColunasIniciais = 5;
constexpr int kLarguraColuna = 120;

// A statement that takes longer than this gets the dialog that can cancel it; a shorter one runs
// as if on the window's thread, with no dialog flashing by.
constexpr std::chrono::milliseconds kEsperaAntesDoDialogo{500};
constexpr int kIntervaloDialogoMs = 50;  // the dialog looks for the end of the reading this often
constexpr const wchar_t* kTextoExecutando = L"Executando a instrução SQL...";
constexpr const wchar_t* kTextoCancelando = L"Cancelando...";
constexpr const char* kCancelar = "Cancelar";
constexpr const wchar_t* kTituloAviso = L"Informação";
constexpr const wchar_t* kAvisoLimite = L"A leitura parou em %s linhas; as demais não foram lidas.";
constexpr const wchar_t* kErroIniciar = L"Erro ao executar consulta: %s!";

// A count with "." between thousands, as numbers show in the program's own windows.
wxString Milhares(std::size_t n) {
    const std::string digitos = std::to_string(n);
    wxString texto;
    for (std::size_t i = 0; i < digitos.size(); ++i) {
        if (i > 0 && (digitos.size() - i) % 3 == 0) texto += '.';
        texto += digitos[i];
    }
    return texto;
}

// Shown while a statement runs: a pulsing bar and "Cancelar". It closes itself when the reading
// ends; cancelling (the button, Escape, the close box) only asks the statement to stop, which it
// does within milliseconds (or when SQLite's wait for another program's lock runs out).
// It has no parent: the terminal may be destroyed while this dialog runs modally on the stack.
class DialogoExecucao : public wxDialog {
public:
    DialogoExecucao(wxWindow* janela, LeituraEmSegundoPlano& leitura)
        : wxDialog(nullptr, wxID_ANY, kTitulo), leitura_(leitura), relogio_(this) {
        auto* texto = new wxStaticText(this, wxID_ANY, kTextoExecutando);
        auto* barra = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, FromDIP(wxSize(280, -1)));
        auto* cancelar = new wxButton(this, wxID_CANCEL, kCancelar);

        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(texto, 0, wxALL, FromDIP(10));
        sizer->Add(barra, 0, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(10));
        sizer->Add(cancelar, 0, wxALIGN_RIGHT | wxALL, FromDIP(10));
        SetSizerAndFit(sizer);
        const wxRect area = janela->GetScreenRect();
        SetPosition(area.GetPosition() + (area.GetSize() - GetSize()) / 2);

        // Handled here, so that the dialog's own handler does not end it before the thread does.
        Bind(
            wxEVT_BUTTON,
            [this, texto](wxCommandEvent&) {
                leitura_.Cancelar();
                texto->SetLabel(kTextoCancelando);
            },
            wxID_CANCEL);
        Bind(wxEVT_TIMER, [this, barra](wxTimerEvent&) {
            if (!leitura_.Terminou()) {
                barra->Pulse();
            } else if (IsModal()) {
                relogio_.Stop();
                EndModal(wxID_OK);
            }
        });
        relogio_.Start(kIntervaloDialogoMs);
    }

private:
    LeituraEmSegundoPlano& leitura_;
    wxTimer relogio_;
};

}  // namespace

FrameTerminalSQL::FrameTerminalSQL(wxWindow* parent, BancoDados* banco_dados)
    : wxFrame(parent, wxID_ANY, kTitulo), banco(banco_dados) {
    wxAcceleratorEntry atalhos[1];
    atalhos[0].Set(wxACCEL_NORMAL, WXK_F5, ID_EXECUTAR);
    SetAcceleratorTable(wxAcceleratorTable(1, atalhos));
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ExecutarSQL(); }, ID_EXECUTAR);

    splitter_principal = controles::CriarSplitter(this);
    auto* painel_superior = new wxPanel(splitter_principal, wxID_ANY, wxDefaultPosition,
                                        wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER);
    splitter_superior = controles::CriarSplitter(painel_superior);

    arvore = new wxTreeCtrl(splitter_superior, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                            wxTR_HAS_BUTTONS | wxTR_TWIST_BUTTONS | wxTR_NO_LINES |
                                wxTR_LINES_AT_ROOT | wxTR_FULL_ROW_HIGHLIGHT);
    PreencherArvore();

    editor = new wxStyledTextCtrl(splitter_superior, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0);
    ConfigurarEditor();

    splitter_superior->SplitVertically(arvore, editor, kSashArvore);
    auto* sizer_superior = new wxBoxSizer(wxVERTICAL);
    sizer_superior->Add(splitter_superior, 1, wxEXPAND, 0);
    painel_superior->SetSizer(sizer_superior);

    // Edits typed into the grid stay in the grid: nothing writes them back to the database.
    grid =
        new wxGrid(splitter_principal, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS);
    grid->CreateGrid(kLinhasIniciais, kColunasIniciais, wxGrid::wxGridSelectCells);
    grid->SetDefaultColSize(kLarguraColuna, false);
    controles::AdicionarCopiaEExportacao(grid,
                                         [] { return controles::NomeArquivoCsv("consulta"); });

    splitter_principal->SplitHorizontally(painel_superior, grid, kSashResultado);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(splitter_principal, 1, wxEXPAND, 0);
    SetSizer(sizer);
    sizer->SetSizeHints(this);
    Fit();
}

void FrameTerminalSQL::PreencherArvore() {
    const wxTreeItemId raiz = arvore->AddRoot(kRaizArvore);

    // A table or column list that cannot be read leaves its part of the tree empty.
    wxArrayString tabelas;
    banco->ListarTabelas(tabelas);
    for (const wxString& tabela : tabelas) {
        const wxTreeItemId item_tabela = arvore->AppendItem(raiz, tabela);
        wxArrayString nomes;
        wxArrayString tipos;
        banco->ListarCampos(tabela, nomes, tipos);
        for (size_t i = 0; i < nomes.size(); ++i) {
            const wxTreeItemId item_campo = arvore->AppendItem(item_tabela, nomes[i]);
            arvore->AppendItem(item_campo, i < tipos.size() ? tipos[i] : wxString());
        }
    }
    arvore->Expand(raiz);
}

void FrameTerminalSQL::ConfigurarEditor() {
    editor->SetMarginType(0, wxSTC_MARGIN_NUMBER);
    editor->SetMarginWidth(0, kLarguraNumeros);

    editor->SetLexer(wxSTC_LEX_SQL);
    editor->SetKeyWords(0, kPalavrasChave);

    const wxFont fonte(kTamanhoFonte, wxFONTFAMILY_TELETYPE, wxFONTSTYLE_NORMAL,
                       wxFONTWEIGHT_NORMAL);
    editor->StyleSetFont(wxSTC_STYLE_DEFAULT, fonte);
    editor->StyleSetForeground(wxSTC_STYLE_DEFAULT, wxColour(30, 30, 30));
    editor->StyleClearAll();

    const wxColour verde(0, 150, 0);
    const wxColour roxo(160, 32, 240);
    editor->StyleSetForeground(wxSTC_SQL_COMMENT, verde);
    editor->StyleSetItalic(wxSTC_SQL_COMMENT, true);
    editor->StyleSetForeground(wxSTC_SQL_COMMENTLINE, verde);
    editor->StyleSetItalic(wxSTC_SQL_COMMENTLINE, true);
    editor->StyleSetForeground(wxSTC_SQL_COMMENTDOC, wxColour(0, 130, 0));
    editor->StyleSetForeground(wxSTC_SQL_NUMBER, wxColour(255, 100, 0));
    editor->StyleSetForeground(wxSTC_SQL_WORD, wxColour(0, 0, 200));
    editor->StyleSetBold(wxSTC_SQL_WORD, true);
    editor->StyleSetForeground(wxSTC_SQL_STRING, roxo);
    editor->StyleSetForeground(wxSTC_SQL_CHARACTER, roxo);
}

FrameTerminalSQL::~FrameTerminalSQL() {
    // ExecutarSQL is still on the stack, waiting in the dialog; it returns without touching the
    // window once the dialog ends.
    if (leitura) leitura->Parar();
    if (dialogo_execucao) dialogo_execucao->EndModal(wxID_CANCEL);
}

void FrameTerminalSQL::ExecutarSQL() {
    if (leitura) return;  // a run is on; its dialog keeps the other windows from starting one

    // The statement runs on a thread of its own, which reads it into the grid's table; the
    // window's thread waits, and past half a second keeps its events turning in the dialog.
    std::optional<LeituraEmSegundoPlano> atual;
    try {
        atual.emplace(*banco, editor->GetText(), limite_linhas);
    } catch (const std::exception& e) {  // no thread could be started
        controles::MostrarErro(wxString::Format(kErroIniciar, wxString::FromUTF8(e.what())));
        return;
    }
    leitura = &*atual;
    const wxWeakRef<FrameTerminalSQL> janela_viva(this);
    if (!atual->Esperar(kEsperaAntesDoDialogo)) {
        DialogoExecucao dialogo(this, *atual);
        dialogo_execucao = &dialogo;
        dialogo.ShowModal();
        if (!janela_viva) return;  // destroyed meanwhile: its destructor waited for the thread
        dialogo_execucao = nullptr;
    }
    leitura = nullptr;

    // The database layer installs its own grid table, so a result of any size shows at once.
    ResultadoGrade& resultado = atual->Resultado();
    BancoDados::MostrarNaGrade(resultado, grid);
    if (!resultado.erro.empty())
        controles::MostrarErro(resultado.erro);
    else if (resultado.truncado)
        wxMessageBox(wxString::Format(kAvisoLimite, Milhares(limite_linhas)), kTituloAviso,
                     wxOK | wxICON_INFORMATION, nullptr);
}
