#pragma once
// The Firebird side of a connection: attachment, prepared statements, short
// transactions and blobs. Only database.cpp and the service code include this.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <memory>
#include <vector>

#include "platform/db/database.h"

namespace Firebird {
class IMaster;
class IAttachment;
class ITransaction;
class IStatement;
class IMessageMetadata;
}  // namespace Firebird

namespace fb {

Firebird::IMaster *Master();
// Formats a Firebird status vector into its message text.
QString StatusText(const void *status);

// Makes sure the embedded engine has a lock folder the current user owns, and
// that the engine is shut down when the process exits.
void PrepareEnvironment();
// Stops the engine's threads and closes what is still attached.
void ShutdownEngine();

// Rewrites ":NAME" parameters to "?" (outside strings and comments) and
// returns their names in order.
QString ConvertNamedParams(const QString &sql, QStringList *names);

struct Column {
    QString name;
    TFieldType type;
    int size;       // characters for strings
};

// One fetched row: values in column order; blob columns hold their 8-byte id
// as a QByteArray (null QVariant for a null blob).
using Values = std::vector<QVariant>;

class Connection {
public:
    Connection();
    ~Connection();

    void Attach(const QString &connectionString, const QString &user, const QString &password,
                bool embedded);
    void Detach();
    bool Attached() const { return att_ != nullptr; }

    // Runs a select with positional parameters; fills columns and rows.
    void Select(const QString &sql, const std::vector<QVariant> &params,
                std::vector<Column> *columns, std::vector<Values> *rows);
    // Runs a statement that returns at most one row, committed at once.
    // Parameters that are QByteArray with blobs[i] set are written as new blobs.
    Values Execute(const QString &sql, const std::vector<QVariant> &params,
                   const std::vector<bool> &isBlobData = {});
    QByteArray ReadBlob(const QByteArray &blobId);
    // The stored length of a blob, asked of the engine without reading it.
    int64_t BlobLength(const QByteArray &blobId);
    // How many blobs this connection has read (a folder must open without reading its pages).
    int64_t BlobsRead() const { return blobsRead_; }

private:
    struct Prepared;
    Prepared &Prepare(const QString &sql, Firebird::ITransaction *tra);
    Firebird::ITransaction *Start(bool readOnly);
    Firebird::IAttachment *att_ = nullptr;
    int64_t blobsRead_ = 0;
    std::map<QString, std::unique_ptr<Prepared>> statements_;
};

}  // namespace fb
