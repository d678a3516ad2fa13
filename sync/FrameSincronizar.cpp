#include "sync/FrameSincronizar.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stc/stc.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "account/Sessao.h"
#include "base/TextoExcecao.h"
#include "db/BancoDados.h"
#include "sync/LeituraFeed.h"
#include "web/ServiceUrl.h"
#include "web/WebSync.h"

namespace {

constexpr const char* kCaminhoCupons = "/cupom/consulta_cupom.php";
constexpr const char* kContentType = "application/json; charset=UTF-8";

const wchar_t* const kProcessoIniciado = L"Processo iniciado.\n";
const wchar_t* const kProcessoConcluido = L"Processo concluído.\n";
const wchar_t* const kJsonBaixado = L"JSON baixado com sucesso: %lld bytes.\n";
const wchar_t* const kParserConcluido = L"Parser JSON concluído.\n";
const wchar_t* const kCuponsCarregados = L"Foram carregados %lld cupons.\n";

const wchar_t* const kErroBaixar = L"Erro ao baixar o JSON.";
const wchar_t* const kOperacaoCancelada = L"Operação cancelada.";
const wchar_t* const kJsonInvalido = L"JSON inválido: %s";
const wchar_t* const kErro = L"Erro: %s";
const wchar_t* const kErroDesconhecido = L"Erro desconhecido.";
const wchar_t* const kProcessamentoConcluido = L"Processamento concluído.";

const wchar_t* const kTituloSucesso = L"Concluído";
const wchar_t* const kTituloFalha = L"Processamento";

// The log shows what the worker queued at once when it has been quiet for this long, and
// otherwise at most this often: a burst of thousands of lines a second costs the GUI thread a
// few redraws of the log (10 to 15 ms each, for the text laid out anew), not one per line, and a
// lone line shows without delay.
constexpr auto kIntervaloLog = std::chrono::milliseconds(100);
// While the lines pour in (this many or more since the last redraw), four redraws a second are
// enough to follow them, and each redraw also takes a core from the import for as long on a
// two-core machine: at ten a second, a first synchronisation of 10,000 receipts took about 8 %
// longer.
constexpr auto kIntervaloLogTorrente = std::chrono::milliseconds(250);
constexpr std::size_t kLinhasTorrente = 100;

// The nice value of the run's threads (0 is the window's).
constexpr int kPrioridadeTrabalho = 10;

const wchar_t* const kFalhaDownload = L"Não foi possível baixar o JSON: %s.\n";
const wchar_t* const kEnderecoRecusado =
    L"o endereço do serviço (%s) não é aceito: use https (http só para este computador)";
const wchar_t* const kByteNulo = L"byte nulo na posição %zu";
const wchar_t* const kElementoNaoCupom =
    L"a resposta não é uma lista de cupons: o elemento %zu é %s, não um objeto.";

// A feed whose top-level array holds a value that is not a receipt object.
class ElementoNaoCupom : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Receives the parse of a whole reply and keeps nothing of it: the library's own verdict on a
// reply, with its own exception, without the document tree. An element of a top-level array
// that is not an object is refused as soon as it is seen, before a document of millions of
// numbers is ever built.
class SemDocumento {
public:
    bool null() { return Valor(L"nulo"); }
    bool boolean(bool) { return Valor(L"um valor lógico"); }
    bool number_integer(nlohmann::json::number_integer_t) { return Valor(L"um número"); }
    bool number_unsigned(nlohmann::json::number_unsigned_t) { return Valor(L"um número"); }
    bool number_float(nlohmann::json::number_float_t, const std::string&) {
        return Valor(L"um número");
    }
    bool string(std::string&) { return Valor(L"um texto"); }
    bool binary(nlohmann::json::binary_t&) { return Valor(L"um valor binário"); }
    bool start_object(std::size_t) {
        Valor(nullptr);
        ++profundidade_;
        return true;
    }
    bool key(std::string&) { return true; }
    bool end_object() {
        --profundidade_;
        return true;
    }
    bool start_array(std::size_t) {
        if (profundidade_ == 0) lista_ = true;
        Valor(L"uma lista");
        ++profundidade_;
        return true;
    }
    bool end_array() {
        --profundidade_;
        return true;
    }
    template <class Excecao>
    bool parse_error(std::size_t, const std::string&, const Excecao& excecao) {
        throw excecao;
    }

private:
    // A value begins; `tipo` names it unless it is an object.
    bool Valor(const wchar_t* tipo) {
        if (!lista_ || profundidade_ != 1) return true;
        ++elementos_;
        if (tipo)
            throw ElementoNaoCupom(
                wxString::Format(kElementoNaoCupom, elementos_, tipo).utf8_string());
        return true;
    }

