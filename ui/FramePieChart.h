#pragma once

// The share of each product in a month's spending: the slice-count control and the product grid
// (total, percentage, description) on the left, the pie of the largest products on the right.
// The database is queried once, while the window is built; regrouping only reads the grid.

#include <wx/frame.h>

class BancoDados;
class PanelPieChart;
class wxGrid;
class wxSpinCtrl;

class FramePieChart : public wxFrame {
public:
    // `banco` is used only while the window is built. `id_list` holds the comma-separated ids of
    // the month's receipts and goes into the query as it stands. The window is not shown.
    FramePieChart(wxWindow* parent, const wxString& titulo, BancoDados* banco,
                  const wxString& id_list);

    // Regroups the grid rows into slices, recolours the percentage column (the pie's legend)
    // and repaints. A negative `highlightRow` stands for the grid's cursor row.
    void UpdateChart(int highlightRow);

    wxGrid* GetGrid() const { return grid; }
    PanelPieChart* GetPieChart() const { return pie_chart; }
    wxSpinCtrl* GetSpinFatias() const { return spin_fatias; }

private:
    void PreencherPercentuais();

    wxGrid* grid = nullptr;
    PanelPieChart* pie_chart = nullptr;
    wxSpinCtrl* spin_fatias = nullptr;
};
