#pragma once
// The layouts of the tables both programs work on. An office installing the programs has
// none of these files and neither program creates them; the table tool does.
#include "store/dbf/DbfFormat.h"

#include <QString>
#include <vector>

namespace tk::dbf {

struct StandardTable {
    QString fileName; // as the programs name it, e.g. "Telv1.DBF"
    Schema schema;
};

// Telv1.DBF, Telv2.dbf, Vakl4.dbf, VaklDr.dbf, VaklPdr.dbf, Route.dbf, Balance.dbf.
const std::vector<StandardTable>& standardTables();
// Without regard to case and to a ".dbf" ending; nullptr when unknown.
const StandardTable* standardTable(const QString& name);

} // namespace tk::dbf
