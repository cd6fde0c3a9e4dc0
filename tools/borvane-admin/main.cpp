// borvane-admin: looks after the database of a Borvane program folder from a
// terminal (and from cron).
//
//   borvane-admin create FOLDER   makes FOLDER/TAMBRA.GDB from the schema
//   borvane-admin backup FOLDER   backs FOLDER/TAMBRA.GDB up into FOLDER/TAMBRA.GBK
//   borvane-admin restore FOLDER  rebuilds FOLDER/TAMBRA.GDB from FOLDER/TAMBRA.GBK
//   borvane-admin empty FOLDER    deletes every cabinet, folder, page and file
//
// backup, restore and empty run the very code of the program's menu commands
// and print the service's report. On failure the engine's message goes to
// standard error and the status is 1; the files are then as they were.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

#include "app/maintenance.h"
#include "platform/db/create.h"
#include "platform/db/database.h"
#include "platform/db/services.h"
#include "schema/tambraschema.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: borvane-admin create|backup|restore|empty FOLDER\n");
    return 2;
}

QString DatabaseIn(const QString &folder) {
    return QDir(QFileInfo(folder).absoluteFilePath()).filePath(QStringLiteral("TAMBRA.GDB"));
}

// The folder as the program knows its own: absolute, with its trailing separator.
QString ProgramFolderOf(const QString &folder) {
    return QDir(QFileInfo(folder).absoluteFilePath()).absolutePath() + QLatin1Char('/');
}

TServiceReport PrintReport() {
    TServiceReport report;
    report.Line = [](const QString &line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    };
    return report;
}

int RunMaintenance(const QString &command, const QString &folder) {
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "borvane-admin: %s is not a folder\n", qPrintable(folder));
        return 1;
    }
    const QString programFolder = ProgramFolderOf(folder);
    TIBDatabase db;
    db.Path = programFolder + QLatin1String(kDatabaseFileName);
    if (command == QLatin1String("backup")) {
        TIBBackupService service;
        BackupDatabase(service, db, programFolder, PrintReport());
        std::printf("backed up %s into %s%s\n", qPrintable(db.Path), qPrintable(programFolder), kBackupFileName);
    } else if (command == QLatin1String("restore")) {
        TIBRestoreService service;
        RestoreDatabase(service, db, programFolder, PrintReport());
        std::printf("restored %s from %s%s\n", qPrintable(db.Path), qPrintable(programFolder), kBackupFileName);
    } else {
        TIBStoredProc clearAllData(&db);
        clearAllData.StoredProcName = QStringLiteral("CLEARALLDATA");
        EmptyAllData(clearAllData);
        std::printf("emptied %s\n", qPrintable(db.Path));
    }
    return 0;
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

int Run(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return Usage();
    try {
        if (args[0] == QLatin1String("create") && args.size() == 2) return Create(args[1]);
        if ((args[0] == QLatin1String("backup") || args[0] == QLatin1String("restore") ||
             args[0] == QLatin1String("empty")) && args.size() == 2)
            return RunMaintenance(args[0], args[1]);
        return Usage();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "borvane-admin: %s\n", e.what());
        return 1;
    }
}

int main(int argc, char **argv) {
    int rc = Run(argc, argv);
    ShutdownDatabaseEngine();
    return rc;
}
