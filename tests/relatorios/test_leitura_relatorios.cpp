// The reports' data read from a real receipt database: through the window's BancoDados and
// through the command's read-only file, which must read the same, and leave the file as it was;
// and the command itself, run as a script would.

#include <gtest/gtest.h>
#include <wx/filefn.h>

#include <sys/wait.h>

#include <cstdlib>
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

struct Saida {
    int status;
    std::string saida, erro;
};

// cupom-relatorios with `argumentos` (shell words), its output caught in files of the test folder.
Saida Rodar(const std::string& argumentos) {
    const std::string comando =
        std::string("'") + CUPOM_RELATORIOS + "' " + argumentos + " >saida.csv 2>erro.txt";
    const int r = std::system(comando.c_str());
    return {WIFEXITED(r) ? WEXITSTATUS(r) : -1, Conteudo("saida.csv"), Conteudo("erro.txt")};
}

TEST_F(LeituraRelatorios, CommandPrintsReportsAndRefusesWhatItCannotRead) {
    banco.reset();
    const std::string antes = Conteudo(arquivo);
    const std::string banco_citado = "'" + arquivo + "'";

    // 30,00 + 6,50 at the market, 3,75 at the bakery: shares 36,50 / 40,25 and 3,75 / 40,25.
    const Saida lojas = Rodar(banco_citado + " lojas");
    EXPECT_EQ(lojas.status, 0) << lojas.erro;
    EXPECT_EQ(lojas.saida,
              "cnpj,nome,cupons,total,participacao,ticket_medio,ultima_visita\n"
              "12345678000199,MERCADO EXEMPLO,1,36.50,90.68,36.50,2024-03-10\n"
              "98765432000110,PADARIA PÃO QUENTE LTDA,1,3.75,9.32,3.75,2024-01-05\n");
    EXPECT_EQ(lojas.erro, "");
    // A month without receipts is a row of its own; nothing a year before.
    const Saida meses = Rodar(banco_citado + " meses --de 2024-02 --ate 2024-03");
    EXPECT_EQ(meses.status, 0) << meses.erro;
    EXPECT_EQ(meses.saida,
              "mes,total,cupons,ticket_medio,variacao_ano\n"
              "2024-02,0.00,0,,\n"
              "2024-03,36.50,1,36.50,\n");

    // The built-in categories, the file having none of its own: the coffee is Mercearia, the
    // bread Padaria; nothing to compare with before the first month.
    const Saida categorias = Rodar(banco_citado + " categorias");
    EXPECT_EQ(categorias.status, 0) << categorias.erro;
    EXPECT_EQ(categorias.saida.substr(0, categorias.saida.find("Frios")),
              "categoria,total,participacao,variacao,produtos\n"
              "Mercearia,30.00,74.53,,1\n"
              "Padaria,10.25,25.47,,1\n"
              "Carnes,0.00,0.00,,0\n");

    std::ofstream("texto.db") << "não sou um banco\n";
    const std::pair<std::string, std::string> recusas[] = {
        {banco_citado + " semanas", "cupom-relatorios: relatório desconhecido: semanas"},
        {banco_citado + " meses --de 2024-13", "cupom-relatorios: mês inválido para --de: 2024-13"},
        {banco_citado + " meses --de 2024-05 --ate 2024-04", "cupom-relatorios: --de vem depois"},
        {banco_citado + " lojas --filial", "cupom-relatorios: opção desconhecida: --filial"},
        {"nada.db lojas", "cupom-relatorios: nada.db: arquivo não encontrado"},
        {"texto.db lojas", "cupom-relatorios: texto.db: não é um banco de cupons"},
        {"", "cupom-relatorios: uso: cupom-relatorios BANCO.db"},
    };
    for (const auto& [argumentos, inicio] : recusas) {
        const Saida r = Rodar(argumentos);
        EXPECT_EQ(r.status, 2) << argumentos;
        EXPECT_EQ(r.saida, "") << argumentos;
        EXPECT_EQ(r.erro.rfind(inicio, 0), 0u) << argumentos << ": " << r.erro;
        EXPECT_EQ(r.erro.find('\n'), r.erro.size() - 1) << argumentos << ": " << r.erro;
    }
    EXPECT_FALSE(wxFileExists("nada.db"));
    EXPECT_EQ(Conteudo("texto.db"), "não sou um banco\n");
    EXPECT_EQ(Conteudo(arquivo), antes);
}

}  // namespace
