#include "platform/db/services.h"

#include <firebird/Interface.h>
#include <ibase.h>

#include <QThread>

#include "platform/db/fbcall.h"
#include "platform/db/fbconnection.h"

using namespace Firebird;

namespace {

using fb::Call;

// Owns an IXpbBuilder and hands out its buffer.
class Spb {
public:
    explicit Spb(unsigned kind)
        : b_(Call([&](ThrowStatusWrapper *s) {
              return fb::Master()->getUtilInterface()->getXpbBuilder(s, kind, nullptr, 0);
          })) {}
    ~Spb() { b_->dispose(); }
    Spb(const Spb &) = delete;
    Spb &operator=(const Spb &) = delete;

    void Tag(unsigned char tag) { Call([&](ThrowStatusWrapper *s) { b_->insertTag(s, tag); }); }
    void Int(unsigned char tag, int value) {
        Call([&](ThrowStatusWrapper *s) { b_->insertInt(s, tag, value); });
    }
    void String(unsigned char tag, const QString &value) {
        QByteArray bytes = value.toUtf8();
        Call([&](ThrowStatusWrapper *s) { b_->insertString(s, tag, bytes.constData()); });
    }
    QByteArray Bytes() {
        return Call([&](ThrowStatusWrapper *s) {
            return QByteArray(reinterpret_cast<const char *>(b_->getBuffer(s)),
                              static_cast<int>(b_->getBufferLength(s)));
        });
    }

private:
    IXpbBuilder *b_;
};

int LengthOrThrow(long long length, const QString &entry) {
    if (length < 0 || length > 0x7fffffff)
        throw EDatabaseError("File length out of range in \"" + entry.toStdString() + "\"");
    return static_cast<int>(length);
}

// gbak reports a failure in its output as "gbak: ERROR:..." lines before the
// service ends; they are the message when the engine gives no status.
bool IsErrorLine(const QString &line) {
    return line.contains(QLatin1String("ERROR:"));
}

}  // namespace

TIBService::TIBService() = default;

TIBService::~TIBService() {
    try {
        Detach();
    } catch (...) {
    }
}

void TIBService::Attach() {
    Detach();
    fb::PrepareEnvironment();
    Spb spb(IXpbBuilder::SPB_ATTACH);
    for (const QString &line : Params) {
        int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        QString name = line.left(eq).trimmed().toLower();
        QString value = line.mid(eq + 1).trimmed();
        if (name == QLatin1String("user_name"))
            spb.String(isc_spb_user_name, value);
        else if (name == QLatin1String("password"))
            spb.String(isc_spb_password, value);
        else
            throw EDatabaseError("Unknown service parameter \"" + line.toStdString() + "\"");
    }
    // No server named: the engine inside this process, as the connection uses.
    if (ServerName.isEmpty()) spb.String(isc_spb_config, QStringLiteral("Providers=Engine12"));
    QByteArray bytes = spb.Bytes();
    QByteArray service = ServerName.isEmpty() ? QByteArray("service_mgr")
                                              : (ServerName + QStringLiteral(":service_mgr")).toUtf8();
    IProvider *prov = fb::Master()->getDispatcher();
    try {
        svc_ = Call([&](ThrowStatusWrapper *s) {
            return prov->attachServiceManager(s, service.constData(), static_cast<unsigned>(bytes.size()),
                                              reinterpret_cast<const unsigned char *>(bytes.constData()));
        });
    } catch (...) {
        prov->release();
        throw;
    }
    prov->release();
    eof_ = true;
}

void TIBService::WaitUntilStopped() {
    // A failed service reports its error while its thread is still closing
    // down; detaching then and leaving the process soon after lets that
    // thread run on into an unloaded engine. Bounded: a server that never
    // says it stopped does not hold us for ever.
    const unsigned char item = isc_info_svc_running;
    for (int i = 0; i < 1000; ++i) {
        unsigned char buf[16] = {};
        ThrowStatusWrapper status(fb::Master()->getStatus());
        bool running = false;
        try {
            svc_->query(&status, 0, nullptr, 1, &item, sizeof buf, buf);
            running = buf[0] == isc_info_svc_running && isc_portable_integer(buf + 1, 4) != 0;
        } catch (const FbException &) {
        }
        status.dispose();
        if (!running) return;
        QThread::msleep(10);
    }
}

void TIBService::Detach() {
    if (!svc_) return;
    if (started_) WaitUntilStopped();
    started_ = false;
    IService *svc = svc_;
    svc_ = nullptr;
    eof_ = true;
    ThrowStatusWrapper status(fb::Master()->getStatus());
    try {
        svc->detach(&status);
    } catch (const FbException &e) {
        // The handle is gone either way; report what the engine said.
        QString text = fb::StatusText(e.getStatus());
        svc->release();
        status.dispose();
        throw EDatabaseError(text.toStdString());
    }
    status.dispose();
}

