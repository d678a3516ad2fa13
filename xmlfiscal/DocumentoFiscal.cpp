#include "xmlfiscal/DocumentoFiscal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "precos/Produto.h"
#include "xmlfiscal/LeituraXml.h"

namespace xmlfiscal {
namespace {

constexpr std::size_t kDigitosChave = 44;

using No = pugi::xml_node;  // an empty node where there is none

// Names as written, without a namespace prefix ("nfe:infNFe" is "infNFe").
std::string_view Local(No no) {
    const std::string_view nome = no.name();
    const auto dois_pontos = nome.rfind(':');
    return dois_pontos == std::string_view::npos ? nome : nome.substr(dois_pontos + 1);
}

// The first child element named `nome`.
No Filho(No no, std::string_view nome) {
    for (No f = no.first_child(); f; f = f.next_sibling())
        if (f.type() == pugi::node_element && Local(f) == nome) return f;
    return {};
}

// The first element of each name that tells what a document holds, at any depth in the
// document's order, the root included: found in one walk of the tree, not one a name.
struct Marcos {
    No cfe_canc, inf_evento, cfe, nfe, inf_prot, inf_nfe_supl;
    int documentos = 0;  // CFe and NFe elements: a file of a batch holds several

    explicit Marcos(No raiz) {
        const std::pair<std::string_view, No*> nomes[] = {
            {"CFeCanc", &cfe_canc}, {"infEvento", &inf_evento}, {"CFe", &cfe},
            {"NFe", &nfe},          {"infProt", &inf_prot},     {"infNFeSupl", &inf_nfe_supl}};
        for (No n = raiz; n;) {
            if (n.type() == pugi::node_element) {
                const std::string_view local = Local(n);
                if (local == "CFe" || local == "NFe") ++documentos;
                for (const auto& [nome, achado] : nomes)
                    if (!*achado && local == nome) *achado = n;
            }
            if (No f = n.first_child()) {
                n = f;
                continue;
            }
            while (n != raiz && !n.next_sibling()) n = n.parent();
            if (n == raiz) break;
            n = n.next_sibling();
        }
    }
};

// Calls f(No) for each child element of `no`, in order.
template <typename F>
void ParaCadaFilho(No no, F&& f) {
    for (No c = no.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) f(c);
}

// The text of an element, without the spaces around it; empty when there is none. Its text is
// its first run of text or CDATA directly inside it, as the toolkit's XML classes give it. A view
// into the tree.
std::string_view Aparado(No no) {
    constexpr std::string_view kEspacos = " \t\n\v\f\r";
    const std::string_view texto = no.text().get();
    const auto inicio = texto.find_first_not_of(kEspacos);
    if (inicio == std::string_view::npos) return {};
    return texto.substr(inicio, texto.find_last_not_of(kEspacos) + 1 - inicio);
}

std::string Texto(No no) {
    return std::string(Aparado(no));
}

std::string Texto(No no, const char* filho) {
    return Texto(Filho(no, filho));
}

// A decimal as the layouts write it ("12.34"); nothing when it is not one.
std::optional<double> Numero(std::string_view texto) {
    if (texto.empty()) return std::nullopt;
    double valor = 0;
    const char* fim = texto.data() + texto.size();
    const auto [usado, erro] = std::from_chars(texto.data(), fim, valor);
    if (erro != std::errc() || usado != fim || !std::isfinite(valor)) return std::nullopt;
    return valor;
}

// A whole number as strtol reads one whole: spaces before it, a sign, nothing after it.
std::optional<long> Inteiro(std::string_view texto) {
    const auto inicio = texto.find_first_not_of(" \t\n\v\f\r");
    if (inicio == std::string_view::npos) return std::nullopt;
    texto.remove_prefix(inicio);
    if (texto.size() > 1 && texto[0] == '+' && texto[1] != '-') texto.remove_prefix(1);
    long valor = 0;
    const char* fim = texto.data() + texto.size();
    const auto [usado, erro] = std::from_chars(texto.data(), fim, valor);
    if (erro != std::errc() || usado != fim) return std::nullopt;
    return valor;
}

std::string SoDigitos(std::string_view texto) {
    std::string digitos;
    for (char c : texto)
        if (c >= '0' && c <= '9') digitos.push_back(c);
    return digitos;
}

// The key in an Id attribute ("CFe3524…", "NFe3524…").
std::string ChaveDoId(No no, const char* atributo, const char* prefixo) {
    std::string id = no.attribute(atributo).value();
    if (id.rfind(prefixo, 0) == 0) id.erase(0, std::strlen(prefixo));
    return id;
}

Documento Recusar(std::string motivo) {
    Documento d;
    d.tipo = Documento::kRecusado;
    d.motivo = std::move(motivo);
    return d;
}

// Reads what a wrong value or a missing field leaves out, into one reason.
class Leitura {
public:
    std::string Exigir(No no, const char* campo) {
        std::string t = Texto(no, campo);
        if (t.empty() && falta_.empty()) falta_ = campo;
        return t;
    }
    double Valor(No no, const char* campo, bool exigido) {
        const std::string_view t = Aparado(Filho(no, campo));
        if (t.empty()) {
            if (exigido && falta_.empty()) falta_ = campo;
            return 0;
        }
        const std::optional<double> v = Numero(t);
        if (!v && errado_.empty()) errado_ = std::string(campo) + " (\"" + std::string(t) + "\")";
        return v.value_or(0);
    }
    // Why the receipt cannot be stored; empty when it can.
    std::string Motivo() const {
        if (!falta_.empty()) return "falta o campo " + falta_;
        if (!errado_.empty()) return "valor que não é um número no campo " + errado_;
        return {};
    }

private:
    std::string falta_;
    std::string errado_;
};

std::string Endereco(No ender) {
    std::string endereco = Texto(ender, "xLgr");
    const std::string nro = Texto(ender, "nro");
    if (!nro.empty()) endereco += (endereco.empty() ? "" : ", ") + nro;
    const std::string cpl = Texto(ender, "xCpl");
    if (!cpl.empty()) endereco += " - " + cpl;
    return endereco;
}

void LerEmitente(No emit, Leitura& leitura, CupomXml& c) {
    No ender = Filho(emit, "enderEmit");
    c.emitente = {leitura.Exigir(emit, "CNPJ"), Texto(emit, "IE"),    Texto(emit, "IM"),
                  Texto(emit, "xNome"),         Texto(emit, "xFant"), Endereco(ender),
                  Texto(ender, "xBairro"),      Texto(ender, "CEP"),  Texto(ender, "xMun")};
}

void LerConsumidor(No dest, CupomXml& c) {
    c.cpf_consumidor = Texto(dest, "CPF");
    if (c.cpf_consumidor.empty()) c.cpf_consumidor = Texto(dest, "CNPJ");
    c.nome_consumidor = Texto(dest, "xNome");
}

// The lines, in the file's order; `tributos` names the line's tax total in the layout.
void LerLinhas(No inf, const char* tributos, Leitura& leitura, CupomXml& c) {
    ParaCadaFilho(inf, [&](No det) {
        if (Local(det) != "det") return;
        No prod = Filho(det, "prod");
        CupomXml::Linha l;
        const std::optional<long> seq = Inteiro(det.attribute("nItem").value());
        l.seq = seq ? static_cast<int>(*seq) : static_cast<int>(c.linhas.size()) + 1;
        const std::string ean = Texto(prod, "cEAN");
        l.codigo = precos::GtinValido(ean) ? ean : Texto(prod, "cProd");
        l.descricao = Texto(prod, "xProd");
        l.un = Texto(prod, "uCom");
        l.qtde = leitura.Valor(prod, "qCom", true);
        l.valor_unit = leitura.Valor(prod, "vUnCom", false);
        l.valor_total = leitura.Valor(prod, "vProd", true);
        l.desconto = leitura.Valor(prod, "vDesc", false);
        l.tributos = leitura.Valor(Filho(det, "imposto"), tributos, false);
        c.linhas.push_back(std::move(l));
    });
}

// The tax authority's remarks: the text of each obsFisco (written in its xTexto), one a line.
std::string ObservacaoFisco(No adic) {
    std::string obs;
    ParaCadaFilho(adic, [&obs](No f) {
        if (Local(f) != "obsFisco") return;
        const std::string texto = Filho(f, "xTexto") ? Texto(f, "xTexto") : Texto(f);
        if (texto.empty()) return;
        if (!obs.empty()) obs += '\n';
        obs += texto;
    });
    return obs;
}

// "2024-01-05T10:15:00-03:00": the local moment as written, its offset left aside. Anything
// but that form ("2024-01-05T10:15-03:00" has no seconds) is no moment.
std::string MomentoIso(const std::string& dh) {
    constexpr std::string_view kForma = "0000-00-00T00:00:00";
    if (dh.size() < kForma.size()) return std::string();
    for (std::size_t i = 0; i < kForma.size(); ++i) {
        const bool digito = dh[i] >= '0' && dh[i] <= '9';
        if (kForma[i] == '0' ? !digito : dh[i] != kForma[i]) return std::string();
    }
    return SoDigitos(dh.substr(0, kForma.size()));
}

Documento CupomCFe(No inf) {
    Documento d;
    CupomXml& c = d.cupom;
    Leitura leitura;
    No ide = Filho(inf, "ide");
    c.chave = ChaveDoId(inf, "Id", "CFe");
    c.data_hora = leitura.Exigir(ide, "dEmi") + leitura.Exigir(ide, "hEmi");
    c.numero = Texto(ide, "nCFe");
    c.serie = Texto(ide, "nserieSAT");
    LerEmitente(Filho(inf, "emit"), leitura, c);
    LerConsumidor(Filho(inf, "dest"), c);
    LerLinhas(inf, "vItem12741", leitura, c);
    No total = Filho(inf, "total");
    c.valor_total = leitura.Valor(total, "vCFe", true);
    c.total_tributos = leitura.Valor(total, "vCFeLei12741", false);
    No adic = Filho(inf, "infAdic");
    c.obs_cupom = Texto(adic, "infCpl");
    c.obs_inf = ObservacaoFisco(adic);
    d.motivo = leitura.Motivo();
    return d;
}

Documento CupomNFe(const Marcos& marcos, No inf) {
    Documento d;
    CupomXml& c = d.cupom;
    Leitura leitura;
    No ide = Filho(inf, "ide");
    c.chave = ChaveDoId(inf, "Id", "NFe");
    if (c.chave.empty()) c.chave = Texto(marcos.inf_prot, "chNFe");
    const std::string dh = leitura.Exigir(ide, "dhEmi");
    c.data_hora = MomentoIso(dh);
    if (!dh.empty() && c.data_hora.empty()) leitura.Valor(ide, "dhEmi", true);  // not a moment
    c.numero = Texto(ide, "nNF");
    c.serie = Texto(ide, "serie");
    LerEmitente(Filho(inf, "emit"), leitura, c);
    LerConsumidor(Filho(inf, "dest"), c);
    LerLinhas(inf, "vTotTrib", leitura, c);
    No icms = Filho(Filho(inf, "total"), "ICMSTot");
    c.valor_total = leitura.Valor(icms, "vNF", true);
    c.total_tributos = leitura.Valor(icms, "vTotTrib", false);
    No adic = Filho(inf, "infAdic");
    c.obs_cupom = Texto(adic, "infCpl");
    c.obs_inf = ObservacaoFisco(adic);
    const No supl = marcos.inf_nfe_supl;
    c.url_consulta = Texto(supl, "urlChave");
    if (c.url_consulta.empty()) c.url_consulta = Texto(supl, "qrCode");
    d.motivo = leitura.Motivo();
    return d;
}

Documento Cancelamento(std::string chave) {
    Documento d;
    d.tipo = Documento::kCancelamento;
    d.chave = std::move(chave);
    if (!ChaveValida(d.chave)) return Recusar("cancelamento com chave inválida: " + d.chave);
    return d;
}

}  // namespace

bool ChaveValida(std::string_view chave) {
    if (chave.size() != kDigitosChave ||
        !std::all_of(chave.begin(), chave.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    // Weights 2 to 9 from the digit before the check digit leftwards, starting again at 2.
    int soma = 0;
    int peso = 2;
    for (std::size_t i = kDigitosChave - 1; i-- > 0;) {
        soma += (chave[i] - '0') * peso;
        peso = peso == 9 ? 2 : peso + 1;
    }
    const int resto = soma % 11;
    const int digito = resto < 2 ? 0 : 11 - resto;
    return chave.back() - '0' == digito;
}

Documento LerDocumento(std::string_view bytes) {
    if (bytes.size() > kMaiorArquivo) return Recusar("arquivo maior que 20 MB");
    // One document per thread, read again for every file: its memory is reused.
    thread_local LeituraXml xml;
    const LeituraXml::Resultado lido = bytes.empty() ? LeituraXml::Resultado() : xml.Ler(bytes);
    if (lido.declara_dtd)
        return Recusar("o arquivo declara um DTD ou entidades, que não são lidos");
    const No raiz = lido.raiz;
    if (!raiz) {
        std::string motivo = "não é um XML válido";
        if (lido.linha_erro > 0)
            motivo += " (erro na linha " + std::to_string(lido.linha_erro) + ")";
        return Recusar(motivo);
    }

    const Marcos marcos(raiz);
    // Each file is stored whole or not at all; a batch of several receipts is not read as one.
    if (marcos.documentos > 1)
        return Recusar("o arquivo tem " + std::to_string(marcos.documentos) +
                       " documentos; importe um cupom por arquivo");
    if (marcos.cfe_canc)
        return Cancelamento(ChaveDoId(Filho(marcos.cfe_canc, "infCFe"), "chCanc", "CFe"));
    if (const No evento = marcos.inf_evento) {
        if (Texto(evento, "tpEvento") != "110111")
            return Recusar("evento que não é um cancelamento (tpEvento " +
                           Texto(evento, "tpEvento") + ")");
        return Cancelamento(Texto(evento, "chNFe"));
    }

    Documento d;
    if (const No inf = Filho(marcos.cfe, "infCFe")) {
        d = CupomCFe(inf);
    } else if (const No inf_nfe = Filho(marcos.nfe, "infNFe")) {
        d = CupomNFe(marcos, inf_nfe);
    } else {
        return Recusar("não é um CF-e, uma NFC-e nem uma NF-e (raiz " + std::string(raiz.name()) +
                       ")");
    }
    if (!d.motivo.empty()) return Recusar(d.motivo);
    if (d.cupom.chave.empty()) return Recusar("falta a chave de acesso");
    if (!ChaveValida(d.cupom.chave))
        return Recusar("chave de acesso inválida (dígito verificador errado): " + d.cupom.chave);
    if (d.cupom.data_hora.size() != 14 || SoDigitos(d.cupom.data_hora) != d.cupom.data_hora)
        return Recusar("data e hora de emissão inválidas");
    d.tipo = Documento::kCupom;
    d.chave = d.cupom.chave;
    return d;
}

CupomLido ParaCupomLido(const CupomXml& c) {
    CupomLido lido;
    lido.id = 0;
    lido.data_hora = c.data_hora;
    lido.numero_cfe = c.numero;
    lido.numero_serie_sat = c.serie;
    lido.chave_acesso = c.chave;
    lido.url_consulta = c.url_consulta;
    lido.obs_cupom = c.obs_cupom;
    lido.obs_inf = c.obs_inf;
    lido.cpf_consumidor = c.cpf_consumidor;
    lido.razao_social_consumidor = c.nome_consumidor;
    lido.valor_total = c.valor_total;
    lido.total_tributos = c.total_tributos;
    for (std::size_t i = 0; i < c.emitente.size(); ++i) lido.emitente[i] = c.emitente[i];
    lido.linhas.reserve(c.linhas.size());
    for (const CupomXml::Linha& l : c.linhas)
        lido.linhas.push_back({l.seq, l.codigo, l.descricao, l.qtde, l.un, l.valor_unit, l.tributos,
                               l.valor_total, l.desconto});
    return lido;
}

}  // namespace xmlfiscal
