// Query results in a wxGrid: headers, alignment, cells, the statements without result columns,
// failures, the grid still usable as a grid afterwards, and column widths against
// AutoSizeColumns just under and just over the size where the measure stops being exhaustive.

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/grid.h>

#include <map>
#include <vector>

#include "db/BancoDados.h"
#include "db/TabelaResultado.h"
#include "tests/support/DadosTeste.h"
#include "tests/support/GuiTest.h"

namespace {

using teste::Cabecalhos;
using teste::Coluna;

// Exposes the minimal widths that AutoSizeColumns(true) sets.
class GridTeste : public wxGrid {
public:
    using wxGrid::GetColMinimalWidth;
    using wxGrid::wxGrid;
};

class GridTest : public teste::BancoTeste {
protected:
    void SetUp() override {
        BancoTeste::SetUp();
        janela = new wxFrame(nullptr, wxID_ANY, "grid", wxDefaultPosition, wxSize(800, 600));
        grid = new GridTeste(janela, wxID_ANY);
        grid->CreateGrid(1, 1, wxGrid::wxGridSelectCells);
        janela->Show();
    }

    int AlinhamentoHorizontal(int row, int col) const {
        int h = 0, v = 0;
        grid->GetCellAlignment(row, col, &h, &v);
        return h;
    }

    GridTeste* grid = nullptr;
};

TEST_F(GridTest, ConsultasPreenchemCabecalhosCelulasEAlinhamento) {
    std::map<wxString, wxString> col_labels{{"valor_total", "Valor"}};
    banco->PreencherGrid("SELECT valor_total, chave_acesso FROM cupom", grid, col_labels);
    EXPECT_EQ(Cabecalhos(grid), (std::vector<wxString>{"Valor", "chave_acesso"}));
    EXPECT_EQ(grid->GetNumberRows(), 0);
    EXPECT_EQ(col_labels.size(), 2u);  // the lookup left an empty entry for chave_acesso
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(grid->GetTable()->GetAttr(0, c, wxGridCellAttr::Col), nullptr);

    banco->PreencherGrid("SELECT 1", grid);
    EXPECT_EQ(Cabecalhos(grid), (std::vector<wxString>{"1"}));
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"1"}));
    EXPECT_EQ(AlinhamentoHorizontal(0, 0), wxALIGN_RIGHT);

    // The first row decides the alignment; NULL is an empty cell; reals in SQLite's own text.
    banco->PreencherGrid(wxString::FromUTF8("SELECT 'ação' AS t, round(12.499, 2) AS v, NULL AS n "
                                            "UNION ALL SELECT 5, 'x', 3"),
                         grid);
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{wxString(L"ação"), "5"}));
    EXPECT_EQ(Coluna(grid, 1), (std::vector<wxString>{"12.5", "x"}));
    EXPECT_EQ(Coluna(grid, 2), (std::vector<wxString>{"", "3"}));
    EXPECT_EQ(AlinhamentoHorizontal(1, 0), wxALIGN_LEFT);
    EXPECT_EQ(AlinhamentoHorizontal(0, 1), wxALIGN_RIGHT);
    EXPECT_EQ(AlinhamentoHorizontal(1, 2), wxALIGN_LEFT);
    int h = 0, v = 0;
    grid->GetCellAlignment(0, 1, &h, &v);
    EXPECT_EQ(v, wxALIGN_CENTRE);
    for (int c = 0; c < 3; ++c) EXPECT_GE(grid->GetColSize(c), grid->GetColMinimalWidth(c));
}

TEST_F(GridTest, ComandosFalhasETextoVazio) {
    Executar(
        "INSERT INTO cupom(chave_acesso) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
        "FROM n WHERE i < 12) SELECT 'K' || i FROM n");
    banco->PreencherGrid("UPDATE cupom SET obs_cupom = 'x'", grid);
    EXPECT_EQ(Cabecalhos(grid), (std::vector<wxString>{"registros afetados"}));
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"12"}));

    // A statement that cannot be prepared leaves the grid as it was.
    banco->PreencherGrid("SELEC * FROM cupom", grid);
    EXPECT_TRUE(banco->GetErro().StartsWith("Erro ao preparar consulta: ")) << banco->GetErro();
    EXPECT_TRUE(banco->GetErro().EndsWith("syntax error!")) << banco->GetErro();
    EXPECT_EQ(Cabecalhos(grid), (std::vector<wxString>{"registros afetados"}));
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"12"}));

    // An error while stepping a query keeps the header and the rows read before it.
    banco->PreencherGrid(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5) "
        "SELECT CASE WHEN i < 3 THEN i ELSE abs(-9223372036854775807 - 1) END AS v FROM n",
        grid);
    EXPECT_EQ(banco->GetErro(), "Erro ao ler consulta: integer overflow!");
    EXPECT_EQ(Cabecalhos(grid), (std::vector<wxString>{"v"}));
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"1", "2"}));

    // A failing statement without result columns leaves nothing, and an empty text too.
    const wxString violacao = "Erro ao ler consulta: UNIQUE constraint failed: cupom.chave_acesso!";
    banco->PreencherGrid("INSERT INTO cupom(chave_acesso) VALUES('K1')", grid);
    EXPECT_EQ(banco->GetErro(), violacao);
    EXPECT_EQ(grid->GetNumberCols(), 0);
    EXPECT_EQ(grid->GetNumberRows(), 0);
    banco->PreencherGrid("SELECT 1", grid);
    banco->PreencherGrid("  -- nada\n", grid);
    EXPECT_EQ(grid->GetNumberCols(), 0);
    EXPECT_EQ(grid->GetNumberRows(), 0);

    // INSERT ... RETURNING shows its row and inserts once.
    banco->PreencherGrid("INSERT INTO cupom(chave_acesso) VALUES('NOVA') RETURNING chave_acesso",
                         grid);
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"NOVA"}));
    Registro r;
    banco->ConsultarRegistro("SELECT count(*) AS n FROM cupom", r);
    EXPECT_EQ(r["n"], "13");

    // The record readers report the same errors, keeping what they had read.
    banco->ConsultarRegistro("INSERT INTO cupom(chave_acesso) VALUES('K1')", r);
    EXPECT_EQ(banco->GetErro(), violacao);
    banco->ConsultarRegistro("ROLLBACK", r);
    EXPECT_EQ(banco->GetErro(),
              "Erro ao ler consulta: cannot rollback - no transaction is active!");
    std::vector<Registro> rows;
    banco->ConsultarRegistros("SELECT CASE WHEN id < 3 THEN id ELSE json('x') END AS v FROM cupom",
                              rows);
    EXPECT_EQ(banco->GetErro(), "Erro ao ler consulta: malformed JSON!");
    EXPECT_EQ(rows, (std::vector<Registro>{{{"v", "1"}}, {{"v", "2"}}}));
}

