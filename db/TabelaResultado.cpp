#include "db/TabelaResultado.h"

#include <wx/dcclient.h>
#include <wx/headerctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

using ParLargo = std::pair<std::uint64_t, int>;  // (estimated width, row)

}  // namespace

LarguraEstimada::LarguraEstimada(wxDC& dc, const wxFont& fonte) : dc_(dc), fonte_(fonte) {
    ascii_.fill(kNaoMedido);
}

// 32 copies in a row give the advance to 1/32 of a pixel, which a single character's rounded
// extent would not: over a long text those roundings add up.
std::uint32_t LarguraEstimada::Medir(wxUniChar c) const {
    dc_.SetFont(fonte_);
    return static_cast<std::uint32_t>(dc_.GetTextExtent(wxString(c, 32)).x);
}

std::uint64_t LarguraEstimada::Estimar(std::string_view utf8) const {
    std::uint64_t maior = 0, linha = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    for (std::size_t i = 0, n = utf8.size(); i < n;) {
        const unsigned c = s[i];
        if (c < 0x80) {
            ++i;
            if (c == '\n') {
                maior = std::max(maior, linha);
                linha = 0;
                continue;
            }
            if (ascii_[c] == kNaoMedido) ascii_[c] = Medir(wxUniChar(c));
            linha += ascii_[c];
            continue;
        }
        // A lead byte and its continuation bytes; a broken sequence counts byte by byte.
        const std::size_t tamanho = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        std::uint32_t ponto = tamanho == 1 ? 0xFFFD : c & (0x7F >> tamanho);
        std::size_t k = 1;
        for (; k < tamanho && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k)
            ponto = (ponto << 6) | (s[i + k] & 0x3F);
        if (k < tamanho || ponto > 0x10FFFF) ponto = 0xFFFD;
        i += k;
        auto [it, novo] = outros_.try_emplace(ponto, 0);
        if (novo) it->second = Medir(wxUniChar(ponto));
        linha += it->second;
    }
    return std::max(maior, linha);
}

TabelaResultado::TabelaResultado(int colunas)
    : colunas_dados_(colunas),
      mapa_colunas_(static_cast<std::size_t>(colunas)),
      rotulos_(static_cast<std::size_t>(colunas)),
      tem_rotulo_(static_cast<std::size_t>(colunas), false),
      coluna_com_atributo_(static_cast<std::size_t>(colunas), false) {
    for (int c = 0; c < colunas; ++c) mapa_colunas_[static_cast<std::size_t>(c)] = c;
}

char* TabelaResultado::Reservar(std::size_t tamanho, RefLinha& ref) {
    usado_ = (usado_ + 3) & ~std::size_t{3};  // records start on a 4-byte boundary
    if (blocos_.empty() || usado_ + tamanho > capacidade_) {
        capacidade_ = std::max(tamanho, kTamanhoBloco);
        blocos_.push_back(std::make_unique_for_overwrite<char[]>(capacidade_));
        usado_ = 0;
    }
    ref.bloco = static_cast<std::uint32_t>(blocos_.size() - 1);
    ref.inicio = static_cast<std::uint32_t>(usado_);
    char* destino = blocos_.back().get() + usado_;
    usado_ += tamanho;
    return destino;
}

void TabelaResultado::AdicionarLinha(std::span<const std::string_view> celulas) {
    const std::size_t n = static_cast<std::size_t>(colunas_dados_);
    std::size_t texto = 0;
    for (std::size_t c = 0; c < n; ++c) texto += celulas[c].size();

    RefLinha ref{};
    char* destino = Reservar(n * sizeof(std::uint32_t) + texto, ref);
    char* bytes = destino + n * sizeof(std::uint32_t);
    std::uint32_t fim = 0;
    for (std::size_t c = 0; c < n; ++c) {
        const std::string_view celula = celulas[c];
        if (!celula.empty()) std::memcpy(bytes + fim, celula.data(), celula.size());
        fim += static_cast<std::uint32_t>(celula.size());
        std::memcpy(destino + c * sizeof(std::uint32_t), &fim, sizeof fim);
    }
    linhas_.push_back(ref);
}

