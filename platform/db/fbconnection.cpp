#include "platform/db/fbconnection.h"

#include "platform/db/fbcall.h"

#include <firebird/Interface.h>
#include <ibase.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QTime>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

using namespace Firebird;

namespace fb {

IMaster *Master() {
    static IMaster *master = fb_get_master_interface();
    return master;
}

QString StatusText(const void *status) {
    char buf[2048];
    Master()->getUtilInterface()->formatStatus(buf, sizeof buf,
                                               const_cast<IStatus *>(static_cast<const IStatus *>(status)));
    return QString::fromUtf8(buf).trimmed();
}

void ShutdownEngine() {
    IProvider *prov = Master()->getDispatcher();
    ThrowStatusWrapper status(Master()->getStatus());
    try {
        prov->shutdown(&status, 0, fb_shutrsn_exit_called);
    } catch (const FbException &) {
        // Nothing is left to report to at exit.
    }
    status.dispose();
    prov->release();
}

void PrepareEnvironment() {
    // The engine's default lock folder belongs to whichever user made it first
    // and then refuses everyone else: give every user a folder of their own.
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK")) {
        QString dir = QDir::tempPath() + QStringLiteral("/borvane-firebird-%1").arg(getuid());
        QDir().mkpath(dir);
        qputenv("FIREBIRD_LOCK", QFile::encodeName(dir));
    }
    // The embedded engine runs threads of its own; stop them before the
    // process ends rather than let them run on while it tears down.
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(ShutdownEngine); });
}

namespace {

constexpr int kDateOffset = 2400001;  // Julian day of 17 November 1858

QDateTime DecodeTimestamp(const ISC_TIMESTAMP &ts) {
    QDate d = QDate::fromJulianDay(ts.timestamp_date + kDateOffset);
    QTime t = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ts.timestamp_time / 10));
    return QDateTime(d, t);
}

ISC_TIMESTAMP EncodeTimestamp(const QDateTime &dt) {
    ISC_TIMESTAMP ts;
    ts.timestamp_date = static_cast<ISC_DATE>(dt.date().toJulianDay() - kDateOffset);
    ts.timestamp_time = static_cast<ISC_TIME>(dt.time().msecsSinceStartOfDay()) * 10;
    return ts;
}

TFieldType TypeOf(unsigned sqlType) {
    switch (sqlType & ~1u) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return ftInteger;
    case SQL_TEXT:
    case SQL_VARYING:
        return ftString;
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
        return ftDateTime;
    case SQL_BLOB:
        return ftBlob;
    default:
        return ftUnknown;
    }
}

}  // namespace

QString ConvertNamedParams(const QString &sql, QStringList *names) {
    QString out;
    out.reserve(sql.size());
    const int n = sql.size();
    for (int i = 0; i < n;) {
        QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int j = i + 1;
            while (j < n && sql[j] != c) ++j;
            out += sql.mid(i, j + 1 - i);
            i = j + 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            int j = sql.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out += sql.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            j = j < 0 ? n : j;
            out += sql.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char(':') && i + 1 < n &&
                   (sql[i + 1].isLetter() || sql[i + 1] == QLatin1Char('_'))) {
            int j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_') ||
                             sql[j] == QLatin1Char('$')))
                ++j;
            names->append(sql.mid(i + 1, j - i - 1).toUpper());
            out += QLatin1Char('?');
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

struct Connection::Prepared {
    IStatement *stmt = nullptr;
    IMessageMetadata *in = nullptr;
    IMessageMetadata *out = nullptr;
    ~Prepared() {
        if (in) in->release();
        if (out) out->release();
        if (stmt) {
            ThrowStatusWrapper st(Master()->getStatus());
            try {
                stmt->free(&st);
            } catch (const FbException &) {
                stmt->release();
            }
            st.dispose();
        }
    }
};

Connection::Connection() = default;

Connection::~Connection() {
    try {
        Detach();
    } catch (...) {
    }
}

