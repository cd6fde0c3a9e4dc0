#include "app/mainform.h"

#include "app/otherfileform.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/dmcenter.h"
#include "app/documentform.h"
#include "app/loginform.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/filterdialog.h"
#include "platform/ui/guard.h"
#include "platform/ui/hint.h"

namespace {
// Names are stored with at most 50 characters (not UTF-16 units).
QString cutName(const QString &name) {
    QList<uint> cps = name.toUcs4();
    if (cps.size() <= 50) return name;
    cps.resize(50);
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(cps.constData()), cps.size());
}

QToolButton *pictureButton(QWidget *parent, const QString &name, const QString &icon, const QString &hint) {
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAutoRaise(true);   // flat
    b->setIcon(QIcon(QStringLiteral(":/icons/") + icon));
    b->setIconSize(QSize(20, 20));
    b->setFixedSize(26, 26);
    b->setFocusPolicy(Qt::NoFocus);
    SetHint(b, hint);
    return b;
}
}  // namespace

TMainForm::TMainForm(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), programFolder_(programFolder) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Borvane"));
    BuildToolPanel();
    BuildLists();
    BuildMenu();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Splitter1, 1);
    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->hide();
    layout->addWidget(Memo1, 1);
    setCentralWidget(central);
    // Maximized; where no window manager maximizes it, it still covers the screen.
    if (QScreen *screen = QGuiApplication::primaryScreen()) resize(screen->availableSize());
    setWindowState(Qt::WindowMaximized);
    // A folder of attached files opens in its own window.
    WireAttachedFiles(*this);
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::BuildToolPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(28);
    auto *row = new QHBoxLayout(Panel1);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(1);
    NewDocBtn = pictureButton(Panel1, QStringLiteral("NewDocBtn"), QStringLiteral("folder-new-symbolic.svg"),
                              QStringLiteral("เพิ่มแฟ้มใหม่|"));
    EditDocBtn = pictureButton(Panel1, QStringLiteral("EditDocBtn"), QStringLiteral("document-edit-symbolic.svg"),
                               QStringLiteral("แก้ไขแฟ้มเดิม|"));
    AddImageBtn = pictureButton(Panel1, QStringLiteral("AddImageBtn"), QStringLiteral("insert-image-symbolic.svg"),
                                QStringLiteral("เพิ่มเอกสารเข้าแฟ้ม|"));
    ExitBtn = pictureButton(Panel1, QStringLiteral("ExitBtn"), QStringLiteral("application-exit-symbolic.svg"),
                            QStringLiteral("เลิกการทำงาน|"));
    row->addWidget(NewDocBtn);
    row->addWidget(EditDocBtn);
    row->addWidget(AddImageBtn);
    row->addSpacing(24);   // exit stands apart from the folder commands
    row->addWidget(ExitBtn);
    row->addStretch();
    connect(NewDocBtn, &QToolButton::clicked, this, [this] { Guarded([this] { NewDocBtnClick(); }); });
    connect(EditDocBtn, &QToolButton::clicked, this, [this] { Guarded([this] { EditDocBtnClick(); }); });
    connect(AddImageBtn, &QToolButton::clicked, this, [this] { Guarded([this] { DocumentDBGridDblClick(); }); });
    connect(ExitBtn, &QToolButton::clicked, this, [this] { Guarded([this] { ExitBtnClick(); }); });
}

