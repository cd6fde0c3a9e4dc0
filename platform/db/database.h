#pragma once
// Borvane's database layer on Firebird 3's own interface (libfbclient).
//
// TIBDatabase is one connection: the embedded engine opens a local file when
// Server is empty, a Firebird server is used when it is set. Datasets (TIBQuery)
// open the connection on first use; every post, delete and procedure call is
// committed as it happens, so callers never handle transactions.
//
//   TIBDatabase db;
//   db.Path = "/srv/borvane/TAMBRA.GDB";
//   TIBQuery q(&db);
//   q.SelectSQL = "SELECT * FROM GROUPFILE ORDER BY DESCRIPT";
//   q.Open();
//   for (q.First(); !q.Eof(); q.Next()) qDebug() << q.FieldByName("DESCRIPT")->AsString();
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/error.h"

// Every failure of the database layer: the server's or the layer's own message.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

class TIBQuery;

class TIBDatabase {
public:
    TIBDatabase();
    ~TIBDatabase();
    TIBDatabase(const TIBDatabase &) = delete;
    TIBDatabase &operator=(const TIBDatabase &) = delete;

    QString Name;            // component name, for messages
    QString Path;            // database file (or alias on a server)
    QString Server;          // empty: embedded engine on a local file
    QString UserName = QStringLiteral("SYSDBA");
    QString Password = QStringLiteral("masterkey");
    bool LoginPrompt = false;
    std::function<void()> OnBeforeConnect;

    bool Connected() const;
    void Connect();          // runs OnBeforeConnect, then attaches
    void Disconnect();       // closes every dataset of the connection, then detaches

    // Next value of a generator after adding increment; committed at once.
    int64_t GenId(const QString &generator, int increment = 1);
    // Runs a stored procedure without parameters and commits.
    void ExecuteProcedure(const QString &name);
    // Runs one statement with no parameters and commits (for tools and tests).
    void ExecuteImmediate(const QString &sql);

    // Blobs read since the connection was made (pages and attached files are
    // read only when asked for).
    int64_t BlobsRead() const;

    // The connection string handed to the client library for Path and Server.
    QString ConnectionString() const;

    // Where the embedded engine keeps its lock files. Set before the first
    // connection of the process; by default a folder of the current user.
    static void SetLockFolder(const QString &folder);

    struct Impl;
    Impl *impl() const { return d_.get(); }

private:
    friend class TIBQuery;
    void attachDataset(TIBQuery *q);
    void detachDataset(TIBQuery *q);
    std::unique_ptr<Impl> d_;
};

enum TFieldType { ftUnknown, ftInteger, ftString, ftDateTime, ftBlob };
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

class TDataSet;

// One column of a dataset. Persistent fields are declared before the dataset
// opens (name, kind, size, label, width); otherwise the fields come from the
// statement's columns. Values are read and written on the current row.
class TField {
public:
    TField(TDataSet *owner, const QString &fieldName, TFieldType type, int size = 0);

    QString Name;            // component name ("DocumentTableDESCRIPT")
    QString FieldName;       // column name ("DESCRIPT")
    TFieldType DataType;
    int Size;                // characters, for strings
    bool Required = false;
    bool Visible = true;
    QString DisplayLabel;    // empty: the field name
    int DisplayWidth = 0;    // characters; 0: from the size

    TDataSet *DataSet() const { return owner_; }
    int Index() const { return index_; }
    QString Caption() const { return DisplayLabel.isEmpty() ? FieldName : DisplayLabel; }

    bool IsNull() const;
    QVariant Value() const;          // blob: QByteArray (read on demand)
    void SetValue(const QVariant &v);
    void Clear();

    int64_t AsInteger() const;
    void SetAsInteger(int64_t v);
    QString AsString() const;        // display text; dates as dd/MM/yyyy
    void SetAsString(const QString &v);   // cut to Size characters
    QDateTime AsDateTime() const;
    void SetAsDateTime(const QDateTime &v);

    // Blob fields.
    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray &bytes);
    int64_t BlobSize() const;
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;

private:
    friend class TDataSet;
    TDataSet *owner_;
    int index_ = -1;
};

class TDataSource;

