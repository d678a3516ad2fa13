#pragma once

// "Relatórios": where the money went and how much dearer one's own shopping got, for a period
// chosen on top: the stores, the months (or years), the years side by side, the products, the
// person's own inflation index, and the kinds of purchase (categorias/), one tab each. The receipts
// are read once, off the window's thread; each tab computes its report for the period when it is
// shown, also off the window's thread, and the report on screen stays until the new one is ready.

#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/splitter.h>

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "categorias/Categorias.h"
#include "categorias/RelatorioCategorias.h"
#include "relatorios/DadosRelatorios.h"
#include "relatorios/MinhaInflacao.h"
#include "relatorios/Periodo.h"
#include "relatorios/RelatorioLojas.h"
#include "relatorios/RelatorioMeses.h"
#include "relatorios/RelatorioProdutos.h"

class BancoDados;
class PanelHorizontalBarChart;
class PanelMonthBarChart;
class PanelMultiLineChart;
class TabelaRelatorio;
class wxCheckBox;
class wxChoice;
class wxGrid;
class wxGridEvent;
class wxNotebook;
class wxPanel;
class wxStaticText;
class wxTextCtrl;

// Each category with a monthly limit this month: its name, a bar of what was spent against the
// limit (green below 80 %, amber up to 100 %, red above) and the numbers beside it.
class PanelOrcamento : public wxPanel {
public:
    struct Linha {
        wxString nome;
        double fracao = 0;
        categorias::SituacaoOrcamento::Faixa faixa = categorias::SituacaoOrcamento::Faixa::Verde;
        wxString texto;  // "R$ 120,00 de R$ 150,00 (80,0 %) · fim do mês previsto: R$ 180,00"
    };
    explicit PanelOrcamento(wxWindow* parent);
    void SetLinhas(std::vector<Linha> linhas);
    const std::vector<Linha>& GetLinhas() const { return linhas_; }
    static wxColour CorDaFaixa(categorias::SituacaoOrcamento::Faixa faixa);

private:
    void Desenhar();
    std::vector<Linha> linhas_;
};

class FrameRelatorios : public wxFrame {
public:
    enum Aba { kLojas, kMeses, kAnoAAno, kProdutos, kInflacao, kCategorias, kNumeroAbas };

    // `banco` is borrowed and must outlive the window. Built, not shown; the receipts are read
    // on a thread of the window's own.
    FrameRelatorios(wxWindow* parent, BancoDados* banco);
    ~FrameRelatorios() override;

    // The receipts are read and the shown tab's report for the chosen period is on screen.
    bool Pronto() const;
    const relatorios::Periodo& GetPeriodo() const { return periodo; }

    // The controls, for tests and the benchmark.
    wxChoice* GetEscolhaPeriodo() const { return escolha_periodo; }
    wxChoice* GetMesInicial() const { return mes_de; }
    wxChoice* GetMesFinal() const { return mes_ate; }
    wxStaticText* GetTextoPeriodo() const { return texto_periodo; }
    wxNotebook* GetAbas() const { return abas; }
    wxGrid* GetGrade(Aba aba) const { return paginas[aba].grade; }
    wxCheckBox* GetAgruparFiliais() const { return agrupar_filiais; }
    wxCheckBox* GetPorAno() const { return por_ano; }
    wxTextCtrl* GetBuscaProduto() const { return busca_produto; }
    wxGrid* GetGradeAltas() const { return grade_altas; }
    wxGrid* GetGradeBaixas() const { return grade_baixas; }
    PanelHorizontalBarChart* GetGraficoLojas() const { return grafico_lojas; }
    PanelMonthBarChart* GetGraficoMeses() const { return grafico_meses; }
    PanelMultiLineChart* GetGraficoAnos() const { return grafico_anos; }
    PanelMultiLineChart* GetGraficoInflacao() const { return grafico_inflacao; }
    PanelMultiLineChart* GetGraficoCategorias() const { return grafico_categorias; }
    PanelOrcamento* GetOrcamento() const { return painel_orcamento; }
    // The line over the tabs naming the categories over their limit this month; hidden when none.
    wxStaticText* GetAvisoLimite() const { return aviso_limite; }
    // Whether the tab shows "Nenhum cupom no período." in place of its grid and chart.
    bool MostraAviso(Aba aba) const;

private:
    // What a tab's report depends on besides the data: a change of any part asks for it again.
    struct Assinatura {
        relatorios::Periodo periodo;
        bool opcao = false;  // "Agrupar filiais", "Por ano"
        std::string busca;
        bool operator==(const Assinatura&) const = default;
    };

    // One tab: its content, and the notice shown in its place for an empty period.
    struct Pagina {
        wxPanel* painel = nullptr;
        wxWindow* conteudo = nullptr;
        wxStaticText* aviso = nullptr;
        wxGrid* grade = nullptr;
        // The request whose report is wanted, and the one on screen.
        unsigned pedido = 0;
        unsigned mostrado = 0;
        Assinatura assinatura;  // of the last request
    };

