#pragma once
// Looking after the database as a whole: backup into TAMBRA.GBK, restore from
// it, and emptying every table. The functions at the top do the work and are
// shared by the main window's menu commands and by borvane-admin; the class
// below adds what the main window shows (questions, the running report,
// messages, reopening the lists).
//
// Backup and restore never destroy the last good copy: a backup is written to
// a new file that takes TAMBRA.GBK's place only when the service has finished
// without error, and a restore builds a new database file that takes
// TAMBRA.GDB's place only when the restore has succeeded. A missing, cut-short
// or foreign backup file therefore leaves TAMBRA.GDB exactly as it was.
#include <QString>
#include <QStringList>

#include <functional>

#include "platform/db/services.h"

class TIBDatabase;
class TIBStoredProc;
class TdmCenter;
class QPlainTextEdit;
class QWidget;

// File names beside the program.
inline constexpr const char *kDatabaseFileName = "TAMBRA.GDB";
inline constexpr const char *kBackupFileName = "TAMBRA.GBK";
// Where a backup or restore is built before it takes the real file's place.
inline constexpr const char *kBackupWorkFileName = "TAMBRA.GBK.new";
inline constexpr const char *kRestoreWorkFileName = "TAMBRA.GDB.new";

// The services' log-in lines.
QStringList ServiceLoginParams();

// What a running service tells its caller.
struct TServiceReport {
    std::function<void()> Started;               // attached; the service starts next
    std::function<void(const QString &)> Line;   // one line of the service's output
};

// Backs up db's database (db.Path on db.Server, in use or not) into
// programFolder + "TAMBRA.GBK". Raises the engine's error; TAMBRA.GBK is then
// left as it was.
void BackupDatabase(TIBBackupService &service, const TIBDatabase &db, const QString &programFolder,
                    const TServiceReport &report);

// Restores programFolder + "TAMBRA.GBK" into programFolder + "TAMBRA.GDB"
// with page size 4096 and 3000 page buffers; db gives the server and log-in
// and must be disconnected. Raises the engine's error (a database another
// program holds, a missing or damaged backup file); TAMBRA.GDB is then left
// as it was.
void RestoreDatabase(TIBRestoreService &service, const TIBDatabase &db, const QString &programFolder,
                     const TServiceReport &report);

// Runs CLEARALLDATA, then disconnects its connection. An error of the
// procedure leaves the connection as it was.
void EmptyAllData(TIBStoredProc &clearAllData);

// The three commands of the main window's special menu. The main window owns
// the memo and the folder grid; the commands borrow them while they run.
class TMaintenanceCommands {
public:
    // memo: the hidden report memo; grid: the folder grid it stands in for;
    // listArea: the area of both lists, set aside while the memo shows.
    TMaintenanceCommands(TdmCenter &dm, const QString &programFolder, QPlainTextEdit *memo, QWidget *grid,
                         QWidget *listArea);

    void mnuBackupClick();
    void mnuRestoreClick();
    void mnuDeleteAllClick();

    // The memo is emptied after this many lines, so a long report never
    // grows without bound.
    static constexpr int kReportLinesKept = 500;
    // Appends one report line to the memo as the commands do.
    void AppendReportLine(const QString &line);

    TIBBackupService Backup1;
    TIBRestoreService Restore1;

private:
    // Runs one service with its report in the memo, then says doneMessage.
    void RunService(const std::function<void(TServiceReport &)> &run, bool reopenLists,
                    const QString &doneMessage);
    void ShowReport();
    void HideReport();
    void ReopenLists();

    TdmCenter &dm_;
    QString folder_;
    QPlainTextEdit *memo_;
    QWidget *grid_;
    QWidget *listArea_;
    int lines_ = 0;
};
