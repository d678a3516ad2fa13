#include "tests/support/DadosTeste.h"

#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/window.h>

#include "tests/support/TestEnvironment.h"

using nlohmann::json;

namespace teste {
json CupomJson(const CupomFeed& cupom) {
    json itens = json::array();
    double total = 0;
    for (const ItemFeed& item : cupom.itens) {
        const double valor_item = item.qtde * item.valor_unit;
        total += valor_item - item.desconto;
        itens.push_back({{"seq", item.seq},
                         {"codigo", item.codigo},
                         {"descricao", item.descricao},
                         {"qtde", item.qtde},
                         {"un", item.un},
                         {"valor_unit", item.valor_unit},
                         {"tributos", item.tributos},
                         {"valor_total", valor_item},
                         {"desconto", item.desconto}});
    }
    return {
        {"id", cupom.id},
        {"chave_acesso", cupom.chave.empty() ? "CHAVE" + std::to_string(cupom.id) : cupom.chave},
        {"data_hora_emissao", cupom.data_hora},
        {"numero_cfe", cupom.numero_cfe},
        {"numero_serie_sat", cupom.numero_serie_sat},
        {"url_consulta", cupom.url_consulta},
        {"valor_total", cupom.valor_total < 0 ? total : cupom.valor_total},
        {"obs_cupom", nullptr},
        {"obs_inf", "obrigado"},
        {"total_tributos", 1.1},
        {"emitente",
         {{"cnpj", cupom.cnpj},
          {"ie", "1"},
          {"im", "2"},
          {"nome", cupom.nome},
          {"fantasia", cupom.fantasia},
          {"endereco", cupom.endereco},
          {"bairro", "CENTRO"},
          {"cep", "01000000"},
          {"municipio", cupom.municipio}}},
        {"itens", std::move(itens)}};
}

json FeedJson(const std::vector<CupomFeed>& cupons) {
    json feed = json::array();
    for (const CupomFeed& cupom : cupons) feed.push_back(CupomJson(cupom));
    return feed;
}

void BancoTeste::SetUp() {
    pasta_anterior_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(PastaDoTeste()));
    GravarLogin({wxString(), usuario, wxString()});
    banco = std::make_unique<BancoDados>();
    ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro();
}

void BancoTeste::TearDown() {
    if (janela) janela->Destroy();
    janela = nullptr;
    // A top-level window goes at the next idle time: it must be gone before the next test
    // counts the open windows, and before the database it may hold closes.
    if (wxTheApp) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
    banco.reset();
    wxSetWorkingDirectory(pasta_anterior_);
}

void BancoTeste::Importar(const json& feed) {
    try {
        banco->ImportarCupons(feed, [](wxString) { return true; });
    } catch (const std::exception& e) {
        ADD_FAILURE() << "import failed: " << e.what();
    }
}

void BancoTeste::Executar(const wxString& sql) {
    Registro r;
    banco->ConsultarRegistro(sql, r);
    ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro() << " in " << sql;
}

}  // namespace teste
