#include "precos/LeituraPrecos.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <tuple>
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

constexpr const char* kTabelaLojas = "emitente";
const std::vector<const char*> kColunasLojas = {"cnpj", "fantasia"};

// One product's lines: the query and its condition, whose "%s" take the column and one "?" per
// code or description, so that the code or description index finds them.
constexpr const char* kConsultaCompras =
    "select id_cupom, qtde, un, valor_unit, desconto, round(valor_total - desconto, 2), codigo,\n"
    "valor_total, id\n"
    "from cupom_item";
constexpr const char* kCondicaoCompras = "%s in (%s)";
// The same first eight columns, newest first, with each line's receipt and store; the last "%s"
// takes the store of a store's own code.
constexpr const char* kConsultaComprasJuncao =
    "select i.id_cupom, i.qtde, i.un, i.valor_unit, i.desconto,\n"
    "round(i.valor_total - i.desconto, 2), i.codigo, i.valor_total,\n"
    "c.data_hora_emissao, c.cnpj_emitente, e.fantasia\n"
    "from cupom_item i\n"
    "join cupom c on c.id = i.id_cupom\n"
    "left join emitente e on e.cnpj = c.cnpj_emitente\n"
    "where i.%s in (%s)%s\n"
    "order by c.data_hora_emissao desc, i.id desc";
constexpr const char* kDaLoja = " and c.cnpj_emitente = ?";

}  // namespace

bool CarregarCatalogo(BancoDados& banco, CatalogoPrecos& catalogo) {
    const bool lojas_lidas = banco.LerTabela(kTabelaLojas, kColunasLojas, [&](const LinhaSql& l) {
        catalogo.AdicionarLoja(l.Texto(0), l.Texto(1));
    });
    if (!lojas_lidas) return false;
    const bool cupons_lidos =
        banco.LerTabela(kTabelaCupons, kColunasCupons, [&](const LinhaSql& l) {
            catalogo.AdicionarCupom(l.Inteiro(0), datahora::Ler(l.Texto(1)), l.Texto(2));
        });
    if (!cupons_lidos) return false;
    catalogo.OrdenarCupons();

    // The lines in two halves at once, each counted apart and then joined: on a machine with a
    // core to spare that halves the time of the largest read of the window.
    CatalogoPrecos segunda_metade;
    std::size_t cursor[2] = {0, 0};
    const bool itens_lidos =
        banco.LerTabelaEmDuasPartes(kTabelaItens, kColunasItens, [&](int parte, const LinhaSql& l) {
            const CupomCatalogo* cupom = catalogo.Cupom(l.Inteiro(0), cursor[parte]);
            if (cupom)
                (parte ? segunda_metade : catalogo)
                    .Adicionar(l.Texto(1), l.Texto(2), catalogo.Cnpj(cupom->loja), cupom->data_hora,
                               PrecoPago(l.Real(4), l.Real(5), l.Real(3)));
        });
    catalogo.Juntar(std::move(segunda_metade));
    catalogo.Concluir();
    return itens_lidos;
}

namespace {

// A purchase from the first eight columns, which both queries of a product's lines share.
Compra LerCompra(const LinhaSql& l, long long data_hora) {
    Compra compra;
    compra.id_cupom = static_cast<int>(l.Inteiro(0));
    compra.data_hora = data_hora;
    compra.qtde = l.Real(1);
    compra.un.assign(l.Texto(2));
    compra.valor_unit = l.Real(3);
    compra.desconto = l.Real(4);
    compra.valor_liquido = l.Real(5);
    compra.valor_total = l.Real(7);
    return compra;
}

}  // namespace

