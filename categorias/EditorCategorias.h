#pragma once

// What the "Categorias" window edits, apart from the window: the stored set, each product's
// category over the receipts' data, and every change written first and then classified again,
// so what the window shows is always what is stored.

#include <optional>
#include <string>
#include <vector>

#include "categorias/ArmazemCategorias.h"
#include "categorias/Categorias.h"
#include "categorias/RelatorioCategorias.h"
#include "relatorios/DadosRelatorios.h"
#include "relatorios/Periodo.h"

namespace categorias {

class EditorCategorias {
public:
    // Both are borrowed and must outlive the editor.
    EditorCategorias(const relatorios::DadosRelatorios& dados, ConexaoCategorias& conexao);

    // Reads the set (writing the built-in one on first use) and classifies. False with Erro()
    // when the stored set cannot be read: the built-in set is classified instead, not editable.
    bool Abrir();
    // False also when the set was read from a database that cannot be written.
    bool Editavel() const { return editavel_; }

    const Conjunto& GetConjunto() const { return conjunto_; }
    const Classificacao& GetClassificacao() const { return classificacao_; }
    // Why the last change was not made, in Portuguese.
    const std::string& Erro() const { return erro_; }

    std::vector<LinhaCategoria> Categorias(const relatorios::Periodo& periodo) const;
    std::vector<ContagemRegra> Regras(int categoria, const relatorios::Periodo& periodo) const;
    // What rule `regra` of `categoria` (its last + 1: a new rule) would catch written as
    // `texto`, the others as they are: for the count shown while a rule is typed.
    ContagemRegra Provar(int categoria, int regra, const std::string& texto,
                         const relatorios::Periodo& periodo) const;
    // The products of no category bought in the period, largest spending first.
    std::vector<relatorios::LinhaProduto> SemCategoria(const relatorios::Periodo& periodo) const;

    // Categories by position in GetConjunto().categorias.
    bool AdicionarCategoria(const std::string& nome);
    bool RenomearCategoria(int categoria, const std::string& nome);
    bool ExcluirCategoria(int categoria);
    bool GravarRegras(int categoria, const std::vector<std::string>& regras);
    bool GravarLimite(int categoria, std::optional<double> limite);
    // Places the products in `categoria`; -1 gives them back to the rules.
    bool Colocar(const std::vector<std::string>& chaves, int categoria);
    // Replaces the set by the file's; a file that is not one changes nothing (Erro() says why).
    bool Importar(const std::string& caminho);
    bool Exportar(const std::string& caminho);

private:
    bool Recarregar(bool gravou);

    const relatorios::DadosRelatorios& dados_;
    ConexaoCategorias& conexao_;
    ArmazemCategorias armazem_;
    std::vector<std::string> normalizadas_;
    Conjunto conjunto_;
    Classificacao classificacao_;
    std::string erro_;
    bool editavel_ = false;
};

}  // namespace categorias
