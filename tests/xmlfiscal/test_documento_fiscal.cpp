// Fiscal XML files read as receipts, on sample files written from the public layouts: a CF-e SAT
// in an envelope, an NFC-e with its authorisation in ISO-8859-1, a bare NF-e, both kinds of
// cancellation, and the files that must be refused, each with its reason and nothing read; then
// their import into a real database from a folder and a zip; and the sample generator's files,
// which import as the same receipts as its feed.

#include <gtest/gtest.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "db/BancoDados.h"
#include "service/GeradorCupons.h"
#include "service/GeradorXml.h"
#include "tests/support/DadosTeste.h"
#include "xmlfiscal/DocumentoFiscal.h"
#include "xmlfiscal/ImportacaoXml.h"

namespace {

using xmlfiscal::Documento;

constexpr const char* kChaveCFe = "35240111222333000181599000012340001236543218";
constexpr const char* kChaveNFCe = "35240311222333000181650010000045671123456785";
constexpr const char* kChaveNFe = "35240544555666000199550020000000891876543214";

std::string CFe(const std::string& chave = kChaveCFe, const std::string& ide_extra = "",
                const std::string& total = "<vCFe>35.30</vCFe>") {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<envCFe><CFe><infCFe Id="CFe)" +
           chave + R"(" versao="0.08">
 <ide><cUF>35</cUF><mod>59</mod><nserieSAT>900001234</nserieSAT><nCFe>000123</nCFe>)" +
           ide_extra + R"(<dEmi>20240105</dEmi><hEmi>101500</hEmi></ide>
 <emit><CNPJ>11222333000181</CNPJ><xNome>MERCADO AZUL LTDA</xNome><xFant>Mercado Azul</xFant>
  <enderEmit><xLgr>Rua das Flores</xLgr><nro>100</nro><xCpl>Loja 2</xCpl><xBairro>Centro</xBairro>
  <xMun>São Paulo</xMun><CEP>01001000</CEP></enderEmit><IE>111222333444</IE><IM>123</IM></emit>
 <dest><CPF>12345678909</CPF><xNome>Maria da Silva</xNome></dest>
 <det nItem="1"><prod><cProd>55</cProd><cEAN>7891000100103</cEAN><xProd>CAFÉ PILÃO 500G</xProd>
  <uCom>UN</uCom><qCom>2.0000</qCom><vUnCom>15.90</vUnCom><vProd>31.80</vProd><vDesc>1.00</vDesc>
  </prod><imposto><vItem12741>4.10</vItem12741></imposto></det>
 <det nItem="2"><prod><cProd>123</cProd><cEAN></cEAN><xProd>PÃO FRANCÊS</xProd><uCom>KG</uCom>
  <qCom>0.350</qCom><vUnCom>12.99</vUnCom><vProd>4.50</vProd></prod><imposto/></det>
 <total>)" +
           total + R"(<vCFeLei12741>5.02</vCFeLei12741></total>
 <infAdic><infCpl>Volte sempre</infCpl><obsFisco xCampo="x"><xTexto>Lei 12.741</xTexto></obsFisco>
 </infAdic></infCFe></CFe></envCFe>)";
}

// ISO-8859-1 bytes for the UTF-8 text `t` (its letters are all Latin-1).
std::string Latin1(const std::string& t) {
    std::string s;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto c = static_cast<unsigned char>(t[i]);
        if (c >= 0xC0 && i + 1 < t.size()) {
            s.push_back(static_cast<char>(((c & 0x1F) << 6) | (t[++i] & 0x3F)));
        } else {
            s.push_back(static_cast<char>(c));
        }
    }
    return s;
}

