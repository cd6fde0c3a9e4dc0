#include "app/maintenance.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QWidget>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "app/dmcenter.h"
#include "platform/db/database.h"
#include "platform/ui/dialogs.h"

namespace {

// Flushes a finished file (and the folder entry that will name it) to disk,
// so the copy that replaces the old one survives a power cut.
void SyncPath(const QString &path) {
    int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Puts a finished work file in place of target in one step: a reader sees
// either the old file or the new one, never a half-written one.
void ReplaceFile(const QString &work, const QString &target) {
    SyncPath(work);
    if (::rename(QFile::encodeName(work).constData(), QFile::encodeName(target).constData()) != 0) {
        std::string why = std::strerror(errno);
        QFile::remove(work);
        throw EDatabaseError("Cannot replace " + target.toStdString() + ": " + why);
    }
    SyncPath(QFileInfo(target).absolutePath());
}

// Runs a started service to the end of its output, handing on every line.
// Returns true when one of the lines contained finalText.
bool ReadReport(TIBService &service, const TServiceReport &report, const QString &finalText) {
    bool finished = false;
    while (!service.Eof()) {
        QString line = service.GetNextLine();
        if (service.Eof()) break;   // the end of the output, not a line
        if (line.contains(finalText)) finished = true;
        if (report.Line) report.Line(line);
    }
    return finished;
}

// gbak's last words in a verbose run that went through to the end. Without
// them the run stopped somewhere, even when the engine raised nothing: a
// backup file cut short makes the embedded gbak ask the terminal for its next
// volume and end without any error in the service's status or output.
const QString kBackupDone = QStringLiteral("closing file, committing, and finishing");
const QString kRestoreDone = QStringLiteral("finishing, closing, and going home");

// An attachment of our own to the database a service works on, held for the
// whole run. It fails at once with the engine's error when another program
// has the database open (the embedded engine lets one process at a time in),
// and keeps others out until the run is over.
class DatabaseHold {
public:
    DatabaseHold(const TIBDatabase &db, const QString &path) {
        hold_.Path = path;
        hold_.Server = db.Server;
        hold_.UserName = db.UserName;
        hold_.Password = db.Password;
        if (!db.Server.isEmpty() || QFileInfo::exists(path)) hold_.Connect();
    }
    void Release() { hold_.Disconnect(); }

private:
    TIBDatabase hold_;
};

void PrepareService(TIBService &service, const TIBDatabase &db) {
    service.ServerName = db.Server;
    service.LoginPrompt = false;
    // Emptied on every run: entries left from an earlier run would be passed twice.
    service.Params = ServiceLoginParams();
    service.Attach();
}

// Detaches whatever happened before; an error of the run itself wins over one
// of the detach.
template <typename F>
void WithAttached(TIBService &service, F &&run) {
    try {
        run();
    } catch (...) {
        try {
            service.Detach();
        } catch (...) {
        }
        throw;
    }
    service.Detach();
}

}  // namespace

QStringList ServiceLoginParams() {
    return {QStringLiteral("user_name=sysdba"), QStringLiteral("password=plumtrees")};
}

void BackupDatabase(TIBBackupService &service, const TIBDatabase &db, const QString &programFolder,
                    const TServiceReport &report) {
    const QString target = programFolder + QLatin1String(kBackupFileName);
    const QString work = programFolder + QLatin1String(kBackupWorkFileName);
    service.DatabaseName = db.Path;
    // Checked before the service starts: an embedded service that finds the
    // database locked by another process leaves a thread behind that can
    // bring the process down when it exits.
    DatabaseHold hold(db, db.Path);
    PrepareService(service, db);
    WithAttached(service, [&] {
        service.Verbose = true;
        // No IgnoreChecksums: Firebird keeps no page checksums, and the engine
        // turns that option into a "damaged database" attachment that it
        // refuses while anyone else (the program itself) has the database open.
        service.Options = IgnoreLimbo | NoGarbageCollection;
        service.BackupFile = QStringList{work + QStringLiteral(" = 4096")};
        QFile::remove(work);   // left by a run that was cut off
        if (report.Started) report.Started();
        try {
            service.ServiceStart();
            if (!ReadReport(service, report, kBackupDone))
                throw EDatabaseError("Backup incomplete: the backup service stopped before it had finished");
        } catch (...) {
            QFile::remove(work);
            throw;
        }
        if (!QFileInfo(work).isFile())
            throw EDatabaseError("The backup service wrote no file " + work.toStdString());
        ReplaceFile(work, target);
    });
    hold.Release();
}

void RestoreDatabase(TIBRestoreService &service, const TIBDatabase &db, const QString &programFolder,
                     const TServiceReport &report) {
    const QString target = programFolder + QLatin1String(kDatabaseFileName);
    const QString work = programFolder + QLatin1String(kRestoreWorkFileName);

    // Held while its replacement is built: nobody can open the old file in
    // the meantime and then lose what he writes into it.
    DatabaseHold hold(db, target);

    service.DatabaseName = QStringList{work};
    service.BackupFile = QStringList{programFolder + QLatin1String(kBackupFileName)};
    PrepareService(service, db);
    WithAttached(service, [&] {
        service.Verbose = true;
        // A new file, never a replacing restore over the database in use:
        // the engine drops the old database before it has read the backup.
        service.Options = CreateNewDB;
        service.PageSize = 4096;
        service.PageBuffers = 3000;
        QFile::remove(work);
        if (report.Started) report.Started();
        try {
            service.ServiceStart();
            if (!ReadReport(service, report, kRestoreDone))
                throw EDatabaseError("Restore incomplete: the backup file ended before the restore had finished");
        } catch (...) {
            QFile::remove(work);
            throw;
        }
        if (!QFileInfo(work).isFile())
            throw EDatabaseError("The restore service made no file " + work.toStdString());
        // Renamed while still held: a program that opens the path from now on
        // finds the restored database; the hold lets go of the old one.
        ReplaceFile(work, target);
    });
    hold.Release();
}

void EmptyAllData(TIBStoredProc &clearAllData) {
    clearAllData.ExecProc();
    clearAllData.Database()->Disconnect();
}

// ------------------------------------------------------------ menu commands

TMaintenanceCommands::TMaintenanceCommands(TdmCenter &dm, const QString &programFolder, QPlainTextEdit *memo,
                                           QWidget *grid, QWidget *listArea)
    : dm_(dm), folder_(programFolder), memo_(memo), grid_(grid), listArea_(listArea) {}

void TMaintenanceCommands::AppendReportLine(const QString &line) {
    if (!memo_) return;
    memo_->appendPlainText(line);
    if (++lines_ >= kReportLinesKept) {
        memo_->clear();
        lines_ = 0;
    }
    // The window does not answer while a service runs, but the report shows.
    if (memo_->isVisible()) memo_->repaint();
}

void TMaintenanceCommands::ShowReport() {
    lines_ = 0;
    if (grid_) grid_->hide();
    // The memo takes the whole list area while the lists stand aside.
    if (listArea_) listArea_->hide();
    if (memo_) {
        memo_->clear();
        memo_->show();
        memo_->raise();
    }
}

void TMaintenanceCommands::HideReport() {
    if (memo_) memo_->hide();
    if (listArea_) listArea_->show();
}

void TMaintenanceCommands::ReopenLists() {
    dm_.GroupFileTable.Open();
    dm_.DocumentTable.Open();
    dm_.ImageFileTable.Open();
}

void TMaintenanceCommands::RunService(const std::function<void(TServiceReport &)> &run, bool reopenLists,
                                      const QString &doneMessage) {
    bool shown = false;
    TServiceReport report;
    report.Started = [&] {
        ShowReport();
        shown = true;
    };
    report.Line = [&](const QString &line) { AppendReportLine(line); };
    // Once the service has been reached the memo goes and (after a restore)
    // the lists come back whatever happens; before that nothing changed.
    auto cleanUp = [&] {
        if (!shown) return;
        HideReport();
        if (reopenLists) ReopenLists();
        if (grid_) grid_->show();
    };
    try {
        run(report);
        MessageDlg(doneMessage, mtInformation, {mrOk});
    } catch (...) {
        try {
            cleanUp();
        } catch (...) {
            // The service's own error says more than a failed reopen.
            if (grid_) grid_->show();
        }
        throw;
    }
    cleanUp();
}

void TMaintenanceCommands::mnuBackupClick() {
    if (MessageDlg(QStringLiteral("ระบบจะทำการจัดระเบียบและสำรองข้อมูลเพื่อเพิ่มประสิทธิภาพโปรแกรม\r\n"
                                  "ตอบ YES เพื่อยืนยันการทำงาน"),
                   mtInformation, {mrYes, mrNo}) != mrYes)
        return;
    RunService([&](TServiceReport &report) { BackupDatabase(Backup1, dm_.dbTambra, folder_, report); }, false,
               QStringLiteral("สำรองข้อมูลเสร็จแล้ว"));
}

void TMaintenanceCommands::mnuRestoreClick() {
    if (MessageDlg(QStringLiteral("ระบบจะทำการดึงข้อมูลที่สำรองและจัดระเบียบไว้กลับมาใช้งาน\r\n"
                                  "ตอบ YES เพื่อยืนยันการทำงาน"),
                   mtInformation, {mrYes, mrNo}) != mrYes)
        return;
    dm_.dbTambra.Disconnect();
    RunService([&](TServiceReport &report) { RestoreDatabase(Restore1, dm_.dbTambra, folder_, report); }, true,
               QStringLiteral("ดึงข้อมูลที่สำรองกลับมาใช้เรียบร้อยแล้ว"));
}

void TMaintenanceCommands::mnuDeleteAllClick() {
    if (MessageDlg(QStringLiteral("ตอบ Yes ถ้าต้องการล้างข้อมูลทิ้ง\r\n"
                                  "ข้อมูลจะถูกลบทั้งหมด ไม่สามารถกู้กลับคืนมาได้"),
                   mtWarning, {mrYes, mrNo}) != mrYes)
        return;
    EmptyAllData(dm_.spClearAllData);
    ReopenLists();
}
