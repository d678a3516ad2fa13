#pragma once

// The categories' connection through the window's BancoDados, which owns the user's database.

#include "categorias/ArmazemCategorias.h"

class BancoDados;

namespace categorias {

class ConexaoBanco : public ConexaoCategorias {
public:
    explicit ConexaoBanco(BancoDados& banco) : banco_(banco) {}
    bool Executar(const char* sql, const std::vector<ValorSql>& valores,
                  const std::function<void(const LinhaCategorias&)>& porLinha = {}) override;
    bool SomenteLeitura() override;
    std::string Erro() const override;

private:
    BancoDados& banco_;
};

}  // namespace categorias
