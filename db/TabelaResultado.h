#pragma once

// The grid table behind every query result shown in a wxGrid. A result may have a million rows,
// so cells are kept as UTF-8 text packed in large blocks (one record per row: the end offsets of
// its cells, then their bytes) and turned into a wxString only when the grid asks for a cell.
// Cells written through the grid (SetValue) are kept apart; attributes go to the base class's
// attribute provider.

#include <wx/dc.h>
#include <wx/font.h>
#include <wx/grid.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "widgets/CelulasUtf8.h"

// The width of texts in one font, estimated as the sum of the advances of their characters (the
// widest line when a text has several): exact but for kerning. Each character is measured once,
// on first use, in 1/32 of a pixel.
class LarguraEstimada {
public:
    LarguraEstimada(wxDC& dc, const wxFont& fonte);
    const wxFont& Fonte() const { return fonte_; }
    std::uint64_t Estimar(std::string_view utf8) const;

private:
    std::uint32_t Medir(wxUniChar c) const;

    wxDC& dc_;
    wxFont fonte_;
    mutable std::array<std::uint32_t, 128> ascii_;  // kNaoMedido until measured
    mutable std::unordered_map<std::uint32_t, std::uint32_t> outros_;
    static constexpr std::uint32_t kNaoMedido = UINT32_MAX;
};

class TabelaResultado : public wxGridTableBase, public controles::CelulasUtf8 {
public:
    explicit TabelaResultado(int colunas);

    // Appends one row; `celulas` holds exactly as many texts as the table has stored columns.
    void AdicionarLinha(std::span<const std::string_view> celulas);

    // For each grid column with an estimate in `por_coluna` (null: skipped), the rows whose text
    // there is widest by that estimate: at most kCandidatasLargura of them, in no particular
    // order, texts set through the grid included. One pass over all rows.
    std::vector<std::vector<int>> LinhasMaisLargas(
        std::span<const LarguraEstimada* const> por_coluna) const;

    static constexpr std::size_t kCandidatasLargura = 40;

    int GetNumberRows() override { return static_cast<int>(linhas_.size()); }
    int GetNumberCols() override { return static_cast<int>(mapa_colunas_.size()); }
    wxString GetValue(int row, int col) override;
    void SetValue(int row, int col, const wxString& value) override;
    bool IsEmptyCell(int row, int col) override;
    // The stored bytes, or the text written through the grid converted into `apoio`.
    std::string_view CelulaUtf8(int row, int col, std::string& apoio) const override;

    void Clear() override;
    bool InsertRows(size_t pos = 0, size_t numRows = 1) override;
    bool AppendRows(size_t numRows = 1) override;
    bool DeleteRows(size_t pos = 0, size_t numRows = 1) override;
    bool InsertCols(size_t pos = 0, size_t numCols = 1) override;
    bool AppendCols(size_t numCols = 1) override;
    bool DeleteCols(size_t pos = 0, size_t numCols = 1) override;

    wxString GetColLabelValue(int col) override;
    void SetColLabelValue(int col, const wxString& label) override;

    // Measuring a column with one attribute is only right while no cell or row of it has an
    // attribute of its own (a font, say).
    bool CanMeasureColUsingSameAttr(int col) const override;
    void SetAttr(wxGridCellAttr* attr, int row, int col) override;
    void SetRowAttr(wxGridCellAttr* attr, int row) override;

private:
    struct RefLinha {
        std::uint32_t bloco;   // kSemDados: a row added through the grid, all empty
        std::uint32_t inicio;  // offset of the row's record in its block
    };
    static constexpr std::uint32_t kSemDados = UINT32_MAX;
    static constexpr std::size_t kTamanhoBloco = std::size_t{4} << 20;

    std::string_view Celula(int row, int col) const;
    char* Reservar(std::size_t tamanho, RefLinha& ref);
    void Notificar(int pedido, int a, int b = 0);
    void DeslocarAlteradas(bool linhas, int pos, int delta);

    int colunas_dados_;              // cells stored in every row record
    std::vector<int> mapa_colunas_;  // grid column -> stored column, -1 for an added column
    std::vector<RefLinha> linhas_;
    std::vector<std::unique_ptr<char[]>> blocos_;
    std::size_t usado_ = 0;                              // bytes used in the last block
    std::size_t capacidade_ = 0;                         // size of the last block
    std::map<std::pair<int, int>, wxString> alteradas_;  // (row, col) -> text set through the grid
    std::vector<wxString> rotulos_;
    std::vector<bool> tem_rotulo_;
    std::vector<bool> coluna_com_atributo_;  // per grid column: a cell attribute was set
    bool linha_com_atributo_ = false;
};

// Gives every column of `grid` (backed by `tabela`) the width AutoSizeColumns(true) would give
// it. Up to kLimiteMedidaExata rows that is AutoSizeColumns itself; above it, the same measure
// runs over the label and the texts of each column that are widest by LarguraEstimada only,
// which costs a pass over the bytes instead of a text layout per cell.
void AjustarLarguras(wxGrid* grid, TabelaResultado* tabela);

inline constexpr int kLimiteMedidaExata = 10000;