void TMainForm::BuildLists() {
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);

    GroupFileDBGrid = new TDBGrid(Splitter1);
    GroupFileDBGrid->setObjectName(QStringLiteral("GroupFileDBGrid"));
    GroupFileDBGrid->SetDataSource(&dmCenter->GroupFileLinkDS);
    GroupFileDBGrid->SetColumns({{QStringLiteral("DESCRIPT"), 40, QStringLiteral("ชื่อตู้เก็บเอกสาร")}});
    QPalette silver = GroupFileDBGrid->palette();
    silver.setColor(QPalette::Base, QColor(192, 192, 192));
    GroupFileDBGrid->setPalette(silver);

    DocumentDBGrid = new TDBGrid(Splitter1);
    DocumentDBGrid->setObjectName(QStringLiteral("DocumentDBGrid"));
    DocumentDBGrid->SetDataSource(&dmCenter->DocumentDS);
    DocumentDBGrid->SetControlType({QLatin1String(TdmCenter::DocumentTableControlType)});
    DocumentDBGrid->SetColumns({{QStringLiteral("DESCRIPT"), 50, QStringLiteral("แฟ้มเก็บเอกสาร")},
                                {QStringLiteral("ISPASSWD"), 1, QStringLiteral("แฟ้มรูปภาพ?")},
                                {QStringLiteral("ONDATE"), 10, QStringLiteral("วันที่บันทึก")},
                                {QStringLiteral("DOCDATE"), 11, QStringLiteral("วันที่ในเอกสาร")},
                                {QStringLiteral("COUNTPAGE"), 10, QStringLiteral("จำนวนหน้า")}});
    QPalette info = DocumentDBGrid->palette();
    info.setColor(QPalette::Base, QColor(255, 255, 225));
    DocumentDBGrid->setPalette(info);
    DocumentDBGrid->OnDblClick = [this] { DocumentDBGridDblClick(); };

    // Names and folder details change only through the commands (a folder of
    // attached files only after its password), never by typing in a cell.
    GroupFileDBGrid->SetReadOnly(true);
    DocumentDBGrid->SetReadOnly(true);

    Splitter1->addWidget(GroupFileDBGrid);
    Splitter1->addWidget(DocumentDBGrid);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({277, 623});

    FilterGroupFileDlg = new TFilterDialog(QStringLiteral("FilterGroupFileDlg"), this);
    FilterGroupFileDlg->setWindowTitle(QStringLiteral("ค้นหาตู้เอกสาร"));
    FilterGroupFileDlg->SetDataSource(&dmCenter->GroupFileLinkDS);
    FilterGroupFileDlg->SetSelectedFields({QStringLiteral("DESCRIPT")});
    FilterGroupFileDlg->SearchField = QStringLiteral("DESCRIPT");

    FilterDocumentDlg = new TFilterDialog(QStringLiteral("FilterDocumentDlg"), this);
    FilterDocumentDlg->setWindowTitle(QStringLiteral("ค้นหาแฟ้มเอกสาร"));
    FilterDocumentDlg->SetDataSource(&dmCenter->DocumentDS);
    FilterDocumentDlg->SetSelectedFields({QStringLiteral("DESCRIPT"), QStringLiteral("DOCDATE"), QStringLiteral("ONDATE")});
    FilterDocumentDlg->SearchField = QStringLiteral("DESCRIPT");
}

void TMainForm::BuildMenu() {
    auto add = [this](QMenu *menu, QAction *&action, const char *name, const QString &caption,
                      void (TMainForm::*handler)()) {
        action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    mnuAdd = menuBar()->addMenu(QStringLiteral("เ&พิ่ม"));
    add(mnuAdd, mnuInsertCabinet, "mnuInsertCabinet", QStringLiteral("เพิ่มตู้เอกสาร"), &TMainForm::mnuInsertCabinetClick);
    add(mnuAdd, mnuInsertDocument, "mnuInsertDocument", QStringLiteral("เพิ่มแฟ้มเอกสาร"), &TMainForm::NewDocBtnClick);
    mnuAdd->addSeparator();
    add(mnuAdd, mnuExit, "mnuExit", QStringLiteral("เลิกการทำงาน"), &TMainForm::ExitBtnClick);
    mnuExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));

    mnuEdit = menuBar()->addMenu(QStringLiteral("แ&ก้ไข"));
    add(mnuEdit, mnuEditCabinet, "mnuEditCabinet", QStringLiteral("แก้ไขชื่อตู้เก็บเอกสาร"), &TMainForm::mnuEditCabinetClick);
    add(mnuEdit, mnuEditDocument, "mnuEditDocument", QStringLiteral("แก้ไขข้อมูลแฟ้มเอกสาร"), &TMainForm::EditDocBtnClick);
    mnuEdit->addSeparator();
    add(mnuEdit, mnuDeleteCabinet, "mnuDeleteCabinet", QStringLiteral("ทำลายตู้เก็บเอกสาร"), &TMainForm::mnuDeleteCabinetClick);
    add(mnuEdit, mnuDeleteDocument, "mnuDeleteDocument", QStringLiteral("ลบแฟ้มเก็บเอกสาร"), &TMainForm::mnuDeleteDocumentClick);

    mnuSearch = menuBar()->addMenu(QStringLiteral("&ค้นหา"));
    add(mnuSearch, N1, "N1", QStringLiteral("ค้นหาตู้เอกสาร"), &TMainForm::N1Click);
    add(mnuSearch, N2, "N2", QStringLiteral("ค้นหาแฟ้มเอกสาร"), &TMainForm::N2Click);
    mnuSearch->addSeparator();
    add(mnuSearch, N6, "N6", QStringLiteral("แสดงตู้เอกสารทั้งหมด"), &TMainForm::N6Click);
    add(mnuSearch, N7, "N7", QStringLiteral("แสดงแฟ้มเอกสารในตู้ทั้งหมด"), &TMainForm::N7Click);

    mnuSpecial = menuBar()->addMenu(QStringLiteral("&หน้าที่พิเศษ"));
    add(mnuSpecial, N8, "N8", QStringLiteral("วิธีการใช้งาน"), &TMainForm::N8Click);
    add(mnuSpecial, mnuAbout, "mnuAbout", QStringLiteral("&About"), &TMainForm::mnuAboutClick);
    mnuSpecial->addSeparator();
    add(mnuSpecial, mnuBackup, "mnuBackup", QStringLiteral("สำรองข้อมูล"), &TMainForm::mnuBackupClick);
    add(mnuSpecial, mnuRestore, "mnuRestore", QStringLiteral("ดึงข้อมูลสำรองกลับมาใช้งาน"), &TMainForm::mnuRestoreClick);
    add(mnuSpecial, mnuDeleteAll, "mnuDeleteAll", QStringLiteral("ล้างข้อมูลทิ้ง"), &TMainForm::mnuDeleteAllClick);
}

