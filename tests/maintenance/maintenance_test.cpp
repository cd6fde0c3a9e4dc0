// Backup, restore and emptying of the filing store, through the main window's
// commands and through borvane-admin, on a real embedded database.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSplitter>

#include <sys/stat.h>

#include "app/dmcenter.h"
#include "app/mainform.h"
#include "app/maintenance.h"
#include "platform/db/services.h"
#include "platform/ui/dbgrid.h"
#include "tests/ui/uitest.h"

namespace {

const QString kBackupQuestion =
    QStringLiteral("ระบบจะทำการจัดระเบียบและสำรองข้อมูลเพื่อเพิ่มประสิทธิภาพโปรแกรม\r\nตอบ YES เพื่อยืนยันการทำงาน");
const QString kRestoreQuestion =
    QStringLiteral("ระบบจะทำการดึงข้อมูลที่สำรองและจัดระเบียบไว้กลับมาใช้งาน\r\nตอบ YES เพื่อยืนยันการทำงาน");
const QString kEmptyQuestion =
    QStringLiteral("ตอบ Yes ถ้าต้องการล้างข้อมูลทิ้ง\r\nข้อมูลจะถูกลบทั้งหมด ไม่สามารถกู้กลับคืนมาได้");

QByteArray RandomBytes(int n, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray out(n, Qt::Uninitialized);
    for (char &c : out) c = static_cast<char>(gen.bounded(256));
    return out;
}

QByteArray ReadFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

ino_t InodeOf(const QString &path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Everything the store holds, blobs byte for byte, and where its generators stand.
QList<QVariantList> Contents(TIBDatabase &db) {
    const char *queries[] = {
        "SELECT GROUPID, DESCRIPT FROM GROUPFILE ORDER BY GROUPID",
        "SELECT DOCNO, GROUPID, DESCRIPT, ONDATE, DOCDATE, PASSWD, ISPASSWD, COUNTPAGE FROM DOCUMENT ORDER BY DOCNO",
        "SELECT DOCNO, PAGENO, IMAGES FROM IMAGEFILE ORDER BY PAGENO",
        "SELECT ITEMNO, DOCNO, FILENAME, FILETYPE, FILEDATA FROM OTHERFILE ORDER BY ITEMNO",
        "SELECT GEN_ID(GEN_GROUPID, 0), GEN_ID(GEN_DOCNO, 0), GEN_ID(GEN_PAGENO, 0), GEN_ID(GEN_OTHERFILE, 0) "
        "FROM RDB$DATABASE",
    };
    QList<QVariantList> out;
    for (const char *sql : queries) {
        TIBQuery q(&db);
        q.SelectSQL = QString::fromUtf8(sql);
        q.Open();
        for (q.First(); !q.Eof(); q.Next()) {
            QVariantList row{QString::fromUtf8(sql).section(QLatin1Char(' '), 3, 3)};
            for (TField *f : q.Fields()) row << f->Value();
            out << row;
        }
        q.Close();
    }
    return out;
}

int PageSizeOf(TIBDatabase &db) { return CountRows(db, QStringLiteral("SELECT MON$PAGE_SIZE FROM MON$DATABASE")); }

class Maintenance : public ::testing::Test {
protected:
    void SetUp() override {
        dm = std::make_unique<TdmCenter>();
        form = std::make_unique<TMainForm>(folder.Path());
        form->show();
        ASSERT_TRUE(dm->dbTambra.Connected());
    }
    void TearDown() override {
        form.reset();
        dm.reset();
    }

    QString Gdb() const { return folder.Path() + QStringLiteral("TAMBRA.GDB"); }
    QString Gbk() const { return folder.Path() + QStringLiteral("TAMBRA.GBK"); }

    // Two cabinets; a folder of pages and a folder of attached files, with
    // blobs of every size class (empty, small, several pages of the database).
    void Fill() {
        auto cabinet = [&](const QString &name) {
            dm->GroupFileTable.Insert();
            dm->GroupFileTableDESCRIPT->SetAsString(name);
            dm->GroupFileTable.Post();
        };
        auto folderOf = [&](const QString &name, const char *kind) {
            dm->DocumentTable.Insert();
            dm->DocumentTableDESCRIPT->SetAsString(name);
            dm->DocumentTableISPASSWD->SetAsString(QString::fromLatin1(kind));
            dm->DocumentTable.Post();
        };
        cabinet(QStringLiteral("ตู้บัญชี"));
        cabinet(QStringLiteral("ตู้สัญญา"));
        folderOf(QStringLiteral("ใบเสร็จ 2566"), "N");
        for (int i = 0; i < 3; ++i) {
            dm->ImageFileTable.Insert();
            dm->ImageFileTableIMAGES->SetAsBytes(RandomBytes(i == 0 ? 10 : 70000 * i, i + 1));
            dm->ImageFileTable.Post();
        }
        folderOf(QStringLiteral("สัญญาเช่า"), "Y");
        dm->OtherFileTable.SetParam(QStringLiteral("DOCNO"), dm->DocumentTableDOCNO->Value());
        dm->OtherFileTable.Open();
        for (int i = 0; i < 2; ++i) {
            dm->OtherFileTable.Insert();
            dm->OtherFileTableFILETYPE->SetAsString(QStringLiteral("PDF"));
            dm->OtherFileTableFILEDATA->SetAsBytes(RandomBytes(i == 0 ? 1 : 123457, 100 + i));
            dm->OtherFileTable.Post();
        }
        dm->OtherFileTable.Close();
    }

    TestFolder folder;
    BoxRecorder boxes;
    std::unique_ptr<TdmCenter> dm;
    std::unique_ptr<TMainForm> form;
};

}  // namespace

TEST_F(Maintenance, BackupAndRestoreKeepEveryRowAndBlobByteForByte) {
    Fill();
    const QList<QVariantList> before = Contents(dm->dbTambra);

    // The report stands in for the folder grid while the service runs; the
    // completion message comes before the grid is back.
    bool memoShownAtEnd = false, gridHiddenAtEnd = false;
    SetMessageHandler([&](const TMessageRequest &r) {
        boxes.boxes.push_back(r);
        if (r.buttons == std::vector<TModalResult>{mrOk}) {
            memoShownAtEnd = form->Memo1->isVisible();
            gridHiddenAtEnd = !form->DocumentDBGrid->isVisible();
            return mrOk;
        }
        return mrYes;
    });
    form->mnuBackupClick();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, kBackupQuestion);
    EXPECT_EQ(boxes.boxes[0].type, mtInformation);
    EXPECT_EQ(boxes.boxes[0].buttons, (std::vector<TModalResult>{mrYes, mrNo}));
    EXPECT_EQ(boxes.boxes[1].text, QStringLiteral("สำรองข้อมูลเสร็จแล้ว"));
    EXPECT_TRUE(memoShownAtEnd);
    EXPECT_TRUE(gridHiddenAtEnd);
    EXPECT_TRUE(form->Memo1->toPlainText().contains(QStringLiteral("gbak:")));
    EXPECT_FALSE(form->Memo1->isVisible());
    EXPECT_TRUE(form->DocumentDBGrid->isVisible());
    EXPECT_TRUE(dm->dbTambra.Connected());   // the backup is taken with the database in use
    EXPECT_TRUE(QFileInfo(Gbk()).isFile());
    EXPECT_FALSE(QFileInfo::exists(folder.Path() + QLatin1String(kBackupWorkFileName)));

