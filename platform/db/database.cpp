#include "platform/db/database.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

#include "platform/db/fbconnection.h"

// ---------------------------------------------------------------- connection

struct TIBDatabase::Impl {
    fb::Connection conn;
    std::vector<TIBQuery *> datasets;
};

TIBDatabase::TIBDatabase() : d_(std::make_unique<Impl>()) {}

TIBDatabase::~TIBDatabase() {
    try {
        Disconnect();
    } catch (...) {
    }
}

bool TIBDatabase::Connected() const { return d_->conn.Attached(); }

int64_t TIBDatabase::BlobsRead() const { return d_->conn.BlobsRead(); }

QString TIBDatabase::ConnectionString() const {
    return Server.isEmpty() ? Path : Server + QLatin1Char(':') + Path;
}

void TIBDatabase::SetLockFolder(const QString &folder) {
    qputenv("FIREBIRD_LOCK", QFile::encodeName(folder));
}

void TIBDatabase::Connect() {
    if (Connected()) return;
    if (OnBeforeConnect) OnBeforeConnect();
    d_->conn.Attach(ConnectionString(), UserName, Password, Server.isEmpty());
}

void TIBDatabase::Disconnect() {
    // Copy: closing a dataset may make detail datasets react.
    std::vector<TIBQuery *> open = d_->datasets;
    for (TIBQuery *q : open) q->Close();
    d_->conn.Detach();
}

int64_t TIBDatabase::GenId(const QString &generator, int increment) {
    Connect();
    fb::Values v = d_->conn.Execute(
        QStringLiteral("SELECT GEN_ID(%1, %2) FROM RDB$DATABASE").arg(generator).arg(increment), {});
    if (v.empty() || v[0].isNull()) throw EDatabaseError("Generator " + generator.toStdString() + " gave no value");
    return v[0].toLongLong();
}

void TIBDatabase::ExecuteProcedure(const QString &name) {
    Connect();
    d_->conn.Execute(QStringLiteral("EXECUTE PROCEDURE %1").arg(name), {});
}

void TIBDatabase::ExecuteImmediate(const QString &sql) {
    Connect();
    d_->conn.Execute(sql, {});
}

void TIBDatabase::attachDataset(TIBQuery *q) { d_->datasets.push_back(q); }

void TIBDatabase::detachDataset(TIBQuery *q) {
    auto &v = d_->datasets;
    v.erase(std::remove(v.begin(), v.end(), q), v.end());
}

// --------------------------------------------------------------------- field

TField::TField(TDataSet *owner, const QString &fieldName, TFieldType type, int size)
    : FieldName(fieldName), DataType(type), Size(size), owner_(owner) {}

bool TField::IsNull() const {
    const auto *c = owner_->CellOf(this);
    if (!c) return true;
    if (DataType == ftBlob) return c->blobId.isEmpty() && (!c->blobLoaded || c->value.isNull());
    return c->value.isNull();
}

QVariant TField::Value() const {
    if (DataType == ftBlob) return IsNull() ? QVariant() : QVariant(AsBytes());
    const auto *c = owner_->CellOf(this);
    return c ? c->value : QVariant();
}

void TField::SetValue(const QVariant &v) {
    owner_->CheckActive();
    if (owner_->state_ != dsEdit && owner_->state_ != dsInsert)
        throw EDatabaseError("Dataset not in edit or insert mode");
    auto *c = owner_->MutableCellOf(this);
    if (!c) throw EDatabaseError("Field '" + FieldName.toStdString() + "' is not bound to a column");
    QVariant value = v;
    if (!value.isNull() && value.isValid()) {
        switch (DataType) {
        case ftInteger:
            value = QVariant(value.toLongLong());
            break;
        case ftString:
            owner_->CutString(this, value);
            break;
        case ftDateTime:
            value = value.toDateTime();
            break;
        case ftBlob:
            value = value.toByteArray();
            break;
        default:
            break;
        }
    }
    if (DataType == ftBlob) {
        c->blobId.clear();
        c->blobLoaded = true;
    }
    c->value = value.isValid() ? value : QVariant();
    owner_->Notify(TDataEvent::FieldChanged, this);
}

