#pragma once
// The folder dialog: name, the two dates and the kind of a folder, edited in
// the current row of dmCenter->DocumentTable, which the caller has put into
// inserting or editing before showing it modally. OK posts, Cancel cancels;
// closing it by the frame (or Esc) with the row unsaved asks first.
#include <QDialog>

class QLabel;
class QPushButton;
class QWidget;
class TDBComboBox;
class TDBDateTimePicker;
class TDBEdit;

class TDocumentForm : public QDialog {
public:
    explicit TDocumentForm(QWidget *parent = nullptr);

    QWidget *Panel1;
    QPushButton *BtnSave;
    QPushButton *btnCancel;
    QLabel *Label1, *Label2, *Label3, *Label4;
    TDBEdit *wwDBEdit1;
    TDBDateTimePicker *wwDBDateTimePicker1;
    TDBDateTimePicker *wwDBDateTimePicker2;
    TDBComboBox *wwDBComboBox1;

    void BtnSaveClick();
    void btnCancelClick();
    // True when the dialog may close.
    bool FormCloseQuery();
    // Enter in a field moves the focus on; true when the key was taken.
    bool FormKeyDown(QWidget *target, int key);

    void reject() override;

protected:
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    bool closing_ = false;
};
