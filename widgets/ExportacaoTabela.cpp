#include "widgets/ExportacaoTabela.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

namespace controles {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kFimRegistro = "\r\n";
constexpr std::size_t kTamanhoPedaco = std::size_t{1} << 20;
constexpr int kTentativasTemporario = 100;

bool Branco(char c) {
    return c == ' ' || c == '\t';
}

bool Digito(char c) {
    return c >= '0' && c <= '9';
}

// Whether the whole text is a number as SQLite writes it (sign, digits, a decimal `separador`,
// digits, exponent), and where its separator stands (npos when it has none).
bool Numero(std::string_view t, char separador, std::size_t& ponto) {
    std::size_t i = 0, digitos = 0;
    ponto = std::string_view::npos;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    for (; i < t.size() && Digito(t[i]); ++i) ++digitos;
    if (i < t.size() && t[i] == separador) ponto = i++;
    for (; i < t.size() && Digito(t[i]); ++i) ++digitos;
    if (digitos == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
        if (i == t.size() || !Digito(t[i])) return false;
        while (i < t.size() && Digito(t[i])) ++i;
    }
    return i == t.size();
}

// Position of the decimal point of a number, or npos: text that only looks partly like a number
// keeps its points.
std::size_t PontoDecimal(std::string_view t) {
    std::size_t ponto;
    return Numero(t, '.', ponto) ? ponto : std::string_view::npos;
}

// A spreadsheet takes a cell that begins with one of these for a formula, and runs it: a
// description such as "=1+1 PROMO" must stay text. A number ("-1.50", "-1,50") is no formula.
bool PareceFormula(std::string_view campo, char separador_decimal) {
    if (campo.empty() || std::string_view("=+-@\t\r").find(campo.front()) == std::string_view::npos)
        return false;
    std::size_t ponto;
    return !Numero(campo, separador_decimal, ponto);
}

void AcrescentarEntreAspas(std::string& saida, std::string_view campo) {
    saida.push_back('"');
    for (char c : campo) {
        if (c == '"') saida.push_back('"');
        saida.push_back(c);
    }
    saida.push_back('"');
}

void AcrescentarCampoCsv(std::string& saida, std::string_view campo, std::string_view especiais) {
    const bool aspas = !campo.empty() && (Branco(campo.front()) || Branco(campo.back()) ||
                                          campo.find_first_of(especiais) != campo.npos);
    if (aspas)
        AcrescentarEntreAspas(saida, campo);
    else
        saida.append(campo);
}

void AcrescentarCampoTabulado(std::string& saida, std::string_view campo) {
    if (!campo.empty() && (campo.front() == '"' || campo.find_first_of("\t\r\n") != campo.npos))
        AcrescentarEntreAspas(saida, campo);
    else
        saida.append(campo);
}

std::vector<int> ColunasVisiveis(const OrigemTabela& tabela) {
    std::vector<int> colunas;
    for (int c = 0; c < tabela.NumeroColunas(); ++c)
        if (tabela.ColunaVisivel(c)) colunas.push_back(c);
    return colunas;
}

// Every index covered by at least one of the ranges, in order.
std::vector<int> Uniao(std::vector<std::pair<int, int>> faixas) {
    std::sort(faixas.begin(), faixas.end());
    std::vector<int> indices;
    int proximo = 0;  // first index not yet taken
    for (const auto& [inicio, fim] : faixas) {
        for (int i = std::max(inicio, indices.empty() ? inicio : proximo); i <= fim; ++i)
            indices.push_back(i);
        if (!indices.empty()) proximo = indices.back() + 1;
    }
    return indices;
}

// The reason of a failed write as the person reads it; causes without a text of their own keep
// the system's.
wxString Motivo(const std::error_code& erro) {
    if (erro == std::errc::no_such_file_or_directory) return L"a pasta não existe";
    if (erro == std::errc::not_a_directory) return L"o caminho não leva a uma pasta";
    if (erro == std::errc::permission_denied || erro == std::errc::operation_not_permitted)
        return L"sem permissão para gravar nesta pasta";
    if (erro == std::errc::read_only_file_system) return L"o disco é somente leitura";
    if (erro == std::errc::no_space_on_device || erro.value() == EDQUOT)
        return L"não há espaço no disco";
    if (erro == std::errc::file_too_large) return L"o arquivo ficou grande demais";
    if (erro == std::errc::is_a_directory) return L"já existe uma pasta com este nome";
    if (erro == std::errc::filename_too_long) return L"o nome do arquivo é longo demais";
    return wxString::FromUTF8(erro.message());
}

std::system_error ErroDoSistema() {
    return std::system_error(errno, std::generic_category());
}

// A new file beside the destination, removed unless it replaced the destination.
class ArquivoTemporario {
public:
    explicit ArquivoTemporario(const std::string& destino) {
        static std::atomic<unsigned> contador{0};
        const std::size_t barra = destino.rfind('/');
        const std::string pasta = barra == std::string::npos ? "" : destino.substr(0, barra + 1);
        const std::string nome = destino.substr(pasta.size());
        for (int tentativa = 0; tentativa < kTentativasTemporario; ++tentativa) {
            caminho_ = pasta + "." + nome + "." + std::to_string(getpid()) + "-" +
                       std::to_string(contador++) + ".tmp";
            // 0666 and the process's umask: the permissions any new file of the user gets.
            fd_ = open(caminho_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                // A file being replaced keeps its permissions.
                struct stat anterior {};
                if (stat(destino.c_str(), &anterior) == 0 && S_ISREG(anterior.st_mode))
                    fchmod(fd_, anterior.st_mode & 07777);
                return;
            }
            if (errno != EEXIST) break;
        }
        caminho_.clear();
        throw ErroDoSistema();
    }
    ~ArquivoTemporario() {
        if (fd_ >= 0) close(fd_);
        if (!caminho_.empty()) unlink(caminho_.c_str());
    }
    ArquivoTemporario(const ArquivoTemporario&) = delete;
    ArquivoTemporario& operator=(const ArquivoTemporario&) = delete;

