// The reports window on a small database worked out by hand, driven as a person drives it: the
// period chooser, each tab's grid and chart, sorting by a column, copy and export forms, the
// double-clicks that open other windows, and an empty period.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "categorias/ArmazemCategorias.h"
#include "categorias/ConexaoBanco.h"
#include "charts/PanelHorizontalBarChart.h"
#include "charts/PanelMonthBarChart.h"
#include "charts/PanelMultiLineChart.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/GuiTest.h"
#include "ui/FrameCupom.h"
#include "ui/FrameHistoricoPrecos.h"
#include "ui/FrameRelatorios.h"
#include "widgets/MenuGrade.h"

namespace {

using namespace std::chrono_literals;
using teste::Coluna;
using teste::Linha;

teste::CupomFeed Cupom(int id, const char* data_hora, const char* cnpj, const char* fantasia,
                       double valor, const char* codigo, const char* descricao) {
    teste::CupomFeed c;
    c.id = id;
    c.data_hora = data_hora;
    c.cnpj = cnpj;
    c.fantasia = fantasia;
    c.numero_cfe = "00" + std::to_string(id);
    c.itens = {teste::ItemFeed{}};
    c.itens[0].codigo = codigo;
    c.itens[0].descricao = descricao;
    c.itens[0].valor_unit = valor;
    return c;
}

// Two branches of one company (11111111) and a bakery. The newest receipt is of 03/2025, so the
// last twelve months are 04/2024 to 03/2025: 5,00 + 20,00 + 15,00 = 40,00 in three receipts.
std::vector<teste::CupomFeed> Cupons() {
    return {
        Cupom(1, "20240110100000", "11111111000111", "MERCADO A", 10, "7891000100103", "ARROZ 5KG"),
        Cupom(2, "20240210100000", "11111111000292", "MERCADO A FILIAL", 30, "7891000100103",
              "ARROZ TIPO 1 5KG"),
        Cupom(3, "20250110080000", "22222222000133", "PADARIA B", 5, "1", "PAO FRANCES KG"),
        Cupom(4, "20250120183000", "11111111000111", "MERCADO A", 20, "7891000100103", "ARROZ 5KG"),
        Cupom(5, "20250305090000", "11111111000111", "MERCADO A", 15, "7891000100103", "ARROZ 5KG"),
    };
}

class JanelaRelatorios : public teste::BancoTeste {
protected:
    void SetUp() override {
        BancoTeste::SetUp();
        teste::Dialogos::Get().Limpar();
    }

    void Abrir() {
        janela = new wxFrame(nullptr, wxID_ANY, "principal");
        frame = new FrameRelatorios(janela, banco.get());
        frame->Show();
        Esperar();
    }

    void Esperar() {
        ASSERT_TRUE(teste::WaitFor([&] { return frame->Pronto(); }, 20s));
    }

    void EscolherPeriodo(int indice) {
        wxChoice* escolha = frame->GetEscolhaPeriodo();
        escolha->SetSelection(indice);
        wxCommandEvent evento(wxEVT_CHOICE, escolha->GetId());
        evento.SetEventObject(escolha);
        evento.SetInt(indice);
        escolha->ProcessWindowEvent(evento);
        Esperar();
    }

    void Aba(FrameRelatorios::Aba aba) {
        frame->GetAbas()->SetSelection(aba);
        Esperar();
    }

    void Marcar(wxCheckBox* caixa) {
        caixa->SetValue(!caixa->GetValue());
        wxCommandEvent evento(wxEVT_CHECKBOX, caixa->GetId());
        evento.SetEventObject(caixa);
        evento.SetInt(caixa->GetValue());
        caixa->ProcessWindowEvent(evento);
        Esperar();
    }

    void Ordenar(wxGrid* grid, int coluna) {
        wxGridEvent evento(grid->GetId(), wxEVT_GRID_COL_SORT, grid, -1, coluna);
        grid->ProcessWindowEvent(evento);
    }

