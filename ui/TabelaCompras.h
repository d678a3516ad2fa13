#pragma once

// The purchases of one product as a grid table: "Data", "Estabelecimento", "Qtde", "Unid",
// "V.Unit", "Desconto", "V.Líquido", newest first. The table owns the purchases; cells are
// written when the grid asks for them, and each row keeps its receipt for the double-click.

#include <wx/grid.h>

#include "precos/HistoricoProduto.h"

class TabelaCompras : public wxGridTableBase {
public:
    enum Coluna {
        COL_DATA,
        COL_ESTABELECIMENTO,
        COL_QTDE,
        COL_UNID,
        COL_VALOR_UNIT,
        COL_DESCONTO,
        COL_VALOR_LIQUIDO,
        NUM_COLUNAS
    };

    explicit TabelaCompras(precos::HistoricoProduto historico);

    const precos::HistoricoProduto& Historico() const { return historico_; }

    // The receipt id of a row, or 0.
    int CupomDaLinha(int row) const;
    // Whether a column holds numbers (shown right-aligned).
    static bool ColunaNumerica(int col);

    int GetNumberRows() override;
    int GetNumberCols() override { return NUM_COLUNAS; }
    wxString GetValue(int row, int col) override;
    void SetValue(int, int, const wxString&) override {}
    bool IsEmptyCell(int row, int col) override { return GetValue(row, col).empty(); }
    wxString GetColLabelValue(int col) override;

private:
    precos::HistoricoProduto historico_;
};
