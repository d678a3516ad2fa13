#include "ui/FrameCupom.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <map>
#include <utility>

#include "db/BancoDados.h"
#include "ui/TabelaTexto.h"

namespace {

constexpr const char* kTitulo = "Cupom";
constexpr const char* kBotaoCopiarUrl = "Copiar URL";
constexpr const char* kBotaoSalvarTxt = "Salvar TXT";

// Items of one receipt; "%d" takes the receipt id.
constexpr const char* kConsultaItens =
    "select\n"
    "i.seq,\n"
    "i.codigo,\n"
    "i.descricao,\n"
    "i.qtde,\n"
    "i.un,\n"
    "i.valor_unit,\n"
    "i.valor_total,\n"
    "i.desconto,\n"
    "round(i.valor_total - i.desconto, 2) as valor_liquido\n"
    "from cupom_item i\n"
    "where i.id_cupom = %d\n"
    "order by i.seq\n";

// Header of one receipt, with the 14-digit timestamp cut into DD/MM/YYYY and hh:mm:ss. The inner
// join yields no row for a receipt whose issuer is missing. Several lines end with a blank.
constexpr const char* kConsultaCabecalho =
    "select\n"
    "substr(c.data_hora_emissao, 7, 2) || '/' || \n"
    "substr(c.data_hora_emissao, 5, 2) || '/' || \n"
    "substr(c.data_hora_emissao, 1, 4) as data, \n"
    "substr(c.data_hora_emissao, 9, 2) || ':' || \n"
    "substr(c.data_hora_emissao, 11, 2) || ':' || \n"
    "substr(c.data_hora_emissao, 13, 2) as hora, \n"
    "c.valor_total, \n"
    "c.numero_cfe,\n"
    "c.numero_serie_sat,\n"
    "c.cnpj_emitente, \n"
    "e.fantasia, \n"
    "e.endereco, \n"
    "c.chave_acesso, \n"
    "c.url_consulta\n"
    "from cupom c\n"
    "join emitente e on c.cnpj_emitente = e.cnpj\n"
    "where c.id = %d\n";

// Seq, Qtde, V.Unit, V.Total, Desconto, V.Líquido are right-aligned; the three values totalled.
const std::vector<int> kColunasDireita = {0, 3, 5, 6, 7, 8};
const std::vector<int> kColunasSoma = {6, 7, 8};

constexpr int kBorda = 5;
constexpr int kBordaCampo = 4;
constexpr int kBordaRotulo = 2;
const wxSize kTamanhoIcone(16, 16);
const wxSize kTamanhoMinimoGrid(250, 200);
const wxSize kTamanhoMinimo(800, 350);
constexpr int kLarguraRotuloLinha = 24;
constexpr int kAlturaRotuloColuna = 24;

wxString Valor(const Registro& row, const wxString& coluna) {
    const auto it = row.find(coluna);
    return it == row.end() ? wxString() : it->second;
}

// Puts `texto` on the clipboard; skipped silently when the clipboard cannot be opened.
void CopiarParaAreaDeTransferencia(const wxString& texto) {
    if (!wxTheClipboard->Open()) return;
    wxTheClipboard->SetData(new wxTextDataObject(texto));
    wxTheClipboard->Close();
}

}  // namespace