    FrameRelatorios* frame = nullptr;
};

TEST_F(JanelaRelatorios, PeriodoPadraoELojasComFiliaisAgrupadasEDuploClique) {
    Importar(teste::FeedJson(Cupons()));
    Abrir();
    std::vector<wxString> escolhas;
    for (unsigned i = 0; i < frame->GetEscolhaPeriodo()->GetCount(); ++i)
        escolhas.push_back(frame->GetEscolhaPeriodo()->GetString(i));
    EXPECT_EQ(escolhas, (std::vector<wxString>{L"Últimos 12 meses", L"Tudo", "2025", "2024",
                                               L"Outro período…"}));
    EXPECT_EQ(frame->GetTextoPeriodo()->GetLabel(), "04/2024 a 03/2025");

    wxGrid* grid = frame->GetGrade(FrameRelatorios::kLojas);
    EXPECT_EQ(teste::Cabecalhos(grid),
              (std::vector<wxString>{"Loja", "CNPJ", "Cupons", "Total", L"Participação",
                                     L"Ticket médio", L"Última visita"}));
    EXPECT_EQ(Linha(grid, 0),
              (std::vector<wxString>{"MERCADO A", "11.111.111/0001-11", "2", "R$ 35,00", "87,5 %",
                                     "R$ 17,50", "05/03/2025"}));
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"MERCADO A", "PADARIA B"}));
    // A copy takes the cells as shown, a file the numbers as stored.
    controles::OrigemGrade copia(grid), arquivo(grid, true);
    std::string apoio;
    EXPECT_EQ(copia.Celula(0, 3, apoio), "R$ 35,00");
    EXPECT_EQ(arquivo.Celula(0, 3, apoio), "35.00");
    EXPECT_EQ(arquivo.Celula(0, 1, apoio), "11111111000111");
    EXPECT_EQ(arquivo.Celula(0, 6, apoio), "2025-03-05");
    EXPECT_EQ(frame->GetGraficoLojas()->GetDados().size(), 2u);

    // Sorted by a number column: by the number, largest first, then the other way.
    Ordenar(grid, 2);
    EXPECT_EQ(Coluna(grid, 2), (std::vector<wxString>{"2", "1"}));
    Ordenar(grid, 2);
    EXPECT_EQ(Coluna(grid, 2), (std::vector<wxString>{"1", "2"}));

    // Everything, with the branches merged under the largest one's name: 45 + 30 and 5.
    EscolherPeriodo(1);
    EXPECT_EQ(Coluna(grid, 3), (std::vector<wxString>{"R$ 45,00", "R$ 30,00", "R$ 5,00"}));
    Marcar(frame->GetAgruparFiliais());
    EXPECT_EQ(Linha(grid, 0),
              (std::vector<wxString>{"MERCADO A", "11.111.111/0001-11", "4", "R$ 75,00", "93,8 %",
                                     "R$ 18,75", "05/03/2025"}));
    teste::SalvarCaptura(frame, "relatorios_lojas");

    // A store's receipts, newest first; one of them opens the receipt detail.
    teste::DuploClique(grid, 0, 0);
    teste::ProcessarEventos();
    wxFrame* cupons = nullptr;
    for (wxWindow* w : wxTopLevelWindows)
        if (w->GetLabel().StartsWith("Cupons de MERCADO A")) cupons = dynamic_cast<wxFrame*>(w);
    ASSERT_NE(cupons, nullptr);
    wxGrid* grade_cupons = teste::Encontrar<wxGrid>(cupons);
    EXPECT_EQ(Coluna(grade_cupons, 0),
              (std::vector<wxString>{"05/03/2025", "20/01/2025", "10/02/2024", "10/01/2024"}));
    EXPECT_EQ(Linha(grade_cupons, 1),
              (std::vector<wxString>{"20/01/2025", "18:30", "R$ 20,00", "004"}));
    teste::DuploClique(grade_cupons, 1, 0);
    EXPECT_EQ(teste::JanelasAbertas<FrameCupom>().size(), 1u);
}

