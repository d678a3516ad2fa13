#pragma once

// A table's content as text for other programs: tab-separated text for the clipboard and CSV
// files for spreadsheets. Plain functions over an abstract table, so they run without a window.

#include <wx/string.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace controles {

// What the writers read: columns with a label and two flags, and cells as UTF-8 text.
class OrigemTabela {
public:
    virtual ~OrigemTabela() = default;
    virtual int NumeroLinhas() const = 0;
    virtual int NumeroColunas() const = 0;
    // Hidden columns hold keys the windows keep for themselves; they are never written.
    virtual bool ColunaVisivel(int col) const = 0;
    // Numeric columns get the decimal comma in the Brazilian CSV format.
    virtual bool ColunaNumerica(int col) const = 0;
    virtual wxString Rotulo(int col) const = 0;
    // The cell's text as UTF-8: a view into the table, or into `apoio`.
    virtual std::string_view Celula(int row, int col, std::string& apoio) const = 0;
};

enum class FormatoCsv {
    Brasileiro,  // ";" between fields, decimal comma in numeric columns
    Padrao,      // "," between fields, decimal point
};

// The whole table as CSV (RFC 4180): a UTF-8 byte-order mark, the labels of the visible columns
// as the first record, then one record per row, each ended by CRLF. A field is quoted when it
// holds the separator, a quote, a line break, or starts or ends with a blank. Numeric cells are
// written as they are, with only the decimal point turned into a comma in the Brazilian format.
// A text cell that a spreadsheet would run as a formula (one beginning with =, +, -, @, a tab or
// a carriage return, and not a number) is written with a leading apostrophe.
// `descarregar` receives the text in consecutive pieces of about a megabyte.
void EscreverCsv(const OrigemTabela& tabela, FormatoCsv formato,
                 const std::function<void(std::string_view)>& descarregar);

// Writes the CSV to a new file in the folder of `caminho` and then renames it to `caminho`, so an
// existing file is replaced only by a complete one. Returns the reason when that fails (folder
// missing, no permission, disk full), after removing what was written; empty text on success.
wxString GravarCsv(const OrigemTabela& tabela, FormatoCsv formato, const wxString& caminho);

// A rectangle of cells, both bounds included.
struct BlocoCelulas {
    int topo, esquerda, base, direita;
};

// The cells of `blocos` as spreadsheets paste them: the rows and visible columns that hold a cell
// of some block, cells in the same row separated by a tab, rows by a line feed (none after the
// last), cells no block covers left empty. A cell holding a tab, a line break or a leading quote
// is quoted. With `com_cabecalhos`, the first line holds the columns' labels. Empty text when no
// block covers a visible cell.
wxString TextoTabulado(const OrigemTabela& tabela, const std::vector<BlocoCelulas>& blocos,
                       bool com_cabecalhos);

// "prefixo-complemento.csv", or "prefixo.csv" for an empty complement; characters that cannot
// stand in a file name ("/" of a month, for one) become "-".
wxString NomeArquivoCsv(const wxString& prefixo, const wxString& complemento = wxString());

}  // namespace controles