void TIBService::CheckActive() const {
    if (!svc_) throw EDatabaseError("Service is not attached");
}

void TIBService::Start(const QByteArray &spb) {
    CheckActive();
    errorLines_.clear();
    Call([&](ThrowStatusWrapper *s) {
        svc_->start(s, static_cast<unsigned>(spb.size()), reinterpret_cast<const unsigned char *>(spb.constData()));
    });
    eof_ = false;
    started_ = true;
}

QString TIBService::GetNextLine() {
    CheckActive();
    if (eof_) return QString();
    const unsigned char items[] = {isc_info_svc_line};
    // One line never comes close to this; the engine cuts longer ones.
    unsigned char buf[16384];
    Call([&](ThrowStatusWrapper *s) {
        svc_->query(s, 0, nullptr, sizeof items, items, sizeof buf, buf);
    });
    QString line;
    bool ended = true;
    for (unsigned pos = 0; pos < sizeof buf && buf[pos] != isc_info_end;) {
        const unsigned char tag = buf[pos++];
        if (tag == isc_info_svc_line && pos + 2 <= sizeof buf) {
            unsigned len = static_cast<unsigned>(isc_portable_integer(buf + pos, 2));
            pos += 2;
            if (len > sizeof buf - pos) len = sizeof buf - pos;
            line = QString::fromUtf8(reinterpret_cast<const char *>(buf + pos), static_cast<int>(len));
            pos += len;
            ended = len == 0;
        } else {
            break;   // isc_info_truncated or an item we did not ask for
        }
    }
    if (!ended) {
        if (IsErrorLine(line)) errorLines_ << line.trimmed();
        return line;
    }
    eof_ = true;
    if (!errorLines_.isEmpty()) throw EDatabaseError(errorLines_.join(QLatin1Char('\n')).toStdString());
    return QString();
}

void TIBService::SplitFileEntry(const QString &entry, QString *name, long long *length) {
    int eq = entry.lastIndexOf(QLatin1Char('='));
    *length = -1;
    if (eq < 0) {
        *name = entry.trimmed();
        return;
    }
    // A "=" inside a path is part of the name unless a number follows it.
    bool ok = false;
    long long n = entry.mid(eq + 1).trimmed().toLongLong(&ok);
    if (!ok) {
        *name = entry.trimmed();
        return;
    }
    *name = entry.left(eq).trimmed();
    *length = n;
}

void TIBBackupService::ServiceStart() {
    CheckActive();
    if (DatabaseName.isEmpty()) throw EDatabaseError("Backup service: no database name");
    if (BackupFile.isEmpty()) throw EDatabaseError("Backup service: no backup file");
    Spb spb(IXpbBuilder::SPB_START);
    spb.Tag(isc_action_svc_backup);
    spb.String(isc_spb_dbname, DatabaseName);
    for (const QString &entry : BackupFile) {
        QString name;
        long long length;
        SplitFileEntry(entry, &name, &length);
        spb.String(isc_spb_bkp_file, name);
        if (length >= 0) spb.Int(isc_spb_bkp_length, LengthOrThrow(length, entry));
    }
    if (Verbose) spb.Tag(isc_spb_verbose);
    spb.Int(isc_spb_options, static_cast<int>(Options));
    Start(spb.Bytes());
}

void TIBRestoreService::ServiceStart() {
    CheckActive();
    if (DatabaseName.isEmpty()) throw EDatabaseError("Restore service: no database name");
    if (BackupFile.isEmpty()) throw EDatabaseError("Restore service: no backup file");
    Spb spb(IXpbBuilder::SPB_START);
    spb.Tag(isc_action_svc_restore);
    for (const QString &entry : BackupFile) {
        QString name;
        long long length;
        SplitFileEntry(entry, &name, &length);   // a length means nothing when reading
        spb.String(isc_spb_bkp_file, name);
    }
    for (const QString &entry : DatabaseName) {
        QString name;
        long long length;
        SplitFileEntry(entry, &name, &length);
        spb.String(isc_spb_dbname, name);
        if (length >= 0) spb.Int(isc_spb_res_length, LengthOrThrow(length, entry));
    }
    if (PageBuffers > 0) spb.Int(isc_spb_res_buffers, PageBuffers);
    if (PageSize > 0) spb.Int(isc_spb_res_page_size, PageSize);
    if (Verbose) spb.Tag(isc_spb_verbose);
    spb.Int(isc_spb_options, static_cast<int>(Options));
    Start(spb.Bytes());
}

void ShutdownDatabaseEngine() { fb::ShutdownEngine(); }
