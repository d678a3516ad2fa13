#include "service/GeradorXml.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace servico {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kNamespaceNfe = "http://www.portalfiscal.inf.br/nfe";
// The point-of-sale software's maker, in the CF-e's identification.
constexpr const char* kCnpjSoftware = "11111111000191";
// The demo's code for the NFC-e QR code hash; a real one is the store's secret.
constexpr std::string_view kCscDemo = "ZELKARI0DEMO0CSC0000000000000001";
constexpr int kAliquotaIcms = 18;  // percent, on every line
constexpr const char* kNcm = "21069090";

// "1234.50" from 123450 and 2 places: written from whole numbers, never through the C locale.
std::string Decimal(std::int64_t unidades, int casas) {
    const bool negativo = unidades < 0;
    std::string digitos = std::to_string(negativo ? -unidades : unidades);
    if (digitos.size() <= static_cast<std::size_t>(casas))
        digitos.insert(0, static_cast<std::size_t>(casas) + 1 - digitos.size(), '0');
    digitos.insert(digitos.size() - static_cast<std::size_t>(casas), 1, '.');
    return negativo ? "-" + digitos : digitos;
}

std::int64_t Centavos(const json& valor) {
    return valor.is_number() ? std::llround(valor.get<double>() * 100.0) : 0;
}

std::string Dinheiro(std::int64_t centavos) {
    return Decimal(centavos, 2);
}

