// The main window, the folder dialog and the password prompt, driven as a
// user would, on a real embedded filing store.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QToolButton>

#include "app/dmcenter.h"
#include "app/documentform.h"
#include "app/loginform.h"
#include "app/mainform.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/filterdialog.h"
#include "tests/ui/uitest.h"

namespace {
const QString kCabinetCaption = QStringLiteral("เพิ่มตู้เก็บเอกสาร");

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        dm = std::make_unique<TdmCenter>();
        form = std::make_unique<TMainForm>(folder.Path());
        form->show();
    }
    void TearDown() override {
        form.reset();
        dm.reset();
    }

    void AddCabinet(const QString &name) {
        boxes.inputAnswers.push_back(name);
        form->mnuInsertCabinetClick();
    }
    void AddFolder(const QString &name, const QVariant &kind = QStringLiteral("N")) {
        dm->DocumentTable.Insert();
        dm->DocumentTableDESCRIPT->SetAsString(name);
        dm->DocumentTableISPASSWD->SetValue(kind);
        dm->DocumentTable.Post();
    }
    void AddPages(int n) {
        for (int i = 0; i < n; ++i) {
            dm->ImageFileTable.Insert();
            dm->ImageFileTableIMAGES->SetAsBytes(QByteArray("BM page"));
            dm->ImageFileTable.Post();
        }
    }
    int Count(const QString &sql) { return CountRows(dm->dbTambra, sql); }

    TestFolder folder;
    BoxRecorder boxes;
    std::unique_ptr<TdmCenter> dm;
    std::unique_ptr<TMainForm> form;
    QObject watch;
};
}  // namespace

TEST_F(MainFormTest, ShowsItsCaptionsHintsMenuAndColumns) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Borvane"));
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(dm->DatabasePath, folder.Path() + QStringLiteral("TAMBRA.GDB"));
    EXPECT_TRUE(dm->GroupFileTable.Active() && dm->DocumentTable.Active() && dm->ImageFileTable.Active());
    EXPECT_FALSE(form->Memo1->isVisible());

    const std::pair<QToolButton *, const char *> hints[] = {{form->NewDocBtn, "เพิ่มแฟ้มใหม่"},
                                                            {form->EditDocBtn, "แก้ไขแฟ้มเดิม"},
                                                            {form->AddImageBtn, "เพิ่มเอกสารเข้าแฟ้ม"},
                                                            {form->ExitBtn, "เลิกการทำงาน"}};
    for (const auto &[button, hint] : hints) {
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(hint));
        EXPECT_TRUE(button->statusTip().isEmpty());
        EXPECT_FALSE(button->icon().isNull()) << hint;   // pictures come with the program
        EXPECT_FALSE(button->icon().pixmap(20, 20).isNull()) << hint;
    }

    QStringList menu;
    for (QAction *top : form->menuBar()->actions()) {
        menu << top->text();
        for (QAction *item : top->menu()->actions()) menu << (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    EXPECT_EQ(menu.join(QLatin1Char('|')),
              QStringLiteral("เ&พิ่ม|เพิ่มตู้เอกสาร|เพิ่มแฟ้มเอกสาร|-|เลิกการทำงาน|"
                             "แ&ก้ไข|แก้ไขชื่อตู้เก็บเอกสาร|แก้ไขข้อมูลแฟ้มเอกสาร|-|ทำลายตู้เก็บเอกสาร|ลบแฟ้มเก็บเอกสาร|"
                             "&ค้นหา|ค้นหาตู้เอกสาร|ค้นหาแฟ้มเอกสาร|-|แสดงตู้เอกสารทั้งหมด|แสดงแฟ้มเอกสารในตู้ทั้งหมด|"
                             "&หน้าที่พิเศษ|วิธีการใช้งาน|&About|-|สำรองข้อมูล|ดึงข้อมูลสำรองกลับมาใช้งาน|ล้างข้อมูลทิ้ง"));
    EXPECT_EQ(form->mnuExit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));

    QStringList titles;
    for (TDBGrid *grid : {form->GroupFileDBGrid, form->DocumentDBGrid})
        for (int c = 0; c < grid->Model()->columnCount(); ++c)
            titles << grid->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles.join(QLatin1Char('|')), QStringLiteral("ชื่อตู้เก็บเอกสาร|แฟ้มเก็บเอกสาร|แฟ้มรูปภาพ?|"
                                                            "วันที่บันทึก|วันที่ในเอกสาร|จำนวนหน้า"));
    EXPECT_EQ(form->FilterGroupFileDlg->windowTitle(), QStringLiteral("ค้นหาตู้เอกสาร"));
    EXPECT_EQ(form->FilterDocumentDlg->windowTitle(), QStringLiteral("ค้นหาแฟ้มเอกสาร"));
}