    wxPanel* CriarPagina(Aba aba, const wxString& titulo);
    // Splits `splitter` once the window has its opening size (a negative `posicao`: the size of
    // the second pane).
    void Dividir(wxSplitterWindow* splitter, wxWindow* primeiro, wxWindow* segundo,
                 wxSplitMode modo, int posicao, double gravidade);
    void CriarAbaLojas();
    void CriarAbaMeses();
    void CriarAbaAnoAAno();
    void CriarAbaProdutos();
    void CriarAbaInflacao();
    void CriarAbaCategorias();

    void OnDadosCarregados(std::shared_ptr<const relatorios::DadosRelatorios> carregados, bool ok,
                           const wxString& erro);
    void PreencherEscolhaPeriodo();
    void OnEscolhaPeriodo(wxCommandEvent& event);
    void OnMesesOutroPeriodo(wxCommandEvent& event);
    void DefinirPeriodo(const relatorios::Periodo& novo);

    // Asks for the report of `aba` for the period and options of now, off the window's thread.
    void Calcular(Aba aba);
    void CalcularAbaMostrada();
    void MostrarAviso(Aba aba, bool aviso);

    void MostrarLojas(std::vector<relatorios::LinhaLoja> linhas);
    void MostrarMeses(std::vector<relatorios::LinhaMes> meses,
                      std::vector<relatorios::LinhaAno> anos);
    void MostrarAnoAAno(relatorios::AnoAAno tabela);
    void MostrarProdutos(std::vector<relatorios::LinhaProduto> linhas);
    void MostrarInflacao(relatorios::MinhaInflacao inflacao);
    void MostrarCategorias(std::vector<categorias::LinhaCategoria> linhas,
                           categorias::GastoMensal gasto);
    void MostrarOrcamento(const std::vector<categorias::SituacaoOrcamento>& orcamento);

    void OnLojaDuploClique(wxGridEvent& event);
    void OnProdutoDuploClique(wxGridEvent& event);
    void OnContribuicaoDuploClique(wxGridEvent& event, bool altas);
    void OnCategoriaDuploClique(wxGridEvent& event);
    void AbrirHistorico(const std::string& chave, const std::string& descricao);

    // The window's own worker: jobs run one after another; what they show is posted back.
    void Trabalhar();
    void Enfileirar(std::function<void()> trabalho);

    BancoDados* banco;
    std::shared_ptr<const relatorios::DadosRelatorios> dados;
    bool carregado = false;
    relatorios::Periodo periodo;
    std::vector<int> anos;  // the years of the period chooser, newest first

    wxChoice* escolha_periodo = nullptr;
    wxChoice* mes_de = nullptr;
    wxChoice* mes_ate = nullptr;
    wxStaticText* rotulo_ate = nullptr;
    wxStaticText* texto_periodo = nullptr;
    wxNotebook* abas = nullptr;
    std::array<Pagina, kNumeroAbas> paginas;
    std::vector<std::function<void()>> divisoes;  // until the opening layout

    wxCheckBox* agrupar_filiais = nullptr;
    PanelHorizontalBarChart* grafico_lojas = nullptr;
    std::vector<relatorios::LinhaLoja> lojas;
    relatorios::Periodo periodo_lojas;

    wxCheckBox* por_ano = nullptr;
    PanelMonthBarChart* grafico_meses = nullptr;

    PanelMultiLineChart* grafico_anos = nullptr;

    wxTextCtrl* busca_produto = nullptr;
    std::vector<relatorios::LinhaProduto> produtos;

    PanelMultiLineChart* grafico_inflacao = nullptr;
    wxGrid* grade_altas = nullptr;
    wxGrid* grade_baixas = nullptr;
    relatorios::MinhaInflacao inflacao;

    // The categories and each product's, made with the data and never changed after: the
    // worker's jobs read them while the window holds them.
    struct Categorizacao {
        categorias::Conjunto conjunto;
        categorias::Classificacao classificacao;
    };
    std::shared_ptr<const Categorizacao> categorizacao;
    wxStaticText* aviso_limite = nullptr;
    PanelOrcamento* painel_orcamento = nullptr;
    PanelMultiLineChart* grafico_categorias = nullptr;
    std::vector<categorias::LinhaCategoria> linhas_categorias;
    relatorios::Periodo periodo_categorias;

    std::mutex fila_mutex;  // guards fila and parar
    std::condition_variable fila_mudou;
    std::deque<std::function<void()>> fila;
    bool parar = false;
    std::thread trabalhador;
};

// Opens the reports window of `banco` as a child of `parent`.
void AbrirRelatorios(wxWindow* parent, BancoDados* banco);
