#include "platform/ui/dbgrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

#include "platform/ui/datetext.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/guard.h"

// ------------------------------------------------------------------ model

TDBGridModel::TDBGridModel(QObject *parent) : QAbstractTableModel(parent) {}

TDBGridModel::~TDBGridModel() { SetDataSource(nullptr); }

void TDBGridModel::SetDataSource(TDataSource *source) {
    beginResetModel();
    if (source_ && listener_ >= 0) source_->RemoveListener(listener_);
    source_ = source;
    listener_ = -1;
    if (source_) listener_ = source_->AddListener([this](TDataEvent e, TField *f) { DataEvent(e, f); });
    endResetModel();
}

void TDBGridModel::SetColumns(std::vector<TDBGridColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

std::vector<TDBGridColumn> TDBGridModel::Columns() const { return EffectiveColumns(); }

std::vector<TDBGridColumn> TDBGridModel::EffectiveColumns() const {
    if (!columns_.empty() || !DataSet()) return columns_;
    std::vector<TDBGridColumn> all;
    for (TField *f : DataSet()->Fields())
        if (f->Visible) all.push_back({f->FieldName, 0, QString(), false});
    return all;
}

void TDBGridModel::SetControlType(const QStringList &settings) {
    beginResetModel();
    checkBoxes_.clear();
    for (const QString &s : settings) {
        QStringList parts = s.split(QLatin1Char(';'));
        if (parts.size() >= 4 && parts[1].compare(QLatin1String("CheckBox"), Qt::CaseInsensitive) == 0)
            checkBoxes_.push_back({parts[0], parts[2], parts[3]});
    }
    endResetModel();
}

TField *TDBGridModel::FieldOf(int column) const {
    std::vector<TDBGridColumn> cols = EffectiveColumns();
    if (!DataSet() || column < 0 || column >= static_cast<int>(cols.size())) return nullptr;
    return DataSet()->FindField(cols[column].FieldName);
}

bool TDBGridModel::IsCheckBox(int column, QString *checked, QString *unchecked) const {
    TField *f = FieldOf(column);
    if (!f) return false;
    for (const CheckBoxSetting &c : checkBoxes_) {
        if (c.field.compare(f->FieldName, Qt::CaseInsensitive) == 0) {
            if (checked) *checked = c.checked;
            if (unchecked) *unchecked = c.unchecked;
            return true;
        }
    }
    return false;
}

QString TDBGridModel::CellText(int row, int column) const {
    TField *f = FieldOf(column);
    if (!f || IsCheckBox(column)) return QString();
    QVariant v = DataSet()->RowValue(row, f->Index());
    if (v.isNull() || !v.isValid()) return QString();
    if (f->DataType == ftDateTime) return DateText(v.toDateTime().date());
    return v.toString();
}

int TDBGridModel::rowCount(const QModelIndex &parent) const {
    if (parent.isValid() || !DataSet() || !DataSet()->Active()) return 0;
    return DataSet()->RecordCount();
}

int TDBGridModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(EffectiveColumns().size());
}

QVariant TDBGridModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || !DataSet() || !DataSet()->Active()) return QVariant();
    QString checked;
    bool box = IsCheckBox(index.column(), &checked);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return box ? QVariant() : QVariant(CellText(index.row(), index.column()));
    case Qt::CheckStateRole: {
        if (!box) return QVariant();
        TField *f = FieldOf(index.column());
        QVariant v = DataSet()->RowValue(index.row(), f->Index());
        return v.toString() == checked ? Qt::Checked : Qt::Unchecked;
    }
    default:
        return QVariant();
    }
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        std::vector<TDBGridColumn> cols = EffectiveColumns();
        if (section < 0 || section >= static_cast<int>(cols.size())) return QVariant();
        if (!cols[section].Title.isEmpty()) return cols[section].Title;
        TField *f = FieldOf(section);
        return f ? f->Caption() : cols[section].FieldName;
    }
    // The row indicator: where the current row is and what is happening to it.
    TDataSet *ds = DataSet();
    if (!ds || section != ds->CurrentRow()) return QString();
    switch (ds->State()) {
    case dsInsert: return QStringLiteral("*");
    case dsEdit: return QStringLiteral("I");
    default: return QStringLiteral("\u25B6");
    }
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex &index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    std::vector<TDBGridColumn> cols = EffectiveColumns();
    TField *f = FieldOf(index.column());
    if (ReadOnly || !f || f->DataType == ftBlob || cols[index.column()].ReadOnly) return fl;
    return fl | (IsCheckBox(index.column()) ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
}

