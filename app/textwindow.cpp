#include "app/textwindow.h"

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

QPixmap BorvaneLogo() { return QPixmap(QStringLiteral(":/images/borvane-logo.jpg")); }

TTextWindow::TTextWindow(const QString &caption, const QString &text, QWidget *parent) : QDialog(parent) {
    setWindowTitle(caption);
    // A fixed dialog frame: no resizing, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(BorvaneLogo());
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    OKButton = new QPushButton(QStringLiteral("OK"), Panel1);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    auto *panelLayout = new QHBoxLayout(Panel1);
    panelLayout->addWidget(Image1, 1);
    panelLayout->addWidget(OKButton, 0, Qt::AlignRight | Qt::AlignVCenter);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setPlainText(text);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Enter belongs to the OK button, Tab leaves the memo.
    Memo1->setTabChangesFocus(true);
    Memo1->setFocusPolicy(Qt::ClickFocus);
    QPalette pal = Memo1->palette();
    pal.setColor(QPalette::Base, QColor(0xff, 0xff, 0xe1));   // the information background
    Memo1->setPalette(pal);
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Garuda"), QStringLiteral("Loma")});
    Memo1->setFont(font);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(Memo1, 1);
    setFixedSize(544, 420);
    OKButton->setFocus();

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