TEST_F(JanelaRelatorios, MesesAnosEAnoAAno) {
    Importar(teste::FeedJson(Cupons()));
    Abrir();
    Aba(FrameRelatorios::kMeses);
    wxGrid* grid = frame->GetGrade(FrameRelatorios::kMeses);
    ASSERT_EQ(grid->GetNumberRows(), 12);  // every month, those without receipts too
    EXPECT_EQ(Linha(grid, 0), (std::vector<wxString>{"04/2024", "R$ 0,00", "0", "", ""}));
    // January 2025 against January 2024: 25 against 10.
    EXPECT_EQ(Linha(grid, 9),
              (std::vector<wxString>{"01/2025", "R$ 25,00", "2", "R$ 12,50", "+150,0 %"}));
    EXPECT_EQ(frame->GetGraficoMeses()->GetDados().barras.size(), 12u);

    EscolherPeriodo(1);
    Marcar(frame->GetPorAno());
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"2024", "2025"}));
    EXPECT_EQ(Coluna(grid, 1), (std::vector<wxString>{"R$ 40,00", "R$ 40,00"}));
    // 2025 holds January to March; so does the year before, with 40,00: no change.
    EXPECT_EQ(Coluna(grid, 4), (std::vector<wxString>{"", "0,0 %"}));
    teste::SalvarCaptura(frame, "relatorios_meses");

    Aba(FrameRelatorios::kAnoAAno);
    wxGrid* anos = frame->GetGrade(FrameRelatorios::kAnoAAno);
    EXPECT_EQ(teste::Cabecalhos(anos),
              (std::vector<wxString>{L"Mês", "2024", "2025", L"Variação"}));
    ASSERT_EQ(anos->GetNumberRows(), 13);
    EXPECT_EQ(Linha(anos, 0),
              (std::vector<wxString>{"Janeiro", "R$ 10,00", "R$ 25,00", "+150,0 %"}));
    EXPECT_EQ(Linha(anos, 1), (std::vector<wxString>{"Fevereiro", "R$ 30,00", "R$ 0,00", ""}));
    // Over the months both years have (January alone): 25 against 10.
    EXPECT_EQ(Linha(anos, 12),
              (std::vector<wxString>{"Total", "R$ 40,00", "R$ 40,00", "+150,0 %"}));
    EXPECT_EQ(frame->GetGraficoAnos()->GetDados().series.size(), 2u);
    teste::SalvarCaptura(frame, "relatorios_ano_a_ano");
}

TEST_F(JanelaRelatorios, ProdutosBuscaEHistoricoEMinhaInflacao) {
    Importar(teste::FeedJson(Cupons()));
    Abrir();
    EscolherPeriodo(1);
    Aba(FrameRelatorios::kProdutos);
    wxGrid* grid = frame->GetGrade(FrameRelatorios::kProdutos);
    // The rice of both branches is one product, by its GTIN: 10 + 30 + 20 + 15.
    EXPECT_EQ(Linha(grid, 0), (std::vector<wxString>{"ARROZ 5KG", "07891000100103", "4", "4,000",
                                                     "UN", "R$ 18,75", "R$ 75,00", "93,8 %"}));
    frame->GetBuscaProduto()->ChangeValue("pao fran");
    wxCommandEvent texto(wxEVT_TEXT, frame->GetBuscaProduto()->GetId());
    frame->GetBuscaProduto()->ProcessWindowEvent(texto);
    Esperar();
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"PAO FRANCES KG"}));
    teste::DuploClique(grid, 0, 0);
    ASSERT_EQ(teste::JanelasAbertas<FrameHistoricoPrecos>().size(), 1u);
    FrameHistoricoPrecos* historico = teste::JanelasAbertas<FrameHistoricoPrecos>()[0];
    ASSERT_GE(historico->GetProdutoEscolhido(), 0);
    EXPECT_EQ(historico->GetCatalogo()
                  .Produtos()[static_cast<std::size_t>(historico->GetProdutoEscolhido())]
                  .descricao,
              "PAO FRANCES KG");

    // Fewer than five products compared in every month: the index stays at 100, and says why.
    Aba(FrameRelatorios::kInflacao);
    wxGrid* indice = frame->GetGrade(FrameRelatorios::kInflacao);
    ASSERT_EQ(indice->GetNumberRows(), 15);  // 01/2024 to 03/2025
    EXPECT_EQ(Linha(indice, 0), (std::vector<wxString>{"01/2024", "100,00", "", "", "0", ""}));
    EXPECT_EQ(Linha(indice, 1), (std::vector<wxString>{"02/2024", "100,00", "", "", "1",
                                                       L"mantido: menos de 5 produtos "
                                                       L"comparados"}));
    EXPECT_EQ(Linha(indice, 12)[3], "0,0 %");  // against 01/2024
    EXPECT_EQ(frame->GetGraficoInflacao()->GetDados().series.at(0).valores.size(), 15u);
    teste::SalvarCaptura(frame, "relatorios_inflacao");
}

