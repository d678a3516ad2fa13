#pragma once

// The rows of a report for a grid. Each cell is held as people read it ("R$ 1.234,56",
// "12,3 %", "31/12/2025"), as a file keeps it ("1234.56", "12.30", "2025-12-31") and, in number
// columns, as the number a click on the column's label sorts by. A copy takes the cells as
// shown; a CSV export takes them as a file keeps them.

#include <wx/grid.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/CelulasUtf8.h"

struct CelulaRelatorio {
    std::string texto;    // as shown, UTF-8
    std::string arquivo;  // as a file keeps it, UTF-8
    double valor = NAN;   // what a number column sorts by; NaN (no value) sorts last
};

namespace celula {

CelulaRelatorio Texto(std::string_view texto);
// "R$ 1.234,56" / "1234.56".
CelulaRelatorio Dinheiro(std::optional<double> valor);
// "1.234,56" / "1234.56", with `casas` decimals.
CelulaRelatorio Decimal(std::optional<double> valor, int casas = 2);
CelulaRelatorio Inteiro(long long valor);
// A share in percent: "12,3 %" / "12.34".
CelulaRelatorio Percentual(std::optional<double> valor);
// A change in percent, signed: "+4,2 %" / "4.20".
CelulaRelatorio Variacao(std::optional<double> valor);
// "31/12/2025" / "2025-12-31" of a YYYYMMDDhhmmss moment.
CelulaRelatorio Data(long long data_hora);
// "14:05" / "14:05:09".
CelulaRelatorio Hora(long long data_hora);
// "01/2025" / "2025-01" of a month number (relatorios/Periodo.h).
CelulaRelatorio Mes(int mes);

}  // namespace celula

class TabelaRelatorio : public wxGridTableBase, public controles::CelulasUtf8 {
public:
    struct Coluna {
        wxString rotulo;
        bool numerica = false;  // right-aligned, and sorted by value
    };

    explicit TabelaRelatorio(std::vector<Coluna> colunas);

    // A row, one cell per column, and what it stands for (a position in the report it came
    // from), which sorting keeps with it.
    void AdicionarLinha(std::vector<CelulaRelatorio> celulas, int chave);
    void Reservar(std::size_t linhas) { linhas_.reserve(linhas); }
    int ChaveDaLinha(int row) const;
    bool ColunaNumerica(int col) const;

    // Numbers by value, texts by their text; rows with no value last either way. A stable sort:
    // rows equal in the column keep their order.
    void Ordenar(int col, bool crescente);

    int GetNumberRows() override { return static_cast<int>(linhas_.size()); }
    int GetNumberCols() override { return static_cast<int>(colunas_.size()); }
    wxString GetValue(int row, int col) override;
    void SetValue(int, int, const wxString&) override {}
    wxString GetColLabelValue(int col) override;
    bool IsEmptyCell(int row, int col) override;

    std::string_view CelulaUtf8(int row, int col, std::string& apoio) const override;
    std::string_view CelulaArquivoUtf8(int row, int col, std::string& apoio) const override;

private:
    struct Linha {
        std::vector<CelulaRelatorio> celulas;
        int chave = -1;
    };
    const CelulaRelatorio* Celula(int row, int col) const;

    std::vector<Coluna> colunas_;
    std::vector<Linha> linhas_;
};

// A read-only grid for reports, in `parent`: the shared copy and export menu, and a click on a
// column's label sorts by that column (again: the other way round).
wxGrid* CriarGradeRelatorio(wxWindow* parent, std::function<wxString()> nome_csv);

// Shows `tabela` in `grid` (which takes it): number columns right-aligned, every column as wide
// as its label or its longest text, the sort indicator cleared.
void MostrarTabelaRelatorio(wxGrid* grid, TabelaRelatorio* tabela);