    int profundidade_ = 0;
    bool lista_ = false;  // the top level is an array
    std::size_t elementos_ = 0;
};

// Throws what nlohmann::json::parse would throw for `texto`, or ElementoNaoCupom. The library
// takes a NUL byte for the end of its input: whatever follows one would go unread, so a NUL,
// which JSON allows nowhere unescaped, refuses the reply.
void ValidarJson(const std::string& texto) {
    if (const auto nulo = texto.find('\0'); nulo != std::string::npos)
        throw std::runtime_error(wxString::Format(kByteNulo, nulo).utf8_string());
    SemDocumento sax;
    nlohmann::json::sax_parse(texto, &sax);
}

}  // namespace

FrameSincronizar::FrameSincronizar(wxWindow* parent, BancoDados* banco)
    : wxDialog(parent, wxID_ANY, "Sincronizar", wxDefaultPosition, wxSize(450, 450),
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      token(Sessao(true).GetToken()),
      banco(banco),
      cancelado(false),
      em_execucao(false) {
    log = new wxStyledTextCtrl(this, wxID_ANY);
    btn_processar = new wxButton(this, ID_PROCESSAR, "Processar");
    btn_cancelar = new wxButton(this, ID_CANCELAR, "Cancelar");
    btn_cancelar->Disable();

    auto* botoes = new wxBoxSizer(wxHORIZONTAL);
    botoes->Add(btn_processar, 0, wxRIGHT, 10);
    botoes->Add(btn_cancelar, 0, 0, 0);

    auto* principal = new wxBoxSizer(wxVERTICAL);
    principal->Add(log, 1, wxEXPAND | wxALL, 15);
    principal->Add(botoes, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 15);
    SetSizer(principal);
    Centre(wxBOTH);

    // Nobody listens to the log's changes: without this, every append of a run's lines would
    // also be converted back into an event's text.
    log->SetModEventMask(0);

    temporizador_log.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        DescarregarLog();
        int intervalo;
        {
            std::lock_guard<std::mutex> trava(log_mutex);
            intervalo = static_cast<int>(log_intervalo.count());
        }
        if (temporizador_log.GetInterval() != intervalo) temporizador_log.Start(intervalo);
    });
}

FrameSincronizar::~FrameSincronizar() {
    if (worker.joinable()) {
        // The web request and the import both watch this flag, so the join is short even when
        // the dialog is closed in the middle of a slow download.
        cancelado = true;
        worker.join();
    }
    // Nothing can queue another call now. Drop the log lines and the outcome still queued, so
    // that none of them runs on a half-destroyed dialog.
    if (wxTheApp) wxTheApp->RemovePendingEventHandler(this);
    DeletePendingEvents();
}

void FrameSincronizar::OnProcessar(wxCommandEvent&) {
    if (em_execucao) return;
    if (worker.joinable()) worker.join();  // a finished run, normally joined by Finalizar
    cancelado = false;
    em_execucao = true;
    inicio_execucao = std::chrono::steady_clock::now();

    AdicionarLog(kProcessoIniciado);
    btn_processar->Disable();
    btn_cancelar->Enable();

    {
        std::lock_guard<std::mutex> trava(log_mutex);
        log_intervalo = kIntervaloLog;  // whatever the last run ended with
    }
    worker = std::thread(&FrameSincronizar::Processar, this);
    temporizador_log.Start(static_cast<int>(kIntervaloLog.count()));
}

void FrameSincronizar::OnCancelar(wxCommandEvent&) {
    if (!em_execucao) return;
    cancelado = true;
    btn_cancelar->Disable();
}

