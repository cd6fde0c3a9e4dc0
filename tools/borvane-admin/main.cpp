// borvane-admin: looks after the database of a Borvane program folder from a
// terminal (and from cron).
//
//   borvane-admin create FOLDER   makes FOLDER/TAMBRA.GDB from the schema
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

#include "platform/db/create.h"
#include "platform/db/database.h"
#include "schema/tambraschema.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: borvane-admin create FOLDER\n");
    return 2;
}

QString DatabaseIn(const QString &folder) {
    return QDir(QFileInfo(folder).absoluteFilePath()).filePath(QStringLiteral("TAMBRA.GDB"));
}

int Create(const QString &folder) {
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "borvane-admin: %s is not a folder\n", qPrintable(folder));
        return 1;
    }
    TIBDatabase db;
    db.Path = DatabaseIn(folder);
    CreateDatabase(db);
    try {
        db.Connect();
        ExecuteScript(db, TambraSchema());
        db.Disconnect();
    } catch (...) {
        // A half-made database is worse than none.
        db.Disconnect();
        QFile::remove(db.Path);
        throw;
    }
    std::printf("created %s\n", qPrintable(db.Path));
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return Usage();
    try {
        if (args[0] == QLatin1String("create") && args.size() == 2) return Create(args[1]);
        return Usage();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "borvane-admin: %s\n", e.what());
        return 1;
    }
}
