#pragma once

// The SQL terminal: a tree of the database's tables and columns, an SQL editor with syntax
// colouring and line numbers, and a grid with the result of the last statement run (F5).

#include <wx/frame.h>

class BancoDados;
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

    // Runs the editor's text (its first statement) into the result grid; a statement that cannot
    // be prepared shows the database's error in a message box and leaves the grid as it was.
    void ExecutarSQL();

private:
    void PreencherArvore();
    void ConfigurarEditor();

    BancoDados* banco;
    wxSplitterWindow* splitter_principal = nullptr;  // editor area above, result grid below
    wxSplitterWindow* splitter_superior = nullptr;   // tree on the left, editor on the right
    wxTreeCtrl* arvore = nullptr;
    wxStyledTextCtrl* editor = nullptr;
    wxGrid* grid = nullptr;
};
