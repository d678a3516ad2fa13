// The "Categorias" window on a small database: the categories with their spending, a rule typed
// with its live count and added, products of no category put into one, a name refused in the
// error box, and the changes read back from the database.

#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>

#include "categorias/ConexaoBanco.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/GuiTest.h"
#include "ui/FrameCategorias.h"

namespace {

using teste::Coluna;
using teste::Linha;

class JanelaCategorias : public teste::BancoTeste {
protected:
    void SetUp() override {
        BancoTeste::SetUp();
        teste::Dialogos::Get().Limpar();
    }
};

void Escolher(wxChoice* escolha, int indice) {
    escolha->SetSelection(indice);
    wxCommandEvent evento(wxEVT_CHOICE, escolha->GetId());
    evento.SetEventObject(escolha);
    evento.SetInt(indice);
    escolha->ProcessWindowEvent(evento);
}

int Posicao(const categorias::Conjunto& conjunto, const char* nome) {
    for (std::size_t i = 0; i < conjunto.categorias.size(); ++i)
        if (conjunto.categorias[i].nome == nome) return static_cast<int>(i);
    return -1;
}

TEST_F(JanelaCategorias, RegraComContagemProdutosColocadosENomeRecusado) {
    teste::CupomFeed cupom;
    cupom.itens = {{1, "1", "DET LIQ YPE 500ML", 1, "UN", 10},
                   {2, "2", "ARROZ T1 5KG", 1, "UN", 30},
                   {3, "3", "XYZ PRODUTO ESTRANHO", 1, "UN", 7},
                   {4, "4", "ABC OUTRO", 1, "UN", 3}};
    Importar(teste::FeedJson({cupom}));
    janela = new wxFrame(nullptr, wxID_ANY, "principal");
    auto* frame = new FrameCategorias(janela, banco.get());
    frame->Show();
    // Shown at once, reading the receipts on its own thread: nothing to edit yet.
    EXPECT_FALSE(frame->Pronto());
    EXPECT_FALSE(frame->GetTextoRegra()->IsEnabled());
    ASSERT_TRUE(teste::WaitFor([&] { return frame->Pronto(); }));

    EXPECT_EQ(Linha(frame->GetGradeCategorias(), 0),
              (std::vector<wxString>{"Mercearia", "R$ 30,00", "", "1"}));
    EXPECT_EQ(Coluna(frame->GetGradeSemCategoria(), 0),
              (std::vector<wxString>{"XYZ PRODUTO ESTRANHO", "ABC OUTRO"}));

    // "Outro período…" shows the months, from the period shown (the receipt's month).
    Escolher(frame->GetEscolhaPeriodo(),
             static_cast<int>(frame->GetEscolhaPeriodo()->GetCount()) - 1);
    EXPECT_TRUE(frame->GetMesInicial()->IsShown());
    EXPECT_EQ(frame->GetPeriodo(),
              (relatorios::Periodo{relatorios::Mes(2024, 1), relatorios::Mes(2024, 1)}));
    EXPECT_EQ(frame->GetGradeCategorias()->GetCellValue(0, 1), "R$ 30,00");

    const int limpeza = Posicao(frame->GetEditor().GetConjunto(), "Limpeza");
    frame->EscolherCategoria(limpeza);
    frame->GetTextoRegra()->SetValue("xyz prod");  // case and the word's end do not matter
    EXPECT_EQ(frame->GetContagemRegra()->GetLabel(), "Esta regra: 1 produtos, R$ 7,00");
    EXPECT_TRUE(frame->AdicionarRegra());
    EXPECT_EQ(Coluna(frame->GetGradeSemCategoria(), 0), (std::vector<wxString>{"ABC OUTRO"}));
    const int regras = frame->GetGradeRegras()->GetNumberRows();
    EXPECT_EQ(Linha(frame->GetGradeRegras(), regras - 1),
              (std::vector<wxString>{"xyz prod", "1", "R$ 7,00"}));
    // The chosen rule counts as itself; once edited, as a new rule beside it ("xyz prod", more
    // specific, keeps the product).
    frame->GetGradeRegras()->SetGridCursor(regras - 1, 0);
    EXPECT_EQ(frame->GetContagemRegra()->GetLabel(), "Esta regra: 1 produtos, R$ 7,00");
    frame->GetTextoRegra()->SetValue("xyz");
    EXPECT_EQ(frame->GetContagemRegra()->GetLabel(), "Esta regra: 0 produtos, R$ 0,00");

    const int pet = Posicao(frame->GetEditor().GetConjunto(), "Pet");
    frame->GetDestino()->SetSelection(pet);
    frame->GetGradeSemCategoria()->SelectRow(0);
    EXPECT_TRUE(frame->ColocarSelecionados());
    EXPECT_EQ(frame->GetGradeSemCategoria()->GetNumberRows(), 0);

    EXPECT_FALSE(frame->NovaCategoria("PET"));
    ASSERT_EQ(teste::Dialogos::Get().Mensagens().size(), 1u);
    EXPECT_EQ(teste::Dialogos::Get().Mensagens()[0].mensagem,
              wxString::FromUTF8("Já existe uma categoria chamada \"PET\"."));
    EXPECT_TRUE(teste::CaixaDeErro(teste::Dialogos::Get().Mensagens()[0]));
    EXPECT_TRUE(frame->DefinirLimite(150));  // of the chosen category, Limpeza
    // The limit's dialog starts from "150,00"; Cancel keeps it, OK with a new text stores it.
    std::vector<wxString> mostrados;
    teste::Dialogos::Get().aoAbrirModal = [&](wxDialog* d) {
        auto* dialogo = dynamic_cast<wxTextEntryDialog*>(d);
        mostrados.push_back(dialogo ? dialogo->GetValue() : wxString("?"));
        if (mostrados.size() == 1) return static_cast<int>(wxID_CANCEL);
        dialogo->SetValue("R$ 200");
        return static_cast<int>(wxID_OK);
    };
    EXPECT_FALSE(frame->PerguntarLimite());
    EXPECT_TRUE(frame->PerguntarLimite());
    teste::Dialogos::Get().aoAbrirModal = nullptr;
    EXPECT_EQ(mostrados, (std::vector<wxString>{"150,00", "150,00"}));
    teste::SalvarCaptura(frame, "categorias");

    // Deleting and importing ask first; "Não" changes nothing.
    teste::Dialogos::Get().Limpar();
    frame->EscolherCategoria(pet);
    EXPECT_FALSE(frame->ExcluirCategoria());
    ASSERT_TRUE(frame->GetEditor().Exportar("c.json"));
    EXPECT_FALSE(frame->ImportarCategorias("c.json"));
    ASSERT_EQ(teste::Dialogos::Get().Mensagens().size(), 2u);
    EXPECT_EQ(teste::Dialogos::Get().Mensagens()[0].mensagem,
              wxString::FromUTF8("Excluir a categoria “Pet”, com suas regras e os produtos "
                                 "colocados nela?"));
    EXPECT_TRUE(teste::Dialogos::Get().Mensagens()[1].mensagem.Contains(L"“c.json”"));
    EXPECT_EQ(Posicao(frame->GetEditor().GetConjunto(), "Pet"), pet);

    // Stored: another reader sees the rule, the placement and the limit.
    categorias::ConexaoBanco conexao(*banco);
    categorias::Conjunto lido;
    ASSERT_TRUE(categorias::ArmazemCategorias(conexao).Ler(lido));
    EXPECT_EQ(lido.categorias[static_cast<std::size_t>(limpeza)].regras.back(), "xyz prod");
    EXPECT_EQ(lido.categorias[static_cast<std::size_t>(limpeza)].limite, 200);
    ASSERT_EQ(lido.colocacoes.size(), 1u);
    EXPECT_EQ(lido.colocacoes.begin()->second, lido.categorias[static_cast<std::size_t>(pet)].id);

    teste::Dialogos::Get().ResponderCom(wxID_YES);
    EXPECT_TRUE(frame->ExcluirCategoria());
    EXPECT_EQ(Posicao(frame->GetEditor().GetConjunto(), "Pet"), -1);
}

// A BEGIN left open in the SQL terminal keeps the set from being read: the built-in set is shown,
// not editable, with the error shown once.
TEST_F(JanelaCategorias, TransacaoAbertaMostraEmbutidas) {
    teste::CupomFeed cupom;
    cupom.itens = {{1, "1", "ARROZ T1 5KG", 1, "UN", 30}};
    Importar(teste::FeedJson({cupom}));
    ASSERT_TRUE(banco->PercorrerLinhas("BEGIN", {}, nullptr));
    janela = new wxFrame(nullptr, wxID_ANY, "principal");
    auto* frame = new FrameCategorias(janela, banco.get());
    frame->Show();
    ASSERT_TRUE(teste::WaitFor([&] { return frame->Pronto(); }));
    ASSERT_EQ(teste::Dialogos::Get().Mensagens().size(), 1u);
    EXPECT_TRUE(teste::CaixaDeErro(teste::Dialogos::Get().Mensagens()[0]));
    EXPECT_FALSE(frame->GetEditor().Editavel());
    EXPECT_FALSE(frame->GetTextoRegra()->IsEnabled());
    EXPECT_EQ(frame->GetEditor().GetConjunto().categorias.size(),
              categorias::Embutidas().categorias.size());
    EXPECT_EQ(Linha(frame->GetGradeCategorias(), 0),
              (std::vector<wxString>{"Mercearia", "R$ 30,00", "", "1"}));
    EXPECT_TRUE(banco->PercorrerLinhas("ROLLBACK", {}, nullptr));
}

}  // namespace
