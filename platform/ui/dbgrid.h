#pragma once
// A grid over a dataset.
//
// TDBGridModel shows the visible rows of the dataset behind a TDataSource;
// TDBGrid is the view: whole-row selection that stays visible without the
// focus, a row indicator, resizable columns with widths in characters,
// wrapped text, check-box columns mapped to stored values, editing where a
// column allows it, Ctrl+Delete (or Delete) after the question "Delete record?",
// Enter moving to the next column and an untouched new row cancelled when the
// grid loses the focus. The grid's current row is the dataset's current row
// and follows it both ways.
//
//   TDBGrid grid;
//   grid.SetDataSource(&dmCenter->DocumentDS);
//   grid.SetColumns({{"DESCRIPT", 50, "..."}, {"ISPASSWD", 1, "..."}});
//   grid.SetControlType({"ISPASSWD;CheckBox;N;Y"});
#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include <functional>
#include <vector>

#include "platform/db/database.h"

struct TDBGridColumn {
    QString FieldName;
    int Width = 0;        // characters; 0: the field's display width
    QString Title;        // empty: the field's display label
    bool ReadOnly = false;
};

class TDBGridModel : public QAbstractTableModel {
public:
    explicit TDBGridModel(QObject *parent = nullptr);
    ~TDBGridModel() override;

    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const { return source_; }
    TDataSet *DataSet() const { return source_ ? source_->DataSet() : nullptr; }

    // No columns: every visible field of the dataset, in field order.
    void SetColumns(std::vector<TDBGridColumn> columns);
    std::vector<TDBGridColumn> Columns() const;
    // Settings "FIELD;CheckBox;CheckedValue;UncheckedValue".
    void SetControlType(const QStringList &settings);

    TField *FieldOf(int column) const;
    bool IsCheckBox(int column, QString *checked = nullptr, QString *unchecked = nullptr) const;
    // The text a cell shows (dates as dd/MM/yyyy, check boxes empty).
    QString CellText(int row, int column) const;

    bool ReadOnly = false;
    // Called after the model has taken in a dataset event (the view syncs then).
    std::function<void(TDataEvent)> AfterDataEvent;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    struct CheckBoxSetting {
        QString field, checked, unchecked;
    };
    void DataEvent(TDataEvent e, TField *f);
    std::vector<TDBGridColumn> EffectiveColumns() const;

    TDataSource *source_ = nullptr;
    int listener_ = -1;
    std::vector<TDBGridColumn> columns_;
    std::vector<CheckBoxSetting> checkBoxes_;
};

class TDBGrid : public QTableView {
public:
    explicit TDBGrid(QWidget *parent = nullptr);

    TDBGridModel *Model() const { return model_; }
    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const { return model_->DataSource(); }
    void SetColumns(std::vector<TDBGridColumn> columns);
    void SetControlType(const QStringList &settings) { model_->SetControlType(settings); }
    // No editing in the cells (rows may still be deleted from the keyboard).
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const { return model_->ReadOnly; }
    // Ask "Delete record?" before a row is deleted from the keyboard.
    bool ConfirmDelete = true;
    bool AllowDelete = true;

    // Double-click anywhere in the grid (rows or not).
    std::function<void()> OnDblClick;

    // Column widths from their widths in characters.
    void ApplyColumnWidths();
    // What Ctrl+Delete does: ask, then delete the current row.
    void DeleteCurrentRow();
    // What losing the focus does to a new row nobody typed into.
    void CancelUntouchedInsert();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void changeEvent(QEvent *e) override;

private:
    void SyncToDataSet();
    void CurrentRowChanged(int row);
    void MoveToNextColumn();

    TDBGridModel *model_;
    bool syncing_ = false;
    bool insertTouched_ = false;
};