TEST_F(MainFormTest, CommandsOnEmptyListsAnswerWithTheirMessage) {
    int opened = 0;
    form->OpenPageViewer = [&] { ++opened; };
    form->OpenAttachedFiles = [&] { ++opened; };
    struct Case {
        bool withCabinet;
        void (TMainForm::*command)();
        TMsgDlgType type;
        const char *text;
    } cases[] = {
        {false, &TMainForm::NewDocBtnClick, mtPlain, "เพิ่มตู้เอกสารก่อน"},
        {false, &TMainForm::mnuEditCabinetClick, mtInformation, "ไม่มีตู้เอกสารให้แก้ไขชื่อ"},
        {true, &TMainForm::DocumentDBGridDblClick, mtInformation, "สร้างเอกสารใหม่ก่อน"},
        {true, &TMainForm::EditDocBtnClick, mtPlain, "ไม่มีแฟ้มเอกสารให้แก้ไข"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        if (c.withCabinet && dm->GroupFileTable.IsEmpty()) AddCabinet(QStringLiteral("ตู้ว่าง"));
        boxes.boxes.clear();
        (form.get()->*c.command)();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].type, c.type);
        EXPECT_EQ(boxes.boxes[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(boxes.boxes[0].buttons, std::vector<TModalResult>{mrOk});
    }
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(dm->DocumentTable.State(), dsBrowse);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM DOCUMENT")), 0);
}

TEST_F(MainFormTest, NewCabinetIsAskedForCutTo50AndMadeCurrent) {
    AddCabinet(QStringLiteral("ข"));
    ASSERT_EQ(boxes.inputs.size(), 1u);
    EXPECT_EQ(boxes.inputs[0].caption, kCabinetCaption);
    EXPECT_EQ(boxes.inputs[0].prompt, QStringLiteral("ชื่อตู้ใบนี้"));
    EXPECT_EQ(boxes.inputs[0].text, QStringLiteral("กรุณาระบุชื่อตู้ที่ต้องการ"));

    // Sixty Thai characters are stored as their first fifty, and the new
    // cabinet is current although the list was reopened and sorted.
    QString sixty = QString(60, QChar(0x0E04));   // sorts after the first cabinet
    sixty[49] = QChar(0x0E05);
    AddCabinet(sixty);
    EXPECT_EQ(dm->GroupFileTableDESCRIPT->AsString(), sixty.left(50));
    EXPECT_EQ(Count(QStringLiteral("SELECT CHAR_LENGTH(DESCRIPT) FROM GROUPFILE WHERE DESCRIPT STARTING WITH 'คค'")), 50);

    // Of two equal names the first in list order becomes current.
    AddCabinet(QStringLiteral("ก"));
    AddCabinet(QStringLiteral("ก"));
    EXPECT_EQ(dm->GroupFileTable.RecordCount(), 4);
    EXPECT_EQ(dm->GroupFileTable.RecNo(), 1);
    EXPECT_EQ(dm->GroupFileTableDESCRIPT->AsString(), QStringLiteral("ก"));
    EXPECT_EQ(form->GroupFileDBGrid->currentIndex().row(), 0);

    // Cancel adds nothing.
    form->mnuInsertCabinetClick();
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM GROUPFILE")), 4);
}

TEST_F(MainFormTest, RenameCabinetOffersTheNameAndKeepsItsPlace) {
    AddCabinet(QStringLiteral("A"));
    AddCabinet(QStringLiteral("B"));
    ASSERT_EQ(dm->GroupFileTableDESCRIPT->AsString(), QStringLiteral("B"));
    boxes.inputAnswers.push_back(QStringLiteral("0") + QString(60, QLatin1Char('x')));
    form->mnuEditCabinetClick();
    const TInputRequest &asked = boxes.inputs.back();
    EXPECT_EQ(asked.caption, QStringLiteral("แก้ไขชื่อตู้เก็บเอกสาร"));
    EXPECT_EQ(asked.prompt, QStringLiteral("เปลี่ยนเป็นชื่อ"));
    EXPECT_EQ(asked.text, QStringLiteral("B"));
    EXPECT_EQ(dm->GroupFileTable.RecNo(), 2);   // not re-sorted until the list is reopened
    EXPECT_EQ(dm->GroupFileTableDESCRIPT->AsString().size(), 50);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM GROUPFILE WHERE DESCRIPT STARTING WITH '0xxx'")), 1);
}

TEST_F(MainFormTest, OpeningAFolderTakesThePathOfItsKind) {
    AddCabinet(QStringLiteral("ตู้"));
    struct Case {
        const char *name;
        QVariant kind;
        bool attached;
    } cases[] = {
        {"a-pages", QStringLiteral("N"), false},
        {"b-files", QStringLiteral("Y"), true},
        {"c-empty", QStringLiteral(""), false},
        {"d-null", QVariant(), false},
        {"e-other", QStringLiteral("y"), false},
    };
    for (const Case &c : cases) AddFolder(QString::fromUtf8(c.name), c.kind);
    form->N7Click();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(dm->DocumentTable.Locate(QStringLiteral("DESCRIPT"), QString::fromUtf8(c.name)));
        qint64 docNo = dm->DocumentTableDOCNO->AsInteger();
        QString path;
        bool otherOpenForFolder = false;
        form->OpenPageViewer = [&] {
            path = QStringLiteral("viewer");
            AddPages(2);   // the server counts them; the list shows the count afterwards
        };
        form->OpenAttachedFiles = [&] {
            path = QStringLiteral("files");
            otherOpenForFolder = dm->OtherFileTable.Active() &&
                                 dm->OtherFileTable.Param(QStringLiteral("DOCNO")).toLongLong() == docNo;
        };
        boxes.boxes.clear();
        form->DocumentDBGridDblClick();
        EXPECT_EQ(path, c.attached ? QStringLiteral("files") : QStringLiteral("viewer"));
        EXPECT_TRUE(boxes.boxes.empty());   // no password, no message
        EXPECT_EQ(otherOpenForFolder, c.attached);
        EXPECT_FALSE(dm->OtherFileTable.Active());
        EXPECT_EQ(dm->DocumentTableDOCNO->AsInteger(), docNo);   // refreshed in place
        EXPECT_EQ(dm->DocumentTableCOUNTPAGE->AsInteger(), c.attached ? 0 : 2);
    }
}

