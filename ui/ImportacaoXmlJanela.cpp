#include "ui/ImportacaoXmlJanela.h"

#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/richmsgdlg.h>
#include <wx/utils.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "widgets/Controles.h"
#include "xmlfiscal/ImportacaoXml.h"

namespace {

const wchar_t* const kTitulo = L"Importar XML";
const wchar_t* const kLendo = L"Lendo os arquivos…";
const wchar_t* const kCancelada = L"Importação cancelada: nenhum cupom foi guardado.";
const wchar_t* const kFalhou = L"Nenhum cupom foi importado: %s";
const wchar_t* const kCopiarDetalhes = L"Copiar detalhes";
const wchar_t* const kCancelamento = L"%s: cancelamento %s%s";
const wchar_t* const kCupomCancelado = L" (cupom guardado: cancelado)";
constexpr int kPassoMs = 50;

wxString DeUtf8(const std::string& texto) {
    return wxString::FromUTF8(texto);
}

// Each refused file with its reason, then each cancellation, one a line.
wxString Detalhes(const xmlfiscal::ResumoImportacao& r) {
    wxString texto;
    for (const xmlfiscal::ArquivoRecusado& a : r.recusados)
        texto << DeUtf8(a.nome) << ": " << DeUtf8(a.motivo) << "\n";
    for (const xmlfiscal::CancelamentoLido& c : r.cancelamentos)
        texto << wxString::Format(kCancelamento, DeUtf8(c.nome), DeUtf8(c.chave),
                                  c.guardado ? kCupomCancelado : L"")
              << "\n";
    return texto;
}

}  // namespace

bool ImportarXmlComProgresso(wxWindow* parent, BancoDados* banco,
                             const std::vector<std::string>& caminhos) {
    std::atomic<bool> cancelado{false};
    std::atomic<bool> terminou{false};
    std::mutex mutex;
    std::string atual;  // the file being read, under `mutex`
    xmlfiscal::ResumoImportacao resumo;
    std::thread leitura([&] {
        try {
            resumo = xmlfiscal::ImportarXml(*banco, caminhos, [&](const std::string& arquivo) {
                std::lock_guard<std::mutex> trava(mutex);
                atual = arquivo;
                return !cancelado.load();
            });
        } catch (const std::exception& e) {  // out of memory for a large zip, say
            resumo = xmlfiscal::ResumoImportacao();
            resumo.falhou = true;
            resumo.erro = e.what();
        }
        terminou = true;
    });
    {
        wxProgressDialog progresso(kTitulo, kLendo, 100, parent,
                                   wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_ELAPSED_TIME);
        while (!terminou) {
            wxString nome;
            {
                std::lock_guard<std::mutex> trava(mutex);
                nome = DeUtf8(atual);
            }
            if (!progresso.Pulse(nome.empty() ? wxString(kLendo) : nome)) cancelado = true;
            wxMilliSleep(kPassoMs);
        }
    }
    leitura.join();

    if (resumo.cancelada) {
        wxMessageBox(kCancelada, kTitulo, wxOK | wxICON_INFORMATION, parent);
        return false;
    }
    if (resumo.falhou) {
        controles::MostrarErro(wxString::Format(kFalhou, DeUtf8(resumo.erro)));
        return false;
    }
    const wxString detalhes = Detalhes(resumo);
    wxRichMessageDialog caixa(parent, DeUtf8(xmlfiscal::TextoResumo(resumo)), kTitulo,
                              wxOK | (detalhes.empty() ? 0 : wxCANCEL) |
                                  (resumo.recusados.empty() ? wxICON_INFORMATION : wxICON_WARNING));
    if (!detalhes.empty()) {
        caixa.ShowDetailedText(detalhes);
        caixa.SetOKCancelLabels(wxID_OK, kCopiarDetalhes);
    }
    if (caixa.ShowModal() == wxID_CANCEL) controles::CopiarParaAreaDeTransferencia(detalhes);
    return resumo.importados > 0;
}
