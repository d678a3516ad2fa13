#include "ui/FrameDashboard.h"

#include <wx/dirdlg.h>
#include <wx/dnd.h>
#include <wx/filedlg.h>
#include <wx/grid.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "account/Sessao.h"
#include "base/NumeroTexto.h"
#include "charts/PanelBarChart.h"
#include "db/BancoDados.h"
#include "sync/FrameSincronizar.h"
#include "ui/FrameCupom.h"
#include "ui/FrameHistoricoPrecos.h"
#include "ui/FramePieChart.h"
#include "ui/FrameCategorias.h"
#include "ui/FrameRelatorios.h"
#include "ui/FrameTerminalSQL.h"
#include "ui/ImportacaoXmlJanela.h"
#include "ui/PedidoHistoricoPrecos.h"
#include "web/ServiceUrl.h"
#include "widgets/Controles.h"
#include "widgets/Grade.h"
#include "widgets/MenuGrade.h"

namespace {

constexpr const char* kTitulo = "Cupom Fiscal Zelkari - Dashboard";
constexpr const char* kSaudacao = "Bem vindo %s!";
const wchar_t* const kMenuHistoricoPrecos = L"Histórico de preços";
const wchar_t* const kMenuRelatorios = L"Relatórios\tCtrl-R";
const wchar_t* const kAjudaRelatorios =
    L"Lojas, meses, ano a ano, produtos e a sua inflação, por período";
const wchar_t* const kMenuImportarXml = L"Importar XML…";
const wchar_t* const kAjudaImportarXml =
    L"Importa cupons de arquivos XML (CF-e SAT, NFC-e, NF-e) ou de arquivos zip";
const wchar_t* const kMenuImportarPasta = L"Importar pasta…";
const wchar_t* const kMenuCategorias = L"Categorias";
const wchar_t* const kAjudaCategorias =
    L"Categorias de gasto: suas regras, os produtos de cada uma e os limites mensais";
const wchar_t* const kAjudaImportarPasta = L"Importa os arquivos XML e zip de uma pasta";
const wchar_t* const kEscolherArquivos = L"Escolha os arquivos XML ou zip";
const wchar_t* const kFiltroArquivos =
    L"Documentos fiscais (*.xml, *.zip)|*.xml;*.XML;*.zip;*.ZIP|Todos os arquivos|*";
const wchar_t* const kEscolherPasta = L"Escolha a pasta com os arquivos XML";
const wchar_t* const kAvisoSemCupons =
    L"Nenhum cupom ainda. Escolha Ferramentas > Sincronizar para baixar os seus cupons.";
const wchar_t* const kAjudaHistoricoPrecos = L"Preço pago por produto ao longo do tempo";

constexpr int kSashGrids = 250;
constexpr int kSashGrafico = 150;
const wxSize kMinimoMeses(250, 200);
const wxSize kMinimoCupons(450, 200);
const wxSize kMinimoGrafico(400, 300);

// Month grid: 0 month (MM/YYYY), 1 total, 2 receipt count, 3 the month's receipt ids (hidden).
constexpr int kColMesAno = 0;
constexpr int kColMesValor = 1;
constexpr int kColMesIds = 3;
// Receipt grid: 0 date, 1 total, 2 issuer, 3 address, 4 receipt id (hidden).
constexpr int kColCupomId = 4;

constexpr const char* kConsultaMeses =
    "select\n"
    "substr(c.data_hora_emissao, 5, 2) || '/' ||\n"
    "substr(c.data_hora_emissao, 1, 4) as data,\n"
    "round(sum(c.valor_total), 2) as valor_total,\n"
    "count(c.id) as qtde_cupons,\n"
    "group_concat(c.id) as cupom_ids\n"
    "from cupom c\n"
    "group by substr(c.data_hora_emissao, 1, 6)\n"
    "order by substr(c.data_hora_emissao, 1, 6) desc\n";

// "%s" takes the month's comma-separated receipt ids.
constexpr const char* kConsultaCupons =
    "select\n"
    "substr(c.data_hora_emissao, 7, 2) || '/' ||\n"
    "substr(c.data_hora_emissao, 5, 2) || '/' ||\n"
    "substr(c.data_hora_emissao, 1, 4) as data,\n"
    "c.valor_total,\n"
    "e.fantasia,\n"
    "e.endereco,\n"
    "c.id\n"
    "from cupom c\n"
    "join emitente e on c.cnpj_emitente = e.cnpj\n"
    "where c.id in(%s)\n"
    "order by c.data_hora_emissao desc\n";

// Used when the month grid has no month to take ids from: matches no receipt.
constexpr const char* kListaVazia = "0";

// A cell that exists, or nothing: a failed query leaves a grid with fewer columns than its
// query would give.
bool TemCelula(const wxGrid* grid, int row, int col) {
    return row >= 0 && col >= 0 && row < grid->GetNumberRows() && col < grid->GetNumberCols();
}

void EsconderColuna(wxGrid* grid, int col) {
    if (col < grid->GetNumberCols()) grid->HideCol(col);
}

}  // namespace