// Notifications a dataset sends to its data sources and to views (grids).
enum class TDataEvent {
    Opened,        // rows fetched, fields bound
    Closed,
    RowsChanged,   // rows added, removed, re-fetched or filtered
    Scrolled,      // another row became current
    StateChanged,  // browse / edit / insert
    FieldChanged,  // a value of the current row changed (field given)
    RecordChanged, // the current row's values were reloaded (cancel, post)
};

// A buffered, updatable dataset: all rows of the select are fetched on open
// (blobs only when asked for), edits go through the insert, update and delete
// statements with :NAME and :OLD_NAME parameters.
class TDataSet {
public:
    explicit TDataSet(TIBDatabase *db);
    virtual ~TDataSet();
    TDataSet(const TDataSet &) = delete;
    TDataSet &operator=(const TDataSet &) = delete;

    QString Name;
    TIBDatabase *Database() const { return db_; }

    // Persistent fields, in the order the grids show them.
    TField *AddField(const QString &name, const QString &fieldName, TFieldType type, int size,
                     bool required, bool visible, const QString &label = {}, int width = 0);
    const std::vector<TField *> &Fields() const { return fields_; }
    TField *FindField(const QString &fieldName) const;   // case ignored
    TField *FieldByName(const QString &fieldName) const; // raises when missing

    // Parameters of the select, by name (case ignored) and by position.
    QStringList ParamNames();
    void SetParam(const QString &name, const QVariant &value);
    void SetParam(int index, const QVariant &value);
    QVariant Param(const QString &name) const;

    // Master-detail: re-query whenever the master's current row changes,
    // taking each parameter from the master's column of the same name.
    void SetMasterSource(TDataSource *master);
    TDataSource *MasterSource() const { return master_; }

    void Open();
    void Close();
    bool Active() const { return state_ != dsInactive; }
    TDataSetState State() const { return state_; }
    bool IsEmpty() const;
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    int RecordCount() const;
    int RecNo() const;                 // 1-based; 0 when empty
    void SetRecNo(int recNo);

    void First();
    void Last();
    void Next();
    void Prior();
    bool Locate(const QString &fieldName, const QVariant &value);  // exact match
    void Refresh();                    // re-fetch, keeping the current row

    void Insert();
    void Append();
    void Edit();                       // on an empty dataset: Insert
    void Post();
    void Cancel();
    void Delete();

    // Client-side filter: rows for which the predicate is false are hidden.
    // Dropped when the dataset closes.
    using FilterFn = std::function<bool(TDataSet &)>;
    void SetFilter(FilterFn filter);
    bool Filtered() const { return static_cast<bool>(filter_); }

    // Events (program handlers).
    std::function<void(TDataSet &)> OnNewRecord;
    std::function<void(TDataSet &)> BeforePost;
    std::function<void(TDataSet &)> AfterPost;
    std::function<void(TDataSet &)> BeforeDelete;
    std::function<void(TDataSet &)> AfterDelete;
    std::function<void(TDataSet &)> AfterScroll;
    std::function<void(TDataSet &)> AfterOpen;
    std::function<void(TDataSet &)> BeforeClose;

    // Views and data sources listen here; the returned id removes the listener.
    using Listener = std::function<void(TDataEvent, TField *)>;
    int AddListener(Listener l);
    void RemoveListener(int id);

    // Row access for views: the visible (filtered) rows, by 0-based index.
    QVariant RowValue(int row, int fieldIndex) const;
    int CurrentRow() const { return cur_; }   // -1 when empty

    // Blob bytes of the current row are read from the database on demand;
    // their size is asked of the database without reading them.
    QByteArray BlobBytes(int fieldIndex) const;
    int64_t BlobSize(int fieldIndex) const;

protected:
    virtual void InternalOpen() = 0;          // fills rows_ from the select
    virtual void InternalPost(bool inserting) = 0;
    virtual void InternalDelete() = 0;
    virtual QByteArray InternalReadBlob(const QByteArray &blobId) const = 0;
    virtual int64_t InternalBlobSize(const QByteArray &blobId) const = 0;
    // Learns the select's parameter names (before the first open).
    virtual void InternalPrepare() {}
    // Columns that identify a row (to find it again after a re-fetch).
    virtual QStringList KeyFields() const { return {}; }

