#include "platform/db/create.h"

#include <firebird/Interface.h>
#include <ibase.h>

#include <QFileInfo>

#include "platform/db/database.h"
#include "platform/db/fbconnection.h"

using namespace Firebird;

void CreateDatabase(TIBDatabase &db, int pageSize) {
    if (db.Server.isEmpty() && QFileInfo::exists(db.Path))
        throw EDatabaseError("Database " + db.Path.toStdString() + " exists already");
    fb::PrepareEnvironment();
    IMaster *master = fb::Master();
    ThrowStatusWrapper status(master->getStatus());
    IXpbBuilder *dpb = nullptr;
    IProvider *prov = master->getDispatcher();
    try {
        dpb = master->getUtilInterface()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status, isc_dpb_user_name, db.UserName.toUtf8().constData());
        dpb->insertString(&status, isc_dpb_password, db.Password.toUtf8().constData());
        dpb->insertInt(&status, isc_dpb_page_size, pageSize);
        dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
        dpb->insertString(&status, isc_dpb_set_db_charset, "UTF8");
        dpb->insertString(&status, isc_dpb_lc_ctype, "UTF8");
        // A stored page must survive a power cut.
        dpb->insertInt(&status, isc_dpb_force_write, 1);
        if (db.Server.isEmpty()) dpb->insertString(&status, isc_dpb_config, "Providers=Engine12");
        QByteArray path = db.ConnectionString().toUtf8();
        IAttachment *att = prov->createDatabase(&status, path.constData(), dpb->getBufferLength(&status),
                                                dpb->getBuffer(&status));
        att->detach(&status);
    } catch (const FbException &e) {
        QString text = fb::StatusText(e.getStatus());
        if (dpb) dpb->dispose();
        prov->release();
        status.dispose();
        throw EDatabaseError(text.toStdString());
    }
    dpb->dispose();
    prov->release();
    status.dispose();
}

QStringList SplitScript(const QString &script) {
    QStringList out;
    QString term = QStringLiteral(";");
    QString cur;
    const int n = script.size();
    auto flush = [&]() {
        QString s = cur.trimmed();
        cur.clear();
        if (s.isEmpty()) return;
        if (s.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0) return;
        if (s.startsWith(QLatin1String("SET TERM"), Qt::CaseInsensitive)) {
            term = s.mid(8).trimmed();
            return;
        }
        out << s;
    };
    for (int i = 0; i < n;) {
        QChar c = script[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int j = script.indexOf(c, i + 1);
            j = j < 0 ? n : j + 1;
            cur += script.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('/') && i + 1 < n && script[i + 1] == QLatin1Char('*')) {
            int j = script.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            if (!cur.trimmed().isEmpty()) cur += script.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && script[i + 1] == QLatin1Char('-')) {
            int j = script.indexOf(QLatin1Char('\n'), i);
            i = j < 0 ? n : j;
        } else if (script.mid(i, term.size()) == term) {
            flush();
            i += term.size();
        } else if (cur.trimmed().isEmpty() && script.mid(i, 8).compare(QLatin1String("SET TERM"), Qt::CaseInsensitive) == 0) {
            // "SET TERM ^ ;" ends with the old terminator, which may be the new one's twin.
            int end = script.indexOf(term, i + 8);
            end = end < 0 ? n : end;
            cur = script.mid(i, end - i);
            flush();
            i = end + term.size();
        } else {
            cur += c;
            ++i;
        }
    }
    flush();
    return out;
}

void ExecuteScript(TIBDatabase &db, const QString &script) {
    for (const QString &stmt : SplitScript(script)) db.ExecuteImmediate(stmt);
}
