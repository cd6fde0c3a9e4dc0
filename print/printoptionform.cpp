#include "print/printoptionform.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "print/updown.h"

namespace {
QRadioButton *Radio(const char *name, const char *caption, QWidget *parent)
{
    auto *b = new QRadioButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}
} // namespace

TPrintOptionForm::TPrintOptionForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrintOptionForm"));
    setWindowTitle(QStringLiteral("Print Options"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);

    FullPageRB = Radio("FullPageRB", "Full &Page (respect aspect ratio)", Bevel1);
    OriginalSizeRB = Radio("OriginalSizeRB", "&Original Size (based on graphic resolution)", Bevel1);
    StetchToPageRB = Radio("StetchToPageRB", "&Stretch to page (ignore aspect ratio)", Bevel1);
    SpecificWidthRB = Radio("SpecificWidthRB", "Specific &Width (respect aspect ratio)", Bevel1);
    SpecificHeightRB = Radio("SpecificHeightRB", "Specific &Height (respect aspect ratio)", Bevel1);
    SpecificWidthAndHeightRB =
        Radio("SpecificWidthAndHeightRB", "Specific Width &and Height (ignore aspect ratio)", Bevel1);
    FullPageRB->setChecked(true);

    auto makeSize = [this](const char *label, QLabel *&lbl, QLineEdit *&fld, TUpDown *&upDown, const char *text,
                           int position, const char *names) {
        const QStringList n = QString::fromLatin1(names).split(QLatin1Char(' '));
        lbl = new QLabel(QString::fromLatin1(label), Bevel1);
        lbl->setObjectName(n[0]);
        fld = new QLineEdit(QString::fromLatin1(text), Bevel1);
        fld->setObjectName(n[1]);
        fld->setFixedWidth(60);
        lbl->setBuddy(fld);
        upDown = new TUpDown(Bevel1);
        upDown->setObjectName(n[2]);
        upDown->SetAssociate(fld);
        upDown->SetRange(1, 24);
        upDown->SetPosition(position);
    };
    makeSize("Width (inches)", WidthLbl, WidthFld, WidthUpDown, "5", 5, "WidthLbl WidthFld WidthUpDown");
    makeSize("Height (inches)", HeightLbl, HeightFld, HeightUpDown, "3", 3, "HeightLbl HeightFld HeightUpDown");

    auto *inner = new QVBoxLayout(Bevel1);
    for (QRadioButton *b : {FullPageRB, OriginalSizeRB, StetchToPageRB, SpecificWidthRB, SpecificHeightRB,
                            SpecificWidthAndHeightRB}) {
        inner->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this] { RBClick(); });
    }
    auto *sizes = new QGridLayout;
    sizes->addWidget(WidthLbl, 0, 0, 1, 2);
    sizes->addWidget(WidthFld, 1, 0);
    sizes->addWidget(WidthUpDown, 1, 1, Qt::AlignLeft);
    sizes->addWidget(HeightLbl, 0, 2, 1, 2);
    sizes->addWidget(HeightFld, 1, 2);
    sizes->addWidget(HeightUpDown, 1, 3, Qt::AlignLeft);
    sizes->setColumnStretch(4, 1);
    inner->addLayout(sizes);

    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    OkBtn->setDefault(true);
    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkBtn);
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(Bevel1);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
}

void TPrintOptionForm::FormCreate() { RBClick(); }

void TPrintOptionForm::RBClick()
{
    WidthFld->setEnabled(SpecificWidthRB->isChecked() || SpecificWidthAndHeightRB->isChecked());
    WidthLbl->setEnabled(WidthFld->isEnabled());
    WidthUpDown->setEnabled(WidthFld->isEnabled());
    HeightFld->setEnabled(SpecificHeightRB->isChecked() || SpecificWidthAndHeightRB->isChecked());
    HeightLbl->setEnabled(HeightFld->isEnabled());
    HeightUpDown->setEnabled(HeightFld->isEnabled());
}

TPrintMode TPrintOptionForm::GetPrintMode() const
{
    const std::pair<QRadioButton *, TPrintMode> order[] = {
        {FullPageRB, pmFullPage},
        {OriginalSizeRB, pmOriginalSize},
        {StetchToPageRB, pmStretchToPage},
        {SpecificWidthRB, pmSpecificWidth},
        {SpecificHeightRB, pmSpecificHeight},
        {SpecificWidthAndHeightRB, pmSpecificWidthAndHeight},
    };
    for (const auto &[button, mode] : order)
        if (button->isChecked())
            return mode;
    return pmFullPage;
}