void TField::Clear() { SetValue(QVariant()); }

int64_t TField::AsInteger() const { return Value().toLongLong(); }
void TField::SetAsInteger(int64_t v) { SetValue(QVariant(static_cast<qlonglong>(v))); }

QString TField::AsString() const {
    QVariant v = Value();
    if (v.isNull()) return QString();
    if (DataType == ftDateTime) return v.toDateTime().toString(QStringLiteral("dd/MM/yyyy"));
    if (DataType == ftBlob) return QStringLiteral("(BLOB)");
    return v.toString();
}

void TField::SetAsString(const QString &v) {
    if (DataType == ftInteger) {
        bool ok = false;
        qlonglong x = v.trimmed().toLongLong(&ok);
        if (!v.trimmed().isEmpty() && !ok)
            throw EDatabaseError("'" + v.toStdString() + "' is not a valid integer value");
        SetValue(v.trimmed().isEmpty() ? QVariant() : QVariant(x));
    } else {
        SetValue(v);
    }
}

QDateTime TField::AsDateTime() const { return Value().toDateTime(); }
void TField::SetAsDateTime(const QDateTime &v) { SetValue(v); }

QByteArray TField::AsBytes() const {
    if (DataType != ftBlob) return Value().toByteArray();
    return owner_->BlobBytes(index_);
}

void TField::SetAsBytes(const QByteArray &bytes) { SetValue(QVariant(bytes)); }

int64_t TField::BlobSize() const {
    if (DataType != ftBlob) return IsNull() ? 0 : AsBytes().size();
    return owner_->BlobSize(index_);
}

void TField::LoadFromFile(const QString &fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EDatabaseError("Cannot open file " + fileName.toStdString() + ". " + f.errorString().toStdString());
    SetAsBytes(f.readAll());
}

void TField::SaveToFile(const QString &fileName) const {
    QByteArray bytes = AsBytes();
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw EDatabaseError("Cannot create file " + fileName.toStdString() + ". " + f.errorString().toStdString());
}

// ------------------------------------------------------------------- dataset

TDataSet::TDataSet(TIBDatabase *db) : db_(db) {}

TDataSet::~TDataSet() {
    SetMasterSource(nullptr);
    for (TDataSource *src : std::vector<TDataSource *>(sources_)) src->SetDataSet(nullptr);
}

TField *TDataSet::AddField(const QString &name, const QString &fieldName, TFieldType type, int size,
                           bool required, bool visible, const QString &label, int width) {
    auto f = std::make_unique<TField>(this, fieldName, type, size);
    f->Name = name;
    f->Required = required;
    f->Visible = visible;
    f->DisplayLabel = label;
    f->DisplayWidth = width;
    f->index_ = static_cast<int>(fields_.size());
    fields_.push_back(f.get());
    ownedFields_.push_back(std::move(f));
    persistent_ = true;
    return fields_.back();
}

TField *TDataSet::FindField(const QString &fieldName) const {
    for (TField *f : fields_)
        if (f->FieldName.compare(fieldName, Qt::CaseInsensitive) == 0) return f;
    return nullptr;
}

TField *TDataSet::FieldByName(const QString &fieldName) const {
    TField *f = FindField(fieldName);
    if (!f) throw EDatabaseError(Name.toStdString() + ": Field '" + fieldName.toStdString() + "' not found");
    return f;
}

QStringList TDataSet::ParamNames() {
    InternalPrepare();
    return selectParamNames_;
}

void TDataSet::SetParam(const QString &name, const QVariant &value) {
    InternalPrepare();
    int i = selectParamNames_.indexOf(name.toUpper());
    if (i < 0) throw EDatabaseError(Name.toStdString() + ": Parameter '" + name.toStdString() + "' not found");
    SetParam(i, value);
}

void TDataSet::SetParam(int index, const QVariant &value) {
    if (index < 0) throw EDatabaseError("Parameter index out of range");
    if (static_cast<size_t>(index) >= params_.size()) params_.resize(index + 1);
    params_[index] = value;
}

