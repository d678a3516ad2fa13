#include "ui/FrameRelatorios.h"

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>
#include <utility>

#include "base/FormatoBr.h"
#include "categorias/ArmazemCategorias.h"
#include "categorias/ConexaoBanco.h"
#include "charts/PanelHorizontalBarChart.h"
#include "charts/PanelMonthBarChart.h"
#include "charts/PanelMultiLineChart.h"
#include "db/BancoDados.h"
#include "precos/Produto.h"
#include "relatorios/LeituraRelatorios.h"
#include "ui/FrameCupom.h"
#include "ui/FrameHistoricoPrecos.h"
#include "ui/TabelaRelatorio.h"
#include "widgets/Controles.h"
#include "widgets/MenuGrade.h"

using namespace relatorios;

namespace {

const wchar_t* const kTitulo = L"Relatórios";
const wchar_t* const kRotuloPeriodo = L"Período:";
const wchar_t* const kUltimos12Meses = L"Últimos 12 meses";
const wchar_t* const kTudo = L"Tudo";
const wchar_t* const kOutroPeriodo = L"Outro período…";
const wchar_t* const kRotuloAte = L"a";
const wchar_t* const kPeriodoTexto = L"%s a %s";
const wchar_t* const kCarregando = L"Lendo os cupons…";
const wchar_t* const kNenhumCupom = L"Nenhum cupom no período.";
const wchar_t* const kAbas[] = {L"Lojas",    L"Meses",          L"Ano a ano",
                                L"Produtos", L"Minha inflação", L"Categorias"};
const wchar_t* const kAgruparFiliais = L"Agrupar filiais";
const wchar_t* const kPorAno = L"Por ano";
const wchar_t* const kRotuloProduto = L"Produto:";
const wchar_t* const kTituloAltas = L"O que mais subiu";
const wchar_t* const kTituloBaixas = L"O que mais baixou";
const wchar_t* const kSerieIndice = L"Índice";
const wchar_t* const kMantido = L"mantido: menos de %d produtos comparados";
const wchar_t* const kExplicacao =
    L"Cada mês é comparado com o anterior pelos produtos comprados nos dois: o preço de um "
    L"produto no mês é a mediana do que você pagou por unidade, já com o desconto; a variação do "
    L"mês é a média geométrica das variações desses preços, cada produto pesando o quanto você "
    L"gastou com ele nos dois meses (índice de Törnqvist encadeado). Variações de mais de três "
    L"vezes para cima ou para baixo são trocas de embalagem e ficam de fora. O índice começa em "
    L"100 no primeiro mês do período.";
const wchar_t* const kTituloCuponsLoja = L"Cupons de %s (%s)";
const wchar_t* const kTituloProdutosCategoria = L"Produtos de %s (%s)";
const wchar_t* const kAcimaDoLimite = L"Acima do limite mensal em %s: %s";
const wchar_t* const kSemLimites = L"Nenhuma categoria tem limite mensal.";
const wchar_t* const kLinhaOrcamento = L"%s de %s (%s) · fim do mês previsto: %s";
constexpr std::size_t kSeriesCategorias = 6;
constexpr int kLarguraGraficoCategorias = 520;
constexpr int kAlturaLinhaOrcamento = 24;
constexpr int kLarguraNomeOrcamento = 170;
constexpr int kLarguraBarraOrcamento = 220;
const wchar_t* const kNomesMeses[] = {L"Janeiro",  L"Fevereiro", L"Março",    L"Abril",
                                      L"Maio",     L"Junho",     L"Julho",    L"Agosto",
                                      L"Setembro", L"Outubro",   L"Novembro", L"Dezembro"};

// Opened at a size that fits a 1280 x 720 screen with its panels.
const wxSize kTamanhoInicial(1200, 660);
const wxSize kTamanhoMinimo(760, 480);
constexpr int kBorda = 6;
constexpr int kMenorPainel = 120;
constexpr std::size_t kSeriesAnoAAno = 5;
// The stores' grid shows its seven columns beside the chart at the opening size.
constexpr int kLarguraGraficoLojas = 290;
constexpr int kLarguraContribuicoes = 520;
constexpr int kAlturaGrafico = 280;
// The index's chart and the sentence under it, above the months' grid.
constexpr int kAlturaGraficoInflacao = 310;
constexpr int kAlturaGradeAnos = 300;

using Coluna = TabelaRelatorio::Coluna;

std::string Utf8(const wxString& texto) {
    return texto.utf8_string();
}

wxString DeUtf8(const std::string& texto) {
    return wxString::FromUTF8(texto);
}

wxString TextoMesAno(int mes) {
    return formato::MesAno(AnoDoMes(mes), MesDoAno(mes));
}

wxString TextoDoPeriodo(const Periodo& p) {
    if (p.Vazio()) return wxString();
    return wxString::Format(kPeriodoTexto, TextoMesAno(p.de), TextoMesAno(p.ate));
}

// A chart's money: whole reais ("R$ 1.234").
wxString DinheiroInteiro(double valor) {
    return formato::Dinheiro(valor, 0);
}

// The receipts of one store (or company) in a period, a double-click opening one.
class FrameCuponsLoja : public wxFrame {
public:
    FrameCuponsLoja(wxWindow* parent, BancoDados* banco, const wxString& titulo,
                    const std::vector<CupomDaLoja>& cupons)
        : wxFrame(parent, wxID_ANY, titulo, wxDefaultPosition, wxSize(520, 480)), banco_(banco) {
        grade_ = CriarGradeRelatorio(this, [] { return controles::NomeArquivoCsv("cupons-loja"); });
        auto* tabela = new TabelaRelatorio({{"Data", true},
                                            {"Hora", true},
                                            {"Total", true},
                                            {wxString::FromUTF8("Número"), false}});
        for (const CupomDaLoja& c : cupons)
            tabela->AdicionarLinha({celula::Data(c.data_hora), celula::Hora(c.data_hora),
                                    celula::Dinheiro(c.total), celula::Texto(c.numero_cfe)},
                                   c.id);
        MostrarTabelaRelatorio(grade_, tabela);
        grade_->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, [this](wxGridEvent& event) {
            const auto* t = dynamic_cast<TabelaRelatorio*>(grade_->GetTable());
            const int id = t ? t->ChaveDaLinha(event.GetRow()) : -1;
            // The receipt belongs to the main window, as the reports do.
            if (id > 0) controles::MostrarNaTela(new FrameCupom(GetParent(), banco_, id));
            event.Skip();
        });
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(grade_, 1, wxEXPAND, 0);
        SetSizer(sizer);
    }