namespace {

// Files and folders dropped on the window are imported as the menu imports them, once the drop
// is over.
class SoltarArquivos : public wxFileDropTarget {
public:
    explicit SoltarArquivos(FrameDashboard* janela) : janela_(janela) {}

    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& arquivos) override {
        std::vector<std::string> caminhos;
        for (const wxString& a : arquivos) caminhos.push_back(a.utf8_string());
        janela_->CallAfter([janela = janela_, caminhos] { janela->ImportarXml(caminhos); });
        return true;
    }

private:
    FrameDashboard* janela_;
};

}  // namespace

FrameDashboard::FrameDashboard() {
    Sessao login(true);

    // The database comes first: when it cannot be set up, the exception leaves before any
    // window exists, so the caller has nothing half-built to tear down.
    auto novo_banco = std::make_unique<BancoDados>();

    Create(nullptr, wxID_ANY, kTitulo, wxDefaultPosition, wxDefaultSize, wxDEFAULT_FRAME_STYLE);
    banco = novo_banco.release();

    const wxString sqlite_erro = banco->GetErro();
    if (!sqlite_erro.empty()) controles::MostrarErro(sqlite_erro);

    auto* menuConta = new wxMenu(0);
    menuConta->Append(ID_LOGOFF, "&Logoff\tCtrl-Q", "Sair da sua conta");
    menuConta->AppendSeparator();
    menuConta->Append(wxID_EXIT, "&Sair\tAlt-F4", "Fechar o programa");

    auto* menuFerramentas = new wxMenu(0);
    menuFerramentas->Append(ID_TERMINAL_SQL, "Terminal SQL",
                            "Execute comandos diretamente no banco de dados");
    menuFerramentas->Append(ID_SINCRONIZAR, "Sincronizar", "Faz download de novos cupons");
    menuFerramentas->Append(ID_HISTORICO_PRECOS, kMenuHistoricoPrecos, kAjudaHistoricoPrecos);
    menuFerramentas->Append(ID_RELATORIOS, kMenuRelatorios, kAjudaRelatorios);
    menuFerramentas->Append(ID_IMPORTAR_XML, kMenuImportarXml, kAjudaImportarXml);
    menuFerramentas->Append(ID_IMPORTAR_PASTA, kMenuImportarPasta, kAjudaImportarPasta);
    menuFerramentas->Append(ID_CATEGORIAS, kMenuCategorias, kAjudaCategorias);

    auto* menuSobre = new wxMenu(0);
    menuSobre->Append(wxID_ABOUT, "Sobre Zelkari", "Sobre Zelkari");

    auto* menuBar = new wxMenuBar();
    menuBar->Append(menuConta, "&Conta");
    menuBar->Append(menuFerramentas, "&Ferramentas");
    menuBar->Append(menuSobre, "&Sobre");
    SetMenuBar(menuBar);

    CreateStatusBar(1);
    SetStatusText(wxString::Format(kSaudacao, login.GetUsuario()));

    Bind(wxEVT_MENU, &FrameDashboard::OnLogoff, this, ID_LOGOFF);
    Bind(wxEVT_MENU, &FrameDashboard::OnSobre, this, wxID_ABOUT);
    Bind(wxEVT_MENU, &FrameDashboard::OnSair, this, wxID_EXIT);
    Bind(wxEVT_MENU, &FrameDashboard::OnTerminalSQL, this, ID_TERMINAL_SQL);
    Bind(wxEVT_MENU, &FrameDashboard::OnSincronizar, this, ID_SINCRONIZAR);
    Bind(wxEVT_MENU, &FrameDashboard::OnHistoricoPrecos, this, ID_HISTORICO_PRECOS);
    Bind(wxEVT_MENU, &FrameDashboard::OnRelatorios, this, ID_RELATORIOS);
    Bind(EVT_PEDIDO_HISTORICO_PRECOS, &FrameDashboard::OnPedidoHistoricoPrecos, this);
    Bind(wxEVT_MENU, &FrameDashboard::OnImportarXml, this, ID_IMPORTAR_XML);
    Bind(wxEVT_MENU, &FrameDashboard::OnImportarPasta, this, ID_IMPORTAR_PASTA);
    Bind(wxEVT_MENU, &FrameDashboard::OnCategorias, this, ID_CATEGORIAS);
    SetDropTarget(new SoltarArquivos(this));

    mainSplitter = controles::CriarSplitter(this);
    auto* painelGrids = new wxPanel(mainSplitter);
    gridSplitter = controles::CriarSplitter(painelGrids);
    gridMeses = controles::CriarGradeSomenteLeitura(gridSplitter, kMinimoMeses);
    gridMeses->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, &FrameDashboard::OnMesDuploClique, this);
    controles::AdicionarCopiaEExportacao(gridMeses,
                                         [] { return controles::NomeArquivoCsv("meses"); });
    gridCupons = controles::CriarGradeSomenteLeitura(gridSplitter, kMinimoCupons);
    gridCupons->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, &FrameDashboard::OnCupomDuploClique, this);
    controles::AdicionarCopiaEExportacao(
        gridCupons, [this] { return controles::NomeArquivoCsv("cupons", mesCupons); });
    gridSplitter->SplitVertically(gridMeses, gridCupons, kSashGrids);

    auto* sizerGrids = new wxBoxSizer(wxVERTICAL);
    sizerGrids->Add(gridSplitter, 1, wxEXPAND, 0);
    painelGrids->SetSizer(sizerGrids);

    barChart = new PanelBarChart(mainSplitter);
    barChart->SetMinSize(kMinimoGrafico);
    mainSplitter->SplitHorizontally(painelGrids, barChart, kSashGrafico);

    auto* sizerFrame = new wxBoxSizer(wxVERTICAL);
    sizerFrame->Add(mainSplitter, 1, wxEXPAND, 0);
    SetSizer(sizerFrame);
    sizerFrame->SetSizeHints(this);
    Fit();

    CarregarMeses();
}

