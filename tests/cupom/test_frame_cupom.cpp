// The receipt detail window on a real database file filled by the receipt import: the header
// fields, the items grid, the two clipboard buttons (read back from the real clipboard) and the
// row selection of the items text table.

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "db/BancoDados.h"
#include "tests/cupom/TabelaItens.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/GuiTest.h"
#include "ui/FrameCupom.h"

namespace {

// Two receipts of one issuer: the first with two lines given out of order, the second with none.
nlohmann::json Feed() {
    teste::CupomFeed primeiro{
        .id = 501,
        .chave = "CFe35240312345678000199590009000123450012345678",
        .data_hora = "20240315143005",
        .numero_cfe = "012345",
        .numero_serie_sat = "900012345",
        .url_consulta = "https://sat.example.gov.br/consulta?chave=35240312345678000199",
        .cnpj = "12345678000199",
        .nome = "Mercado Central Ltda",
        .fantasia = "MERCADO SÃO JOÃO",
        .endereco = "Rua das Flores, 100",
        .municipio = "São Paulo",
        .itens = {{.seq = 2,
                   .codigo = "4567",
                   .descricao = "ITEM B",
                   .un = "KG",
                   .valor_unit = 10.25,
                   .tributos = 1.5,
                   .desconto = 0.25},
                  {.seq = 1, .codigo = "123", .descricao = "ITEM A", .qtde = 2, .valor_unit = 3.5}},
        .valor_total = 17.25};
    teste::CupomFeed segundo = primeiro;
    segundo.id = 502;
    segundo.chave = "CFe35240312345678000199590009000123460012345679";
    segundo.data_hora = "20240401080910";
    segundo.numero_cfe = "012346";
    segundo.itens.clear();
    segundo.valor_total = 0;
    return teste::FeedJson({primeiro, segundo});
}

const wxString kTabelaCupom = teste::TabelaItensEsperada(
    {"|   1 | 123    | ITEM A    |  2.0 | UN   |    3.5 |     7.0 |      0.0 |       7.0 |",
     "|   2 | 4567   | ITEM B    |  1.0 | KG   |  10.25 |   10.25 |     0.25 |      10.0 |"},
    "|     |        |           |      |      |        |   17.25 |     0.25 |     17.00 |");

using teste::EncontrarTodos;
using teste::LerAreaDeTransferencia;
using teste::PorNaAreaDeTransferencia;

class FrameCupomTest : public teste::BancoTeste {
protected:
    void SetUp() override {
        BancoTeste::SetUp();
        Importar(Feed());
    }

    int IdPorChave(const char* fim_da_chave) {
        Registro r;
        banco->ConsultarRegistro(
            wxString::Format("select id from cupom where chave_acesso like '%%%s'", fim_da_chave),
            r);
        long id = -1;
        r["id"].ToLong(&id);
        return static_cast<int>(id);
    }

    void Abrir(int id) {
        janela = frame = new FrameCupom(nullptr, banco.get(), id);
        const auto grids = EncontrarTodos<wxGrid>(frame);
        ASSERT_EQ(grids.size(), 1u);
        grid = grids[0];
        // Labels and fields are created in pairs, in reading order.
        const auto rotulos = EncontrarTodos<wxStaticText>(frame);
        const auto textos = EncontrarTodos<wxTextCtrl>(frame);
        ASSERT_EQ(rotulos.size(), textos.size());
        for (size_t i = 0; i < rotulos.size(); ++i) campos.emplace_back(rotulos[i], textos[i]);
    }

    wxTextCtrl* Campo(const wxString& rotulo) {
        for (auto& [r, t] : campos)
            if (r->GetLabel() == rotulo) return t;
        ADD_FAILURE() << "no field " << rotulo.utf8_str();
        return nullptr;
    }

    wxButton* Botao(const wxString& rotulo) {
        for (wxButton* b : EncontrarTodos<wxButton>(frame))
            if (b->GetLabel() == rotulo) return b;
        ADD_FAILURE() << "no button " << rotulo.utf8_str();
        return nullptr;
    }