    wxGrid* Grade() const { return grade_; }

private:
    BancoDados* banco_;
    wxGrid* grade_;
};

// The price history of a report's product, as a child of `parent`.
void AbrirHistoricoDoProduto(wxWindow* parent, BancoDados* banco, const std::string& chave,
                             const std::string& descricao) {
    // The identity is a GTIN ("G" and 14 digits, then "@" and the store for a store's own code)
    // or a normalised description ("D" and it): the price history finds the product from a code
    // and store or from a description.
    const bool gtin = !chave.empty() && chave[0] == 'G';
    const std::string_view loja = precos::LojaDaChave(chave);
    const wxString codigo =
        gtin ? DeUtf8(TextoProduto(chave.substr(0, chave.find('@')))) : wxString();
    const wxString texto = gtin ? DeUtf8(descricao) : DeUtf8(TextoProduto(chave));
    controles::MostrarNaTela(
        new FrameHistoricoPrecos(parent, banco, codigo, texto, DeUtf8(std::string(loja))));
}

// The products of one category in a period, a double-click opening one's price history.
class FrameProdutosCategoria : public wxFrame {
public:
    FrameProdutosCategoria(wxWindow* parent, BancoDados* banco, const wxString& titulo,
                           std::vector<LinhaProduto> lista)
        : wxFrame(parent, wxID_ANY, titulo, wxDefaultPosition, wxSize(640, 480)),
          banco_(banco),
          produtos_(std::move(lista)) {
        const std::vector<LinhaProduto>& produtos = produtos_;
        grade_ = CriarGradeRelatorio(
            this, [] { return controles::NomeArquivoCsv("produtos-categoria"); });
        auto* tabela = new TabelaRelatorio({{wxString::FromUTF8("Descrição"), false},
                                            {"Produto", false},
                                            {"Compras", true},
                                            {"Total", true},
                                            {wxString::FromUTF8("Participação"), true}});
        for (std::size_t i = 0; i < produtos.size(); ++i) {
            const LinhaProduto& l = produtos[i];
            tabela->AdicionarLinha(
                {celula::Texto(l.descricao), celula::Texto(TextoProduto(l.chave)),
                 celula::Inteiro(l.compras), celula::Dinheiro(l.total),
                 celula::Percentual(l.participacao)},
                static_cast<int>(i));
        }
        MostrarTabelaRelatorio(grade_, tabela);
        grade_->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, [this](wxGridEvent& event) {
            event.Skip();
            auto* t = dynamic_cast<TabelaRelatorio*>(grade_->GetTable());
            const int linha = t ? t->ChaveDaLinha(event.GetRow()) : -1;
            if (linha < 0 || linha >= static_cast<int>(produtos_.size())) return;
            const LinhaProduto& p = produtos_[static_cast<std::size_t>(linha)];
            // The history belongs to the main window, as the reports do.
            AbrirHistoricoDoProduto(GetParent(), banco_, p.chave, p.descricao);
        });
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(grade_, 1, wxEXPAND, 0);
        SetSizer(sizer);
    }

private:
    BancoDados* banco_;
    std::vector<LinhaProduto> produtos_;
    wxGrid* grade_;
};

// The month and day of today, by the local clock.
std::pair<int, int> MesEDiaDeHoje() {
    const std::time_t agora = std::time(nullptr);
    std::tm local{};
    localtime_r(&agora, &local);
    return {Mes(local.tm_year + 1900, local.tm_mon + 1), local.tm_mday};
}

}  // namespace

wxColour PanelOrcamento::CorDaFaixa(categorias::SituacaoOrcamento::Faixa faixa) {
    switch (faixa) {
        case categorias::SituacaoOrcamento::Faixa::Verde:
            return wxColour(46, 160, 67);
        case categorias::SituacaoOrcamento::Faixa::Ambar:
            return wxColour(230, 160, 0);
        case categorias::SituacaoOrcamento::Faixa::Vermelha:
            break;
    }
    return wxColour(210, 50, 40);
}

PanelOrcamento::PanelOrcamento(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) { Desenhar(); });
    SetLinhas({});
}

void PanelOrcamento::SetLinhas(std::vector<Linha> linhas) {
    linhas_ = std::move(linhas);
    const int n = std::max<int>(1, static_cast<int>(linhas_.size()));
    SetMinSize(wxSize(-1, n * kAlturaLinhaOrcamento + kBorda));
    Refresh();
}

void PanelOrcamento::Desenhar() {
    wxPaintDC dc(this);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    if (linhas_.empty()) {
        dc.DrawText(kSemLimites, kBorda, kBorda / 2);
        return;
    }
    for (std::size_t i = 0; i < linhas_.size(); ++i) {
        const Linha& l = linhas_[i];
        const int y = static_cast<int>(i) * kAlturaLinhaOrcamento + kBorda / 2;
        const int altura = kAlturaLinhaOrcamento - kBorda;
        dc.DrawText(l.nome, kBorda, y + 2);
        const int x = kBorda + kLarguraNomeOrcamento;
        dc.SetPen(wxPen(GetForegroundColour()));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(x, y, kLarguraBarraOrcamento, altura);
        const double fracao = std::clamp(l.fracao, 0.0, 1.0);
        const int largura = static_cast<int>(std::lround(fracao * (kLarguraBarraOrcamento - 2)));
        if (largura > 0) {
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(wxBrush(CorDaFaixa(l.faixa)));
            dc.DrawRectangle(x + 1, y + 1, largura, altura - 2);
        }
        dc.DrawText(l.texto, x + kLarguraBarraOrcamento + kBorda, y + 2);
    }
}

