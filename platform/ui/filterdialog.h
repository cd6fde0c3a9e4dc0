#pragma once
// The search dialog of a list: the user picks a field, types what to look for
// and how it should match; OK hides the rows that do not match. The condition
// is a client-side filter of the dataset itself (no new query, no SQL built
// from what was typed) and ends when the dataset closes.
//
// What is typed is a smart filter: words "or" and "and" join alternatives
// ("a or b and c" is "a", or "b" and "c"), the word "null" matches an empty
// value, "%" stands for any run of characters (the whole value must then fit
// the pattern) and double quotes keep operator words as text. Without "%" a
// value matches on its start by default, or exactly, or anywhere.
#include <QDialog>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

#include "platform/db/database.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;

enum class TFilterMatch { StartOfValue, ExactMatch, AnyWhere };

class TSmartFilter {
public:
    static TSmartFilter Parse(const QString &text, TFilterMatch match, bool caseSensitive = false);
    bool Empty() const { return groups_.empty(); }
    // value: the field's text as shown; isNull: the field holds no value.
    bool Matches(const QString &value, bool isNull) const;

private:
    struct Term {
        bool null = false;
        bool wildcard = false;
        QString text;
    };
    bool TermMatches(const Term &t, const QString &value, bool isNull) const;
    std::vector<std::vector<Term>> groups_;   // or of ands
    TFilterMatch match_ = TFilterMatch::StartOfValue;
    Qt::CaseSensitivity cs_ = Qt::CaseInsensitive;
};

class TFilterDialog : public QDialog {
public:
    explicit TFilterDialog(const QString &name, QWidget *parent = nullptr);
    ~TFilterDialog() override;

    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const { return source_; }
    // The fields offered; they are listed in the dataset's field order.
    void SetSelectedFields(const QStringList &fieldNames);
    QStringList OfferedFields() const;
    // The field chosen when the dialog opens.
    QString SearchField;
    TFilterMatch DefaultMatch = TFilterMatch::StartOfValue;

    // Shows the dialog; on OK applies the condition. False when cancelled.
    bool Execute();
    // The condition typed for a field (what the user types into the dialog).
    void SetFieldValue(const QString &fieldName, const QString &text);
    QString FieldValue(const QString &fieldName) const;
    void SetMatch(TFilterMatch match);
    TFilterMatch Match() const;
    // Hides the rows that do not meet the conditions (shows all when none).
    void ApplyFilter();
    void ClearConditions();

    QListWidget *FieldList() const { return fields_; }
    QLineEdit *ValueEdit() const { return value_; }

private:
    void LoadFields();
    void FieldChosen();
    void StoreValue();

    TDataSource *source_ = nullptr;
    int listener_ = -1;
    QStringList offered_;
    std::map<QString, QString> values_;   // field name -> condition text
    QString shownField_;
    QListWidget *fields_;
    QLineEdit *value_;
    QButtonGroup *match_;
    QCheckBox *caseSensitive_;
};