QVariant TDataSet::Param(const QString &name) const {
    int i = selectParamNames_.indexOf(name.toUpper());
    return i >= 0 && static_cast<size_t>(i) < params_.size() ? params_[i] : QVariant();
}

void TDataSet::SetMasterSource(TDataSource *master) {
    if (master_) {
        if (masterListener_ >= 0) master_->RemoveListener(masterListener_);
        auto &d = master_->details_;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    master_ = master;
    masterListener_ = -1;
    if (master_) {
        master_->details_.push_back(this);
        masterListener_ = master_->AddListener([this](TDataEvent e, TField *f) {
            if (e == TDataEvent::FieldChanged && f && !selectParamNames_.contains(f->FieldName.toUpper()))
                return;
            MasterChanged();
        });
    }
}

void TDataSet::ApplyMasterParams() {
    if (!master_ || !master_->DataSet()) return;
    TDataSet *m = master_->DataSet();
    for (int i = 0; i < selectParamNames_.size(); ++i) {
        TField *mf = m->FindField(selectParamNames_[i]);
        if (mf) SetParam(i, m->Active() && !m->IsEmpty() ? mf->Value() : QVariant());
    }
}

void TDataSet::MasterChanged() {
    if (!Active()) return;
    std::vector<QVariant> before = params_;
    ApplyMasterParams();
    TDataSet *m = master_ ? master_->DataSet() : nullptr;
    if (params_ == before && m && m->Active()) return;
    // Re-query for the new master row; an unfinished edit here belongs to the
    // old master row and is dropped, as closing a dataset drops it.
    if (state_ == dsEdit || state_ == dsInsert) Cancel();
    if (!m || !m->Active()) {
        rows_.clear();
        Rebuild(0);
        Notify(TDataEvent::RowsChanged);
        Notify(TDataEvent::Scrolled);
        return;
    }
    InternalOpen();
    Rebuild(0);
    Notify(TDataEvent::RowsChanged);
    Notify(TDataEvent::Scrolled);
    if (AfterScroll) AfterScroll(*this);
}

void TDataSet::Open() {
    if (Active()) return;
    InternalPrepare();
    ApplyMasterParams();
    InternalOpen();
    state_ = dsBrowse;
    Rebuild(0);
    Notify(TDataEvent::Opened);
    if (AfterOpen) AfterOpen(*this);
    if (AfterScroll) AfterScroll(*this);
}

void TDataSet::Close() {
    if (!Active()) return;
    if (BeforeClose) BeforeClose(*this);
    rows_.clear();
    visible_.clear();
    editRow_.clear();
    oldRow_.clear();
    cur_ = -1;
    eof_ = bof_ = true;
    filter_ = nullptr;   // a search condition ends with the dataset
    state_ = dsInactive;
    Notify(TDataEvent::Closed);
}

bool TDataSet::IsEmpty() const { return visible_.empty(); }

int TDataSet::RecordCount() const { return static_cast<int>(visible_.size()); }

int TDataSet::RecNo() const { return cur_ + 1; }

void TDataSet::SetRecNo(int recNo) {
    CheckActive();
    CheckBrowse();
    if (visible_.empty()) return;
    MoveTo(std::clamp(recNo - 1, 0, static_cast<int>(visible_.size()) - 1));
}

void TDataSet::CheckActive() const {
    if (state_ == dsInactive) throw EDatabaseError(Name.toStdString() + ": Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckBrowse() {
    if (state_ == dsEdit || state_ == dsInsert) Post();
}

void TDataSet::Rebuild(int keepRow) {
    visible_.clear();
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        if (filter_) {
            // The filter reads through the fields, which look at the current row.
            visible_.push_back(i);
            cur_ = static_cast<int>(visible_.size()) - 1;
            bool keep = filter_(*this);
            if (!keep) visible_.pop_back();
        } else {
            visible_.push_back(i);
        }
    }
    if (visible_.empty()) {
        cur_ = -1;
        eof_ = bof_ = true;
    } else {
        cur_ = std::clamp(keepRow, 0, static_cast<int>(visible_.size()) - 1);
        eof_ = bof_ = false;
    }
}

void TDataSet::MoveTo(int visibleRow) {
    int old = cur_;
    cur_ = visibleRow;
    eof_ = bof_ = false;
    if (old != cur_) {
        Notify(TDataEvent::Scrolled);
        if (AfterScroll) AfterScroll(*this);
    }
}

void TDataSet::First() {
    CheckActive();
    CheckBrowse();
    if (visible_.empty()) return;
    MoveTo(0);
    bof_ = true;
}

void TDataSet::Last() {
    CheckActive();
    CheckBrowse();
    if (visible_.empty()) return;
    MoveTo(static_cast<int>(visible_.size()) - 1);
    eof_ = true;
}

void TDataSet::Next() {
    CheckActive();
    CheckBrowse();
    if (visible_.empty() || cur_ + 1 >= static_cast<int>(visible_.size())) {
        eof_ = true;
        return;
    }
    MoveTo(cur_ + 1);
}

void TDataSet::Prior() {
    CheckActive();
    CheckBrowse();
    if (visible_.empty() || cur_ <= 0) {
        bof_ = true;
        return;
    }
    MoveTo(cur_ - 1);
}

bool TDataSet::Locate(const QString &fieldName, const QVariant &value) {
    CheckActive();
    CheckBrowse();
    TField *f = FieldByName(fieldName);
    int col = ColumnOf(f);
    if (col < 0) return false;
    for (int i = 0; i < static_cast<int>(visible_.size()); ++i) {
        const QVariant &v = rows_[visible_[i]][col].value;
        bool match;
        if (f->DataType == ftString) match = !v.isNull() && v.toString() == value.toString();
        else if (f->DataType == ftInteger) match = !v.isNull() && v.toLongLong() == value.toLongLong();
        else match = v == value;
        if (match) {
            MoveTo(i);
            return true;
        }
    }
    return false;
}

void TDataSet::Refresh() {
    CheckActive();
    CheckBrowse();
    // The current row is found again by its key after the re-fetch.
    Row current = cur_ >= 0 ? rows_[visible_[cur_]] : Row();
    int oldIndex = cur_;
    InternalOpen();
    int keep = std::max(oldIndex, 0);
    Rebuild(keep);
    if (!current.empty()) {
        std::vector<int> keyCols;
        for (const QString &k : KeyFields())
            if (TField *f = FindField(k); f && ColumnOf(f) >= 0) keyCols.push_back(ColumnOf(f));
        for (int i = 0; i < static_cast<int>(visible_.size()) && !keyCols.empty(); ++i) {
            const Row &r = rows_[visible_[i]];
            bool same = std::all_of(keyCols.begin(), keyCols.end(), [&](int c) {
                return static_cast<size_t>(c) < current.size() && r[c].value == current[c].value;
            });
            if (same) {
                cur_ = i;
                break;
            }
        }
    }
    Notify(TDataEvent::RowsChanged);
    Notify(TDataEvent::Scrolled);
}

void TDataSet::StartNewRow(bool append) {
    CheckActive();
    CheckBrowse();
    Row row(colOfField_.empty() ? 0 : fieldOfColumn_.size());
    int at = append || visible_.empty() ? static_cast<int>(visible_.size()) : cur_;
    int physical = at < static_cast<int>(visible_.size()) ? visible_[at] : static_cast<int>(rows_.size());
    rows_.insert(rows_.begin() + physical, row);
    for (int &v : visible_)
        if (v >= physical) ++v;
    visible_.insert(visible_.begin() + at, physical);
    cur_ = at;
    eof_ = bof_ = false;
    editRow_ = row;
    oldRow_ = row;
    state_ = dsInsert;
    // Columns named like a master parameter and still null come from the master.
    if (master_ && master_->DataSet() && master_->DataSet()->Active()) {
        TDataSet *m = master_->DataSet();
        for (const QString &p : selectParamNames_) {
            TField *own = FindField(p);
            TField *mf = m->FindField(p);
            if (own && mf && ColumnOf(own) >= 0 && editRow_[ColumnOf(own)].value.isNull())
                editRow_[ColumnOf(own)].value = m->IsEmpty() ? QVariant() : mf->Value();
        }
    }
    try {
        if (OnNewRecord) OnNewRecord(*this);
    } catch (...) {
        // No row is started when its defaults cannot be had.
        Cancel();
        throw;
    }
    Notify(TDataEvent::RowsChanged);
    Notify(TDataEvent::StateChanged);
    Notify(TDataEvent::Scrolled);
}

void TDataSet::Insert() { StartNewRow(false); }
void TDataSet::Append() { StartNewRow(true); }

void TDataSet::Edit() {
    CheckActive();
    if (state_ == dsEdit || state_ == dsInsert) return;
    if (visible_.empty()) {
        Insert();
        return;
    }
    editRow_ = rows_[visible_[cur_]];
    oldRow_ = editRow_;
    state_ = dsEdit;
    Notify(TDataEvent::StateChanged);
}

void TDataSet::Post() {
    CheckActive();
    if (state_ != dsEdit && state_ != dsInsert) return;
    for (TField *f : fields_) {
        if (f->Required && ColumnOf(f) >= 0 && f->IsNull())
            throw EDatabaseError("Field '" + f->Caption().toStdString() + "' must have a value");
    }
    if (BeforePost) BeforePost(*this);
    bool inserting = state_ == dsInsert;
    InternalPost(inserting);
    // Keep blobs as ids: their bytes are read again when asked for.
    rows_[visible_[cur_]] = editRow_;
    editRow_.clear();
    oldRow_.clear();
    state_ = dsBrowse;
    Notify(TDataEvent::RecordChanged);
    Notify(TDataEvent::StateChanged);
    if (AfterPost) AfterPost(*this);
}

void TDataSet::Cancel() {
    if (state_ == dsInsert) {
        int physical = visible_[cur_];
        rows_.erase(rows_.begin() + physical);
        visible_.erase(visible_.begin() + cur_);
        for (int &v : visible_)
            if (v > physical) --v;
        state_ = dsBrowse;
        editRow_.clear();
        oldRow_.clear();
        if (visible_.empty()) {
            cur_ = -1;
            eof_ = bof_ = true;
        } else {
            cur_ = std::min(cur_, static_cast<int>(visible_.size()) - 1);
        }
        Notify(TDataEvent::RowsChanged);
        Notify(TDataEvent::StateChanged);
        Notify(TDataEvent::Scrolled);
        return;
    }
    if (state_ == dsEdit) {
        editRow_.clear();
        oldRow_.clear();
        state_ = dsBrowse;
        Notify(TDataEvent::RecordChanged);
        Notify(TDataEvent::StateChanged);
    }
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (state_ == dsEdit) Cancel();
    if (visible_.empty()) throw EDatabaseError(Name.toStdString() + ": Cannot perform this operation on an empty dataset");
    if (BeforeDelete) BeforeDelete(*this);
    oldRow_ = rows_[visible_[cur_]];
    InternalDelete();
    oldRow_.clear();
    int physical = visible_[cur_];
    rows_.erase(rows_.begin() + physical);
    visible_.erase(visible_.begin() + cur_);
    for (int &v : visible_)
        if (v > physical) --v;
    if (visible_.empty()) {
        cur_ = -1;
        eof_ = bof_ = true;
    } else {
        cur_ = std::min(cur_, static_cast<int>(visible_.size()) - 1);
        eof_ = bof_ = false;
    }
    Notify(TDataEvent::RowsChanged);
    Notify(TDataEvent::Scrolled);
    if (AfterDelete) AfterDelete(*this);
    if (AfterScroll) AfterScroll(*this);
}

void TDataSet::SetFilter(FilterFn filter) {
    CheckActive();
    CheckBrowse();
    int physical = cur_ >= 0 ? visible_[cur_] : -1;
    filter_ = std::move(filter);
    Rebuild(0);
    auto it = std::find(visible_.begin(), visible_.end(), physical);
    if (it != visible_.end()) cur_ = static_cast<int>(it - visible_.begin());
    Notify(TDataEvent::RowsChanged);
    Notify(TDataEvent::Scrolled);
    if (AfterScroll) AfterScroll(*this);
}

int TDataSet::AddListener(Listener l) {
    listeners_.emplace_back(nextListener_, std::move(l));
    return nextListener_++;
}

void TDataSet::RemoveListener(int id) {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                    [id](const auto &p) { return p.first == id; }),
                     listeners_.end());
}

