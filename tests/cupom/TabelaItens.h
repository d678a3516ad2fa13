#pragma once

// The receipt items table of the tests of the text table and of the receipt window: its nine
// columns, the right-aligned and the totalled ones, and the text a person reads, byte for byte.

#include <wx/string.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace teste {

inline const std::vector<wxString> kCabecalhosItens = {
    "Seq", L"Código", L"Descrição", "Qtde", "Unid", "V.Unit", "V.Total", "Desconto", L"V.Líquido"};
inline const std::vector<int> kColunasADireita = {0, 3, 5, 6, 7, 8};
inline const std::vector<int> kColunasSomadas = {6, 7, 8};

// The header, the lines given and the totals line, each between borders.
inline wxString TabelaItensEsperada(std::initializer_list<const char*> linhas, const char* totais) {
    const std::string borda =
        "+-----+--------+-----------+------+------+--------+---------+----------+-----------+";
    std::string tabela =
        borda +
        "\n| Seq | Código | Descrição | Qtde | Unid | V.Unit | V.Total | Desconto | V.Líquido |\n" +
        borda + "\n";
    for (const char* linha : linhas) tabela += std::string(linha) + "\n";
    tabela += borda + "\n" + totais + "\n" + borda;
    return wxString::FromUTF8(tabela);
}

}  // namespace teste