    // A click as the button reports it: the handlers are bound on the buttons themselves.
    void Clicar(const wxString& rotulo) { teste::Clicar(Botao(rotulo)); }

    FrameCupom* frame = nullptr;
    wxGrid* grid = nullptr;
    std::vector<std::pair<wxStaticText*, wxTextCtrl*>> campos;
};

TEST_F(FrameCupomTest, CabecalhoEItensDoCupom) {
    const int id = IdPorChave("0012345678");
    ASSERT_GT(id, 0);
    Abrir(id);
    frame->Show(true);
    ASSERT_TRUE(teste::WaitFor([&] { return frame->IsShownOnScreen(); }));

    EXPECT_EQ(frame->GetTitle(), "Cupom");
    std::vector<wxString> rotulos;
    for (auto& [r, t] : campos) rotulos.push_back(r->GetLabel());
    const std::vector<wxString> esperados = {"Data / Hora", "Valor Total",     L"Número",
                                             L"Série",      "Chave de Acesso", "URL",
                                             "Emitente",    L"Endereço",       "CNPJ"};
    EXPECT_EQ(rotulos, esperados);

    EXPECT_EQ(Campo("Data / Hora")->GetValue(), "15/03/2024 14:30:05");
    EXPECT_EQ(Campo("Valor Total")->GetValue(), "17.25");
    EXPECT_EQ(Campo(L"Número")->GetValue(), "012345");
    EXPECT_EQ(Campo(L"Série")->GetValue(), "900012345");
    EXPECT_EQ(Campo("Chave de Acesso")->GetValue(),
              "CFe35240312345678000199590009000123450012345678");
    EXPECT_EQ(Campo("URL")->GetValue(),
              "https://sat.example.gov.br/consulta?chave=35240312345678000199");
    EXPECT_EQ(Campo("Emitente")->GetValue(), wxString(L"MERCADO SÃO JOÃO"));
    EXPECT_EQ(Campo(L"Endereço")->GetValue(), "Rua das Flores, 100");
    EXPECT_EQ(Campo("CNPJ")->GetValue(), "12345678000199");
    for (auto& [r, t] : campos) EXPECT_TRUE(t->IsEditable()) << r->GetLabel().utf8_str();

    ASSERT_EQ(grid->GetNumberCols(), 9);
    EXPECT_EQ(teste::Cabecalhos(grid), teste::kCabecalhosItens);
    ASSERT_EQ(grid->GetNumberRows(), 2);
    EXPECT_EQ(grid->GetCellValue(0, 2), "ITEM A");  // ordered by seq, not by feed order
    EXPECT_EQ(grid->GetCellValue(1, 8), "10.0");
    EXPECT_TRUE(teste::GradeSomenteLeitura(grid));

    for (const char* rotulo : {"Copiar URL", "Salvar TXT"}) {
        wxButton* botao = Botao(rotulo);
        ASSERT_NE(botao, nullptr);
        EXPECT_TRUE(botao->GetBitmap().IsOk()) << rotulo;
        EXPECT_EQ(botao->GetBitmap().GetSize(), wxSize(16, 16)) << rotulo;
        EXPECT_EQ(botao->GetParent(), campos[0].first->GetParent());
    }
    EXPECT_EQ(grid->GetParent(), frame);

    EXPECT_EQ(frame->GetMinSize(), wxSize(800, 350));
    EXPECT_GE(frame->GetSize().x, 800);
    EXPECT_GE(frame->GetSize().y, 350);

    const std::string captura = teste::SalvarCaptura(frame, "frame_cupom");
    EXPECT_FALSE(captura.empty());
}

TEST_F(FrameCupomTest, IdSemCupomDeixaCamposVazios) {
    Abrir(9999);
    ASSERT_EQ(campos.size(), 9u);
    EXPECT_EQ(Campo("Data / Hora")->GetValue(), " ");
    for (size_t i = 1; i < campos.size(); ++i)
        EXPECT_EQ(campos[i].second->GetValue(), "") << campos[i].first->GetLabel().utf8_str();
    EXPECT_EQ(grid->GetNumberCols(), 9);
    EXPECT_EQ(grid->GetNumberRows(), 0);
}

TEST_F(FrameCupomTest, CupomSemEmitenteMostraSoOsItens) {
    Registro r;
    banco->ConsultarRegistro("delete from emitente", r);
    Abrir(IdPorChave("0012345678"));
    EXPECT_EQ(Campo("Data / Hora")->GetValue(), " ");
    EXPECT_EQ(Campo("URL")->GetValue(), "");
    EXPECT_EQ(grid->GetNumberRows(), 2);
}

TEST_F(FrameCupomTest, NaTelaCopiarUrlCopiaOTextoDoCampo) {
    Abrir(IdPorChave("0012345678"));
    ASSERT_TRUE(PorNaAreaDeTransferencia("antes"));
    ASSERT_EQ(LerAreaDeTransferencia(), "antes") << "the clipboard does not read back here";

    Clicar("Copiar URL");
    EXPECT_EQ(LerAreaDeTransferencia(),
              "https://sat.example.gov.br/consulta?chave=35240312345678000199");

    Campo("URL")->SetValue(L"https://editada.example/çã");
    Clicar("Copiar URL");
    EXPECT_EQ(LerAreaDeTransferencia(), wxString(L"https://editada.example/çã"));

    Campo("URL")->SetValue("");
    Clicar("Copiar URL");
    EXPECT_EQ(LerAreaDeTransferencia(), "");
}

TEST_F(FrameCupomTest, NaTelaSalvarTxtCopiaATabelaDosItens) {
    Abrir(IdPorChave("0012345678"));
    Clicar("Salvar TXT");
    EXPECT_EQ(LerAreaDeTransferencia().utf8_string(), kTabelaCupom.utf8_string());
}

TEST_F(FrameCupomTest, NaTelaSalvarTxtDeCupomSemItens) {
    Abrir(IdPorChave("0012345679"));
    EXPECT_EQ(Campo("Data / Hora")->GetValue(), "01/04/2024 08:09:10");
    Clicar("Salvar TXT");
    const wxString esperado = teste::TabelaItensEsperada(
        {}, "|     |        |           |      |      |        |    0.00 |     0.00 |      0.00 |");
    EXPECT_EQ(LerAreaDeTransferencia().utf8_string(), esperado.utf8_string());
}

TEST_F(FrameCupomTest, NaTelaSelecaoEscolheAsLinhasCopiadas) {
    Abrir(IdPorChave("0012345678"));
    const std::vector<int>& direita = teste::kColunasADireita;
    const std::vector<int>& soma = teste::kColunasSomadas;

    // A click on the second row's label selects that whole row: only it is copied and totalled.
    grid->SelectRow(1);
    const wxArrayString linhas =
        wxSplit(FrameCupom::GridToText(grid, true, direita, soma), '\n', '\0');
    ASSERT_EQ(linhas.size(), 7u);
    EXPECT_EQ(
        linhas[3],
        "|   2 | 4567   | ITEM B    |  1.0 | KG   |  10.25 |   10.25 |     0.25 |      10.0 |");
    EXPECT_EQ(
        linhas[5],
        "|     |        |           |      |      |        |   10.25 |     0.25 |     10.00 |");

    // The same through the button.
    Clicar("Salvar TXT");
    EXPECT_EQ(wxSplit(LerAreaDeTransferencia(), '\n', '\0'), linhas);

    // A selection that leaves column 0 out picks no rows: the whole grid is copied.
    grid->ClearSelection();
    grid->SelectBlock(0, 1, 1, 8);
    EXPECT_EQ(FrameCupom::GridToText(grid, true, direita, soma).utf8_string(),
              kTabelaCupom.utf8_string());

    EXPECT_EQ(FrameCupom::GridToText(nullptr, true, direita, soma), "");
}

}  // namespace
