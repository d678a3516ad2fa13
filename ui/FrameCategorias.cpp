#include "ui/FrameCategorias.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>
#include <wx/app.h>

#include <algorithm>
#include <memory>

#include "base/FormatoBr.h"
#include "db/BancoDados.h"
#include "relatorios/LeituraRelatorios.h"
#include "ui/TabelaRelatorio.h"
#include "widgets/Controles.h"
#include "widgets/ExportacaoTabela.h"

using namespace relatorios;

namespace {

const wchar_t* const kTitulo = L"Categorias";
const wchar_t* const kRotuloPeriodo = L"Período:";
const wchar_t* const kUltimos12Meses = L"Últimos 12 meses";
const wchar_t* const kTudo = L"Tudo";
const wchar_t* const kOutroPeriodo = L"Outro período…";
const wchar_t* const kRotuloAte = L"a";
const wchar_t* const kNova = L"Nova…";
const wchar_t* const kRenomear = L"Renomear…";
const wchar_t* const kExcluir = L"Excluir";
const wchar_t* const kLimite = L"Limite mensal…";
const wchar_t* const kExportar = L"Exportar…";
const wchar_t* const kImportar = L"Importar…";
const wchar_t* const kAdicionar = L"Adicionar";
const wchar_t* const kAlterar = L"Alterar";
const wchar_t* const kRemover = L"Remover";
const wchar_t* const kSubir = L"Subir";
const wchar_t* const kDescer = L"Descer";
const wchar_t* const kColocar = L"Colocar em";
const wchar_t* const kRotuloRegras = L"Regras (palavras ou começos de palavras, na ordem):";
const wchar_t* const kRotuloSem = L"Produtos sem categoria:";
const wchar_t* const kContagem = L"Esta regra: %d produtos, %s";
const wchar_t* const kPerguntaNome = L"Nome da categoria:";
const wchar_t* const kPerguntaLimite = L"Limite mensal em reais (vazio: sem limite):";
const wchar_t* const kLimiteInvalido =
    L"Limite não entendido. Informe o valor em reais, como 350, 350,50 ou 1.500,00: o ponto "
    L"separa os milhares e a vírgula, os centavos.";
const wchar_t* const kPerguntaExcluir =
    L"Excluir a categoria \u201c%s\u201d, com suas regras e os produtos colocados nela?";
const wchar_t* const kPerguntaImportar =
    L"Substituir todas as categorias, regras e limites pelos do arquivo \u201c%s\u201d?";
const wchar_t* const kFiltroArquivo = L"Categorias (*.json)|*.json";
const wchar_t* const kCarregando = L"Lendo os cupons…";
const wxSize kTamanhoInicial(1200, 660);
constexpr int kBorda = 6;

wxString DeUtf8(const std::string& texto) {
    return wxString::FromUTF8(texto);
}

// The row of `grade` whose key is `chave`, -1 when none.
int LinhaDaChave(wxGrid* grade, int chave) {
    auto* tabela = dynamic_cast<TabelaRelatorio*>(grade->GetTable());
    for (int r = 0; tabela && r < tabela->GetNumberRows(); ++r)
        if (tabela->ChaveDaLinha(r) == chave) return r;
    return -1;
}

wxButton* Botao(wxWindow* pai, wxSizer* linha, const wxString& texto) {
    auto* botao = new wxButton(pai, wxID_ANY, texto);
    linha->Add(botao, 0, wxRIGHT, kBorda);
    return botao;
}

}  // namespace

