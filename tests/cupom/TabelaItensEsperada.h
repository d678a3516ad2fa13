#pragma once

// The receipt items text table as a person reads it, byte for byte: the nine column header, the
// lines given and the totals line, each between borders.

#include <wx/string.h>

#include <initializer_list>
#include <string>

namespace teste {

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
