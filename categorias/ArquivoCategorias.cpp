#include "categorias/ArquivoCategorias.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "precos/Produto.h"

namespace categorias {
namespace {

using nlohmann::json;

constexpr const char* kTipo = "cupom-dashboard-categorias";
constexpr int kVersao = 1;
// Far beyond thousands of categories and rules; a larger file is something else.
constexpr std::uintmax_t kMaximoBytes = 16u << 20;

std::string NaoEhArquivo(const std::string& motivo) {
    return "O arquivo n\xc3\xa3o \xc3\xa9 uma exporta\xc3\xa7\xc3\xa3o de categorias: " + motivo +
           ". Nada foi alterado.";
}

}  // namespace

std::string TextoArquivoCategorias(const Conjunto& conjunto) {
    std::map<long long, std::vector<std::string>> produtos;
    for (const auto& [chave, id] : conjunto.colocacoes) produtos[id].push_back(chave);
    json categorias = json::array();
    for (const Categoria& c : conjunto.categorias) {
        std::vector<std::string>& chaves = produtos[c.id];
        std::sort(chaves.begin(), chaves.end());
        categorias.push_back({{"nome", c.nome},
                              {"limite_mensal", c.limite ? json(*c.limite) : json(nullptr)},
                              {"regras", c.regras},
                              {"produtos", chaves}});
    }
    return json{{"tipo", kTipo}, {"versao", kVersao}, {"categorias", categorias}}.dump(2) + "\n";
}

bool LerTextoCategorias(std::string_view texto, Conjunto& conjunto, std::string& erro) {
    const json documento = json::parse(texto.begin(), texto.end(), nullptr, false);
    if (documento.is_discarded()) return erro = NaoEhArquivo("n\xc3\xa3o \xc3\xa9 JSON"), false;
    if (!documento.is_object() || !documento.contains("tipo") || documento["tipo"] != kTipo)
        return erro = NaoEhArquivo("falta o tipo \"" + std::string(kTipo) + "\""), false;
    if (!documento.contains("versao") || !documento["versao"].is_number_integer())
        return erro = NaoEhArquivo("falta a vers\xc3\xa3o"), false;
    if (documento["versao"].get<long long>() > kVersao)
        return erro = NaoEhArquivo("foi feito por uma vers\xc3\xa3o mais nova do programa"), false;
    if (!documento.contains("categorias") || !documento["categorias"].is_array())
        return erro = NaoEhArquivo("falta a lista de categorias"), false;

    Conjunto lido;
    std::set<std::string> nomes;
    for (const json& c : documento["categorias"]) {
        const std::string posicao = std::to_string(lido.categorias.size() + 1);
        if (!c.is_object() || !c.contains("nome") || !c["nome"].is_string() ||
            precos::Normalizar(c["nome"].get<std::string>()).empty())
            return erro = NaoEhArquivo("a categoria " + posicao + " n\xc3\xa3o tem nome"), false;
        Categoria categoria;
        categoria.id = static_cast<long long>(lido.categorias.size()) + 1;
        categoria.nome = c["nome"].get<std::string>();
        const std::string normalizado = precos::Normalizar(categoria.nome);
        if (!nomes.insert(normalizado).second || normalizado == precos::Normalizar(kSemCategoria))
            return erro = NaoEhArquivo("a categoria \"" + categoria.nome + "\" aparece duas vezes"),
                   false;
        if (c.contains("limite_mensal") && !c["limite_mensal"].is_null()) {
            const json& limite = c["limite_mensal"];
            if (!limite.is_number() || !std::isfinite(limite.get<double>()) ||
                limite.get<double>() < 0)
                return erro = NaoEhArquivo("o limite de \"" + categoria.nome +
                                           "\" n\xc3\xa3o \xc3\xa9 um valor positivo"),
                       false;
            categoria.limite = limite.get<double>();
        }
        for (const char* lista : {"regras", "produtos"}) {
            if (!c.contains(lista)) continue;
            if (!c[lista].is_array())
                return erro = NaoEhArquivo(std::string(lista) + " de \"" + categoria.nome +
                                           "\" n\xc3\xa3o \xc3\xa9 uma lista"),
                       false;
            for (const json& item : c[lista]) {
                if (!item.is_string() || (std::string_view(lista) == "regras" &&
                                          PalavrasRegra(item.get<std::string>()).empty()))
                    return erro = NaoEhArquivo("uma regra ou produto de \"" + categoria.nome +
                                               "\" n\xc3\xa3o \xc3\xa9 um texto"),
                           false;
                if (std::string_view(lista) == "regras")
                    categoria.regras.push_back(item.get<std::string>());
                else
                    lido.colocacoes[item.get<std::string>()] = categoria.id;
            }
        }
        lido.categorias.push_back(std::move(categoria));
    }
    conjunto = std::move(lido);
    return true;
}

bool SalvarArquivoCategorias(const std::string& caminho, const Conjunto& conjunto,
                             std::string& erro) {
    std::ofstream saida(caminho, std::ios::binary | std::ios::trunc);
    const std::string texto = TextoArquivoCategorias(conjunto);
    if (!saida || !saida.write(texto.data(), static_cast<std::streamsize>(texto.size())) ||
        !saida.flush()) {
        erro = "N\xc3\xa3o foi poss\xc3\xadvel gravar " + caminho + ".";
        return false;
    }
    return true;
}

bool LerArquivoCategorias(const std::string& caminho, Conjunto& conjunto, std::string& erro) {
    std::ifstream entrada(caminho, std::ios::binary);
    if (!entrada) {
        erro = "N\xc3\xa3o foi poss\xc3\xadvel abrir " + caminho + ".";
        return false;
    }
    std::string texto;
    char bloco[65536];
    while (entrada.read(bloco, sizeof bloco) || entrada.gcount() > 0) {
        texto.append(bloco, static_cast<std::size_t>(entrada.gcount()));
        if (texto.size() > kMaximoBytes)
            return erro = NaoEhArquivo("\xc3\xa9 grande demais"), false;
    }
    return LerTextoCategorias(texto, conjunto, erro);
}

}  // namespace categorias
