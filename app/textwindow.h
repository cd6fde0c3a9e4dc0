#pragma once
// The layout the how-to and about windows share: a fixed dialog 544 pixels
// wide, centred on the screen; a panel with a lowered bevel holding the logo,
// an OK button at its right (the default button), and below a read-only,
// scrollable memo on a light-yellow background holding the window's text.
#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TTextWindow : public QDialog {
public:
    TTextWindow(const QString &caption, const QString &text, QWidget *parent = nullptr);

    QFrame *Panel1;
    QLabel *Image1;
    QPushButton *OKButton;
    QPlainTextEdit *Memo1;
};

// The logo shown in both windows.
QPixmap BorvaneLogo();