FrameRelatorios::FrameRelatorios(wxWindow* parent, BancoDados* banco_dados)
    : wxFrame(parent, wxID_ANY, kTitulo, wxDefaultPosition, kTamanhoInicial),
      banco(banco_dados),
      dados(std::make_shared<DadosRelatorios>()) {
    auto* painel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxTAB_TRAVERSAL | wxNO_BORDER);
    auto* sizer = new wxBoxSizer(wxVERTICAL);

    auto* linha_periodo = new wxBoxSizer(wxHORIZONTAL);
    linha_periodo->Add(new wxStaticText(painel, wxID_ANY, kRotuloPeriodo), 0,
                       wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
    escolha_periodo = new wxChoice(painel, wxID_ANY);
    escolha_periodo->Bind(wxEVT_CHOICE, &FrameRelatorios::OnEscolhaPeriodo, this);
    linha_periodo->Add(escolha_periodo, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
    mes_de = new wxChoice(painel, wxID_ANY);
    mes_ate = new wxChoice(painel, wxID_ANY);
    mes_de->Bind(wxEVT_CHOICE, &FrameRelatorios::OnMesesOutroPeriodo, this);
    mes_ate->Bind(wxEVT_CHOICE, &FrameRelatorios::OnMesesOutroPeriodo, this);
    linha_periodo->Add(mes_de, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
    rotulo_ate = new wxStaticText(painel, wxID_ANY, kRotuloAte);
    linha_periodo->Add(rotulo_ate, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
    linha_periodo->Add(mes_ate, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
    texto_periodo = new wxStaticText(painel, wxID_ANY, kCarregando);
    linha_periodo->Add(texto_periodo, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kBorda);
    sizer->Add(linha_periodo, 0, wxEXPAND | wxALL, kBorda);
    aviso_limite = new wxStaticText(painel, wxID_ANY, wxString());
    aviso_limite->SetForegroundColour(
        PanelOrcamento::CorDaFaixa(categorias::SituacaoOrcamento::Faixa::Vermelha));
    aviso_limite->Hide();
    sizer->Add(aviso_limite, 0, wxLEFT | wxRIGHT | wxBOTTOM, kBorda);
    // The two months stand beside the chooser only for "Outro período…"; the text beside it
    // then says nothing more.
    for (wxWindow* janela : {static_cast<wxWindow*>(mes_de), static_cast<wxWindow*>(rotulo_ate),
                             static_cast<wxWindow*>(mes_ate)})
        janela->Hide();

    abas = new wxNotebook(painel, wxID_ANY);
    CriarAbaLojas();
    CriarAbaMeses();
    CriarAbaAnoAAno();
    CriarAbaProdutos();
    CriarAbaInflacao();
    CriarAbaCategorias();
    abas->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, [this](wxBookCtrlEvent& event) {
        event.Skip();
        CalcularAbaMostrada();
    });
    sizer->Add(abas, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorda);
    painel->SetSizer(sizer);
    auto* sizer_frame = new wxBoxSizer(wxVERTICAL);
    sizer_frame->Add(painel, 1, wxEXPAND, 0);
    SetSizer(sizer_frame);
    SetMinSize(kTamanhoMinimo);
    // Split at the opening size, so the sashes stand where they are put; only later resizing is
    // shared out by the gravities.
    Layout();
    for (const auto& dividir : divisoes) dividir();
    divisoes.clear();

    trabalhador = std::thread(&FrameRelatorios::Trabalhar, this);
    // Ten years of receipts take a moment to read: the window answers meanwhile.
    Enfileirar([this] {
        auto lidos = std::make_shared<DadosRelatorios>();
        const bool ok = CarregarDados(*banco, *lidos);
        const wxString erro = ok ? wxString() : banco->GetErro();
        if (!ok) *lidos = DadosRelatorios();
        // The person's categories, or the built-in ones while none are stored: reading them
        // writes nothing.
        auto cat = std::make_shared<Categorizacao>();
        categorias::ConexaoBanco conexao(*banco);
        if (!categorias::ArmazemCategorias(conexao).Ler(cat->conjunto))
            cat->conjunto = categorias::Embutidas();
        cat->classificacao = categorias::Classificar(*lidos, cat->conjunto);
        const auto [mes, dia] = MesEDiaDeHoje();
        auto orcamento = std::make_shared<std::vector<categorias::SituacaoOrcamento>>(
            categorias::Orcamento(*lidos, cat->conjunto, cat->classificacao, mes, dia));
        CallAfter([this, lidos, ok, erro, cat, orcamento] {
            categorizacao = cat;
            OnDadosCarregados(lidos, ok, erro);
            MostrarOrcamento(*orcamento);
        });
    });
}

FrameRelatorios::~FrameRelatorios() {
    {
        std::lock_guard<std::mutex> trava(fila_mutex);
        parar = true;
        fila.clear();
    }
    fila_mudou.notify_all();
    if (trabalhador.joinable()) trabalhador.join();
    // Nothing can queue another call now; drop those still queued for this window.
    if (wxTheApp) wxTheApp->RemovePendingEventHandler(this);
    DeletePendingEvents();
}

void FrameRelatorios::Trabalhar() {
    while (true) {
        std::function<void()> trabalho;
        {
            std::unique_lock<std::mutex> trava(fila_mutex);
            fila_mudou.wait(trava, [this] { return parar || !fila.empty(); });
            if (parar) return;
            trabalho = std::move(fila.front());
            fila.pop_front();
        }
        trabalho();
    }
}

void FrameRelatorios::Enfileirar(std::function<void()> trabalho) {
    {
        std::lock_guard<std::mutex> trava(fila_mutex);
        fila.push_back(std::move(trabalho));
    }
    fila_mudou.notify_one();
}

void FrameRelatorios::Dividir(wxSplitterWindow* splitter, wxWindow* primeiro, wxWindow* segundo,
                              wxSplitMode modo, int posicao, double gravidade) {
    divisoes.push_back([=] {
        splitter->SetMinimumPaneSize(kMenorPainel);
        if (modo == wxSPLIT_VERTICAL)
            splitter->SplitVertically(primeiro, segundo, posicao);
        else
            splitter->SplitHorizontally(primeiro, segundo, posicao);
        splitter->SetSashGravity(gravidade);
    });
}

wxPanel* FrameRelatorios::CriarPagina(Aba aba, const wxString& titulo) {
    Pagina& p = paginas[aba];
    p.painel = new wxPanel(abas, wxID_ANY);
    p.aviso = new wxStaticText(p.painel, wxID_ANY, kCarregando, wxDefaultPosition, wxDefaultSize,
                               wxALIGN_CENTRE_HORIZONTAL);
    abas->AddPage(p.painel, titulo);
    return p.painel;
}

void FrameRelatorios::CriarAbaLojas() {
    wxPanel* painel = CriarPagina(kLojas, kAbas[kLojas]);
    agrupar_filiais = new wxCheckBox(painel, wxID_ANY, kAgruparFiliais);
    agrupar_filiais->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { Calcular(kLojas); });

    auto* splitter = controles::CriarSplitter(painel);
    wxGrid* grade =
        CriarGradeRelatorio(splitter, [] { return controles::NomeArquivoCsv("lojas"); });
    grade->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, &FrameRelatorios::OnLojaDuploClique, this);
    grafico_lojas = new PanelHorizontalBarChart(splitter);
    Dividir(splitter, grade, grafico_lojas, wxSPLIT_VERTICAL, -kLarguraGraficoLojas, 0.6);
    paginas[kLojas].grade = grade;
    paginas[kLojas].conteudo = splitter;

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(agrupar_filiais, 0, wxALL, kBorda);
    sizer->Add(splitter, 1, wxEXPAND, 0);
    sizer->Add(paginas[kLojas].aviso, 1, wxEXPAND | wxALL, 4 * kBorda);
    painel->SetSizer(sizer);
}

void FrameRelatorios::CriarAbaMeses() {
    wxPanel* painel = CriarPagina(kMeses, kAbas[kMeses]);
    por_ano = new wxCheckBox(painel, wxID_ANY, kPorAno);
    por_ano->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { Calcular(kMeses); });

    auto* splitter = controles::CriarSplitter(painel);
    grafico_meses = new PanelMonthBarChart(splitter);
    wxGrid* grade = CriarGradeRelatorio(splitter, [this] {
        return controles::NomeArquivoCsv(por_ano->GetValue() ? "anos" : "meses");
    });
    Dividir(splitter, grafico_meses, grade, wxSPLIT_HORIZONTAL, kAlturaGrafico, 0.5);
    paginas[kMeses].grade = grade;
    paginas[kMeses].conteudo = splitter;

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(por_ano, 0, wxALL, kBorda);
    sizer->Add(splitter, 1, wxEXPAND, 0);
    sizer->Add(paginas[kMeses].aviso, 1, wxEXPAND | wxALL, 4 * kBorda);
    painel->SetSizer(sizer);
}

