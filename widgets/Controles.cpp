#include "widgets/Controles.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/display.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include <algorithm>

namespace controles {
namespace {

constexpr const char* kNomeSplitter = "splitter";
constexpr long kEstiloSplitter = wxSP_3D | wxSP_LIVE_UPDATE;
constexpr int kBordaRotulo = 2;
constexpr int kBordaCampo = 4;

}  // namespace

wxSplitterWindow* CriarSplitter(wxWindow* parent) {
    return new wxSplitterWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, kEstiloSplitter,
                                kNomeSplitter);
}

void MostrarErro(const wxString& mensagem) {
    wxMessageBox(mensagem, kTituloErro, wxOK | wxICON_ERROR, nullptr);
}

bool CopiarParaAreaDeTransferencia(const wxString& texto) {
    if (!wxTheClipboard->Open()) return false;
    wxTheClipboard->SetData(new wxTextDataObject(texto));
    wxTheClipboard->Close();
    return true;
}

wxTextCtrl* AdicionarCampoRotulado(wxWindow* parent, wxSizer* linha, const wxString& rotulo,
                                   int proporcao, long estilo) {
    auto* coluna = new wxBoxSizer(wxVERTICAL);
    auto* texto_rotulo =
        new wxStaticText(parent, wxID_ANY, rotulo, wxDefaultPosition, wxDefaultSize, 0);
    coluna->Add(texto_rotulo, 0, wxBOTTOM, kBordaRotulo);
    auto* campo =
        new wxTextCtrl(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, estilo);
    coluna->Add(campo, 0, wxEXPAND, 0);
    linha->Add(coluna, proporcao, wxEXPAND | wxLEFT | wxRIGHT, kBordaCampo);
    return campo;
}

void MostrarNaTela(wxTopLevelWindow* janela) {
    wxWindow* referencia = janela->GetParent() ? janela->GetParent() : janela;
    int tela = wxDisplay::GetFromWindow(referencia);
    if (tela == wxNOT_FOUND) tela = 0;
    const wxRect area = wxDisplay(static_cast<unsigned>(tela)).GetClientArea();

    const wxSize minimo = janela->GetMinSize();
    if (minimo.IsFullySpecified())
        janela->SetMinSize(wxSize(std::min(minimo.GetWidth(), area.GetWidth()),
                                  std::min(minimo.GetHeight(), area.GetHeight())));
    wxRect retangulo = janela->GetRect();
    retangulo.SetWidth(std::min(retangulo.GetWidth(), area.GetWidth()));
    retangulo.SetHeight(std::min(retangulo.GetHeight(), area.GetHeight()));
    retangulo.SetX(
        std::clamp(retangulo.GetX(), area.GetLeft(), area.GetRight() + 1 - retangulo.GetWidth()));
    retangulo.SetY(
        std::clamp(retangulo.GetY(), area.GetTop(), area.GetBottom() + 1 - retangulo.GetHeight()));
    janela->SetSize(retangulo);
    janela->Show(true);
}

}  // namespace controles
