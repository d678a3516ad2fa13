// The receipt detail window on a real database file filled by the receipt import: the header
// fields, the items grid, the two clipboard buttons (read back from the real clipboard) and the
// row selection of the items text table.

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "account/ConfigStore.h"
#include "db/BancoDados.h"
#include "tests/support/GuiTest.h"
#include "tests/support/TestEnvironment.h"
#include "ui/FrameCupom.h"

namespace {

// Two receipts of one issuer: the first with two lines given out of order, the second with none.
const char* const kFeed = R"([
  {
    "id": 501,
    "chave_acesso": "CFe35240312345678000199590009000123450012345678",
    "data_hora_emissao": "20240315143005",
    "numero_cfe": "012345",
    "numero_serie_sat": "900012345",
    "url_consulta": "https://sat.example.gov.br/consulta?chave=35240312345678000199",
    "valor_total": 17.25,
    "total_tributos": 2.1,
    "emitente": {
      "cnpj": "12345678000199", "ie": "111", "im": "222", "nome": "Mercado Central Ltda",
      "fantasia": "MERCADO SÃO JOÃO", "endereco": "Rua das Flores, 100", "bairro": "Centro",
      "cep": "01000-000", "municipio": "São Paulo"
    },
    "itens": [
      {"seq": 2, "codigo": "4567", "descricao": "ITEM B", "qtde": 1, "un": "KG",
       "valor_unit": 10.25, "tributos": 1.5, "valor_total": 10.25, "desconto": 0.25},
      {"seq": 1, "codigo": "123", "descricao": "ITEM A", "qtde": 2, "un": "UN",
       "valor_unit": 3.5, "tributos": 0.6, "valor_total": 7.0, "desconto": 0.0}
    ]
  },
  {
    "id": 502,
    "chave_acesso": "CFe35240312345678000199590009000123460012345679",
    "data_hora_emissao": "20240401080910",
    "numero_cfe": "012346",
    "numero_serie_sat": "900012345",
    "valor_total": 0,
    "total_tributos": 0,
    "emitente": {
      "cnpj": "12345678000199", "ie": "111", "im": "222", "nome": "Mercado Central Ltda",
      "fantasia": "MERCADO SÃO JOÃO", "endereco": "Rua das Flores, 100", "bairro": "Centro",
      "cep": "01000-000", "municipio": "São Paulo"
    }
  }
])";

const wxString kTabelaCupom = wxString::FromUTF8(
    "+-----+--------+-----------+------+------+--------+---------+----------+-----------+\n"
    "| Seq | Código | Descrição | Qtde | Unid | V.Unit | V.Total | Desconto | V.Líquido |\n"
    "+-----+--------+-----------+------+------+--------+---------+----------+-----------+\n"
    "|   1 | 123    | ITEM A    |  2.0 | UN   |    3.5 |     7.0 |      0.0 |       7.0 |\n"
    "|   2 | 4567   | ITEM B    |  1.0 | KG   |  10.25 |   10.25 |     0.25 |      10.0 |\n"
    "+-----+--------+-----------+------+------+--------+---------+----------+-----------+\n"
    "|     |        |           |      |      |        |   17.25 |     0.25 |     17.00 |\n"
    "+-----+--------+-----------+------+------+--------+---------+----------+-----------+");

template <typename T>
void Coletar(wxWindow* janela, std::vector<T*>& achados) {
    if (auto* achado = dynamic_cast<T*>(janela)) achados.push_back(achado);
    for (wxWindow* filho : janela->GetChildren()) Coletar(filho, achados);
}

template <typename T>
std::vector<T*> Todos(wxWindow* janela) {
    std::vector<T*> achados;
    Coletar(janela, achados);
    return achados;
}

using teste::LerAreaDeTransferencia;
using teste::PorNaAreaDeTransferencia;

class FrameCupomTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        pasta_anterior = wxGetCwd();
        ASSERT_TRUE(wxSetWorkingDirectory(teste::NovaPasta(info->name())));
        AbrirConfiguracao()->Write("/Login/Usuario", wxString("cupom"));
        banco = std::make_unique<BancoDados>();
        ASSERT_TRUE(banco->GetErro().empty()) << banco->GetErro();
        banco->ImportarCupons(nlohmann::json::parse(kFeed), [](wxString) { return true; });
    }

    void TearDown() override {
        if (frame) frame->Destroy();
        teste::ProcessarEventos();
        banco.reset();
        wxSetWorkingDirectory(pasta_anterior);
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
        frame = new FrameCupom(nullptr, banco.get(), id);
        const auto grids = Todos<wxGrid>(frame);
        ASSERT_EQ(grids.size(), 1u);
        grid = grids[0];
        // Labels and fields are created in pairs, in reading order.
        const auto rotulos = Todos<wxStaticText>(frame);
        const auto textos = Todos<wxTextCtrl>(frame);
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
        for (wxButton* b : Todos<wxButton>(frame))
            if (b->GetLabel() == rotulo) return b;
        ADD_FAILURE() << "no button " << rotulo.utf8_str();
        return nullptr;
    }

    // A click as the button reports it: the handlers are bound on the buttons themselves.
    void Clicar(const wxString& rotulo) {
        wxButton* botao = Botao(rotulo);
        ASSERT_NE(botao, nullptr);
        wxCommandEvent evento(wxEVT_BUTTON, botao->GetId());
        evento.SetEventObject(botao);
        botao->GetEventHandler()->ProcessEvent(evento);
    }

    wxString pasta_anterior;
    std::unique_ptr<BancoDados> banco;
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

    const std::vector<wxString> colunas = {"Seq",    L"Código", L"Descrição", "Qtde",      "Unid",
                                           "V.Unit", "V.Total", "Desconto",   L"V.Líquido"};
    ASSERT_EQ(grid->GetNumberCols(), 9);
    for (int c = 0; c < 9; ++c) EXPECT_EQ(grid->GetColLabelValue(c), colunas[c]) << c;
    ASSERT_EQ(grid->GetNumberRows(), 2);
    EXPECT_EQ(grid->GetCellValue(0, 2), "ITEM A");  // ordered by seq, not by feed order
    EXPECT_EQ(grid->GetCellValue(1, 8), "10.0");
    EXPECT_FALSE(grid->IsEditable());
    EXPECT_EQ(grid->GetRowLabelSize(), 24);
    EXPECT_EQ(grid->GetColLabelSize(), 24);

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

TEST_F(FrameCupomTest, CopiarUrlCopiaOTextoDoCampo) {
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

TEST_F(FrameCupomTest, SalvarTxtCopiaATabelaDosItens) {
    Abrir(IdPorChave("0012345678"));
    Clicar("Salvar TXT");
    EXPECT_EQ(LerAreaDeTransferencia().utf8_string(), kTabelaCupom.utf8_string());
}

TEST_F(FrameCupomTest, SalvarTxtDeCupomSemItens) {
    Abrir(IdPorChave("0012345679"));
    EXPECT_EQ(Campo("Data / Hora")->GetValue(), "01/04/2024 08:09:10");
    Clicar("Salvar TXT");
    const wxString esperado = wxString::FromUTF8(
        "+-----+--------+-----------+------+------+--------+---------+----------+-----------+\n"
        "| Seq | Código | Descrição | Qtde | Unid | V.Unit | V.Total | Desconto | V.Líquido |\n"
        "+-----+--------+-----------+------+------+--------+---------+----------+-----------+\n"
        "+-----+--------+-----------+------+------+--------+---------+----------+-----------+\n"
        "|     |        |           |      |      |        |    0.00 |     0.00 |      0.00 |\n"
        "+-----+--------+-----------+------+------+--------+---------+----------+-----------+");
    EXPECT_EQ(LerAreaDeTransferencia().utf8_string(), esperado.utf8_string());
}

TEST_F(FrameCupomTest, SelecaoEscolheAsLinhasCopiadas) {
    Abrir(IdPorChave("0012345678"));
    const std::vector<int> direita = {0, 3, 5, 6, 7, 8};
    const std::vector<int> soma = {6, 7, 8};

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