TEST_F(MainFormTest, DeletingAFolderRemovesAllItsPages) {
    AddCabinet(QStringLiteral("ตู้"));
    AddFolder(QStringLiteral("keep"));
    AddPages(1);
    AddFolder(QStringLiteral("gone"));
    AddPages(4);
    ASSERT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("gone"));
    dm->ImageFileTable.SetRecNo(3);   // the viewer was left on the third page
    qint64 docNo = dm->DocumentTableDOCNO->AsInteger();

    boxes.answers = {mrNo};
    form->mnuDeleteDocumentClick();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].type, mtConfirmation);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("การลบจะทำให้เอกสารในแฟ้มถูกทำลายทั้งหมด\n"
                                                  "ตอบ Yes เพื่อยืนยันการลบแฟ้มที่ชื่อ\ngone"));
    EXPECT_EQ(boxes.boxes[0].buttons, (std::vector<TModalResult>{mrYes, mrNo}));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM IMAGEFILE")), 5);

    boxes.answers = {mrYes};
    form->mnuDeleteDocumentClick();
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM IMAGEFILE WHERE DOCNO = %1").arg(docNo)), 0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM DOCUMENT WHERE DOCNO = %1").arg(docNo)), 0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM IMAGEFILE")), 1);
    EXPECT_EQ(boxes.boxes.back().type, mtPlain);
    EXPECT_EQ(boxes.boxes.back().text, QStringLiteral("ลบแฟ้มเอกสารเสร็จเรียบร้อยแล้ว"));
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("keep"));
}

