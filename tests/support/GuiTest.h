#pragma once

// Helpers for tests that open real windows under Xvfb: bounded waits that keep the event loop
// turning, answers for message boxes and modal dialogs, and screenshots.

#include <wx/dialog.h>
#include <wx/string.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class wxWindow;

namespace teste {

// Processes pending events and idle handlers until `condicao` holds or `limite` passes.
// Returns whether the condition held.
bool WaitFor(const std::function<bool()>& condicao,
             std::chrono::milliseconds limite = std::chrono::milliseconds(5000));

// Lets pending events (queued calls, paints, size events) run for a short while.
void ProcessarEventos(std::chrono::milliseconds duracao = std::chrono::milliseconds(50));

struct CaixaMensagem {
    wxString mensagem;
    wxString titulo;
    long estilo = 0;
};

// Intercepts every modal dialog of the process. Message boxes never wait for a person: they are
// recorded and answered with the next queued answer (by default OK, or No for Yes/No boxes).
// Other modal dialogs run normally unless `aoAbrirModal` returns something other than wxID_NONE.
class Dialogos {
public:
    static Dialogos& Get();

    void ResponderCom(int id) { respostas_.push_back(id); }
    const std::vector<CaixaMensagem>& Mensagens() const { return mensagens_; }
    void Limpar();

    // Called when a dialog that is not a message box is about to run modally.
    std::function<int(wxDialog*)> aoAbrirModal;

    // Used by the hook.
    int AoAbrir(wxDialog* dialog);

private:
    std::deque<int> respostas_;
    std::vector<CaixaMensagem> mensagens_;
};

// Installs the interception of modal dialogs (done once by the GUI test main).
void InstalarGanchoDialogos();

// Saves what `janela` shows as a PNG under the screenshot folder (CUPOM_SCREENSHOT_DIR, or
// "screenshots" in the build tree) and returns the file's path. The picture is read from the
// screen: when test processes share one display, another test's window may cover it, so run the
// test alone (its own xvfb-run) for a picture to look at.
std::string SalvarCaptura(wxWindow* janela, const std::string& nome);

}  // namespace teste
