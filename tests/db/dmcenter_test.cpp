// The filing store on a real embedded database made from the schema.
#include <gtest/gtest.h>

#include <QDate>

#include <memory>

#include "app/dmcenter.h"
#include "tests/support/tempdb.h"

namespace {

class FilingStore : public ::testing::Test {
protected:
    void SetUp() override {
        dm = std::make_unique<TdmCenter>();
        dm->DatabasePath = folder.DatabasePath();
        dm->GroupFileTable.Open();
        dm->DocumentTable.Open();
        dm->ImageFileTable.Open();
    }

    void AddCabinet(const QString &name) {
        dm->GroupFileTable.Insert();
        dm->GroupFileTableDESCRIPT->SetAsString(name);
        dm->GroupFileTable.Post();
    }
    void AddFolder(const QString &name) {
        dm->DocumentTable.Insert();
        dm->DocumentTableDESCRIPT->SetAsString(name);
        dm->DocumentTable.Post();
    }
    int64_t AddPage(const QByteArray &bytes = QByteArray("BM page")) {
        dm->ImageFileTable.Insert();
        dm->ImageFileTableIMAGES->SetAsBytes(bytes);
        dm->ImageFileTable.Post();
        return dm->ImageFileTablePAGENO->AsInteger();
    }
    QStringList Names(TDataSet &ds, TField *f) {
        QStringList out;
        for (int r = 0; r < ds.RecordCount(); ++r) out << ds.RowValue(r, f->Index()).toString();
        return out;
    }
    void Reopen() {
        dm->ImageFileTable.Close();
        dm->DocumentTable.Close();
        dm->GroupFileTable.Close();
        dm->GroupFileTable.Open();
        dm->DocumentTable.Open();
        dm->ImageFileTable.Open();
    }

    TempProgramFolder folder;
    std::unique_ptr<TdmCenter> dm;
};

TEST_F(FilingStore, NewFolderTakesItsDefaultsAndTheCurrentCabinet) {
    AddCabinet("ตู้ที่หนึ่ง");
    AddCabinet("ตู้ที่สอง");
    ASSERT_TRUE(dm->GroupFileTable.Locate("descript", "ตู้ที่สอง"));
    int64_t cabinet = dm->GroupFileTableGROUPID->AsInteger();

    dm->DocumentTable.Insert();
    EXPECT_EQ(dm->DocumentTable.State(), dsInsert);
    EXPECT_EQ(dm->DocumentTableGROUPID->AsInteger(), cabinet);
    EXPECT_EQ(dm->DocumentTablePASSWD->AsString(), "470");
    EXPECT_EQ(dm->DocumentTableISPASSWD->AsString(), "N");
    EXPECT_EQ(dm->DocumentTableONDATE->AsDateTime(), QDateTime(QDate::currentDate(), QTime(0, 0)));
    EXPECT_EQ(dm->DocumentTableDOCDATE->AsDateTime().date(), QDate::currentDate());
    EXPECT_EQ(dm->DocumentTableCOUNTPAGE->AsInteger(), 0);
    EXPECT_GT(dm->DocumentTableDOCNO->AsInteger(), 0);
    dm->DocumentTableDESCRIPT->SetAsString("แฟ้ม");
    dm->DocumentTable.Post();

    Reopen();
    ASSERT_TRUE(dm->GroupFileTable.Locate("DESCRIPT", "ตู้ที่สอง"));
    ASSERT_EQ(dm->DocumentTable.RecordCount(), 1);
    EXPECT_EQ(dm->DocumentTablePASSWD->AsString(), "470");
    EXPECT_EQ(dm->DocumentTableONDATE->AsDateTime(), QDateTime(QDate::currentDate(), QTime(0, 0)));
}

TEST_F(FilingStore, PagesTakeTheFolderFromTheMasterAndNumbersNeverComeBack) {
    AddCabinet("ตู้");
    AddFolder("ก");
    int64_t folderA = dm->DocumentTableDOCNO->AsInteger();
    int64_t p1 = AddPage();
    EXPECT_EQ(dm->ImageFileTableDOCNO->AsInteger(), folderA);
    int64_t p2 = AddPage();
    AddFolder("ข");
    int64_t folderB = dm->DocumentTableDOCNO->AsInteger();
    EXPECT_EQ(dm->ImageFileTable.RecordCount(), 0);
    int64_t p3 = AddPage();
    EXPECT_EQ(dm->ImageFileTableDOCNO->AsInteger(), folderB);
    EXPECT_LT(p1, p2);
    EXPECT_LT(p2, p3);

    dm->ImageFileTable.Delete();   // p3, the last number given
    int64_t p4 = AddPage();
    EXPECT_GT(p4, p3) << "a deleted page's number was given again";
}

TEST_F(FilingStore, LongNamesAreCutToTheirColumn) {
    const QString sixty = QString(QStringLiteral("กขคงจฉชซฌญ")).repeated(6);
    ASSERT_EQ(sixty.size(), 60);
    AddCabinet(sixty);
    EXPECT_EQ(dm->GroupFileTableDESCRIPT->AsString(), sixty.left(50));
    AddFolder(sixty);
    Reopen();
    EXPECT_EQ(dm->GroupFileTableDESCRIPT->AsString(), sixty.left(50));
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), sixty.left(50));
}