void TDataSet::Notify(TDataEvent e, TField *f) {
    // A listener may add or remove listeners: walk a copy.
    auto copy = listeners_;
    for (auto &[id, l] : copy) l(e, f);
}

const TDataSet::Cell *TDataSet::CellOf(const TField *f) const {
    if (cur_ < 0 || f->index_ < 0 || static_cast<size_t>(f->index_) >= colOfField_.size()) return nullptr;
    int col = colOfField_[f->index_];
    if (col < 0) return nullptr;
    const Row &r = (state_ == dsEdit || state_ == dsInsert) ? editRow_ : rows_[visible_[cur_]];
    return static_cast<size_t>(col) < r.size() ? &r[col] : nullptr;
}

TDataSet::Cell *TDataSet::MutableCellOf(const TField *f) {
    if (state_ != dsEdit && state_ != dsInsert) return nullptr;
    if (f->index_ < 0 || static_cast<size_t>(f->index_) >= colOfField_.size()) return nullptr;
    int col = colOfField_[f->index_];
    if (col < 0 || static_cast<size_t>(col) >= editRow_.size()) return nullptr;
    return &editRow_[col];
}

QVariant TDataSet::RowValue(int row, int fieldIndex) const {
    if (row < 0 || row >= static_cast<int>(visible_.size()) || fieldIndex < 0 ||
        static_cast<size_t>(fieldIndex) >= colOfField_.size())
        return QVariant();
    int col = colOfField_[fieldIndex];
    if (col < 0) return QVariant();
    const Row &r = (row == cur_ && (state_ == dsEdit || state_ == dsInsert)) ? editRow_ : rows_[visible_[row]];
    if (fields_[fieldIndex]->DataType == ftBlob)
        return r[col].blobId.isEmpty() && r[col].value.isNull() ? QVariant() : QVariant(QStringLiteral("(BLOB)"));
    return r[col].value;
}

