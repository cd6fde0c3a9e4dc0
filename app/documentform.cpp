#include "app/documentform.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dmcenter.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/guard.h"
#include "platform/ui/hint.h"

TDocumentForm::TDocumentForm(QWidget *parent)
    : QDialog(parent), Panel1(new QWidget(this)), BtnSave(new QPushButton(QStringLiteral("&OK"), Panel1)),
      btnCancel(new QPushButton(QStringLiteral("&Cancel"), Panel1)),
      Label1(new QLabel(QStringLiteral("ชื่อแฟ้มเอกสาร"), this)),
      Label2(new QLabel(QStringLiteral("วันที่บันทึก"), this)),
      Label3(new QLabel(QStringLiteral("วันที่ในเอกสาร"), this)),
      Label4(new QLabel(QStringLiteral("ประเภทไฟล์ที่เก็บ"), this)), wwDBEdit1(new TDBEdit(this)),
      wwDBDateTimePicker1(new TDBDateTimePicker(this)), wwDBDateTimePicker2(new TDBDateTimePicker(this)),
      wwDBComboBox1(new TDBComboBox(this)) {
    setObjectName(QStringLiteral("DocumentForm"));
    setWindowTitle(QStringLiteral("รายละเอียดของเอกสาร"));
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    wwDBEdit1->setObjectName(QStringLiteral("wwDBEdit1"));
    wwDBDateTimePicker1->setObjectName(QStringLiteral("wwDBDateTimePicker1"));
    wwDBDateTimePicker2->setObjectName(QStringLiteral("wwDBDateTimePicker2"));
    wwDBComboBox1->setObjectName(QStringLiteral("wwDBComboBox1"));

    BtnSave->setIcon(QIcon(QStringLiteral(":/icons/document-save-symbolic.svg")));
    btnCancel->setIcon(QIcon(QStringLiteral(":/icons/edit-undo-symbolic.svg")));
    SetHint(BtnSave, QStringLiteral("บันทึกข้อมูล|"));
    SetHint(btnCancel, QStringLiteral("เปลี่ยนใจไม่บันทึก|"));
    // Enter never presses a button by itself: it moves through the fields.
    for (QPushButton *b : {BtnSave, btnCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(BtnSave, &QPushButton::clicked, this, [this] { Guarded([this] { BtnSaveClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { Guarded([this] { btnCancelClick(); }); });

    auto *panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(4, 4, 4, 4);
    panel->addStretch();
    panel->addWidget(BtnSave);
    panel->addWidget(btnCancel);
    Panel1->setAutoFillBackground(true);

    TDataSource *ds = &dmCenter->DocumentDS;
    wwDBEdit1->SetDataField(ds, QStringLiteral("DESCRIPT"));
    wwDBEdit1->setMinimumWidth(320);
    wwDBDateTimePicker1->SetDataField(ds, QStringLiteral("ONDATE"));
    wwDBDateTimePicker2->SetDataField(ds, QStringLiteral("DOCDATE"));
    wwDBComboBox1->SetMapList({{QStringLiteral("ไฟล์รูปภาพ"), QStringLiteral("N")},
                               {QStringLiteral("ไฟล์อื่น (PDF,XLS,DOC,PPT)"), QStringLiteral("Y")}});
    wwDBComboBox1->SetDataField(ds, QStringLiteral("ISPASSWD"));

    auto *form = new QFormLayout;
    form->addRow(Label1, wwDBEdit1);
    form->addRow(Label2, wwDBDateTimePicker1);
    form->addRow(Label3, wwDBDateTimePicker2);
    form->addRow(Label4, wwDBComboBox1);
    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 8);
    main->addWidget(Panel1);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(12, 4, 12, 4);
    body->addLayout(form);
    main->addLayout(body);

    setTabOrder(wwDBEdit1, wwDBDateTimePicker1->LineEdit());
    setTabOrder(wwDBDateTimePicker1->LineEdit(), wwDBDateTimePicker2->LineEdit());
    setTabOrder(wwDBDateTimePicker2->LineEdit(), wwDBComboBox1);
    setTabOrder(wwDBComboBox1, BtnSave);
    setTabOrder(BtnSave, btnCancel);

    // The form sees the keys before its fields.
    for (QWidget *w : {static_cast<QWidget *>(wwDBEdit1), static_cast<QWidget *>(wwDBDateTimePicker1->LineEdit()),
                       static_cast<QWidget *>(wwDBDateTimePicker2->LineEdit()),
                       static_cast<QWidget *>(wwDBComboBox1)})
        w->installEventFilter(this);
    wwDBEdit1->setFocus();
}

void TDocumentForm::BtnSaveClick() {
    dmCenter->DocumentTable.Post();
    done(QDialog::Accepted);
}

void TDocumentForm::btnCancelClick() {
    dmCenter->DocumentTable.Cancel();
    done(QDialog::Rejected);
}

bool TDocumentForm::FormCloseQuery() {
    TDataSetState s = dmCenter->DocumentTable.State();
    if (s != dsEdit && s != dsInsert) return true;
    return MessageDlg(QStringLiteral("ข้อมูลยังไม่บันทึก ตอบ Yes ถ้าต้องการเลิกการทำงาน"), mtConfirmation,
                      {mrYes, mrNo}) == mrYes;
}

void TDocumentForm::closeEvent(QCloseEvent *e) {
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    closing_ = true;
    QDialog::closeEvent(e);   // ends the modal showing through reject()
    closing_ = false;
}

void TDocumentForm::reject() {
    // Esc closes as the frame does: through the question.
    if (closing_) QDialog::reject();
    else close();
}

bool TDocumentForm::FormKeyDown(QWidget *target, int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (target != wwDBEdit1 && target != wwDBDateTimePicker1->LineEdit() &&
        target != wwDBDateTimePicker2->LineEdit() && target != wwDBComboBox1)
        return false;
    focusNextChild();
    return true;
}

bool TDocumentForm::eventFilter(QObject *watched, QEvent *e) {
    if (e->type() == QEvent::KeyPress &&
        FormKeyDown(qobject_cast<QWidget *>(watched), static_cast<QKeyEvent *>(e)->key()))
        return true;
    return QDialog::eventFilter(watched, e);
}
