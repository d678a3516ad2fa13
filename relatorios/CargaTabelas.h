#pragma once

// What the reports read of the three tables, and how each row feeds MontadorDados: one text for
// every reader, so the window (through BancoDados) and the command (through its read-only file)
// load the same data. `ler` is called as ler(table, columns, receiver) and hands every row of the
// table to the receiver, which reads it with Texto, Real and Inteiro (as db/LinhaSql.h reads);
// it returns false when the table cannot be read. `previstas` is how many lines the item table
// may hold (its largest row id; 0 when unknown), so that they are stored without regrowing.

#include <vector>

#include "relatorios/DadosRelatorios.h"

namespace relatorios {

inline constexpr const char* kTabelaEmitentes = "emitente";
inline const std::vector<const char*> kColunasEmitentes = {"cnpj", "nome", "fantasia"};
inline constexpr const char* kTabelaCupons = "cupom";
inline const std::vector<const char*> kColunasCupons = {"id", "data_hora_emissao", "valor_total",
                                                        "cnpj_emitente", "numero_cfe"};
inline constexpr const char* kTabelaItens = "cupom_item";
inline const std::vector<const char*> kColunasItens = {
    "id_cupom", "codigo", "descricao", "qtde", "un", "valor_total", "desconto"};
// The largest row id of the item table: a bound on its rows that SQLite finds without a scan.
inline constexpr const char* kSqlItensPrevistos = "select max(rowid) from cupom_item";

template <class LerTabela>
bool CarregarTabelas(LerTabela&& ler, long long previstas, DadosRelatorios& dados) {
    MontadorDados montador;
    montador.PreverItens(previstas);
    const bool lidas = ler(kTabelaEmitentes, kColunasEmitentes,
                           [&](const auto& l) {
                               montador.AdicionarEmitente(l.Texto(0), l.Texto(1), l.Texto(2));
                           }) &&
                       ler(kTabelaCupons, kColunasCupons,
                           [&](const auto& l) {
                               montador.AdicionarCupom(l.Inteiro(0), l.Texto(1), l.Real(2),
                                                       l.Texto(3), l.Texto(4));
                           }) &&
                       ler(kTabelaItens, kColunasItens, [&](const auto& l) {
                           montador.AdicionarItem(l.Inteiro(0), l.Texto(1), l.Texto(2), l.Real(3),
                                                  l.Texto(4), l.Real(5), l.Real(6));
                       });
    if (!lidas) return false;
    dados = montador.Concluir();
    return true;
}

}  // namespace relatorios
