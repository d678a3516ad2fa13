#include "ui/TabelaTexto.h"

#include <algorithm>
#include <cstddef>
#include <map>

#include "base/NumeroTexto.h"

namespace {

constexpr int kCasasTotal = 2;

bool Contem(const std::vector<int>& colunas, int col) {
    return std::find(colunas.begin(), colunas.end(), col) != colunas.end();
}

wxString FormatarTotal(double valor) {
    return numero::Formatar(valor, kCasasTotal);
}

}  // namespace

wxString MontarTabelaTexto(const std::vector<wxString>& cabecalhos,
                           const std::vector<std::vector<wxString>>& linhas, bool com_cabecalhos,
                           const std::vector<int>& colunas_direita,
                           const std::vector<int>& colunas_soma) {
    const int cols = static_cast<int>(cabecalhos.size());
    if (cols == 0) return wxString();

    auto celula = [](const std::vector<wxString>& linha, int col) -> wxString {
        return col < static_cast<int>(linha.size()) ? linha[col] : wxString();
    };

    // wxString::length() counts characters, so "Descrição" is 9 wide, not 11.
    std::vector<size_t> widths(cols, 0);
    std::map<int, double> sum;
    for (int col = 0; col < cols; ++col) {
        if (com_cabecalhos) widths[col] = cabecalhos[col].length();
        const bool somar = Contem(colunas_soma, col);
        for (const auto& linha : linhas) {
            const wxString cell_value = celula(linha, col);
            widths[col] = std::max(widths[col], cell_value.length());
            double valor = 0;
            if (somar && numero::LerCompleto(cell_value, valor)) sum[col] += valor;
        }
    }
    // Indices outside the table are ignored rather than written past the widths.
    for (int col : colunas_soma)
        if (col >= 0 && col < cols)
            widths[col] = std::max(widths[col], FormatarTotal(sum[col]).length());

    wxString separator = "+";
    for (size_t w : widths) separator << wxString('-', w + 2) << "+";

    auto makeRow = [&](const std::vector<wxString>& textos) {
        wxString linha = "|";
        for (int col = 0; col < cols; ++col) {
            const wxString texto = celula(textos, col);
            const wxString preenchimento(' ', widths[col] - std::min(widths[col], texto.length()));
            linha << " ";
            if (Contem(colunas_direita, col))
                linha << preenchimento << texto;
            else
                linha << texto << preenchimento;
            linha << " |";
        }
        return linha;
    };

    std::vector<wxString> linhas_texto;
    linhas_texto.push_back(separator);
    if (com_cabecalhos) {
        linhas_texto.push_back(makeRow(cabecalhos));
        linhas_texto.push_back(separator);
    }
    for (const auto& linha : linhas) linhas_texto.push_back(makeRow(linha));
    linhas_texto.push_back(separator);
    if (!colunas_soma.empty()) {
        std::vector<wxString> totais(cols);
        for (int col : colunas_soma)
            if (col >= 0 && col < cols) totais[col] = FormatarTotal(sum[col]);
        linhas_texto.push_back(makeRow(totais));
        linhas_texto.push_back(separator);
    }

    wxString resultado;
    for (size_t i = 0; i < linhas_texto.size(); ++i) {
        if (i > 0) resultado << "\n";
        resultado << linhas_texto[i];
    }
    return resultado;
}