    struct Cell {
        QVariant value;          // blob: empty until read
        QByteArray blobId;       // blob: the stored blob's id (8 bytes), empty if null
        bool blobLoaded = false;
    };
    using Row = std::vector<Cell>;

    // For subclasses.
    void BindColumns(const QStringList &columns, const std::vector<TFieldType> &types,
                     const std::vector<int> &sizes);
    int ColumnOf(const TField *f) const { return colOfField_[f->Index()]; }
    std::vector<Row> rows_;      // all fetched rows
    Row editRow_;                // the row being edited or inserted
    Row oldRow_;                 // the values before editing
    QStringList selectParamNames_;
    std::vector<QVariant> params_;
    std::vector<int> fieldOfColumn_;   // column -> field index
    std::vector<int> colOfField_;      // field index -> column (or -1)

private:
    friend class TField;
    const Cell *CellOf(const TField *f) const;
    Cell *MutableCellOf(const TField *f);
    void Notify(TDataEvent e, TField *f = nullptr);
    void SetState(TDataSetState s);
    void Rebuild(int keepRow);          // recompute the visible list
    void MoveTo(int visibleRow);
    void CheckActive() const;
    void CheckBrowse();                 // posts nothing: raises when editing
    void StartNewRow(bool append);
    void MasterChanged();
    void ApplyMasterParams();
    void CutString(const TField *f, QVariant &v) const;

    TIBDatabase *db_;
    std::vector<TField *> fields_;
    std::vector<std::unique_ptr<TField>> ownedFields_;
    TDataSource *master_ = nullptr;
    int masterListener_ = -1;
    TDataSetState state_ = dsInactive;
    std::vector<int> visible_;          // indices into rows_
    int cur_ = -1;                      // index into visible_
    bool eof_ = true, bof_ = true;
    FilterFn filter_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListener_ = 1;
    bool persistent_ = false;
    std::vector<TDataSource *> sources_;   // data sources on this dataset
    friend class TDataSource;
};

// Links a dataset to views and detail datasets; OnDataChange fires when the
// current row moves or a value of it changes (field given then), OnStateChange
// when the dataset's state changes.
class TDataSource {
public:
    explicit TDataSource(TDataSet *ds = nullptr);
    ~TDataSource();
    TDataSource(const TDataSource &) = delete;
    TDataSource &operator=(const TDataSource &) = delete;

    QString Name;
    TDataSet *DataSet() const { return ds_; }
    void SetDataSet(TDataSet *ds);

    std::function<void(TField *)> OnDataChange;
    std::function<void()> OnStateChange;

    // Listeners of this source (detail datasets, data-bound controls).
    int AddListener(TDataSet::Listener l);
    void RemoveListener(int id);

private:
    friend class TDataSet;
    void Dispatch(TDataEvent e, TField *f);
    TDataSet *ds_ = nullptr;
    std::vector<TDataSet *> details_;     // datasets whose master this is
    int dsListener_ = -1;
    std::vector<std::pair<int, TDataSet::Listener>> listeners_;
    int nextListener_ = 1;
};

// The updatable query dataset on a Firebird connection.
class TIBQuery : public TDataSet {
public:
    explicit TIBQuery(TIBDatabase *db);
    ~TIBQuery() override;

    QString SelectSQL;
    QString InsertSQL;
    QString ModifySQL;
    QString DeleteSQL;

protected:
    void InternalOpen() override;
    void InternalPost(bool inserting) override;
    void InternalDelete() override;
    QByteArray InternalReadBlob(const QByteArray &blobId) const override;
    int64_t InternalBlobSize(const QByteArray &blobId) const override;

    void InternalPrepare() override;
    QStringList KeyFields() const override;

private:
    void ExecuteModify(const QString &sql, const Row &current, const Row &old);
    void RefetchCurrent();
    QString preparedSelect_;
};

// A stored procedure without parameters, run by name.
class TIBStoredProc {
public:
    explicit TIBStoredProc(TIBDatabase *db) : db_(db) {}
    QString Name;
    QString StoredProcName;
    void ExecProc() { db_->ExecuteProcedure(StoredProcName); }
    TIBDatabase *Database() const { return db_; }

private:
    TIBDatabase *db_;
};
