#include "ui/TabelaRelatorio.h"

#include <wx/dcclient.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

#include "base/DataHora.h"
#include "base/FormatoBr.h"
#include "widgets/Grade.h"
#include "widgets/MenuGrade.h"

namespace {

const wxSize kMinimoGrade(200, 100);
constexpr int kFolgaColuna = 16;  // beside the widest text of a column

std::string Utf8(const wxString& texto) {
    return texto.utf8_string();
}

// The file's text as numero::Formatar writes it, without a wxString in between: a grid of
// thousands of rows builds one per number cell.
std::string TextoArquivo(double valor, int casas) {
    char texto[400];  // the widest double in fixed notation, with sign and decimals
    const auto [fim, erro] =
        std::to_chars(texto, texto + sizeof texto, valor, std::chars_format::fixed, casas);
    return erro == std::errc() ? std::string(texto, fim) : std::string();
}

// `mostrar` writes the shown text (a formato::…Utf8 function).
template <typename Mostrar>
CelulaRelatorio Numero(std::optional<double> valor, Mostrar mostrar, int casas) {
    if (!valor || !std::isfinite(*valor)) return {};
    return {mostrar(*valor), TextoArquivo(*valor, casas), *valor};
}

}  // namespace

namespace celula {

CelulaRelatorio Texto(std::string_view texto) {
    return {std::string(texto), std::string(texto), NAN};
}

CelulaRelatorio Dinheiro(std::optional<double> valor) {
    return Numero(
        valor, [](double v) { return formato::DinheiroUtf8(v); }, 2);
}

CelulaRelatorio Decimal(std::optional<double> valor, int casas) {
    return Numero(
        valor, [casas](double v) { return formato::DecimalUtf8(v, casas); }, casas);
}

CelulaRelatorio Inteiro(long long valor) {
    const std::string texto = std::to_string(valor);
    return {formato::DecimalUtf8(static_cast<double>(valor), 0), texto, static_cast<double>(valor)};
}

CelulaRelatorio Percentual(std::optional<double> valor) {
    return Numero(
        valor, [](double v) { return formato::PercentualUtf8(v); }, 2);
}

CelulaRelatorio Variacao(std::optional<double> valor) {
    return Numero(
        valor, [](double v) { return formato::VariacaoUtf8(v); }, 2);
}

CelulaRelatorio Data(long long data_hora) {
    if (data_hora <= 0) return {};
    const datahora::Partes p = datahora::Separar(data_hora);
    char mostrado[16], arquivo[16];  // "31/12/2025", as formato::Data writes it
    std::snprintf(mostrado, sizeof mostrado, "%02d/%02d/%04d", p.dia, p.mes, p.ano);
    std::snprintf(arquivo, sizeof arquivo, "%04d-%02d-%02d", p.ano, p.mes, p.dia);
    return {mostrado, arquivo, static_cast<double>(data_hora)};
}

CelulaRelatorio Hora(long long data_hora) {
    if (data_hora <= 0) return {};
    const datahora::Partes p = datahora::Separar(data_hora);
    char mostrado[8], arquivo[12];
    std::snprintf(mostrado, sizeof mostrado, "%02d:%02d", p.hora, p.minuto);
    std::snprintf(arquivo, sizeof arquivo, "%02d:%02d:%02d", p.hora, p.minuto, p.segundo);
    return {mostrado, arquivo, static_cast<double>(data_hora % 1000000)};
}

CelulaRelatorio Mes(int mes) {
    const int ano = mes / 12, do_ano = mes % 12 + 1;
    char arquivo[16];
    std::snprintf(arquivo, sizeof arquivo, "%04d-%02d", ano, do_ano);
    return {Utf8(formato::MesAno(ano, do_ano)), arquivo, static_cast<double>(mes)};
}

}  // namespace celula

TabelaRelatorio::TabelaRelatorio(std::vector<Coluna> colunas) : colunas_(std::move(colunas)) {}

void TabelaRelatorio::AdicionarLinha(std::vector<CelulaRelatorio> celulas, int chave) {
    celulas.resize(colunas_.size());
    linhas_.push_back({std::move(celulas), chave});
}

int TabelaRelatorio::ChaveDaLinha(int row) const {
    if (row < 0 || row >= static_cast<int>(linhas_.size())) return -1;
    return linhas_[static_cast<std::size_t>(row)].chave;
}

bool TabelaRelatorio::ColunaNumerica(int col) const {
    return col >= 0 && col < static_cast<int>(colunas_.size()) &&
           colunas_[static_cast<std::size_t>(col)].numerica;
}