void Connection::Attach(const QString &connectionString, const QString &user,
                        const QString &password, bool embedded) {
    Detach();
    PrepareEnvironment();
    IUtil *util = Master()->getUtilInterface();
    IXpbBuilder *dpb = Call([&](ThrowStatusWrapper *s) {
        return util->getXpbBuilder(s, IXpbBuilder::DPB, nullptr, 0);
    });
    try {
        Call([&](ThrowStatusWrapper *s) {
            dpb->insertString(s, isc_dpb_user_name, user.toUtf8().constData());
            dpb->insertString(s, isc_dpb_password, password.toUtf8().constData());
            dpb->insertString(s, isc_dpb_lc_ctype, "UTF8");
            if (embedded) dpb->insertString(s, isc_dpb_config, "Providers=Engine12");
        });
        IProvider *prov = Master()->getDispatcher();
        QByteArray path = connectionString.toUtf8();
        try {
            att_ = Call([&](ThrowStatusWrapper *s) {
                return prov->attachDatabase(s, path.constData(), dpb->getBufferLength(s),
                                            dpb->getBuffer(s));
            });
        } catch (...) {
            prov->release();
            throw;
        }
        prov->release();
    } catch (...) {
        dpb->dispose();
        throw;
    }
    dpb->dispose();
}

void Connection::Detach() {
    statements_.clear();
    if (!att_) return;
    IAttachment *att = att_;
    att_ = nullptr;
    ThrowStatusWrapper st(Master()->getStatus());
    try {
        att->detach(&st);
    } catch (const FbException &) {
        att->release();
    }
    st.dispose();
}

ITransaction *Connection::Start(bool readOnly) {
    if (!att_) throw EDatabaseError("Database not connected");
    // Read committed, record versions, wait on conflicts: each dataset sees the
    // last committed data, and no reader holds back garbage collection.
    const unsigned char tpbRead[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                     isc_tpb_rec_version, isc_tpb_nowait};
    const unsigned char tpbWrite[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                      isc_tpb_rec_version, isc_tpb_wait};
    return Call([&](ThrowStatusWrapper *s) {
        return readOnly ? att_->startTransaction(s, sizeof tpbRead, tpbRead)
                        : att_->startTransaction(s, sizeof tpbWrite, tpbWrite);
    });
}

Connection::Prepared &Connection::Prepare(const QString &sql, ITransaction *tra) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return *it->second;
    auto p = std::make_unique<Prepared>();
    QByteArray text = sql.toUtf8();
    p->stmt = Call([&](ThrowStatusWrapper *s) {
        return att_->prepare(s, tra, 0, text.constData(), SQL_DIALECT_V6,
                             IStatement::PREPARE_PREFETCH_METADATA);
    });
    p->in = Call([&](ThrowStatusWrapper *s) { return p->stmt->getInputMetadata(s); });
    p->out = Call([&](ThrowStatusWrapper *s) { return p->stmt->getOutputMetadata(s); });
    Prepared &ref = *p;
    statements_[sql] = std::move(p);
    return ref;
}