std::vector<std::vector<int>> TabelaResultado::LinhasMaisLargas(
    std::span<const LarguraEstimada* const> por_coluna) const {
    const std::size_t colunas = std::min(por_coluna.size(), mapa_colunas_.size());
    std::vector<std::vector<ParLargo>> heaps(colunas);  // min-heaps of the widest so far
    const auto considerar = [&](std::size_t col, std::string_view texto, int row) {
        auto& heap = heaps[col];
        const ParLargo par{por_coluna[col]->Estimar(texto), row};
        if (heap.size() == kCandidatasLargura) {
            if (par.first <= heap.front().first) return;
            std::pop_heap(heap.begin(), heap.end(), std::greater<ParLargo>());
            heap.pop_back();
        }
        heap.push_back(par);
        std::push_heap(heap.begin(), heap.end(), std::greater<ParLargo>());
    };

    // Row by row, all columns at once: each row's record is read from memory once.
    std::vector<std::pair<std::size_t, int>> medidas;  // (grid column, stored column)
    for (std::size_t col = 0; col < colunas; ++col) {
        if (por_coluna[col] && mapa_colunas_[col] >= 0)
            medidas.emplace_back(col, mapa_colunas_[col]);
    }
    for (int row = 0; row < static_cast<int>(linhas_.size()); ++row) {
        const RefLinha ref = linhas_[static_cast<std::size_t>(row)];
        if (ref.bloco == kSemDados) continue;
        const char* registro = blocos_[ref.bloco].get() + ref.inicio;
        const char* bytes =
            registro + static_cast<std::size_t>(colunas_dados_) * sizeof(std::uint32_t);
        for (const auto& [col, origem] : medidas) {
            std::uint32_t inicio = 0, fim = 0;
            if (origem > 0)
                std::memcpy(&inicio, registro + (origem - 1) * sizeof(std::uint32_t),
                            sizeof inicio);
            std::memcpy(&fim, registro + origem * sizeof(std::uint32_t), sizeof fim);
            considerar(col, {bytes + inicio, fim - inicio}, row);
        }
    }
    for (const auto& [celula, texto] : alteradas_) {
        const auto col = static_cast<std::size_t>(celula.second);
        if (col < colunas && por_coluna[col])
            considerar(col, texto.utf8_str().data(), celula.first);
    }

    std::vector<std::vector<int>> linhas(colunas);
    for (std::size_t col = 0; col < colunas; ++col)
        for (const auto& [largura, row] : heaps[col]) linhas[col].push_back(row);
    return linhas;
}

std::string_view TabelaResultado::Celula(int row, int col) const {
    if (row < 0 || col < 0 || row >= static_cast<int>(linhas_.size()) ||
        col >= static_cast<int>(mapa_colunas_.size()))
        return {};
    const int origem = mapa_colunas_[static_cast<std::size_t>(col)];
    const RefLinha ref = linhas_[static_cast<std::size_t>(row)];
    if (origem < 0 || ref.bloco == kSemDados) return {};
    const char* registro = blocos_[ref.bloco].get() + ref.inicio;
    std::uint32_t inicio = 0, fim = 0;
    if (origem > 0)
        std::memcpy(&inicio, registro + (origem - 1) * sizeof(std::uint32_t), sizeof inicio);
    std::memcpy(&fim, registro + origem * sizeof(std::uint32_t), sizeof fim);
    const char* bytes = registro + static_cast<std::size_t>(colunas_dados_) * sizeof(std::uint32_t);
    return {bytes + inicio, fim - inicio};
}

wxString TabelaResultado::GetValue(int row, int col) {
    if (!alteradas_.empty()) {
        const auto it = alteradas_.find({row, col});
        if (it != alteradas_.end()) return it->second;
    }
    const std::string_view texto = Celula(row, col);
    return texto.empty() ? wxString() : wxString::FromUTF8(texto.data(), texto.size());
}

std::string_view TabelaResultado::CelulaUtf8(int row, int col, std::string& apoio) const {
    if (!alteradas_.empty()) {
        const auto it = alteradas_.find({row, col});
        if (it != alteradas_.end()) {
            apoio = it->second.utf8_string();
            return apoio;
        }
    }
    return Celula(row, col);
}

void TabelaResultado::SetValue(int row, int col, const wxString& value) {
    if (row < 0 || col < 0 || row >= GetNumberRows() || col >= GetNumberCols()) return;
    alteradas_[{row, col}] = value;
}

bool TabelaResultado::IsEmptyCell(int row, int col) {
    if (!alteradas_.empty()) {
        const auto it = alteradas_.find({row, col});
        if (it != alteradas_.end()) return it->second.empty();
    }
    return Celula(row, col).empty();
}

void TabelaResultado::Clear() {
    for (auto& ref : linhas_) ref.bloco = kSemDados;
    blocos_.clear();
    usado_ = capacidade_ = 0;
    alteradas_.clear();
}

void TabelaResultado::Notificar(int pedido, int a, int b) {
    if (wxGrid* grid = GetView()) {
        wxGridTableMessage msg(this, pedido, a, b);
        grid->ProcessTableMessage(msg);
    }
}