const std::string kNFCe = Latin1(R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<nfeProc xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><NFe>
<infNFe Id="NFe)" + std::string(kChaveNFCe) +
                                 R"(" versao="4.00">
 <ide><mod>65</mod><serie>1</serie><nNF>4567</nNF><dhEmi>2024-03-10T18:30:00-03:00</dhEmi></ide>
 <emit><CNPJ>11222333000181</CNPJ><xNome>PADARIA PÃO QUENTE</xNome>
  <enderEmit><xLgr>Av. Brasil</xLgr><nro>S/N</nro><xBairro>Jardim</xBairro><xMun>Campinas</xMun>
  <CEP>13000000</CEP></enderEmit><IE>222</IE></emit>
 <det nItem="1"><prod><cProd>9</cProd><cEAN>SEM GTIN</cEAN><xProd>PÃO FRANCÊS KG</xProd>
  <uCom>KG</uCom><qCom>0.5000</qCom><vUnCom>13.00</vUnCom><vProd>6.50</vProd></prod>
  <imposto><vTotTrib>1.20</vTotTrib></imposto></det>
 <total><ICMSTot><vProd>6.50</vProd><vNF>6.50</vNF><vTotTrib>1.20</vTotTrib></ICMSTot></total>
</infNFe><infNFeSupl><qrCode>https://www.fazenda.sp.gov.br/nfce/qrcode?p=1</qrCode>
<urlChave>https://www.fazenda.sp.gov.br/nfce/consulta</urlChave></infNFeSupl></NFe>
<protNFe><infProt><chNFe>)" + std::string(kChaveNFCe) +
                                 R"(</chNFe></infProt></protNFe></nfeProc>)");

TEST(DocumentoFiscal, ReadsTheThreeLayoutsAsTheImportStoresThem) {
    const Documento cfe = xmlfiscal::LerDocumento(CFe());
    ASSERT_EQ(cfe.tipo, Documento::kCupom) << cfe.motivo;
    const xmlfiscal::CupomXml& c = cfe.cupom;
    EXPECT_EQ(c.chave, kChaveCFe);
    EXPECT_EQ(c.data_hora, "20240105101500");
    EXPECT_EQ(c.numero, "000123");
    EXPECT_EQ(c.serie, "900001234");
    EXPECT_EQ(c.emitente[5], "Rua das Flores, 100 - Loja 2");
    EXPECT_EQ(c.emitente[8], "São Paulo");
    EXPECT_EQ(c.cpf_consumidor, "12345678909");
    EXPECT_EQ(c.nome_consumidor, "Maria da Silva");
    EXPECT_EQ(c.obs_cupom, "Volte sempre");
    EXPECT_EQ(c.obs_inf, "Lei 12.741");
    EXPECT_DOUBLE_EQ(c.valor_total, 35.30);
    EXPECT_DOUBLE_EQ(c.total_tributos, 5.02);
    ASSERT_EQ(c.linhas.size(), 2u);
    EXPECT_EQ(c.linhas[0].codigo, "7891000100103");  // a valid GTIN
    EXPECT_DOUBLE_EQ(c.linhas[0].desconto, 1.00);
    EXPECT_DOUBLE_EQ(c.linhas[0].tributos, 4.10);
    EXPECT_EQ(c.linhas[1].codigo, "123");  // no GTIN: the store's code
    EXPECT_EQ(c.linhas[1].seq, 2);
    EXPECT_DOUBLE_EQ(c.linhas[1].tributos, 0);

    const CupomLido lido = xmlfiscal::ParaCupomLido(c);
    EXPECT_EQ(lido.id, 0);
    EXPECT_EQ(lido.chave_acesso, kChaveCFe);
    EXPECT_EQ(lido.emitente[0], "11222333000181");
    EXPECT_EQ(lido.razao_social_consumidor, "Maria da Silva");
    ASSERT_EQ(lido.linhas.size(), 2u);
    EXPECT_EQ(lido.linhas[1].descricao, "PÃO FRANCÊS");
    EXPECT_DOUBLE_EQ(lido.linhas[0].valor_total, 31.80);

    // ISO-8859-1, a namespace, the local moment of an ISO date-time, "SEM GTIN", no consumer.
    const Documento nfce = xmlfiscal::LerDocumento(kNFCe);
    ASSERT_EQ(nfce.tipo, Documento::kCupom) << nfce.motivo;
    EXPECT_EQ(nfce.cupom.chave, kChaveNFCe);
    EXPECT_EQ(nfce.cupom.data_hora, "20240310183000");
    EXPECT_EQ(nfce.cupom.numero, "4567");
    EXPECT_EQ(nfce.cupom.serie, "1");
    EXPECT_EQ(nfce.cupom.emitente[3], "PADARIA PÃO QUENTE");
    EXPECT_EQ(nfce.cupom.emitente[5], "Av. Brasil, S/N");
    EXPECT_EQ(nfce.cupom.url_consulta, "https://www.fazenda.sp.gov.br/nfce/consulta");
    EXPECT_EQ(nfce.cupom.cpf_consumidor, "");
    ASSERT_EQ(nfce.cupom.linhas.size(), 1u);
    EXPECT_EQ(nfce.cupom.linhas[0].codigo, "9");
    EXPECT_EQ(nfce.cupom.linhas[0].descricao, "PÃO FRANCÊS KG");
    EXPECT_DOUBLE_EQ(nfce.cupom.total_tributos, 1.20);

    // A bare NF-e whose consumer is a company and whose consult URL is its QR code.
    const std::string nfe = R"(<NFe xmlns="http://www.portalfiscal.inf.br/nfe"><infNFe Id="NFe)" +
                            std::string(kChaveNFe) + R"(">
 <ide><mod>55</mod><serie>2</serie><nNF>89</nNF><dhEmi>2024-05-02T09:05:07-04:00</dhEmi></ide>
 <emit><CNPJ>44555666000199</CNPJ><xNome>ATACADO</xNome></emit>
 <dest><CNPJ>99888777000166</CNPJ><xNome>Empresa Cliente</xNome></dest>
 <total><ICMSTot><vNF>1200.00</vNF></ICMSTot></total></infNFe>
 <infNFeSupl><qrCode>https://nfe.exemplo/qr?p=9</qrCode></infNFeSupl></NFe>)";
    const Documento bare = xmlfiscal::LerDocumento(nfe);
    ASSERT_EQ(bare.tipo, Documento::kCupom) << bare.motivo;
    EXPECT_EQ(bare.cupom.data_hora, "20240502090507");
    EXPECT_EQ(bare.cupom.cpf_consumidor, "99888777000166");
    EXPECT_EQ(bare.cupom.url_consulta, "https://nfe.exemplo/qr?p=9");
    EXPECT_TRUE(bare.cupom.linhas.empty());

    // Texts as written: references to characters and "&amp;", a CDATA section, and an element's
    // first run of text only (a comment ends it).
    std::string escrito = std::string(nfe).replace(nfe.find("ATACADO"), 7, "Caf&#233; &amp; Cia");
    escrito.replace(escrito.find("https://nfe"), std::strlen("https://nfe.exemplo/qr?p=9"),
                    "<![CDATA[https://q/?p=1&b=<2>]]>");
    escrito.replace(escrito.find("</infNFe>"), 0,
                    "<infAdic><infCpl>\n Obrigado <!-- fim -->e volte</infCpl></infAdic>");
    const Documento textos = xmlfiscal::LerDocumento(escrito);
    ASSERT_EQ(textos.tipo, Documento::kCupom) << textos.motivo;
    EXPECT_EQ(textos.cupom.emitente[3], "Café & Cia");
    EXPECT_EQ(textos.cupom.url_consulta, "https://q/?p=1&b=<2>");
    EXPECT_EQ(textos.cupom.obs_cupom, "Obrigado");

    // Another single-byte encoding, through the toolkit's converter.
    std::string cp1252 = Latin1(CFe());
    cp1252.replace(cp1252.find("UTF-8"), 5, "windows-1252");
    EXPECT_EQ(xmlfiscal::LerDocumento(cp1252).cupom.emitente[8], "São Paulo");
}

