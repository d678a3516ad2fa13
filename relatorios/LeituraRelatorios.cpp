#include "relatorios/LeituraRelatorios.h"

#include "db/BancoDados.h"
#include "db/LinhaSql.h"
#include "relatorios/CargaTabelas.h"

namespace relatorios {

bool CarregarDados(BancoDados& banco, DadosRelatorios& dados) {
    long long previstas = 0;
    banco.PercorrerLinhas(kSqlItensPrevistos, {}, [&previstas](const LinhaSql& linha) {
        previstas = linha.Inteiro(0);
        return false;
    });
    return CarregarTabelas(
        [&banco](const char* tabela, const std::vector<const char*>& colunas, auto&& porLinha) {
            return banco.LerTabela(tabela, colunas, porLinha);
        },
        previstas, dados);
}

}  // namespace relatorios
