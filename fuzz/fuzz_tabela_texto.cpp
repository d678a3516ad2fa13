// The receipt items text table ("Salvar TXT") with headers, cells and column lists taken from the
// input: any texts, short and long rows, and column indices out of range or negative. Beyond not
// crashing, the box must hold: the expected number of lines, every one of the same width.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/TabelaTexto.h"

namespace {

constexpr int kMaxColunas = 12;
constexpr int kMaxLinhas = 24;
constexpr std::size_t kMaxTexto = 40;

[[noreturn]] void Violacao(const char* mensagem, long long a = 0, long long b = 0) {
    std::fprintf(stderr, "\n*** invariant violated: %s (%lld, %lld)\n", mensagem, a, b);
    __builtin_trap();
}

// A cell as the grid might hold it: UTF-8 (invalid bytes read as Latin-1 so accents still come
// through), now and then a number, since totalled columns parse their cells.
wxString Texto(FuzzedDataProvider& dados, bool& tem_quebra) {
    const std::string bytes = dados.ConsumeRandomLengthString(kMaxTexto);
    wxString texto = wxString::FromUTF8(bytes.data(), bytes.size());
    if (texto.empty() && !bytes.empty()) texto = wxString::From8BitData(bytes.data(), bytes.size());
    if (texto.Find('\n') != wxNOT_FOUND) tem_quebra = true;
    return texto;
}

std::vector<int> Colunas(FuzzedDataProvider& dados, int colunas) {
    std::vector<int> lista(dados.ConsumeIntegralInRange<int>(0, kMaxColunas));
    for (int& col : lista) {
        col = dados.ConsumeBool() ? dados.ConsumeIntegralInRange<int>(-1, colunas)
                                  : dados.ConsumeIntegral<int>();
    }
    return lista;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider dados(data, size);
    bool tem_quebra = false;

    const int colunas = dados.ConsumeIntegralInRange<int>(0, kMaxColunas);
    const bool com_cabecalhos = dados.ConsumeBool();
    std::vector<wxString> cabecalhos;
    bool quebra_cabecalho = false;
    for (int c = 0; c < colunas; ++c) cabecalhos.push_back(Texto(dados, quebra_cabecalho));
    // Headers are only measured and written when they are shown.
    if (com_cabecalhos) tem_quebra = quebra_cabecalho;
    const std::vector<int> direita = Colunas(dados, colunas);
    const std::vector<int> soma = Colunas(dados, colunas);

    std::vector<std::vector<wxString>> linhas(dados.ConsumeIntegralInRange<int>(0, kMaxLinhas));
    for (auto& linha : linhas) {
        linha.resize(dados.ConsumeIntegralInRange<int>(0, colunas + 2));
        for (wxString& celula : linha) celula = Texto(dados, tem_quebra);
    }

    const wxString tabela = MontarTabelaTexto(cabecalhos, linhas, com_cabecalhos, direita, soma);
    if (colunas == 0) {
        if (!tabela.empty()) Violacao("no columns must give no text");
        return 0;
    }
    if (tem_quebra) return 0;  // a line feed inside a cell splits its line: nothing to compare

    const std::size_t esperadas =
        2 + (com_cabecalhos ? 2 : 0) + linhas.size() + (soma.empty() ? 0 : 2);
    std::vector<wxString> partes;
    wxString resto = tabela;
    for (;;) {
        const int pos = resto.Find('\n');
        if (pos == wxNOT_FOUND) break;
        partes.push_back(resto.Left(pos));
        resto = resto.Mid(pos + 1);
    }
    partes.push_back(resto);
    if (partes.size() != esperadas) Violacao("line count", partes.size(), esperadas);
    for (const wxString& parte : partes) {
        if (parte.length() != partes[0].length())
            Violacao("lines of different widths", parte.length(), partes[0].length());
    }
    return 0;
}