// Moves the cells written through the grid when rows or columns before them come or go; those
// inside a deleted range are dropped. (The grid moves the attributes itself when notified.)
void TabelaResultado::DeslocarAlteradas(bool linhas, int pos, int delta) {
    if (alteradas_.empty()) return;
    std::map<std::pair<int, int>, wxString> novas;
    for (auto& [chave, texto] : alteradas_) {
        auto [row, col] = chave;
        int& i = linhas ? row : col;
        if (i >= pos) {
            if (delta < 0 && i < pos - delta) continue;
            i += delta;
        }
        novas.emplace(std::make_pair(row, col), std::move(texto));
    }
    alteradas_ = std::move(novas);
}

bool TabelaResultado::InsertRows(size_t pos, size_t numRows) {
    if (pos > linhas_.size()) return false;
    linhas_.insert(linhas_.begin() + static_cast<std::ptrdiff_t>(pos), numRows,
                   RefLinha{kSemDados, 0});
    DeslocarAlteradas(true, static_cast<int>(pos), static_cast<int>(numRows));
    Notificar(wxGRIDTABLE_NOTIFY_ROWS_INSERTED, static_cast<int>(pos), static_cast<int>(numRows));
    return true;
}

bool TabelaResultado::AppendRows(size_t numRows) {
    linhas_.insert(linhas_.end(), numRows, RefLinha{kSemDados, 0});
    Notificar(wxGRIDTABLE_NOTIFY_ROWS_APPENDED, static_cast<int>(numRows));
    return true;
}

bool TabelaResultado::DeleteRows(size_t pos, size_t numRows) {
    if (pos >= linhas_.size()) return false;
    numRows = std::min(numRows, linhas_.size() - pos);
    linhas_.erase(linhas_.begin() + static_cast<std::ptrdiff_t>(pos),
                  linhas_.begin() + static_cast<std::ptrdiff_t>(pos + numRows));
    DeslocarAlteradas(true, static_cast<int>(pos), -static_cast<int>(numRows));
    Notificar(wxGRIDTABLE_NOTIFY_ROWS_DELETED, static_cast<int>(pos), static_cast<int>(numRows));
    return true;
}

bool TabelaResultado::InsertCols(size_t pos, size_t numCols) {
    if (pos > mapa_colunas_.size()) return false;
    const auto p = static_cast<std::ptrdiff_t>(pos);
    mapa_colunas_.insert(mapa_colunas_.begin() + p, numCols, -1);
    rotulos_.insert(rotulos_.begin() + p, numCols, wxString());
    tem_rotulo_.insert(tem_rotulo_.begin() + p, numCols, false);
    coluna_com_atributo_.insert(coluna_com_atributo_.begin() + p, numCols, false);
    DeslocarAlteradas(false, static_cast<int>(pos), static_cast<int>(numCols));
    Notificar(wxGRIDTABLE_NOTIFY_COLS_INSERTED, static_cast<int>(pos), static_cast<int>(numCols));
    return true;
}

bool TabelaResultado::AppendCols(size_t numCols) {
    mapa_colunas_.insert(mapa_colunas_.end(), numCols, -1);
    rotulos_.insert(rotulos_.end(), numCols, wxString());
    tem_rotulo_.insert(tem_rotulo_.end(), numCols, false);
    coluna_com_atributo_.insert(coluna_com_atributo_.end(), numCols, false);
    Notificar(wxGRIDTABLE_NOTIFY_COLS_APPENDED, static_cast<int>(numCols));
    return true;
}

bool TabelaResultado::DeleteCols(size_t pos, size_t numCols) {
    if (pos >= mapa_colunas_.size()) return false;
    numCols = std::min(numCols, mapa_colunas_.size() - pos);
    const auto a = static_cast<std::ptrdiff_t>(pos);
    const auto b = static_cast<std::ptrdiff_t>(pos + numCols);
    mapa_colunas_.erase(mapa_colunas_.begin() + a, mapa_colunas_.begin() + b);
    rotulos_.erase(rotulos_.begin() + a, rotulos_.begin() + b);
    tem_rotulo_.erase(tem_rotulo_.begin() + a, tem_rotulo_.begin() + b);
    coluna_com_atributo_.erase(coluna_com_atributo_.begin() + a, coluna_com_atributo_.begin() + b);
    DeslocarAlteradas(false, static_cast<int>(pos), -static_cast<int>(numCols));
    Notificar(wxGRIDTABLE_NOTIFY_COLS_DELETED, static_cast<int>(pos), static_cast<int>(numCols));
    return true;
}

wxString TabelaResultado::GetColLabelValue(int col) {
    if (col >= 0 && col < static_cast<int>(rotulos_.size()) &&
        tem_rotulo_[static_cast<std::size_t>(col)])
        return rotulos_[static_cast<std::size_t>(col)];
    return wxGridTableBase::GetColLabelValue(col);
}