void FrameRelatorios::CriarAbaAnoAAno() {
    wxPanel* painel = CriarPagina(kAnoAAno, kAbas[kAnoAAno]);
    auto* splitter = controles::CriarSplitter(painel);
    wxGrid* grade =
        CriarGradeRelatorio(splitter, [] { return controles::NomeArquivoCsv("ano-a-ano"); });
    grafico_anos = new PanelMultiLineChart(splitter);
    Dividir(splitter, grade, grafico_anos, wxSPLIT_HORIZONTAL, kAlturaGradeAnos, 0.5);
    paginas[kAnoAAno].grade = grade;
    paginas[kAnoAAno].conteudo = splitter;

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(splitter, 1, wxEXPAND, 0);
    sizer->Add(paginas[kAnoAAno].aviso, 1, wxEXPAND | wxALL, 4 * kBorda);
    painel->SetSizer(sizer);
}

void FrameRelatorios::CriarAbaProdutos() {
    wxPanel* painel = CriarPagina(kProdutos, kAbas[kProdutos]);
    auto* linha = new wxBoxSizer(wxHORIZONTAL);
    linha->Add(new wxStaticText(painel, wxID_ANY, kRotuloProduto), 0,
               wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
    busca_produto = new wxTextCtrl(painel, wxID_ANY);
    busca_produto->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { Calcular(kProdutos); });
    linha->Add(busca_produto, 1, wxEXPAND, 0);

    wxGrid* grade =
        CriarGradeRelatorio(painel, [] { return controles::NomeArquivoCsv("produtos"); });
    grade->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, &FrameRelatorios::OnProdutoDuploClique, this);
    paginas[kProdutos].grade = grade;
    paginas[kProdutos].conteudo = grade;

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(linha, 0, wxEXPAND | wxALL, kBorda);
    sizer->Add(grade, 1, wxEXPAND, 0);
    sizer->Add(paginas[kProdutos].aviso, 1, wxEXPAND | wxALL, 4 * kBorda);
    painel->SetSizer(sizer);
}

void FrameRelatorios::CriarAbaInflacao() {
    wxPanel* painel = CriarPagina(kInflacao, kAbas[kInflacao]);
    // The chart, its sentence and the months on the left; the products that moved the index on
    // the right, over the whole height, so that all fifteen show at the opening size.
    auto* splitter = controles::CriarSplitter(painel);
    auto* esquerda = controles::CriarSplitter(splitter);

    auto* superior = new wxPanel(esquerda);
    grafico_inflacao = new PanelMultiLineChart(superior);
    auto* explicacao = new wxStaticText(superior, wxID_ANY, kExplicacao);
    auto* sizer_superior = new wxBoxSizer(wxVERTICAL);
    sizer_superior->Add(grafico_inflacao, 1, wxEXPAND, 0);
    sizer_superior->Add(explicacao, 0, wxEXPAND | wxALL, kBorda);
    superior->SetSizer(sizer_superior);
    // The sentence wraps to the window's width as it changes.
    superior->Bind(wxEVT_SIZE, [superior, explicacao](wxSizeEvent& event) {
        explicacao->SetLabel(kExplicacao);
        explicacao->Wrap(std::max(100, event.GetSize().GetWidth() - 2 * kBorda));
        superior->Layout();
        event.Skip();
    });
    wxGrid* grade =
        CriarGradeRelatorio(esquerda, [] { return controles::NomeArquivoCsv("inflacao"); });

    auto* lado = new wxPanel(splitter);
    grade_altas = CriarGradeRelatorio(lado, [] { return controles::NomeArquivoCsv("altas"); });
    grade_baixas = CriarGradeRelatorio(lado, [] { return controles::NomeArquivoCsv("baixas"); });
    grade_altas->Bind(wxEVT_GRID_CELL_LEFT_DCLICK,
                      [this](wxGridEvent& e) { OnContribuicaoDuploClique(e, true); });
    grade_baixas->Bind(wxEVT_GRID_CELL_LEFT_DCLICK,
                       [this](wxGridEvent& e) { OnContribuicaoDuploClique(e, false); });
    auto* sizer_lado = new wxBoxSizer(wxVERTICAL);
    sizer_lado->Add(new wxStaticText(lado, wxID_ANY, kTituloAltas), 0, wxALL, 2);
    sizer_lado->Add(grade_altas, 2, wxEXPAND, 0);
    sizer_lado->Add(new wxStaticText(lado, wxID_ANY, kTituloBaixas), 0, wxALL, 2);
    sizer_lado->Add(grade_baixas, 1, wxEXPAND, 0);
    lado->SetSizer(sizer_lado);
    Dividir(splitter, esquerda, lado, wxSPLIT_VERTICAL, -kLarguraContribuicoes, 0.6);
    Dividir(esquerda, superior, grade, wxSPLIT_HORIZONTAL, kAlturaGraficoInflacao, 0.5);
    paginas[kInflacao].grade = grade;
    paginas[kInflacao].conteudo = splitter;

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(splitter, 1, wxEXPAND, 0);
    sizer->Add(paginas[kInflacao].aviso, 1, wxEXPAND | wxALL, 4 * kBorda);
    painel->SetSizer(sizer);
}

