#include "relatorios/DadosRelatorios.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

#include "base/DataHora.h"
#include "precos/Produto.h"
#include "relatorios/Periodo.h"

namespace relatorios {
namespace {

constexpr std::size_t kVariantesIniciais = 1024;
// A hundred years of a large family's shopping; a larger bound is a row id set by hand.
constexpr long long kMaximoPrevisto = 16'000'000;
constexpr std::size_t kDigitosCnpj = 14;
constexpr std::size_t kDigitosRaizCnpj = 8;

std::string Digitos(std::string_view texto) {
    std::string digitos;
    for (char c : texto)
        if (c >= '0' && c <= '9') digitos.push_back(c);
    return digitos;
}

bool SoBrancos(std::string_view texto) {
    return texto.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

void AcrescentarLinhaBusca(std::string& busca, const std::string& linha) {
    if (linha.empty() || busca.find(linha) != std::string::npos) return;
    // A word never holds a line feed, so no match runs from one line into the next.
    if (!busca.empty()) busca.push_back('\n');
    busca.append(linha);
}

// Eight bytes at a time with one multiply each, and one full mix at the end: every line of every
// receipt is hashed.
constexpr std::uint64_t kMultiplicadorHash = 0x9E3779B97F4A7C15ULL;

std::uint64_t PassoHash(std::uint64_t h, std::uint64_t v) {
    h = (h ^ v) * kMultiplicadorHash;
    return h ^ (h >> 31);
}

std::uint64_t HashTexto(std::string_view bytes, std::uint64_t h) {
    const std::size_t n = bytes.size();
    h = PassoHash(h, n);
    if (n < 8) {
        std::uint64_t v = 0;
        for (char c : bytes) v = (v << 8) | static_cast<unsigned char>(c);
        return PassoHash(h, v);
    }
    std::uint64_t v;
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        std::memcpy(&v, bytes.data() + i, sizeof v);
        h = PassoHash(h, v);
    }
    std::memcpy(&v, bytes.data() + n - 8, sizeof v);  // the last eight again, not byte by byte
    return PassoHash(h, v);
}

std::uint64_t Misturar(std::uint64_t h) {
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ULL;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBULL;
    return h ^ (h >> 31);
}

template <class Mapa>
int Internar(Mapa& indice, std::vector<std::string>& textos, std::string texto) {
    const auto [it, novo] = indice.emplace(texto, static_cast<int>(textos.size()));
    if (novo) textos.push_back(std::move(texto));
    return it->second;
}

}  // namespace

std::string FormatarCnpj(std::string_view cnpj) {
    const std::string d = Digitos(cnpj);
    if (d.size() != kDigitosCnpj) return std::string(cnpj);
    return d.substr(0, 2) + "." + d.substr(2, 3) + "." + d.substr(5, 3) + "/" + d.substr(8, 4) +
           "-" + d.substr(12, 2);
}

void MontadorDados::PreverItens(long long linhas) {
    if (linhas <= 0 || linhas > kMaximoPrevisto) return;
    dados_.itens.reserve(static_cast<std::size_t>(linhas));
    cupom_do_item_.reserve(static_cast<std::size_t>(linhas));
}

void MontadorDados::AdicionarEmitente(std::string_view cnpj, std::string_view nome,
                                      std::string_view fantasia) {
    emitentes_[std::string(cnpj)] = {std::string(nome), std::string(fantasia)};
}

int MontadorDados::ProcurarLoja(std::string_view cnpj) {
    const auto [it, nova] =
        lojas_.emplace(std::string(cnpj), static_cast<int>(dados_.lojas.size()));
    if (nova) {
        Loja loja;
        loja.cnpj.assign(cnpj);
        const std::string d = Digitos(cnpj);
        // Marked, so that a short CNPJ never joins a company whose first 8 digits it spells.
        loja.raiz = d.size() == kDigitosCnpj ? d.substr(0, kDigitosRaizCnpj) : "#" + loja.cnpj;
        dados_.lojas.push_back(std::move(loja));
    }
    return it->second;
}

void MontadorDados::AdicionarCupom(long long id, std::string_view data_hora, double valor_total,
                                   std::string_view cnpj, std::string_view numero_cfe) {
    if (cupons_ordenados_) return;  // after the first line
    const long long momento = datahora::Ler(data_hora);
    const datahora::Partes p = datahora::Separar(momento);
    if (momento == 0 || p.mes < 1 || p.mes > 12) return;
    Cupom cupom;
    cupom.data_hora = momento;
    cupom.mes = Mes(p.ano, p.mes);
    cupom.id = static_cast<int>(id);
    cupom.loja = ProcurarLoja(cnpj);
    cupom.valor_total = valor_total;
    cupom.numero_cfe.assign(numero_cfe);
    dados_.cupons.push_back(std::move(cupom));
}

int MontadorDados::ProcurarVariante(std::string_view codigo, std::string_view descricao,
                                    std::string_view un) {
    if ((variantes_.size() + 1) * 2 > tabela_variantes_.size()) {
        // At most half full, so a probe soon meets a free slot.
        const std::size_t tamanho = std::max(kVariantesIniciais, tabela_variantes_.size() * 2);
        auto antiga = std::exchange(tabela_variantes_,
                                    std::vector<std::pair<std::uint64_t, int>>(tamanho, {0, -1}));
        for (const auto& vaga : antiga) {
            if (vaga.second < 0) continue;
            std::size_t i = vaga.first & (tamanho - 1);
            while (tabela_variantes_[i].second >= 0) i = (i + 1) & (tamanho - 1);
            tabela_variantes_[i] = vaga;
        }
    }
    const std::uint64_t h = Misturar(HashTexto(un, HashTexto(descricao, HashTexto(codigo, 0))));
    const std::size_t mascara = tabela_variantes_.size() - 1;
    std::size_t i = h & mascara;
    for (; tabela_variantes_[i].second >= 0; i = (i + 1) & mascara) {
        const auto& [hash, variante] = tabela_variantes_[i];
        if (hash != h) continue;
        const VarianteLida& v = variantes_[static_cast<std::size_t>(variante)];
        if (v.descricao == descricao && v.codigo == codigo && v.un == un) return variante;
    }
    const int nova = static_cast<int>(variantes_.size());
    tabela_variantes_[i] = {h, nova};
    VarianteLida lida;
    lida.codigo.assign(codigo);
    lida.descricao.assign(descricao);
    lida.un.assign(un);
    lida.restrito = precos::GtinRestrito(codigo);
    variantes_.push_back(std::move(lida));
    return nova;
}

int MontadorDados::VarianteDaLoja(int variante, int loja) {
    for (const auto& [de, posicao] : variantes_[static_cast<std::size_t>(variante)].por_loja)
        if (de == loja) return posicao;
    const int nova = static_cast<int>(variantes_.size());
    VarianteLida da_loja = variantes_[static_cast<std::size_t>(variante)];
    da_loja.restrito = false;
    da_loja.por_loja.clear();
    da_loja.loja = loja;
    variantes_.push_back(std::move(da_loja));
    variantes_[static_cast<std::size_t>(variante)].por_loja.emplace_back(loja, nova);
    return nova;
}

void MontadorDados::OrdenarCupons() {
    cupons_ordenados_ = true;
    std::vector<Cupom>& cupons = dados_.cupons;
    std::sort(cupons.begin(), cupons.end(), [](const Cupom& a, const Cupom& b) {
        return std::tie(a.data_hora, a.id) < std::tie(b.data_hora, b.id);
    });
    if (cupons.empty()) return;
    const auto [menor, maior] = std::minmax_element(
        cupons.begin(), cupons.end(), [](const Cupom& a, const Cupom& b) { return a.id < b.id; });
    menor_id_ = menor->id;
    const auto faixa = static_cast<std::size_t>(static_cast<long long>(maior->id) - menor_id_);
    const bool denso = faixa <= 4 * cupons.size() + kVariantesIniciais;
    if (denso) posicao_densa_.assign(faixa + 1, -1);
    for (std::size_t c = 0; c < cupons.size(); ++c) {
        if (denso)
            posicao_densa_[static_cast<std::size_t>(cupons[c].id - menor_id_)] =
                static_cast<int>(c);
        else
            posicao_esparsa_[cupons[c].id] = static_cast<int>(c);
    }
}

int MontadorDados::PosicaoCupom(long long id) const {
    if (!posicao_densa_.empty()) {
        if (id < menor_id_ || id - menor_id_ >= static_cast<long long>(posicao_densa_.size()))
            return -1;
        return posicao_densa_[static_cast<std::size_t>(id - menor_id_)];
    }
    const auto it = posicao_esparsa_.find(id);
    return it == posicao_esparsa_.end() ? -1 : it->second;
}

void MontadorDados::AdicionarItem(long long id_cupom, std::string_view codigo,
                                  std::string_view descricao, double qtde, std::string_view un,
                                  double valor_total, double desconto) {
    if (!cupons_ordenados_) OrdenarCupons();
    const int cupom = PosicaoCupom(id_cupom);
    if (cupom < 0) return;
    if (!cupom_do_item_.empty() && cupom < cupom_do_item_.back()) itens_em_ordem_ = false;
    cupom_do_item_.push_back(cupom);
    int variante = ProcurarVariante(codigo, descricao, un);
    if (variantes_[static_cast<std::size_t>(variante)].restrito)
        variante = VarianteDaLoja(variante, dados_.cupons[static_cast<std::size_t>(cupom)].loja);
    dados_.itens.push_back({variante, qtde, valor_total - desconto});
}

DadosRelatorios MontadorDados::Concluir() {
    if (!cupons_ordenados_) OrdenarCupons();
    DadosRelatorios d = std::move(dados_);

    for (Loja& loja : d.lojas) {
        const auto it = emitentes_.find(loja.cnpj);
        if (it != emitentes_.end() && !SoBrancos(it->second.fantasia))
            loja.nome = it->second.fantasia;
        else if (it != emitentes_.end() && !SoBrancos(it->second.nome))
            loja.nome = it->second.nome;
        else
            loja.nome = FormatarCnpj(loja.cnpj);
    }

    // Products, descriptions and units from the variants: a few thousand normalisations, not
    // one per line.
    std::unordered_map<std::string, int> produtos, descricoes, unidades;
    std::vector<std::string> chaves_produtos;
    d.variantes.reserve(variantes_.size());
    for (const VarianteLida& v : variantes_) {
        Variante variante;
        const int loja = v.loja >= 0 || v.por_loja.empty() ? v.loja : v.por_loja.front().first;
        const std::string_view cnpj =
            loja >= 0 ? std::string_view(d.lojas[static_cast<std::size_t>(loja)].cnpj) : "";
        variante.produto =
            Internar(produtos, chaves_produtos, precos::ChaveProduto(v.codigo, v.descricao, cnpj));
        if (static_cast<std::size_t>(variante.produto) == d.produtos.size())
            d.produtos.push_back({chaves_produtos.back(), std::string()});
        std::string& busca = d.produtos[static_cast<std::size_t>(variante.produto)].busca;
        AcrescentarLinhaBusca(busca, precos::Normalizar(v.descricao));
        AcrescentarLinhaBusca(busca, precos::Normalizar(v.codigo));
        variante.descricao = Internar(descricoes, d.descricoes, v.descricao);
        variante.unidade = Internar(unidades, d.unidades, precos::Normalizar(v.un));
        d.variantes.push_back(variante);
    }

    // Each receipt's first line, and the lines in receipt order when they did not come so
    // (a stable counting sort keeps a receipt's lines in their stored order).
    std::vector<std::size_t> inicio(d.cupons.size() + 1, 0);
    for (int c : cupom_do_item_) ++inicio[static_cast<std::size_t>(c) + 1];
    for (std::size_t c = 0; c < d.cupons.size(); ++c) {
        inicio[c + 1] += inicio[c];
        d.cupons[c].primeiro_item = inicio[c];
    }
    if (!itens_em_ordem_) {
        std::vector<Item> ordenados(d.itens.size());
        for (std::size_t i = 0; i < d.itens.size(); ++i)
            ordenados[inicio[static_cast<std::size_t>(cupom_do_item_[i])]++] = d.itens[i];
        d.itens = std::move(ordenados);
    }

    if (!d.cupons.empty()) {
        d.primeiro_mes = d.cupons.front().mes;
        d.ultimo_mes = d.cupons.back().mes;
        const auto meses = static_cast<std::size_t>(d.ultimo_mes - d.primeiro_mes + 1);
        d.total_mes.assign(meses, 0.0);
        d.cupons_mes.assign(meses, 0);
        for (const Cupom& c : d.cupons) {
            const auto m = static_cast<std::size_t>(c.mes - d.primeiro_mes);
            d.total_mes[m] += c.valor_total;
            ++d.cupons_mes[m];
        }
    }

    *this = MontadorDados();
    return d;
}

}  // namespace relatorios