FrameCategorias::FrameCategorias(wxWindow* parent, BancoDados* banco_dados)
    : wxFrame(parent, wxID_ANY, kTitulo, wxDefaultPosition, kTamanhoInicial),
      banco(banco_dados),
      conexao(*banco_dados) {
    // Nothing to edit until the receipts are read.
    editor = std::make_unique<categorias::EditorCategorias>(dados, conexao);

    auto* painel = new wxPanel(this);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* topo = new wxBoxSizer(wxHORIZONTAL);
    topo->Add(new wxStaticText(painel, wxID_ANY, kRotuloPeriodo), 0,
              wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
    escolha_periodo = new wxChoice(painel, wxID_ANY);
    escolha_periodo->Append(kUltimos12Meses);
    escolha_periodo->Append(kTudo);
    escolha_periodo->Append(kOutroPeriodo);
    escolha_periodo->SetSelection(0);
    escolha_periodo->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnPeriodo(); });
    topo->Add(escolha_periodo, 0, wxRIGHT, kBorda);
    // The two months stand beside the chooser only for "Outro período…", as in the reports.
    mes_de = new wxChoice(painel, wxID_ANY);
    mes_ate = new wxChoice(painel, wxID_ANY);
    rotulo_ate = new wxStaticText(painel, wxID_ANY, kRotuloAte);
    for (wxWindow* janela : {static_cast<wxWindow*>(mes_de), static_cast<wxWindow*>(rotulo_ate),
                             static_cast<wxWindow*>(mes_ate)}) {
        topo->Add(janela, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorda);
        janela->Hide();
    }
    mes_de->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnPeriodo(); });
    mes_ate->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnPeriodo(); });
    topo->AddSpacer(3 * kBorda);
    Botao(painel, topo, kExportar)->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        wxFileDialog dialogo(this, kExportar, wxString(), "categorias.json", kFiltroArquivo,
                             wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        if (dialogo.ShowModal() == wxID_OK)
            Feito(editor->Exportar(dialogo.GetPath().utf8_string()));
    });
    Edicao(Botao(painel, topo, kImportar))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        wxFileDialog dialogo(this, kImportar, wxString(), wxString(), kFiltroArquivo,
                             wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (dialogo.ShowModal() == wxID_OK) ImportarCategorias(dialogo.GetPath());
    });
    aviso = new wxStaticText(painel, wxID_ANY, kCarregando);
    topo->Add(aviso, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 2 * kBorda);
    sizer->Add(topo, 0, wxALL, kBorda);

    auto* colunas = new wxBoxSizer(wxHORIZONTAL);
    // The categories.
    auto* esquerda = new wxBoxSizer(wxVERTICAL);
    grade_categorias =
        CriarGradeRelatorio(painel, [] { return controles::NomeArquivoCsv("categorias"); });
    grade_categorias->Bind(wxEVT_GRID_SELECT_CELL, [this](wxGridEvent& event) {
        event.Skip();
        auto* t = dynamic_cast<TabelaRelatorio*>(grade_categorias->GetTable());
        if (t && event.GetRow() < t->GetNumberRows())
            EscolherCategoria(t->ChaveDaLinha(event.GetRow()));
    });
    esquerda->Add(grade_categorias, 1, wxEXPAND | wxBOTTOM, kBorda);
    auto* botoes = new wxBoxSizer(wxHORIZONTAL);
    Edicao(Botao(painel, botoes, kNova))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        const wxString nome = wxGetTextFromUser(kPerguntaNome, kNova, wxString(), this);
        if (!nome.empty()) NovaCategoria(nome);
    });
    Edicao(Botao(painel, botoes, kRenomear))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (categoria < 0) return;
        const wxString nome = wxGetTextFromUser(
            kPerguntaNome, kRenomear,
            DeUtf8(editor->GetConjunto().categorias[static_cast<std::size_t>(categoria)].nome),
            this);
        if (!nome.empty()) RenomearCategoria(nome);
    });
    Edicao(Botao(painel, botoes, kExcluir))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        ExcluirCategoria();
    });
    Edicao(Botao(painel, botoes, kLimite))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        PerguntarLimite();
    });
    esquerda->Add(botoes, 0);
    colunas->Add(esquerda, 1, wxEXPAND | wxRIGHT, kBorda);

    // The chosen category's rules.
    auto* meio = new wxBoxSizer(wxVERTICAL);
    meio->Add(new wxStaticText(painel, wxID_ANY, kRotuloRegras), 0, wxBOTTOM, 2);
    grade_regras = CriarGradeRelatorio(painel, [] { return controles::NomeArquivoCsv("regras"); });
    grade_regras->Bind(wxEVT_GRID_SELECT_CELL, [this](wxGridEvent& event) {
        event.Skip();
        auto* t = dynamic_cast<TabelaRelatorio*>(grade_regras->GetTable());
        if (t && event.GetRow() < t->GetNumberRows())
            EscolherRegra(t->ChaveDaLinha(event.GetRow()));
    });
    meio->Add(grade_regras, 1, wxEXPAND | wxBOTTOM, kBorda);
    texto_regra = new wxTextCtrl(painel, wxID_ANY);
    controles_edicao.push_back(texto_regra);
    texto_regra->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { MostrarContagem(); });
    meio->Add(texto_regra, 0, wxEXPAND | wxBOTTOM, 2);
    contagem_regra = new wxStaticText(painel, wxID_ANY, wxString());
    meio->Add(contagem_regra, 0, wxEXPAND | wxBOTTOM, kBorda);
    auto* botoes_regras = new wxBoxSizer(wxHORIZONTAL);
    Edicao(Botao(painel, botoes_regras, kAdicionar))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        AdicionarRegra();
    });
    Edicao(Botao(painel, botoes_regras, kAlterar))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        AlterarRegra();
    });
    Edicao(Botao(painel, botoes_regras, kRemover))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        RemoverRegra();
    });
    Edicao(Botao(painel, botoes_regras, kSubir))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        MoverRegra(-1);
    });
    Edicao(Botao(painel, botoes_regras, kDescer))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        MoverRegra(1);
    });
    meio->Add(botoes_regras, 0);
    colunas->Add(meio, 1, wxEXPAND | wxRIGHT, kBorda);

    // The products of no category.
    auto* direita = new wxBoxSizer(wxVERTICAL);
    direita->Add(new wxStaticText(painel, wxID_ANY, kRotuloSem), 0, wxBOTTOM, 2);
    grade_sem =
        CriarGradeRelatorio(painel, [] { return controles::NomeArquivoCsv("sem-categoria"); });
    grade_sem->SetSelectionMode(wxGrid::wxGridSelectRows);
    direita->Add(grade_sem, 1, wxEXPAND | wxBOTTOM, kBorda);
    auto* linha_colocar = new wxBoxSizer(wxHORIZONTAL);
    Edicao(Botao(painel, linha_colocar, kColocar))->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        ColocarSelecionados();
    });
    destino = new wxChoice(painel, wxID_ANY);
    controles_edicao.push_back(destino);
    linha_colocar->Add(destino, 1, wxEXPAND, 0);
    direita->Add(linha_colocar, 0, wxEXPAND);
    colunas->Add(direita, 1, wxEXPAND);

    sizer->Add(colunas, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorda);
    painel->SetSizer(sizer);
    auto* sizer_frame = new wxBoxSizer(wxVERTICAL);
    sizer_frame->Add(painel, 1, wxEXPAND, 0);
    SetSizer(sizer_frame);
    for (wxWindow* controle : controles_edicao) controle->Disable();
    OnPeriodo();

    // Ten years of receipts take a moment to read: the window is shown meanwhile.
    trabalhador = std::thread([this] {
        auto lidos = std::make_shared<DadosRelatorios>();
        const bool ok = CarregarDados(*banco, *lidos);
        const wxString erro = ok ? wxString() : banco->GetErro();
        if (!ok) *lidos = DadosRelatorios();  // nothing half read is shown
        CallAfter([this, lidos, ok, erro] { OnDadosCarregados(std::move(*lidos), ok, erro); });
    });
}

