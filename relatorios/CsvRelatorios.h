#pragma once

// The reports as CSV for other programs: "," between fields, "." decimals whatever the locale,
// UTF-8 without a byte-order mark, a header row, fields quoted as RFC 4180 says, each record
// ended by a line feed. Months are written AAAA-MM, dates AAAA-MM-DD, money, prices, percentages
// and the inflation index with 2 decimals, quantities with 3, and a value that is none as an
// empty field.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "relatorios/MinhaInflacao.h"
#include "relatorios/RelatorioLojas.h"
#include "relatorios/RelatorioMeses.h"
#include "relatorios/RelatorioProdutos.h"

namespace relatorios {

// Appends `campo`, quoted (with its quotes doubled) when it holds a comma, a quote or a line
// break.
void AcrescentarCampoCsv(std::string& saida, std::string_view campo);

// `valor` with `casas` decimals and "." ("-0.00" is written 0.00); empty for none.
std::string TextoDecimal(std::optional<double> valor, int casas);
// "AAAA-MM-DD" of a moment YYYYMMDDhhmmss.
std::string TextoData(long long data_hora);

// cnpj, nome, cupons, total, participacao, ticket_medio, ultima_visita
std::string CsvLojas(const std::vector<LinhaLoja>& linhas);
// mes, total, cupons, ticket_medio, variacao_ano
std::string CsvMeses(const std::vector<LinhaMes>& linhas);
// ano, total, cupons, ticket_medio, variacao
std::string CsvAnos(const std::vector<LinhaAno>& linhas);
// mes (1 to 12, then "Total"), one column per year, variacao
std::string CsvAnoAAno(const AnoAAno& tabela);
// produto, descricao, compras, quantidade, unidade, preco_medio, total, participacao
std::string CsvProdutos(const std::vector<LinhaProduto>& linhas);
// mes, indice, variacao_mes, variacao_12m, produtos_comparados
std::string CsvInflacao(const MinhaInflacao& inflacao);

}  // namespace relatorios