    // Change everything, then bring the backup back.
    EmptyAllData(dm->spClearAllData);
    ASSERT_EQ(CountRows(dm->dbTambra, QStringLiteral("SELECT COUNT(*) FROM IMAGEFILE")), 0);
    dm->GroupFileTable.Open();
    memoShownAtEnd = gridHiddenAtEnd = false;
    boxes.boxes.clear();
    form->mnuRestoreClick();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, kRestoreQuestion);
    EXPECT_EQ(boxes.boxes[0].type, mtInformation);
    EXPECT_EQ(boxes.boxes[1].text, QStringLiteral("ดึงข้อมูลที่สำรองกลับมาใช้เรียบร้อยแล้ว"));
    EXPECT_TRUE(memoShownAtEnd);
    EXPECT_TRUE(gridHiddenAtEnd);
    EXPECT_FALSE(form->Memo1->isVisible());
    EXPECT_TRUE(form->DocumentDBGrid->isVisible());
    EXPECT_TRUE(dm->GroupFileTable.Active() && dm->DocumentTable.Active() && dm->ImageFileTable.Active());
    EXPECT_EQ(dm->GroupFileTable.RecNo(), 1);   // the list starts again at its first cabinet
    EXPECT_EQ(dm->GroupFileTable.RecordCount(), 2);
    EXPECT_EQ(Contents(dm->dbTambra), before);
    EXPECT_EQ(PageSizeOf(dm->dbTambra), 4096);
    EXPECT_FALSE(QFileInfo::exists(folder.Path() + QLatin1String(kRestoreWorkFileName)));

    // A second run in the same window passes its entries once again, not twice.
    boxes.boxes.clear();
    SetMessageHandler([&](const TMessageRequest &r) {
        boxes.boxes.push_back(r);
        return r.buttons.front();
    });
    form->mnuBackupClick();
    form->mnuRestoreClick();
    EXPECT_EQ(Contents(dm->dbTambra), before);
}