void FrameRelatorios::CriarAbaCategorias() {
    wxPanel* painel = CriarPagina(kCategorias, kAbas[kCategorias]);
    painel_orcamento = new PanelOrcamento(painel);

    auto* splitter = controles::CriarSplitter(painel);
    wxGrid* grade =
        CriarGradeRelatorio(splitter, [] { return controles::NomeArquivoCsv("categorias"); });
    grade->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, &FrameRelatorios::OnCategoriaDuploClique, this);
    grafico_categorias = new PanelMultiLineChart(splitter);
    Dividir(splitter, grade, grafico_categorias, wxSPLIT_VERTICAL, -kLarguraGraficoCategorias, 0.5);
    paginas[kCategorias].grade = grade;
    paginas[kCategorias].conteudo = splitter;

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(painel_orcamento, 0, wxEXPAND | wxALL, kBorda);
    sizer->Add(splitter, 1, wxEXPAND, 0);
    sizer->Add(paginas[kCategorias].aviso, 1, wxEXPAND | wxALL, 4 * kBorda);
    painel->SetSizer(sizer);
}

void FrameRelatorios::OnDadosCarregados(std::shared_ptr<const DadosRelatorios> carregados, bool ok,
                                        const wxString& erro) {
    if (!ok) controles::MostrarErro(erro);
    if (ok) dados = std::move(carregados);
    carregado = true;
    PreencherEscolhaPeriodo();
    DefinirPeriodo(PeriodoUltimos12Meses(*dados));
}

void FrameRelatorios::PreencherEscolhaPeriodo() {
    escolha_periodo->Clear();
    escolha_periodo->Append(kUltimos12Meses);
    escolha_periodo->Append(kTudo);
    anos = AnosComCupons(*dados);
    std::reverse(anos.begin(), anos.end());
    for (int ano : anos) escolha_periodo->Append(wxString::Format("%d", ano));
    escolha_periodo->Append(kOutroPeriodo);
    escolha_periodo->SetSelection(0);

    mes_de->Clear();
    mes_ate->Clear();
    const Periodo tudo = PeriodoTudo(*dados);
    for (int m = tudo.de; m <= tudo.ate; ++m) {
        mes_de->Append(TextoMesAno(m));
        mes_ate->Append(TextoMesAno(m));
    }
    GetSizer()->Layout();
}

void FrameRelatorios::OnEscolhaPeriodo(wxCommandEvent&) {
    if (!carregado) return;
    const int escolha = escolha_periodo->GetSelection();
    const int outro = static_cast<int>(escolha_periodo->GetCount()) - 1;
    const bool outro_periodo = escolha == outro;
    for (wxWindow* janela : {static_cast<wxWindow*>(mes_de), static_cast<wxWindow*>(rotulo_ate),
                             static_cast<wxWindow*>(mes_ate)})
        janela->Show(outro_periodo);
    mes_de->GetContainingSizer()->Layout();

    const Periodo tudo = PeriodoTudo(*dados);
    if (outro_periodo) {
        // Starts from the period shown, so the person only moves what differs.
        const Periodo atual = periodo.Vazio() ? tudo : periodo;
        mes_de->SetSelection(std::max(0, atual.de - tudo.de));
        mes_ate->SetSelection(std::max(0, atual.ate - tudo.de));
        wxCommandEvent escolha_meses;
        OnMesesOutroPeriodo(escolha_meses);
        return;
    }
    if (escolha == 0) {
        DefinirPeriodo(PeriodoUltimos12Meses(*dados));
    } else if (escolha == 1) {
        DefinirPeriodo(tudo);
    } else if (escolha >= 2 && escolha - 2 < static_cast<int>(anos.size())) {
        DefinirPeriodo(PeriodoAno(anos[static_cast<std::size_t>(escolha - 2)]));
    }
}

void FrameRelatorios::OnMesesOutroPeriodo(wxCommandEvent&) {
    const Periodo tudo = PeriodoTudo(*dados);
    if (tudo.Vazio() || mes_de->GetSelection() < 0 || mes_ate->GetSelection() < 0) {
        DefinirPeriodo(tudo);
        return;
    }
    int de = tudo.de + mes_de->GetSelection();
    int ate = tudo.de + mes_ate->GetSelection();
    // A first month after the last one is read as the same months the other way round.
    if (de > ate) std::swap(de, ate);
    DefinirPeriodo(Periodo{de, ate});
}

void FrameRelatorios::DefinirPeriodo(const Periodo& novo) {
    periodo = novo;
    texto_periodo->SetLabel(TextoDoPeriodo(Recortar(periodo, *dados)));
    texto_periodo->GetContainingSizer()->Layout();
    CalcularAbaMostrada();
}

bool FrameRelatorios::MostraAviso(Aba aba) const {
    return paginas[aba].aviso->IsShown();
}

void FrameRelatorios::MostrarAviso(Aba aba, bool aviso) {
    Pagina& p = paginas[aba];
    p.aviso->SetLabel(carregado ? kNenhumCupom : kCarregando);
    if (p.conteudo->IsShown() == !aviso && p.aviso->IsShown() == aviso) return;
    p.conteudo->Show(!aviso);
    p.aviso->Show(aviso);
    p.painel->Layout();
}

bool FrameRelatorios::Pronto() const {
    const int aba = abas->GetSelection();
    if (!carregado || aba < 0) return false;
    const Pagina& p = paginas[static_cast<std::size_t>(aba)];
    return p.pedido > 0 && p.mostrado == p.pedido;
}

void FrameRelatorios::CalcularAbaMostrada() {
    const int aba = abas->GetSelection();
    if (carregado && aba >= 0) Calcular(static_cast<Aba>(aba));
}