TEST_F(FilingStore, ListsFollowTheCurrentCabinetAndFolder) {
    AddCabinet("ก");
    AddFolder("ก-1");
    AddPage();
    AddPage();
    AddFolder("ก-2");
    AddPage();
    AddCabinet("ข");
    AddFolder("ข-1");
    Reopen();

    ASSERT_TRUE(dm->GroupFileTable.Locate("DESCRIPT", "ก"));
    EXPECT_EQ(Names(dm->DocumentTable, dm->DocumentTableDESCRIPT), QStringList({"ก-1", "ก-2"}));
    ASSERT_TRUE(dm->DocumentTable.Locate("DESCRIPT", "ก-1"));
    EXPECT_EQ(dm->ImageFileTable.RecordCount(), 2);
    dm->DocumentTable.Next();
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), "ก-2");
    EXPECT_EQ(dm->ImageFileTable.RecordCount(), 1);

    dm->GroupFileTable.Next();
    EXPECT_EQ(Names(dm->DocumentTable, dm->DocumentTableDESCRIPT), QStringList({"ข-1"}));
    EXPECT_EQ(dm->ImageFileTable.RecordCount(), 0);
}

TEST_F(FilingStore, NamesSortInThaiDictionaryOrder) {
    for (const char *name : {"ขวด", "ไก่", "กา", "แกะ", "เกาะ"}) AddCabinet(QString::fromUtf8(name));
    Reopen();
    EXPECT_EQ(Names(dm->GroupFileTable, dm->GroupFileTableDESCRIPT),
              QStringList({"กา", "เกาะ", "แกะ", "ไก่", "ขวด"}));
}

TEST_F(FilingStore, EmptyRequiredFieldIsRefusedAndTheRowStaysInEditing) {
    dm->GroupFileTable.Insert();
    try {
        dm->GroupFileTable.Post();
        FAIL() << "an empty cabinet name was posted";
    } catch (const EDatabaseError &e) {
        EXPECT_STREQ(e.what(), "Field 'ชื่อตู้เก็บเอกสาร' must have a value");
    }
    EXPECT_EQ(dm->GroupFileTable.State(), dsInsert);
    dm->GroupFileTableDESCRIPT->SetAsString("ตู้");
    dm->GroupFileTable.Post();
    EXPECT_EQ(dm->GroupFileTable.State(), dsBrowse);
}

TEST_F(FilingStore, PendingEditsArePostedWhenTheDataModuleGoes) {
    AddCabinet("ตู้");
    AddFolder("แฟ้ม");
    dm->GroupFileTable.Edit();
    dm->GroupFileTableDESCRIPT->SetAsString("ตู้ใหม่");
    dm->DocumentTable.Edit();
    dm->DocumentTableDESCRIPT->SetAsString("แฟ้มใหม่");
    dm->ImageFileTable.Insert();
    dm->ImageFileTableIMAGES->SetAsBytes("BM pending");
    dm.reset();

    SetUp();
    EXPECT_EQ(dm->GroupFileTableDESCRIPT->AsString(), "ตู้ใหม่");
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), "แฟ้มใหม่");
    ASSERT_EQ(dm->ImageFileTable.RecordCount(), 1);
    EXPECT_EQ(dm->ImageFileTableIMAGES->AsBytes(), QByteArray("BM pending"));
}

TEST_F(FilingStore, PageCountFollowsPagesWhateverTheClientWrites) {
    AddCabinet("ตู้");
    AddFolder("แฟ้ม");
    AddPage();
    AddPage();
    AddPage();
    dm->DocumentTable.Refresh();
    EXPECT_EQ(dm->DocumentTableCOUNTPAGE->AsInteger(), 3);
    dm->ImageFileTable.First();
    dm->ImageFileTable.Delete();
    // A stale count written back by the folder update does not stick.
    dm->DocumentTable.Edit();
    dm->DocumentTableCOUNTPAGE->SetAsInteger(3);
    dm->DocumentTable.Post();
    dm->DocumentTable.Refresh();
    EXPECT_EQ(dm->DocumentTableCOUNTPAGE->AsInteger(), 2);
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), "แฟ้ม");
}