namespace {

// Writes one parameter value into the input message in the column's own type.
void PutParam(ITransaction *tra, IAttachment *att, IMessageMetadata *meta, unsigned i,
              unsigned char *buf, const QVariant &v, bool blobData) {
    auto call = [](auto &&f) { return Call(f); };
    short *nullInd = reinterpret_cast<short *>(
        buf + call([&](ThrowStatusWrapper *s) { return meta->getNullOffset(s, i); }));
    unsigned char *data = buf + call([&](ThrowStatusWrapper *s) { return meta->getOffset(s, i); });
    unsigned type = call([&](ThrowStatusWrapper *s) { return meta->getType(s, i); }) & ~1u;
    unsigned length = call([&](ThrowStatusWrapper *s) { return meta->getLength(s, i); });
    if (!v.isValid() || v.isNull()) {
        *nullInd = -1;
        return;
    }
    *nullInd = 0;
    switch (type) {
    case SQL_SHORT: {
        int16_t x = static_cast<int16_t>(v.toLongLong());
        std::memcpy(data, &x, sizeof x);
        break;
    }
    case SQL_LONG: {
        int32_t x = static_cast<int32_t>(v.toLongLong());
        std::memcpy(data, &x, sizeof x);
        break;
    }
    case SQL_INT64: {
        int64_t x = v.toLongLong();
        std::memcpy(data, &x, sizeof x);
        break;
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts = EncodeTimestamp(v.toDateTime());
        std::memcpy(data, &ts, sizeof ts);
        break;
    }
    case SQL_TYPE_DATE: {
        ISC_DATE d = EncodeTimestamp(v.toDateTime()).timestamp_date;
        std::memcpy(data, &d, sizeof d);
        break;
    }
    case SQL_TEXT:
    case SQL_VARYING: {
        QByteArray bytes = v.toString().toUtf8();
        if (static_cast<unsigned>(bytes.size()) > length)
            throw EDatabaseError("String too long for its column");
        if (type == SQL_VARYING) {
            uint16_t len = static_cast<uint16_t>(bytes.size());
            std::memcpy(data, &len, sizeof len);
            std::memcpy(data + sizeof len, bytes.constData(), bytes.size());
        } else {
            std::memset(data, ' ', length);
            std::memcpy(data, bytes.constData(), bytes.size());
        }
        break;
    }
    case SQL_BLOB: {
        QByteArray bytes = v.toByteArray();
        ISC_QUAD id;
        if (!blobData) {
            // An existing blob's id: the engine copies the stored blob.
            if (bytes.size() != sizeof id) throw EDatabaseError("Invalid blob id");
            std::memcpy(&id, bytes.constData(), sizeof id);
        } else {
            IBlob *blob = Call([&](ThrowStatusWrapper *s) {
                return att->createBlob(s, tra, &id, 0, nullptr);
            });
            try {
                const char *p = bytes.constData();
                qsizetype left = bytes.size();
                while (left > 0) {
                    unsigned chunk = static_cast<unsigned>(std::min<qsizetype>(left, 65535));
                    Call([&](ThrowStatusWrapper *s) { blob->putSegment(s, chunk, p); });
                    p += chunk;
                    left -= chunk;
                }
                Call([&](ThrowStatusWrapper *s) { blob->close(s); });
            } catch (...) {
                blob->release();
                throw;
            }
        }
        std::memcpy(data, &id, sizeof id);
        break;
    }
    default:
        throw EDatabaseError("Unsupported parameter type");
    }
}

QVariant DecodeValue(unsigned type, unsigned length, const unsigned char *data, short nullInd) {
    if (nullInd) return QVariant();
    switch (type) {
    case SQL_SHORT: {
        int16_t x;
        std::memcpy(&x, data, sizeof x);
        return QVariant(static_cast<qlonglong>(x));
    }
    case SQL_LONG: {
        int32_t x;
        std::memcpy(&x, data, sizeof x);
        return QVariant(static_cast<qlonglong>(x));
    }
    case SQL_INT64: {
        int64_t x;
        std::memcpy(&x, data, sizeof x);
        return QVariant(static_cast<qlonglong>(x));
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, data, sizeof ts);
        return DecodeTimestamp(ts);
    }
    case SQL_TYPE_DATE: {
        ISC_TIMESTAMP ts{};
        std::memcpy(&ts.timestamp_date, data, sizeof ts.timestamp_date);
        return DecodeTimestamp(ts);
    }
    case SQL_TEXT: {
        QString s = QString::fromUtf8(reinterpret_cast<const char *>(data), length);
        while (s.endsWith(QLatin1Char(' '))) s.chop(1);
        return s;
    }
    case SQL_VARYING: {
        uint16_t len;
        std::memcpy(&len, data, sizeof len);
        return QString::fromUtf8(reinterpret_cast<const char *>(data + sizeof len), len);
    }
    case SQL_BLOB:
        return QByteArray(reinterpret_cast<const char *>(data), sizeof(ISC_QUAD));
    default:
        return QVariant();
    }
}

QVariant GetValue(IMessageMetadata *meta, unsigned i, const unsigned char *buf) {
    short nullInd;
    std::memcpy(&nullInd, buf + Call([&](ThrowStatusWrapper *s) { return meta->getNullOffset(s, i); }),
                sizeof nullInd);
    const unsigned char *data = buf + Call([&](ThrowStatusWrapper *s) { return meta->getOffset(s, i); });
    unsigned type = Call([&](ThrowStatusWrapper *s) { return meta->getType(s, i); }) & ~1u;
    unsigned length = Call([&](ThrowStatusWrapper *s) { return meta->getLength(s, i); });
    return DecodeValue(type, length, data, nullInd);
}