QByteArray TDataSet::BlobBytes(int fieldIndex) const {
    if (fieldIndex < 0 || static_cast<size_t>(fieldIndex) >= fields_.size()) return QByteArray();
    const Cell *c = CellOf(fields_[fieldIndex]);
    if (!c) return QByteArray();
    if (c->blobLoaded) return c->value.toByteArray();
    if (c->blobId.isEmpty()) return QByteArray();
    return InternalReadBlob(c->blobId);
}

int64_t TDataSet::BlobSize(int fieldIndex) const {
    if (fieldIndex < 0 || static_cast<size_t>(fieldIndex) >= fields_.size()) return 0;
    const Cell *c = CellOf(fields_[fieldIndex]);
    if (!c) return 0;
    if (c->blobLoaded) return c->value.toByteArray().size();
    if (c->blobId.isEmpty()) return 0;
    return InternalBlobSize(c->blobId);
}

void TDataSet::CutString(const TField *f, QVariant &v) const {
    if (f->Size <= 0) return;
    QString s = v.toString();
    // Count characters, not UTF-16 units, so a name is cut where a user sees it cut.
    QList<uint> cps = s.toUcs4();
    if (cps.size() > f->Size) {
        cps.resize(f->Size);
        s = QString::fromUcs4(reinterpret_cast<const char32_t *>(cps.constData()), cps.size());
    }
    v = s;
}

