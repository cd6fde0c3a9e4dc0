// The attached-files window on a real embedded database, and the help and
// about windows.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "app/aboutbox.h"
#include "app/dmcenter.h"
#include "app/howtoform.h"
#include "app/mainform.h"
#include "app/otherfileform.h"
#include "platform/ui/dbnavigator.h"
#include "tests/ui/uitest.h"

namespace {

const QString kNoFile = QStringLiteral("ไม่พบข้อมูลที่จัดเก็บ กรุณาโหลดไฟล์มาเก็บใหม่");

class AttachedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dm = std::make_unique<TdmCenter>();
        form = std::make_unique<TMainForm>(folder.Path());
        form->show();
        dm->GroupFileTable.Insert();
        dm->GroupFileTableDESCRIPT->SetAsString(QStringLiteral("ตู้"));
        dm->GroupFileTable.Post();
        docno = AddFolder(QStringLiteral("แฟ้มไฟล์"));
        SetShellOpenHandler([this](const QString &path) {
            opened << path;
            openedBytes << ReadAll(path);
        });
        dm->OtherFileTable.SetParam(QStringLiteral("DOCNO"), docno);
        dm->OtherFileTable.Open();
        window = std::make_unique<TOtherFileForm>(folder.Path());
    }
    void TearDown() override {
        SetShellOpenHandler(nullptr);
        window.reset();
        dm->OtherFileTable.Close();
        form.reset();
        dm.reset();
    }
    qlonglong AddFolder(const QString &name) {
        dm->DocumentTable.Insert();
        dm->DocumentTableDESCRIPT->SetAsString(name);
        dm->DocumentTableISPASSWD->SetAsString(QStringLiteral("Y"));
        dm->DocumentTable.Post();
        return dm->DocumentTableDOCNO->AsInteger();
    }
    static QByteArray ReadAll(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A file at folder + relative path (folders made as needed).
    QString MakeFile(const QString &relative, const QByteArray &bytes) {
        QString path = folder.Path() + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    void Load(const QString &path) {
        window->OpenFileDlg = [path] { return path; };
        window->OtherFileNavigatorLoadClick();
    }

    TestFolder folder;
    BoxRecorder boxes;
    std::unique_ptr<TdmCenter> dm;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TOtherFileForm> window;
    qlonglong docno = 0;
    QStringList opened;
    QList<QByteArray> openedBytes;
};

}  // namespace

TEST_F(AttachedFiles, ShowsItsCaptionColumnsAndButtons) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("รายการไฟล์ในแฟ้ม"));
    EXPECT_EQ(window->OpenFileDlgFilter,
              QStringLiteral("PDF (*.pdf);;Excel (*.xls);;Word (*.doc);;Power Point (*.ppt);;All File (*)"));
    const std::pair<const char *, const char *> buttons[] = {
        {"OtherFileNavigatorInsert", "เพิ่ม"},      {"OtherFileNavigatorEdit", "แก้ไข"},
        {"OtherFileNavigatorDelete", "ลบ"},         {"OtherFileNavigatorPost", "บันทึก"},
        {"OtherFileNavigatorCancel", "ไม่บันทึก"}, {"OtherFileNavigatorLoad", "โหลดไฟล์"},
        {"OtherFileNavigatorOpen", "เปิดอ่าน"}};
    for (const auto &[name, caption] : buttons) {
        auto *b = window->findChild<QToolButton *>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), QString::fromUtf8(caption)) << name;
    }
    EXPECT_EQ(window->OtherFileNavigator->height(), 36);
}

TEST_F(AttachedFiles, LoadTakesTheTypeFromTheFirstDotOfTheWholePath) {
    const struct {
        const char *file;
        const char *type;
    } cases[] = {
        {"work/report.pdf", "PDF"},
        {"work/scan.jpeg", "JPE"},
        {"my.files/report.pdf", "FIL"},   // the first dot is in the folder's name
        {"work/nodot", "XXX"},            // no dot anywhere: the type stays
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray bytes = QByteArray("%PDF-1.4\0bytes of ", 18) + c.file;
        const QString path = MakeFile(QString::fromLatin1(c.file), bytes);
        ASSERT_EQ(path.count(QLatin1Char('.')), QString::fromLatin1(c.file).count(QLatin1Char('.')))
            << "the temporary folder's own name must hold no dot";
        window->OtherFileNavigator->BtnClick(nbInsert);
        Load(path);
        EXPECT_EQ(dm->OtherFileTable.State(), dsInsert);   // nothing is posted by loading
        EXPECT_EQ(dm->OtherFileTableFILETYPE->AsString(), QString::fromLatin1(c.type));
        EXPECT_EQ(dm->OtherFileTableFILEDATA->AsBytes(), bytes);
        dm->OtherFileTable.Post();
        EXPECT_EQ(dm->OtherFileTableDOCNO->AsInteger(), docno);
        EXPECT_EQ(dm->OtherFileTableFILENAME->AsString(), QStringLiteral("ใส่รายละเอียดของไฟล์ที่เก็บ"));
    }
    EXPECT_EQ(CountRows(dm->dbTambra, QStringLiteral("SELECT COUNT(*) FROM OTHERFILE WHERE DOCNO = %1").arg(docno)), 4);
}

TEST_F(AttachedFiles, LoadOnAnEmptyListStartsARowAndCancelChangesNothing) {
    window->OpenFileDlg = [] { return QString(); };
    window->OtherFileNavigatorLoadClick();
    EXPECT_EQ(dm->OtherFileTable.State(), dsBrowse);
    EXPECT_TRUE(dm->OtherFileTable.IsEmpty());

    Load(MakeFile(QStringLiteral("work/a.doc"), "doc"));
    EXPECT_EQ(dm->OtherFileTable.State(), dsInsert);
    EXPECT_EQ(dm->OtherFileTableFILETYPE->AsString(), QStringLiteral("DOC"));

    // A file that cannot be read raises, and the row keeps what it had.
    EXPECT_THROW(Load(folder.Path() + QStringLiteral("work/missing.xls")), std::exception);
    EXPECT_EQ(dm->OtherFileTableFILETYPE->AsString(), QStringLiteral("DOC"));
}