void TabelaRelatorio::Ordenar(int col, bool crescente) {
    if (col < 0 || col >= static_cast<int>(colunas_.size())) return;
    const auto c = static_cast<std::size_t>(col);
    const bool numerica = colunas_[c].numerica;
    std::stable_sort(linhas_.begin(), linhas_.end(), [&](const Linha& a, const Linha& b) {
        const CelulaRelatorio& x = a.celulas[c];
        const CelulaRelatorio& y = b.celulas[c];
        if (numerica) {
            const bool sem_x = std::isnan(x.valor), sem_y = std::isnan(y.valor);
            if (sem_x || sem_y) return !sem_x && sem_y;
            return crescente ? x.valor < y.valor : x.valor > y.valor;
        }
        if (x.texto.empty() || y.texto.empty()) return !x.texto.empty() && y.texto.empty();
        return crescente ? x.texto < y.texto : x.texto > y.texto;
    });
}

const CelulaRelatorio* TabelaRelatorio::Celula(int row, int col) const {
    if (row < 0 || row >= static_cast<int>(linhas_.size()) || col < 0 ||
        col >= static_cast<int>(colunas_.size()))
        return nullptr;
    return &linhas_[static_cast<std::size_t>(row)].celulas[static_cast<std::size_t>(col)];
}

wxString TabelaRelatorio::GetValue(int row, int col) {
    const CelulaRelatorio* celula = Celula(row, col);
    return celula ? wxString::FromUTF8(celula->texto) : wxString();
}

wxString TabelaRelatorio::GetColLabelValue(int col) {
    return col >= 0 && col < static_cast<int>(colunas_.size())
               ? colunas_[static_cast<std::size_t>(col)].rotulo
               : wxString();
}

bool TabelaRelatorio::IsEmptyCell(int row, int col) {
    const CelulaRelatorio* celula = Celula(row, col);
    return !celula || celula->texto.empty();
}

std::string_view TabelaRelatorio::CelulaUtf8(int row, int col, std::string&) const {
    const CelulaRelatorio* celula = Celula(row, col);
    return celula ? std::string_view(celula->texto) : std::string_view();
}

std::string_view TabelaRelatorio::CelulaArquivoUtf8(int row, int col, std::string&) const {
    const CelulaRelatorio* celula = Celula(row, col);
    return celula ? std::string_view(celula->arquivo) : std::string_view();
}

wxGrid* CriarGradeRelatorio(wxWindow* parent, std::function<wxString()> nome_csv) {
    wxGrid* grid = controles::CriarGradeSomenteLeitura(parent, kMinimoGrade);
    controles::AdicionarCopiaEExportacao(grid, std::move(nome_csv));
    grid->Bind(wxEVT_GRID_COL_SORT, [grid](wxGridEvent& event) {
        auto* tabela = dynamic_cast<TabelaRelatorio*>(grid->GetTable());
        const int col = event.GetCol();
        if (!tabela || col < 0) {
            event.Veto();
            return;
        }
        // A first click sorts numbers largest first, texts from A; the next one the other way.
        const bool crescente =
            grid->IsSortingBy(col) ? !grid->IsSortOrderAscending() : !tabela->ColunaNumerica(col);
        grid->BeginBatch();
        tabela->Ordenar(col, crescente);
        grid->SetSortingColumn(col, crescente);
        grid->ForceRefresh();
        grid->EndBatch();
        event.Veto();  // the indicator is set above, the way this click asked
    });
    return grid;
}

void MostrarTabelaRelatorio(wxGrid* grid, TabelaRelatorio* tabela) {
    grid->BeginBatch();
    grid->SetTable(tabela, true, wxGrid::wxGridSelectCells);
    grid->UnsetSortingColumn();
    wxClientDC dc(grid->GetGridWindow());
    dc.SetFont(grid->GetDefaultCellFont());
    wxClientDC dc_rotulos(grid->GetGridColLabelWindow());
    dc_rotulos.SetFont(grid->GetLabelFont());
    for (int c = 0; c < tabela->GetNumberCols(); ++c) {
        if (tabela->ColunaNumerica(c)) {
            auto* attr = new wxGridCellAttr;
            attr->SetAlignment(wxALIGN_RIGHT, wxALIGN_CENTRE);
            grid->SetColAttr(c, attr);
        }
        // Only the longest text of a column is measured: thousands of rows cost one measure.
        wxString mais_longo;
        std::string apoio;
        std::size_t comprimento = 0;
        for (int r = 0; r < tabela->GetNumberRows(); ++r) {
            const std::string_view texto = tabela->CelulaUtf8(r, c, apoio);
            if (texto.size() > comprimento) {
                comprimento = texto.size();
                mais_longo = wxString::FromUTF8(texto.data(), texto.size());
            }
        }
        const int largura =
            std::max(dc.GetTextExtent(mais_longo).GetWidth(),
                     dc_rotulos.GetTextExtent(tabela->GetColLabelValue(c)).GetWidth());
        grid->SetColSize(c, largura + kFolgaColuna);
    }
    grid->EndBatch();
}
