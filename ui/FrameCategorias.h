#pragma once

// "Categorias": the kinds of purchase and their rules, edited over the receipts. The categories
// with their spending over a chosen period; the chosen category's rules, each with the products
// and money it catches, and the count of the rule being typed, live; the products of no
// category, largest spending first, to be put into one. What the window computes comes from
// categorias::EditorCategorias, which writes every change before it is shown.

#include <wx/frame.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "categorias/ConexaoBanco.h"
#include "categorias/EditorCategorias.h"
#include "relatorios/DadosRelatorios.h"
#include "relatorios/Periodo.h"
#include "relatorios/RelatorioProdutos.h"

class BancoDados;
class wxChoice;
class wxGrid;
class wxGridEvent;
class wxStaticText;
class wxTextCtrl;

class FrameCategorias : public wxFrame {
public:
    // `banco` is borrowed and must outlive the window. Built, not shown; the receipts are read
    // on a thread of the window's own, then the categories (writing the built-in ones on first
    // use) on the window's thread.
    FrameCategorias(wxWindow* parent, BancoDados* banco);
    ~FrameCategorias() override;

    // Whether the receipts are read and the set shown (until then nothing can be edited).
    bool Pronto() const { return pronto; }

    categorias::EditorCategorias& GetEditor() { return *editor; }
    const relatorios::Periodo& GetPeriodo() const { return periodo; }
    // "Últimos 12 meses", "Tudo", the years, "Outro período…" (with the two months beside it).
    wxChoice* GetEscolhaPeriodo() const { return escolha_periodo; }
    wxChoice* GetMesInicial() const { return mes_de; }
    wxChoice* GetMesFinal() const { return mes_ate; }
    wxGrid* GetGradeCategorias() const { return grade_categorias; }
    wxGrid* GetGradeRegras() const { return grade_regras; }
    wxGrid* GetGradeSemCategoria() const { return grade_sem; }
    wxTextCtrl* GetTextoRegra() const { return texto_regra; }
    wxStaticText* GetContagemRegra() const { return contagem_regra; }
    wxChoice* GetDestino() const { return destino; }
    // The category whose rules are shown (position in the set; -1 none).
    int GetCategoria() const { return categoria; }

    // What the buttons do once they have their values; an error is shown in the error box.
    void EscolherCategoria(int posicao);
    void EscolherRegra(int regra);
    bool NovaCategoria(const wxString& nome);
    bool RenomearCategoria(const wxString& nome);
    // Both ask first.
    bool ExcluirCategoria();
    bool ImportarCategorias(const wxString& caminho);
    bool DefinirLimite(std::optional<double> limite);
    // "Limite mensal…": asks with the current limit filled in; an empty text sets none.
    bool PerguntarLimite();
    bool AdicionarRegra();
    bool AlterarRegra();
    bool RemoverRegra();
    bool MoverRegra(int passo);
    // The selected rows of the products of no category, into the category chosen beside them.
    bool ColocarSelecionados();

private:
    // Reads the period from the chooser (and the two months for "Outro período…").
    void OnPeriodo();
    void OnDadosCarregados(relatorios::DadosRelatorios lidos, bool ok, const wxString& erro);
    void MostrarTudo();
    void MostrarCategorias();
    void MostrarRegras();
    void MostrarSemCategoria();
    void MostrarContagem();
    bool Feito(bool ok);
    bool Confirmar(const wxString& pergunta, const wxString& titulo);
    // A control that changes the set: disabled when the stored set cannot be edited.
    template <class Controle>
    Controle* Edicao(Controle* controle) {
        controles_edicao.push_back(controle);
        return controle;
    }
    std::vector<std::string> Regras() const;

    BancoDados* banco;
    relatorios::DadosRelatorios dados;
    categorias::ConexaoBanco conexao;
    std::unique_ptr<categorias::EditorCategorias> editor;
    relatorios::Periodo periodo;
    std::vector<int> anos;  // the period chooser's years, newest first
    int categoria = -1;
    int regra = -1;
    std::vector<relatorios::LinhaProduto> sem_categoria;

    wxChoice* escolha_periodo = nullptr;
    wxChoice* mes_de = nullptr;
    wxChoice* mes_ate = nullptr;
    wxStaticText* rotulo_ate = nullptr;
    wxGrid* grade_categorias = nullptr;
    wxGrid* grade_regras = nullptr;
    wxTextCtrl* texto_regra = nullptr;
    wxStaticText* contagem_regra = nullptr;
    wxGrid* grade_sem = nullptr;
    wxChoice* destino = nullptr;
    std::vector<wxWindow*> controles_edicao;
    wxStaticText* aviso = nullptr;  // "Lendo os cupons…" until they are read
    bool pronto = false;
    std::thread trabalhador;  // reads the receipts; joined by the destructor
};

// Opens the categories window of `banco` as a child of `parent`.
void AbrirCategorias(wxWindow* parent, BancoDados* banco);