void FrameRelatorios::Calcular(Aba aba) {
    if (!carregado) return;
    Pagina& pagina = paginas[aba];
    const Assinatura assinatura{
        periodo, aba == kLojas ? agrupar_filiais->GetValue() : aba == kMeses && por_ano->GetValue(),
        aba == kProdutos ? Utf8(busca_produto->GetValue()) : std::string()};
    // A tab asked again for what it shows (or is about to show) has nothing new to compute.
    if (pagina.pedido > 0 && assinatura == pagina.assinatura) return;
    pagina.assinatura = assinatura;
    ++pagina.pedido;
    const unsigned pedido = pagina.pedido;
    std::shared_ptr<const DadosRelatorios> d = dados;
    const bool vazio = [&] {
        const FaixaCupons f = CuponsDoPeriodo(*d, periodo);
        return f.inicio == f.fim;
    }();
    auto mostrar = [this, aba, pedido](std::function<void()> mostrar_resultado) {
        CallAfter([this, aba, pedido, mostrar_resultado = std::move(mostrar_resultado)] {
            Pagina& p = paginas[aba];
            if (pedido != p.pedido) return;  // a newer request is on its way
            mostrar_resultado();
            p.mostrado = pedido;
        });
    };
    if (vazio) {
        mostrar([this, aba] { MostrarAviso(aba, true); });
        return;
    }
    const Periodo p = periodo;
    switch (aba) {
        case kLojas:
            Enfileirar([this, d, p, assinatura, mostrar] {
                auto linhas = std::make_shared<std::vector<LinhaLoja>>(
                    RelatorioLojas(*d, p, assinatura.opcao));
                mostrar([this, linhas, p] {
                    periodo_lojas = p;
                    MostrarLojas(std::move(*linhas));
                });
            });
            break;
        case kMeses:
            Enfileirar([this, d, p, assinatura, mostrar] {
                auto meses = std::make_shared<std::vector<LinhaMes>>();
                auto anos_r = std::make_shared<std::vector<LinhaAno>>();
                if (assinatura.opcao)
                    *anos_r = RelatorioAnos(*d, p);
                else
                    *meses = RelatorioMeses(*d, p);
                mostrar(
                    [this, meses, anos_r] { MostrarMeses(std::move(*meses), std::move(*anos_r)); });
            });
            break;
        case kAnoAAno:
            Enfileirar([this, d, p, mostrar] {
                auto tabela = std::make_shared<AnoAAno>(RelatorioAnoAAno(*d, p));
                mostrar([this, tabela] { MostrarAnoAAno(std::move(*tabela)); });
            });
            break;
        case kProdutos:
            Enfileirar([this, d, p, assinatura, mostrar] {
                auto linhas = std::make_shared<std::vector<LinhaProduto>>(
                    RelatorioProdutos(*d, p, assinatura.busca));
                mostrar([this, linhas] { MostrarProdutos(std::move(*linhas)); });
            });
            break;
        case kInflacao:
            Enfileirar([this, d, p, mostrar] {
                auto resultado = std::make_shared<MinhaInflacao>(RelatorioInflacao(*d, p));
                mostrar([this, resultado] { MostrarInflacao(std::move(*resultado)); });
            });
            break;
        case kCategorias:
            Enfileirar([this, d, p, c = categorizacao, mostrar] {
                auto linhas = std::make_shared<std::vector<categorias::LinhaCategoria>>(
                    categorias::RelatorioCategorias(*d, c->conjunto, c->classificacao, p));
                auto gasto = std::make_shared<categorias::GastoMensal>(
                    categorias::GastoPorMes(*d, c->conjunto, c->classificacao, p));
                mostrar([this, linhas, gasto, p] {
                    periodo_categorias = p;
                    MostrarCategorias(std::move(*linhas), std::move(*gasto));
                });
            });
            break;
        case kNumeroAbas:
            break;
    }
}

void FrameRelatorios::MostrarLojas(std::vector<LinhaLoja> linhas) {
    lojas = std::move(linhas);
    auto* tabela = new TabelaRelatorio({{"Loja", false},
                                        {"CNPJ", false},
                                        {"Cupons", true},
                                        {"Total", true},
                                        {wxString::FromUTF8("Participação"), true},
                                        {wxString::FromUTF8("Ticket médio"), true},
                                        {wxString::FromUTF8("Última visita"), true}});
    for (std::size_t i = 0; i < lojas.size(); ++i) {
        const LinhaLoja& l = lojas[i];
        CelulaRelatorio cnpj = celula::Texto(FormatarCnpj(l.cnpj));
        cnpj.arquivo = l.cnpj;
        tabela->AdicionarLinha({celula::Texto(l.nome), cnpj, celula::Inteiro(l.cupons),
                                celula::Dinheiro(l.total), celula::Percentual(l.participacao),
                                celula::Dinheiro(l.ticket_medio), celula::Data(l.ultima_visita)},
                               static_cast<int>(i));
    }
    MostrarTabelaRelatorio(paginas[kLojas].grade, tabela);

    std::vector<BarraHorizontal> barras;
    for (const BarraLoja& b : BarrasLojas(lojas))
        barras.push_back({DeUtf8(b.rotulo), b.total, formato::Dinheiro(b.total), false});
    grafico_lojas->SetDados(std::move(barras));
    MostrarAviso(kLojas, lojas.empty());
}

void FrameRelatorios::MostrarMeses(std::vector<LinhaMes> meses, std::vector<LinhaAno> anos_r) {
    const bool anual = !anos_r.empty();
    DadosBarrasPeriodo barras;
    barras.formatar_escala = DinheiroInteiro;
    TabelaRelatorio* tabela;
    if (anual) {
        tabela = new TabelaRelatorio({{"Ano", true},
                                      {"Total", true},
                                      {"Cupons", true},
                                      {wxString::FromUTF8("Ticket médio"), true},
                                      {wxString::FromUTF8("Variação"), true}});
        for (std::size_t i = 0; i < anos_r.size(); ++i) {
            const LinhaAno& a = anos_r[i];
            // A year is a number to sort by, but never written as thousands.
            const std::string ano = std::to_string(a.ano);
            tabela->AdicionarLinha({{ano, ano, static_cast<double>(a.ano)},
                                    celula::Dinheiro(a.total),
                                    celula::Inteiro(a.cupons),
                                    celula::Dinheiro(a.ticket_medio),
                                    celula::Variacao(a.variacao)},
                                   static_cast<int>(i));
            barras.barras.push_back({wxString::Format("%d", a.ano), wxString(), a.total,
                                     DinheiroInteiro(a.total), false});
        }
    } else {
        tabela = new TabelaRelatorio({{wxString::FromUTF8("Mês"), true},
                                      {"Total", true},
                                      {"Cupons", true},
                                      {wxString::FromUTF8("Ticket médio"), true},
                                      {wxString::FromUTF8("Variação (ano)"), true}});
        for (std::size_t i = 0; i < meses.size(); ++i) {
            const LinhaMes& m = meses[i];
            tabela->AdicionarLinha(
                {celula::Mes(m.mes), celula::Dinheiro(m.total), celula::Inteiro(m.cupons),
                 celula::Dinheiro(m.ticket_medio), celula::Variacao(m.variacao_ano)},
                static_cast<int>(i));
            barras.barras.push_back({wxString::Format("%02d", MesDoAno(m.mes)),
                                     wxString::Format("%d", AnoDoMes(m.mes)), m.total,
                                     DinheiroInteiro(m.total), false});
        }
    }
    MostrarTabelaRelatorio(paginas[kMeses].grade, tabela);
    grafico_meses->SetDados(std::move(barras));
    MostrarAviso(kMeses, meses.empty() && anos_r.empty());
}

