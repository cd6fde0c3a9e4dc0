#pragma once
// The password prompt asked before the details of a folder of attached
// files are edited. AskPassword creates it for one call:
//
//   QString typed;
//   if (AskPassword(typed) && typed == storedPassword) ...
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TMyLoginForm : public QDialog {
public:
    explicit TMyLoginForm(QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *edtPassword;
    QPushButton *btnOK;
    QPushButton *btnCancel;

    // Enter in the password closes with OK, Esc with Cancel.
    bool FormKeyDown(QWidget *target, int key);

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
};

// Shows the prompt modally; true with the typed text when it closed with OK.
bool AskPassword(QString &password);