TEST_F(JanelaRelatorios, PeriodoSemCuponsEBancoVazioDizemNenhumCupom) {
    Abrir();  // an empty database
    EXPECT_EQ(frame->GetEscolhaPeriodo()->GetCount(), 3u);
    EXPECT_TRUE(frame->MostraAviso(FrameRelatorios::kLojas));

    frame->Destroy();
    teste::ProcessarEventos();
    Importar(teste::FeedJson(Cupons()));
    frame = new FrameRelatorios(janela, banco.get());
    frame->Show();
    Esperar();
    EXPECT_FALSE(frame->MostraAviso(FrameRelatorios::kLojas));
    // Another period: 04/2024 to 12/2024, which holds no receipt.
    EscolherPeriodo(4);
    frame->GetMesInicial()->SetSelection(3);
    frame->GetMesFinal()->SetSelection(11);
    wxCommandEvent escolha(wxEVT_CHOICE, frame->GetMesFinal()->GetId());
    escolha.SetEventObject(frame->GetMesFinal());
    frame->GetMesFinal()->ProcessWindowEvent(escolha);
    Esperar();
    EXPECT_EQ(frame->GetTextoPeriodo()->GetLabel(), "04/2024 a 12/2024");
    for (auto aba : {FrameRelatorios::kLojas, FrameRelatorios::kMeses, FrameRelatorios::kAnoAAno,
                     FrameRelatorios::kProdutos, FrameRelatorios::kInflacao}) {
        Aba(aba);
        EXPECT_TRUE(frame->MostraAviso(aba)) << aba;
    }
    teste::SalvarCaptura(frame, "relatorios_vazio");
}

// The same receipts and one of now, 50,00 of rice, with limits of 40,00 on Mercearia and 100,00
// on Padaria: the window opens naming Mercearia over its limit; the last twelve months hold only
// that receipt, against 20,00 + 15,00 of rice the twelve before (+42,9 %).
TEST_F(JanelaRelatorios, CategoriasEOLimiteDoMes) {
    std::vector<teste::CupomFeed> cupons = Cupons();
    const std::time_t agora = std::time(nullptr);
    std::tm local{};
    localtime_r(&agora, &local);
    char hoje[16];
    std::strftime(hoje, sizeof hoje, "%Y%m%d%H%M%S", &local);
    cupons.push_back(
        Cupom(6, hoje, "11111111000111", "MERCADO A", 50, "7891000100103", "ARROZ 5KG"));
    Importar(teste::FeedJson(cupons));
    {
        categorias::ConexaoBanco conexao(*banco);
        categorias::ArmazemCategorias armazem(conexao);
        categorias::Conjunto conjunto;
        ASSERT_TRUE(armazem.Carregar(conjunto)) << armazem.Erro();
        for (const auto& [nome, limite] : {std::pair("Mercearia", 40.0), {"Padaria", 100.0}})
            for (const categorias::Categoria& c : conjunto.categorias)
                if (c.nome == nome) {
                    EXPECT_TRUE(armazem.GravarLimite(c.id, limite));
                }
    }
    Abrir();
    ASSERT_TRUE(frame->GetAvisoLimite()->IsShown());
    EXPECT_TRUE(frame->GetAvisoLimite()->GetLabel().EndsWith(": Mercearia"))
        << frame->GetAvisoLimite()->GetLabel();
    const auto& orcamento = frame->GetOrcamento()->GetLinhas();
    ASSERT_EQ(orcamento.size(), 2u);
    EXPECT_EQ(orcamento[0].nome, "Mercearia");
    EXPECT_EQ(orcamento[0].faixa, categorias::SituacaoOrcamento::Faixa::Vermelha);
    EXPECT_TRUE(orcamento[0].texto.StartsWith(L"R$ 50,00 de R$ 40,00 (125,0 %)"))
        << orcamento[0].texto;
    EXPECT_EQ(orcamento[1].faixa, categorias::SituacaoOrcamento::Faixa::Verde);

    Aba(FrameRelatorios::kCategorias);
    wxGrid* grid = frame->GetGrade(FrameRelatorios::kCategorias);
    EXPECT_EQ(teste::Linha(grid, 0),
              (std::vector<wxString>{"Mercearia", "R$ 50,00", "100,0 %", "+42,9 %", "1"}));
    EXPECT_EQ(grid->GetNumberRows(), static_cast<int>(categorias::Embutidas().categorias.size()));
    teste::SalvarCaptura(frame, "relatorios_categorias");

    teste::DuploClique(grid, 0, 0);
    teste::ProcessarEventos();
    wxFrame* produtos = nullptr;
    for (wxWindow* w : wxTopLevelWindows)
        if (w->GetLabel().StartsWith("Produtos de Mercearia")) produtos = dynamic_cast<wxFrame*>(w);
    ASSERT_NE(produtos, nullptr);
    wxGrid* grade_produtos = teste::Encontrar<wxGrid>(produtos);
    EXPECT_EQ(teste::Coluna(grade_produtos, 0), (std::vector<wxString>{"ARROZ 5KG"}));
    teste::DuploClique(grade_produtos, 0, 0);
    EXPECT_EQ(teste::JanelasAbertas<FrameHistoricoPrecos>().size(), 1u);
}

}  // namespace
