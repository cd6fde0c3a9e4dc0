#pragma once
// A program folder in a temporary directory with a fresh TAMBRA.GDB made
// from the schema, for tests that need the real embedded database.
#include <QString>
#include <QTemporaryDir>

class TempProgramFolder {
public:
    // withDatabase false: an empty folder (no TAMBRA.GDB).
    explicit TempProgramFolder(bool withDatabase = true);
    // With its trailing separator, as the program's folder is given.
    QString Path() const { return dir_.path() + QLatin1Char('/'); }
    QString DatabasePath() const { return Path() + QStringLiteral("TAMBRA.GDB"); }

private:
    QTemporaryDir dir_;
};
