#pragma once

// The modal synchronisation dialog: "Processar" starts a worker thread that downloads the
// receipts newer than the last one stored, parses the reply and hands it to the import; every
// step shows in a log, "Cancelar" stops the run, and a message box tells the outcome.

#include <wx/dialog.h>
#include <wx/string.h>
#include <wx/timer.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <thread>

class BancoDados;
namespace feed {
struct Indice;
class IndexacaoDoDownload;
}  // namespace feed
class wxButton;
class wxStyledTextCtrl;

// Where the time of one run went, measured on the worker (download, parse, import) and on the
// GUI thread (from "Processar" until the outcome is about to be shown).
struct TemposSincronizacao {
    using Duracao = std::chrono::steady_clock::duration;
    Duracao download{};
    Duracao parser{};
    Duracao importacao{};
    Duracao total{};
    std::size_t bytes = 0;   // size of the reply
    std::size_t cupons = 0;  // elements of the parsed feed
    bool sucesso = false;
};

class FrameSincronizar : public wxDialog {
public:
    enum { ID_PROCESSAR = 10001, ID_CANCELAR = 10002 };

    FrameSincronizar(wxWindow* parent, BancoDados* banco);
    ~FrameSincronizar() override;

    void OnProcessar(wxCommandEvent& event);
    void OnCancelar(wxCommandEvent& event);

    // The worker thread's body.
    void Processar();
    // Sends the receipt request; true with the raw UTF-8 reply in `resposta` when a reply came.
    // The reply stays in bytes: a feed of tens of megabytes is neither decoded to wide text nor
    // encoded back for the parser. With `indexacao`, the reply is indexed while it arrives.
    bool BaixarJson(std::string& resposta, feed::IndexacaoDoDownload* indexacao = nullptr);
    bool SalvarNoSQLite(nlohmann::json& dados);
    // The same for a reply checked and indexed by feed::Indexar: each receipt is parsed from its
    // own bytes and stored at once, so the feed never exists as one document. The reply is
    // emptied once every receipt has been read from it.
    bool SalvarNoSQLite(std::string& resposta, const feed::Indice& indice);
    // Ends a run on the GUI thread.
    void Finalizar(bool sucesso, wxString mensagem);
    void AdicionarLog(const wxString& text);

    // Records whether the dialog was last shown or hidden (by ShowModal, EndModal, Show, Hide).
    bool Show(bool show = true) override;

    bool EmExecucao() const { return em_execucao; }
    // Timings of the last finished run (GUI thread).
    const TemposSincronizacao& UltimaExecucao() const { return ultima_execucao; }

private:
    // Worker side of the log: queues a line, and wakes the GUI thread unless it showed the log
    // a moment ago (a timer then shows the line soon), so that a burst of lines costs the GUI a
    // few redraws.
    void PostarLog(const wxString& linha);
    // GUI side: appends everything queued so far, in order.
    void DescarregarLog();
    // The import's progress callback: the line to the log; false once the user has cancelled.
    bool Progresso(const wxString& linha);

    wxString token;
    BancoDados* banco;
    // Why the last BaixarJson that returned false failed, in Portuguese (worker thread only).
    wxString motivo_download;
    wxStyledTextCtrl* log;
    wxButton* btn_processar;
    wxButton* btn_cancelar;
    std::thread worker;
    std::atomic<bool> cancelado;
    std::atomic<bool> em_execucao;
    // Whether the dialog is meant to be on screen. IsShown() is not enough: GTK reports the map
    // of a window hidden before the display had mapped it, and the toolkit then counts the
    // hidden dialog as shown again.
    bool visivel = false;

    std::mutex log_mutex;   // guards the five fields below
    wxString log_pendente;  // lines written by the worker, not yet in the log control
    std::size_t log_linhas_pendentes = 0;  // how many calls wrote them
    bool log_descarga_postada = false;     // a DescarregarLog call is queued and has not run yet
    std::chrono::steady_clock::time_point log_ultima_descarga;
    // The least time between two redraws of the log: longer while many lines come in.
    std::chrono::milliseconds log_intervalo{};
    wxTimer temporizador_log;  // runs DescarregarLog while a run is in progress

    std::chrono::steady_clock::time_point inicio_execucao;
    TemposSincronizacao ultima_execucao;

    wxDECLARE_EVENT_TABLE();
};