std::string Texto(const json& objeto, const char* chave) {
    const auto it = objeto.find(chave);
    return it != objeto.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool SoDigitos(std::string_view t) {
    return !t.empty() &&
           std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class Xml {
public:
    explicit Xml(std::string declaracao) : s_(std::move(declaracao)) { s_.reserve(16 * 1024); }

    Xml& Abrir(std::string_view nome, std::string_view atributos = {}) {
        s_ += '<';
        s_ += nome;
        if (!atributos.empty()) (s_ += ' ') += atributos;
        s_ += '>';
        return *this;
    }
    Xml& Fechar(std::string_view nome) {
        ((s_ += "</") += nome) += '>';
        return *this;
    }
    Xml& Campo(std::string_view nome, std::string_view valor) {
        Abrir(nome);
        for (const char c : valor) {
            switch (c) {
                case '&':
                    s_ += "&amp;";
                    break;
                case '<':
                    s_ += "&lt;";
                    break;
                case '>':
                    s_ += "&gt;";
                    break;
                default:
                    s_ += c;
            }
        }
        return Fechar(nome);
    }
    std::string Fim() { return std::move(s_); }

private:
    std::string s_;
};

std::string Atributo(std::string_view nome, std::string_view valor) {
    return std::string(nome) + "=\"" + std::string(valor) + '"';
}

std::string SiglaUf(std::string_view codigo) {
    static const std::map<std::string_view, const char*> kUfs = {
        {"11", "RO"}, {"12", "AC"}, {"13", "AM"}, {"14", "RR"}, {"15", "PA"}, {"16", "AP"},
        {"17", "TO"}, {"21", "MA"}, {"22", "PI"}, {"23", "CE"}, {"24", "RN"}, {"25", "PB"},
        {"26", "PE"}, {"27", "AL"}, {"28", "SE"}, {"29", "BA"}, {"31", "MG"}, {"32", "ES"},
        {"33", "RJ"}, {"35", "SP"}, {"41", "PR"}, {"42", "SC"}, {"43", "RS"}, {"50", "MS"},
        {"51", "MT"}, {"52", "GO"}, {"53", "DF"}};
    const auto it = kUfs.find(codigo);
    return it == kUfs.end() ? "SP" : it->second;
}

// The IBGE code of the issuers' towns; another town gets its state's code and zeros.
std::string CodigoMunicipio(const std::string& municipio, std::string_view uf) {
    static const std::map<std::string, const char*> kMunicipios = {
        {"São Paulo", "3550308"},
        {"Campinas", "3509502"},
        {"Santos", "3548500"},
        {"Fortaleza", "2304400"},
        {"São José dos Campos", "3549904"},
        {"Ribeirão Preto", "3543402"},
        {"Sorocaba", "3552205"}};
    const auto it = kMunicipios.find(municipio);
    return it == kMunicipios.end() ? std::string(uf) + "00000" : it->second;
}

// "AV. CELSO GARCIA, 1520" as its street and number, which the reader joins again.
std::pair<std::string, std::string> Logradouro(const std::string& endereco) {
    const auto virgula = endereco.rfind(", ");
    if (virgula == std::string::npos) return {endereco, "S/N"};
    return {endereco.substr(0, virgula), endereco.substr(virgula + 2)};
}

struct Linha {
    const json* item;
    std::int64_t bruto, desconto, tributos, icms;
};

struct Totais {
    std::int64_t bruto = 0, desconto = 0, icms = 0;
};

std::vector<Linha> Linhas(const json& cupom, Totais& t) {
    std::vector<Linha> linhas;
    const auto itens = cupom.find("itens");
    if (itens == cupom.end() || !itens->is_array()) return linhas;
    for (const json& item : *itens) {
        Linha l{&item, Centavos(item.value("valor_total", json())),
                Centavos(item.value("desconto", json())), Centavos(item.value("tributos", json())),
                0};
        l.icms = ((l.bruto - l.desconto) * kAliquotaIcms + 50) / 100;
        t.bruto += l.bruto;
        t.desconto += l.desconto;
        t.icms += l.icms;
        linhas.push_back(l);
    }
    return linhas;
}

std::string Quantidade(const json& item) {
    const auto q = item.find("qtde");
    return Decimal(q != item.end() && q->is_number() ? std::llround(q->get<double>() * 10000.0) : 0,
                   4);
}

// Paid in cash (rounded up to five reais, with change), by debit or by credit card.
struct Pagamento {
    const char* meio;
    std::int64_t valor, troco;
};

Pagamento Pago(const std::string& chave, std::int64_t total) {
    const int d = chave.size() > 41 ? chave[41] - '0' : 0;
    if (d < 3) {
        const std::int64_t pago = (total + 499) / 500 * 500;
        return {"01", pago, pago - total};
    }
    return {d < 7 ? "04" : "03", total, 0};
}

void Emitente(Xml& x, const json& e, bool nfce, std::string_view cuf) {
    const auto [rua, numero] = Logradouro(Texto(e, "endereco"));
    x.Abrir("emit").Campo("CNPJ", Texto(e, "cnpj")).Campo("xNome", Texto(e, "nome"));
    if (!Texto(e, "fantasia").empty()) x.Campo("xFant", Texto(e, "fantasia"));
    x.Abrir("enderEmit").Campo("xLgr", rua).Campo("nro", numero);
    x.Campo("xBairro", Texto(e, "bairro"));
    if (nfce) x.Campo("cMun", CodigoMunicipio(Texto(e, "municipio"), cuf));
    x.Campo("xMun", Texto(e, "municipio"));
    if (nfce) x.Campo("UF", SiglaUf(cuf));
    x.Campo("CEP", Texto(e, "cep"));
    if (nfce) x.Campo("cPais", "1058").Campo("xPais", "BRASIL");
    x.Fechar("enderEmit").Campo("IE", Texto(e, "ie"));
    if (!Texto(e, "im").empty()) x.Campo("IM", Texto(e, "im"));
    if (nfce) {
        x.Campo("CNAE", "4711302").Campo("CRT", "3");
    } else {
        x.Campo("cRegTrib", "3").Campo("indRatISSQN", "N");
    }
    x.Fechar("emit");
}

// The line's product up to its unit price; gives its GTIN, or "SEM GTIN".
std::string ProdutoDaLinha(Xml& x, const json& item, bool nfce) {
    const std::string codigo = Texto(item, "codigo");
    const bool gtin =
        SoDigitos(codigo) && (codigo.size() == 8 || codigo.size() >= 12) && codigo.size() <= 14;
    const std::string ean = gtin ? codigo : "SEM GTIN";
    x.Campo("cProd", codigo.empty() ? "0" : codigo);
    if (gtin || nfce) x.Campo("cEAN", ean);
    x.Campo("xProd", Texto(item, "descricao")).Campo("NCM", kNcm).Campo("CFOP", "5102");
    x.Campo("uCom", Texto(item, "un")).Campo("qCom", Quantidade(item));
    x.Campo("vUnCom", Dinheiro(Centavos(item.value("valor_unit", json()))));
    return ean;
}

void Observacoes(Xml& x, const json& cupom) {
    const std::string cpl = Texto(cupom, "obs_cupom"), fisco = Texto(cupom, "obs_inf");
    if (cpl.empty() && fisco.empty()) return;
    x.Abrir("infAdic");
    if (!cpl.empty()) x.Campo("infCpl", cpl);
    if (!fisco.empty())
        x.Abrir("obsFisco", Atributo("xCampo", "Observacao"))
            .Campo("xTexto", fisco)
            .Fechar("obsFisco");
    x.Fechar("infAdic");
}

std::string CFeSat(const json& cupom) {
    const std::string chave = Texto(cupom, "chave_acesso");
    const std::string data = Texto(cupom, "data_hora_emissao");
    Totais t;
    const std::vector<Linha> linhas = Linhas(cupom, t);

    Xml x(R"(<?xml version="1.0" encoding="UTF-8"?>)");
    x.Abrir("CFe").Abrir("infCFe", Atributo("Id", "CFe" + chave) +
                                       R"( versao="0.08" versaoDadosEnt="0.08" versaoSB="010000")");
    x.Abrir("ide").Campo("cUF", chave.substr(0, 2)).Campo("cNF", chave.substr(37, 6));
    x.Campo("mod", "59").Campo("nserieSAT", Texto(cupom, "numero_serie_sat"));
    x.Campo("nCFe", Texto(cupom, "numero_cfe"));
    x.Campo("dEmi", data.substr(0, 8)).Campo("hEmi", data.substr(8, 6));
    x.Campo("cDV", chave.substr(43, 1)).Campo("tpAmb", "1").Campo("CNPJ", kCnpjSoftware);
    x.Campo("numeroCaixa", "001").Fechar("ide");
    Emitente(x, cupom.value("emitente", json::object()), false, chave.substr(0, 2));
    x.Abrir("dest").Fechar("dest");
    for (const Linha& l : linhas) {
        const json& item = *l.item;
        x.Abrir("det", Atributo("nItem", std::to_string(item.value("seq", 0)))).Abrir("prod");
        ProdutoDaLinha(x, item, false);
        x.Campo("vProd", Dinheiro(l.bruto)).Campo("indRegra", "A");
        if (l.desconto != 0) x.Campo("vDesc", Dinheiro(l.desconto));
        x.Campo("vItem", Dinheiro(l.bruto - l.desconto)).Fechar("prod");
        x.Abrir("imposto").Campo("vItem12741", Dinheiro(l.tributos));
        x.Abrir("ICMS").Abrir("ICMS00").Campo("Orig", "0").Campo("CST", "00");
        x.Campo("pICMS", Decimal(kAliquotaIcms * 100, 2)).Campo("vICMS", Dinheiro(l.icms));
        x.Fechar("ICMS00").Fechar("ICMS");
        x.Abrir("PIS").Abrir("PISNT").Campo("CST", "07").Fechar("PISNT").Fechar("PIS");
        x.Abrir("COFINS").Abrir("COFINSNT").Campo("CST", "07").Fechar("COFINSNT").Fechar("COFINS");
        x.Fechar("imposto").Fechar("det");
    }
    const std::int64_t total = Centavos(cupom.value("valor_total", json()));
    x.Abrir("total").Abrir("ICMSTot").Campo("vICMS", Dinheiro(t.icms));
    x.Campo("vProd", Dinheiro(t.bruto)).Campo("vDesc", Dinheiro(t.desconto));
    for (const char* zero : {"vPIS", "vCOFINS", "vPISST", "vCOFINSST", "vOutro"})
        x.Campo(zero, "0.00");
    x.Fechar("ICMSTot").Campo("vCFe", Dinheiro(total));
    x.Campo("vCFeLei12741", Dinheiro(Centavos(cupom.value("total_tributos", json()))));
    x.Fechar("total");
    const Pagamento p = Pago(chave, total);
    x.Abrir("pgto").Abrir("MP").Campo("cMP", p.meio).Campo("vMP", Dinheiro(p.valor)).Fechar("MP");
    x.Campo("vTroco", Dinheiro(p.troco)).Fechar("pgto");
    Observacoes(x, cupom);
    x.Fechar("infCFe").Fechar("CFe");
    return x.Fim();
}

std::string Sha1Hex(std::string_view texto) {
    unsigned char resumo[EVP_MAX_MD_SIZE];
    unsigned int tamanho = 0;
    EVP_Digest(texto.data(), texto.size(), resumo, &tamanho, EVP_sha1(), nullptr);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned int i = 0; i < tamanho; ++i) {
        hex += kHex[resumo[i] >> 4];
        hex += kHex[resumo[i] & 15];
    }
    return hex;
}

// The state's NFC-e addresses: the QR code's and the consult page's.
std::pair<std::string, std::string> EnderecosNfce(const std::string& uf) {
    if (uf == "SP")
        return {"https://www.nfce.fazenda.sp.gov.br/qrcode",
                "https://www.nfce.fazenda.sp.gov.br/consulta"};
    if (uf == "CE")
        return {"http://nfce.sefaz.ce.gov.br/pages/ShowNFCe.html",
                "http://nfce.sefaz.ce.gov.br/pages/consultaNota.jsf"};
    std::string sefaz = "https://www.sefaz." + uf + ".gov.br/nfce/";
    std::transform(sefaz.begin(), sefaz.end(), sefaz.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return {sefaz + "qrcode", sefaz + "consulta"};
}

std::string NFCe(const json& cupom) {
    const std::string chave = Texto(cupom, "chave_acesso");
    const std::string d = Texto(cupom, "data_hora_emissao");
    const std::string cuf = chave.substr(0, 2), uf = SiglaUf(cuf);
    const std::string momento = d.substr(0, 4) + '-' + d.substr(4, 2) + '-' + d.substr(6, 2) + 'T' +
                                d.substr(8, 2) + ':' + d.substr(10, 2) + ':' + d.substr(12, 2) +
                                "-03:00";
    const std::string numero = Texto(cupom, "numero_cfe");
    const std::string nnf = std::to_string(
        std::max<long long>(1, SoDigitos(numero) ? std::stoll(numero.substr(0, 9)) : 1));
    const json emitente = cupom.value("emitente", json::object());
    Totais t;
    const std::vector<Linha> linhas = Linhas(cupom, t);

    Xml x(R"(<?xml version="1.0" encoding="UTF-8"?>)");
    x.Abrir("nfeProc", Atributo("xmlns", kNamespaceNfe) + R"( versao="4.00")");
    x.Abrir("NFe", Atributo("xmlns", kNamespaceNfe));
    x.Abrir("infNFe", Atributo("Id", "NFe" + chave) + R"( versao="4.00")");
    x.Abrir("ide").Campo("cUF", cuf).Campo("cNF", chave.substr(35, 8)).Campo("natOp", "VENDA");
    x.Campo("mod", "65").Campo("serie", "1").Campo("nNF", nnf).Campo("dhEmi", momento);
    x.Campo("tpNF", "1").Campo("idDest", "1");
    x.Campo("cMunFG", CodigoMunicipio(Texto(emitente, "municipio"), cuf));
    x.Campo("tpImp", "4").Campo("tpEmis", "1").Campo("cDV", chave.substr(43, 1));
    x.Campo("tpAmb", "1").Campo("finNFe", "1").Campo("indFinal", "1").Campo("indPres", "1");
    x.Campo("procEmi", "0").Campo("verProc", "cupom-service 1.0").Fechar("ide");
    Emitente(x, emitente, true, cuf);
    for (const Linha& l : linhas) {
        const json& item = *l.item;
        x.Abrir("det", Atributo("nItem", std::to_string(item.value("seq", 0)))).Abrir("prod");
        const std::string ean = ProdutoDaLinha(x, item, true);
        x.Campo("vProd", Dinheiro(l.bruto));
        x.Campo("cEANTrib", ean).Campo("uTrib", Texto(item, "un"));
        x.Campo("qTrib", Quantidade(item));
        x.Campo("vUnTrib", Dinheiro(Centavos(item.value("valor_unit", json()))));
        if (l.desconto != 0) x.Campo("vDesc", Dinheiro(l.desconto));
        x.Campo("indTot", "1").Fechar("prod");
        x.Abrir("imposto").Campo("vTotTrib", Dinheiro(l.tributos));
        x.Abrir("ICMS").Abrir("ICMS00").Campo("orig", "0").Campo("CST", "00").Campo("modBC", "3");
        x.Campo("vBC", Dinheiro(l.bruto - l.desconto));
        x.Campo("pICMS", Decimal(kAliquotaIcms * 100, 2)).Campo("vICMS", Dinheiro(l.icms));
        x.Fechar("ICMS00").Fechar("ICMS");
        x.Abrir("PIS").Abrir("PISNT").Campo("CST", "07").Fechar("PISNT").Fechar("PIS");
        x.Abrir("COFINS").Abrir("COFINSNT").Campo("CST", "07").Fechar("COFINSNT").Fechar("COFINS");
        x.Fechar("imposto").Fechar("det");
    }
    const std::int64_t total = Centavos(cupom.value("valor_total", json()));
    x.Abrir("total").Abrir("ICMSTot").Campo("vBC", Dinheiro(t.bruto - t.desconto));
    x.Campo("vICMS", Dinheiro(t.icms));
    for (const char* zero : {"vICMSDeson", "vFCP", "vBCST", "vST", "vFCPST", "vFCPSTRet"})
        x.Campo(zero, "0.00");
    x.Campo("vProd", Dinheiro(t.bruto)).Campo("vFrete", "0.00").Campo("vSeg", "0.00");
    x.Campo("vDesc", Dinheiro(t.desconto));
    for (const char* zero : {"vII", "vIPI", "vIPIDevol", "vPIS", "vCOFINS", "vOutro"})
        x.Campo(zero, "0.00");
    x.Campo("vNF", Dinheiro(total));
    x.Campo("vTotTrib", Dinheiro(Centavos(cupom.value("total_tributos", json()))));
    x.Fechar("ICMSTot").Fechar("total");
    x.Abrir("transp").Campo("modFrete", "9").Fechar("transp");
    const Pagamento p = Pago(chave, total);
    x.Abrir("pag").Abrir("detPag").Campo("tPag", p.meio).Campo("vPag", Dinheiro(p.valor));
    if (p.troco == 0 && p.meio != std::string_view("01"))
        x.Abrir("card").Campo("tpIntegra", "2").Fechar("card");
    x.Fechar("detPag");
    if (p.troco != 0) x.Campo("vTroco", Dinheiro(p.troco));
    x.Fechar("pag");
    Observacoes(x, cupom);
    x.Fechar("infNFe");

    // QR code of version 2, on line: the key, the version, the environment, the code's id, and
    // the hash of those with the code itself.
    const auto [qr, consulta] = EnderecosNfce(uf);
    const std::string parametros = chave + "|2|1|1";
    x.Abrir("infNFeSupl");
    x.Campo("qrCode", qr + "?p=" + parametros + '|' + Sha1Hex(parametros + std::string(kCscDemo)));
    x.Campo("urlChave", consulta).Fechar("infNFeSupl").Fechar("NFe");

    x.Abrir("protNFe", R"(versao="4.00")").Abrir("infProt").Campo("tpAmb", "1");
    x.Campo("verAplic", uf + "_NFCE_PL_009_V400").Campo("chNFe", chave);
    x.Campo("dhRecbto", momento)
        .Campo("nProt", "1" + cuf + chave.substr(2, 2) + chave.substr(33, 10));
    x.Campo("cStat", "100").Campo("xMotivo", "Autorizado o uso da NF-e");
    x.Fechar("infProt").Fechar("protNFe").Fechar("nfeProc");
    return x.Fim();
}

void Gravar(const fs::path& arquivo, const std::string& bytes) {
    std::error_code erro;
    fs::create_directories(arquivo.parent_path(), erro);
    std::ofstream saida(arquivo, std::ios::binary | std::ios::trunc);
    saida.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    saida.close();
    if (!saida) throw std::runtime_error("não foi possível escrever " + arquivo.string());
}

// Little-endian fields of the zip's headers.
void U16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void U32(std::string& s, unsigned long v) {
    U16(s, static_cast<unsigned>(v & 0xFFFF));
    U16(s, static_cast<unsigned>((v >> 16) & 0xFFFF));
}

std::string Deflate(const std::string& bytes) {
    z_stream z{};
    // Raw deflate (negative window bits): the zip's headers stand in for zlib's.
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib: deflateInit2");
    std::string saida(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(saida.data());
    z.avail_out = static_cast<uInt>(saida.size());
    const int rc = deflate(&z, Z_FINISH);
    saida.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("zlib: deflate");
    return saida;
}

}  // namespace

LeiauteXml LeiauteDoCupom(const json& cupom) {
    const std::string chave = Texto(cupom, "chave_acesso");
    return chave.size() == 44 && (chave[42] - '0') % 2 == 1 ? LeiauteXml::kNFCe
                                                            : LeiauteXml::kCFeSat;
}

std::string XmlDoCupom(const json& cupom, LeiauteXml leiaute) {
    const std::string chave = Texto(cupom, "chave_acesso");
    if (chave.size() != 44 || Texto(cupom, "data_hora_emissao").size() != 14)
        throw std::invalid_argument("cupom sem chave de 44 dígitos ou data AAAAMMDDhhmmss");
    return leiaute == LeiauteXml::kNFCe ? NFCe(cupom) : CFeSat(cupom);
}

std::string Zip(const std::vector<ArquivoZip>& arquivos) {
    constexpr unsigned kVersao = 20;    // 2.0: deflate
    constexpr unsigned kUtf8 = 0x0800;  // the names are UTF-8
    std::string zip, diretorio;
    for (const ArquivoZip& a : arquivos) {
        const std::string& m = a.momento;
        const auto n = [&m](std::size_t i, std::size_t largura) {
            return m.size() >= i + largura ? static_cast<unsigned>(std::stoul(m.substr(i, largura)))
                                           : 0u;
        };
        const unsigned hora = n(8, 2) << 11 | n(10, 2) << 5 | n(12, 2) / 2;
        const unsigned data = (std::max(n(0, 4), 1980u) - 1980) << 9 | n(4, 2) << 5 | n(6, 2);
        const std::string compactado = Deflate(a.bytes);
        const unsigned long crc = crc32(0L, reinterpret_cast<const Bytef*>(a.bytes.data()),
                                        static_cast<uInt>(a.bytes.size()));
        const auto offset = zip.size();

        std::string comum;  // what the local header and the directory entry share
        U16(comum, kVersao);
        U16(comum, kUtf8);
        U16(comum, 8);  // deflated
        U16(comum, hora);
        U16(comum, data);
        U32(comum, crc);
        U32(comum, compactado.size());
        U32(comum, a.bytes.size());
        U16(comum, static_cast<unsigned>(a.nome.size()));
        U16(comum, 0);  // no extra field

        U32(zip, 0x04034b50);
        zip += comum + a.nome + compactado;

        U32(diretorio, 0x02014b50);
        U16(diretorio, kVersao);
        diretorio += comum;
        U16(diretorio, 0);  // no comment
        U16(diretorio, 0);  // disk
        U16(diretorio, 0);  // internal attributes
        U32(diretorio, 0);  // external attributes
        U32(diretorio, offset);
        diretorio += a.nome;
    }
    const auto inicio = zip.size();
    zip += diretorio;
    U32(zip, 0x06054b50);
    U16(zip, 0);
    U16(zip, 0);
    U16(zip, static_cast<unsigned>(arquivos.size()));
    U16(zip, static_cast<unsigned>(arquivos.size()));
    U32(zip, diretorio.size());
    U32(zip, inicio);
    U16(zip, 0);
    return zip;
}

ResumoXml EscreverXml(const json& cupons, const std::string& pasta, bool zip) {
    ResumoXml resumo;
    const fs::path raiz(pasta);
    std::string ultimo_mes;
    for (const json& c : cupons)
        ultimo_mes = std::max(ultimo_mes, Texto(c, "data_hora_emissao").substr(0, 6));
    std::vector<ArquivoZip> no_zip;
    for (const json& c : cupons) {
        const LeiauteXml leiaute = LeiauteDoCupom(c);
        const std::string data = Texto(c, "data_hora_emissao");
        const std::string bytes = XmlDoCupom(c, leiaute);
        const std::string nome =
            Texto(c, "chave_acesso") + (leiaute == LeiauteXml::kNFCe ? "-nfce.xml" : "-cfe.xml");
        (leiaute == LeiauteXml::kNFCe ? resumo.nfce : resumo.cfe)++;
        if (zip && data.substr(0, 6) == ultimo_mes) {
            no_zip.push_back({nome, bytes, data});
            continue;
        }
        Gravar(raiz / (data.substr(0, 4) + '-' + data.substr(4, 2)) / nome, bytes);
    }
    if (!no_zip.empty()) {
        Gravar(raiz / (ultimo_mes.substr(0, 4) + '-' + ultimo_mes.substr(4, 2) + ".zip"),
               Zip(no_zip));
        resumo.no_zip = static_cast<int>(no_zip.size());
    }
    return resumo;
}

}  // namespace servico