FrameCategorias::~FrameCategorias() {
    if (trabalhador.joinable()) trabalhador.join();
    // Nothing can queue another call now; drop the one still queued for this window.
    if (wxTheApp) wxTheApp->RemovePendingEventHandler(this);
    DeletePendingEvents();
}

void FrameCategorias::OnDadosCarregados(DadosRelatorios lidos, bool ok, const wxString& erro) {
    if (!ok) controles::MostrarErro(erro);
    dados = std::move(lidos);
    editor = std::make_unique<categorias::EditorCategorias>(dados, conexao);
    if (!editor->Abrir()) controles::MostrarErro(DeUtf8(editor->Erro()));

    anos = AnosComCupons(dados);
    std::reverse(anos.begin(), anos.end());
    const wxString escolhido = escolha_periodo->GetStringSelection();
    for (std::size_t i = 0; i < anos.size(); ++i)
        escolha_periodo->Insert(wxString::Format("%d", anos[i]), static_cast<unsigned>(2 + i));
    escolha_periodo->SetStringSelection(escolhido);
    const Periodo tudo = PeriodoTudo(dados);
    for (int m = tudo.de; m <= tudo.ate; ++m)
        for (wxChoice* mes : {mes_de, mes_ate})
            mes->Append(formato::MesAno(AnoDoMes(m), MesDoAno(m)));
    for (wxWindow* controle : controles_edicao) controle->Enable(editor->Editavel());
    aviso->Hide();
    aviso->GetParent()->Layout();
    pronto = true;
    OnPeriodo();
}