bool CarregarHistorico(BancoDados& banco, const CatalogoPrecos& catalogo,
                       const ProdutoCatalogo& produto, HistoricoProduto& historico) {
    // A product known by its GTIN is every line with one of its codes (in its store, for a
    // store's own code); any other product is the lines under its descriptions whose code is no
    // GTIN (those belong to the GTIN's product).
    const std::vector<std::string>& valores =
        produto.por_gtin ? produto.codigos : produto.descricoes;
    std::vector<ParametroSql> parametros(valores.begin(), valores.end());
    std::string marcadores;
    for (std::size_t i = 0; i < valores.size(); ++i) marcadores += i ? ",?" : "?";
    const bool da_loja = produto.chave.find('@') != std::string::npos;
    const auto coluna = produto.por_gtin ? "codigo" : "descricao";

    // The receipts come from the catalogue; a line of a receipt stored since it was read sends
    // the whole reading to the database's own join.
    struct Linha {
        long long data_hora;
        long long id;
        int loja;
        Compra compra;
    };
    // Read in two halves at once, as the catalogue is: a product bought for years has its lines
    // all over the table. The first half's lines are joined by the second's.
    struct alignas(64) Metade {
        std::vector<Linha> linhas;
        std::size_t cursor = 0;
        bool cupom_novo = false;
    };
    Metade metades[2];
    metades[0].linhas.reserve(static_cast<std::size_t>(produto.compras));
    metades[1].linhas.reserve(static_cast<std::size_t>(produto.compras) / 2 + 1);
    const wxString condicao = wxString::Format(kCondicaoCompras, coluna, marcadores);
    bool lidas = banco.PercorrerLinhasEmDuasPartes(
        kTabelaItens, kConsultaCompras, std::string(condicao.utf8_str()), parametros,
        [&](int parte, const LinhaSql& l) {
            Metade& metade = metades[parte];
            if (!produto.por_gtin && GtinValido(l.Texto(6))) return true;
            const CupomCatalogo* cupom = catalogo.Cupom(l.Inteiro(0), metade.cursor);
            if (!cupom) {
                metade.cupom_novo = true;
                return false;
            }
            if (da_loja && catalogo.Cnpj(cupom->loja) != produto.cnpj) return true;
            metade.linhas.push_back(
                {cupom->data_hora, l.Inteiro(8), cupom->loja, LerCompra(l, cupom->data_hora)});
            return true;
        });
    MontadorHistorico montador;
    if (lidas && !metades[0].cupom_novo && !metades[1].cupom_novo) {
        std::vector<Linha>& todas = metades[0].linhas;
        todas.insert(todas.end(), std::make_move_iterator(metades[1].linhas.begin()),
                     std::make_move_iterator(metades[1].linhas.end()));
        // Lines are mostly stored in the order they were bought: then the newest first is that
        // order turned round.
        const auto mais_antiga = [](const Linha& a, const Linha& b) {
            return std::tie(a.data_hora, a.id) < std::tie(b.data_hora, b.id);
        };
        if (std::is_sorted(todas.begin(), todas.end(), mais_antiga))
            std::reverse(todas.begin(), todas.end());
        else
            std::sort(todas.begin(), todas.end(),
                      [&](const Linha& a, const Linha& b) { return mais_antiga(b, a); });
        montador.Reservar(todas.size());
        for (Linha& linha : todas)
            montador.Adicionar(std::move(linha.compra), catalogo.Cnpj(linha.loja),
                               catalogo.Fantasia(linha.loja));
        historico = montador.Concluir();
        return true;
    }
    if (!lidas) {
        historico = montador.Concluir();
        return false;
    }

    if (da_loja) parametros.emplace_back(produto.cnpj);
    const wxString sql_juncao =
        wxString::Format(kConsultaComprasJuncao, coluna, marcadores, da_loja ? kDaLoja : "");
    lidas = banco.PercorrerLinhas(sql_juncao.utf8_str(), parametros, [&](const LinhaSql& l) {
        if (!produto.por_gtin && GtinValido(l.Texto(6))) return true;
        montador.Adicionar(LerCompra(l, datahora::Ler(l.Texto(8))), l.Texto(9), l.Texto(10));
        return true;
    });
    historico = montador.Concluir();
    return lidas;
}

}  // namespace precos
