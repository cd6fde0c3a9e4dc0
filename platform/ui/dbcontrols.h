#pragma once
// Data-bound controls: each shows one field of the current row of the dataset
// behind a TDataSource and writes what the user enters into that field,
// putting the row into editing first when it is only being browsed.
//
//   TDBEdit name;               name.SetDataField(&dmCenter->DocumentDS, "DESCRIPT");
//   TDBDateTimePicker onDate;   onDate.SetDataField(&dmCenter->DocumentDS, "ONDATE");
//   TDBComboBox kind;           kind.SetMapList({{"shown", "N"}, ...});
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include <utility>
#include <vector>

#include "platform/db/database.h"

class QCalendarWidget;
class QFrame;
class QToolButton;

// Keeps the link between one control and one field.
class TFieldLink {
public:
    ~TFieldLink();
    void Bind(TDataSource *source, const QString &fieldName, std::function<void()> onChange);
    TDataSource *Source() const { return source_; }
    TDataSet *DataSet() const { return source_ ? source_->DataSet() : nullptr; }
    TField *Field() const;          // nullptr while the dataset is closed
    // Puts the row into editing if it is browsed; the field to write into.
    TField *EditField() const;
    bool Writing() const { return writing_; }
    // Writes through fn with the control's own reload held back.
    void Write(const std::function<void(TField *)> &fn);

private:
    TDataSource *source_ = nullptr;
    QString fieldName_;
    int listener_ = -1;
    bool writing_ = false;
};

class TDBEdit : public QLineEdit {
public:
    explicit TDBEdit(QWidget *parent = nullptr);
    void SetDataField(TDataSource *source, const QString &fieldName);
    void Reload();

private:
    TFieldLink link_;
};

// A date field with a drop-down calendar. The text reads dd/MM/yyyy; a
// one- or two-digit year is taken from 1950 on.
class TDBDateTimePicker : public QWidget {
public:
    explicit TDBDateTimePicker(QWidget *parent = nullptr);
    ~TDBDateTimePicker() override;
    void SetDataField(TDataSource *source, const QString &fieldName);
    void Reload();

    QLineEdit *LineEdit() const { return edit_; }
    QToolButton *DropButton() const { return drop_; }
    QCalendarWidget *Calendar() const { return calendar_; }
    void ShowCalendar();
    bool CalendarShown() const;
    // The date shown (invalid when the field is empty).
    QDate Date() const;
    // Stores a date in the field, keeping the time of day it had.
    void SetDate(const QDate &date);

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void TextEdited(const QString &text);
    void EditingFinished();

    TFieldLink link_;
    QLineEdit *edit_;
    QToolButton *drop_;
    QFrame *popup_;
    QCalendarWidget *calendar_;
};

// A fixed list of texts, each standing for the value stored in the field.
// The value can be chosen but not cleared from the keyboard.
class TDBComboBox : public QComboBox {
public:
    explicit TDBComboBox(QWidget *parent = nullptr);
    void SetDataField(TDataSource *source, const QString &fieldName);
    // (text shown, value stored), listed in this order.
    void SetMapList(const std::vector<std::pair<QString, QString>> &items);
    void Reload();
    // Stores the value of the item at index.
    void Choose(int index);

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    TFieldLink link_;
};