TEST_F(Maintenance, NoToAnyQuestionChangesNothing) {
    Fill();
    WriteFile(Gbk(), QByteArray("an older backup"));
    const QList<QVariantList> before = Contents(dm->dbTambra);
    const struct {
        const char *name;
        void (TMainForm::*command)();
        QString question;
        TMsgDlgType type;
    } cases[] = {
        {"backup", &TMainForm::mnuBackupClick, kBackupQuestion, mtInformation},
        {"restore", &TMainForm::mnuRestoreClick, kRestoreQuestion, mtInformation},
        {"empty", &TMainForm::mnuDeleteAllClick, kEmptyQuestion, mtWarning},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        boxes.boxes.clear();
        boxes.answers = {mrNo};
        (form.get()->*c.command)();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, c.question);
        EXPECT_EQ(boxes.boxes[0].type, c.type);
        EXPECT_EQ(boxes.boxes[0].buttons, (std::vector<TModalResult>{mrYes, mrNo}));
        EXPECT_TRUE(dm->dbTambra.Connected());
        EXPECT_TRUE(dm->GroupFileTable.Active() && dm->DocumentTable.Active() && dm->ImageFileTable.Active());
        EXPECT_EQ(ReadFile(Gbk()), QByteArray("an older backup"));
        EXPECT_EQ(Contents(dm->dbTambra), before);
    }
}

TEST_F(Maintenance, RestoreFromABadBackupLeavesTheDatabaseAsItWas) {
    Fill();
    // A good backup to cut short.
    TIBBackupService backup;
    BackupDatabase(backup, dm->dbTambra, folder.Path(), {});
    const QByteArray good = ReadFile(Gbk());
    ASSERT_GT(good.size(), 100000);
    const QList<QVariantList> before = Contents(dm->dbTambra);
    const ino_t inode = InodeOf(Gdb());

    const struct {
        const char *name;
        std::function<void()> make;
    } cases[] = {
        {"missing", [&] { QFile::remove(Gbk()); }},
        {"truncated", [&] { WriteFile(Gbk(), good.left(good.size() / 2)); }},
        {"cut after its header", [&] { WriteFile(Gbk(), good.left(5000)); }},
        {"not a backup", [&] { WriteFile(Gbk(), RandomBytes(20000, 7)); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        boxes.boxes.clear();
        boxes.answers = {mrYes};
        std::string error;
        try {
            form->mnuRestoreClick();
        } catch (const std::exception &e) {
            error = e.what();
        }
        EXPECT_FALSE(error.empty()) << "a failed restore must say so";
        // No completion message; the clean-up ran and the lists are back.
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_FALSE(form->Memo1->isVisible());
        EXPECT_TRUE(form->DocumentDBGrid->isVisible());
        EXPECT_TRUE(dm->GroupFileTable.Active() && dm->DocumentTable.Active() && dm->ImageFileTable.Active());
        EXPECT_EQ(InodeOf(Gdb()), inode);
        EXPECT_EQ(Contents(dm->dbTambra), before);
        EXPECT_FALSE(QFileInfo::exists(folder.Path() + QLatin1String(kRestoreWorkFileName)));
    }
}

TEST_F(Maintenance, AFailedBackupKeepsTheLastGoodBackup) {
    WriteFile(Gbk(), QByteArray("the last good backup"));
    TIBDatabase missing;
    missing.Path = folder.Path() + QStringLiteral("NOSUCH.GDB");
    TIBBackupService backup;
    EXPECT_THROW(BackupDatabase(backup, missing, folder.Path(), {}), EDatabaseError);
    EXPECT_EQ(ReadFile(Gbk()), QByteArray("the last good backup"));
    EXPECT_FALSE(QFileInfo::exists(folder.Path() + QLatin1String(kBackupWorkFileName)));
    EXPECT_FALSE(backup.Active());
}

TEST_F(Maintenance, TheReportMemoKeepsOnlyTheLinesSinceItWasLastEmptied) {
    TMaintenanceCommands commands(*dm, folder.Path(), form->Memo1, form->DocumentDBGrid, form->Splitter1);
    for (int i = 1; i <= 1200; ++i) commands.AppendReportLine(QStringLiteral("line %1").arg(i));
    const QStringList lines = form->Memo1->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 200);
    EXPECT_EQ(lines.front(), QStringLiteral("line 1001"));
    EXPECT_EQ(lines.back(), QStringLiteral("line 1200"));
}

TEST_F(Maintenance, EmptyAllDeletesEverythingAndReopensTheLists) {
    Fill();
    boxes.answers = {mrYes};
    form->mnuDeleteAllClick();
    ASSERT_EQ(boxes.boxes.size(), 1u);   // no completion message
    EXPECT_EQ(boxes.boxes[0].text, kEmptyQuestion);
    EXPECT_EQ(boxes.boxes[0].type, mtWarning);
    EXPECT_TRUE(dm->GroupFileTable.Active() && dm->DocumentTable.Active() && dm->ImageFileTable.Active());
    EXPECT_TRUE(dm->GroupFileTable.IsEmpty());
    for (const char *table : {"GROUPFILE", "DOCUMENT", "IMAGEFILE", "OTHERFILE"})
        EXPECT_EQ(CountRows(dm->dbTambra, QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))), 0)
            << table;
}