TEST_F(MainFormTest, DeletingACabinetRemovesEveryFolderAndPageOfIt) {
    AddCabinet(QStringLiteral("อื่น"));
    AddFolder(QStringLiteral("other"));
    AddPages(1);
    AddCabinet(QStringLiteral("ก-ตู้"));
    AddFolder(QStringLiteral("f1"));
    AddPages(2);
    AddFolder(QStringLiteral("f2"));
    AddPages(3);
    ASSERT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("f2"));   // not the first folder
    qint64 groupId = dm->GroupFileTableGROUPID->AsInteger();

    boxes.answers = {mrYes};
    form->mnuDeleteCabinetClick();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].type, mtConfirmation);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("การทำลายตู้เก็บเอกสาร\nจะทำให้แฟ้มและเอกสารในตู้นี้ถูกทำลายทั้งหมด\n"
                                                  "ตอบ Yes เพื่อยืนยันการทำลายตู้เก็บที่ชื่อ\nก-ตู้"));
    EXPECT_EQ(boxes.boxes[1].type, mtPlain);
    EXPECT_EQ(boxes.boxes[1].text, QStringLiteral("ทำลายตู้เอกสารเสร็จเรียบร้อยแล้ว"));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM GROUPFILE WHERE GROUPID = %1").arg(groupId)), 0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM DOCUMENT")), 1);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM IMAGEFILE")), 1);
    EXPECT_EQ(dm->GroupFileTableDESCRIPT->AsString(), QStringLiteral("อื่น"));
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("other"));

    // On an empty list nothing is deleted, yet the question and the notice come.
    boxes.answers = {mrYes};
    form->mnuDeleteCabinetClick();
    boxes.answers = {mrYes};
    boxes.boxes.clear();
    form->mnuDeleteCabinetClick();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_TRUE(boxes.boxes[0].text.endsWith(QStringLiteral("ที่ชื่อ\n")));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM GROUPFILE")), 0);
}

TEST_F(MainFormTest, SearchThenShowAll) {
    for (const char *name : {"Alpha", "Beta", "Alps"}) AddCabinet(QString::fromUtf8(name));
    WhenModal(&watch, [&](QWidget *w) {
        EXPECT_EQ(w, form->FilterGroupFileDlg);
        form->FilterGroupFileDlg->ValueEdit()->setText(QStringLiteral("al"));
        form->FilterGroupFileDlg->accept();
    });
    form->N1Click();
    EXPECT_EQ(dm->GroupFileTable.RecordCount(), 2);
    form->N6Click();
    EXPECT_EQ(dm->GroupFileTable.RecordCount(), 3);

    AddFolder(QStringLiteral("one"));
    AddFolder(QStringLiteral("two"));
    WhenModal(&watch, [&](QWidget *) {
        form->FilterDocumentDlg->ValueEdit()->setText(QStringLiteral("tw"));
        form->FilterDocumentDlg->accept();
    });
    form->N2Click();
    EXPECT_EQ(dm->DocumentTable.RecordCount(), 1);
    EXPECT_EQ(form->DocumentDBGrid->Model()->rowCount(), 1);
    form->N7Click();
    EXPECT_EQ(dm->DocumentTable.RecordCount(), 2);
    EXPECT_EQ(form->DocumentDBGrid->Model()->rowCount(), 2);
}