void FrameSincronizar::Processar() {
    using Relogio = std::chrono::steady_clock;
    // The run is background work: on a machine with fewer cores than busy threads the window's
    // own thread goes first, so it keeps answering while receipts are stored. Threads this one
    // starts inherit the priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kPrioridadeTrabalho);
    TemposSincronizacao tempos;

    // The run proper. Its locals (the reply, the parsed feed) are freed when it returns, before
    // the outcome is posted: Finalizar joins this thread and should not wait for that.
    auto executar = [&]() -> std::pair<bool, wxString> {
        // The run's COMMIT would end the person's own transaction with it.
        if (banco->TransacaoAberta()) {
            const wxString motivo = wxString::FromUTF8(kErroTransacaoAberta);
            PostarLog(motivo + "\n");
            return {false, motivo};
        }
        std::string resposta;
        auto inicio = Relogio::now();
        // The quick pass below reads the reply's beginning while the rest still downloads.
        feed::IndexacaoDoDownload indexacao;
        const bool baixou = BaixarJson(resposta, &indexacao);
        tempos.download = Relogio::now() - inicio;
        // A cancelled run also ends its download early, which then looks like a failed one.
        if (cancelado) return {false, kOperacaoCancelada};
        if (!baixou) {
            PostarLog(wxString::Format(kFalhaDownload, motivo_download));
            return {false, kErroBaixar};
        }

        tempos.bytes = resposta.size();
        PostarLog(wxString::Format(kJsonBaixado, static_cast<long long>(resposta.size())));

        // The whole reply is checked before anything is stored, without a document tree: a feed
        // that is not valid JSON stores nothing. Only a feed that is not a plain array (or that
        // the quick pass is unsure of) is parsed whole, as the library parses it.
        inicio = Relogio::now();
        std::optional<feed::Indice> indice;
        nlohmann::json dados;
        try {
            indice = indexacao.Concluir(resposta);
            if (!indice || !indice->lista) {
                if (!indice) ValidarJson(resposta);
                dados = nlohmann::json::parse(resposta);
                indice.reset();
            }
        } catch (const ElementoNaoCupom& e) {
            return {false, wxString::Format(kErro, wxString::FromUTF8(e.what()))};
        } catch (const std::exception& e) {
            return {false, wxString::Format(kJsonInvalido, TextoDaExcecao(e.what()))};
        }
        tempos.parser = Relogio::now() - inicio;
        if (!indice) std::string().swap(resposta);  // the import only needs the parsed feed

        tempos.cupons = indice ? indice->elementos.size() : dados.size();
        PostarLog(wxString(kParserConcluido) +
                  wxString::Format(kCuponsCarregados, static_cast<long long>(tempos.cupons)));
        if (cancelado) return {false, kOperacaoCancelada};

        inicio = Relogio::now();
        if (indice) {
            SalvarNoSQLite(resposta, *indice);
        } else {
            SalvarNoSQLite(dados);
        }
        tempos.importacao = Relogio::now() - inicio;
        if (cancelado) return {false, kOperacaoCancelada};
        return {true, kProcessamentoConcluido};
    };

    std::pair<bool, wxString> resultado;
    try {
        resultado = executar();
    } catch (const std::exception& e) {
        // A value of the wrong type is told by receipt and member, not in the library's words.
        const std::string texto = MensagemDeValorErrado(e);
        resultado = {false, wxString::Format(kErro, TextoDaExcecao(texto.c_str()))};
    } catch (...) {
        resultado = {false, kErroDesconhecido};
    }

    // The reply and everything parsed from it are gone by now; give the memory they took back to
    // the system, or the window would keep the backlog's size after every first synchronisation.
    malloc_trim(0);

    // The last queued call of the run; Finalizar shows every log line queued above before it.
    tempos.sucesso = resultado.first;
    CallAfter([this, tempos, resultado = std::move(resultado)] {
        ultima_execucao = tempos;
        Finalizar(resultado.first, resultado.second);
    });
}

bool FrameSincronizar::BaixarJson(std::string& resposta, feed::IndexacaoDoDownload* indexacao) {
    web::WebSessionSync sessao = web::WebSessionSync::New();
    motivo_download = L"a biblioteca de rede não pôde ser iniciada";
    if (!sessao.IsOpened()) return false;

    web::WebRequestSync request = sessao.CreateRequest(web::ServiceUrl(kCaminhoCupons));
    if (!request.IsOk()) {
        motivo_download = wxString::Format(kEnderecoRecusado, web::ServiceBaseUrl());
        return false;
    }

    request.SetHeader("Accept", "application/json");
    request.SetHeader("secret-key", token);

    int ultimo_id = 0;
    banco->GetUltimoId(ultimo_id);
    const nlohmann::json corpo = {{"ultimo_id", ultimo_id}};
    request.SetData(wxString::FromUTF8(corpo.dump()), kContentType, wxConvUTF8);

    // Polled by the transfer loop a few times a second: cancelling, or closing the dialog,
    // aborts a download in progress instead of waiting it out.
    request.SetCancelCheck([this] { return cancelado.load(); });

    if (indexacao) {
        request.SetBodyAppender([indexacao](std::string& corpo, const char* dados, size_t n) {
            indexacao->Receber(corpo, dados, n);
        });
    }
    const web::WebRequestSync::Result resultado = request.Execute();
    if (indexacao) indexacao->Parar();  // before the reply moves
    if (resultado.state == web::WebRequestSync::State_Failed ||
        resultado.state == web::WebRequestSync::State_Cancelled) {
        motivo_download = resultado.motivo;
        return false;
    }
    resposta = request.TakeResponseBody();
    return true;
}