void TDataSet::BindColumns(const QStringList &columns, const std::vector<TFieldType> &types,
                           const std::vector<int> &sizes) {
    fieldOfColumn_.assign(columns.size(), -1);
    if (!persistent_) {
        // Fields from the statement's columns, made once.
        if (fields_.empty()) {
            for (int i = 0; i < columns.size(); ++i) {
                auto f = std::make_unique<TField>(this, columns[i], types[i], sizes[i]);
                f->Name = Name + columns[i];
                f->index_ = static_cast<int>(fields_.size());
                fields_.push_back(f.get());
                ownedFields_.push_back(std::move(f));
            }
        }
    }
    colOfField_.assign(fields_.size(), -1);
    for (int c = 0; c < columns.size(); ++c) {
        for (TField *f : fields_) {
            if (f->FieldName.compare(columns[c], Qt::CaseInsensitive) == 0) {
                fieldOfColumn_[c] = f->index_;
                colOfField_[f->index_] = c;
                break;
            }
        }
    }
}

// ---------------------------------------------------------------- datasource

TDataSource::TDataSource(TDataSet *ds) { SetDataSet(ds); }

TDataSource::~TDataSource() {
    for (TDataSet *d : std::vector<TDataSet *>(details_)) d->SetMasterSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet *ds) {
    if (ds_) {
        if (dsListener_ >= 0) ds_->RemoveListener(dsListener_);
        auto &s = ds_->sources_;
        s.erase(std::remove(s.begin(), s.end(), this), s.end());
    }
    ds_ = ds;
    dsListener_ = -1;
    if (ds_) {
        ds_->sources_.push_back(this);
        dsListener_ = ds_->AddListener([this](TDataEvent e, TField *f) { Dispatch(e, f); });
    }
}

