#pragma once

// The receipts in the compact form every report reads: loaded once, then any period of any report
// is a pass over contiguous arrays. Receipts are sorted by their moment, so a period's receipts
// are one range, and their item lines are stored in the same order, so its lines are one range
// too. Texts are interned: a line holds numbers only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace relatorios {

// One CNPJ that receipts name, with what its `emitente` row says.
struct Loja {
    std::string cnpj;  // as stored
    std::string nome;  // trade name, else legal name, else the CNPJ written 00.000.000/0000-00
    // The company: the first 8 of the CNPJ's 14 digits, which a company's branches share; a
    // CNPJ that is not 14 digits is a company of its own.
    std::string raiz;
};

struct Cupom {
    long long data_hora = 0;  // YYYYMMDDhhmmss
    int mes = 0;              // month number (Periodo.h)
    int id = 0;               // cupom.id, for opening the receipt
    int loja = 0;             // position in DadosRelatorios::lojas
    double valor_total = 0;
    std::size_t primeiro_item = 0;  // its lines: itens[primeiro_item, next receipt's)
    std::string numero_cfe;
};

struct Item {
    int variante = 0;  // position in DadosRelatorios::variantes
    double qtde = 0;
    double liquido = 0;  // valor_total - desconto
};

// A (code, description, unit) as the stores wrote them: lines share these by the thousand.
struct Variante {
    int produto = 0;    // position in DadosRelatorios::produtos
    int descricao = 0;  // position in DadosRelatorios::descricoes
    int unidade = 0;    // position in DadosRelatorios::unidades
};

// A product as the price history knows it (precos::ChaveProduto).
struct Produto {
    std::string chave;
    // Its normalised descriptions and codes, one per line, for precos::Corresponde.
    std::string busca;
};

struct DadosRelatorios {
    std::vector<Loja> lojas;
    std::vector<Cupom> cupons;  // by moment, then id
    std::vector<Item> itens;    // by receipt in the order of `cupons`, each receipt's as stored
    std::vector<Variante> variantes;
    std::vector<Produto> produtos;
    std::vector<std::string> descricoes;  // as written
    std::vector<std::string> unidades;    // normalised ("un" and "UN" are one)

    // The months from the oldest receipt's to the newest one's; primeiro_mes > ultimo_mes when
    // there is no receipt. Totals and counts of every month in between, index mes - primeiro_mes.
    int primeiro_mes = 0;
    int ultimo_mes = -1;
    std::vector<double> total_mes;
    std::vector<int> cupons_mes;

    bool Vazio() const { return cupons.empty(); }
    // The first line of receipt `c`; itens.size() for c == cupons.size().
    std::size_t InicioItens(std::size_t c) const {
        return c < cupons.size() ? cupons[c].primeiro_item : itens.size();
    }
};

// Builds DadosRelatorios from the three tables' rows: stores at any time, every receipt before
// the first line (a line of a receipt not added by then is left out).
class MontadorDados {
public:
    // Room for `linhas` lines, for a table that will hand over about that many: ten years of
    // lines, grown by doubling, touch three times the memory they end in, and fresh memory is
    // what a first reading spends most on. A bound far beyond any real table is not taken.
    void PreverItens(long long linhas);
    void AdicionarEmitente(std::string_view cnpj, std::string_view nome, std::string_view fantasia);
    // A receipt whose moment does not start with a valid date (YYYYMMDD, month 1 to 12) belongs
    // to no month and is left out, and so are its lines.
    void AdicionarCupom(long long id, std::string_view data_hora, double valor_total,
                        std::string_view cnpj, std::string_view numero_cfe);
    void AdicionarItem(long long id_cupom, std::string_view codigo, std::string_view descricao,
                       double qtde, std::string_view un, double valor_total, double desconto);
    DadosRelatorios Concluir();

private:
    struct Emitente {
        std::string nome;
        std::string fantasia;
    };
    // A restricted GTIN (a store's own code) makes one variant per store: the variant in the
    // table only leads to those, and takes the product of its first.
    struct VarianteLida {
        std::string codigo;
        std::string descricao;
        std::string un;
        int loja = -1;  // the store of a store's own variant
        bool restrito = false;
        std::vector<std::pair<int, int>> por_loja;  // store -> position in variantes_
    };

    int ProcurarLoja(std::string_view cnpj);
    int ProcurarVariante(std::string_view codigo, std::string_view descricao, std::string_view un);
    int VarianteDaLoja(int variante, int loja);
    // Sorts the receipts and indexes them by id, before the first line.
    void OrdenarCupons();
    int PosicaoCupom(long long id) const;

    DadosRelatorios dados_;
    std::unordered_map<std::string, Emitente> emitentes_;
    std::unordered_map<std::string, int> lojas_;  // CNPJ -> dados_.lojas

    // Receipt id -> position once sorted: ids are nearly dense, so a plain array when they are.
    bool cupons_ordenados_ = false;
    long long menor_id_ = 0;
    std::vector<int> posicao_densa_;
    std::unordered_map<long long, int> posicao_esparsa_;
    // Lines go straight into dados_.itens; the position of each one's receipt places them in
    // Concluir, which has nothing to move when they came in receipt order (the tables are read
    // in id order, and receipts are stored in date order).
    std::vector<int> cupom_do_item_;
    bool itens_em_ordem_ = true;

    // Every line looks its variant up: open addressing on the hash of its three texts.
    std::vector<VarianteLida> variantes_;
    std::vector<std::pair<std::uint64_t, int>> tabela_variantes_;  // (hash, variant), -1 free
};

// "00.000.000/0000-00" for a CNPJ of 14 digits (punctuation ignored); the text as it is
// otherwise.
std::string FormatarCnpj(std::string_view cnpj);

}  // namespace relatorios