bool TDBGridModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || !(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable))) return false;
    TDataSet *ds = DataSet();
    TField *f = FieldOf(index.column());
    QString checked, unchecked;
    bool box = IsCheckBox(index.column(), &checked, &unchecked);
    if (box ? role != Qt::CheckStateRole : role != Qt::EditRole) return false;
    if (!box && value.toString() == CellText(index.row(), index.column())) return true;
    return Guarded([&] {
        if (index.row() != ds->CurrentRow()) ds->SetRecNo(index.row() + 1);
        if (ds->State() == dsBrowse) ds->Edit();
        if (box) {
            f->SetAsString(value.toInt() == Qt::Checked ? checked : unchecked);
        } else if (f->DataType == ftDateTime) {
            QString text = value.toString();
            if (text.trimmed().isEmpty()) {
                f->Clear();
            } else {
                std::optional<QDate> d = ParseDateText(text);
                if (!d) throw EDatabaseError("'" + text.toStdString() + "' is not a valid date");
                f->SetAsDateTime(QDateTime(*d, f->IsNull() ? QTime(0, 0) : f->AsDateTime().time()));
            }
        } else {
            f->SetAsString(value.toString());
        }
    });
}

void TDBGridModel::DataEvent(TDataEvent e, TField *) {
    switch (e) {
    case TDataEvent::Opened:
    case TDataEvent::Closed:
    case TDataEvent::RowsChanged:
        beginResetModel();
        endResetModel();
        break;
    case TDataEvent::Scrolled:
    case TDataEvent::StateChanged:
    case TDataEvent::FieldChanged:
    case TDataEvent::RecordChanged: {
        int rows = rowCount();
        if (rows > 0) {
            emit headerDataChanged(Qt::Vertical, 0, rows - 1);
            int cur = DataSet()->CurrentRow();
            if (cur >= 0 && cur < rows && e != TDataEvent::Scrolled)
                emit dataChanged(index(cur, 0), index(cur, columnCount() - 1));
        }
        break;
    }
    }
    if (AfterDataEvent) AfterDataEvent(e);
}

// ------------------------------------------------------------------- view

TDBGrid::TDBGrid(QWidget *parent) : QTableView(parent), model_(new TDBGridModel(this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(true);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setMinimumWidth(18);
    // The selected row stays marked while another control has the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    model_->AfterDataEvent = [this](TDataEvent e) {
        TDataSet *ds = model_->DataSet();
        if (ds && ds->State() == dsInsert) {
            // The defaults of a new row arrive before its state is announced;
            // only a change after that counts as the user's.
            if (e == TDataEvent::StateChanged) insertTouched_ = false;
            else if (e == TDataEvent::FieldChanged) insertTouched_ = true;
        }
        SyncToDataSet();
    };
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &) {
                if (current.isValid()) CurrentRowChanged(current.row());
            });
}

void TDBGrid::SetDataSource(TDataSource *source) {
    model_->SetDataSource(source);
    ApplyColumnWidths();
    SyncToDataSet();
}

void TDBGrid::SetColumns(std::vector<TDBGridColumn> columns) {
    model_->SetColumns(std::move(columns));
    ApplyColumnWidths();
    SyncToDataSet();
}

void TDBGrid::SetReadOnly(bool readOnly) {
    model_->ReadOnly = readOnly;
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
}

