#pragma once

// A grid table that keeps its cells as UTF-8 text can hand them out as they are, so copying or
// writing a million rows never builds a wxString per cell.

#include <string>
#include <string_view>

namespace controles {

class CelulasUtf8 {
public:
    // The cell's text as UTF-8: a view into the table's own storage, valid until the table
    // changes, or into `apoio` when the cell had to be converted.
    virtual std::string_view CelulaUtf8(int row, int col, std::string& apoio) const = 0;

    // The cell as a file keeps it: a table that shows numbers in a form for people ("R$ 1.234,56")
    // writes them here as they are stored ("1234.56"), for the file's chosen format to write.
    // By default, the cell as shown.
    virtual std::string_view CelulaArquivoUtf8(int row, int col, std::string& apoio) const {
        return CelulaUtf8(row, col, apoio);
    }

protected:
    ~CelulasUtf8() = default;
};

}  // namespace controles