int TDataSource::AddListener(TDataSet::Listener l) {
    listeners_.emplace_back(nextListener_, std::move(l));
    return nextListener_++;
}

void TDataSource::RemoveListener(int id) {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                    [id](const auto &p) { return p.first == id; }),
                     listeners_.end());
}

void TDataSource::Dispatch(TDataEvent e, TField *f) {
    auto copy = listeners_;
    for (auto &[id, l] : copy) l(e, f);
    switch (e) {
    case TDataEvent::StateChanged:
        if (OnStateChange) OnStateChange();
        break;
    case TDataEvent::FieldChanged:
        if (OnDataChange) OnDataChange(f);
        break;
    case TDataEvent::Opened:
    case TDataEvent::Scrolled:
    case TDataEvent::RecordChanged:
        if (OnDataChange) OnDataChange(nullptr);
        break;
    case TDataEvent::Closed:
        if (OnStateChange) OnStateChange();
        break;
    case TDataEvent::RowsChanged:
        break;
    }
}

// ------------------------------------------------------------------- ib query

TIBQuery::TIBQuery(TIBDatabase *db) : TDataSet(db) { db->attachDataset(this); }

TIBQuery::~TIBQuery() { Database()->detachDataset(this); }

void TIBQuery::InternalOpen() {
    Database()->Connect();
    InternalPrepare();
    QStringList names;
    QString sql = fb::ConvertNamedParams(SelectSQL, &names);
    std::vector<fb::Column> cols;
    std::vector<fb::Values> rows;
    params_.resize(selectParamNames_.size());
    Database()->impl()->conn.Select(sql, params_, &cols, &rows);
    QStringList colNames;
    std::vector<TFieldType> types;
    std::vector<int> sizes;
    for (const auto &c : cols) {
        colNames << c.name;
        types.push_back(c.type);
        sizes.push_back(c.size);
    }
    BindColumns(colNames, types, sizes);
    rows_.clear();
    rows_.reserve(rows.size());
    for (auto &vals : rows) {
        Row r(vals.size());
        for (size_t c = 0; c < vals.size(); ++c) {
            if (types[c] == ftBlob) {
                if (!vals[c].isNull()) r[c].blobId = vals[c].toByteArray();
            } else {
                r[c].value = std::move(vals[c]);
            }
        }
        rows_.push_back(std::move(r));
    }
}