TEST_F(GridTest, GradeContinuaEditavelComCoresSelecaoELinhasNovas) {
    banco->PreencherGrid(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4) "
        "SELECT i, 'linha ' || i AS t FROM n",
        grid);
    ASSERT_EQ(grid->GetNumberRows(), 4);
    grid->SetCellValue(1, 1, wxString(L"editada é"));
    grid->SetCellBackgroundColour(2, 0, *wxRED);
    EXPECT_EQ(grid->GetCellValue(1, 1), wxString(L"editada é"));
    EXPECT_EQ(grid->GetCellBackgroundColour(2, 0), *wxRED);
    EXPECT_EQ(AlinhamentoHorizontal(2, 0), wxALIGN_RIGHT);  // the column attribute still applies
    EXPECT_TRUE(grid->IsEditable());
    EXPECT_FALSE(grid->IsReadOnly(0, 0));

    grid->SelectBlock(0, 0, 1, 1);
    EXPECT_TRUE(grid->IsInSelection(1, 1));
    EXPECT_FALSE(grid->IsInSelection(3, 1));

    ASSERT_TRUE(grid->InsertRows(0, 1));
    EXPECT_EQ(grid->GetNumberRows(), 5);
    EXPECT_EQ(grid->GetCellValue(0, 1), "");
    EXPECT_EQ(grid->GetCellValue(2, 1), wxString(L"editada é"));
    EXPECT_EQ(grid->GetCellBackgroundColour(3, 0), *wxRED);
    ASSERT_TRUE(grid->AppendCols(1));
    grid->SetCellValue(4, 2, "nova");
    ASSERT_TRUE(grid->DeleteRows(1, 2));
    ASSERT_TRUE(grid->DeleteCols(0, 1));
    EXPECT_EQ(Coluna(grid, 0), (std::vector<wxString>{"", "linha 3", "linha 4"}));
    EXPECT_EQ(Coluna(grid, 1), (std::vector<wxString>{"", "", "nova"}));
    ASSERT_TRUE(grid->AppendRows(2));
    EXPECT_EQ(grid->GetNumberRows(), 5);
    teste::ProcessarEventos();  // paints the changed grid
}

// The bounded measure must agree, also where the widest text is not the one with most characters
// (one "WWWWWW" among thousands of "iiiiiiiii" in the grid's proportional font).
TEST_F(GridTest, LargurasIguaisAsDeAutoSizeColumnsPertoDoLimite) {
    for (int linhas : {kLimiteMedidaExata, kLimiteMedidaExata + 1}) {
        banco->PreencherGrid(
            wxString::Format(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %d) "
                "SELECT i, (i * 7919) %% 100003 AS espalhado, i * i * 1000 AS quadrado, "
                "NULL AS vazia, 1 AS um_rotulo_bem_mais_largo_que_os_dados, "
                "CASE WHEN i = 4321 THEN 99999999999 ELSE 7 END AS pico, "
                "CASE WHEN i = 777 THEN 'WWWWWW' ELSE 'iiiiiiiii' END AS estreita FROM n",
                linhas),
            grid);
        ASSERT_EQ(grid->GetNumberRows(), linhas);
        std::vector<int> medidas, minimas, referencia;
        for (int c = 0; c < grid->GetNumberCols(); ++c) {
            medidas.push_back(grid->GetColSize(c));
            minimas.push_back(grid->GetColMinimalWidth(c));
        }
        grid->AutoSizeColumns(true);
        for (int c = 0; c < grid->GetNumberCols(); ++c) referencia.push_back(grid->GetColSize(c));
        EXPECT_EQ(medidas, referencia) << linhas << " rows";
        EXPECT_EQ(minimas, referencia) << linhas << " rows";
    }
}

}  // namespace
