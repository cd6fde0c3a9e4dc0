// The dataset layer's own rules, on a real embedded database.
#include <gtest/gtest.h>

#include "platform/db/create.h"
#include "platform/db/database.h"
#include "platform/db/fbconnection.h"
#include "tests/support/tempdb.h"

namespace {

TEST(NamedParams, BecomePositionalOutsideStringsAndComments) {
    struct Case {
        const char *sql, *expected, *names;
    } cases[] = {
        {"SELECT * FROM DOCUMENT WHERE GROUPID=:GROUPID ORDER BY DESCRIPT",
         "SELECT * FROM DOCUMENT WHERE GROUPID=? ORDER BY DESCRIPT", "GROUPID"},
        {"INSERT INTO G( GROUPID, /*PK*/ DESCRIPT) VALUES ( :GROUPID, :descript)",
         "INSERT INTO G( GROUPID, /*PK*/ DESCRIPT) VALUES ( ?, ?)", "GROUPID,DESCRIPT"},
        {"UPDATE T SET A = ':NOT' WHERE B = :OLD_B /* :NO */", "UPDATE T SET A = ':NOT' WHERE B = ? /* :NO */",
         "OLD_B"},
        {"SELECT CAST(X AS TIME) FROM T WHERE Y = '12:30'", "SELECT CAST(X AS TIME) FROM T WHERE Y = '12:30'", ""},
    };
    for (const Case &c : cases) {
        QStringList names;
        EXPECT_EQ(fb::ConvertNamedParams(QString::fromUtf8(c.sql), &names), QString::fromUtf8(c.expected));
        EXPECT_EQ(names.join(','), QString::fromUtf8(c.names)) << c.sql;
    }
}

TEST(Script, SplitsOnTheCurrentTerminator) {
    QStringList s = SplitScript(QStringLiteral(
        "/* head */\nCREATE TABLE A (X INTEGER);\n-- note\nSET TERM ^ ;\n"
        "CREATE PROCEDURE P AS BEGIN DELETE FROM A; END^\nSET TERM ; ^\nINSERT INTO A VALUES (';');\nCOMMIT;\n"));
    ASSERT_EQ(s.size(), 3) << s.join(" | ").toStdString();
    EXPECT_EQ(s[0], "CREATE TABLE A (X INTEGER)");
    EXPECT_EQ(s[1], "CREATE PROCEDURE P AS BEGIN DELETE FROM A; END");
    EXPECT_EQ(s[2], "INSERT INTO A VALUES (';')");
}

class Dataset : public ::testing::Test {
protected:
    void SetUp() override {
        db.Path = folder.DatabasePath();
        q.Name = "q";
        q.SelectSQL = "SELECT * FROM GROUPFILE ORDER BY DESCRIPT";
        q.InsertSQL = "INSERT INTO GROUPFILE (GROUPID, DESCRIPT) VALUES (:GROUPID, :DESCRIPT)";
        q.ModifySQL = "UPDATE GROUPFILE SET DESCRIPT = :DESCRIPT WHERE GROUPID = :OLD_GROUPID";
        q.DeleteSQL = "DELETE FROM GROUPFILE WHERE GROUPID = :OLD_GROUPID";
        q.OnNewRecord = [this](TDataSet &ds) {
            ds.FieldByName("GROUPID")->SetAsInteger(db.GenId("GEN_GROUPID"));
        };
        q.Open();
        for (const char *n : {"ก", "ข", "ค", "ง"}) Add(QString::fromUtf8(n));
        q.Close();
        q.Open();
    }
    void Add(const QString &name) {
        q.Append();
        q.FieldByName("descript")->SetAsString(name);
        q.Post();
    }
    QString Current() { return q.FieldByName("DESCRIPT")->AsString(); }