TEST_F(MainFormTest, EndingRemovesTheFourTemporaryCopiesOnly) {
    const QStringList removed = {QStringLiteral("temp.pdf"), QStringLiteral("temp.DOC"), QStringLiteral("temp.Xls"),
                                 QStringLiteral("temp.ppt")};
    const QStringList kept = {QStringLiteral("temp.BMP"), QStringLiteral("temp.jpe"), QStringLiteral("other.pdf"),
                              QStringLiteral("temp.pdf.bak")};
    for (const QString &name : removed + kept) {
        QFile f(folder.Path() + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    form.reset();
    for (const QString &name : removed) EXPECT_FALSE(QFile::exists(folder.Path() + name)) << name.toStdString();
    for (const QString &name : kept) EXPECT_TRUE(QFile::exists(folder.Path() + name)) << name.toStdString();
    EXPECT_TRUE(QFile::exists(folder.DatabasePath()));
}

namespace {
// How the password prompt is answered.
enum class Answer { TypeAndEnter, TypeAndOk, CancelButton, Escape };
}  // namespace

TEST_F(MainFormTest, PasswordRulesBeforeEditingAFolderOfAttachedFiles) {
    AddCabinet(QStringLiteral("ตู้"));
    AddFolder(QStringLiteral("files"), QStringLiteral("Y"));
    AddFolder(QStringLiteral("nopass"), QStringLiteral("Y"));
    dm->DocumentTable.Edit();
    dm->DocumentTablePASSWD->Clear();
    dm->DocumentTable.Post();
    AddFolder(QStringLiteral("pages"), QStringLiteral("N"));

    struct Case {
        const char *folder;
        const char *typed;
        Answer answer;
        bool prompt;
        bool dialog;
        bool warning;
    } cases[] = {
        {"files", "470", Answer::TypeAndEnter, true, true, false},
        {"files", "470", Answer::TypeAndOk, true, true, false},
        {"files", "470 ", Answer::TypeAndEnter, true, false, true},
        {"files", "", Answer::TypeAndOk, true, false, true},
        {"files", "470", Answer::CancelButton, true, false, false},
        {"files", "470", Answer::Escape, true, false, false},
        {"nopass", "", Answer::TypeAndOk, true, true, false},
        {"nopass", "x", Answer::TypeAndOk, true, false, true},
        {"pages", "", Answer::TypeAndOk, false, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " '" + c.typed + "' answer " + std::to_string(int(c.answer)));
        ASSERT_TRUE(dm->DocumentTable.Locate(QStringLiteral("DESCRIPT"), QString::fromUtf8(c.folder)));
        bool prompted = false, dialogShown = false;
        auto answerDialog = [&](QWidget *w) {
            dialogShown = dynamic_cast<TDocumentForm *>(w) != nullptr;
            EXPECT_EQ(dm->DocumentTable.State(), dsEdit);
            if (auto *f = dynamic_cast<TDocumentForm *>(w)) f->btnCancel->click();
        };
        WhenModal(&watch, [&](QWidget *w) {
            auto *login = dynamic_cast<TMyLoginForm *>(w);
            if (!login) {   // no prompt: the folder dialog came straight away
                answerDialog(w);
                return;
            }
            prompted = true;
            EXPECT_EQ(login->windowTitle(), QStringLiteral("Please Enter Password..."));
            EXPECT_EQ(login->edtPassword->echoMode(), QLineEdit::Password);
            EXPECT_EQ(login->edtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                             login->edtPassword),
                      '*');
            QTest::keyClicks(login->edtPassword, QString::fromUtf8(c.typed));
            if (c.dialog) WhenModal(&watch, answerDialog);
            switch (c.answer) {
            case Answer::TypeAndEnter: QTest::keyClick(login->edtPassword, Qt::Key_Return); break;
            case Answer::TypeAndOk: login->btnOK->click(); break;
            case Answer::CancelButton: login->btnCancel->click(); break;
            case Answer::Escape: QTest::keyClick(login->edtPassword, Qt::Key_Escape); break;
            }
        });
        boxes.boxes.clear();
        form->EditDocBtnClick();
        EXPECT_EQ(prompted, c.prompt);
        EXPECT_EQ(dialogShown, c.dialog);
        if (c.warning) {
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].type, mtWarning);
            EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("รหัสผ่านไม่ถูกต้อง"));
            EXPECT_EQ(boxes.boxes[0].buttons, std::vector<TModalResult>{mrOk});
        } else {
            EXPECT_TRUE(boxes.boxes.empty());
        }
        EXPECT_EQ(dm->DocumentTable.State(), dsBrowse);
    }
}

