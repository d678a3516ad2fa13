#include "xmlfiscal/DocumentoFiscal.h"

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/thread.h>
#include <wx/xml/xml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

#include "precos/Produto.h"

namespace xmlfiscal {
namespace {

constexpr std::size_t kDigitosChave = 44;

// Names as written, without a namespace prefix ("nfe:infNFe" is "infNFe").
wxString Local(const wxXmlNode* no) {
    const wxString& nome = no->GetName();
    const int dois_pontos = nome.Find(':', true);
    return dois_pontos == wxNOT_FOUND ? nome : nome.Mid(static_cast<std::size_t>(dois_pontos) + 1);
}

const wxXmlNode* Filho(const wxXmlNode* no, const char* nome) {
    if (!no) return nullptr;
    for (const wxXmlNode* f = no->GetChildren(); f; f = f->GetNext())
        if (f->GetType() == wxXML_ELEMENT_NODE && Local(f) == nome) return f;
    return nullptr;
}

// The first element named `nome` at any depth under `no`, `no` itself included.
const wxXmlNode* Procurar(const wxXmlNode* no, const char* nome) {
    if (!no || no->GetType() != wxXML_ELEMENT_NODE) return nullptr;
    if (Local(no) == nome) return no;
    for (const wxXmlNode* f = no->GetChildren(); f; f = f->GetNext())
        if (const wxXmlNode* achado = Procurar(f, nome)) return achado;
    return nullptr;
}

std::string Utf8(const wxString& texto) {
    return texto.utf8_string();
}

// The text of an element, trimmed; empty when there is none.
std::string Texto(const wxXmlNode* no) {
    if (!no) return {};
    wxString texto = no->GetNodeContent();
    texto.Trim(true).Trim(false);
    return Utf8(texto);
}

std::string Texto(const wxXmlNode* no, const char* filho) {
    return Texto(Filho(no, filho));
}

// A decimal as the layouts write it ("12.34"); nothing when it is not one.
std::optional<double> Numero(const std::string& texto) {
    if (texto.empty()) return std::nullopt;
    double valor = 0;
    const char* fim = texto.data() + texto.size();
    const auto [usado, erro] = std::from_chars(texto.data(), fim, valor);
    if (erro != std::errc() || usado != fim || !std::isfinite(valor)) return std::nullopt;
    return valor;
}

std::string SoDigitos(std::string_view texto) {
    std::string digitos;
    for (char c : texto)
        if (c >= '0' && c <= '9') digitos.push_back(c);
    return digitos;
}

// The key in an Id attribute ("CFe3524…", "NFe3524…").
std::string ChaveDoId(const wxXmlNode* no, const char* atributo, const char* prefixo) {
    if (!no) return {};
    std::string id = Utf8(no->GetAttribute(atributo));
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
    std::string Exigir(const wxXmlNode* no, const char* campo) {
        std::string t = Texto(no, campo);
        if (t.empty() && falta_.empty()) falta_ = campo;
        return t;
    }
    double Valor(const wxXmlNode* no, const char* campo, bool exigido) {
        const std::string t = Texto(no, campo);
        if (t.empty()) {
            if (exigido && falta_.empty()) falta_ = campo;
            return 0;
        }
        const std::optional<double> v = Numero(t);
        if (!v && errado_.empty()) errado_ = std::string(campo) + " (\"" + t + "\")";
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

std::string Endereco(const wxXmlNode* ender) {
    std::string endereco = Texto(ender, "xLgr");
    const std::string nro = Texto(ender, "nro");
    if (!nro.empty()) endereco += (endereco.empty() ? "" : ", ") + nro;
    const std::string cpl = Texto(ender, "xCpl");
    if (!cpl.empty()) endereco += " - " + cpl;
    return endereco;
}

void LerEmitente(const wxXmlNode* emit, Leitura& leitura, CupomXml& c) {
    const wxXmlNode* ender = Filho(emit, "enderEmit");
    c.emitente = {leitura.Exigir(emit, "CNPJ"), Texto(emit, "IE"),    Texto(emit, "IM"),
                  Texto(emit, "xNome"),         Texto(emit, "xFant"), Endereco(ender),
                  Texto(ender, "xBairro"),      Texto(ender, "CEP"),  Texto(ender, "xMun")};
}

void LerConsumidor(const wxXmlNode* dest, CupomXml& c) {
    c.cpf_consumidor = Texto(dest, "CPF");
    if (c.cpf_consumidor.empty()) c.cpf_consumidor = Texto(dest, "CNPJ");
    c.nome_consumidor = Texto(dest, "xNome");
}

// The lines, in the file's order; `tributos` names the line's tax total in the layout.
void LerLinhas(const wxXmlNode* inf, const char* tributos, Leitura& leitura, CupomXml& c) {
    for (const wxXmlNode* det = inf->GetChildren(); det; det = det->GetNext()) {
        if (det->GetType() != wxXML_ELEMENT_NODE || Local(det) != "det") continue;
        const wxXmlNode* prod = Filho(det, "prod");
        CupomXml::Linha l;
        long seq = 0;
        l.seq = det->GetAttribute("nItem").ToLong(&seq) ? static_cast<int>(seq)
                                                        : static_cast<int>(c.linhas.size()) + 1;
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
    }
}

// The tax authority's remarks: the text of each obsFisco (written in its xTexto), one a line.
std::string ObservacaoFisco(const wxXmlNode* adic) {
    std::string obs;
    for (const wxXmlNode* f = adic ? adic->GetChildren() : nullptr; f; f = f->GetNext()) {
        if (f->GetType() != wxXML_ELEMENT_NODE || Local(f) != "obsFisco") continue;
        const std::string texto = Filho(f, "xTexto") ? Texto(f, "xTexto") : Texto(f);
        if (texto.empty()) continue;
        if (!obs.empty()) obs += '\n';
        obs += texto;
    }
    return obs;
}

// "2024-01-05T10:15:00-03:00": the local moment as written, its offset left aside.
std::string MomentoIso(const std::string& dh) {
    const std::string d = SoDigitos(dh.substr(0, std::min<std::size_t>(dh.size(), 19)));
    return d.size() == 14 ? d : std::string();
}

Documento CupomCFe(const wxXmlNode* inf) {
    Documento d;
    CupomXml& c = d.cupom;
    Leitura leitura;
    const wxXmlNode* ide = Filho(inf, "ide");
    c.chave = ChaveDoId(inf, "Id", "CFe");
    c.data_hora = leitura.Exigir(ide, "dEmi") + leitura.Exigir(ide, "hEmi");
    c.numero = Texto(ide, "nCFe");
    c.serie = Texto(ide, "nserieSAT");
    LerEmitente(Filho(inf, "emit"), leitura, c);
    LerConsumidor(Filho(inf, "dest"), c);
    LerLinhas(inf, "vItem12741", leitura, c);
    const wxXmlNode* total = Filho(inf, "total");
    c.valor_total = leitura.Valor(total, "vCFe", true);
    c.total_tributos = leitura.Valor(total, "vCFeLei12741", false);
    const wxXmlNode* adic = Filho(inf, "infAdic");
    c.obs_cupom = Texto(adic, "infCpl");
    c.obs_inf = ObservacaoFisco(adic);
    d.motivo = leitura.Motivo();
    return d;
}

Documento CupomNFe(const wxXmlNode* raiz, const wxXmlNode* inf) {
    Documento d;
    CupomXml& c = d.cupom;
    Leitura leitura;
    const wxXmlNode* ide = Filho(inf, "ide");
    c.chave = ChaveDoId(inf, "Id", "NFe");
    if (c.chave.empty()) c.chave = Texto(Procurar(raiz, "infProt"), "chNFe");
    const std::string dh = leitura.Exigir(ide, "dhEmi");
    c.data_hora = MomentoIso(dh);
    if (!dh.empty() && c.data_hora.empty()) leitura.Valor(ide, "dhEmi", true);  // not a moment
    c.numero = Texto(ide, "nNF");
    c.serie = Texto(ide, "serie");
    LerEmitente(Filho(inf, "emit"), leitura, c);
    LerConsumidor(Filho(inf, "dest"), c);
    LerLinhas(inf, "vTotTrib", leitura, c);
    const wxXmlNode* icms = Filho(Filho(inf, "total"), "ICMSTot");
    c.valor_total = leitura.Valor(icms, "vNF", true);
    c.total_tributos = leitura.Valor(icms, "vTotTrib", false);
    const wxXmlNode* adic = Filho(inf, "infAdic");
    c.obs_cupom = Texto(adic, "infCpl");
    c.obs_inf = ObservacaoFisco(adic);
    const wxXmlNode* supl = Procurar(raiz, "infNFeSupl");
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

// The parser's complaint, caught from the toolkit's log instead of a box: only the line it
// names is kept ("… at line 3"), the words being the toolkit's, in whatever language.
class LogDaLeitura : public wxLog {
public:
    long linha = 0;

protected:
    void DoLogRecord(wxLogLevel, const wxString& mensagem, const wxLogRecordInfo&) override {
        std::size_t fim = mensagem.length();
        while (fim > 0 && !wxIsdigit(mensagem[fim - 1])) --fim;
        std::size_t inicio = fim;
        while (inicio > 0 && wxIsdigit(mensagem[inicio - 1])) --inicio;
        if (linha == 0 && inicio < fim) mensagem.Mid(inicio, fim - inicio).ToLong(&linha);
    }
};

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
    // A fiscal document never declares a DTD: one is never parsed, so no entity is expanded and
    // no other file or address is ever read for it.
    if (bytes.find("<!DOCTYPE") != std::string_view::npos ||
        bytes.find("<!ENTITY") != std::string_view::npos)
        return Recusar("o arquivo declara um DTD ou entidades, que não são lidos");

    wxXmlDocument xml;
    {
        // The toolkit tells a parse error through its log; caught here, on whichever thread.
        LogDaLeitura log;
        const bool principal = wxThread::IsMain();
        wxLog* anterior =
            principal ? wxLog::SetActiveTarget(&log) : wxLog::SetThreadActiveTarget(&log);
        wxMemoryInputStream entrada(bytes.data(), bytes.size());
        const bool lido = bytes.size() > 0 && xml.Load(entrada);
        principal ? wxLog::SetActiveTarget(anterior) : wxLog::SetThreadActiveTarget(anterior);
        if (!lido || !xml.GetRoot()) {
            std::string motivo = "não é um XML válido";
            if (log.linha > 0) motivo += " (erro na linha " + std::to_string(log.linha) + ")";
            return Recusar(motivo);
        }
    }
    const wxXmlNode* raiz = xml.GetRoot();

    if (const wxXmlNode* canc = Procurar(raiz, "CFeCanc"))
        return Cancelamento(ChaveDoId(Filho(canc, "infCFe"), "chCanc", "CFe"));
    if (const wxXmlNode* evento = Procurar(raiz, "infEvento")) {
        if (Texto(evento, "tpEvento") != "110111")
            return Recusar("evento que não é um cancelamento (tpEvento " +
                           Texto(evento, "tpEvento") + ")");
        return Cancelamento(Texto(evento, "chNFe"));
    }

    Documento d;
    if (const wxXmlNode* cfe = Procurar(raiz, "CFe"); cfe && Filho(cfe, "infCFe")) {
        d = CupomCFe(Filho(cfe, "infCFe"));
    } else if (const wxXmlNode* nfe = Procurar(raiz, "NFe"); nfe && Filho(nfe, "infNFe")) {
        d = CupomNFe(raiz, Filho(nfe, "infNFe"));
    } else {
        return Recusar("não é um CF-e, uma NFC-e nem uma NF-e (raiz " + Utf8(raiz->GetName()) +
                       ")");
    }
    if (!d.motivo.empty()) return Recusar(d.motivo);
    if (d.cupom.chave.empty()) return Recusar("falta a chave de acesso");
    if (!ChaveValida(d.cupom.chave))
        return Recusar("chave de acesso inválida (dígito verificador errado): " + d.cupom.chave);
    if (d.cupom.data_hora.size() != 14) return Recusar("data e hora de emissão inválidas");
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