    TempProgramFolder folder;
    TIBDatabase db;
    TIBQuery q{&db};
};

TEST_F(Dataset, DeleteMakesTheNextRowCurrentAndCancelDropsANewRow) {
    ASSERT_TRUE(q.Locate("DESCRIPT", "ข"));
    q.Delete();
    EXPECT_EQ(Current(), "ค");
    q.Last();
    q.Delete();
    EXPECT_EQ(Current(), "ค") << "deleting the last row keeps the new last row current";
    q.Insert();
    EXPECT_EQ(q.RecordCount(), 3);
    q.Cancel();
    EXPECT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(q.State(), dsBrowse);
    q.Close();
    q.Open();
    EXPECT_EQ(q.RecordCount(), 2);
}

TEST_F(Dataset, MovingWhileEditingPostsTheEdit) {
    q.First();
    q.Edit();
    q.FieldByName("DESCRIPT")->SetAsString("กก");
    q.Next();
    EXPECT_EQ(q.State(), dsBrowse);
    q.Close();
    q.Open();
    EXPECT_EQ(Current(), "กก");
}

TEST_F(Dataset, FilterHidesRowsUntilTheDatasetCloses) {
    q.SetFilter([](TDataSet &ds) { return ds.FieldByName("DESCRIPT")->AsString() != "ข"; });
    EXPECT_EQ(q.RecordCount(), 3);
    EXPECT_FALSE(q.Locate("DESCRIPT", "ข"));
    q.Close();
    q.Open();
    EXPECT_FALSE(q.Filtered());
    EXPECT_EQ(q.RecordCount(), 4);
}

TEST_F(Dataset, RefreshKeepsTheCurrentRowByItsKey) {
    ASSERT_TRUE(q.Locate("DESCRIPT", "ค"));
    db.ExecuteImmediate("INSERT INTO GROUPFILE VALUES (1000, 'กกก')");
    q.Refresh();
    EXPECT_EQ(q.RecordCount(), 5);
    EXPECT_EQ(Current(), "ค");
}

TEST_F(Dataset, AFailingNewRecordHandlerStartsNoRow) {
    q.OnNewRecord = [this](TDataSet &) { db.GenId("NO_SUCH_GENERATOR"); };
    EXPECT_THROW(q.Insert(), EDatabaseError);
    EXPECT_EQ(q.State(), dsBrowse);
    EXPECT_EQ(q.RecordCount(), 4);
}

TEST_F(Dataset, ServerErrorsCarryTheServerMessage) {
    q.Insert();
    q.FieldByName("GROUPID")->SetAsInteger(q.RowValue(1, q.FieldByName("GROUPID")->Index()).toLongLong());
    q.FieldByName("DESCRIPT")->SetAsString("ซ้ำ");
    try {
        q.Post();
        FAIL() << "a duplicate key was posted";
    } catch (const EDatabaseError &e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf("PK_GROUPFILE"), -1) << e.what();
    }
    EXPECT_EQ(q.State(), dsInsert);
    q.Cancel();
}

TEST(Connection, DisconnectClosesEveryDataset) {
    TempProgramFolder folder;
    TIBDatabase db;
    db.Path = folder.DatabasePath();
    int beforeConnect = 0;
    db.OnBeforeConnect = [&] { ++beforeConnect; };
    TIBQuery a(&db), b(&db);
    a.SelectSQL = "SELECT * FROM GROUPFILE";
    b.SelectSQL = "SELECT * FROM DOCUMENT";
    a.Open();
    b.Open();
    EXPECT_EQ(beforeConnect, 1);
    db.Disconnect();
    EXPECT_FALSE(a.Active());
    EXPECT_FALSE(b.Active());
    EXPECT_FALSE(db.Connected());
    a.Open();
    EXPECT_EQ(beforeConnect, 2);
}

TEST(Connection, CreateRefusesAnExistingDatabase) {
    TempProgramFolder folder;
    TIBDatabase db;
    db.Path = folder.DatabasePath();
    EXPECT_THROW(CreateDatabase(db), EDatabaseError);
}

}  // namespace
