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

// A stored receipt, as the purchases of a product need it.
struct CupomCatalogo {
    long long id = 0;
    long long data_hora = 0;  // YYYYMMDDhhmmss
    int loja = 0;             // CatalogoPrecos::Cnpj / Fantasia
};

class CatalogoPrecos {
public:
    // The stores and receipts that the lines come from, kept for reading one product's
    // purchases without looking each line's receipt up in the database. Stores first.
    void AdicionarLoja(std::string_view cnpj, std::string_view fantasia);
    void AdicionarCupom(long long id, long long data_hora, std::string_view cnpj);
    // Once every receipt is added, before any is looked up.
    void OrdenarCupons();
    // The receipt of id `id`, nullptr when it was not stored when the catalogue was read.
    // `cursor` is the caller's own place: lines looked up in the order they were stored mostly
    // find their receipt there or just after it.
    const CupomCatalogo* Cupom(long long id, std::size_t& cursor) const;
    std::string_view Cnpj(int loja) const { return lojas_[static_cast<std::size_t>(loja)].first; }
    std::string_view Fantasia(int loja) const {
        return lojas_[static_cast<std::size_t>(loja)].second;
    }

    // One item line, bought at the store of CNPJ `cnpj`, with the price paid for one unit: NaN
    // (a line without a quantity) counts as a purchase without a price. Lines may come in any
    // order; of two lines with the same moment the one added later counts as the more recent.
    void Adicionar(std::string_view codigo, std::string_view descricao, std::string_view cnpj,
                   long long data_hora, double preco);
    // Adds the lines added to `depois`, which all count as added after every line of this one
    // (the later half of a scan, read apart), leaving `depois` empty. Before Concluir.
    void Juntar(CatalogoPrecos&& depois);
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
    // A (code, description) as the stores wrote them, with its counts; one per store when the
    // code is a restricted GTIN (the pair in the table then only leads to those). Every item line
    // looks its pair up and counts in it, so what it touches is kept small: its bytes are in
    // chaves_, and what only a restricted code needs is in ParDeLoja.
    struct Par {
        std::size_t inicio = 0;  // of its code in chaves_, its description right after it
        std::uint32_t tamanho_codigo = 0;
        std::uint32_t tamanho_descricao = 0;
        int compras = 0;
        bool restrito = false;
        double menor_preco = NAN;
        long long ultima_data = 0;
        double ultimo_preco = 0;
        long long ultima_ordem = 0;  // which line was last, among lines of the same moment
    };
    struct ParDeLoja {
        std::string cnpj;                                   // of a store's own pair
        std::vector<std::pair<std::string, int>> por_loja;  // CNPJ -> position in pares_
    };

    std::string_view Codigo(const Par& par) const {
        return std::string_view(chaves_).substr(par.inicio, par.tamanho_codigo);
    }
    std::string_view Descricao(const Par& par) const {
        return std::string_view(chaves_).substr(par.inicio + par.tamanho_codigo,
                                                par.tamanho_descricao);
    }

    // Positions found by a mark (the upper half of a 64-bit hash), open addressing with linear
    // probing; a mark's leading bits are the slot its entry belongs in, and a probe that does not
    // match it goes on without looking at the entry. At most half full, so that a probe soon
    // meets a free slot: every item line looks its pair up, and a general-purpose map of strings
    // doubles the time of the whole scan.
    class TabelaMarcas {
    public:
        // Makes room for `entradas` entries in all; before any Procurar.
        void Reservar(std::size_t entradas);
        // The slot of the entry of mark `marca` whose position `igual` accepts; else the free
        // slot where it would go, whose Posicao is -1.
        template <typename Igual>
        std::size_t Procurar(std::uint32_t marca, Igual igual) const {
            const std::size_t mascara = vagas_.size() - 1;
            std::size_t i = marca >> deslocamento_;
            for (; vagas_[i].posicao >= 0; i = (i + 1) & mascara)
                if (vagas_[i].marca == marca && igual(vagas_[i].posicao)) break;
            return i;
        }
        int Posicao(std::size_t vaga) const { return vagas_[vaga].posicao; }
        void Ocupar(std::size_t vaga, std::uint32_t marca, int posicao) {
            vagas_[vaga] = {marca, posicao};
        }
        void Limpar() {
            vagas_ = {};
            deslocamento_ = 32;
        }

    private:
        struct Vaga {
            std::uint32_t marca = 0;
            int posicao = -1;  // -1 when free
        };
        std::vector<Vaga> vagas_;  // empty, or 1 << (32 - deslocamento_) long
        int deslocamento_ = 32;
    };

    int ProcurarPar(std::string_view codigo, std::string_view descricao);
    int NovoPar(std::string_view codigo, std::string_view descricao);
    int ParDaLoja(int par, std::string_view cnpj);
    std::string_view CnpjDoPar(int par) const;  // of a store's own pair; else empty

    std::vector<Par> pares_;
    std::string chaves_;
    // By position in pares_: the pairs of a restricted code and their stores' pairs only.
    std::unordered_map<int, ParDeLoja> pares_de_loja_;
    TabelaMarcas tabela_pares_;  // positions in pares_
    long long linhas_ = 0;

    std::vector<CupomCatalogo> cupons_;  // by id once OrdenarCupons has run
    bool cupons_em_ordem_ = true;
    std::vector<std::pair<std::string, std::string>> lojas_;  // CNPJ, trade name
    std::unordered_map<std::string, int> posicao_loja_;

    std::vector<ProdutoCatalogo> produtos_;
    TabelaMarcas indice_produtos_;  // positions in produtos_, by their chave
};

}  // namespace precos