void TMainForm::showEvent(QShowEvent *e) {
    QMainWindow::showEvent(e);
    if (shown_ || e->spontaneous()) return;
    shown_ = true;
    Guarded([this] { FormShow(); });
    DocumentDBGrid->setFocus();
}

void TMainForm::FormShow() {
    dmCenter->DatabasePath = programFolder_ + QStringLiteral("TAMBRA.GDB");
    dmCenter->GroupFileTable.Open();
    dmCenter->DocumentTable.Open();
    dmCenter->ImageFileTable.Open();
}

void TMainForm::FormDestroy() {
    // The attached-files window writes "temp." and the stored type, which may
    // be in capitals ("temp.PDF"); names compare without regard to case.
    static const QStringList kTemp = {QStringLiteral("temp.pdf"), QStringLiteral("temp.doc"),
                                      QStringLiteral("temp.xls"), QStringLiteral("temp.ppt")};
    QDir dir(programFolder_);
    for (const QString &name : dir.entryList({QStringLiteral("temp.*")}, QDir::Files | QDir::Hidden)) {
        if (kTemp.contains(name, Qt::CaseInsensitive)) QFile::remove(dir.filePath(name));
    }
}

void TMainForm::ShowDocumentForm() {
    TDocumentForm form(this);
    form.exec();
    // Closed by its frame with the row unsaved and the question answered
    // Yes: the user gave the changes up, so they go.
    TDataSetState s = dmCenter->DocumentTable.State();
    if (s == dsEdit || s == dsInsert) dmCenter->DocumentTable.Cancel();
}

void TMainForm::NewDocBtnClick() {
    if (dmCenter->GroupFileTable.IsEmpty()) {
        ShowMessage(QStringLiteral("เพิ่มตู้เอกสารก่อน"));
        return;
    }
    dmCenter->DocumentTable.Insert();
    ShowDocumentForm();
}

void TMainForm::EditDocBtnClick() {
    TdmCenter &dm = *dmCenter;
    if (dm.DocumentTable.IsEmpty()) {
        ShowMessage(QStringLiteral("ไม่มีแฟ้มเอกสารให้แก้ไข"));
        return;
    }
    if (dm.DocumentTableISPASSWD->AsString() == QLatin1String("Y")) {
        QString typed;
        if (!AskPassword(typed)) return;
        if (typed != dm.DocumentTablePASSWD->AsString()) {
            MessageDlg(QStringLiteral("รหัสผ่านไม่ถูกต้อง"), mtWarning, {mrOk});
            return;
        }
    }
    dm.DocumentTable.Edit();
    ShowDocumentForm();
}

void TMainForm::DocumentDBGridDblClick() {
    TdmCenter &dm = *dmCenter;
    if (dm.DocumentTable.IsEmpty()) {
        MessageDlg(QStringLiteral("สร้างเอกสารใหม่ก่อน"), mtInformation, {mrOk});
        return;
    }
    if (dm.DocumentTableISPASSWD->AsString() != QLatin1String("Y")) {
        if (OpenPageViewer) OpenPageViewer();
        dm.DocumentTable.Refresh();
        return;
    }
    if (dm.OtherFileTable.Active()) dm.OtherFileTable.Close();
    dm.OtherFileTable.SetParam(QStringLiteral("DOCNO"), dm.DocumentTableDOCNO->Value());
    dm.OtherFileTable.Open();
    if (OpenAttachedFiles) OpenAttachedFiles();
    dm.OtherFileTable.Close();
    dm.DocumentTable.Refresh();
}