bool FrameSincronizar::SalvarNoSQLite(nlohmann::json& dados) {
    banco->ImportarCupons(dados, [this](wxString linha) { return Progresso(linha); });
    return true;
}

bool FrameSincronizar::SalvarNoSQLite(std::string& resposta, const feed::Indice& indice) {
    using Seguinte = BancoDados::Seguinte;
    const auto ler = [](std::string_view texto) {
        CupomLido cupom;
        if (!feed::LerCupom(texto, cupom)) cupom = LerCupom(feed::ConstruirElemento(texto));
        return cupom;
    };
    banco->ImportarCupons(
        [&](const std::function<Seguinte(const CupomLido&)>& receber) {
            Seguinte seguinte = Seguinte::Cupom;
            std::size_t entregues = 0;
            {
                // Building and reading the receipts runs ahead on a thread of its own, so this
                // thread only stores them.
                feed::Leitor<CupomLido> leitor(resposta, indice, ler);
                CupomLido cupom;
                while (seguinte == Seguinte::Cupom && leitor.Proximo(cupom)) {
                    ++entregues;
                    seguinte = receber(cupom);
                }
            }
            // A stopped import wants the rest only for its ids, which a quick look finds.
            CupomLido cupom;
            for (; seguinte == Seguinte::SoId && entregues < indice.elementos.size(); ++entregues) {
                const feed::Trecho& trecho = indice.elementos[entregues];
                const std::string_view texto(resposta.data() + trecho.inicio,
                                             trecho.fim - trecho.inicio);
                if (!feed::LerId(texto, cupom)) cupom = ler(texto);
                seguinte = receber(cupom);
            }
            // Every receipt has been read: the reply goes before the import's last work.
            if (seguinte != Seguinte::Parar) std::string().swap(resposta);
        },
        indice.elementos.size(), [this](wxString linha) { return Progresso(linha); });
    return true;
}

bool FrameSincronizar::Progresso(const wxString& linha) {
    PostarLog(linha);
    return !cancelado;
}

void FrameSincronizar::Finalizar(bool sucesso, wxString mensagem) {
    // Every line the worker wrote comes before the outcome.
    temporizador_log.Stop();
    DescarregarLog();

    em_execucao = false;
    btn_processar->Enable();
    btn_cancelar->Disable();

    if (sucesso) AdicionarLog(kProcessoConcluido);
    if (worker.joinable()) worker.join();
    ultima_execucao.total = std::chrono::steady_clock::now() - inicio_execucao;

    // A dialog closed during the run has nobody left to tell; its outcome only goes to the log.
    if (!visivel) return;
    if (sucesso) {
        wxMessageBox(mensagem, kTituloSucesso, wxOK | wxICON_INFORMATION, this);
    } else {
        wxMessageBox(mensagem, kTituloFalha, wxOK | wxICON_EXCLAMATION, this);
    }
}

bool FrameSincronizar::Show(bool show) {
    visivel = show;
    return wxDialog::Show(show);
}

void FrameSincronizar::AdicionarLog(const wxString& text) {
    log->AddText(text);
    const int length = log->GetLength();
    log->SetSelection(length, length);
    log->EnsureCaretVisible();
}

void FrameSincronizar::PostarLog(const wxString& linha) {
    bool acordar = false;
    {
        std::lock_guard<std::mutex> trava(log_mutex);
        log_pendente += linha;
        ++log_linhas_pendentes;
        const auto agora = std::chrono::steady_clock::now();
        if (!log_descarga_postada && agora - log_ultima_descarga >= log_intervalo) {
            log_descarga_postada = true;
            acordar = true;
        }
    }
    // Posted from this thread only, so it is queued before anything the worker posts later.
    if (acordar) CallAfter(&FrameSincronizar::DescarregarLog);
}

void FrameSincronizar::DescarregarLog() {
    wxString texto;
    {
        std::lock_guard<std::mutex> trava(log_mutex);
        texto.swap(log_pendente);
        log_intervalo =
            log_linhas_pendentes >= kLinhasTorrente ? kIntervaloLogTorrente : kIntervaloLog;
        log_linhas_pendentes = 0;
        log_descarga_postada = false;
        log_ultima_descarga = std::chrono::steady_clock::now();
    }
    if (!texto.empty()) AdicionarLog(texto);
}

// The two buttons are wired through a static table, kept last so the formatter leaves it as is.
// clang-format off
wxBEGIN_EVENT_TABLE(FrameSincronizar, wxDialog)
    EVT_BUTTON(FrameSincronizar::ID_PROCESSAR, FrameSincronizar::OnProcessar)
    EVT_BUTTON(FrameSincronizar::ID_CANCELAR, FrameSincronizar::OnCancelar)
wxEND_EVENT_TABLE()