struct Transaction {
    ITransaction *tra;
    explicit Transaction(ITransaction *t) : tra(t) {}
    ~Transaction() {
        if (!tra) return;
        ThrowStatusWrapper st(Master()->getStatus());
        try {
            tra->rollback(&st);
        } catch (const FbException &) {
            tra->release();
        }
        st.dispose();
    }
    void Commit() {
        Call([&](ThrowStatusWrapper *s) { tra->commit(s); });
        tra = nullptr;
    }
};

}  // namespace

void Connection::Select(const QString &sql, const std::vector<QVariant> &params,
                        std::vector<Column> *columns, std::vector<Values> *rows) {
    Transaction tx(Start(true));
    Prepared &p = Prepare(sql, tx.tra);
    unsigned inLen = Call([&](ThrowStatusWrapper *s) { return p.in->getMessageLength(s); });
    std::vector<unsigned char> inBuf(inLen + 8);
    unsigned inCount = Call([&](ThrowStatusWrapper *s) { return p.in->getCount(s); });
    for (unsigned i = 0; i < inCount; ++i)
        PutParam(tx.tra, att_, p.in, i, inBuf.data(), i < params.size() ? params[i] : QVariant(), false);

    unsigned outCount = Call([&](ThrowStatusWrapper *s) { return p.out->getCount(s); });
    columns->clear();
    for (unsigned i = 0; i < outCount; ++i) {
        Column c;
        c.name = QString::fromUtf8(Call([&](ThrowStatusWrapper *s) { return p.out->getAlias(s, i); }));
        unsigned type = Call([&](ThrowStatusWrapper *s) { return p.out->getType(s, i); });
        c.type = TypeOf(type);
        unsigned len = Call([&](ThrowStatusWrapper *s) { return p.out->getLength(s, i); });
        c.size = c.type == ftString ? static_cast<int>(len / 4) : 0;  // UTF-8: 4 bytes a character
        columns->push_back(c);
    }
    unsigned outLen = Call([&](ThrowStatusWrapper *s) { return p.out->getMessageLength(s); });
    std::vector<unsigned char> outBuf(outLen + 8);
    // Offsets are looked up once: fetching many rows is the hot path.
    std::vector<unsigned> offs(outCount), nullOffs(outCount), types(outCount), lens(outCount);
    for (unsigned i = 0; i < outCount; ++i) {
        offs[i] = Call([&](ThrowStatusWrapper *s) { return p.out->getOffset(s, i); });
        nullOffs[i] = Call([&](ThrowStatusWrapper *s) { return p.out->getNullOffset(s, i); });
        types[i] = Call([&](ThrowStatusWrapper *s) { return p.out->getType(s, i); }) & ~1u;
        lens[i] = Call([&](ThrowStatusWrapper *s) { return p.out->getLength(s, i); });
    }
    IResultSet *rs = Call([&](ThrowStatusWrapper *s) {
        return p.stmt->openCursor(s, tx.tra, p.in, inBuf.data(), p.out, 0);
    });
    rows->clear();
    try {
        while (Call([&](ThrowStatusWrapper *s) { return rs->fetchNext(s, outBuf.data()); }) ==
               IStatus::RESULT_OK) {
            Values v(outCount);
            for (unsigned i = 0; i < outCount; ++i) {
                short nullInd;
                std::memcpy(&nullInd, outBuf.data() + nullOffs[i], sizeof nullInd);
                v[i] = DecodeValue(types[i], lens[i], outBuf.data() + offs[i], nullInd);
            }
            rows->push_back(std::move(v));
        }
        Call([&](ThrowStatusWrapper *s) { rs->close(s); });
    } catch (...) {
        rs->release();
        throw;
    }
    tx.Commit();
}

