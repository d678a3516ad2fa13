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

protected:
    ~CelulasUtf8() = default;
};

}  // namespace controles
