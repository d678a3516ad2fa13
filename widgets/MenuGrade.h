#pragma once

// Copy and CSV export for every grid: a context menu on the cells and the labels ("Copiar",
// "Copiar com cabeçalhos", "Exportar CSV…") and Ctrl+C. What a grid already does (editing,
// selection, clicks, key handling) stays as it is.

#include <wx/defs.h>
#include <wx/string.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/ExportacaoTabela.h"

class wxGrid;
class wxGridTableBase;

namespace controles {

class CelulasUtf8;

inline const wchar_t* const kMenuCopiar = L"Copiar";
inline const wchar_t* const kMenuCopiarComCabecalhos = L"Copiar com cabeçalhos";
inline const wchar_t* const kMenuExportarCsv = L"Exportar CSV…";
inline const wchar_t* const kTituloExportarCsv = L"Exportar CSV";
// The first filter is the default; its index picks the format.
inline const wchar_t* const kFiltrosCsv = L"Planilha brasileira (;)|*.csv|CSV padrão (,)|*.csv";

// Commands of the context menu, handled by the grid itself (so they never reach a frame's menu
// handlers, whose ids are small numbers).
enum IdMenuGrade : int {
    kIdCopiar = wxID_HIGHEST + 301,
    kIdCopiarComCabecalhos,
    kIdExportarCsv,
};

// A grid as the writers read it: its shown columns, the right-aligned ones as numeric (the grids
// right-align the columns whose values are numbers), and the cells straight from the table when
// it keeps them as UTF-8.
class OrigemGrade : public OrigemTabela {
public:
    // `para_arquivo`: the cells as a file keeps them (CelulasUtf8::CelulaArquivoUtf8), not as the
    // grid shows them.
    explicit OrigemGrade(wxGrid* grid, bool para_arquivo = false);
    int NumeroLinhas() const override { return linhas_; }
    int NumeroColunas() const override { return static_cast<int>(visiveis_.size()); }
    bool ColunaVisivel(int col) const override { return visiveis_[static_cast<size_t>(col)]; }
    bool ColunaNumerica(int col) const override { return numericas_[static_cast<size_t>(col)]; }
    wxString Rotulo(int col) const override;
    std::string_view Celula(int row, int col, std::string& apoio) const override;

private:
    wxGrid* grid_;
    wxGridTableBase* tabela_;
    const CelulasUtf8* celulas_;
    bool para_arquivo_;
    int linhas_;
    std::vector<bool> visiveis_;
    std::vector<bool> numericas_;
};

// The selected blocks (whole rows and columns included), or the current cell when nothing is
// selected.
std::vector<BlocoCelulas> SelecaoOuCursor(wxGrid* grid);

// Puts the text of `blocos` on the clipboard. False when there is nothing to copy or the
// clipboard cannot be opened.
bool CopiarCelulas(wxGrid* grid, const std::vector<BlocoCelulas>& blocos, bool com_cabecalhos);

// Asks for a file, suggesting `nome_sugerido` and the Brazilian format, and writes the whole
// grid to it. A name typed without extension gets ".csv". A failure shows the "Erro" box.
void ExportarCsvComDialogo(wxGrid* grid, const wxString& nome_sugerido);

// Gives `grid` the context menu and Ctrl+C (also Ctrl+Insert). `nome_sugerido` is asked at each
// export, so the name can follow what the window shows.
void AdicionarCopiaEExportacao(wxGrid* grid, std::function<wxString()> nome_sugerido);

}  // namespace controles