TEST_F(MainFormTest, FolderDialogCreatesAFolderAndMovesOnWithEnter) {
    AddCabinet(QStringLiteral("ตู้"));
    bool seen = false;
    WhenModal(&watch, [&](QWidget *w) {
        auto *f = dynamic_cast<TDocumentForm *>(w);
        ASSERT_NE(f, nullptr);
        seen = true;
        EXPECT_EQ(f->windowTitle(), QStringLiteral("รายละเอียดของเอกสาร"));
        EXPECT_EQ(f->BtnSave->toolTip(), QStringLiteral("บันทึกข้อมูล"));
        EXPECT_EQ(f->btnCancel->toolTip(), QStringLiteral("เปลี่ยนใจไม่บันทึก"));
        EXPECT_EQ(dm->DocumentTable.State(), dsInsert);
        const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
        EXPECT_EQ(f->wwDBDateTimePicker1->LineEdit()->text(), today);
        EXPECT_EQ(f->wwDBDateTimePicker2->LineEdit()->text(), today);
        EXPECT_EQ(f->wwDBComboBox1->currentText(), QStringLiteral("ไฟล์รูปภาพ"));

        // A post refused for the empty name keeps the dialog and the row.
        f->BtnSave->click();
        EXPECT_EQ(boxes.boxes.back().type, mtError);
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(dm->DocumentTable.State(), dsInsert);

        // Enter moves through the fields in tab order, the combo box included.
        f->wwDBEdit1->setFocus();
        QTest::keyClicks(f->wwDBEdit1, QStringLiteral("new folder"));
        QTest::keyClick(f->wwDBEdit1, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), f->wwDBDateTimePicker1->LineEdit());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), f->wwDBDateTimePicker2->LineEdit());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), f->wwDBComboBox1);
        f->wwDBComboBox1->Choose(1);
        QTest::keyClick(f->wwDBComboBox1, Qt::Key_Return);
        EXPECT_NE(QApplication::focusWidget(), f->wwDBComboBox1);
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(dm->DocumentTable.State(), dsInsert);   // Enter did not post
        f->BtnSave->click();
    });
    form->NewDocBtnClick();
    ASSERT_TRUE(seen);
    EXPECT_EQ(dm->DocumentTable.State(), dsBrowse);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM DOCUMENT WHERE DESCRIPT = 'new folder' AND ISPASSWD = 'Y' "
                                   "AND PASSWD = '470' AND ONDATE = CURRENT_DATE")),
              1);

    // From now on opening it shows its attached files.
    bool files = false;
    form->OpenAttachedFiles = [&] { files = true; };
    form->DocumentDBGridDblClick();
    EXPECT_TRUE(files);
}

TEST_F(MainFormTest, ClosingTheFolderDialogByItsFrameAsksFirst) {
    AddCabinet(QStringLiteral("ตู้"));
    AddFolder(QStringLiteral("old"));
    WhenModal(&watch, [&](QWidget *w) {
        auto *f = dynamic_cast<TDocumentForm *>(w);
        ASSERT_NE(f, nullptr);
        QTest::keyClicks(f->wwDBEdit1, QStringLiteral("-changed"));
        boxes.answers = {mrNo};
        EXPECT_FALSE(f->close());
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].type, mtConfirmation);
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("ข้อมูลยังไม่บันทึก ตอบ Yes ถ้าต้องการเลิกการทำงาน"));
        EXPECT_EQ(boxes.boxes[0].buttons, (std::vector<TModalResult>{mrYes, mrNo}));
        EXPECT_TRUE(f->isVisible());
        boxes.answers = {mrYes};
        QTest::keyClick(f->wwDBEdit1, Qt::Key_Escape);   // Esc closes as the frame does
        EXPECT_EQ(boxes.boxes.size(), 2u);
    });
    form->EditDocBtnClick();
    // The changes the user gave up are not kept.
    EXPECT_EQ(dm->DocumentTable.State(), dsBrowse);
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("old"));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM DOCUMENT WHERE DESCRIPT = 'old'")), 1);

    // After a post the dialog closes without a question.
    boxes.boxes.clear();
    WhenModal(&watch, [&](QWidget *w) {
        auto *f = dynamic_cast<TDocumentForm *>(w);
        f->BtnSave->click();
        EXPECT_FALSE(f->isVisible());
    });
    form->EditDocBtnClick();
    EXPECT_TRUE(boxes.boxes.empty());
}