FrameCupom::FrameCupom(wxWindow* parent, BancoDados* banco_dados, int id_cupom)
    : wxFrame(parent, wxID_ANY, kTitulo, wxDefaultPosition, wxDefaultSize, wxDEFAULT_FRAME_STYLE),
      banco(banco_dados),
      idCupom(id_cupom) {
    auto* top_sizer = new wxBoxSizer(wxVERTICAL);
    panel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                        wxTAB_TRAVERSAL | wxNO_BORDER);
    auto* panel_sizer = new wxBoxSizer(wxVERTICAL);

    auto* row1 = new wxBoxSizer(wxHORIZONTAL);
    txtDataHora = AddLabeledField(panel, row1, "Data / Hora", 3);
    txtValorTotal = AddLabeledField(panel, row1, "Valor Total", 2);
    txtNumero = AddLabeledField(panel, row1, L"Número", 1);
    txtSerie = AddLabeledField(panel, row1, L"Série", 1);
    txtChaveAcesso = AddLabeledField(panel, row1, "Chave de Acesso", 5);
    panel_sizer->Add(row1, 0, wxEXPAND | wxALL, kBorda);

    auto* row2 = new wxBoxSizer(wxHORIZONTAL);
    txtUrl = AddLabeledField(panel, row2, "URL", 1);
    const wxBitmap copyIcon = wxArtProvider::GetBitmap(wxART_COPY, wxART_BUTTON, kTamanhoIcone);
    auto* btnCopyUrl = new wxButton(panel, wxID_ANY, kBotaoCopiarUrl);
    btnCopyUrl->SetBitmap(copyIcon, wxLEFT);
    btnCopyUrl->Bind(wxEVT_BUTTON, &FrameCupom::OnCopyUrl, this);
    row2->Add(btnCopyUrl, 0, wxALIGN_BOTTOM, 0);
    const wxBitmap saveIcon =
        wxArtProvider::GetBitmap(wxART_FILE_SAVE, wxART_BUTTON, kTamanhoIcone);
    auto* btnSaveTxt = new wxButton(panel, wxID_ANY, kBotaoSalvarTxt);
    btnSaveTxt->SetBitmap(saveIcon, wxLEFT);
    btnSaveTxt->Bind(wxEVT_BUTTON, &FrameCupom::OnSaveTxt, this);
    row2->Add(btnSaveTxt, 0, wxALIGN_BOTTOM, 0);
    panel_sizer->Add(row2, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorda);

    auto* row3 = new wxBoxSizer(wxHORIZONTAL);
    txtEmitente = AddLabeledField(panel, row3, "Emitente", 2);
    txtEndereco = AddLabeledField(panel, row3, L"Endereço", 3);
    txtCnpj = AddLabeledField(panel, row3, "CNPJ", 1);
    panel_sizer->Add(row3, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorda);
    panel->SetSizer(panel_sizer);

    grid = new wxGrid(this, wxID_ANY);
    grid->SetMinSize(kTamanhoMinimoGrid);
    grid->EnableEditing(false);
    grid->SetTabBehaviour(wxGrid::Tab_Leave);
    grid->CreateGrid(1, 1, wxGrid::wxGridSelectCells);
    grid->SetRowLabelSize(kLarguraRotuloLinha);
    grid->SetColLabelSize(kAlturaRotuloColuna);

    std::map<wxString, wxString> col_labels;
    col_labels["seq"] = "Seq";
    col_labels["codigo"] = L"Código";
    col_labels["descricao"] = L"Descrição";
    col_labels["qtde"] = "Qtde";
    col_labels["un"] = "Unid";
    col_labels["valor_unit"] = "V.Unit";
    col_labels["valor_total"] = "V.Total";
    col_labels["desconto"] = "Desconto";
    col_labels["valor_liquido"] = L"V.Líquido";
    banco->PreencherGrid(wxString::Format(kConsultaItens, idCupom), grid, col_labels);
    grid->SetFocus();

    Registro row;
    banco->ConsultarRegistro(wxString::Format(kConsultaCabecalho, idCupom), row);
    txtDataHora->SetValue(Valor(row, "data") + " " + Valor(row, "hora"));
    txtValorTotal->SetValue(Valor(row, "valor_total"));
    txtNumero->SetValue(Valor(row, "numero_cfe"));
    txtSerie->SetValue(Valor(row, "numero_serie_sat"));
    txtChaveAcesso->SetValue(Valor(row, "chave_acesso"));
    txtUrl->SetValue(Valor(row, "url_consulta"));
    txtEmitente->SetValue(Valor(row, "fantasia"));
    txtEndereco->SetValue(Valor(row, "endereco"));
    txtCnpj->SetValue(Valor(row, "cnpj_emitente"));

    top_sizer->Add(panel, 0, wxEXPAND, 0);
    top_sizer->Add(grid, 1, wxEXPAND | wxALL, kBorda);
    SetSizer(top_sizer);
    SetMinSize(kTamanhoMinimo);
}

wxTextCtrl* FrameCupom::AddLabeledField(wxWindow* parent, wxBoxSizer* row_sizer,
                                        const wxString& label, int proportion) {
    auto* field_sizer = new wxBoxSizer(wxVERTICAL);
    auto* rotulo = new wxStaticText(parent, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, 0);
    field_sizer->Add(rotulo, 0, wxBOTTOM, kBordaRotulo);
    auto* texto =
        new wxTextCtrl(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0);
    field_sizer->Add(texto, 0, wxEXPAND, 0);
    row_sizer->Add(field_sizer, proportion, wxEXPAND | wxLEFT | wxRIGHT, kBordaCampo);
    return texto;
}

void FrameCupom::OnCopyUrl(wxCommandEvent&) {
    // The field may have been edited; whatever it holds is copied, the empty text included.
    CopiarParaAreaDeTransferencia(txtUrl->GetValue());
}

void FrameCupom::OnSaveTxt(wxCommandEvent&) {
    const wxString texto = GridToText(grid, true, kColunasDireita, kColunasSoma);
    if (!texto.empty()) CopiarParaAreaDeTransferencia(texto);
}

wxString FrameCupom::GridToText(wxGrid* grid, bool withHeaders, std::vector<int> right_cols,
                                std::vector<int> sum_cols) {
    if (!grid || grid->GetNumberCols() == 0) return wxString();
    const int cols = grid->GetNumberCols();
    const int rows = grid->GetNumberRows();

    // Rows picked by their first-column cell (a click on the row label selects it); a selection
    // that leaves column 0 out picks no rows, so the whole grid is copied.
    bool filtrar = false;
    for (int r = 0; r < rows && !filtrar; ++r) filtrar = grid->IsInSelection(r, 0);

    std::vector<wxString> headers(cols);
    for (int c = 0; c < cols; ++c) headers[c] = grid->GetColLabelValue(c);

    std::vector<std::vector<wxString>> linhas;
    for (int r = 0; r < rows; ++r) {
        if (filtrar && !grid->IsInSelection(r, 0)) continue;
        std::vector<wxString> linha(cols);
        for (int c = 0; c < cols; ++c) linha[c] = grid->GetCellValue(r, c);
        linhas.push_back(std::move(linha));
    }
    return MontarTabelaTexto(headers, linhas, withHeaders, right_cols, sum_cols);
}
