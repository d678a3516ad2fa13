#include "relatorios/LeituraRelatorios.h"

#include "db/BancoDados.h"
#include "relatorios/CargaTabelas.h"

namespace relatorios {

bool CarregarDados(BancoDados& banco, DadosRelatorios& dados) {
    return CarregarTabelas(
        [&banco](const char* tabela, const std::vector<const char*>& colunas, auto&& porLinha) {
            return banco.LerTabela(tabela, colunas, porLinha);
        },
        dados);
}

}  // namespace relatorios
