#pragma once

// The product share pie without a window: the percentage column, the regrouping of product rows
// into a bounded number of slices, and the pie's sectors and label positions. The panel only draws
// what these functions compute.

#include <wx/string.h>

#include <vector>

// One slice of the pie, in drawing order.
struct PieSlice {
    wxString label;  // first two characters of the product; "Outros" on the grouped slice
    double value = 0.0;
    bool highlighted = false;  // drawn pulled out from the centre
    bool others = false;       // the grouped remainder: filled with the grouped colour
};

namespace graficos {

// The percentage column: each value's share of the sum of all values (negative ones too), with
// one decimal and "." ("12.5"). When the sum is 0, or a share is not finite, the row reads
// "0.0".
std::vector<wxString> CalcularPercentuais(const std::vector<double>& valores);

// One product row of the grid.
struct LinhaProduto {
    double valor = 0.0;
    wxString descricao;
};

struct Reagrupamento {
    std::vector<PieSlice> fatias;
    // Per grid row: true when the row belongs to the grouped slice, so its legend cell takes
    // the grouped colour; otherwise it takes the palette colour of its own position.
    std::vector<bool> agrupada;
};

inline constexpr const char* kRotuloOutros = "Outros";

// Regroups the rows, in order, into at most `max_fatias` slices: the first max_fatias - 1 rows
// get a slice each and the last slice gathers every later row as "Outros". The slice holding
// `linha_destacada` is highlighted (a negative row highlights nothing).
Reagrupamento ReagruparFatias(const std::vector<LinhaProduto>& linhas, int max_fatias,
                              int linha_destacada);

// One filled sector. Angles in degrees, 0 at three o'clock, growing counter-clockwise.
struct SetorPizza {
    int posicao = 0;  // position of the slice in the list (picks the palette colour)
    bool outros = false;
    double inicio = 0.0;
    double fim = 0.0;
    double fracao = 0.0;  // share of the positive total
    int ox = 0;           // centre of this sector (moved outward when highlighted)
    int oy = 0;
    bool tem_rotulo = false;
    wxString rotulo;  // "12.5%"
    int lx = 0;       // centre of the label, placed on the unshifted pie
    int ly = 0;
};

struct GeometriaPizza {
    int cx = 0;
    int cy = 0;
    int raio = 0;  // 0 when nothing but the background is drawn
    std::vector<SetorPizza> setores;
};

inline constexpr int kMargemPizza = 20;
inline constexpr int kDeslocamentoDestaque = 20;
inline constexpr double kFracaoMinimaRotulo = 0.04;
inline constexpr double kDistanciaRotulo = 0.62;

// The sectors of `fatias` in a client area of `largura` x `altura` pixels. Slices of 0 or less,
// and values that are not finite, get no sector but keep their position for the palette.
GeometriaPizza CalcularGeometriaPizza(const std::vector<PieSlice>& fatias, int largura, int altura);

}  // namespace graficos