TEST(DocumentoFiscal, CancellationsGiveTheirKeyAndStoreNothing) {
    const Documento cfe = xmlfiscal::LerDocumento(
        R"(<CFeCanc><infCFe chCanc="CFe)" + std::string(kChaveCFe) +
        R"(" Id="CFe35240111222333000181599000012340001246543213"><ide/></infCFe></CFeCanc>)");
    EXPECT_EQ(cfe.tipo, Documento::kCancelamento) << cfe.motivo;
    EXPECT_EQ(cfe.chave, kChaveCFe);

    const auto evento = [](const char* tipo) {
        return std::string(R"(<procEventoNFe xmlns="http://www.portalfiscal.inf.br/nfe"><evento>)"
                           R"(<infEvento><chNFe>)") +
               kChaveNFCe + "</chNFe><tpEvento>" + tipo + "</tpEvento></infEvento></evento>" +
               "</procEventoNFe>";
    };
    const Documento nfe = xmlfiscal::LerDocumento(evento("110111"));
    EXPECT_EQ(nfe.tipo, Documento::kCancelamento) << nfe.motivo;
    EXPECT_EQ(nfe.chave, kChaveNFCe);
    // Another event (a correction letter) is not a cancellation.
    EXPECT_EQ(xmlfiscal::LerDocumento(evento("110110")).tipo, Documento::kRecusado);
}

