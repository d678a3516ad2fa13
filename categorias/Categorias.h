#pragma once

// Kinds of purchase ("Mercearia", "Limpeza", ...) and the rules that put products in them.
//
// A rule is a sequence of words, each one a whole word or the beginning of one, matched on the
// normalised description (precos::Normalizar: upper case, no accents), so that "DET LIQ" catches
// "DETERGENTE LÍQUIDO 500ML" and "Det. Líq. Ypê". Words are runs of letters or of digits: "-",
// "/", "." and "," separate them ("COCA-COLA" is COCA COLA), and so does a change from digits to
// letters ("500MG" is 500 MG). The words of a rule must follow one another in the description.
//
// Of the rules that match a description, the most specific decides: the one of more words, then
// the one found nearer the start (receipts print the kind of product first: "BOLO DE CENOURA" is
// a cake, "PÃO DE QUEIJO" bread), then the one of more letters, then the earlier category and
// the earlier rule. A product placed in a category directly, by the price history's identity,
// stays there whatever the rules say; a product nothing catches is "Sem categoria".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "relatorios/DadosRelatorios.h"

namespace categorias {

inline constexpr const char* kSemCategoria = "Sem categoria";

struct Categoria {
    long long id = 0;  // its row in the database; positive
    std::string nome;
    std::vector<std::string> regras;  // as the person wrote them, in their order
    std::optional<double> limite;     // a monthly limit, in reais
};

struct Conjunto {
    std::vector<Categoria> categorias;  // in the order they are listed
    // Products placed directly: precos::ChaveProduto -> Categoria::id.
    std::unordered_map<std::string, long long> colocacoes;

    // Position of the category `id` in `categorias`; -1 when there is none.
    int Posicao(long long id) const;
};

// The categories the program comes with, ids 1, 2, ... in order.
Conjunto Embutidas();

// The words of a rule or a description once normalised; empty when it has none.
std::vector<std::string> PalavrasRegra(std::string_view texto);

// What decided a description's category.
struct Encaixe {
    int categoria = -1;  // position in Conjunto::categorias; -1 when no rule matched
    int regra = -1;      // position in that category's regras
    // The ranking of the match (lower is more specific); compares encaixes of one classifier.
    std::uint64_t ordem = UINT64_MAX;
    bool operator<(const Encaixe& outro) const { return ordem < outro.ordem; }
};

// The rules of a set compiled for matching: rules are found by their first word, so a
// description costs a few lookups per word whatever the number of rules.
class Classificador {
public:
    explicit Classificador(const Conjunto& conjunto);

    // The rule that decides for `normalizada` (a text already through precos::Normalizar).
    Encaixe Classificar(std::string_view normalizada) const;

private:
    struct Regra {
        std::vector<std::string> palavras;
        int categoria = 0;
        int regra = 0;
        int letras = 0;
        int prioridade = 0;  // position among all rules, for the last tie-break
    };
    std::vector<Regra> regras_;
    // Hash of a first word -> rules starting with it; and which first-word lengths exist.
    std::unordered_map<std::uint64_t, std::vector<int>> por_primeira_;
    std::uint64_t comprimentos_ = 0;  // bit n: some first word has n letters (n < 64)
};

// The normalised text of each of a data set's descriptions, computed once: classifying again
// after a rule changes only matches.
std::vector<std::string> DescricoesNormalizadas(const relatorios::DadosRelatorios& dados);

// Each product's category, and what put it there.
struct Classificacao {
    std::vector<int> categoria;  // per product: position in Conjunto::categorias, -1 none
    // Per product: the deciding rule's position in its category's regras; -1 for a product
    // placed directly or in no category.
    std::vector<int> regra;
    bool Direta(std::size_t produto) const { return categoria[produto] >= 0 && regra[produto] < 0; }
};

// Every product of `dados`: a direct placement to a category of the set first, else the most
// specific match among the descriptions its lines were printed with. `normalizadas` is
// DescricoesNormalizadas(dados).
Classificacao Classificar(const relatorios::DadosRelatorios& dados,
                          const std::vector<std::string>& normalizadas, const Conjunto& conjunto,
                          const Classificador& classificador);
Classificacao Classificar(const relatorios::DadosRelatorios& dados, const Conjunto& conjunto);

}  // namespace categorias