FrameDashboard::~FrameDashboard() {
    // The windows opened from this one may still be reading the database on threads of their
    // own: they go, and stop those, before the database does. (The toolkit would destroy them
    // after this destructor, the same way.)
    std::vector<wxWindow*> janelas;
    for (wxWindow* filha : GetChildren())
        if (filha->IsTopLevel()) janelas.push_back(filha);
    for (wxWindow* janela : janelas) janela->wxWindowBase::Destroy();
    delete banco;
}

void FrameDashboard::CarregarMeses() {
    std::map<wxString, wxString> col_labels = {
        {"data", wxString::FromUTF8("Mês/Ano")},
        {"valor_total", "Valor"},
        {"qtde_cupons", "Cupons"},
    };
    banco->PreencherGrid(kConsultaMeses, gridMeses, col_labels);
    EsconderColuna(gridMeses, kColMesIds);

    if (!selecaoLigada) {
        gridMeses->Bind(wxEVT_GRID_SELECT_CELL, &FrameDashboard::CarregarCupons, this);
        selecaoLigada = true;
    }

    wxGridEvent ge;
    CarregarCupons(ge);
}

void FrameDashboard::CarregarCupons(wxGridEvent& event) {
    std::map<wxString, wxString> col_labels = {
        {"data", "Data"},
        {"valor_total", "Valor"},
        {"fantasia", "Estabelecimento"},
        {"endereco", wxString::FromUTF8("Endereço")},
    };
    const int row = std::max(event.GetRow(), 0);

    wxString id_list = kListaVazia;
    mesCupons.clear();
    if (TemCelula(gridMeses, row, kColMesIds)) {
        id_list = gridMeses->GetCellValue(row, kColMesIds);
        mesCupons = gridMeses->GetCellValue(row, kColMesAno);
    }

    banco->PreencherGrid(wxString::Format(kConsultaCupons, id_list), gridCupons, col_labels);
    EsconderColuna(gridCupons, kColCupomId);

    // A first start shows where the receipts come from, instead of an empty chart.
    barChart->SetAviso(gridMeses->GetNumberRows() == 0 ? wxString(kAvisoSemCupons) : wxString());
    barChart->SetData(gridMeses, kColMesAno, kColMesValor, row);
}