TEST(DocumentoFiscal, RefusesEveryBadFileWithItsReason) {
    std::string chave_errada = kChaveCFe;
    chave_errada.back() = '9';
    const std::string inteiro = CFe();
    const auto utf16 = [](std::string_view ascii) {
        std::string s = "\xFF\xFE";
        for (char c : ascii) s += {c, '\0'};
        return s;
    };
    const std::pair<std::string, std::string> casos[] = {
        {"isto não é XML", "não é um XML válido"},
        {"", "não é um XML válido"},
        {inteiro.substr(0, inteiro.size() / 2), "não é um XML válido"},
        {"<html><body>Erro 500</body></html>", "não é um CF-e, uma NFC-e nem uma NF-e (raiz html)"},
        {CFe(chave_errada), "dígito verificador errado"},
        {CFe("3524011122233300018159900001234000123654321"), "chave de acesso inválida"},
        {CFe(""), "falta a chave de acesso"},
        {CFe(kChaveCFe, "", ""), "falta o campo vCFe"},
        {CFe(kChaveCFe, "", "<vCFe>12,50</vCFe>"), "não é um número no campo vCFe (\"12,50\")"},
        {std::string(inteiro).replace(inteiro.find("<CNPJ>11222333000181</CNPJ>"), 27, ""),
         "falta o campo CNPJ"},
        {std::string(inteiro).replace(inteiro.find("<dEmi>20240105</dEmi>"), 21, ""),
         "falta o campo dEmi"},
        {std::string(inteiro).replace(inteiro.find("101500"), 6, "10:500"),
         "data e hora de emissão inválidas"},
        // A DTD is never read: no external entity is fetched, no entity expanded.
        {R"(<?xml version="1.0"?><!DOCTYPE CFe [<!ENTITY x SYSTEM "file:///etc/passwd">]>)"
         "<CFe>&x;</CFe>",
         "DTD"},
        {R"(<?xml version="1.0"?><!DOCTYPE l [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">)"
         R"(]><l>&b;&b;&b;</l>)",
         "DTD"},
        {utf16(R"(<!DOCTYPE l [<!ENTITY a "a">]><l>&a;</l>)"), "DTD"},
        {std::string(xmlfiscal::kMaiorArquivo + 1, ' '), "arquivo maior que 20 MB"},
        // Bytes that are not what the file declares, a control character, a second root.
        {Latin1(inteiro), "não é um XML válido (erro na linha 6)"},
        {"<CFe>\x01</CFe>", "não é um XML válido"},
        {"<CFe>\n&#xD800;&#0;</CFe>", "não é um XML válido (erro na linha 2)"},
        {"<CFe/>\n<CFe/>", "não é um XML válido (erro na linha 2)"},
        {std::string("\0\0\0<l/e\x80", 8), "não é um XML válido"},  // UTF-32 past U+10FFFF
        // A DTD that only the declared encoding hides; a batch of receipts in one file; a
        // moment without its seconds.
        {R"(<?xml version="1.0" encoding="UTF-7"?>+ADw-!DOCTYPE l +AFs-+AF0-+AD4-<l/>)", "DTD"},
        {"<lote>" + inteiro.substr(inteiro.find("<envCFe>")) +
             inteiro.substr(inteiro.find("<envCFe>")) + "</lote>",
         "o arquivo tem 2 documentos"},
        {std::string(kNFCe).replace(std::string(kNFCe).find("T18:30:00"), 9, "T18:30"),
         "no campo dhEmi (\"2024-03-10T18:30-03:00\")"},
    };
    for (const auto& [bytes, motivo] : casos) {
        const Documento d = xmlfiscal::LerDocumento(bytes);
        EXPECT_EQ(d.tipo, Documento::kRecusado) << bytes.substr(0, 80);
        EXPECT_NE(d.motivo.find(motivo), std::string::npos)
            << "reason: " << d.motivo << "\nexpected: " << motivo;
    }
}

