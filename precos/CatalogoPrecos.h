#pragma once

// Every product the person bought, built in memory from one pass over all item lines: per
// product the number of purchases, the last price and date, the lowest price, the codes and
// descriptions it came under, and the text the search looks in. Lines are first counted per
// (code, description) as the stores wrote them, a few hundred or thousand pairs however many
// lines there are; only those pairs are normalised and merged into products.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace precos {

struct ProdutoCatalogo {
    std::string chave;      // ChaveProduto of its lines
    bool por_gtin = false;  // known by its code rather than its description
    std::string descricao;  // of its most recent purchase, as the store wrote it
    std::string codigo;     // of its most recent purchase
    std::string cnpj;       // the store, for a restricted GTIN (a store's own code); else empty
    int compras = 0;        // item lines
    // Prices paid for one unit (PrecoPago): the last purchase's, NaN when it has none, and the
    // lowest, NaN when no purchase has one.
    double ultimo_preco = 0;
    long long ultima_data = 0;  // YYYYMMDDhhmmss
    double menor_preco = 0;
    std::vector<std::string> codigos;     // every code it was bought under, as written
    std::vector<std::string> descricoes;  // every description it was bought under, as written
    std::string busca;                    // its normalised descriptions and codes, one per line
};

class CatalogoPrecos {
public:
    // One item line, bought at the store of CNPJ `cnpj`, with the price paid for one unit: NaN
    // (a line without a quantity) counts as a purchase without a price. Lines may come in any
    // order; of two lines with the same moment the one added later counts as the more recent.
    void Adicionar(std::string_view codigo, std::string_view descricao, std::string_view cnpj,
                   long long data_hora, double preco);
    // Merges the lines added into products, most bought first. Lines added afterwards start a
    // new count that the next call merges with these.
    void Concluir();

    // Most bought first; equal counts by description.
    const std::vector<ProdutoCatalogo>& Produtos() const { return produtos_; }

    // Positions in Produtos() of the products whose descriptions or codes hold every word of
    // `digitado` (case and accents ignored), in the order of Produtos(). Every product for a text
    // without words.
    std::vector<int> Buscar(std::string_view digitado) const;

    // The product of an item line, by its code when it has one, else by its description: the
    // most bought product that came under exactly that description, or the one whose normalised
    // description it has. `cnpj` is the line's store, which a restricted GTIN needs. -1 when
    // there is none.
    int Localizar(std::string_view codigo, std::string_view descricao,
                  std::string_view cnpj = {}) const;

private:
    // A (code, description) as the stores wrote them; one per store when the code is a
    // restricted GTIN (the pair in the table then only leads to those).
    struct Par {
        std::string codigo;
        std::string descricao;
        std::string cnpj;  // of the store's own pair
        bool restrito = false;
        std::vector<std::pair<std::string, int>> por_loja;  // CNPJ -> position in pares_
        int compras = 0;
        double menor_preco = NAN;
        long long ultima_data = 0;
        double ultimo_preco = 0;
        long long ultima_ordem = 0;  // which line was last, among lines of the same moment
    };

    // The pairs by their hash, open addressing with linear probing: every item line looks its
    // pair up, and a general-purpose map of strings doubles the time of the whole scan.
    int ProcurarPar(std::string_view codigo, std::string_view descricao);
    int ParDaLoja(int par, std::string_view cnpj);
    void Redimensionar(std::size_t tamanho);

    struct Vaga {
        std::uint64_t hash = 0;  // the pair's: probes that do not match end here
        int par = -1;            // position in pares_, -1 when free
    };

    std::vector<Par> pares_;
    std::vector<Vaga> tabela_pares_;  // a power of two long
    long long linhas_ = 0;

    std::vector<ProdutoCatalogo> produtos_;
    std::unordered_map<std::string, int> indice_produtos_;  // chave -> produtos_
};

}  // namespace precos
