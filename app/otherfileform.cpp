#include "app/otherfileform.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "app/dmcenter.h"
#include "app/mainform.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/dbnavigator.h"
#include "platform/ui/dialogs.h"

namespace {
TShellOpenHandler &ShellOpen() {
    static TShellOpenHandler handler;
    return handler;
}

void OpenWithDesktop(const QString &path) {
    if (ShellOpen()) {
        ShellOpen()(path);
        return;
    }
    // When the desktop knows no program for the type nothing opens, and
    // nothing is said.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
}  // namespace

void SetShellOpenHandler(TShellOpenHandler handler) { ShellOpen() = std::move(handler); }

const QString TOtherFileForm::OpenFileDlgFilter =
    QStringLiteral("PDF (*.pdf);;Excel (*.xls);;Word (*.doc);;Power Point (*.ppt);;All File (*)");

TOtherFileForm::TOtherFileForm(const QString &programFolder, QWidget *parent)
    : QDialog(parent), folder_(programFolder) {
    setObjectName(QStringLiteral("OtherFileForm"));
    setWindowTitle(QStringLiteral("รายการไฟล์ในแฟ้ม"));

    wwDBGrid1 = new TDBGrid(this);
    wwDBGrid1->setObjectName(QStringLiteral("wwDBGrid1"));
    wwDBGrid1->SetDataSource(&dmCenter->OtherFileDS);
    wwDBGrid1->SetColumns({{QStringLiteral("FILENAME"), 50, QStringLiteral("รายละเอียดของไฟล์ที่เก็บ"), false},
                           {QStringLiteral("FILETYPE"), 3, QStringLiteral("ประเภทไฟล์"), true}});
    wwDBGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    OtherFileNavigator = new TDBNavigator(QStringLiteral("OtherFileNavigator"), this);
    OtherFileNavigator->SetDataSource(&dmCenter->OtherFileDS);
    OtherFileNavigator->SetVisibleButtons({nbInsert, nbEdit, nbDelete, nbPost, nbCancel});
    OtherFileNavigator->SetButton(nbInsert, QStringLiteral("เพิ่ม"), QStringLiteral("Insert new record"));
    OtherFileNavigator->SetButton(nbEdit, QStringLiteral("แก้ไข"), QStringLiteral("Edit current record"));
    OtherFileNavigator->SetButton(nbDelete, QStringLiteral("ลบ"), QStringLiteral("Delete current record"));
    OtherFileNavigator->SetButton(nbPost, QStringLiteral("บันทึก"), QStringLiteral("Post changes of current record"));
    OtherFileNavigator->SetButton(nbCancel, QStringLiteral("ไม่บันทึก"),
                                  QStringLiteral("Cancel changes made to current record"));
    OtherFileNavigator->AddButton(QStringLiteral("Load"), QStringLiteral("โหลดไฟล์"), QString(),
                                  [this] { OtherFileNavigatorLoadClick(); });
    OtherFileNavigator->AddButton(QStringLiteral("Open"), QStringLiteral("เปิดอ่าน"), QString(),
                                  [this] { OtherFileNavigatorOpenClick(); });
    OtherFileNavigator->SetShowCaptions(true);
    OtherFileNavigator->setFixedHeight(36);

    OpenFileDlg = [this] {
        return QFileDialog::getOpenFileName(this, QString(), QString(), OpenFileDlgFilter);
    };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(wwDBGrid1, 1);
    layout->addWidget(OtherFileNavigator);
    resize(640, 360);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString TOtherFileForm::FileTypeOf(const QString &path) {
    int dot = path.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : path.mid(dot + 1).toUpper();
}

QString TOtherFileForm::TempFileName(const QString &programFolder, const QString &fileType) {
    // The type comes from the whole path, so it may hold "/" or ".." ("B/C"
    // from "/srv/a.b/c"): only letters and digits go into the file name.
    QString safe = fileType;
    for (QChar &c : safe)
        if (!c.isLetterOrNumber()) c = QLatin1Char('_');
    return programFolder + QStringLiteral("temp.") + safe;
}

void TOtherFileForm::OtherFileNavigatorLoadClick() {
    const QString path = OpenFileDlg ? OpenFileDlg() : QString();
    if (path.isEmpty()) return;
    TIBQuery &table = dmCenter->OtherFileTable;
    if (table.State() != dsEdit && table.State() != dsInsert) table.Edit();
    dmCenter->OtherFileTableFILEDATA->LoadFromFile(path);
    if (path.contains(QLatin1Char('.'))) dmCenter->OtherFileTableFILETYPE->SetAsString(FileTypeOf(path));
}

void TOtherFileForm::OtherFileNavigatorOpenClick() {
    TIBQuery &table = dmCenter->OtherFileTable;
    if (table.IsEmpty()) return;
    const QString type = dmCenter->OtherFileTableFILETYPE->AsString();
    if (type.toUpper() == QLatin1String("XXX")) {
        MessageDlg(QStringLiteral("ไม่พบข้อมูลที่จัดเก็บ กรุณาโหลดไฟล์มาเก็บใหม่"), mtWarning, {mrOk});
        return;
    }
    const QString temp = TempFileName(folder_, type);
    dmCenter->OtherFileTableFILEDATA->SaveToFile(temp);
    OpenWithDesktop(temp);
}

void WireAttachedFiles(TMainForm &form) {
    form.OpenAttachedFiles = [&form] {
        TOtherFileForm window(form.ProgramFolder(), &form);
        window.exec();
    };
}