TEST_F(Maintenance, AServiceThatCannotBeReachedLeavesMemoAndGridAlone) {
    Fill();
    // Nothing listens on port 1 of this machine: attaching fails at once.
    dm->dbTambra.Server = QStringLiteral("127.0.0.1/1");
    boxes.answers = {mrYes};
    EXPECT_THROW(form->mnuBackupClick(), EDatabaseError);
    EXPECT_FALSE(form->Memo1->isVisible());
    EXPECT_TRUE(form->DocumentDBGrid->isVisible());
    EXPECT_TRUE(dm->GroupFileTable.Active());   // a backup leaves the connection alone
    EXPECT_FALSE(QFileInfo::exists(Gbk()));

    // A restore has closed the connection by then, and the lists stay closed.
    boxes.answers = {mrYes};
    EXPECT_THROW(form->mnuRestoreClick(), EDatabaseError);
    EXPECT_FALSE(form->Memo1->isVisible());
    EXPECT_TRUE(form->DocumentDBGrid->isVisible());
    EXPECT_FALSE(dm->dbTambra.Connected());
    EXPECT_FALSE(dm->GroupFileTable.Active());

    dm->dbTambra.Server.clear();
    dm->GroupFileTable.Open();
    EXPECT_EQ(dm->GroupFileTable.RecordCount(), 2);
}

// ---------------------------------------------------------------- borvane-admin

namespace {

struct AdminRun {
    int status;
    QString out, err;
};

AdminRun Admin(const QStringList &args) {
    QProcess p;
    p.start(QStringLiteral(BORVANE_BIN_DIR "/borvane-admin"), args);
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

TEST_F(Maintenance, AdminBackupThenRestoreRoundTrips) {
    Fill();
    const QList<QVariantList> before = Contents(dm->dbTambra);
    dm->dbTambra.Disconnect();   // the tool needs the database to itself

    AdminRun backup = Admin({QStringLiteral("backup"), folder.Path()});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    EXPECT_TRUE(backup.out.contains(QStringLiteral("gbak:")));   // the service's report
    ASSERT_EQ(Admin({QStringLiteral("empty"), folder.Path()}).status, 0);
    {
        TIBDatabase db;
        db.Path = Gdb();
        EXPECT_EQ(CountRows(db, QStringLiteral("SELECT COUNT(*) FROM OTHERFILE")), 0);
    }
    AdminRun restore = Admin({QStringLiteral("restore"), folder.Path()});
    ASSERT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.out.contains(QStringLiteral("gbak:")));

    TIBDatabase db;
    db.Path = Gdb();
    EXPECT_EQ(Contents(db), before);
    EXPECT_EQ(PageSizeOf(db), 4096);
}

TEST_F(Maintenance, AdminRefusesADatabaseTheProgramHoldsAndChangesNothing) {
    Fill();
    TIBBackupService backup;
    BackupDatabase(backup, dm->dbTambra, folder.Path(), {});
    const QByteArray gbk = ReadFile(Gbk());
    const QList<QVariantList> before = Contents(dm->dbTambra);
    const ino_t inode = InodeOf(Gdb());
    ASSERT_TRUE(dm->dbTambra.Connected());   // the program holds the database

    for (const char *command : {"backup", "restore", "empty"}) {
        SCOPED_TRACE(command);
        AdminRun run = Admin({QString::fromLatin1(command), folder.Path()});
        EXPECT_NE(run.status, 0);
        EXPECT_TRUE(run.err.contains(QStringLiteral("lock"))) << run.err.toStdString();   // the engine's own words
        EXPECT_EQ(ReadFile(Gbk()), gbk);
        EXPECT_EQ(InodeOf(Gdb()), inode);
        EXPECT_EQ(Contents(dm->dbTambra), before);
        EXPECT_FALSE(QFileInfo::exists(folder.Path() + QLatin1String(kBackupWorkFileName)));
        EXPECT_FALSE(QFileInfo::exists(folder.Path() + QLatin1String(kRestoreWorkFileName)));
    }
}

TEST(AdminUsage, WrongArgumentsAndMissingFoldersFail) {
    EXPECT_EQ(Admin({}).status, 2);
    EXPECT_EQ(Admin({QStringLiteral("backup")}).status, 2);
    AdminRun run = Admin({QStringLiteral("restore"), QStringLiteral("/nonexistent/folder")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("not a folder")));
}