void TIBQuery::ExecuteModify(const QString &statement, const Row &current, const Row &old) {
    QStringList names;
    QString sql = fb::ConvertNamedParams(statement, &names);
    std::vector<QVariant> params;
    std::vector<bool> blobData;
    for (const QString &n : names) {
        bool isOld = n.startsWith(QLatin1String("OLD_"));
        TField *f = FindField(isOld ? n.mid(4) : n);
        if (!f && !isOld) f = FindField(n);
        int col = f ? ColumnOf(f) : -1;
        if (col < 0) {
            params.emplace_back();
            blobData.push_back(false);
            continue;
        }
        const Cell &c = isOld ? old[col] : current[col];
        if (f->DataType == ftBlob) {
            if (c.blobLoaded) {
                params.push_back(c.value.isNull() ? QVariant() : c.value);
                blobData.push_back(!c.value.isNull());
            } else {
                params.push_back(c.blobId.isEmpty() ? QVariant() : QVariant(c.blobId));
                blobData.push_back(false);
            }
        } else {
            params.push_back(c.value);
            blobData.push_back(false);
        }
    }
    Database()->impl()->conn.Execute(sql, params, blobData);
}

void TIBQuery::InternalPrepare() {
    if (preparedSelect_ == SelectSQL && !SelectSQL.isEmpty()) return;
    QStringList names;
    fb::ConvertNamedParams(SelectSQL, &names);
    selectParamNames_ = names;
    params_.resize(names.size());
    preparedSelect_ = SelectSQL;
}

QStringList TIBQuery::KeyFields() const {
    // The delete statement names the row by its old key values.
    QStringList names, keys;
    fb::ConvertNamedParams(DeleteSQL, &names);
    for (const QString &n : names)
        if (n.startsWith(QLatin1String("OLD_"))) keys << n.mid(4);
    return keys;
}

void TIBQuery::InternalPost(bool inserting) {
    bool wroteBlob = false;
    for (const Cell &c : editRow_) wroteBlob |= c.blobLoaded;
    ExecuteModify(inserting ? InsertSQL : ModifySQL, editRow_, oldRow_);
    // A written blob is known by its new stored id only after the commit:
    // read the row back so its bytes need not stay in memory.
    if (wroteBlob) RefetchCurrent();
}

void TIBQuery::RefetchCurrent() {
    // "UPDATE table SET ... WHERE cond" gives the table and the condition.
    static const QRegularExpression re(QStringLiteral("^\\s*UPDATE\\s+(\\S+)\\s+SET\\s.*\\sWHERE\\s(.*)$"),
                                       QRegularExpression::CaseInsensitiveOption |
                                           QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatch m = re.match(ModifySQL);
    if (!m.hasMatch()) return;
    QStringList names;
    QString sql = fb::ConvertNamedParams(
        QStringLiteral("SELECT * FROM %1 WHERE %2").arg(m.captured(1), m.captured(2)), &names);
    std::vector<QVariant> params;
    for (const QString &n : names) {
        TField *f = FindField(n.startsWith(QLatin1String("OLD_")) ? n.mid(4) : n);
        int col = f ? ColumnOf(f) : -1;
        params.push_back(col >= 0 ? editRow_[col].value : QVariant());
    }
    std::vector<fb::Column> cols;
    std::vector<fb::Values> rows;
    Database()->impl()->conn.Select(sql, params, &cols, &rows);
    if (rows.size() != 1) return;
    for (size_t c = 0; c < cols.size(); ++c) {
        TField *f = FindField(cols[c].name);
        int col = f ? ColumnOf(f) : -1;
        if (col < 0) continue;
        Cell &cell = editRow_[col];
        if (cols[c].type == ftBlob) {
            cell.value = QVariant();
            cell.blobLoaded = false;
            cell.blobId = rows[0][c].isNull() ? QByteArray() : rows[0][c].toByteArray();
        } else {
            cell.value = rows[0][c];
        }
    }
}

void TIBQuery::InternalDelete() { ExecuteModify(DeleteSQL, oldRow_, oldRow_); }

QByteArray TIBQuery::InternalReadBlob(const QByteArray &blobId) const {
    return Database()->impl()->conn.ReadBlob(blobId);
}

int64_t TIBQuery::InternalBlobSize(const QByteArray &blobId) const {
    return Database()->impl()->conn.BlobLength(blobId);
}