    void Escrever(std::string_view texto) {
        while (!texto.empty()) {
            const ssize_t escritos = write(fd_, texto.data(), texto.size());
            if (escritos < 0) {
                if (errno == EINTR) continue;
                throw ErroDoSistema();
            }
            texto.remove_prefix(static_cast<std::size_t>(escritos));
        }
    }

    // The data reaches the disk before the rename, so a crash leaves the old file or the new
    // one, never an empty one under the destination's name.
    void Substituir(const std::string& destino) {
        if (fdatasync(fd_) != 0) throw ErroDoSistema();
        const int fd = std::exchange(fd_, -1);
        if (close(fd) != 0) throw ErroDoSistema();
        if (rename(caminho_.c_str(), destino.c_str()) != 0) throw ErroDoSistema();
        caminho_.clear();
    }

private:
    std::string caminho_;
    int fd_ = -1;
};

}  // namespace

void EscreverCsv(const OrigemTabela& tabela, FormatoCsv formato,
                 const std::function<void(std::string_view)>& descarregar) {
    const bool brasileiro = formato == FormatoCsv::Brasileiro;
    const char separador = brasileiro ? ';' : ',';
    const std::string especiais = {separador, '"', '\r', '\n'};
    const std::vector<int> colunas = ColunasVisiveis(tabela);
    std::vector<bool> virgula;
    for (int c : colunas) virgula.push_back(brasileiro && tabela.ColunaNumerica(c));

    std::string saida;
    saida.reserve(kTamanhoPedaco + (kTamanhoPedaco >> 4));
    saida.append(kBom);
    if (!colunas.empty()) {
        for (std::size_t i = 0; i < colunas.size(); ++i) {
            if (i) saida.push_back(separador);
            AcrescentarCampoCsv(saida, tabela.Rotulo(colunas[i]).utf8_string(), especiais);
        }
        saida.append(kFimRegistro);

        std::string apoio, numero, protegido;
        const int linhas = tabela.NumeroLinhas();
        for (int r = 0; r < linhas; ++r) {
            for (std::size_t i = 0; i < colunas.size(); ++i) {
                if (i) saida.push_back(separador);
                std::string_view campo = tabela.Celula(r, colunas[i], apoio);
                if (virgula[i]) {
                    const std::size_t ponto = PontoDecimal(campo);
                    if (ponto != std::string_view::npos) {
                        numero.assign(campo);
                        numero[ponto] = ',';
                        campo = numero;
                    }
                }
                if (PareceFormula(campo, virgula[i] ? ',' : '.')) {
                    protegido.assign("'").append(campo);
                    campo = protegido;
                }
                AcrescentarCampoCsv(saida, campo, especiais);
            }
            saida.append(kFimRegistro);
            if (saida.size() >= kTamanhoPedaco) {
                descarregar(saida);
                saida.clear();
            }
        }
    }
    if (!saida.empty()) descarregar(saida);
}

