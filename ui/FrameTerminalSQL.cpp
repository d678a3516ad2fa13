#include "ui/FrameTerminalSQL.h"

#include <wx/accel.h>
#include <wx/arrstr.h>
#include <wx/font.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/stc/stc.h>
#include <wx/treectrl.h>

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

void FrameTerminalSQL::ExecutarSQL() {
    // The database layer installs its own grid table, so a result of any size shows at once.
    banco->PreencherGrid(editor->GetText(), grid);
    const wxString erro = banco->GetErro();
    if (!erro.empty()) controles::MostrarErro(erro);
}
