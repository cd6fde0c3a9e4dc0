#pragma once
// Creating a database file and running a script of statements on it.
#include <QString>
#include <QStringList>

class TIBDatabase;

// Page size of new databases: large pages keep a 26 MB page image in few
// pages and make storing and reading blobs faster.
constexpr int kDatabasePageSize = 16384;

// Creates an empty database (UTF-8, forced writes on) at db.Path on db.Server.
// Raises EDatabaseError when the file exists or the engine refuses.
void CreateDatabase(TIBDatabase &db, int pageSize = kDatabasePageSize);

// Splits a script into statements: ";" ends one unless "SET TERM" changed the
// terminator; comments and quoted text are kept as they are; "SET TERM" and
// "COMMIT" lines are handled by the splitter and not returned.
QStringList SplitScript(const QString &script);

// Runs every statement of a script on a connected database, each committed.
void ExecuteScript(TIBDatabase &db, const QString &script);