void FrameCategorias::OnPeriodo() {
    const int escolha = escolha_periodo->GetSelection();
    const bool outro = escolha == static_cast<int>(escolha_periodo->GetCount()) - 1;
    if (outro != mes_de->IsShown()) {
        for (wxWindow* janela : {static_cast<wxWindow*>(mes_de), static_cast<wxWindow*>(rotulo_ate),
                                 static_cast<wxWindow*>(mes_ate)})
            janela->Show(outro);
        if (outro && mes_de->GetSelection() < 0 && mes_de->GetCount() > 0) {
            // Starts from the period shown, so the person only moves what differs.
            const Periodo tudo = PeriodoTudo(dados);
            mes_de->SetSelection(std::max(0, Recortar(periodo, dados).de - tudo.de));
            mes_ate->SetSelection(std::max(0, Recortar(periodo, dados).ate - tudo.de));
        }
        mes_de->GetParent()->Layout();
    }
    if (outro) {
        const Periodo tudo = PeriodoTudo(dados);
        int de = tudo.de + std::max(0, mes_de->GetSelection());
        int ate = tudo.de + std::max(0, mes_ate->GetSelection());
        if (de > ate) std::swap(de, ate);
        periodo = tudo.Vazio() ? tudo : Periodo{de, ate};
    } else if (escolha == 1)
        periodo = PeriodoTudo(dados);
    else if (escolha >= 2 && escolha - 2 < static_cast<int>(anos.size()))
        periodo = PeriodoAno(anos[static_cast<std::size_t>(escolha - 2)]);
    else
        periodo = PeriodoUltimos12Meses(dados);
    MostrarTudo();
}

void FrameCategorias::MostrarTudo() {
    const auto& lista = editor->GetConjunto().categorias;
    if (categoria >= static_cast<int>(lista.size())) categoria = -1;
    if (categoria < 0 && !lista.empty()) categoria = 0;
    MostrarCategorias();
    MostrarRegras();
    MostrarSemCategoria();
    destino->Clear();
    for (const categorias::Categoria& c : lista) destino->Append(DeUtf8(c.nome));
    if (!lista.empty()) destino->SetSelection(std::max(categoria, 0));
}

void FrameCategorias::MostrarCategorias() {
    auto* tabela = new TabelaRelatorio(
        {{"Categoria", false}, {"Gasto", true}, {"Limite mensal", true}, {"Produtos", true}});
    const auto& lista = editor->GetConjunto().categorias;
    for (const categorias::LinhaCategoria& l : editor->Categorias(periodo)) {
        if (l.categoria < 0) continue;  // listed on the right, product by product
        const auto& limite = lista[static_cast<std::size_t>(l.categoria)].limite;
        tabela->AdicionarLinha({celula::Texto(l.nome), celula::Dinheiro(l.total),
                                celula::Dinheiro(limite), celula::Inteiro(l.produtos)},
                               l.categoria);
    }
    MostrarTabelaRelatorio(grade_categorias, tabela);
    const int linha = LinhaDaChave(grade_categorias, categoria);
    if (linha >= 0) grade_categorias->SetGridCursor(linha, 0);
}

