#pragma once

// The main window: totals per month and the receipts of the selected month side by side, the
// monthly bar chart below them, and the menus that open every other window. It owns the user's
// database for its whole life.

#include <wx/frame.h>

#include <string>
#include <vector>

class BancoDados;
class PanelBarChart;
class wxGrid;
class wxGridEvent;
class wxSplitterWindow;

class FrameDashboard : public wxFrame {
public:
    enum {
        ID_LOGOFF = 1,
        ID_TERMINAL_SQL = 2,
        ID_SINCRONIZAR = 3,
        ID_HISTORICO_PRECOS = 4,
        ID_RELATORIOS = 5,
        ID_IMPORTAR_XML = 6,
        ID_IMPORTAR_PASTA = 7,
        ID_CATEGORIAS = 8
    };

    // Builds and fills the window without showing it. Throws std::runtime_error with SQLite's
    // message when the user's database cannot be set up (a file that is not a database, a
    // folder where it cannot be created); nothing of the window exists then.
    FrameDashboard();
    ~FrameDashboard() override;

    // Refills the month grid, then the receipts and the chart for the newest month.
    void CarregarMeses();
    // Fills the receipt grid with the month of the event's row (the first month for row -1)
    // and redraws the chart with that month highlighted.
    void CarregarCupons(wxGridEvent& event);

    void OnMesDuploClique(wxGridEvent& event);
    void OnCupomDuploClique(wxGridEvent& event);
    void OnLogoff(wxCommandEvent& event);
    void OnSobre(wxCommandEvent& event);
    void OnSair(wxCommandEvent& event);
    void OnTerminalSQL(wxCommandEvent& event);
    void OnSincronizar(wxCommandEvent& event);
    void OnHistoricoPrecos(wxCommandEvent& event);
    void OnRelatorios(wxCommandEvent& event);
    void OnCategorias(wxCommandEvent& event);
    // A window without the database asks for the price history of an item description.
    void OnPedidoHistoricoPrecos(wxCommandEvent& event);
    void OnImportarXml(wxCommandEvent& event);
    void OnImportarPasta(wxCommandEvent& event);
    // Imports fiscal XML files, folders and zips (as the two menu items and a drop on the
    // window do), then reloads the window when a receipt was stored.
    void ImportarXml(const std::vector<std::string>& caminhos);

    wxGrid* GetGridMeses() const { return gridMeses; }
    wxGrid* GetGridCupons() const { return gridCupons; }
    PanelBarChart* GetBarChart() const { return barChart; }
    BancoDados* GetBanco() const { return banco; }

private:
    wxSplitterWindow* mainSplitter = nullptr;
    wxSplitterWindow* gridSplitter = nullptr;
    wxGrid* gridMeses = nullptr;
    wxGrid* gridCupons = nullptr;
    PanelBarChart* barChart = nullptr;
    BancoDados* banco = nullptr;
    bool selecaoLigada = false;  // the month grid's selection drives CarregarCupons
    wxString mesCupons;          // month (MM/YYYY) whose receipts the receipt grid shows
};