wxString GravarCsv(const OrigemTabela& tabela, FormatoCsv formato, const wxString& caminho) {
    try {
        const std::string destino(caminho.fn_str());
        ArquivoTemporario arquivo(destino);
        EscreverCsv(tabela, formato, [&](std::string_view pedaco) { arquivo.Escrever(pedaco); });
        arquivo.Substituir(destino);
        return wxString();
    } catch (const std::system_error& e) {
        return Motivo(e.code());
    } catch (const std::exception& e) {
        return wxString::FromUTF8(e.what());
    }
}

wxString TextoTabulado(const OrigemTabela& tabela, const std::vector<BlocoCelulas>& blocos,
                       bool com_cabecalhos) {
    std::vector<BlocoCelulas> dentro;
    std::vector<std::pair<int, int>> faixas_linhas, faixas_colunas;
    for (BlocoCelulas b : blocos) {
        b.topo = std::max(b.topo, 0);
        b.esquerda = std::max(b.esquerda, 0);
        b.base = std::min(b.base, tabela.NumeroLinhas() - 1);
        b.direita = std::min(b.direita, tabela.NumeroColunas() - 1);
        if (b.topo > b.base || b.esquerda > b.direita) continue;
        dentro.push_back(b);
        faixas_linhas.emplace_back(b.topo, b.base);
        faixas_colunas.emplace_back(b.esquerda, b.direita);
    }
    const std::vector<int> linhas = Uniao(std::move(faixas_linhas));
    std::vector<int> colunas = Uniao(std::move(faixas_colunas));
    std::erase_if(colunas, [&](int c) { return !tabela.ColunaVisivel(c); });
    if (colunas.empty()) return wxString();

    std::string saida;
    if (com_cabecalhos) {
        for (std::size_t j = 0; j < colunas.size(); ++j) {
            if (j) saida.push_back('\t');
            AcrescentarCampoTabulado(saida, tabela.Rotulo(colunas[j]).utf8_string());
        }
        saida.push_back('\n');
    }

    // Rows are visited in order; `ativos` holds the blocks that cover the current row.
    std::sort(dentro.begin(), dentro.end(),
              [](const BlocoCelulas& a, const BlocoCelulas& b) { return a.topo < b.topo; });
    std::vector<const BlocoCelulas*> ativos;
    std::size_t proximo = 0;
    std::string apoio;
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        const int r = linhas[i];
        while (proximo < dentro.size() && dentro[proximo].topo <= r)
            ativos.push_back(&dentro[proximo++]);
        std::erase_if(ativos, [r](const BlocoCelulas* b) { return b->base < r; });
        if (i) saida.push_back('\n');
        for (std::size_t j = 0; j < colunas.size(); ++j) {
            const int c = colunas[j];
            if (j) saida.push_back('\t');
            const bool coberta = std::any_of(ativos.begin(), ativos.end(), [c](const auto* b) {
                return b->esquerda <= c && c <= b->direita;
            });
            if (coberta) AcrescentarCampoTabulado(saida, tabela.Celula(r, c, apoio));
        }
    }
    return wxString::FromUTF8(saida.data(), saida.size());
}

wxString NomeArquivoCsv(const wxString& prefixo, const wxString& complemento) {
    static const wxString kProibidos = "/\\:*?\"<>|";
    wxString nome = prefixo;
    wxString resto = complemento;
    resto.Trim(true).Trim(false);
    if (!resto.empty()) nome << "-" << resto;
    for (auto it = nome.begin(); it != nome.end(); ++it)
        if (*it < 32 || kProibidos.Find(*it) != wxNOT_FOUND) *it = '-';
    return nome + ".csv";
}

}  // namespace controles