void FrameCategorias::MostrarRegras() {
    auto* tabela = new TabelaRelatorio({{"Regra", false}, {"Produtos", true}, {"Gasto", true}});
    if (categoria >= 0) {
        const auto& regras =
            editor->GetConjunto().categorias[static_cast<std::size_t>(categoria)].regras;
        const auto contagens = editor->Regras(categoria, periodo);
        for (std::size_t r = 0; r < regras.size(); ++r)
            tabela->AdicionarLinha(
                {celula::Texto(regras[r]), celula::Inteiro(contagens[r].produtos),
                 celula::Dinheiro(contagens[r].total)},
                static_cast<int>(r));
    }
    MostrarTabelaRelatorio(grade_regras, tabela);
    regra = -1;
    MostrarContagem();
}

void FrameCategorias::MostrarSemCategoria() {
    sem_categoria = editor->SemCategoria(periodo);
    auto* tabela = new TabelaRelatorio({{wxString::FromUTF8("Descrição"), false}, {"Gasto", true}});
    for (std::size_t i = 0; i < sem_categoria.size(); ++i)
        tabela->AdicionarLinha(
            {celula::Texto(sem_categoria[i].descricao), celula::Dinheiro(sem_categoria[i].total)},
            static_cast<int>(i));
    MostrarTabelaRelatorio(grade_sem, tabela);
}

void FrameCategorias::MostrarContagem() {
    const std::string texto = texto_regra->GetValue().utf8_string();
    if (categoria < 0 || categorias::PalavrasRegra(texto).empty()) {
        contagem_regra->SetLabel(wxString());
        return;
    }
    // Once the text differs from the chosen rule it may well be added as a new one: counted so.
    const std::vector<std::string> regras = Regras();
    const bool escolhida = regra >= 0 && regra < static_cast<int>(regras.size()) &&
                           regras[static_cast<std::size_t>(regra)] == texto;
    const categorias::ContagemRegra c =
        editor->Provar(categoria, escolhida ? regra : -1, texto, periodo);
    contagem_regra->SetLabel(wxString::Format(kContagem, c.produtos, formato::Dinheiro(c.total)));
}

void FrameCategorias::EscolherCategoria(int posicao) {
    if (posicao == categoria) return;
    categoria = posicao;
    MostrarRegras();
    if (posicao >= 0 && posicao < static_cast<int>(destino->GetCount()))
        destino->SetSelection(posicao);
}

void FrameCategorias::EscolherRegra(int r) {
    if (categoria < 0) return;
    regra = r;
    const auto& regras =
        editor->GetConjunto().categorias[static_cast<std::size_t>(categoria)].regras;
    if (r >= 0 && r < static_cast<int>(regras.size()))
        texto_regra->ChangeValue(DeUtf8(regras[static_cast<std::size_t>(r)]));
    MostrarContagem();
}

bool FrameCategorias::Feito(bool ok) {
    if (!ok && !editor->Erro().empty()) controles::MostrarErro(DeUtf8(editor->Erro()));
    MostrarTudo();
    return ok;
}

std::vector<std::string> FrameCategorias::Regras() const {
    return categoria < 0
               ? std::vector<std::string>()
               : editor->GetConjunto().categorias[static_cast<std::size_t>(categoria)].regras;
}

bool FrameCategorias::NovaCategoria(const wxString& nome) {
    const bool ok = editor->AdicionarCategoria(nome.utf8_string());
    if (ok) categoria = static_cast<int>(editor->GetConjunto().categorias.size()) - 1;
    return Feito(ok);
}

bool FrameCategorias::RenomearCategoria(const wxString& nome) {
    return Feito(editor->RenomearCategoria(categoria, nome.utf8_string()));
}