void TabelaResultado::SetColLabelValue(int col, const wxString& label) {
    if (col < 0 || col >= static_cast<int>(rotulos_.size())) return;
    rotulos_[static_cast<std::size_t>(col)] = label;
    tem_rotulo_[static_cast<std::size_t>(col)] = true;
}

bool TabelaResultado::CanMeasureColUsingSameAttr(int col) const {
    return !linha_com_atributo_ && col >= 0 &&
           col < static_cast<int>(coluna_com_atributo_.size()) &&
           !coluna_com_atributo_[static_cast<std::size_t>(col)];
}

void TabelaResultado::SetAttr(wxGridCellAttr* attr, int row, int col) {
    if (col >= 0 && col < static_cast<int>(coluna_com_atributo_.size()))
        coluna_com_atributo_[static_cast<std::size_t>(col)] = true;
    wxGridTableBase::SetAttr(attr, row, col);
}

void TabelaResultado::SetRowAttr(wxGridCellAttr* attr, int row) {
    linha_com_atributo_ = true;
    wxGridTableBase::SetRowAttr(attr, row);
}

// The measure of wxGrid::AutoSizeColOrRow for one column (width of each cell by its renderer,
// with the cell's font, on a client DC of the grid window; the label's extent in the label font;
// a margin of 10 DIPs on each), restricted to the given rows.
namespace {

int LarguraColuna(wxGrid* grid, wxDC& dc, int col, const std::vector<int>& linhas) {
    int maior = 0;
    for (int row : linhas) {
        wxGridCellRendererPtr renderer(grid->GetCellRenderer(row, col));
        if (!renderer) continue;
        // The grid's own merged attribute is not reachable from outside; a copy of the values a
        // renderer reads when measuring stands in for it.
        wxGridCellAttrPtr attr(new wxGridCellAttr);
        attr->SetFont(grid->GetCellFont(row, col));
        attr->SetTextColour(grid->GetCellTextColour(row, col));
        attr->SetBackgroundColour(grid->GetCellBackgroundColour(row, col));
        int h = 0, v = 0;
        grid->GetCellAlignment(row, col, &h, &v);
        attr->SetAlignment(h, v);
        maior = std::max(
            maior, renderer->GetBestWidth(*grid, *attr, dc, row, col, grid->GetRowHeight(row)));
    }

    const int margem = grid->FromDIP(10);
    int rotulo;
    if (grid->IsUsingNativeHeader()) {
        rotulo = grid->GetGridColHeader()->GetColumnTitleWidth(static_cast<unsigned>(col));
    } else {
        dc.SetFont(grid->GetLabelFont());
        const wxSize tamanho = dc.GetMultiLineTextExtent(grid->GetColLabelValue(col));
        rotulo =
            (grid->GetColLabelTextOrientation() == wxVERTICAL ? tamanho.y : tamanho.x) + margem;
    }

    if (maior == 0) return rotulo ? rotulo : grid->GetDefaultColSize();
    return std::max(maior + margem, rotulo);
}

}  // namespace

void AjustarLarguras(wxGrid* grid, TabelaResultado* tabela) {
    if (grid->GetNumberRows() <= kLimiteMedidaExata) {
        grid->AutoSizeColumns(true);
        return;
    }
    // The estimate of a column uses its font; columns that share a font share the measures.
    wxClientDC dc(grid->GetGridWindow());
    std::vector<std::unique_ptr<LarguraEstimada>> fontes;
    std::vector<const LarguraEstimada*> por_coluna(static_cast<std::size_t>(grid->GetNumberCols()));
    for (int col = 0; col < grid->GetNumberCols(); ++col) {
        if (grid->GetColSize(col) == 0) continue;  // hidden columns are not auto-sized
        const wxFont fonte = grid->GetCellFont(0, col);
        auto it = std::find_if(fontes.begin(), fontes.end(),
                               [&](const auto& f) { return f->Fonte() == fonte; });
        if (it == fontes.end())
            it = fontes.insert(fontes.end(), std::make_unique<LarguraEstimada>(dc, fonte));
        por_coluna[static_cast<std::size_t>(col)] = it->get();
    }
    const auto candidatas = tabela->LinhasMaisLargas(por_coluna);
    for (int col = 0; col < grid->GetNumberCols(); ++col) {
        if (!por_coluna[static_cast<std::size_t>(col)]) continue;
        const int largura = LarguraColuna(grid, dc, col, candidatas[static_cast<std::size_t>(col)]);
        grid->SetColSize(col, largura);
        grid->SetColMinimalWidth(col, largura);
    }
}
