#include "categorias/Categorias.h"

#include <algorithm>

#include "precos/Produto.h"

namespace categorias {
namespace {

constexpr std::uint64_t kFnvBase = 1469598103934665603ULL;
constexpr std::uint64_t kFnvPrimo = 1099511628211ULL;

// 1 for a letter, 2 for a digit, 0 for anything else.
int Classe(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return 1;
    return c >= '0' && c <= '9' ? 2 : 0;
}

// The words of a normalised text, as views into it: runs of letters and runs of digits, so that
// "500MG" and "C/10" are 500 MG and C 10, as a rule's words are written.
template <class Receber>
void PercorrerPalavras(std::string_view texto, Receber&& receber) {
    std::size_t i = 0;
    while (i < texto.size()) {
        while (i < texto.size() && Classe(texto[i]) == 0) ++i;
        if (i == texto.size()) break;
        const std::size_t inicio = i;
        const int classe = Classe(texto[i]);
        while (i < texto.size() && Classe(texto[i]) == classe) ++i;
        receber(texto.substr(inicio, i - inicio));
    }
}

// Lower is more specific: more words, then nearer the start, then more letters, then earlier.
std::uint64_t Ordem(std::size_t palavras, std::size_t posicao, int letras, int prioridade) {
    const auto p = std::min<std::uint64_t>(posicao, 0xFFF);
    const auto l = std::min<std::uint64_t>(static_cast<std::uint64_t>(letras), 0xFFF);
    const auto w = std::min<std::uint64_t>(palavras, 0xFF);
    return ((0xFF - w) << 56) | (p << 44) | ((0xFFF - l) << 32) |
           static_cast<std::uint32_t>(prioridade);
}

}  // namespace

int Conjunto::Posicao(long long id) const {
    for (std::size_t i = 0; i < categorias.size(); ++i)
        if (categorias[i].id == id) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> PalavrasRegra(std::string_view texto) {
    std::vector<std::string> palavras;
    const std::string normalizado = precos::Normalizar(texto);
    PercorrerPalavras(normalizado, [&](std::string_view p) { palavras.emplace_back(p); });
    return palavras;
}

Classificador::Classificador(const Conjunto& conjunto) {
    int prioridade = 0;
    for (std::size_t c = 0; c < conjunto.categorias.size(); ++c) {
        const auto& regras = conjunto.categorias[c].regras;
        for (std::size_t r = 0; r < regras.size(); ++r) {
            Regra regra;
            regra.palavras = PalavrasRegra(regras[r]);
            regra.categoria = static_cast<int>(c);
            regra.regra = static_cast<int>(r);
            regra.prioridade = prioridade++;
            if (regra.palavras.empty()) continue;  // nothing to match: catches nothing
            for (const std::string& p : regra.palavras) regra.letras += static_cast<int>(p.size());
            const std::string& primeira = regra.palavras.front();
            std::uint64_t h = kFnvBase;
            for (char ch : primeira) h = (h ^ static_cast<unsigned char>(ch)) * kFnvPrimo;
            if (primeira.size() < 64) comprimentos_ |= std::uint64_t{1} << primeira.size();
            por_primeira_[h].push_back(static_cast<int>(regras_.size()));
            regras_.push_back(std::move(regra));
        }
    }
}

Encaixe Classificador::Classificar(std::string_view normalizada) const {
    // Up to 32 words are looked at; descriptions are far shorter.
    std::string_view palavras[32];
    std::size_t n = 0;
    PercorrerPalavras(normalizada, [&](std::string_view p) {
        if (n < std::size(palavras)) palavras[n++] = p;
    });
    Encaixe melhor;
    for (std::size_t j = 0; j < n; ++j) {
        const std::string_view palavra = palavras[j];
        std::uint64_t h = kFnvBase;
        for (std::size_t len = 1; len <= palavra.size() && len < 64; ++len) {
            h = (h ^ static_cast<unsigned char>(palavra[len - 1])) * kFnvPrimo;
            if (!(comprimentos_ & (std::uint64_t{1} << len))) continue;
            const auto achados = por_primeira_.find(h);
            if (achados == por_primeira_.end()) continue;
            for (int indice : achados->second) {
                const Regra& regra = regras_[static_cast<std::size_t>(indice)];
                const std::size_t k = regra.palavras.size();
                if (j + k > n || regra.palavras[0] != palavra.substr(0, len)) continue;
                bool casou = true;
                for (std::size_t i = 1; i < k && casou; ++i)
                    casou = palavras[j + i].starts_with(regra.palavras[i]);
                if (!casou) continue;
                const std::uint64_t ordem = Ordem(k, j, regra.letras, regra.prioridade);
                if (ordem < melhor.ordem) melhor = {regra.categoria, regra.regra, ordem};
            }
        }
    }
    return melhor;
}

std::vector<std::string> DescricoesNormalizadas(const relatorios::DadosRelatorios& dados) {
    std::vector<std::string> normalizadas;
    normalizadas.reserve(dados.descricoes.size());
    for (const std::string& d : dados.descricoes) normalizadas.push_back(precos::Normalizar(d));
    return normalizadas;
}

Classificacao Classificar(const relatorios::DadosRelatorios& dados,
                          const std::vector<std::string>& normalizadas, const Conjunto& conjunto,
                          const Classificador& classificador) {
    // Each description once, however many variants print it.
    std::vector<Encaixe> por_descricao(normalizadas.size());
    std::vector<char> feito(normalizadas.size(), 0);
    std::vector<Encaixe> melhor(dados.produtos.size());
    for (const relatorios::Variante& v : dados.variantes) {
        const auto d = static_cast<std::size_t>(v.descricao);
        if (!feito[d]) {
            por_descricao[d] = classificador.Classificar(normalizadas[d]);
            feito[d] = 1;
        }
        Encaixe& m = melhor[static_cast<std::size_t>(v.produto)];
        if (por_descricao[d] < m) m = por_descricao[d];
    }

    Classificacao resultado;
    resultado.categoria.resize(dados.produtos.size());
    resultado.regra.resize(dados.produtos.size());
    for (std::size_t p = 0; p < dados.produtos.size(); ++p) {
        resultado.categoria[p] = melhor[p].categoria;
        resultado.regra[p] = melhor[p].regra;
    }
    if (!conjunto.colocacoes.empty()) {
        for (std::size_t p = 0; p < dados.produtos.size(); ++p) {
            const auto achada = conjunto.colocacoes.find(dados.produtos[p].chave);
            if (achada == conjunto.colocacoes.end()) continue;
            const int c = conjunto.Posicao(achada->second);
            if (c < 0) continue;  // a category since deleted: the rules decide again
            resultado.categoria[p] = c;
            resultado.regra[p] = -1;
        }
    }
    return resultado;
}

Classificacao Classificar(const relatorios::DadosRelatorios& dados, const Conjunto& conjunto) {
    return Classificar(dados, DescricoesNormalizadas(dados), conjunto, Classificador(conjunto));
}

}  // namespace categorias
