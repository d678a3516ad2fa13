#include "tests/support/GuiTest.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "tests/support/TestEnvironment.h"

namespace teste {

bool WaitFor(const std::function<bool()>& condicao, std::chrono::milliseconds limite) {
    const auto fim = std::chrono::steady_clock::now() + limite;
    while (true) {
        if (wxTheApp) {
            wxTheApp->ProcessPendingEvents();
            wxYield();
        }
        if (condicao()) return true;
        if (std::chrono::steady_clock::now() >= fim) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ProcessarEventos(std::chrono::milliseconds duracao) {
    WaitFor([] { return false; }, duracao);
}

Dialogos& Dialogos::Get() {
    static Dialogos instancia;
    return instancia;
}

void Dialogos::Limpar() {
    respostas_.clear();
    mensagens_.clear();
    aoAbrirModal = nullptr;
}

int Dialogos::AoAbrir(wxDialog* dialog) {
    if (auto* caixa = dynamic_cast<wxMessageDialogBase*>(dialog)) {
        const long estilo = caixa->GetMessageDialogStyle();
        mensagens_.push_back({caixa->GetMessage(), caixa->GetTitle(), estilo});
        if (!respostas_.empty()) {
            const int resposta = respostas_.front();
            respostas_.pop_front();
            return resposta;
        }
        return (estilo & wxYES_NO) ? wxID_NO : wxID_OK;
    }
    if (aoAbrirModal) return aoAbrirModal(dialog);
    return wxID_NONE;
}

namespace {
class Gancho : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override { return Dialogos::Get().AoAbrir(dialog); }
    void Exit(wxDialog*) override {}
};
}  // namespace

void InstalarGanchoDialogos() {
    static Gancho gancho;
    gancho.Register();
}

wxColour Pixel(const wxImage& imagem, int x, int y) {
    return wxColour(imagem.GetRed(x, y), imagem.GetGreen(x, y), imagem.GetBlue(x, y));
}

namespace {

// Reads a rectangle of the screen from the X server over a connection of our own: the toolkit's
// screen DC reads through a cached surface of the root window, which does not see what was
// painted after it was first read.
wxImage LerTela(const wxPoint& origem, const wxSize& tamanho) {
    wxImage imagem(tamanho);
    Display* display = XOpenDisplay(nullptr);
    if (!display) return imagem;
    XImage* x = XGetImage(display, DefaultRootWindow(display), origem.x, origem.y,
                          static_cast<unsigned>(tamanho.x), static_cast<unsigned>(tamanho.y),
                          AllPlanes, ZPixmap);
    if (x) {
        for (int py = 0; py < tamanho.y; ++py)
            for (int px = 0; px < tamanho.x; ++px) {
                const unsigned long p = XGetPixel(x, px, py);
                imagem.SetRGB(px, py, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
            }
        XDestroyImage(x);
    }
    XCloseDisplay(display);
    return imagem;
}

bool MesmaImagem(const wxImage& a, const wxImage& b) {
    const std::size_t bytes = static_cast<std::size_t>(a.GetWidth()) * a.GetHeight() * 3;
    return a.GetSize() == b.GetSize() && std::memcmp(a.GetData(), b.GetData(), bytes) == 0;
}

}  // namespace

wxImage CapturarCliente(wxWindow* janela) {
    const wxSize tamanho = janela->GetClientSize();
    const wxPoint origem = janela->ClientToScreen(wxPoint(0, 0));
    // The picture is taken once painting has settled: two reads 50 ms apart agree.
    wxImage anterior = LerTela(origem, tamanho);
    for (int i = 0; i < 40; ++i) {
        ProcessarEventos(std::chrono::milliseconds(50));
        wxImage atual = LerTela(origem, tamanho);
        if (MesmaImagem(anterior, atual)) return atual;
        anterior = std::move(atual);
    }
    return anterior;
}

wxString LerAreaDeTransferencia() {
    wxString texto = "<vazia>";
    if (!wxTheClipboard->Open()) return "<fechada>";
    if (wxTheClipboard->IsSupported(wxDF_UNICODETEXT)) {
        wxTextDataObject dados;
        if (wxTheClipboard->GetData(dados)) texto = dados.GetText();
    }
    wxTheClipboard->Close();
    return texto;
}

bool PorNaAreaDeTransferencia(const wxString& texto) {
    if (!wxTheClipboard->Open()) return false;
    wxTheClipboard->SetData(new wxTextDataObject(texto));
    wxTheClipboard->Close();
    return true;
}

std::string SalvarCapturaDaTela(const wxRect& area, const std::string& nome) {
    namespace fs = std::filesystem;
    fs::path pasta = "screenshots";
    if (const char* env = std::getenv("CUPOM_SCREENSHOT_DIR"); env && *env) pasta = env;
#ifdef CUPOM_SCREENSHOT_DEFAULT_DIR
    else
        pasta = CUPOM_SCREENSHOT_DEFAULT_DIR;
#endif
    fs::create_directories(pasta);
    const fs::path arquivo = pasta / (nome + ".png");
    const wxImage imagem = LerTela(area.GetPosition(), area.GetSize());
    imagem.SaveFile(arquivo.string(), wxBITMAP_TYPE_PNG);
    return arquivo.string();
}

std::string SalvarCaptura(wxWindow* janela, const std::string& nome) {
    janela->Raise();
    janela->Refresh();
    janela->Update();
    ProcessarEventos(std::chrono::milliseconds(300));
    return SalvarCapturaDaTela(janela->GetScreenRect(), nome);
}

}  // namespace teste
