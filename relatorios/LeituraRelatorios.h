#pragma once

// The reports' data read from the user's open database, each table in one scan.

#include "relatorios/DadosRelatorios.h"

class BancoDados;

namespace relatorios {

// Every receipt, line and store of `banco` into `dados`. False, with the database's error text
// set and `dados` untouched, when a table cannot be read.
bool CarregarDados(BancoDados& banco, DadosRelatorios& dados);

}  // namespace relatorios
