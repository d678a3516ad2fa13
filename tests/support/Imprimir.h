#pragma once

// How the toolkit's value types print in test failures: "(245, 245, 245)" instead of bytes.

#include <wx/colour.h>
#include <wx/gdicmn.h>

#include <ostream>

inline void PrintTo(const wxColour& cor, std::ostream* os) {
    *os << "(" << int(cor.Red()) << ", " << int(cor.Green()) << ", " << int(cor.Blue()) << ")";
}

inline void PrintTo(const wxSize& tamanho, std::ostream* os) {
    *os << tamanho.GetWidth() << "x" << tamanho.GetHeight();
}

inline void PrintTo(const wxPoint& ponto, std::ostream* os) {
    *os << "(" << ponto.x << ", " << ponto.y << ")";
}

inline void PrintTo(const wxRect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ") " << r.width << "x" << r.height;
}