void TMainForm::ExitBtnClick() { close(); }

void TMainForm::mnuInsertCabinetClick() {
    TdmCenter &dm = *dmCenter;
    QString name = QStringLiteral("กรุณาระบุชื่อตู้ที่ต้องการ");
    if (!InputQuery(QStringLiteral("เพิ่มตู้เก็บเอกสาร"), QStringLiteral("ชื่อตู้ใบนี้"), name)) return;
    dm.GroupFileTable.Insert();
    QString stored = cutName(name);
    dm.GroupFileTableDESCRIPT->SetAsString(stored);
    dm.GroupFileTable.Post();
    // Reopened so the list is sorted again; the new cabinet is found by the
    // name as stored (a longer typed name would never be found).
    dm.GroupFileTable.Close();
    dm.GroupFileTable.Open();
    dm.GroupFileTable.Locate(QStringLiteral("descript"), stored);
}

void TMainForm::mnuEditCabinetClick() {
    TdmCenter &dm = *dmCenter;
    if (dm.GroupFileTable.IsEmpty()) {
        MessageDlg(QStringLiteral("ไม่มีตู้เอกสารให้แก้ไขชื่อ"), mtInformation, {mrOk});
        return;
    }
    QString name = dm.GroupFileTableDESCRIPT->AsString();
    if (!InputQuery(QStringLiteral("แก้ไขชื่อตู้เก็บเอกสาร"), QStringLiteral("เปลี่ยนเป็นชื่อ"), name)) return;
    dm.GroupFileTable.Edit();
    dm.GroupFileTableDESCRIPT->SetAsString(cutName(name));
    dm.GroupFileTable.Post();
}

namespace {
// Deletes every page of the current folder, from the first.
void deletePages(TDataSet &pages) {
    if (!pages.Active()) return;
    pages.First();
    while (!pages.IsEmpty()) pages.Delete();
}
}  // namespace

void TMainForm::mnuDeleteCabinetClick() {
    TdmCenter &dm = *dmCenter;
    QString text = QStringLiteral("การทำลายตู้เก็บเอกสาร\nจะทำให้แฟ้มและเอกสารในตู้นี้ถูกทำลายทั้งหมด\n"
                                  "ตอบ Yes เพื่อยืนยันการทำลายตู้เก็บที่ชื่อ\n") +
                   dm.GroupFileTableDESCRIPT->AsString();
    if (MessageDlg(text, mtConfirmation, {mrYes, mrNo}) != mrYes) return;
    // Pages before their folder, folders before their cabinet.
    if (dm.DocumentTable.Active()) {
        dm.DocumentTable.First();
        while (!dm.DocumentTable.IsEmpty()) {
            deletePages(dm.ImageFileTable);
            dm.DocumentTable.Delete();
        }
    }
    if (!dm.GroupFileTable.IsEmpty()) dm.GroupFileTable.Delete();
    ShowMessage(QStringLiteral("ทำลายตู้เอกสารเสร็จเรียบร้อยแล้ว"));
}

void TMainForm::mnuDeleteDocumentClick() {
    TdmCenter &dm = *dmCenter;
    QString text = QStringLiteral("การลบจะทำให้เอกสารในแฟ้มถูกทำลายทั้งหมด\nตอบ Yes เพื่อยืนยันการลบแฟ้มที่ชื่อ\n") +
                   dm.DocumentTableDESCRIPT->AsString();
    if (MessageDlg(text, mtConfirmation, {mrYes, mrNo}) != mrYes) return;
    deletePages(dm.ImageFileTable);
    if (!dm.DocumentTable.IsEmpty()) dm.DocumentTable.Delete();
    ShowMessage(QStringLiteral("ลบแฟ้มเอกสารเสร็จเรียบร้อยแล้ว"));
}

void TMainForm::N1Click() { FilterGroupFileDlg->Execute(); }

void TMainForm::N2Click() { FilterDocumentDlg->Execute(); }

void TMainForm::N6Click() {
    dmCenter->GroupFileTable.Close();
    dmCenter->GroupFileTable.Open();
}

void TMainForm::N7Click() {
    dmCenter->DocumentTable.Close();
    dmCenter->DocumentTable.Open();
}
