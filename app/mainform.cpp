#include "app/mainform.h"

#include <QFile>
#include <QShowEvent>

#include "app/application.h"
#include "app/dmcenter.h"

TMainForm::TMainForm(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), programFolder_(programFolder) {
    setWindowTitle(QStringLiteral("Borvane"));
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::showEvent(QShowEvent *e) {
    QMainWindow::showEvent(e);
    if (shown_ || e->spontaneous()) return;
    shown_ = true;
    try {
        FormShow();
    } catch (...) {
        HandleException();
    }
}

void TMainForm::FormShow() {
    dmCenter->DatabasePath = programFolder_ + QStringLiteral("TAMBRA.GDB");
    dmCenter->GroupFileTable.Open();
    dmCenter->DocumentTable.Open();
    dmCenter->ImageFileTable.Open();
}

void TMainForm::FormDestroy() {
    for (const char *name : {"temp.pdf", "temp.doc", "temp.xls", "temp.ppt"})
        QFile::remove(programFolder_ + QLatin1String(name));
}
