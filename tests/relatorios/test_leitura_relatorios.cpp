// The reports' data read from a real receipt database: through the window's BancoDados and
// through the command's read-only file, which must read the same, and leave the file as it was.

#include <gtest/gtest.h>
#include <wx/filefn.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "relatorios/ArquivoSomenteLeitura.h"
#include "relatorios/CsvRelatorios.h"
#include "relatorios/LeituraRelatorios.h"
#include "tests/support/DadosTeste.h"

namespace {

using teste::CupomFeed;
using teste::ItemFeed;

std::string Conteudo(const std::string& arquivo) {
    std::ifstream entrada(arquivo, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>());
}

class LeituraRelatorios : public teste::BancoTeste {
protected:
    void SetUp() override {
        BancoTeste::SetUp();
        // Receipts out of date order; the newest store without a trade name.
        Importar(teste::FeedJson({
            {.id = 1,
             .data_hora = "20240310183000",
             .numero_cfe = "000777",
             .itens = {{.codigo = "7891000100103",
                        .descricao = "CAFÉ PILÃO 500G",
                        .qtde = 2,
                        .valor_unit = 15.90,
                        .desconto = 1.80},
                       {.seq = 2,
                        .codigo = "9",
                        .descricao = "PÃO FRANCÊS",
                        .qtde = 0.5,
                        .un = "KG",
                        .valor_unit = 13}}},
            {.id = 2,
             .data_hora = "20240105101500",
             .cnpj = "98765432000110",
             .nome = "PADARIA PÃO QUENTE LTDA",
             .fantasia = "",
             .itens = {{.codigo = "9",
                        .descricao = "PÃO FRANCÊS",
                        .qtde = 0.3,
                        .un = "KG",
                        .valor_unit = 12.50}}},
        }));
        arquivo = (wxGetCwd() + "/" + NomeArquivoBanco(usuario)).utf8_string();
    }

    std::string arquivo;
};

TEST_F(LeituraRelatorios, WindowAndCommandReadTheSameAndTheFileStaysAsItWas) {
    relatorios::DadosRelatorios pelo_banco;
    ASSERT_TRUE(relatorios::CarregarDados(*banco, pelo_banco)) << banco->GetErro();
    banco.reset();  // every change written
    const std::string antes = Conteudo(arquivo);

    relatorios::ArquivoSomenteLeitura leitor(arquivo);
    relatorios::DadosRelatorios pelo_arquivo;
    ASSERT_TRUE(relatorios::CarregarDados(leitor, pelo_arquivo)) << leitor.Erro();
    EXPECT_EQ(Conteudo(arquivo), antes);

    for (const relatorios::DadosRelatorios* d : {&pelo_banco, &pelo_arquivo}) {
        ASSERT_EQ(d->cupons.size(), 2u);
        EXPECT_EQ(d->cupons[0].data_hora, 20240105101500);  // by date, not by id
        EXPECT_EQ(d->lojas[static_cast<std::size_t>(d->cupons[0].loja)].nome,
                  "PADARIA PÃO QUENTE LTDA");
        EXPECT_EQ(d->cupons[1].numero_cfe, "000777");
        ASSERT_EQ(d->itens.size(), 3u);
        EXPECT_DOUBLE_EQ(d->itens[1].liquido, 31.80 - 1.80);
        EXPECT_EQ(d->produtos.size(), 2u);
    }
    const relatorios::Periodo tudo = relatorios::PeriodoTudo(pelo_banco);
    EXPECT_EQ(relatorios::CsvProdutos(relatorios::RelatorioProdutos(pelo_banco, tudo)),
              relatorios::CsvProdutos(relatorios::RelatorioProdutos(pelo_arquivo, tudo)));
    EXPECT_EQ(relatorios::CsvLojas(relatorios::RelatorioLojas(pelo_banco, tudo, false)),
              relatorios::CsvLojas(relatorios::RelatorioLojas(pelo_arquivo, tudo, false)));
}

}  // namespace
