#include "service/GeradorCupons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace servico {
namespace {

using nlohmann::json;

// splitmix64 with our own range mapping: the standard distributions give different sequences
// on different standard libraries, and the feed must be the same everywhere for a given seed.
class Aleatorio {
public:
    explicit Aleatorio(std::uint64_t semente) : estado_(semente) {}

    std::uint64_t Proximo() {
        std::uint64_t z = (estado_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [lo, hi], both inclusive (the modulo bias is far below anything visible here).
    std::int64_t Entre(std::int64_t lo, std::int64_t hi) {
        if (hi <= lo) return lo;
        const auto largura = static_cast<std::uint64_t>(hi - lo) + 1;
        return lo + static_cast<std::int64_t>(Proximo() % largura);
    }

    // Uniform in [0, 1).
    double Real() { return static_cast<double>(Proximo() >> 11) * 0x1.0p-53; }

    bool Chance(double p) { return Real() < p; }

private:
    std::uint64_t estado_;
};

enum class Ramo { Supermercado, Farmacia, Padaria, Posto, Hortifruti, Acougue };

struct Produto {
    const char* descricao;
    const char* un;  // "UN", "KG" or "L"
    int preco_min;   // cents, at the start of the span
    int preco_max;
};

// clang-format off
constexpr Produto kSupermercado[] = {
    {"ARROZ T1 TIO JOAO 5KG", "UN", 2190, 3290},
    {"FEIJ CARIOCA KICALDO 1KG", "UN", 699, 999},
    {"FEIJÃO PRETO CAMIL 1KG", "UN", 749, 1099},
    {"ACUC REF UNIAO 1KG", "UN", 429, 599},
    {"CAFE PILAO TRAD 500G", "UN", 1590, 2490},
    {"LEITE UHT INT ITALAC 1L", "UN", 449, 649},
    {"LTE UHT DESN PIRACANJUBA 1L", "UN", 469, 679},
    {"OLEO SOJA LIZA 900ML", "UN", 599, 899},
    {"MAC ESPAG RENATA 500G", "UN", 399, 649},
    {"MOL TOM POMAROLA TRAD 340G", "UN", 249, 399},
    {"FAR TRIGO DONA BENTA 1KG", "UN", 479, 699},
    {"SAL REF CISNE 1KG", "UN", 199, 329},
    {"MANT C/SAL AVIACAO 200G", "UN", 1099, 1599},
    {"MARG QUALY C/SAL 500G", "UN", 699, 999},
    {"QJO MUSS FAT KG", "KG", 3990, 5490},
    {"PRES COZ SADIA FAT KG", "KG", 2990, 4290},
    {"IOG NAT NESTLE 170G", "UN", 299, 449},
    {"REQUEIJÃO CREM VIGOR 200G", "UN", 749, 1099},
    {"OVOS BRANCOS GRANDES DZ", "UN", 899, 1399},
    {"PAO FORMA PULLMAN 500G", "UN", 799, 1199},
    {"BISC CREAM CRACKER MABEL 200G", "UN", 399, 599},
    {"BISC RECH CHOC TRAKINAS 126G", "UN", 249, 399},
    {"CHOC LACTA AO LEITE 90G", "UN", 549, 899},
    {"ACHOC PO NESCAU 400G", "UN", 799, 1199},
    {"REFRIG COCA COLA PET 2L", "UN", 899, 1199},
    {"SUCO INTEG LARANJA DEL VALLE 1L", "UN", 999, 1499},
    {"AGUA MIN S/GAS CRYSTAL 1,5L", "UN", 249, 399},
    {"CERV SKOL PILSEN LT 350ML", "UN", 349, 549},
    {"BANANA NANICA KG", "KG", 499, 799},
    {"MAÇÃ GALA KG", "KG", 899, 1399},
    {"TOMATE ITALIANO KG", "KG", 699, 1199},
    {"BATATA INGLESA KG", "KG", 499, 899},
    {"CEBOLA KG", "KG", 399, 799},
    {"ALFACE CRESPA UN", "UN", 249, 449},
    {"LIMÃO TAHITI KG", "KG", 399, 899},
    {"MAMÃO FORMOSA KG", "KG", 599, 999},
    {"CENOURA KG", "KG", 399, 699},
    {"FILE PEITO FGO CONG SEARA KG", "KG", 1790, 2490},
    {"COXA SOBRECOXA FGO KG", "KG", 1290, 1790},
    {"CARNE MOIDA PATINHO KG", "KG", 3990, 4990},
    {"ALCATRA BOV KG", "KG", 4490, 5990},
    {"LING TOSCANA PERDIGAO KG", "KG", 2190, 2990},
    {"SALS HOT DOG SADIA KG", "KG", 1290, 1890},
    {"DET LIQ YPE NEUTRO 500ML", "UN", 229, 349},
    {"SAB PO OMO LAV PERFEITA 1,6KG", "UN", 1890, 2790},
    {"AMAC COMFORT CONC 2L", "UN", 1390, 1990},
    {"AGUA SANIT QBOA 2L", "UN", 599, 899},
    {"PAPEL HIG NEVE F DUPLA 12RL", "UN", 1990, 2890},
    {"CR DENTAL COLGATE MPA 90G", "UN", 399, 699},
    {"SAB LUX BOTANICALS 85G", "UN", 199, 349},
    {"SH SEDA CERAMIDAS 325ML", "UN", 1290, 2190},
    {"ESPONJA MULTIUSO SCOTCH BRITE C/4", "UN", 449, 699},
    {"PÃO FRANCÊS KG", "KG", 1490, 1990},
    {"MILHO VERDE QUERO 170G", "UN", 249, 399},
    {"EXT TOM ELEFANTE 340G", "UN", 449, 649},
    {"ATUM RAL GOMES DA COSTA OLEO 170G", "UN", 799, 1199},
    {"SARD COQUEIRO OLEO 125G", "UN", 449, 699},
    {"AZEITE EXT VIRG GALLO 500ML", "UN", 2990, 4490},
    {"VINAGRE ALC CASTELO 750ML", "UN", 249, 399},
    {"MAION HELLMANNS 500G", "UN", 799, 1199},
    {"KETCHUP HEINZ TRAD 397G", "UN", 699, 999},
    {"GELAT ROYAL MORANGO 25G", "UN", 149, 249},
    {"FAR MAND YOKI 500G", "UN", 499, 799},
    {"FUBÁ MIMOSO SINHA 1KG", "UN", 399, 599},
    {"AVEIA FLOCOS QUAKER 200G", "UN", 449, 699},
    {"CR LEITE NESTLE 200G", "UN", 349, 549},
    {"LTE COND MOCA 395G", "UN", 599, 899},
    {"PIPOCA MICRO YOKI MANT 100G", "UN", 299, 449},
    {"SORVETE KIBON NAPOLITANO 2L", "UN", 1990, 2990},
    {"PIZZA SADIA MUSS 460G", "UN", 1490, 2190},
    {"LASANHA BOLONHESA PERDIGAO 600G", "UN", 1590, 2290},
    {"RACAO PEDIGREE ADULTO 1KG", "UN", 1590, 2290},
    {"GUARDANAPO SCALA 50UN", "UN", 299, 449},
};

constexpr Produto kFarmacia[] = {
    {"DIPIRONA SOD 500MG C/10 CPR", "UN", 599, 1199},
    {"PARACETAMOL 750MG 20CPR EMS", "UN", 899, 1599},
    {"IBUPROFENO 400MG 10CAPS", "UN", 1199, 1899},
    {"LORATADINA 10MG C/12 COMP", "UN", 999, 1699},
    {"OMEPRAZOL 20MG 28 CÁPS", "UN", 1490, 2990},
    {"VIT C 1G EFERV 10CPR", "UN", 1290, 2190},
    {"PROT SOLAR SUNDOWN FPS50 120ML", "UN", 3990, 6990},
    {"FIO DENTAL ORAL B 50M", "UN", 799, 1399},
    {"ESC DENTAL COLGATE MACIA", "UN", 899, 1599},
    {"ALCOOL GEL 70 500ML", "UN", 899, 1499},
    {"CURATIVO BAND AID C/10", "UN", 499, 899},
    {"SORO FISIOLÓGICO 0,9% 500ML", "UN", 599, 999},
    {"DESOD AER REXONA 150ML", "UN", 1390, 2190},
    {"FRALDA PAMPERS CONFORTSEC G 30UN", "UN", 4990, 7990},
    {"HIDRAT CORP NIVEA 400ML", "UN", 1990, 3490},
    {"ENXAG BUCAL LISTERINE 500ML", "UN", 1690, 2890},
};

constexpr Produto kPadaria[] = {
    {"PÃO FRANCÊS KG", "KG", 1490, 1990},
    {"PÃO DE QUEIJO KG", "KG", 3990, 5990},
    {"CAFE EXPRESSO", "UN", 499, 799},
    {"CAFÉ C/ LEITE 300ML", "UN", 699, 999},
    {"CROISSANT PRES QJO", "UN", 899, 1299},
    {"BOLO CENOURA C/ CHOC KG", "KG", 3990, 5490},
    {"SONHO CREME", "UN", 599, 899},
    {"COXINHA FRANGO", "UN", 699, 999},
    {"PASTEL CARNE", "UN", 799, 1099},
    {"SUCO LARANJA NAT 500ML", "UN", 899, 1299},
    {"MISTO QUENTE", "UN", 999, 1499},
    {"PAO FORMA CASEIRO", "UN", 1290, 1690},
    {"LEITE PAST TIPO C 1L", "UN", 499, 699},
    {"BROA MILHO", "UN", 399, 599},
};

// The first three are the fuels: every receipt of a petrol station starts with one of them.
constexpr Produto kPosto[] = {
    {"GASOLINA COMUM", "L", 549, 649},
    {"ETANOL COMUM", "L", 379, 459},
    {"DIESEL S10", "L", 589, 659},
    {"AGUA MIN S/GAS 500ML", "UN", 300, 500},
    {"ADITIVO RADIADOR PARAFLU 1L", "UN", 2990, 3990},
    {"OLEO LUBRIF 5W30 1L", "UN", 3990, 5490},
    {"LIMPA PARA-BRISA 500ML", "UN", 1490, 2190},
};

constexpr Produto kHortifruti[] = {
    {"BANANA PRATA KG", "KG", 599, 899},
    {"MAÇÃ FUJI KG", "KG", 999, 1499},
    {"LARANJA PERA KG", "KG", 349, 599},
    {"TOMATE CARMEM KG", "KG", 699, 1199},
    {"BATATA LAVADA KG", "KG", 499, 899},
    {"CEBOLA ROXA KG", "KG", 599, 999},
    {"ALHO NACIONAL KG", "KG", 2490, 3490},
    {"MANGA PALMER KG", "KG", 599, 999},
    {"ABACAXI PÉROLA UN", "UN", 699, 1099},
    {"MELANCIA KG", "KG", 299, 499},
    {"UVA NIÁGARA 500G", "UN", 899, 1399},
    {"MORANGO BDJ 250G", "UN", 799, 1299},
    {"ALFACE AMERICANA UN", "UN", 399, 599},
    {"COUVE MANTEIGA MC", "UN", 299, 449},
    {"CHEIRO VERDE MC", "UN", 249, 399},
    {"ABOBRINHA ITALIANA KG", "KG", 499, 899},
    {"PIMENTÃO VERDE KG", "KG", 699, 1199},
    {"OVOS VERMELHOS DZ", "UN", 999, 1499},
};

constexpr Produto kAcougue[] = {
    {"PICANHA BOV KG", "KG", 6990, 9990},
    {"CONTRA FILE BOV KG", "KG", 4990, 6490},
    {"FRALDINHA BOV KG", "KG", 3990, 4990},
    {"COSTELA BOV KG", "KG", 2490, 3290},
    {"PATINHO MOÍDO KG", "KG", 3990, 4790},
    {"LING CUIABANA KG", "KG", 2490, 3290},
    {"CORACAO FGO KG", "KG", 2990, 3990},
    {"ASA FGO KG", "KG", 1990, 2690},
    {"PERNIL SUINO KG", "KG", 2190, 2890},
    {"CARVÃO VEGETAL 5KG", "UN", 2490, 3490},
    {"SAL GROSSO 1KG", "UN", 299, 499},
    {"FAROFA PRONTA YOKI 500G", "UN", 599, 899},
};
// clang-format on

struct PerfilRamo {
    std::span<const Produto> produtos;
    int itens_min;
    int itens_max;
    int obrigatorios;  // the first item is drawn from this many leading products (0: any)
    double tributo_min;
    double tributo_max;
};

PerfilRamo Perfil(Ramo ramo) {
    switch (ramo) {
        case Ramo::Supermercado:
            return {kSupermercado, 12, 45, 0, 0.20, 0.32};
        case Ramo::Farmacia:
            return {kFarmacia, 1, 5, 0, 0.27, 0.35};
        case Ramo::Padaria:
            return {kPadaria, 1, 7, 0, 0.18, 0.25};
        case Ramo::Posto:
            return {kPosto, 1, 2, 3, 0.35, 0.45};
        case Ramo::Hortifruti:
            return {kHortifruti, 3, 14, 0, 0.05, 0.12};
        case Ramo::Acougue:
            return {kAcougue, 1, 6, 0, 0.10, 0.20};
    }
    return {kSupermercado, 12, 45, 0, 0.20, 0.32};
}

struct Emissor {
    Ramo ramo;
    int peso;          // relative share of receipts
    const char* raiz;  // first 8 digits of the CNPJ (the branch is always 0001)
    const char* ie;
    const char* im;
    const char* nome;
    const char* fantasia;
    const char* endereco;
    const char* bairro;
    const char* cep;
    const char* municipio;
    const char* uf;     // IBGE state code, the first two digits of the access key
    const char* serie;  // serial number of the fiscal device (9 digits)
};

// clang-format off
constexpr Emissor kEmissores[] = {
    {Ramo::Supermercado, 16, "12345678", "112233445110", "30817755", "SUPERMERCADO BOA VISTA LTDA", "Supermercado Boa Vista",
     "AV. CELSO GARCIA, 1520", "TATUAPÉ", "03015000", "São Paulo", "35", "900012345"},
    {Ramo::Supermercado, 14, "23456781", "244556677118", "41928866", "SUPERMERCADOS IRMÃOS FERREIRA LTDA", "Ferreira Supermercados",
     "RUA DOS BANDEIRANTES, 310", "CENTRO", "13010091", "Campinas", "35", "900023456"},
    {Ramo::Supermercado, 12, "34567812", "366778899112", "52039977", "ATACADÃO ECONOMIA COMÉRCIO DE ALIMENTOS LTDA", "Atacadão Economia",
     "ROD. ANHANGUERA, KM 104", "JARDIM NOVA EUROPA", "13045390", "Campinas", "35", "900034567"},
    {Ramo::Supermercado, 14, "45678123", "633445566110", "63140088", "SUPERMERCADO PRAIA MAR LTDA", "Praia Mar Supermercados",
     "AV. ANA COSTA, 455", "GONZAGA", "11060003", "Santos", "35", "900045678"},
    {Ramo::Supermercado, 10, "56781234", "061234567", "0123456", "COMERCIAL DE ALIMENTOS NORDESTE LTDA", "Mercadinho Nordeste",
     "AV. BEZERRA DE MENEZES, 2200", "SÃO GERARDO", "60325004", "Fortaleza", "23", "210045612"},
    {Ramo::Supermercado, 12, "67812345", "795566778119", "74251199", "SUPERMERCADO SANTA LUZIA EIRELI", "Santa Luzia",
     "RUA BARÃO DE JAGUARA, 1010", "CENTRO", "13015002", "Campinas", "35", "900056789"},
    {Ramo::Farmacia, 5, "78123456", "111222333114", "85362200", "DROGARIA SAÚDE & VIDA LTDA", "Drogaria Saúde & Vida",
     "RUA AUGUSTA, 1800", "CONSOLAÇÃO", "01304001", "São Paulo", "35", "900067890"},
    {Ramo::Farmacia, 2, "81234567", "069876543", "0234567", "DROGARIA BOM JESUS LTDA", "Farmácia Bom Jesus",
     "RUA BARÃO DO RIO BRANCO, 880", "CENTRO", "60025060", "Fortaleza", "23", "210056723"},
    {Ramo::Padaria, 7, "13572468", "114455667111", "96473311", "PANIFICADORA TRIGO DOURADO LTDA", "Padaria Trigo Dourado",
     "RUA TUIUTI, 1250", "TATUAPÉ", "03307005", "São Paulo", "35", "900078901"},
    {Ramo::Posto, 4, "24681357", "645566778113", "17584422", "AUTO POSTO ESTRELA DO VALE LTDA", "Posto Estrela do Vale",
     "AV. ANDRÔMEDA, 3000", "JARDIM SATÉLITE", "12230000", "São José dos Campos", "35", "900089012"},
    {Ramo::Hortifruti, 2, "35791246", "582233445116", "28695533", "HORTIFRUTI VERDE CAMPO COMÉRCIO LTDA", "Verde Campo Hortifruti",
     "AV. PRESIDENTE VARGAS, 1600", "JARDIM SUMARÉ", "14025700", "Ribeirão Preto", "35", "900090123"},
    {Ramo::Acougue, 2, "46813579", "669988776115", "39706644", "CASA DE CARNES BOI NOBRE LTDA", "Açougue Boi Nobre",
     "RUA XV DE NOVEMBRO, 420", "CENTRO", "18010081", "Sorocaba", "35", "900101234"},
};
// clang-format on

int DigitoCnpj(const std::string& base, std::span<const int> pesos) {
    int soma = 0;
    for (std::size_t i = 0; i < pesos.size(); ++i) soma += (base[i] - '0') * pesos[i];
    const int resto = soma % 11;
    return resto < 2 ? 0 : 11 - resto;
}

std::string Cnpj(const char* raiz) {
    static constexpr std::array<int, 12> kPesos1{5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    static constexpr std::array<int, 13> kPesos2{6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    std::string cnpj = std::string(raiz) + "0001";
    cnpj += static_cast<char>('0' + DigitoCnpj(cnpj, kPesos1));
    cnpj += static_cast<char>('0' + DigitoCnpj(cnpj, kPesos2));
    return cnpj;
}

// Modulo-11 check digit of a fiscal document access key (weights 2..9 from the right).
char DigitoChave(const std::string& chave43) {
    int soma = 0;
    int peso = 2;
    for (auto it = chave43.rbegin(); it != chave43.rend(); ++it) {
        soma += (*it - '0') * peso;
        peso = peso == 9 ? 2 : peso + 1;
    }
    const int dv = 11 - soma % 11;
    return static_cast<char>('0' + (dv >= 10 ? 0 : dv));
}

// A stable EAN-13 for a product description, so a product keeps its code across issuers.
std::string Ean13(const char* descricao) {
    std::uint64_t h = 1469598103934665603ULL;
    for (const char* p = descricao; *p; ++p) {
        h ^= static_cast<unsigned char>(*p);
        h *= 1099511628211ULL;
    }
    char corpo[16];
    std::snprintf(corpo, sizeof corpo, "789%09llu",
                  static_cast<unsigned long long>(h % 1000000000ULL));
    int soma = 0;
    for (int i = 0; i < 12; ++i) soma += (corpo[i] - '0') * (i % 2 == 0 ? 1 : 3);
    std::string ean(corpo, 12);
    ean += static_cast<char>('0' + (10 - soma % 10) % 10);
    return ean;
}

std::string Digitos(std::uint64_t valor, int largura) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llu", largura, static_cast<unsigned long long>(valor));
    return buf;
}

double Reais(std::int64_t centavos) {
    return static_cast<double>(centavos) / 100.0;
}

std::string ReaisTexto(std::int64_t centavos) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld,%02lld", static_cast<long long>(centavos / 100),
                  static_cast<long long>(centavos % 100));
    return buf;
}

int DiasNoMes(int ano, int mes) {
    static constexpr int kDias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bissexto = (ano % 4 == 0 && ano % 100 != 0) || ano % 400 == 0;
    return mes == 2 && bissexto ? 29 : kDias[mes - 1];
}

std::string UrlConsulta(const std::string& uf, const std::string& chave) {
    if (uf == "23") return "https://cfe.sefaz.ce.gov.br/mfe/consultacfe?chaveAcesso=" + chave;
    return "https://satsp.fazenda.sp.gov.br/COMSAT/Public/ConsultaPublica/"
           "ConsultaPublicaCfe.aspx?chaveCFe=CFe" +
           chave;
}

constexpr const char* kOperadores[] = {"ANA PAULA",  "JOSÉ CARLOS", "MARIA APARECIDA",
                                       "JOÃO VITOR", "FRANCISCA",   "LUCAS"};

struct EmissorPronto {
    const Emissor* dados;
    std::string cnpj;
    json objeto;
    std::int64_t proximo_cfe;
};

json GerarItens(Aleatorio& rnd, const PerfilRamo& perfil, double inflacao,
                std::int64_t& soma_liquida, std::int64_t& soma_tributos) {
    const int n = static_cast<int>(rnd.Entre(perfil.itens_min, perfil.itens_max));
    // Distinct products while the catalogue lasts, as on a real receipt.
    std::vector<int> ordem(perfil.produtos.size());
    for (std::size_t i = 0; i < ordem.size(); ++i) ordem[i] = static_cast<int>(i);
    for (std::size_t i = ordem.size(); i > 1; --i) {
        std::swap(ordem[i - 1],
                  ordem[static_cast<std::size_t>(rnd.Entre(0, static_cast<std::int64_t>(i) - 1))]);
    }
    if (perfil.obrigatorios > 0) {
        const auto principal = static_cast<int>(rnd.Entre(0, perfil.obrigatorios - 1));
        std::iter_swap(ordem.begin(), std::find(ordem.begin(), ordem.end(), principal));
        // The other leading products (the other fuels) never come as extra lines.
        std::stable_partition(ordem.begin() + 1, ordem.end(),
                              [&](int i) { return i >= perfil.obrigatorios; });
    }

    json itens = json::array();
    for (int seq = 1; seq <= n; ++seq) {
        const std::size_t escolha =
            static_cast<std::size_t>(seq - 1) < ordem.size()
                ? static_cast<std::size_t>(ordem[static_cast<std::size_t>(seq - 1)])
                : static_cast<std::size_t>(rnd.Entre(
                      perfil.obrigatorios, static_cast<std::int64_t>(perfil.produtos.size()) - 1));
        const Produto& p = perfil.produtos[escolha];
        const std::string un = p.un;

        std::int64_t qtde_mil;  // quantity in thousandths
        if (un == "KG") {
            qtde_mil = rnd.Entre(150, 2000);
        } else if (un == "L") {
            qtde_mil = rnd.Entre(15000, 50000);
        } else {
            const double r = rnd.Real();
            qtde_mil = 1000 * (r < 0.75 ? 1 : r < 0.92 ? 2 : rnd.Entre(3, 6));
        }
        const auto unit = static_cast<std::int64_t>(
            std::llround(static_cast<double>(rnd.Entre(p.preco_min, p.preco_max)) * inflacao));
        // Keep clear of exact half cents, where rounding the product of the two decimals in
        // floating point could land on either side and a reader's check would disagree.
        if ((qtde_mil * unit) % 1000 == 500) ++qtde_mil;
        const std::int64_t total = (qtde_mil * unit + 500) / 1000;
        std::int64_t desconto = 0;
        if (total >= 20 && rnd.Chance(0.07))
            desconto = rnd.Entre(1, std::min<std::int64_t>(99, total / 10));
        const double taxa =
            perfil.tributo_min + (perfil.tributo_max - perfil.tributo_min) * rnd.Real();
        const auto tributos =
            static_cast<std::int64_t>(std::llround(static_cast<double>(total - desconto) * taxa));

        soma_liquida += total - desconto;
        soma_tributos += tributos;
        // Member by member: much cheaper than an initializer list in unoptimised builds, which
        // matters for the test suites that generate large feeds.
        json item = json::object();
        item["seq"] = seq;
        item["codigo"] = Ean13(p.descricao);
        item["descricao"] = p.descricao;
        item["qtde"] = static_cast<double>(qtde_mil) / 1000.0;
        item["un"] = un;
        item["valor_unit"] = Reais(unit);
        item["tributos"] = Reais(tributos);
        item["valor_total"] = Reais(total);
        item["desconto"] = Reais(desconto);
        itens.push_back(std::move(item));
    }
    return itens;
}

}  // namespace

json GerarCupons(const OpcoesGerador& opcoes) {
    Aleatorio rnd(opcoes.semente);

    std::vector<EmissorPronto> emissores;
    int peso_total = 0;
    for (const Emissor& e : kEmissores) {
        EmissorPronto pronto{&e, Cnpj(e.raiz), json::object(), rnd.Entre(1000, 200000)};
        pronto.objeto = {{"cnpj", pronto.cnpj},
                         {"ie", e.ie},
                         {"im", e.im},
                         {"nome", e.nome},
                         {"fantasia", e.fantasia},
                         {"endereco", e.endereco},
                         {"bairro", e.bairro},
                         {"cep", e.cep},
                         {"municipio", e.municipio}};
        emissores.push_back(std::move(pronto));
        peso_total += e.peso;
    }

    json cupons = json::array();
    std::unordered_set<std::string> chaves;
    std::int64_t id = opcoes.primeiro_id;
    const int meses = std::max(0, opcoes.anos) * 12;
    const int por_mes = std::max(0, opcoes.cupons_por_mes);
    const int ano_inicial = opcoes.fim > 0
                                ? static_cast<int>(opcoes.fim / 10'000'000'000) - meses / 12 + 1
                                : opcoes.ano_inicial;

    for (int m = 0; m < meses; ++m) {
        const int ano = ano_inicial + m / 12;
        const int mes = m % 12 + 1;
        if (opcoes.fim > 0 && (ano * 100LL + mes) * 100'000'000 > opcoes.fim) break;
        const double inflacao = 1.0 + 0.004 * m;

        // Moments within the month during opening hours, sorted so the dates rise with the ids.
        const std::int64_t kAbre = 7 * 3600, kFecha = 22 * 3600;
        std::vector<std::int64_t> momentos(static_cast<std::size_t>(por_mes));
        for (auto& t : momentos) {
            t = (rnd.Entre(1, DiasNoMes(ano, mes)) - 1) * 86400 + rnd.Entre(kAbre, kFecha - 1);
        }
        std::sort(momentos.begin(), momentos.end());
        for (std::size_t i = 1; i < momentos.size(); ++i) {
            momentos[i] = std::max(momentos[i], momentos[i - 1] + 1);
        }

        for (const std::int64_t t : momentos) {
            const std::int64_t dia = t / 86400 + 1, seg = t % 86400;
            const std::string data = Digitos(static_cast<std::uint64_t>(ano), 4) +
                                     Digitos(static_cast<std::uint64_t>(mes), 2) +
                                     Digitos(static_cast<std::uint64_t>(dia), 2) +
                                     Digitos(static_cast<std::uint64_t>(seg / 3600), 2) +
                                     Digitos(static_cast<std::uint64_t>(seg / 60 % 60), 2) +
                                     Digitos(static_cast<std::uint64_t>(seg % 60), 2);
            // Stopping before any further draw leaves every earlier receipt as a later end
            // would make it.
            if (opcoes.fim > 0 && std::stoll(data) > opcoes.fim) break;

            std::int64_t sorteio = rnd.Entre(0, peso_total - 1);
            std::size_t qual = 0;
            while (sorteio >= kEmissores[qual].peso) sorteio -= kEmissores[qual++].peso;
            EmissorPronto& em = emissores[qual];
            const PerfilRamo perfil = Perfil(em.dados->ramo);

            // Other customers' receipts come in between, so the numbers skip ahead.
            const std::int64_t cfe = em.proximo_cfe;
            em.proximo_cfe += rnd.Entre(1, 40);
            if (em.proximo_cfe > 999999) em.proximo_cfe -= 999999;
            const std::string numero_cfe = Digitos(static_cast<std::uint64_t>(cfe), 6);

            std::string chave;
            do {
                const std::string sem_dv =
                    std::string(em.dados->uf) + data.substr(2, 4) + em.cnpj + "59" +
                    em.dados->serie + numero_cfe +
                    Digitos(static_cast<std::uint64_t>(rnd.Entre(0, 999999)), 6);
                chave = sem_dv + DigitoChave(sem_dv);
            } while (!chaves.insert(chave).second);

            std::int64_t total = 0, tributos = 0;
            json itens = GerarItens(rnd, perfil, inflacao, total, tributos);

            json cupom = {{"id", id++},
                          {"data_hora_emissao", data},
                          {"numero_cfe", numero_cfe},
                          {"numero_serie_sat", em.dados->serie},
                          {"chave_acesso", chave},
                          {"valor_total", Reais(total)},
                          {"total_tributos", Reais(tributos)},
                          {"emitente", em.objeto},
                          {"itens", std::move(itens)}};
            cupom["url_consulta"] =
                rnd.Chance(0.05) ? json(nullptr) : json(UrlConsulta(em.dados->uf, chave));

            // The optional texts come in all three shapes: text, null and missing.
            const double r_obs = rnd.Real();
            if (r_obs < 0.5) {
                cupom["obs_cupom"] = "Valor aproximado dos tributos deste cupom R$ " +
                                     ReaisTexto(tributos) + " (Lei Federal 12.741/2012)";
            } else if (r_obs < 0.75) {
                cupom["obs_cupom"] = nullptr;
            }
            const double r_inf = rnd.Real();
            if (r_inf < 0.2) {
                cupom["obs_inf"] = "Obrigado pela preferência! Volte sempre.";
            } else if (r_inf < 0.4) {
                cupom["obs_inf"] = std::string("Caixa ") +
                                   Digitos(static_cast<std::uint64_t>(rnd.Entre(1, 12)), 2) +
                                   " - Operador: " + kOperadores[rnd.Entre(0, 5)];
            } else if (r_inf < 0.7) {
                cupom["obs_inf"] = nullptr;
            }
            cupons.push_back(std::move(cupom));
        }
    }
    return cupons;
}

std::optional<long long> LerInteiroOpcao(const std::string& texto) {
    try {
        std::size_t usados = 0;
        const long long valor = std::stoll(texto, &usados);
        if (usados == texto.size()) return valor;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

std::int64_t MomentoAtual() {
    const std::time_t agora = std::time(nullptr);
    std::tm local{};
    localtime_r(&agora, &local);
    return ((((local.tm_year + 1900LL) * 100 + local.tm_mon + 1) * 100 + local.tm_mday) * 100 +
            local.tm_hour) *
               10000 +
           local.tm_min * 100 + local.tm_sec;
}

namespace {

// AAAA-MM-DD (to the last second of that day) or AAAA-MM-DDThh:mm:ss as AAAAMMDDhhmmss; nothing
// when the text has another form or is no real date and time.
std::optional<std::int64_t> LerMomento(const std::string& texto) {
    constexpr std::string_view kModelo = "0000-00-00T00:00:00";
    if (texto.size() != 10 && texto.size() != kModelo.size()) return std::nullopt;
    std::int64_t n = 0;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const bool digito = texto[i] >= '0' && texto[i] <= '9';
        if (digito != (kModelo[i] == '0') || (!digito && texto[i] != kModelo[i]))
            return std::nullopt;
        if (digito) n = n * 10 + (texto[i] - '0');
    }
    if (texto.size() == 10) n = n * 1'000'000 + 235959;
    const int ano = static_cast<int>(n / 10'000'000'000),
              mes = static_cast<int>(n / 100'000'000 % 100);
    const auto dia = n / 1'000'000 % 100, hora = n / 10'000 % 100, minuto = n / 100 % 100;
    if (mes < 1 || mes > 12 || dia < 1 || dia > DiasNoMes(ano, mes) || hora > 23 || minuto > 59 ||
        n % 100 > 59)
        return std::nullopt;
    return n;
}

}  // namespace

bool AplicarOpcaoGerador(OpcoesGerador& opcoes, const std::string& opcao, const std::string& valor) {
    if (opcao == "--end-date") {
        const auto momento = LerMomento(valor);
        if (!momento)
            throw std::invalid_argument(
                "data inválida para --end-date (AAAA-MM-DD ou AAAA-MM-DDThh:mm:ss): " + valor);
        opcoes.fim = *momento;
        return true;
    }
    int* inteiro = opcao == "--years"        ? &opcoes.anos
                   : opcao == "--per-month"  ? &opcoes.cupons_por_mes
                   : opcao == "--start-year" ? &opcoes.ano_inicial
                                             : nullptr;
    if (!inteiro && opcao != "--seed") return false;
    const auto numero = LerInteiroOpcao(valor);
    if (!numero) throw std::invalid_argument("valor inválido para " + opcao + ": " + valor);
    if (opcao == "--start-year") opcoes.fim = 0;  // whole years from that one, as asked
    if (inteiro)
        *inteiro = static_cast<int>(*numero);
    else
        opcoes.semente = static_cast<std::uint64_t>(*numero);
    return true;
}

}  // namespace servico
