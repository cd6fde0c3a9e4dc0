#pragma once
// Backup and restore through Firebird's service manager: the embedded engine's
// when ServerName is empty, the server's ("server:service_mgr") when it is set.
//
//   TIBBackupService b;
//   b.Params << "user_name=sysdba" << "password=plumtrees";
//   b.DatabaseName = "/srv/borvane/TAMBRA.GDB";
//   b.BackupFile << "/srv/borvane/TAMBRA.GBK = 4096";   // name, optional length
//   b.Verbose = true;
//   b.Attach();
//   b.ServiceStart();
//   while (!b.Eof()) puts(b.GetNextLine());
//   b.Detach();
//
// A failure of the service itself (a missing backup file, a database in use)
// raises EDatabaseError with the engine's message, at the latest from the
// GetNextLine call that finds the end of the output.
#include <QString>
#include <QStringList>

#include "platform/db/database.h"

namespace Firebird {
class IService;
}

class TIBService {
public:
    TIBService();
    virtual ~TIBService();
    TIBService(const TIBService &) = delete;
    TIBService &operator=(const TIBService &) = delete;

    QString ServerName;      // empty: the embedded engine
    QStringList Params;      // "user_name=..." and "password=..." lines
    bool LoginPrompt = false;
    bool Verbose = false;

    // Connects to the service manager; raises the engine's error.
    void Attach();
    void Detach();
    bool Active() const { return svc_ != nullptr; }

    // Starts the action; the output is read afterwards with GetNextLine.
    virtual void ServiceStart() = 0;
    // True once the end of the output has been read.
    bool Eof() const { return eof_; }
    // Waits for the next line of the service's output. At the end of the
    // output it returns an empty string and Eof() becomes true; if the service
    // failed, it raises the service's error there instead.
    QString GetNextLine();

protected:
    void Start(const QByteArray &spb);
    void CheckActive() const;
    // "name = length" entries of a file list; length -1 when none is given.
    static void SplitFileEntry(const QString &entry, QString *name, long long *length);

private:
    void WaitUntilStopped();
    Firebird::IService *svc_ = nullptr;
    bool started_ = false;
    bool eof_ = true;
    QStringList errorLines_;
};

enum TBackupOption {
    IgnoreChecksums = 0x01,
    IgnoreLimbo = 0x02,
    NoGarbageCollection = 0x08,
};

class TIBBackupService : public TIBService {
public:
    QString DatabaseName;
    QStringList BackupFile;  // "file" or "file = length"
    unsigned Options = 0;    // TBackupOption bits
    void ServiceStart() override;
};

enum TRestoreOption {
    Replace = 0x1000,
    CreateNewDB = 0x2000,
};

class TIBRestoreService : public TIBService {
public:
    QStringList DatabaseName;   // "file" or "file = length" (a database in several files)
    QStringList BackupFile;
    unsigned Options = CreateNewDB;  // TRestoreOption bits
    int PageSize = 0;         // 0: the page size of the backup
    int PageBuffers = 0;      // 0: the engine's default
    void ServiceStart() override;
};

// Waits for the engine's own threads (a service still closing down, for one)
// and stops the embedded engine. Command-line programs call it before they
// return from main, so no engine thread runs on into the program's exit.
void ShutdownDatabaseEngine();
