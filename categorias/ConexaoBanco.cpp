#include "categorias/ConexaoBanco.h"

#include "db/BancoDados.h"

namespace categorias {
namespace {

class LinhaBanco : public LinhaCategorias {
public:
    explicit LinhaBanco(const LinhaSql& linha) : linha_(linha) {}
    std::string_view Texto(int coluna) const override { return linha_.Texto(coluna); }
    long long Inteiro(int coluna) const override { return linha_.Inteiro(coluna); }
    double Real(int coluna) const override { return linha_.Real(coluna); }

private:
    const LinhaSql& linha_;
};

}  // namespace

bool ConexaoBanco::Executar(const char* sql, const std::vector<ValorSql>& valores,
                            const std::function<void(const LinhaCategorias&)>& porLinha) {
    std::vector<ParametroSql> parametros;
    for (const ValorSql& v : valores)
        std::visit([&](const auto& valor) { parametros.emplace_back(valor); }, v);
    return banco_.PercorrerLinhas(sql, parametros, [&](const LinhaSql& linha) {
        if (porLinha) porLinha(LinhaBanco(linha));
        return true;
    });
}

bool ConexaoBanco::SomenteLeitura() {
    return banco_.SomenteLeitura();
}

std::string ConexaoBanco::Erro() const {
    return banco_.GetErro().utf8_string();
}

}  // namespace categorias
