#include "precos/CatalogoPrecos.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <tuple>
#include <utility>

#include "precos/Produto.h"

namespace precos {
namespace {

// Eight bytes at a time with one multiply each, and one full mix of the result: every line of
// every receipt is hashed, so the cheap steps matter.
constexpr std::uint64_t kMultiplicador = 0x9E3779B97F4A7C15ULL;

std::uint64_t Carregar8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint64_t Passo(std::uint64_t h, std::uint64_t v) {
    h = (h ^ v) * kMultiplicador;
    return h ^ (h >> 31);
}

std::uint64_t Finalizar(std::uint64_t h) {
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ULL;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBULL;
    return h ^ (h >> 31);
}

// Every byte counts; the last eight are read again rather than one by one.
std::uint64_t Hash(std::string_view bytes, std::uint64_t h) {
    const std::size_t n = bytes.size();
    h = Passo(h, n);
    if (n < 8) {
        std::uint64_t v = 0;
        for (char c : bytes) v = (v << 8) | static_cast<unsigned char>(c);
        return Passo(h, v);
    }
    for (std::size_t i = 0; i + 8 <= n; i += 8) h = Passo(h, Carregar8(bytes.data() + i));
    return Passo(h, Carregar8(bytes.data() + n - 8));
}

// The mark of a table entry: the upper half of the hash of its bytes.
std::uint32_t Marca(std::string_view a, std::string_view b = {}) {
    return static_cast<std::uint32_t>(Finalizar(Hash(b, Hash(a, 0))) >> 32);
}

constexpr std::size_t kTabelaInicial = 1024;

void AcrescentarUnico(std::vector<std::string>& lista, std::string_view valor) {
    if (std::find(lista.begin(), lista.end(), valor) == lista.end()) lista.emplace_back(valor);
}

void AcrescentarLinha(std::string& busca, const std::string& linha) {
    if (linha.empty()) return;
    // A word never holds a line feed, so no match runs from one line into the next.
    if (busca.find(linha) != std::string::npos) return;
    if (!busca.empty()) busca.push_back('\n');
    busca.append(linha);
}

}  // namespace

void CatalogoPrecos::AdicionarLoja(std::string_view cnpj, std::string_view fantasia) {
    const auto [it, nova] =
        posicao_loja_.try_emplace(std::string(cnpj), static_cast<int>(lojas_.size()));
    if (nova) lojas_.emplace_back(std::string(cnpj), std::string(fantasia));
}

void CatalogoPrecos::AdicionarCupom(long long id, long long data_hora, std::string_view cnpj) {
    auto it = posicao_loja_.find(std::string(cnpj));
    if (it == posicao_loja_.end()) {  // a store without its row
        AdicionarLoja(cnpj, {});
        it = posicao_loja_.find(std::string(cnpj));
    }
    if (!cupons_.empty() && id < cupons_.back().id) cupons_em_ordem_ = false;
    cupons_.push_back({id, data_hora, it->second});
}

const CupomCatalogo* CatalogoPrecos::Cupom(long long id, std::size_t& cursor) const {
    if (cursor >= cupons_.size() || cupons_[cursor].id != id) {
        if (cursor + 1 < cupons_.size() && cupons_[cursor + 1].id == id) {
            ++cursor;
        } else {
            const auto it = std::lower_bound(
                cupons_.begin(), cupons_.end(), id,
                [](const CupomCatalogo& c, long long procurado) { return c.id < procurado; });
            if (it == cupons_.end() || it->id != id) return nullptr;
            cursor = static_cast<std::size_t>(it - cupons_.begin());
        }
    }
    return &cupons_[cursor];
}

void CatalogoPrecos::TabelaMarcas::Reservar(std::size_t entradas) {
    std::size_t tamanho = std::max(kTabelaInicial, vagas_.size());
    while (entradas * 2 > tamanho) tamanho *= 2;
    if (tamanho == vagas_.size()) return;
    std::vector<Vaga> antigas = std::exchange(vagas_, std::vector<Vaga>(tamanho));
    deslocamento_ = 32 - std::countr_zero(tamanho);
    for (const Vaga& vaga : antigas)
        if (vaga.posicao >= 0)
            Ocupar(Procurar(vaga.marca, [](int) { return false; }), vaga.marca, vaga.posicao);
}

int CatalogoPrecos::NovoPar(std::string_view codigo, std::string_view descricao) {
    Par par;
    par.inicio = chaves_.size();
    // SQLite's texts are at most a billion bytes long.
    par.tamanho_codigo = static_cast<std::uint32_t>(codigo.size());
    par.tamanho_descricao = static_cast<std::uint32_t>(descricao.size());
    chaves_.append(codigo).append(descricao);
    pares_.push_back(par);
    return static_cast<int>(pares_.size()) - 1;
}

int CatalogoPrecos::ProcurarPar(std::string_view codigo, std::string_view descricao) {
    tabela_pares_.Reservar(pares_.size() + 1);
    const std::uint32_t marca = Marca(codigo, descricao);
    const std::size_t vaga = tabela_pares_.Procurar(marca, [&](int posicao) {
        const Par& par = pares_[static_cast<std::size_t>(posicao)];
        return par.tamanho_codigo == codigo.size() && par.tamanho_descricao == descricao.size() &&
               Codigo(par) == codigo && Descricao(par) == descricao;
    });
    if (tabela_pares_.Posicao(vaga) >= 0) return tabela_pares_.Posicao(vaga);
    const int novo = NovoPar(codigo, descricao);
    pares_[static_cast<std::size_t>(novo)].restrito = GtinRestrito(codigo);
    tabela_pares_.Ocupar(vaga, marca, novo);
    return novo;
}

std::string_view CatalogoPrecos::CnpjDoPar(int par) const {
    const auto it = pares_de_loja_.find(par);
    return it == pares_de_loja_.end() ? std::string_view() : std::string_view(it->second.cnpj);
}

int CatalogoPrecos::ParDaLoja(int par, std::string_view cnpj) {
    // A store's own code is sold in that store only: the list is one or two long.
    for (const auto& [loja, posicao] : pares_de_loja_[par].por_loja)
        if (loja == cnpj) return posicao;
    // Its bytes are copied first: the new pair's may move them.
    const std::string codigo(Codigo(pares_[static_cast<std::size_t>(par)]));
    const std::string descricao(Descricao(pares_[static_cast<std::size_t>(par)]));
    const int nova = NovoPar(codigo, descricao);
    pares_de_loja_[nova].cnpj.assign(cnpj);
    pares_de_loja_[par].por_loja.emplace_back(std::string(cnpj), nova);
    return nova;
}

void CatalogoPrecos::Adicionar(std::string_view codigo, std::string_view descricao,
                               std::string_view cnpj, long long data_hora, double preco) {
    int posicao = ProcurarPar(codigo, descricao);
    if (pares_[static_cast<std::size_t>(posicao)].restrito) posicao = ParDaLoja(posicao, cnpj);
    Par& par = pares_[static_cast<std::size_t>(posicao)];
    par.menor_preco = std::fmin(par.menor_preco, preco);  // the other one when either is NaN
    ++par.compras;
    const long long ordem = ++linhas_;
    if (data_hora >= par.ultima_data) {
        par.ultima_data = data_hora;
        par.ultimo_preco = preco;
        par.ultima_ordem = ordem;
    }
}

void CatalogoPrecos::Juntar(CatalogoPrecos&& depois) {
    for (std::size_t p = 0; p < depois.pares_.size(); ++p) {
        const Par& outro = depois.pares_[p];
        if (outro.compras == 0) continue;  // a restricted code's pair: its stores' pairs count
        int posicao = ProcurarPar(depois.Codigo(outro), depois.Descricao(outro));
        if (pares_[static_cast<std::size_t>(posicao)].restrito)
            posicao = ParDaLoja(posicao, depois.CnpjDoPar(static_cast<int>(p)));
        Par& par = pares_[static_cast<std::size_t>(posicao)];
        par.compras += outro.compras;
        par.menor_preco = std::fmin(par.menor_preco, outro.menor_preco);
        // Its lines come later, so of two of the same moment its own is the more recent.
        if (outro.ultima_data >= par.ultima_data) {
            par.ultima_data = outro.ultima_data;
            par.ultimo_preco = outro.ultimo_preco;
            par.ultima_ordem = linhas_ + outro.ultima_ordem;
        }
    }
    linhas_ += depois.linhas_;
    depois = CatalogoPrecos();
}

void CatalogoPrecos::OrdenarCupons() {
    if (cupons_em_ordem_) return;
    std::sort(cupons_.begin(), cupons_.end(),
              [](const CupomCatalogo& a, const CupomCatalogo& b) { return a.id < b.id; });
    cupons_em_ordem_ = true;
}

void CatalogoPrecos::Concluir() {
    // Products already merged keep their last pair's moment and order in these.
    std::vector<std::pair<long long, long long>> mais_recente(produtos_.size());
    for (std::size_t p = 0; p < produtos_.size(); ++p)
        mais_recente[p] = {produtos_[p].ultima_data, 0};

    // Each pair is at most one new product: no growth moves the products made so far.
    produtos_.reserve(produtos_.size() + pares_.size());
    indice_produtos_.Reservar(produtos_.size() + pares_.size());
    for (std::size_t posicao = 0; posicao < pares_.size(); ++posicao) {
        const Par& par = pares_[posicao];
        if (par.compras == 0) continue;  // a restricted code's pair: its stores' pairs count
        const std::string_view codigo = Codigo(par);
        const std::string_view descricao = Descricao(par);
        std::string chave = ChaveProduto(codigo, descricao, CnpjDoPar(static_cast<int>(posicao)));
        // A key by description is that description normalised.
        const std::string normal = chave.front() == 'D' ? chave.substr(1) : Normalizar(descricao);
        const std::uint32_t marca = Marca(chave);
        const std::size_t vaga = indice_produtos_.Procurar(
            marca, [&](int p) { return produtos_[static_cast<std::size_t>(p)].chave == chave; });
        if (indice_produtos_.Posicao(vaga) < 0) {
            ProdutoCatalogo novo;
            novo.por_gtin = chave.front() == 'G';
            novo.cnpj.assign(LojaDaChave(chave));
            novo.menor_preco = par.menor_preco;
            novo.chave = std::move(chave);
            indice_produtos_.Ocupar(vaga, marca, static_cast<int>(produtos_.size()));
            produtos_.push_back(std::move(novo));
            mais_recente.emplace_back(-1, 0);
        }
        const auto p = static_cast<std::size_t>(indice_produtos_.Posicao(vaga));
        ProdutoCatalogo& produto = produtos_[p];
        produto.compras += par.compras;
        produto.menor_preco = std::fmin(produto.menor_preco, par.menor_preco);
        if (std::pair(par.ultima_data, par.ultima_ordem) > mais_recente[p]) {
            mais_recente[p] = {par.ultima_data, par.ultima_ordem};
            produto.ultima_data = par.ultima_data;
            produto.ultimo_preco = par.ultimo_preco;
            produto.descricao.assign(descricao);
            produto.codigo.assign(codigo);
        }
        AcrescentarUnico(produto.codigos, codigo);
        AcrescentarUnico(produto.descricoes, descricao);
        AcrescentarLinha(produto.busca, normal);
        AcrescentarLinha(produto.busca, Normalizar(codigo));
    }
    pares_ = {};
    chaves_ = {};
    pares_de_loja_ = {};
    tabela_pares_.Limpar();

    // The order is sorted rather than the products, which are large to move, on keys that hold
    // the count and the first bytes of the description; the index is then made again.
    struct Posto {
        int compras;
        std::uint64_t inicio;  // the description's first eight bytes, in their order
        int produto;
    };
    std::vector<Posto> postos(produtos_.size());
    for (std::size_t p = 0; p < postos.size(); ++p) {
        const std::string& descricao = produtos_[p].descricao;
        std::uint64_t inicio = 0;
        for (std::size_t k = 0; k < 8; ++k)
            inicio = (inicio << 8) |
                     (k < descricao.size() ? static_cast<unsigned char>(descricao[k]) : 0u);
        postos[p] = {produtos_[p].compras, inicio, static_cast<int>(p)};
    }
    std::sort(postos.begin(), postos.end(), [this](const Posto& a, const Posto& b) {
        if (a.compras != b.compras) return a.compras > b.compras;
        if (a.inicio != b.inicio) return a.inicio < b.inicio;
        const ProdutoCatalogo& x = produtos_[static_cast<std::size_t>(a.produto)];
        const ProdutoCatalogo& y = produtos_[static_cast<std::size_t>(b.produto)];
        return std::tie(x.descricao, x.chave) < std::tie(y.descricao, y.chave);
    });
    std::vector<int> ordem(postos.size());
    for (std::size_t p = 0; p < postos.size(); ++p) ordem[p] = postos[p].produto;
    // Each product goes to its place along the cycles of the order: one move each, and one more
    // per cycle.
    for (std::size_t p = 0; p < produtos_.size(); ++p) {
        if (ordem[p] < 0) continue;
        if (ordem[p] == static_cast<int>(p)) {  // already in its place
            ordem[p] = -1;
            continue;
        }
        std::size_t destino = p;
        ProdutoCatalogo levado = std::move(produtos_[p]);
        std::size_t origem = static_cast<std::size_t>(ordem[p]);
        while (origem != p) {
            produtos_[destino] = std::move(produtos_[origem]);
            ordem[destino] = -1;
            destino = origem;
            origem = static_cast<std::size_t>(ordem[origem]);
        }
        produtos_[destino] = std::move(levado);
        ordem[destino] = -1;
    }
    indice_produtos_.Limpar();
    indice_produtos_.Reservar(produtos_.size());
    for (std::size_t p = 0; p < produtos_.size(); ++p) {
        const std::uint32_t marca = Marca(produtos_[p].chave);
        indice_produtos_.Ocupar(indice_produtos_.Procurar(marca, [](int) { return false; }), marca,
                                static_cast<int>(p));
    }
}

std::vector<int> CatalogoPrecos::Buscar(std::string_view digitado) const {
    const std::vector<std::string> palavras = PalavrasBusca(digitado);
    std::vector<int> achados;
    achados.reserve(palavras.empty() ? produtos_.size() : 256);
    for (std::size_t p = 0; p < produtos_.size(); ++p)
        if (Corresponde(palavras, produtos_[p].busca)) achados.push_back(static_cast<int>(p));
    return achados;
}

int CatalogoPrecos::Localizar(std::string_view codigo, std::string_view descricao,
                              std::string_view cnpj) const {
    if (codigo.find_first_not_of(" \t") == std::string_view::npos) {
        // Products are ordered most bought first.
        for (std::size_t p = 0; p < produtos_.size(); ++p) {
            const auto& descricoes = produtos_[p].descricoes;
            if (std::find(descricoes.begin(), descricoes.end(), descricao) != descricoes.end())
                return static_cast<int>(p);
        }
    }
    if (produtos_.empty()) return -1;
    const std::string chave = ChaveProduto(codigo, descricao, cnpj);
    return indice_produtos_.Posicao(indice_produtos_.Procurar(Marca(chave), [&](int p) {
        return produtos_[static_cast<std::size_t>(p)].chave == chave;
    }));
}

}  // namespace precos
