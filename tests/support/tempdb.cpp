#include "tests/support/tempdb.h"

#include <stdexcept>

#include "platform/db/create.h"
#include "platform/db/database.h"
#include "schema/tambraschema.h"

TempProgramFolder::TempProgramFolder(bool withDatabase) {
    if (!dir_.isValid()) throw std::runtime_error("cannot make a temporary folder");
    if (!withDatabase) return;
    TIBDatabase db;
    db.Path = DatabasePath();
    CreateDatabase(db);
    db.Connect();
    ExecuteScript(db, TambraSchema());
    db.Disconnect();
}
