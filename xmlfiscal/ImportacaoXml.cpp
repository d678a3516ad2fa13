#include "xmlfiscal/ImportacaoXml.h"

#include <wx/mstream.h>
#include <wx/zipstrm.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "db/BancoDados.h"
#include "db/LinhaSql.h"
#include "xmlfiscal/DocumentoFiscal.h"

namespace xmlfiscal {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSqlChaveGuardada = "SELECT 1 FROM cupom WHERE chave_acesso = ?";
constexpr std::size_t kBloco = 64 * 1024;

struct Lido {
    std::string nome;
    CupomXml cupom;
};

std::string Minusculas(std::string texto) {
    std::transform(texto.begin(), texto.end(), texto.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return texto;
}

bool EhZip(std::string_view bytes) {
    return bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4);
}

// Gathers what each file holds; the receipts are stored together at the end.
class Leitor {
public:
    Leitor(ResumoImportacao& resumo, const std::function<bool(const std::string&)>& continuar)
        : resumo_(resumo), continuar_(continuar) {}

    std::vector<Lido>& Cupons() { return cupons_; }

    // False once the person stopped.
    bool Caminho(const fs::path& caminho) {
        std::error_code erro;
        if (fs::is_directory(caminho, erro)) {
            // Sorted, so that a folder imports in the same order every time.
            std::vector<fs::path> arquivos;
            // An entry that cannot be looked at (a dangling link) is skipped alone; a subfolder
            // that cannot be opened is passed over.
            for (fs::recursive_directory_iterator
                     it(caminho, fs::directory_options::skip_permission_denied, erro),
                 fim;
                 !erro && it != fim; it.increment(erro)) {
                const std::string extensao = Minusculas(it->path().extension().string());
                std::error_code erro_entrada;
                if (it->is_regular_file(erro_entrada) && (extensao == ".xml" || extensao == ".zip"))
                    arquivos.push_back(it->path());
            }
            if (erro)
                Recusar(caminho.string(), "não foi possível ler a pasta (" + erro.message() + ")");
            std::sort(arquivos.begin(), arquivos.end());
            for (const fs::path& arquivo : arquivos)
                if (!Arquivo(arquivo)) return false;
            return true;
        }
        return Arquivo(caminho);
    }

private:
    bool Arquivo(const fs::path& caminho) {
        const std::string nome = caminho.string();
        if (!continuar_(nome)) return false;
        std::error_code erro;
        const auto tamanho = fs::file_size(caminho, erro);
        if (erro) {
            Recusar(nome, "arquivo não encontrado ou ilegível");
            return true;
        }
        const bool zip = Minusculas(caminho.extension().string()) == ".zip";
        if (tamanho > (zip ? kMaiorZipDescompactado : kMaiorArquivo)) {
            Recusar(nome, zip ? "zip maior que 1 GB" : "arquivo maior que 20 MB");
            return true;
        }
        // One buffer for every file: it only grows, and is not filled anew each time.
        std::string& bytes = bytes_;
        if (bytes.size() < tamanho) bytes.resize(static_cast<std::size_t>(tamanho));
        std::ifstream entrada(caminho, std::ios::binary);
        if (!entrada.read(bytes.data(), static_cast<std::streamsize>(tamanho))) {
            Recusar(nome, "não foi possível ler o arquivo");
            return true;
        }
        const std::string_view lidos(bytes.data(), static_cast<std::size_t>(tamanho));
        bool seguir = true;
        if (EhZip(lidos)) {
            seguir = Zip(nome, lidos);
        } else {
            LerBytes(nome, lidos);
        }
        if (bytes.capacity() > kMaiorArquivo) std::string().swap(bytes);  // not kept for a zip's
        return seguir;
    }