bool FrameCategorias::Confirmar(const wxString& pergunta, const wxString& titulo) {
    wxMessageDialog dialogo(this, pergunta, titulo, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    dialogo.SetYesNoLabels(L"Sim", L"Não");
    return dialogo.ShowModal() == wxID_YES;
}

bool FrameCategorias::ImportarCategorias(const wxString& caminho) {
    if (!Confirmar(wxString::Format(kPerguntaImportar, wxFileName(caminho).GetFullName()),
                   kImportar))
        return false;
    return Feito(editor->Importar(caminho.utf8_string()));
}

bool FrameCategorias::ExcluirCategoria() {
    const auto& lista = editor->GetConjunto().categorias;
    if (categoria < 0 || categoria >= static_cast<int>(lista.size())) return false;
    if (!Confirmar(wxString::Format(kPerguntaExcluir,
                                    DeUtf8(lista[static_cast<std::size_t>(categoria)].nome)),
                   kExcluir))
        return false;
    const bool ok = editor->ExcluirCategoria(categoria);
    if (ok) categoria = -1;
    return Feito(ok);
}

bool FrameCategorias::PerguntarLimite() {
    if (categoria < 0) return false;
    const auto& atual = editor->GetConjunto().categorias[static_cast<std::size_t>(categoria)].limite;
    wxTextEntryDialog dialogo(this, kPerguntaLimite, kLimite,
                              atual ? formato::Decimal(*atual) : wxString());
    if (dialogo.ShowModal() != wxID_OK) return false;  // Cancel and Esc keep the limit
    const wxString texto = dialogo.GetValue();
    if (texto.Strip(wxString::both).empty()) return DefinirLimite(std::nullopt);
    double valor = 0;
    if (!formato::LerReais(texto, valor)) {
        controles::MostrarErro(kLimiteInvalido);
        return false;
    }
    return DefinirLimite(valor);
}

bool FrameCategorias::DefinirLimite(std::optional<double> limite) {
    return Feito(editor->GravarLimite(categoria, limite));
}

bool FrameCategorias::AdicionarRegra() {
    const std::string texto = texto_regra->GetValue().utf8_string();
    if (categoria < 0 || categorias::PalavrasRegra(texto).empty()) return false;
    std::vector<std::string> regras = Regras();
    regras.push_back(texto);
    texto_regra->ChangeValue(wxString());
    return Feito(editor->GravarRegras(categoria, regras));
}

bool FrameCategorias::AlterarRegra() {
    const std::string texto = texto_regra->GetValue().utf8_string();
    std::vector<std::string> regras = Regras();
    if (regra < 0 || regra >= static_cast<int>(regras.size()) ||
        categorias::PalavrasRegra(texto).empty())
        return false;
    regras[static_cast<std::size_t>(regra)] = texto;
    return Feito(editor->GravarRegras(categoria, regras));
}

bool FrameCategorias::RemoverRegra() {
    std::vector<std::string> regras = Regras();
    if (regra < 0 || regra >= static_cast<int>(regras.size())) return false;
    regras.erase(regras.begin() + regra);
    return Feito(editor->GravarRegras(categoria, regras));
}

bool FrameCategorias::MoverRegra(int passo) {
    std::vector<std::string> regras = Regras();
    const int para = regra + passo;
    if (regra < 0 || para < 0 || para >= static_cast<int>(regras.size())) return false;
    std::swap(regras[static_cast<std::size_t>(regra)], regras[static_cast<std::size_t>(para)]);
    const bool ok = Feito(editor->GravarRegras(categoria, regras));
    const int linha = LinhaDaChave(grade_regras, para);
    if (ok && linha >= 0) {
        grade_regras->SetGridCursor(linha, 0);
        EscolherRegra(para);
    }
    return ok;
}

bool FrameCategorias::ColocarSelecionados() {
    const int alvo = destino->GetSelection();
    std::vector<std::string> chaves;
    auto* tabela = dynamic_cast<TabelaRelatorio*>(grade_sem->GetTable());
    for (int linha : grade_sem->GetSelectedRows()) {
        const int i = tabela ? tabela->ChaveDaLinha(linha) : -1;
        if (i >= 0 && i < static_cast<int>(sem_categoria.size()))
            chaves.push_back(sem_categoria[static_cast<std::size_t>(i)].chave);
    }
    if (alvo < 0 || chaves.empty()) return false;
    return Feito(editor->Colocar(chaves, alvo));
}

void AbrirCategorias(wxWindow* parent, BancoDados* banco) {
    controles::MostrarNaTela(new FrameCategorias(parent, banco));
}