void TDBGrid::ApplyColumnWidths() {
    std::vector<TDBGridColumn> cols = model_->Columns();
    QFontMetrics fm(font());
    QFontMetrics hfm(horizontalHeader()->font());
    for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
        int chars = cols[i].Width;
        if (chars <= 0) {
            TField *f = model_->FieldOf(i);
            chars = f ? (f->DisplayWidth > 0 ? f->DisplayWidth : (f->Size > 0 ? f->Size : 10)) : 10;
        }
        // Digits are often wider than the average character: dates must fit.
        int width = chars * std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0'))) + 8;
        // A title is never cut off by a column narrower than its text.
        QString title = model_->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        width = std::max({width, hfm.horizontalAdvance(title) + 14, 24});
        setColumnWidth(i, width);
    }
}

void TDBGrid::changeEvent(QEvent *e) {
    QTableView::changeEvent(e);
    if (e->type() == QEvent::FontChange) ApplyColumnWidths();
}

void TDBGrid::SyncToDataSet() {
    TDataSet *ds = model_->DataSet();
    syncing_ = true;
    int row = ds && ds->Active() ? ds->CurrentRow() : -1;
    if (row < 0 || row >= model_->rowCount()) {
        selectionModel()->clear();
    } else {
        int col = std::max(currentIndex().column(), 0);
        if (col >= model_->columnCount()) col = 0;
        QModelIndex idx = model_->index(row, col);
        if (idx.isValid()) {
            selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            scrollTo(idx);
        }
    }
    syncing_ = false;
}

void TDBGrid::CurrentRowChanged(int row) {
    if (syncing_) return;
    TDataSet *ds = model_->DataSet();
    if (!ds || !ds->Active() || row == ds->CurrentRow()) return;
    Guarded([&] {
        if (ds->State() == dsInsert && !insertTouched_) {
            // Leaving a new row nobody typed into drops it instead of posting it.
            int inserted = ds->CurrentRow();
            ds->Cancel();
            if (row > inserted) --row;
        }
        ds->SetRecNo(row + 1);
    });
    SyncToDataSet();
}

void TDBGrid::DeleteCurrentRow() {
    TDataSet *ds = model_->DataSet();
    if (!AllowDelete || !ds || !ds->Active() || ds->IsEmpty()) return;
    if (ConfirmDelete && MessageDlg(QStringLiteral("Delete record?"), mtConfirmation, {mrOk, mrCancel}) != mrOk)
        return;
    ds->Delete();
}

void TDBGrid::CancelUntouchedInsert() {
    TDataSet *ds = model_->DataSet();
    if (ds && ds->State() == dsInsert && !insertTouched_) ds->Cancel();
}

void TDBGrid::MoveToNextColumn() {
    QModelIndex cur = currentIndex();
    if (!cur.isValid()) return;
    int col = cur.column() + 1, row = cur.row();
    if (col >= model_->columnCount()) {
        if (row + 1 >= model_->rowCount()) return;
        col = 0;
        ++row;
    }
    setCurrentIndex(model_->index(row, col));
}

void TDBGrid::keyPressEvent(QKeyEvent *e) {
    if (state() == QAbstractItemView::EditingState) {
        QTableView::keyPressEvent(e);
        return;
    }
    switch (e->key()) {
    case Qt::Key_Delete:
        Guarded([this] { DeleteCurrentRow(); });
        e->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        MoveToNextColumn();
        e->accept();
        return;
    case Qt::Key_Escape:
        if (TDataSet *ds = model_->DataSet(); ds && (ds->State() == dsEdit || ds->State() == dsInsert)) {
            Guarded([ds] { ds->Cancel(); });
            e->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(e);
}

void TDBGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint == QAbstractItemDelegate::SubmitModelCache) {
        // Enter in a cell: the value is taken and the next column comes up.
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        MoveToNextColumn();
        return;
    }
    QTableView::closeEditor(editor, hint);
}

void TDBGrid::focusOutEvent(QFocusEvent *e) {
    QTableView::focusOutEvent(e);
    // A box or another window coming up is not leaving the grid; neither is
    // the grid's own cell editor taking the focus.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    QWidget *to = QApplication::focusWidget();
    if (to && (to == this || isAncestorOf(to))) return;
    Guarded([this] { CancelUntouchedInsert(); });
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent *e) {
    if (!OnDblClick) {
        QTableView::mouseDoubleClickEvent(e);
        return;
    }
    e->accept();
    Guarded(OnDblClick);
}