void FrameRelatorios::MostrarAnoAAno(AnoAAno t) {
    std::vector<Coluna> colunas{{wxString::FromUTF8("Mês"), false}};
    for (int ano : t.anos) colunas.push_back({wxString::Format("%d", ano), true});
    colunas.push_back({wxString::FromUTF8("Variação"), true});
    auto* tabela = new TabelaRelatorio(std::move(colunas));
    for (std::size_t i = 0; i < t.linhas.size(); ++i) {
        const AnoAAno::Linha& l = t.linhas[i];
        CelulaRelatorio mes = l.mes >= 1 && l.mes <= 12
                                  ? celula::Texto(Utf8(kNomesMeses[l.mes - 1]))
                                  : celula::Texto(kRotuloTotal);
        if (l.mes >= 1 && l.mes <= 12) mes.arquivo = std::to_string(l.mes);
        std::vector<CelulaRelatorio> celulas{mes};
        for (const auto& total : l.totais) celulas.push_back(celula::Dinheiro(total));
        celulas.push_back(celula::Variacao(l.variacao));
        tabela->AdicionarLinha(std::move(celulas), static_cast<int>(i));
    }
    MostrarTabelaRelatorio(paginas[kAnoAAno].grade, tabela);

    DadosGraficoLinhas grafico;
    for (int m = 1; m <= 12; ++m) grafico.categorias.push_back(formato::AbreviaturaMes(m));
    grafico.formatar = DinheiroInteiro;
    const std::size_t primeiro =
        t.anos.size() > kSeriesAnoAAno ? t.anos.size() - kSeriesAnoAAno : 0;
    for (std::size_t a = primeiro; a < t.anos.size(); ++a) {
        SerieLinhas serie;
        serie.nome = wxString::Format("%d", t.anos[a]);
        for (std::size_t m = 0; m < 12 && m < t.linhas.size(); ++m) {
            const auto& total = t.linhas[m].totais[a];
            serie.valores.push_back(total ? *total : NAN);
        }
        grafico.series.push_back(std::move(serie));
    }
    grafico_anos->SetDados(std::move(grafico));
    MostrarAviso(kAnoAAno, t.linhas.empty());
}

void FrameRelatorios::MostrarProdutos(std::vector<LinhaProduto> linhas) {
    produtos = std::move(linhas);
    auto* tabela = new TabelaRelatorio({{wxString::FromUTF8("Descrição"), false},
                                        {"Produto", false},
                                        {"Compras", true},
                                        {"Quantidade", true},
                                        {"Unidade", false},
                                        {wxString::FromUTF8("Preço médio"), true},
                                        {"Total", true},
                                        {wxString::FromUTF8("Participação"), true}});
    for (std::size_t i = 0; i < produtos.size(); ++i) {
        const LinhaProduto& l = produtos[i];
        tabela->AdicionarLinha({celula::Texto(l.descricao), celula::Texto(TextoProduto(l.chave)),
                                celula::Inteiro(l.compras), celula::Decimal(l.quantidade, 3),
                                celula::Texto(l.unidade), celula::Dinheiro(l.preco_medio),
                                celula::Dinheiro(l.total), celula::Percentual(l.participacao)},
                               static_cast<int>(i));
    }
    MostrarTabelaRelatorio(paginas[kProdutos].grade, tabela);
    // A search that finds nothing keeps the grid (and the field) in view.
    MostrarAviso(kProdutos, false);
}

void FrameRelatorios::MostrarInflacao(MinhaInflacao resultado) {
    inflacao = std::move(resultado);
    auto* tabela = new TabelaRelatorio({{wxString::FromUTF8("Mês"), true},
                                        {wxString::FromUTF8("Índice"), true},
                                        {wxString::FromUTF8("Variação no mês"), true},
                                        {wxString::FromUTF8("Variação em 12 meses"), true},
                                        {"Produtos comparados", true},
                                        {wxString::FromUTF8("Observação"), false}});
    DadosGraficoLinhas grafico;
    grafico.escala_do_zero = false;
    grafico.formatar = [](double v) { return formato::Decimal(v, 1); };
    SerieLinhas serie;
    serie.nome = kSerieIndice;
    for (std::size_t i = 0; i < inflacao.meses.size(); ++i) {
        const LinhaInflacao& l = inflacao.meses[i];
        const wxString nota =
            l.mantido ? wxString::Format(kMantido, kMinimoProdutosComparados) : wxString();
        tabela->AdicionarLinha({celula::Mes(l.mes), celula::Decimal(l.indice, 2),
                                celula::Variacao(l.variacao_mes), celula::Variacao(l.variacao_12m),
                                celula::Inteiro(l.produtos_comparados), celula::Texto(Utf8(nota))},
                               static_cast<int>(i));
        grafico.categorias.push_back(wxString::Format("%02d", MesDoAno(l.mes)));
        grafico.grupos.push_back(wxString::Format("%d", AnoDoMes(l.mes)));
        serie.valores.push_back(l.indice);
    }
    grafico.series.push_back(std::move(serie));
    MostrarTabelaRelatorio(paginas[kInflacao].grade, tabela);
    grafico_inflacao->SetDados(std::move(grafico));

    const auto contribuicoes = [](const std::vector<ContribuicaoInflacao>& lista) {
        auto* t = new TabelaRelatorio({{"Produto", false},
                                       {wxString::FromUTF8("Contribuição (p.p.)"), true},
                                       {"Meses", true}});
        for (std::size_t i = 0; i < lista.size(); ++i) {
            const ContribuicaoInflacao& c = lista[i];
            CelulaRelatorio parte = celula::Decimal(c.contribuicao * 100, 2);
            if (c.contribuicao > 0) parte.texto = "+" + parte.texto;
            t->AdicionarLinha(
                {celula::Texto(c.descricao.empty() ? TextoProduto(c.chave) : c.descricao), parte,
                 celula::Inteiro(c.meses)},
                static_cast<int>(i));
        }
        return t;
    };
    MostrarTabelaRelatorio(grade_altas, contribuicoes(inflacao.altas));
    MostrarTabelaRelatorio(grade_baixas, contribuicoes(inflacao.baixas));
    MostrarAviso(kInflacao, inflacao.meses.empty());
}