    // The zip's files, unpacked in memory only. Its sizes are checked first from its directory,
    // and again while each file is read, so a zip that lies about them is stopped too.
    bool Zip(const std::string& nome, std::string_view bytes) {
        // A zip refused part-way keeps nothing of what was read from it before.
        const std::size_t cupons_antes = cupons_.size();
        const std::size_t cancelamentos_antes = resumo_.cancelamentos.size();
        const std::size_t recusados_antes = resumo_.recusados.size();
        const auto recusar_zip = [&](std::string motivo) {
            cupons_.erase(cupons_.begin() + static_cast<std::ptrdiff_t>(cupons_antes),
                          cupons_.end());
            resumo_.cancelamentos.resize(cancelamentos_antes);
            resumo_.recusados.resize(recusados_antes);
            Recusar(nome, std::move(motivo));
        };
        unsigned long long total = 0;
        {
            wxMemoryInputStream memoria(bytes.data(), bytes.size());
            wxZipInputStream zip(memoria);
            // Summed while below the limit, so that sizes made up to wrap around cannot.
            for (std::unique_ptr<wxZipEntry> e(zip.GetNextEntry());
                 e && total <= kMaiorZipDescompactado; e.reset(zip.GetNextEntry()))
                if (!e->IsDir() && e->GetSize() > 0)
                    total += static_cast<unsigned long long>(e->GetSize());
            if (!zip.Eof() && zip.GetLastError() != wxSTREAM_NO_ERROR) {
                Recusar(nome, "zip danificado");
                return true;
            }
        }
        if (total > kMaiorZipDescompactado) {
            Recusar(nome, "zip com mais de 1 GB descompactado");
            return true;
        }
        if (total > kMaiorTaxaZip * std::max<std::size_t>(bytes.size(), 1)) {
            Recusar(nome, "zip compactado mais de 100 vezes");
            return true;
        }

        wxMemoryInputStream memoria(bytes.data(), bytes.size());
        wxZipInputStream zip(memoria);
        unsigned long long lidos = 0;
        for (std::unique_ptr<wxZipEntry> e(zip.GetNextEntry()); e; e.reset(zip.GetNextEntry())) {
            if (e->IsDir()) continue;
            // The name as the zip writes it, "../" and all: nothing is written to disk.
            const std::string interno = nome + ": " + e->GetInternalName().utf8_string();
            if (!continuar_(interno)) return false;
            std::string dados;
            char bloco[kBloco];
            while (!zip.Eof() && dados.size() <= kMaiorArquivo) {
                zip.Read(bloco, sizeof bloco);
                dados.append(bloco, zip.LastRead());
                if (zip.LastRead() == 0) break;
            }
            lidos += dados.size();
            if (lidos > kMaiorZipDescompactado ||
                lidos > kMaiorTaxaZip * std::max<std::size_t>(bytes.size(), 1)) {
                recusar_zip("zip compactado mais de 100 vezes");
                return true;
            }
            if (zip.GetLastError() != wxSTREAM_NO_ERROR && zip.GetLastError() != wxSTREAM_EOF) {
                Recusar(interno, "arquivo danificado dentro do zip");
                continue;
            }
            if (dados.size() > kMaiorArquivo) {
                Recusar(interno, "arquivo maior que 20 MB");
                continue;
            }
            LerBytes(interno, dados);
        }
        return true;
    }

    void LerBytes(const std::string& nome, std::string_view bytes) {
        Documento d = LerDocumento(bytes);
        switch (d.tipo) {
            case Documento::kCupom:
                cupons_.push_back({nome, std::move(d.cupom)});
                break;
            case Documento::kCancelamento:
                resumo_.cancelamentos.push_back({nome, d.chave, false});
                break;
            case Documento::kRecusado:
                Recusar(nome, d.motivo);
                break;
        }
    }

    void Recusar(const std::string& nome, std::string motivo) {
        resumo_.recusados.push_back({nome, std::move(motivo)});
    }

    ResumoImportacao& resumo_;
    const std::function<bool(const std::string&)>& continuar_;
    std::vector<Lido> cupons_;
    std::string bytes_;
};

}  // namespace

std::string TextoResumo(const ResumoImportacao& r) {
    return std::to_string(r.importados) + " cupons importados, " + std::to_string(r.existentes) +
           " já existentes, " + std::to_string(r.recusados.size()) + " recusados";
}

ResumoImportacao ImportarXml(BancoDados& banco, const std::vector<std::string>& caminhos,
                             const std::function<bool(const std::string& arquivo)>& continuar) {
    ResumoImportacao resumo;
    Leitor leitor(resumo, continuar);
    for (const std::string& caminho : caminhos) {
        if (!leitor.Caminho(fs::path(caminho))) {
            resumo.cancelada = true;
            return resumo;
        }
    }

    const std::vector<Lido>& cupons = leitor.Cupons();
    if (!cupons.empty()) {
        // Stopped while storing, the run stores nothing: the source's exception rolls it back.
        struct Parada {};
        try {
            const int novos = banco.ImportarCupons(
                [&](const std::function<BancoDados::Seguinte(const CupomLido&)>& receber) {
                    for (const Lido& lido : cupons) {
                        if (!continuar(lido.nome)) throw Parada{};
                        if (receber(ParaCupomLido(lido.cupom)) == BancoDados::Seguinte::Parar)
                            return;
                    }
                },
                cupons.size(), [](const wxString&) { return true; });
            resumo.importados = novos;
            resumo.existentes = static_cast<int>(cupons.size()) - novos;
        } catch (const Parada&) {
            resumo.cancelada = true;
            return resumo;
        } catch (const std::exception& e) {
            resumo.falhou = true;
            resumo.erro = MensagemDeValorErrado(e);
            return resumo;
        }
    }

    for (CancelamentoLido& c : resumo.cancelamentos) {
        banco.PercorrerLinhas(kSqlChaveGuardada, {c.chave}, [&c](const LinhaSql&) {
            c.guardado = true;
            return false;
        });
    }
    return resumo;
}

}  // namespace xmlfiscal
