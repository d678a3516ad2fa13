#include "relatorios/CsvRelatorios.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "base/DataHora.h"
#include "base/NumeroTexto.h"

namespace relatorios {
namespace {

constexpr int kCasasDinheiro = 2;
constexpr int kCasasPercentual = 2;
constexpr int kCasasIndice = 2;
constexpr int kCasasQuantidade = 3;

// Builds one record after another.
class RegistroCsv {
public:
    explicit RegistroCsv(std::string& saida) : saida_(saida) {}
    RegistroCsv& operator<<(std::string_view campo) {
        if (!primeiro_) saida_.push_back(',');
        primeiro_ = false;
        AcrescentarCampoCsv(saida_, campo);
        return *this;
    }
    RegistroCsv& operator<<(const std::string& campo) { return *this << std::string_view(campo); }
    RegistroCsv& operator<<(const char* campo) { return *this << std::string_view(campo); }
    RegistroCsv& operator<<(int valor) { return *this << std::to_string(valor); }
    void Fim() {
        saida_.push_back('\n');
        primeiro_ = true;
    }

private:
    std::string& saida_;
    bool primeiro_ = true;
};

std::string Cabecalho(std::initializer_list<const char*> colunas) {
    std::string saida;
    RegistroCsv registro(saida);
    for (const char* coluna : colunas) registro << coluna;
    registro.Fim();
    return saida;
}

}  // namespace

void AcrescentarCampoCsv(std::string& saida, std::string_view campo) {
    if (campo.find_first_of(",\"\r\n") == std::string_view::npos) {
        saida.append(campo);
        return;
    }
    saida.push_back('"');
    for (char c : campo) {
        if (c == '"') saida.push_back('"');
        saida.push_back(c);
    }
    saida.push_back('"');
}

std::string TextoDecimal(std::optional<double> valor, int casas) {
    if (!valor) return std::string();
    double v = *valor;
    if (std::round(v * std::pow(10.0, casas)) == 0) v = 0;
    return std::string(numero::Formatar(v, casas).utf8_str());
}

std::string TextoData(long long data_hora) {
    const datahora::Partes p = datahora::Separar(data_hora);
    char texto[16];
    std::snprintf(texto, sizeof texto, "%04d-%02d-%02d", p.ano, p.mes, p.dia);
    return texto;
}

std::string CsvLojas(const std::vector<LinhaLoja>& linhas) {
    std::string saida = Cabecalho(
        {"cnpj", "nome", "cupons", "total", "participacao", "ticket_medio", "ultima_visita"});
    RegistroCsv r(saida);
    for (const LinhaLoja& l : linhas) {
        r << l.cnpj << l.nome << l.cupons << TextoDecimal(l.total, kCasasDinheiro)
          << TextoDecimal(l.participacao, kCasasPercentual)
          << TextoDecimal(l.ticket_medio, kCasasDinheiro) << TextoData(l.ultima_visita);
        r.Fim();
    }
    return saida;
}

std::string CsvMeses(const std::vector<LinhaMes>& linhas) {
    std::string saida = Cabecalho({"mes", "total", "cupons", "ticket_medio", "variacao_ano"});
    RegistroCsv r(saida);
    for (const LinhaMes& l : linhas) {
        r << TextoMes(l.mes) << TextoDecimal(l.total, kCasasDinheiro) << l.cupons
          << TextoDecimal(l.ticket_medio, kCasasDinheiro)
          << TextoDecimal(l.variacao_ano, kCasasPercentual);
        r.Fim();
    }
    return saida;
}

std::string CsvAnos(const std::vector<LinhaAno>& linhas) {
    std::string saida = Cabecalho({"ano", "total", "cupons", "ticket_medio", "variacao"});
    RegistroCsv r(saida);
    for (const LinhaAno& l : linhas) {
        r << l.ano << TextoDecimal(l.total, kCasasDinheiro) << l.cupons
          << TextoDecimal(l.ticket_medio, kCasasDinheiro)
          << TextoDecimal(l.variacao, kCasasPercentual);
        r.Fim();
    }
    return saida;
}

std::string CsvAnoAAno(const AnoAAno& tabela) {
    std::string saida;
    RegistroCsv r(saida);
    r << "mes";
    for (int ano : tabela.anos) r << ano;
    r << "variacao";
    r.Fim();
    for (const AnoAAno::Linha& l : tabela.linhas) {
        if (l.mes == 0)
            r << kRotuloTotal;
        else
            r << l.mes;
        for (const std::optional<double>& total : l.totais)
            r << TextoDecimal(total, kCasasDinheiro);
        r << TextoDecimal(l.variacao, kCasasPercentual);
        r.Fim();
    }
    return saida;
}

std::string CsvProdutos(const std::vector<LinhaProduto>& linhas) {
    std::string saida = Cabecalho({"produto", "descricao", "compras", "quantidade", "unidade",
                                   "preco_medio", "total", "participacao"});
    RegistroCsv r(saida);
    for (const LinhaProduto& l : linhas) {
        r << TextoProduto(l.chave) << l.descricao << l.compras
          << TextoDecimal(l.quantidade, kCasasQuantidade) << l.unidade
          << TextoDecimal(l.preco_medio, kCasasDinheiro) << TextoDecimal(l.total, kCasasDinheiro)
          << TextoDecimal(l.participacao, kCasasPercentual);
        r.Fim();
    }
    return saida;
}

std::string CsvInflacao(const MinhaInflacao& inflacao) {
    std::string saida =
        Cabecalho({"mes", "indice", "variacao_mes", "variacao_12m", "produtos_comparados"});
    RegistroCsv r(saida);
    for (const LinhaInflacao& l : inflacao.meses) {
        r << TextoMes(l.mes) << TextoDecimal(l.indice, kCasasIndice)
          << TextoDecimal(l.variacao_mes, kCasasPercentual)
          << TextoDecimal(l.variacao_12m, kCasasPercentual) << l.produtos_comparados;
        r.Fim();
    }
    return saida;
}

}  // namespace relatorios
