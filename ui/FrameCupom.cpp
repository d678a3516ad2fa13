#include "ui/FrameCupom.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/grid.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <map>

#include "db/BancoDados.h"
#include "ui/FrameHistoricoPrecos.h"
#include "ui/TabelaTexto.h"
#include "widgets/Controles.h"
#include "widgets/Grade.h"
#include "widgets/MenuGrade.h"

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
// Code and description of an item: its product in the price history.
constexpr int kColCodigo = 1;
constexpr int kColDescricao = 2;

constexpr int kBorda = 5;
const wxSize kTamanhoIcone(16, 16);
const wxSize kTamanhoMinimoGrid(250, 200);
const wxSize kTamanhoMinimo(800, 350);

wxString Valor(const Registro& row, const wxString& coluna) {
    const auto it = row.find(coluna);
    return it == row.end() ? wxString() : it->second;
}

// Positions, among `colunas`, of the grid columns listed in `indices`.
std::vector<int> Posicoes(const std::vector<int>& colunas, const std::vector<int>& indices) {
    std::vector<int> posicoes;
    for (int indice : indices) {
        const auto it = std::find(colunas.begin(), colunas.end(), indice);
        if (it != colunas.end()) posicoes.push_back(static_cast<int>(it - colunas.begin()));
    }
    return posicoes;
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

    grid = controles::CriarGradeSomenteLeitura(this, kTamanhoMinimoGrid);
    grid->Bind(wxEVT_GRID_CELL_LEFT_DCLICK, &FrameCupom::OnItemDuploClique, this);

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
    controles::AdicionarCopiaEExportacao(grid, [chave = Valor(row, "chave_acesso")] {
        return controles::NomeArquivoCsv("cupom", chave);
    });

    top_sizer->Add(panel, 0, wxEXPAND, 0);
    top_sizer->Add(grid, 1, wxEXPAND | wxALL, kBorda);
    SetSizer(top_sizer);
    SetMinSize(kTamanhoMinimo);
}

wxTextCtrl* FrameCupom::AddLabeledField(wxWindow* parent, wxBoxSizer* row_sizer,
                                        const wxString& label, int proportion) {
    return controles::AdicionarCampoRotulado(parent, row_sizer, label, proportion);
}

void FrameCupom::OnCopyUrl(wxCommandEvent&) {
    // The field may have been edited; whatever it holds is copied, the empty text included.
    controles::CopiarParaAreaDeTransferencia(txtUrl->GetValue());
}

void FrameCupom::OnSaveTxt(wxCommandEvent&) {
    const wxString texto = GridToText(grid, true, kColunasDireita, kColunasSoma);
    if (!texto.empty()) controles::CopiarParaAreaDeTransferencia(texto);
}

void FrameCupom::OnItemDuploClique(wxGridEvent& event) {
    const int row = event.GetRow();
    // A failed items query leaves the grid with one empty cell and no item to look up.
    if (row >= 0 && row < grid->GetNumberRows() && kColDescricao < grid->GetNumberCols()) {
        // Owned by the main window, as this window is.
        auto* historico =
            new FrameHistoricoPrecos(GetParent(), banco, grid->GetCellValue(row, kColCodigo),
                                     grid->GetCellValue(row, kColDescricao), txtCnpj->GetValue());
        controles::MostrarNaTela(historico);
    }
    event.Skip();
}

wxString FrameCupom::GridToText(wxGrid* grid, bool withHeaders, std::vector<int> right_cols,
                                std::vector<int> sum_cols) {
    if (!grid || grid->GetNumberCols() == 0) return wxString();
    // Rows picked by their first-column cell (a click on the row label selects it); a selection
    // that leaves column 0 out picks no rows, so the whole grid is copied. Hidden columns stay
    // out of the text.
    std::vector<int> linhas = controles::LinhasComPrimeiraColunaSelecionada(grid);
    if (linhas.empty()) linhas = controles::TodasAsLinhas(grid);
    const controles::CelulasGrade celulas =
        controles::LerCelulas(grid, linhas, controles::ColunasVisiveis(grid));
    return MontarTabelaTexto(celulas.rotulos, celulas.linhas, withHeaders,
                             Posicoes(celulas.colunas, right_cols),
                             Posicoes(celulas.colunas, sum_cols));
}