Values Connection::Execute(const QString &sql, const std::vector<QVariant> &params,
                           const std::vector<bool> &isBlobData) {
    Transaction tx(Start(false));
    Prepared &p = Prepare(sql, tx.tra);
    unsigned inLen = Call([&](ThrowStatusWrapper *s) { return p.in->getMessageLength(s); });
    std::vector<unsigned char> inBuf(inLen + 8);
    unsigned inCount = Call([&](ThrowStatusWrapper *s) { return p.in->getCount(s); });
    for (unsigned i = 0; i < inCount; ++i)
        PutParam(tx.tra, att_, p.in, i, inBuf.data(), i < params.size() ? params[i] : QVariant(),
                 i < isBlobData.size() && isBlobData[i]);
    unsigned outCount = Call([&](ThrowStatusWrapper *s) { return p.out->getCount(s); });
    unsigned outLen = Call([&](ThrowStatusWrapper *s) { return p.out->getMessageLength(s); });
    std::vector<unsigned char> outBuf(outLen + 8);
    Values result;
    unsigned type = Call([&](ThrowStatusWrapper *s) { return p.stmt->getType(s); });
    if (type == isc_info_sql_stmt_select) {
        IResultSet *rs = Call([&](ThrowStatusWrapper *s) {
            return p.stmt->openCursor(s, tx.tra, p.in, inBuf.data(), p.out, 0);
        });
        try {
            if (Call([&](ThrowStatusWrapper *s) { return rs->fetchNext(s, outBuf.data()); }) ==
                IStatus::RESULT_OK)
                for (unsigned i = 0; i < outCount; ++i) result.push_back(GetValue(p.out, i, outBuf.data()));
            Call([&](ThrowStatusWrapper *s) { rs->close(s); });
        } catch (...) {
            rs->release();
            throw;
        }
    } else {
        Call([&](ThrowStatusWrapper *s) {
            p.stmt->execute(s, tx.tra, p.in, inBuf.data(), outCount ? p.out : nullptr,
                            outCount ? outBuf.data() : nullptr);
        });
        for (unsigned i = 0; i < outCount; ++i) result.push_back(GetValue(p.out, i, outBuf.data()));
    }
    tx.Commit();
    return result;
}

namespace {

// The engine's answer to isc_info_blob_total_length; -1 when it gave none.
int64_t TotalLength(IBlob *blob) {
    const unsigned char items[] = {isc_info_blob_total_length};
    unsigned char info[32] = {};
    Call([&](ThrowStatusWrapper *s) { blob->getInfo(s, sizeof items, items, sizeof info, info); });
    if (info[0] != isc_info_blob_total_length) return -1;
    int len = isc_vax_integer(reinterpret_cast<const char *>(info + 1), 2);
    if (len < 1 || len > 8) return -1;
    return isc_portable_integer(info + 3, static_cast<short>(len));
}

}  // namespace

int64_t Connection::BlobLength(const QByteArray &blobId) {
    ISC_QUAD id;
    if (blobId.size() != sizeof id) return 0;
    std::memcpy(&id, blobId.constData(), sizeof id);
    Transaction tx(Start(true));
    IBlob *blob = Call([&](ThrowStatusWrapper *s) { return att_->openBlob(s, tx.tra, &id, 0, nullptr); });
    int64_t total;
    try {
        total = TotalLength(blob);
        Call([&](ThrowStatusWrapper *s) { blob->close(s); });
    } catch (...) {
        blob->release();
        throw;
    }
    tx.Commit();
    return total < 0 ? 0 : total;
}

QByteArray Connection::ReadBlob(const QByteArray &blobId) {
    ISC_QUAD id;
    if (blobId.size() != sizeof id) return QByteArray();
    std::memcpy(&id, blobId.constData(), sizeof id);
    ++blobsRead_;
    Transaction tx(Start(true));
    IBlob *blob = Call([&](ThrowStatusWrapper *s) { return att_->openBlob(s, tx.tra, &id, 0, nullptr); });
    QByteArray out;
    try {
        // Ask for the length first so the bytes land in one allocation.
        const int64_t total = TotalLength(blob);
        if (total > 0 && total < (int64_t(1) << 31)) out.reserve(static_cast<qsizetype>(total));
        char buf[65535];
        for (;;) {
            unsigned got = 0;
            int rc = Call([&](ThrowStatusWrapper *s) { return blob->getSegment(s, sizeof buf, buf, &got); });
            if (rc == IStatus::RESULT_NO_DATA) break;
            out.append(buf, got);
        }
        Call([&](ThrowStatusWrapper *s) { blob->close(s); });
    } catch (...) {
        blob->release();
        throw;
    }
    tx.Commit();
    return out;
}

}  // namespace fb
