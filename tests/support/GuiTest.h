#pragma once

// Helpers for tests that open real windows under Xvfb: finding windows, a person's actions,
// reading grids, the checks every window's grid, splitter and error box pass, charts drawn into
// images, bounded waits that keep the event loop turning, answers for message boxes and modal
// dialogs, the clipboard and screenshots.

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/dcmemory.h>
#include <wx/dialog.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/string.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <chrono>
#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/Imprimir.h"

class wxButton;
class wxGrid;
class wxSplitterWindow;

namespace teste {

// Every window of type T under `raiz` (itself included), depth first.
template <class T>
std::vector<T*> EncontrarTodos(wxWindow* raiz) {
    std::vector<T*> achados;
    if (auto* achado = dynamic_cast<T*>(raiz)) achados.push_back(achado);
    for (wxWindow* filho : raiz->GetChildren())
        for (T* t : EncontrarTodos<T>(filho)) achados.push_back(t);
    return achados;
}

// The first window of type T under `raiz`, or null.
template <class T>
T* Encontrar(wxWindow* raiz) {
    const std::vector<T*> achados = EncontrarTodos<T>(raiz);
    return achados.empty() ? nullptr : achados.front();
}

// Every open top-level window of type T, in creation order.
template <class T>
std::vector<T*> JanelasAbertas() {
    std::vector<T*> achadas;
    for (wxWindow* janela : wxTopLevelWindows)
        if (auto* t = dynamic_cast<T*>(janela)) achadas.push_back(t);
    return achadas;
}

// A person's actions as the toolkit reports them, handled by the window and its parents: a menu
// or accelerator command, a button click (failing the test when there is no button), a double
// click on a grid cell.
void EnviarMenu(wxWindow* janela, int id);
void Clicar(wxButton* botao);
void DuploClique(wxGrid* grid, int linha, int coluna);

// Column labels, one column's cells and one row's cells of a grid, in order.
std::vector<wxString> Cabecalhos(wxGrid* grid);
std::vector<wxString> Coluna(wxGrid* grid, int coluna);
std::vector<wxString> Linha(wxGrid* grid, int linha);

// The read-only grid every window shows: editing off, cells selected one by one, keys taken by
// the grid, 24-pixel labels.
::testing::AssertionResult GradeSomenteLeitura(wxGrid* grid);

// A splitter as every window makes it: named "splitter", live update, split in `modo`
// (wxSPLIT_VERTICAL or wxSPLIT_HORIZONTAL).
::testing::AssertionResult SplitterPadrao(wxSplitterWindow* splitter, int modo);

// The picture a chart's drawing function, `desenhar(dc, tamanho, dados)`, makes on a 24-bit
// bitmap of `tamanho`.
template <class Dados>
wxImage Renderizar(void (*desenhar)(wxDC&, wxSize, const Dados&), wxSize tamanho,
                   const Dados& dados) {
    wxBitmap bitmap(tamanho, 24);
    {
        wxMemoryDC dc(bitmap);
        desenhar(dc, tamanho, dados);
    }
    return bitmap.ConvertToImage();
}

// The colour of one pixel of an image.
wxColour Pixel(const wxImage& imagem, int x, int y);

// What `janela`'s client area shows on the screen right now, read back from the display after
// the window has painted (not a rendering into a memory bitmap).
wxImage CapturarCliente(wxWindow* janela);

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

// The error box: titled "Erro", an OK button and the error icon, no question.
::testing::AssertionResult CaixaDeErro(const CaixaMensagem& caixa);

// Each test runs in a new folder named after it, with no message box recorded or answer queued;
// every top-level window left open is destroyed after it, and must be gone.
class JanelasTeste : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Text of the real clipboard, "<vazia>" when it holds no text, "<fechada>" when it cannot be
// opened.
wxString LerAreaDeTransferencia();
// False when the clipboard cannot be opened.
[[nodiscard]] bool PorNaAreaDeTransferencia(const wxString& texto);

// Saves what `janela` shows as a PNG under the screenshot folder (CUPOM_SCREENSHOT_DIR, or
// "screenshots" in the build tree) and returns the file's path. The picture is read from the
// screen: when test processes share one display, another test's window may cover it, so run the
// test alone (its own xvfb-run) for a picture to look at.
std::string SalvarCaptura(wxWindow* janela, const std::string& nome);

// The same for a rectangle of the screen as it is now, without raising a window or processing
// events: for what shows only while a toolkit loop runs, such as an open popup menu.
std::string SalvarCapturaDaTela(const wxRect& area, const std::string& nome);

}  // namespace teste
