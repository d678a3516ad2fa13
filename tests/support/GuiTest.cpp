#include "tests/support/GuiTest.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

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

std::string SalvarCaptura(wxWindow* janela, const std::string& nome) {
    namespace fs = std::filesystem;
    fs::path pasta = "screenshots";
    if (const char* env = std::getenv("CUPOM_SCREENSHOT_DIR"); env && *env) pasta = env;
#ifdef CUPOM_SCREENSHOT_DEFAULT_DIR
    else pasta = CUPOM_SCREENSHOT_DEFAULT_DIR;
#endif
    fs::create_directories(pasta);
    const fs::path arquivo = pasta / (nome + ".png");

    janela->Raise();
    janela->Refresh();
    janela->Update();
    ProcessarEventos(std::chrono::milliseconds(300));

    const wxRect area = janela->GetScreenRect();
    wxBitmap bitmap(area.width, area.height);
    {
        wxScreenDC tela;
        wxMemoryDC memoria(bitmap);
        memoria.Blit(0, 0, area.width, area.height, &tela, area.x, area.y);
    }
    bitmap.ConvertToImage().SaveFile(arquivo.string(), wxBITMAP_TYPE_PNG);
    return arquivo.string();
}

}  // namespace teste
