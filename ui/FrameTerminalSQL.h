#pragma once

// The SQL terminal: a tree of the database's tables and columns, an SQL editor with syntax
// colouring and line numbers, and a grid with the result of the last statement run (F5).

#include <wx/frame.h>

#include <cstddef>

class BancoDados;
class LeituraEmSegundoPlano;
class wxDialog;
class wxGrid;
class wxPanel;
class wxSplitterWindow;
class wxStyledTextCtrl;
class wxTreeCtrl;

class FrameTerminalSQL : public wxFrame {
public:
    // Command id of the F5 accelerator that runs the editor's text.
    static constexpr int ID_EXECUTAR = 10001;

    // `banco` is borrowed and must outlive the window. The window is built and its tree filled,
    // but not shown.
    FrameTerminalSQL(wxWindow* parent, BancoDados* banco);
    // Stops a statement still running and waits for its thread.
    ~FrameTerminalSQL() override;

    // Runs the editor's text (its first statement) into the result grid, on a thread of its own;
    // past half a second a modal dialog offers to cancel it. A statement that cannot be prepared
    // shows the database's error in a message box and leaves the grid as it was; one that fails
    // while it runs (cancelled included) shows the rows read before the failure and the error.
    // Reading stops at the row limit, and a box says so.
    void ExecutarSQL();

    // Rows a run reads at most.
    static constexpr std::size_t kLimiteLinhas = 5000000;
    // Lowers the limit of this window's runs, for tests under sanitizers that cannot read
    // millions of rows in reasonable time.
    void SetLimiteLinhas(std::size_t limite) { limite_linhas = limite; }

private:
    void PreencherArvore();
    void ConfigurarEditor();

    BancoDados* banco;
    wxSplitterWindow* splitter_principal = nullptr;  // editor area above, result grid below
    wxSplitterWindow* splitter_superior = nullptr;   // tree on the left, editor on the right
    wxTreeCtrl* arvore = nullptr;
    wxStyledTextCtrl* editor = nullptr;
    wxGrid* grid = nullptr;
    std::size_t limite_linhas = kLimiteLinhas;
    // The run in progress and its dialog, while ExecutarSQL waits for them (else null).
    LeituraEmSegundoPlano* leitura = nullptr;
    wxDialog* dialogo_execucao = nullptr;
};
