#include "precos/LeituraPrecos.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/DataHora.h"
#include "db/BancoDados.h"
#include "precos/Produto.h"

namespace precos {
namespace {

// Receipts in id order, then their lines in the order they were stored, each table read whole.
// Lines are matched to their receipt's date in memory: a join would look the receipt up for
// every line.
constexpr const char* kTabelaCupons = "cupom";
const std::vector<const char*> kColunasCupons = {"id", "data_hora_emissao", "cnpj_emitente"};
constexpr const char* kTabelaItens = "cupom_item";
const std::vector<const char*> kColunasItens = {"id_cupom", "codigo",      "descricao",
                                                "qtde",     "valor_total", "desconto"};

// One product's lines, newest first; the first "%s" takes one "?" per code or description, so
// the code or description index finds them; the second, the store of a store's own code.
constexpr const char* kConsultaCompras =
    "select i.id_cupom, c.data_hora_emissao, c.cnpj_emitente, e.fantasia, i.qtde, i.un,\n"
    "i.valor_unit, i.desconto, round(i.valor_total - i.desconto, 2), i.codigo, i.valor_total\n"
    "from cupom_item i\n"
    "join cupom c on c.id = i.id_cupom\n"
    "left join emitente e on e.cnpj = c.cnpj_emitente\n"
    "where i.%s in (%s)%s\n"
    "order by c.data_hora_emissao desc, i.id desc";
constexpr const char* kDaLoja = " and c.cnpj_emitente = ?";

// Receipt id -> emission moment and store, looked up by receipt id in increasing order mostly.
class DatasCupons {
public:
    void Adicionar(long long id, long long data_hora, std::string_view cnpj) {
        const auto [it, nova] = posicao_loja_.try_emplace(std::string(cnpj), lojas_.size());
        if (nova) lojas_.emplace_back(cnpj);
        cupons_.push_back({id, data_hora, it->second});
    }
    // Receipts come in id order already; this only makes sure.
    void Ordenar() {
        const auto por_id = [](const Cupom& a, const Cupom& b) { return a.id < b.id; };
        if (!std::is_sorted(cupons_.begin(), cupons_.end(), por_id))
            std::sort(cupons_.begin(), cupons_.end(), por_id);
    }

    // False for a line whose receipt is not stored.
    bool Data(long long id, long long& data_hora, std::string_view& cnpj) {
        if (ultimo_ >= cupons_.size() || cupons_[ultimo_].id != id) {
            const auto it = std::lower_bound(
                cupons_.begin(), cupons_.end(), id,
                [](const Cupom& c, long long procurado) { return c.id < procurado; });
            if (it == cupons_.end() || it->id != id) return false;
            ultimo_ = static_cast<std::size_t>(it - cupons_.begin());
        }
        data_hora = cupons_[ultimo_].data_hora;
        cnpj = lojas_[cupons_[ultimo_].loja];
        return true;
    }

private:
    struct Cupom {
        long long id;
        long long data_hora;
        std::size_t loja;  // position in lojas_
    };
    std::vector<Cupom> cupons_;  // sorted by id
    std::vector<std::string> lojas_;
    std::unordered_map<std::string, std::size_t> posicao_loja_;
    std::size_t ultimo_ = 0;
};

}  // namespace

bool CarregarCatalogo(BancoDados& banco, CatalogoPrecos& catalogo) {
    DatasCupons datas;
    const bool cupons_lidos =
        banco.LerTabela(kTabelaCupons, kColunasCupons, [&](const LinhaSql& l) {
            datas.Adicionar(l.Inteiro(0), datahora::Ler(l.Texto(1)), l.Texto(2));
        });
    if (!cupons_lidos) return false;
    datas.Ordenar();

    const bool itens_lidos = banco.LerTabela(kTabelaItens, kColunasItens, [&](const LinhaSql& l) {
        long long data_hora = 0;
        std::string_view cnpj;
        if (datas.Data(l.Inteiro(0), data_hora, cnpj))
            catalogo.Adicionar(l.Texto(1), l.Texto(2), cnpj, data_hora,
                               PrecoPago(l.Real(4), l.Real(5), l.Real(3)));
    });
    catalogo.Concluir();
    return itens_lidos;
}

bool CarregarHistorico(BancoDados& banco, const ProdutoCatalogo& produto,
                       HistoricoProduto& historico) {
    // A product known by its GTIN is every line with one of its codes (in its store, for a
    // store's own code); any other product is the lines under its descriptions whose code is no
    // GTIN (those belong to the GTIN's product).
    const std::vector<std::string>& valores =
        produto.por_gtin ? produto.codigos : produto.descricoes;
    std::vector<ParametroSql> parametros(valores.begin(), valores.end());
    std::string marcadores;
    for (std::size_t i = 0; i < valores.size(); ++i) marcadores += i ? ",?" : "?";
    const bool da_loja = produto.chave.find('@') != std::string::npos;
    if (da_loja) parametros.emplace_back(produto.cnpj);
    const wxString sql =
        wxString::Format(kConsultaCompras, produto.por_gtin ? "codigo" : "descricao", marcadores,
                         da_loja ? kDaLoja : "");

    MontadorHistorico montador;
    const bool lidas = banco.PercorrerLinhas(sql.utf8_str(), parametros, [&](const LinhaSql& l) {
        if (!produto.por_gtin && GtinValido(l.Texto(9))) return true;
        Compra compra;
        compra.id_cupom = static_cast<int>(l.Inteiro(0));
        compra.data_hora = datahora::Ler(l.Texto(1));
        compra.qtde = l.Real(4);
        compra.un.assign(l.Texto(5));
        compra.valor_unit = l.Real(6);
        compra.desconto = l.Real(7);
        compra.valor_liquido = l.Real(8);
        compra.valor_total = l.Real(10);
        montador.Adicionar(std::move(compra), l.Texto(2), l.Texto(3));
        return true;
    });
    historico = montador.Concluir();
    return lidas;
}

}  // namespace precos