TEST(DocumentoFiscal, KeyCheckDigitIsModulus11) {
    EXPECT_TRUE(xmlfiscal::ChaveValida(kChaveCFe));
    EXPECT_TRUE(xmlfiscal::ChaveValida(kChaveNFe));
    // A remainder of 0 or 1 gives the check digit 0.
    EXPECT_TRUE(xmlfiscal::ChaveValida("00000000000000000000000000000000000000000000"));
    EXPECT_FALSE(xmlfiscal::ChaveValida("35240544555666000199550020000000891876543215"));
    EXPECT_FALSE(xmlfiscal::ChaveValida("3524054455566600019955002000000089187654321"));
    EXPECT_FALSE(xmlfiscal::ChaveValida("3524054455566600019955002000000089187654321A"));
}

void Gravar(const std::filesystem::path& arquivo, const std::string& bytes) {
    std::filesystem::create_directories(arquivo.parent_path());
    std::ofstream(arquivo, std::ios::binary) << bytes;
}

void GravarZip(const std::string& arquivo,
               const std::vector<std::pair<std::string, std::string>>& conteudo) {
    wxFFileOutputStream saida(arquivo);
    wxZipOutputStream zip(saida);
    for (const auto& [nome, bytes] : conteudo) {
        zip.PutNextEntry(wxString::FromUTF8(nome));
        zip.Write(bytes.data(), bytes.size());
    }
}

long long Contar(BancoDados& banco, const char* sql) {
    long long n = -1;
    banco.PercorrerLinhas(sql, {}, [&n](const LinhaSql& l) {
        n = l.Inteiro(0);
        return false;
    });
    return n;
}

class ImportacaoXml : public teste::BancoTeste {};

TEST_F(ImportacaoXml, FolderAndZipGoInWholeTheRestRefusedWithTheirReasons) {
    std::string chave_errada = kChaveCFe;
    chave_errada.back() = '0';
    Gravar("notas/sub/cfe.xml", CFe());
    Gravar("notas/nfce.XML", kNFCe);
    Gravar("notas/ruim.xml", "isto não é XML");
    Gravar("notas/leia.txt", "não é lido");
    const std::string canc =
        R"(<CFeCanc><infCFe chCanc="CFe)" + std::string(kChaveCFe) + R"("></infCFe></CFeCanc>)";
    GravarZip("notas/lote.zip",
              {{"../fora.xml", CFe("35240111222333000181599000012340001246543210")},
               {"quebrado.xml", CFe(chave_errada)},
               {"canc.xml", canc}});

    const auto importar = [&](const std::vector<std::string>& caminhos) {
        return xmlfiscal::ImportarXml(*banco, caminhos, [](const std::string&) { return true; });
    };
    const xmlfiscal::ResumoImportacao r = importar({"notas"});
    EXPECT_FALSE(r.falhou) << r.erro;
    EXPECT_EQ(xmlfiscal::TextoResumo(r), "3 cupons importados, 0 já existentes, 2 recusados");
    ASSERT_EQ(r.recusados.size(), 2u);
    EXPECT_EQ(r.recusados[0].nome, "notas/lote.zip: quebrado.xml");
    EXPECT_NE(r.recusados[0].motivo.find("dígito verificador"), std::string::npos);
    EXPECT_EQ(r.recusados[1].nome, "notas/ruim.xml");
    ASSERT_EQ(r.cancelamentos.size(), 1u);
    EXPECT_EQ(r.cancelamentos[0].chave, kChaveCFe);
    EXPECT_TRUE(r.cancelamentos[0].guardado);

    EXPECT_EQ(Contar(*banco, "SELECT count(*) FROM cupom"), 3);
    EXPECT_EQ(Contar(*banco, "SELECT count(*) FROM cupom_item"), 5);  // 2 + 2 + 1
    EXPECT_EQ(Contar(*banco,
                     "SELECT count(*) FROM cupom WHERE id_zelkari = 0 AND "
                     "cpf_consumidor = '12345678909' AND numero_serie_sat = '900001234'"),
              2);

    // Again: every receipt already held, nothing changed; a stop before the end stores nothing.
    const xmlfiscal::ResumoImportacao de_novo = importar({"notas/sub/cfe.xml", "notas/nfce.XML"});
    EXPECT_EQ(xmlfiscal::TextoResumo(de_novo), "0 cupons importados, 2 já existentes, 0 recusados");
    Gravar("outras/a.xml", CFe("35240111222333000181599000012340001256543213"));
    Gravar("outras/b.xml", kNFCe);
    // Stopped while reading the second file, or while storing the first receipt.
    for (const int parar_em : {2, 3}) {
        int vistos = 0;
        const xmlfiscal::ResumoImportacao parada = xmlfiscal::ImportarXml(
            *banco, {"outras"}, [&](const std::string&) { return ++vistos < parar_em; });
        EXPECT_TRUE(parada.cancelada) << parar_em;
        EXPECT_EQ(Contar(*banco, "SELECT count(*) FROM cupom"), 3) << parar_em;
    }
}