TEST_F(AttachedFiles, OpenWritesTempFileBesideTheProgramAndHandsItToTheDesktop) {
    window->OtherFileNavigatorOpenClick();   // empty list: nothing at all
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(boxes.boxes.empty());

    const QByteArray first = "first pdf", second = "second pdf";
    for (const QByteArray &bytes : {first, second}) {
        dm->OtherFileTable.Insert();
        Load(MakeFile(QStringLiteral("work/report.pdf"), bytes));
        dm->OtherFileTable.Post();
        window->OtherFileNavigatorOpenClick();
    }
    // The same temporary name is used again, holding each file in turn.
    EXPECT_EQ(opened, (QStringList{folder.Path() + QStringLiteral("temp.PDF"), folder.Path() + QStringLiteral("temp.PDF")}));
    EXPECT_EQ(openedBytes, (QList<QByteArray>{first, second}));

    // A row without a file answers with the warning and opens nothing.
    dm->OtherFileTable.Insert();
    dm->OtherFileTable.Post();
    window->OtherFileNavigatorOpenClick();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kNoFile);
    EXPECT_EQ(boxes.boxes[0].type, mtWarning);
    EXPECT_EQ(boxes.boxes[0].buttons, std::vector<TModalResult>{mrOk});
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(AttachedFiles, TheTemporaryFileNeverLeavesTheProgramsFolder) {
    // "a.b/c" stores the type "B/C", "d./e" stores "/E" and "..q/r" stores
    // ".Q/": each would put the temporary copy elsewhere.
    for (const char *relative : {"a.b/c", "d./e", "..q/r"}) {
        SCOPED_TRACE(relative);
        const QString path = MakeFile(QString::fromLatin1(relative), "bytes");
        dm->OtherFileTable.Insert();
        Load(path);
        dm->OtherFileTable.Post();
        window->OtherFileNavigatorOpenClick();
        ASSERT_FALSE(opened.isEmpty());
        const QFileInfo temp(opened.last());
        EXPECT_EQ(temp.absolutePath() + QLatin1Char('/'), folder.Path());
        EXPECT_TRUE(temp.fileName().startsWith(QStringLiteral("temp.")));
        EXPECT_EQ(openedBytes.last(), QByteArray("bytes"));
    }
    EXPECT_EQ(TOtherFileForm::TempFileName(QStringLiteral("/p/"), QStringLiteral("B/C")), QStringLiteral("/p/temp.B_C"));
}

TEST_F(AttachedFiles, TheMainWindowOpensThemForFoldersOfFilesAndDeletingTheFolderDropsThem) {
    dm->OtherFileTable.Insert();
    Load(MakeFile(QStringLiteral("work/report.pdf"), "pdf"));
    dm->OtherFileTable.Post();
    dm->OtherFileTable.Close();
    window.reset();

    WireAttachedFiles(*form);
    int rowsSeen = -1;
    QObject watch;
    WhenModal(&watch, [&](QWidget *w) {
        auto *files = dynamic_cast<TOtherFileForm *>(w);
        ASSERT_NE(files, nullptr);
        rowsSeen = dm->OtherFileTable.RecordCount();
        files->accept();
    });
    form->DocumentDBGridDblClick();
    EXPECT_EQ(rowsSeen, 1);
    EXPECT_FALSE(dm->OtherFileTable.Active());

    boxes.answers = {mrYes};
    form->mnuDeleteDocumentClick();
    EXPECT_EQ(CountRows(dm->dbTambra, QStringLiteral("SELECT COUNT(*) FROM OTHERFILE")), 0);
    dm->OtherFileTable.Open();   // for TearDown
}

TEST(HelpWindows, ShowTheirTextReadOnlyAndCloseOnEnter) {
    const struct {
        std::function<TTextWindow *()> make;
        QString caption, heading;
    } cases[] = {
        {[] { return new THowtoForm; }, QStringLiteral("วิธีการใช้งาน"), QStringLiteral("วิธีใช้งาน")},
        {[] { return new TAboutBox; }, QStringLiteral("About"), QStringLiteral("การอนุญาตให้ใช้โปรแกรม")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        std::unique_ptr<TTextWindow> w(c.make());
        EXPECT_EQ(w->windowTitle(), c.caption);
        EXPECT_EQ(w->width(), 544);
        EXPECT_TRUE(w->Memo1->isReadOnly());
        EXPECT_TRUE(w->Memo1->toPlainText().startsWith(c.heading));
        EXPECT_FALSE(w->Image1->pixmap().isNull());   // the logo is stored with the program
        EXPECT_TRUE(w->OKButton->isDefault());
        w->show();
        QApplication::setActiveWindow(w.get());
        QApplication::processEvents();
        EXPECT_GT(w->Memo1->verticalScrollBar()->maximum(), 0);   // longer than the window: it scrolls
        QTest::keyClick(w.get(), Qt::Key_Return);
        EXPECT_EQ(w->result(), QDialog::Accepted);
        EXPECT_FALSE(w->isVisible());
    }
    EXPECT_TRUE(THowtoForm::GuideText().contains(QStringLiteral("คุณสมบัติ")));
    EXPECT_TRUE(THowtoForm::GuideText().contains(QStringLiteral("วิธีการการบันทึกข้อมูล")));
    EXPECT_TRUE(THowtoForm::GuideText().contains(QStringLiteral("9. ")));
}
