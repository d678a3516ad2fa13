#pragma once

// The detail of one stored receipt: its header in labelled text fields above, its items in a
// read-only grid below, and two buttons that put the consult URL or the items as a plain-text
// table on the clipboard.

#include <wx/frame.h>

#include <vector>

class BancoDados;
class wxBoxSizer;
class wxCommandEvent;
class wxGrid;
class wxGridEvent;
class wxPanel;
class wxTextCtrl;
class wxWindow;

class FrameCupom : public wxFrame {
public:
    // `banco` is borrowed and must outlive the construction; the database is read only here.
    // The window is built and filled but not shown.
    FrameCupom(wxWindow* parent, BancoDados* banco, int idCupom);

    // The grid as a plain-text table: only the rows whose first-column cell is selected when
    // there are any, all rows otherwise. Empty for a null grid or a grid without columns.
    static wxString GridToText(wxGrid* grid, bool withHeaders, std::vector<int> right_cols,
                               std::vector<int> sum_cols);

private:
    void OnCopyUrl(wxCommandEvent& event);
    void OnSaveTxt(wxCommandEvent& event);
    void OnItemDuploClique(wxGridEvent& event);
    wxTextCtrl* AddLabeledField(wxWindow* parent, wxBoxSizer* row_sizer, const wxString& label,
                                int proportion);

    BancoDados* banco;
    int idCupom;
    wxPanel* panel = nullptr;
    wxGrid* grid = nullptr;
    wxTextCtrl* txtDataHora = nullptr;
    wxTextCtrl* txtValorTotal = nullptr;
    wxTextCtrl* txtNumero = nullptr;
    wxTextCtrl* txtSerie = nullptr;
    wxTextCtrl* txtChaveAcesso = nullptr;
    wxTextCtrl* txtUrl = nullptr;
    wxTextCtrl* txtEmitente = nullptr;
    wxTextCtrl* txtEndereco = nullptr;
    wxTextCtrl* txtCnpj = nullptr;
};
