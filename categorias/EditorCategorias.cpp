#include "categorias/EditorCategorias.h"

#include "categorias/ArquivoCategorias.h"

namespace categorias {

EditorCategorias::EditorCategorias(const relatorios::DadosRelatorios& dados,
                                   ConexaoCategorias& conexao)
    : dados_(dados),
      conexao_(conexao),
      armazem_(conexao),
      normalizadas_(DescricoesNormalizadas(dados)) {}

bool EditorCategorias::Abrir() {
    const bool lido = Recarregar(true);
    editavel_ = lido && !conexao_.SomenteLeitura();
    if (!lido) {
        // Nothing stored can be read or written (a transaction left open on the connection, a
        // file that cannot be written): the built-in set is shown, so every product still has
        // a category to index.
        conjunto_ = Embutidas();
        classificacao_ = Classificar(dados_, normalizadas_, conjunto_, Classificador(conjunto_));
    }
    return lido;
}

bool EditorCategorias::Recarregar(bool gravou) {
    // Read back even after a failed change: the stored set is what is shown.
    erro_ = gravou ? std::string() : armazem_.Erro();
    Conjunto lido;
    if (!armazem_.Carregar(lido)) {
        erro_ = armazem_.Erro();
        return false;
    }
    conjunto_ = std::move(lido);
    classificacao_ = Classificar(dados_, normalizadas_, conjunto_, Classificador(conjunto_));
    return gravou;
}

std::vector<LinhaCategoria> EditorCategorias::Categorias(const relatorios::Periodo& p) const {
    return RelatorioCategorias(dados_, conjunto_, classificacao_, p);
}

std::vector<ContagemRegra> EditorCategorias::Regras(int categoria,
                                                    const relatorios::Periodo& p) const {
    return ContarRegras(dados_, conjunto_, classificacao_, p, categoria);
}

ContagemRegra EditorCategorias::Provar(int categoria, int regra, const std::string& texto,
                                       const relatorios::Periodo& p) const {
    if (categoria < 0 || static_cast<std::size_t>(categoria) >= conjunto_.categorias.size())
        return {};
    Conjunto provado = conjunto_;
    auto& regras = provado.categorias[static_cast<std::size_t>(categoria)].regras;
    if (regra < 0 || static_cast<std::size_t>(regra) >= regras.size()) {
        regra = static_cast<int>(regras.size());
        regras.push_back(texto);
    } else {
        regras[static_cast<std::size_t>(regra)] = texto;
    }
    const Classificacao c = Classificar(dados_, normalizadas_, provado, Classificador(provado));
    return ContarRegras(dados_, provado, c, p, categoria)[static_cast<std::size_t>(regra)];
}

std::vector<relatorios::LinhaProduto> EditorCategorias::SemCategoria(
    const relatorios::Periodo& p) const {
    return ProdutosDaCategoria(dados_, classificacao_, p, -1);
}

bool EditorCategorias::AdicionarCategoria(const std::string& nome) {
    long long id = 0;
    return Recarregar(armazem_.Adicionar(nome, id));
}

bool EditorCategorias::RenomearCategoria(int c, const std::string& nome) {
    if (c < 0 || static_cast<std::size_t>(c) >= conjunto_.categorias.size()) return false;
    return Recarregar(
        armazem_.Renomear(conjunto_.categorias[static_cast<std::size_t>(c)].id, nome));
}

bool EditorCategorias::ExcluirCategoria(int c) {
    if (c < 0 || static_cast<std::size_t>(c) >= conjunto_.categorias.size()) return false;
    return Recarregar(armazem_.Excluir(conjunto_.categorias[static_cast<std::size_t>(c)].id));
}

bool EditorCategorias::GravarRegras(int c, const std::vector<std::string>& regras) {
    if (c < 0 || static_cast<std::size_t>(c) >= conjunto_.categorias.size()) return false;
    return Recarregar(
        armazem_.GravarRegras(conjunto_.categorias[static_cast<std::size_t>(c)].id, regras));
}

bool EditorCategorias::GravarLimite(int c, std::optional<double> limite) {
    if (c < 0 || static_cast<std::size_t>(c) >= conjunto_.categorias.size()) return false;
    return Recarregar(
        armazem_.GravarLimite(conjunto_.categorias[static_cast<std::size_t>(c)].id, limite));
}

bool EditorCategorias::Colocar(const std::vector<std::string>& chaves, int c) {
    const long long id = c < 0 || static_cast<std::size_t>(c) >= conjunto_.categorias.size()
                             ? 0
                             : conjunto_.categorias[static_cast<std::size_t>(c)].id;
    return Recarregar(armazem_.Colocar(chaves, id));
}

bool EditorCategorias::Importar(const std::string& caminho) {
    Conjunto lido;
    if (!LerArquivoCategorias(caminho, lido, erro_)) return false;
    return Recarregar(armazem_.Substituir(lido));
}

bool EditorCategorias::Exportar(const std::string& caminho) {
    erro_.clear();
    return SalvarArquivoCategorias(caminho, conjunto_, erro_);
}

}  // namespace categorias
