#include "app/loginform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The edit masks every typed character with "*", whatever the platform style.
class TAsteriskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
}  // namespace

TMyLoginForm::TMyLoginForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), Label1(new QLabel(QStringLiteral("&Password"), this)),
      edtPassword(new QLineEdit(this)), btnOK(new QPushButton(QStringLiteral("Ok"), this)),
      btnCancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("MyLoginForm"));
    setWindowTitle(QStringLiteral("Please Enter Password..."));
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    Label1->setBuddy(edtPassword);
    auto *style = new TAsteriskStyle;
    style->setParent(this);
    edtPassword->setStyle(style);
    edtPassword->setEchoMode(QLineEdit::Password);
    for (QPushButton *b : {btnOK, btnCancel}) {
        b->setCursor(Qt::PointingHandCursor);
        b->setAutoDefault(false);
    }
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *main = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(Label1);
    row->addWidget(edtPassword, 1);
    main->addLayout(row);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    main->addLayout(buttons);
    edtPassword->setMinimumWidth(180);
    // The form sees the keys before its controls.
    edtPassword->installEventFilter(this);
    btnOK->installEventFilter(this);
    btnCancel->installEventFilter(this);
    adjustSize();
    setFixedSize(sizeHint());
    edtPassword->setFocus();
}

bool TMyLoginForm::FormKeyDown(QWidget *target, int key) {
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && target == edtPassword) {
        accept();
        return true;
    }
    if (key == Qt::Key_Escape) {
        reject();
        return true;
    }
    return false;
}

bool TMyLoginForm::eventFilter(QObject *watched, QEvent *e) {
    if (e->type() == QEvent::KeyPress && FormKeyDown(qobject_cast<QWidget *>(watched), static_cast<QKeyEvent *>(e)->key()))
        return true;
    return QDialog::eventFilter(watched, e);
}

bool AskPassword(QString &password) {
    TMyLoginForm form(QApplication::activeWindow());
    if (form.exec() != QDialog::Accepted) return false;
    password = form.edtPassword->text();
    return true;
}