TEST_F(ImportacaoXml, AZipThatUnpacksToOverAHundredTimesItsSizeIsRefusedWhole) {
    GravarZip("bomba.zip", {{"cfe.xml", CFe()}, {"zeros.xml", std::string(4 << 20, '0')}});
    const xmlfiscal::ResumoImportacao r =
        xmlfiscal::ImportarXml(*banco, {"bomba.zip"}, [](const std::string&) { return true; });
    ASSERT_EQ(r.recusados.size(), 1u);
    EXPECT_EQ(r.recusados[0].motivo, "zip compactado mais de 100 vezes");
    EXPECT_EQ(Contar(*banco, "SELECT count(*) FROM cupom"), 0);
}

// Both layouts and the zip hold the feed's receipts: same keys, moments, issuers, items and
// totals. Only what a layout writes in its own way differs: an NFC-e's series and unpadded
// number and its state's consult page, and no consult address in a CF-e.
TEST_F(ImportacaoXml, GeneratedFilesImportAsTheFeedsReceipts) {
    servico::OpcoesGerador opcoes;
    opcoes.anos = 1;
    opcoes.cupons_por_mes = 10;
    const nlohmann::json feed = servico::GerarCupons(opcoes);
    const servico::ResumoXml escritos = servico::EscreverXml(feed, "gerados");
    EXPECT_GT(escritos.cfe, 30);
    EXPECT_GT(escritos.nfce, 30);
    EXPECT_EQ(escritos.no_zip, 10);  // December's

    BancoDados do_xml("xml.db"), do_feed("feed.db");
    const auto importar = [](BancoDados& banco) {
        return xmlfiscal::ImportarXml(banco, {"gerados"}, [](const std::string&) { return true; });
    };
    EXPECT_EQ(xmlfiscal::TextoResumo(importar(do_xml)),
              "120 cupons importados, 0 já existentes, 0 recusados");
    do_feed.ImportarCupons(feed, [](wxString) { return true; });

    const teste::LeitorSql xml("xml.db"), json("feed.db");
    for (const char* sql : {
             "SELECT chave_acesso, data_hora_emissao, CAST(numero_cfe AS INTEGER), valor_total, "
             "total_tributos, obs_cupom, obs_inf, cnpj_emitente, cpf_consumidor, "
             "razao_social_consumidor FROM cupom ORDER BY chave_acesso",
             "SELECT c.chave_acesso, i.seq, i.codigo, i.descricao, i.qtde, i.un, i.valor_unit, "
             "i.tributos, i.valor_total, i.desconto FROM cupom_item i JOIN cupom c "
             "ON c.id = i.id_cupom ORDER BY 1, 2",
             "SELECT * FROM emitente ORDER BY cnpj",
         }) {
        const auto linhas = xml.Linhas(sql);
        EXPECT_GE(linhas.size(), 12u);  // the twelve issuers, at least
        EXPECT_EQ(linhas, json.Linhas(sql)) << sql;
    }
    EXPECT_EQ(xml.Contar("cupom WHERE url_consulta = '' AND length(numero_cfe) = 6"), escritos.cfe);
    EXPECT_EQ(xml.Contar("cupom WHERE url_consulta LIKE 'https://www.nfce.fazenda.sp.gov.br/%' "
                         "AND numero_serie_sat = '1'") +
                  xml.Contar("cupom WHERE url_consulta LIKE 'http://nfce.sefaz.ce.gov.br/%'"),
              escritos.nfce);

    // The files name the same receipts as the feed: after it, every one is already held.
    EXPECT_EQ(xmlfiscal::TextoResumo(importar(do_feed)),
              "0 cupons importados, 120 já existentes, 0 recusados");
}

}  // namespace
