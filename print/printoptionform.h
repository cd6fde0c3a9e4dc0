#pragma once
// TPrintOptionForm: the "Print Options" dialog. The user picks one of the six
// layouts and, for the specific-size ones, a width and/or height in inches.
// After exec() returns Accepted read GetPrintMode() and the texts of WidthFld
// and HeightFld.
#include <QDialog>

#include "print/dibgraphicprinter.h"

class QDialogButtonBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TUpDown;

class TPrintOptionForm : public QDialog {
public:
    explicit TPrintOptionForm(QWidget *parent = nullptr);

    QRadioButton *FullPageRB;
    QRadioButton *OriginalSizeRB;
    QRadioButton *StetchToPageRB;
    QRadioButton *SpecificWidthRB;
    QRadioButton *SpecificHeightRB;
    QRadioButton *SpecificWidthAndHeightRB;
    QLabel *WidthLbl;
    QLineEdit *WidthFld;
    TUpDown *WidthUpDown;
    QLabel *HeightLbl;
    QLineEdit *HeightFld;
    TUpDown *HeightUpDown;
    QFrame *Bevel1;
    QPushButton *OkBtn;
    QPushButton *BitBtn1;

    // Enables the size edits (with their labels and arrows) the checked
    // layout needs.
    void RBClick();
    // The layout of the first checked button; pmFullPage when none is.
    TPrintMode GetPrintMode() const;

private:
    void FormCreate();
};