void FrameRelatorios::OnLojaDuploClique(wxGridEvent& event) {
    event.Skip();
    const auto* tabela = dynamic_cast<TabelaRelatorio*>(paginas[kLojas].grade->GetTable());
    const int linha = tabela ? tabela->ChaveDaLinha(event.GetRow()) : -1;
    if (linha < 0 || linha >= static_cast<int>(lojas.size())) return;
    const LinhaLoja& loja = lojas[static_cast<std::size_t>(linha)];
    const wxString titulo = wxString::Format(kTituloCuponsLoja, DeUtf8(loja.nome),
                                             TextoDoPeriodo(Recortar(periodo_lojas, *dados)));
    controles::MostrarNaTela(
        new FrameCuponsLoja(GetParent(), banco, titulo, CuponsDaLoja(*dados, periodo_lojas, loja)));
}

void FrameRelatorios::MostrarCategorias(std::vector<categorias::LinhaCategoria> linhas,
                                        categorias::GastoMensal gasto) {
    linhas_categorias = std::move(linhas);
    auto* tabela = new TabelaRelatorio({{"Categoria", false},
                                        {"Total", true},
                                        {wxString::FromUTF8("Participação"), true},
                                        {wxString::FromUTF8("Variação"), true},
                                        {"Produtos", true}});
    for (std::size_t i = 0; i < linhas_categorias.size(); ++i) {
        const categorias::LinhaCategoria& l = linhas_categorias[i];
        tabela->AdicionarLinha(
            {celula::Texto(l.nome), celula::Dinheiro(l.total), celula::Percentual(l.participacao),
             celula::Variacao(l.variacao), celula::Inteiro(l.produtos)},
            static_cast<int>(i));
    }
    MostrarTabelaRelatorio(paginas[kCategorias].grade, tabela);

    // The largest categories of the period, one line each over its months.
    DadosGraficoLinhas grafico;
    for (int m = gasto.meses.de; m <= gasto.meses.ate; ++m)
        grafico.categorias.push_back(TextoMesAno(m));
    grafico.formatar = DinheiroInteiro;
    for (const categorias::LinhaCategoria& l : linhas_categorias) {
        if (grafico.series.size() == kSeriesCategorias || l.total <= 0) continue;
        const std::size_t c = l.categoria < 0 ? gasto.por_categoria.size() - 1
                                              : static_cast<std::size_t>(l.categoria);
        grafico.series.push_back({DeUtf8(l.nome), gasto.por_categoria[c]});
    }
    grafico_categorias->SetDados(std::move(grafico));
    MostrarAviso(kCategorias, linhas_categorias.empty());
}

void FrameRelatorios::MostrarOrcamento(
    const std::vector<categorias::SituacaoOrcamento>& orcamento) {
    std::vector<PanelOrcamento::Linha> linhas;
    wxString acima;
    for (const categorias::SituacaoOrcamento& o : orcamento) {
        const wxString nome =
            DeUtf8(categorizacao->conjunto.categorias[static_cast<std::size_t>(o.categoria)].nome);
        linhas.push_back(
            {nome, o.fracao, o.faixa,
             wxString::Format(
                 kLinhaOrcamento, formato::Dinheiro(o.gasto), formato::Dinheiro(o.limite),
                 std::isfinite(o.fracao) ? formato::Percentual(o.fracao * 100) : wxString("-"),
                 formato::Dinheiro(o.projecao))});
        if (o.faixa == categorias::SituacaoOrcamento::Faixa::Vermelha)
            acima += (acima.empty() ? "" : ", ") + nome;
    }
    painel_orcamento->SetLinhas(std::move(linhas));
    paginas[kCategorias].painel->Layout();
    aviso_limite->SetLabel(
        acima.empty()
            ? wxString()
            : wxString::Format(kAcimaDoLimite, TextoMesAno(MesEDiaDeHoje().first), acima));
    aviso_limite->Show(!acima.empty());
    aviso_limite->GetContainingSizer()->Layout();
}

void FrameRelatorios::OnCategoriaDuploClique(wxGridEvent& event) {
    event.Skip();
    const auto* tabela = dynamic_cast<TabelaRelatorio*>(paginas[kCategorias].grade->GetTable());
    const int linha = tabela ? tabela->ChaveDaLinha(event.GetRow()) : -1;
    if (linha < 0 || linha >= static_cast<int>(linhas_categorias.size()) || !categorizacao) return;
    const categorias::LinhaCategoria& l = linhas_categorias[static_cast<std::size_t>(linha)];
    const wxString titulo = wxString::Format(kTituloProdutosCategoria, DeUtf8(l.nome),
                                             TextoDoPeriodo(Recortar(periodo_categorias, *dados)));
    controles::MostrarNaTela(new FrameProdutosCategoria(
        GetParent(), banco, titulo,
        categorias::ProdutosDaCategoria(*dados, categorizacao->classificacao, periodo_categorias,
                                        l.categoria)));
}

void FrameRelatorios::OnProdutoDuploClique(wxGridEvent& event) {
    event.Skip();
    const auto* tabela = dynamic_cast<TabelaRelatorio*>(paginas[kProdutos].grade->GetTable());
    const int linha = tabela ? tabela->ChaveDaLinha(event.GetRow()) : -1;
    if (linha < 0 || linha >= static_cast<int>(produtos.size())) return;
    const LinhaProduto& p = produtos[static_cast<std::size_t>(linha)];
    AbrirHistorico(p.chave, p.descricao);
}

void FrameRelatorios::OnContribuicaoDuploClique(wxGridEvent& event, bool altas) {
    event.Skip();
    wxGrid* grade = altas ? grade_altas : grade_baixas;
    const auto& lista = altas ? inflacao.altas : inflacao.baixas;
    const auto* tabela = dynamic_cast<TabelaRelatorio*>(grade->GetTable());
    const int linha = tabela ? tabela->ChaveDaLinha(event.GetRow()) : -1;
    if (linha < 0 || linha >= static_cast<int>(lista.size())) return;
    const ContribuicaoInflacao& c = lista[static_cast<std::size_t>(linha)];
    AbrirHistorico(c.chave, c.descricao);
}

void FrameRelatorios::AbrirHistorico(const std::string& chave, const std::string& descricao) {
    AbrirHistoricoDoProduto(GetParent(), banco, chave, descricao);
}

void AbrirRelatorios(wxWindow* parent, BancoDados* banco) {
    controles::MostrarNaTela(new FrameRelatorios(parent, banco));
}