void FrameDashboard::OnMesDuploClique(wxGridEvent& event) {
    const int row = event.GetRow();
    event.Skip();
    if (!TemCelula(gridMeses, row, kColMesIds)) return;
    const wxString mes_ano = gridMeses->GetCellValue(row, kColMesAno);
    const wxString id_list = gridMeses->GetCellValue(row, kColMesIds);
    auto* produtos = new FramePieChart(this, mes_ano, banco, id_list);
    controles::MostrarNaTela(produtos);
}

void FrameDashboard::OnCupomDuploClique(wxGridEvent& event) {
    const int row = event.GetRow();
    if (TemCelula(gridCupons, row, kColCupomId)) {
        const int id = numero::LerInteiro(gridCupons->GetCellValue(row, kColCupomId));
        auto* cupom = new FrameCupom(this, banco, id);
        controles::MostrarNaTela(cupom);
    }
    event.Skip();
}

void FrameDashboard::OnLogoff(wxCommandEvent&) {
    const int resposta =
        wxMessageBox("Deseja realmente fazer logoff?", wxString::FromUTF8("Confirmação"),
                     wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION, nullptr);
    if (resposta != wxYES) return;
    Sessao login(false);
    login.Logoff(this);
}

void FrameDashboard::OnSobre(wxCommandEvent&) {
    wxMessageBox(wxString::FromUTF8("Este software é livre!\nObrigado por participar :-)"),
                 web::ServiceHost(), wxOK | wxICON_INFORMATION, nullptr);
}

void FrameDashboard::OnSair(wxCommandEvent&) {
    Close(true);
}

void FrameDashboard::OnTerminalSQL(wxCommandEvent&) {
    auto* terminal = new FrameTerminalSQL(this, banco);
    controles::MostrarNaTela(terminal);
}

void FrameDashboard::OnSincronizar(wxCommandEvent&) {
    {
        FrameSincronizar frame_sincronizar(this, banco);
        frame_sincronizar.ShowModal();
    }
    // Whatever the dialog's outcome, receipts it imported must show.
    CarregarMeses();
}

void FrameDashboard::OnHistoricoPrecos(wxCommandEvent&) {
    auto* historico = new FrameHistoricoPrecos(this, banco);
    controles::MostrarNaTela(historico);
}

void FrameDashboard::OnRelatorios(wxCommandEvent&) {
    AbrirRelatorios(this, banco);
}

void FrameDashboard::OnCategorias(wxCommandEvent&) {
    AbrirCategorias(this, banco);
}

void FrameDashboard::OnPedidoHistoricoPrecos(wxCommandEvent& event) {
    auto* historico = new FrameHistoricoPrecos(this, banco, wxString(), event.GetString());
    controles::MostrarNaTela(historico);
}

void FrameDashboard::OnImportarXml(wxCommandEvent&) {
    wxFileDialog escolha(this, kEscolherArquivos, wxString(), wxString(), kFiltroArquivos,
                         wxFD_OPEN | wxFD_MULTIPLE | wxFD_FILE_MUST_EXIST);
    if (escolha.ShowModal() != wxID_OK) return;
    wxArrayString arquivos;
    escolha.GetPaths(arquivos);
    std::vector<std::string> caminhos;
    for (const wxString& a : arquivos) caminhos.push_back(a.utf8_string());
    ImportarXml(caminhos);
}

void FrameDashboard::OnImportarPasta(wxCommandEvent&) {
    wxDirDialog escolha(this, kEscolherPasta, wxString(), wxDD_DIR_MUST_EXIST);
    if (escolha.ShowModal() != wxID_OK) return;
    ImportarXml({escolha.GetPath().utf8_string()});
}

void FrameDashboard::ImportarXml(const std::vector<std::string>& caminhos) {
    if (caminhos.empty()) return;
    if (ImportarXmlComProgresso(this, banco, caminhos)) CarregarMeses();
}