TEST_F(FilingStore, PageBytesComeBackExactly) {
    AddCabinet("ตู้");
    AddFolder("แฟ้ม");
    QByteArray bytes(3 * 1024 * 1024 + 17, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((static_cast<uint32_t>(i) * 7919u) >> 3);
    AddPage(bytes);
    AddPage(QByteArray("BM"));
    Reopen();
    ASSERT_EQ(dm->ImageFileTable.RecordCount(), 2);
    dm->ImageFileTable.First();
    EXPECT_EQ(dm->ImageFileTableIMAGES->AsBytes(), bytes);
    EXPECT_EQ(dm->ImageFileTableIMAGES->BlobSize(), bytes.size());
    dm->ImageFileTable.Next();
    EXPECT_EQ(dm->ImageFileTableIMAGES->AsBytes(), QByteArray("BM"));
}

TEST_F(FilingStore, AFolderOfAThousandPagesOpensWithoutReadingThem) {
    AddCabinet("ตู้");
    AddFolder("แฟ้มหนา");
    const int64_t docno = dm->DocumentTableDOCNO->AsInteger();
    dm->dbTambra.ExecuteImmediate(QStringLiteral(
        "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 1000) DO BEGIN "
        "INSERT INTO IMAGEFILE VALUES (%1, GEN_ID(GEN_PAGENO, 1), 'BM page'); I = I + 1; END END").arg(docno));
    const int64_t before = dm->dbTambra.BlobsRead();
    Reopen();
    EXPECT_EQ(dm->ImageFileTable.RecordCount(), 1000);
    dm->ImageFileTable.Last();
    EXPECT_EQ(dm->ImageFileTableIMAGES->BlobSize(), 7);
    EXPECT_EQ(dm->dbTambra.BlobsRead(), before) << "opening the folder or sizing a page read its pages";
    EXPECT_EQ(dm->ImageFileTableIMAGES->AsBytes(), QByteArray("BM page"));
    EXPECT_EQ(dm->dbTambra.BlobsRead(), before + 1);
}

TEST_F(FilingStore, DeletingAFolderTakesItsAttachedFilesAndClearAllEmptiesEverything) {
    AddCabinet("ตู้");
    AddFolder("แฟ้ม");
    AddPage();
    dm->OtherFileTable.SetParam("DOCNO", dm->DocumentTableDOCNO->Value());
    dm->OtherFileTable.Open();
    dm->OtherFileTable.Insert();
    EXPECT_EQ(dm->OtherFileTableFILENAME->AsString(), "ใส่รายละเอียดของไฟล์ที่เก็บ");
    EXPECT_EQ(dm->OtherFileTableFILETYPE->AsString(), "XXX");
    EXPECT_EQ(dm->OtherFileTableDOCNO->AsInteger(), dm->DocumentTableDOCNO->AsInteger());
    dm->OtherFileTable.Post();
    dm->OtherFileTable.Close();

    int64_t docno = dm->DocumentTableDOCNO->AsInteger();
    dm->DocumentTable.Delete();
    dm->OtherFileTable.SetParam("DOCNO", QVariant(qlonglong(docno)));
    dm->OtherFileTable.Open();
    EXPECT_TRUE(dm->OtherFileTable.IsEmpty());
    dm->OtherFileTable.Close();

    AddFolder("อีกแฟ้ม");
    int64_t lastDoc = dm->DocumentTableDOCNO->AsInteger();
    dm->spClearAllData.ExecProc();
    Reopen();
    EXPECT_TRUE(dm->GroupFileTable.IsEmpty());
    EXPECT_TRUE(dm->DocumentTable.IsEmpty());
    AddCabinet("ใหม่");
    AddFolder("ใหม่");
    EXPECT_GT(dm->DocumentTableDOCNO->AsInteger(), lastDoc) << "generators restarted after emptying";
}

TEST(FilingStoreMissing, MissingDatabaseIsReportedNotCrashedOn) {
    TempProgramFolder empty(false);
    TdmCenter dm;
    dm.DatabasePath = empty.DatabasePath();
    try {
        dm.GroupFileTable.Open();
        FAIL() << "opened a database that does not exist";
    } catch (const EDatabaseError &e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf("TAMBRA.GDB"), -1) << e.what();
    }
    EXPECT_FALSE(dm.GroupFileTable.Active());
    EXPECT_FALSE(dm.dbTambra.Connected());
    EXPECT_THROW(dm.DocumentTable.Open(), EDatabaseError);
}

}  // namespace
