#include "tests/support/GuiTest.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/evtloop.h>
#include <wx/filefn.h>
#include <wx/grid.h>
#include <wx/image.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/splitter.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/TestEnvironment.h"

namespace teste {

bool WaitFor(const std::function<bool()>& condicao, std::chrono::milliseconds limite) {
    const auto fim = std::chrono::steady_clock::now() + limite;
    while (true) {
        if (wxAppConsole* app = wxAppConsole::GetInstance()) {
            app->ProcessPendingEvents();
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

::testing::AssertionResult CaixaDeErro(const CaixaMensagem& caixa) {
    if (caixa.titulo == "Erro" && (caixa.estilo & wxOK) && (caixa.estilo & wxICON_ERROR) &&
        !(caixa.estilo & wxYES_NO))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "box \"" << caixa.titulo.utf8_string() << "\", style 0x" << std::hex << caixa.estilo
           << ": \"" << caixa.mensagem.utf8_string() << "\"";
}

void JanelasTeste::SetUp() {
    ASSERT_TRUE(wxSetWorkingDirectory(PastaDoTeste()));
    Dialogos::Get().Limpar();
}

void JanelasTeste::TearDown() {
    for (wxWindow* janela : wxTopLevelWindows) janela->Destroy();
    EXPECT_TRUE(WaitFor([] { return wxTopLevelWindows.empty(); }));
    Dialogos::Get().Limpar();
}

void EnviarMenu(wxWindow* janela, int id) {
    wxCommandEvent evento(wxEVT_MENU, id);
    evento.SetEventObject(janela);
    janela->ProcessWindowEvent(evento);
}

void Clicar(wxButton* botao) {
    if (!botao) {
        ADD_FAILURE() << "no button to click";
        return;
    }
    wxCommandEvent evento(wxEVT_BUTTON, botao->GetId());
    evento.SetEventObject(botao);
    botao->ProcessWindowEvent(evento);
}

void DuploClique(wxGrid* grid, int linha, int coluna) {
    wxGridEvent evento(grid->GetId(), wxEVT_GRID_CELL_LEFT_DCLICK, grid, linha, coluna);
    grid->ProcessWindowEvent(evento);
}

std::vector<wxString> Cabecalhos(wxGrid* grid) {
    std::vector<wxString> textos;
    for (int c = 0; c < grid->GetNumberCols(); ++c) textos.push_back(grid->GetColLabelValue(c));
    return textos;
}

std::vector<wxString> Coluna(wxGrid* grid, int coluna) {
    std::vector<wxString> textos;
    for (int r = 0; r < grid->GetNumberRows(); ++r) textos.push_back(grid->GetCellValue(r, coluna));
    return textos;
}

std::vector<wxString> Linha(wxGrid* grid, int linha) {
    std::vector<wxString> textos;
    for (int c = 0; c < grid->GetNumberCols(); ++c) textos.push_back(grid->GetCellValue(linha, c));
    return textos;
}

::testing::AssertionResult GradeSomenteLeitura(wxGrid* grid) {
    if (!grid) return ::testing::AssertionFailure() << "no grid";
    std::string problemas;
    auto conferir = [&](bool condicao, const char* problema) {
        if (!condicao) problemas += (problemas.empty() ? "" : ", ") + std::string(problema);
    };
    conferir(!grid->IsEditable(), "editable");
    conferir(grid->GetSelectionMode() == wxGrid::wxGridSelectCells, "not selecting cells");
    conferir(grid->HasFlag(wxWANTS_CHARS), "does not take all keys");
    conferir(grid->GetRowLabelSize() == 24, "row labels not 24 pixels wide");
    conferir(grid->GetColLabelSize() == 24, "column labels not 24 pixels high");
    if (problemas.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problemas;
}

::testing::AssertionResult SplitterPadrao(wxSplitterWindow* splitter, int modo) {
    if (!splitter) return ::testing::AssertionFailure() << "no splitter";
    if (splitter->GetName() != "splitter" || !splitter->HasFlag(wxSP_LIVE_UPDATE) ||
        splitter->GetSplitMode() != modo)
        return ::testing::AssertionFailure()
               << "splitter \"" << splitter->GetName().utf8_string() << "\", live update "
               << splitter->HasFlag(wxSP_LIVE_UPDATE) << ", mode " << splitter->GetSplitMode();
    return ::testing::AssertionSuccess();
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
