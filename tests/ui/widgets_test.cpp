// The data-aware widgets on a real embedded filing store.
#include <QCalendarWidget>
#include <QEventLoop>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "app/dmcenter.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/dbnavigator.h"
#include "platform/ui/filterdialog.h"
#include "platform/ui/idleslot.h"
#include "tests/ui/uitest.h"

namespace {
class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        dm = std::make_unique<TdmCenter>();
        dm->DatabasePath = folder.DatabasePath();
        dm->GroupFileTable.Open();
        dm->DocumentTable.Open();
        dm->GroupFileTable.Insert();
        dm->GroupFileTableDESCRIPT->SetAsString(QStringLiteral("ตู้หนึ่ง"));
        dm->GroupFileTable.Post();
    }
    void TearDown() override { dm.reset(); }

    // Folders of the current cabinet, sorted by name as the list shows them.
    void AddFolders(const std::vector<std::pair<QString, QString>> &nameAndKind) {
        for (const auto &[name, kind] : nameAndKind) {
            dm->DocumentTable.Insert();
            dm->DocumentTableDESCRIPT->SetAsString(name);
            dm->DocumentTableISPASSWD->SetAsString(kind);
            dm->DocumentTableDOCDATE->SetAsDateTime(QDateTime(QDate(2001, 2, 3), QTime(0, 0)));
            dm->DocumentTable.Post();
        }
        dm->DocumentTable.Close();
        dm->DocumentTable.Open();
    }
    int FoldersInDatabase() { return CountRows(dm->dbTambra, QStringLiteral("SELECT COUNT(*) FROM DOCUMENT")); }

    TestFolder folder;
    std::unique_ptr<TdmCenter> dm;
    BoxRecorder boxes;
    QObject watch;
};
}  // namespace

TEST_F(WidgetTest, GridShowsColumnsTitlesDatesAndCheckBoxes) {
    AddFolders({{QStringLiteral("B"), QStringLiteral("Y")}, {QStringLiteral("A"), QStringLiteral("N")}});
    TDBGrid grid;
    grid.SetDataSource(&dm->DocumentDS);
    grid.SetControlType({QLatin1String(TdmCenter::DocumentTableControlType)});
    grid.SetColumns({{QStringLiteral("DESCRIPT"), 50, QStringLiteral("แฟ้มเก็บเอกสาร")},
                     {QStringLiteral("ISPASSWD"), 1, QStringLiteral("แฟ้มรูปภาพ?")},
                     {QStringLiteral("DOCDATE"), 11, QString()}});
    TDBGridModel *m = grid.Model();
    ASSERT_EQ(m->rowCount(), 2);
    ASSERT_EQ(m->columnCount(), 3);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("แฟ้มเก็บเอกสาร"));
    EXPECT_EQ(m->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("วันที่ในเอกสาร"));
    EXPECT_EQ(m->data(m->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("A"));
    EXPECT_EQ(m->data(m->index(0, 2), Qt::DisplayRole).toString(), QStringLiteral("03/02/2001"));
    // Ticked for a folder of page images, clear for one of attached files.
    EXPECT_EQ(m->data(m->index(0, 1), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(m->data(m->index(1, 1), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_FALSE(m->data(m->index(0, 1), Qt::DisplayRole).isValid());
    // The row indicator marks the current row only.
    EXPECT_FALSE(m->headerData(0, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());
    EXPECT_TRUE(m->headerData(1, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());
    // A title is never cut off: the one-character column is as wide as its title.
    EXPECT_GE(grid.columnWidth(1), QFontMetrics(grid.horizontalHeader()->font()).horizontalAdvance(
                                       QStringLiteral("แฟ้มรูปภาพ?")));
    EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(grid.wordWrap());

    // A closed dataset shows no rows.
    dm->DocumentTable.Close();
    EXPECT_EQ(m->rowCount(), 0);
}

TEST_F(WidgetTest, GridAndDatasetShareTheCurrentRow) {
    AddFolders({{QStringLiteral("A"), QStringLiteral("N")},
                {QStringLiteral("B"), QStringLiteral("N")},
                {QStringLiteral("C"), QStringLiteral("N")}});
    TDBGrid grid;
    grid.SetDataSource(&dm->DocumentDS);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    dm->DocumentTable.SetRecNo(3);
    EXPECT_EQ(grid.currentIndex().row(), 2);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(2, QModelIndex()));
    grid.setCurrentIndex(grid.Model()->index(1, 0));
    EXPECT_EQ(dm->DocumentTable.RecNo(), 2);
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("B"));
    // Re-queried rows keep the grid on the dataset's row.
    dm->DocumentTable.Refresh();
    EXPECT_EQ(grid.currentIndex().row(), dm->DocumentTable.CurrentRow());
}

TEST_F(WidgetTest, GridDeletesFromTheKeyboardOnlyAfterTheQuestion) {
    AddFolders({{QStringLiteral("A"), QStringLiteral("N")}, {QStringLiteral("B"), QStringLiteral("N")}});
    TDBGrid grid;
    grid.SetDataSource(&dm->DocumentDS);
    boxes.answers = {mrCancel};
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Delete record?"));
    EXPECT_EQ(boxes.boxes[0].type, mtConfirmation);
    EXPECT_EQ(boxes.boxes[0].buttons, (std::vector<TModalResult>{mrOk, mrCancel}));
    EXPECT_EQ(FoldersInDatabase(), 2);

    boxes.answers = {mrOk};
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(FoldersInDatabase(), 1);
    EXPECT_EQ(grid.Model()->rowCount(), 1);
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("B"));
}

TEST_F(WidgetTest, GridDropsAnUntouchedNewRowWhenItLosesTheFocus) {
    AddFolders({{QStringLiteral("A"), QStringLiteral("N")}});
    QWidget window;
    auto *grid = new TDBGrid(&window);
    auto *other = new QLineEdit(&window);
    grid->SetDataSource(&dm->DocumentDS);
    window.show();
    QApplication::setActiveWindow(&window);

    for (bool touched : {false, true}) {
        SCOPED_TRACE(touched ? "typed into" : "untouched");
        grid->setFocus(Qt::OtherFocusReason);
        dm->DocumentTable.Insert();   // the defaults of a new folder are not the user's
        if (touched) dm->DocumentTableDESCRIPT->SetAsString(QStringLiteral("typed"));
        other->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(dm->DocumentTable.State(), touched ? dsInsert : dsBrowse);
        EXPECT_EQ(dm->DocumentTable.RecordCount(), touched ? 2 : 1);
    }
    dm->DocumentTable.Cancel();
    EXPECT_EQ(FoldersInDatabase(), 1);
}

TEST_F(WidgetTest, GridEditsCellsWhereAllowedAndEnterMovesToTheNextColumn) {
    AddFolders({{QStringLiteral("A"), QStringLiteral("N")}});
    TDBGrid grid;
    grid.SetDataSource(&dm->DocumentDS);
    grid.SetControlType({QLatin1String(TdmCenter::DocumentTableControlType)});
    grid.SetColumns({{QStringLiteral("DESCRIPT"), 50, {}},
                     {QStringLiteral("ISPASSWD"), 1, {}},
                     {QStringLiteral("COUNTPAGE"), 10, {}, true}});
    TDBGridModel *m = grid.Model();
    EXPECT_TRUE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m->flags(m->index(0, 1)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(m->flags(m->index(0, 2)) & Qt::ItemIsEditable);

    // Clearing the tick stores the unchecked value.
    EXPECT_TRUE(m->setData(m->index(0, 1), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(dm->DocumentTable.State(), dsEdit);
    EXPECT_EQ(dm->DocumentTableISPASSWD->AsString(), QStringLiteral("Y"));
    EXPECT_TRUE(m->setData(m->index(0, 0), QStringLiteral("renamed"), Qt::EditRole));
    dm->DocumentTable.Post();
    EXPECT_EQ(CountRows(dm->dbTambra, QStringLiteral("SELECT COUNT(*) FROM DOCUMENT WHERE DESCRIPT = 'renamed' "
                                                     "AND ISPASSWD = 'Y'")),
              1);

    grid.setCurrentIndex(m->index(0, 0));
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(grid.currentIndex().column(), 1);

    // A read-only grid takes no edits.
    grid.SetReadOnly(true);
    EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m->setData(m->index(0, 0), QStringLiteral("x"), Qt::EditRole));
}

TEST_F(WidgetTest, NavigatorRunsTheHandlerFirstAndMayAbort) {
    AddFolders({{QStringLiteral("A"), QStringLiteral("N")}, {QStringLiteral("B"), QStringLiteral("N")}});
    TDBNavigator nav(QStringLiteral("wwDBNavigator1"));
    nav.SetDataSource(&dm->DocumentDS);
    std::vector<QString> order;
    bool abort = true;
    nav.SetOnClick(nbNext, [&](bool &a) {
        order.push_back(dm->DocumentTableDESCRIPT->AsString());
        a = abort;
    });
    nav.Button(nbNext)->click();
    EXPECT_EQ(dm->DocumentTable.RecNo(), 1);   // aborted
    abort = false;
    nav.Button(nbNext)->click();
    EXPECT_EQ(dm->DocumentTable.RecNo(), 2);
    EXPECT_EQ(order, (std::vector<QString>{QStringLiteral("A"), QStringLiteral("A")}));   // ran before the move
    EXPECT_FALSE(nav.Button(nbNext)->isEnabled());   // on the last row

    EXPECT_EQ(nav.Button(nbDelete)->objectName(), QStringLiteral("wwDBNavigator1Delete"));
    EXPECT_TRUE(nav.Button(nbPrior)->autoRepeat());
    EXPECT_EQ(nav.Button(nbPrior)->autoRepeatDelay(), 500);
    EXPECT_EQ(nav.Button(nbPrior)->autoRepeatInterval(), 100);

    // The navigator's own delete question; Cancel keeps the row.
    boxes.answers = {mrCancel};
    nav.Button(nbDelete)->click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Delete record?"));
    EXPECT_EQ(boxes.boxes[0].buttons, (std::vector<TModalResult>{mrOk, mrCancel}));
    EXPECT_EQ(FoldersInDatabase(), 2);
    boxes.answers = {mrOk};
    nav.Button(nbDelete)->click();
    EXPECT_EQ(FoldersInDatabase(), 1);

    // Post and cancel follow the state; a refused post shows the dataset's error.
    EXPECT_FALSE(nav.Button(nbPost)->isEnabled());
    nav.Button(nbInsert)->click();
    EXPECT_TRUE(nav.Button(nbPost)->isEnabled());
    nav.Button(nbPost)->click();
    EXPECT_EQ(boxes.boxes.back().type, mtError);
    EXPECT_TRUE(boxes.boxes.back().text.contains(QStringLiteral("must have a value")));
    EXPECT_EQ(dm->DocumentTable.State(), dsInsert);
    nav.Button(nbCancel)->click();
    EXPECT_EQ(dm->DocumentTable.State(), dsBrowse);
}

TEST_F(WidgetTest, BoundControlsShowAndStoreTheirField) {
    AddFolders({{QStringLiteral("A"), QStringLiteral("N")}, {QStringLiteral("B"), QStringLiteral("Y")}});
    TDBEdit edit;
    edit.SetDataField(&dm->DocumentDS, QStringLiteral("DESCRIPT"));
    TDBComboBox combo;
    combo.SetMapList({{QStringLiteral("ไฟล์รูปภาพ"), QStringLiteral("N")},
                      {QStringLiteral("ไฟล์อื่น (PDF,XLS,DOC,PPT)"), QStringLiteral("Y")}});
    combo.SetDataField(&dm->DocumentDS, QStringLiteral("ISPASSWD"));
    TDBDateTimePicker picker;
    picker.SetDataField(&dm->DocumentDS, QStringLiteral("DOCDATE"));

    EXPECT_EQ(edit.text(), QStringLiteral("A"));
    EXPECT_EQ(edit.maxLength(), 50);
    EXPECT_EQ(combo.currentText(), QStringLiteral("ไฟล์รูปภาพ"));
    EXPECT_EQ(picker.LineEdit()->text(), QStringLiteral("03/02/2001"));
    dm->DocumentTable.Next();
    EXPECT_EQ(edit.text(), QStringLiteral("B"));
    EXPECT_EQ(combo.currentText(), QStringLiteral("ไฟล์อื่น (PDF,XLS,DOC,PPT)"));

    // Typing puts the row into editing and stores as it goes.
    QTest::keyClicks(&edit, QStringLiteral("2"));
    EXPECT_EQ(dm->DocumentTable.State(), dsEdit);
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("B2"));
    combo.Choose(0);
    EXPECT_EQ(dm->DocumentTableISPASSWD->AsString(), QStringLiteral("N"));
    // The value cannot be cleared from the keyboard.
    QTest::keyClick(&combo, Qt::Key_Delete);
    QTest::keyClick(&combo, Qt::Key_Backspace);
    EXPECT_EQ(dm->DocumentTableISPASSWD->AsString(), QStringLiteral("N"));

    // A two-digit year is taken from 1950 on; a text that is no date gives way.
    picker.LineEdit()->setText(QStringLiteral("7/8/55"));
    emit picker.LineEdit()->editingFinished();
    EXPECT_EQ(dm->DocumentTableDOCDATE->AsDateTime().date(), QDate(1955, 8, 7));
    EXPECT_EQ(picker.LineEdit()->text(), QStringLiteral("07/08/1955"));
    picker.LineEdit()->setText(QStringLiteral("31/02/10"));
    emit picker.LineEdit()->editingFinished();
    EXPECT_EQ(picker.LineEdit()->text(), QStringLiteral("07/08/1955"));
    // A whole date typed is stored at once.
    picker.LineEdit()->clear();
    QTest::keyClicks(picker.LineEdit(), QStringLiteral("1/2/49"));
    EXPECT_EQ(dm->DocumentTableDOCDATE->AsDateTime().date(), QDate(2049, 2, 1));
    // The drop-down calendar.
    picker.ShowCalendar();
    EXPECT_TRUE(picker.CalendarShown());
    EXPECT_EQ(picker.Calendar()->selectedDate(), QDate(2049, 2, 1));
    emit picker.Calendar()->clicked(QDate(2020, 5, 6));
    EXPECT_FALSE(picker.CalendarShown());
    EXPECT_EQ(dm->DocumentTableDOCDATE->AsDateTime().date(), QDate(2020, 5, 6));

    dm->DocumentTable.Post();
    EXPECT_EQ(CountRows(dm->dbTambra, QStringLiteral("SELECT COUNT(*) FROM DOCUMENT WHERE DESCRIPT = 'B2' AND "
                                                     "ISPASSWD = 'N' AND DOCDATE = '2020-05-06'")),
              1);
}

TEST_F(WidgetTest, FilterDialogFiltersTheDatasetUntilItCloses) {
    AddFolders({{QStringLiteral("Alpha"), QStringLiteral("N")},
                {QStringLiteral("Beta"), QStringLiteral("N")},
                {QStringLiteral("Alps"), QStringLiteral("N")}});
    TFilterDialog dlg(QStringLiteral("FilterDocumentDlg"));
    dlg.SetDataSource(&dm->DocumentDS);
    dlg.SetSelectedFields({QStringLiteral("DESCRIPT"), QStringLiteral("DOCDATE"), QStringLiteral("ONDATE")});
    dlg.SearchField = QStringLiteral("DOCDATE");
    // Offered in field order.
    EXPECT_EQ(dlg.OfferedFields(),
              (QStringList{QStringLiteral("DESCRIPT"), QStringLiteral("ONDATE"), QStringLiteral("DOCDATE")}));

    // Through the dialog as the user works it: the chosen field comes up first.
    bool seen = false;
    WhenModal(&watch, [&](QWidget *w) {
        seen = true;
        EXPECT_EQ(w, &dlg);
        EXPECT_EQ(dlg.FieldList()->count(), 3);
        EXPECT_EQ(dlg.FieldList()->currentItem()->text(), QStringLiteral("วันที่ในเอกสาร"));
        EXPECT_EQ(dlg.Match(), TFilterMatch::StartOfValue);
        dlg.FieldList()->setCurrentRow(0);
        dlg.ValueEdit()->setText(QStringLiteral("al"));
        dlg.accept();
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_TRUE(seen);
    EXPECT_EQ(dm->DocumentTable.RecordCount(), 2);
    EXPECT_EQ(dm->DocumentTableDESCRIPT->AsString(), QStringLiteral("Alpha"));

    // Cancel leaves the condition as it was.
    WhenModal(&watch, [&](QWidget *) {
        dlg.ValueEdit()->setText(QStringLiteral("zzz"));
        dlg.reject();
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dm->DocumentTable.RecordCount(), 2);

    // Conditions on two fields must both hold; dates match on their text.
    dlg.SetFieldValue(QStringLiteral("DESCRIPT"), QStringLiteral("al or be"));
    dlg.SetFieldValue(QStringLiteral("DOCDATE"), QStringLiteral("03/02"));
    dlg.ApplyFilter();
    EXPECT_EQ(dm->DocumentTable.RecordCount(), 3);
    dlg.SetFieldValue(QStringLiteral("DOCDATE"), QStringLiteral("04/02"));
    dlg.ApplyFilter();
    EXPECT_EQ(dm->DocumentTable.RecordCount(), 0);

    // Closing drops the condition and the dialog forgets it.
    dm->DocumentTable.Close();
    dm->DocumentTable.Open();
    EXPECT_EQ(dm->DocumentTable.RecordCount(), 3);
    EXPECT_TRUE(dlg.FieldValue(QStringLiteral("DESCRIPT")).isEmpty());
}

TEST(IdleSlot, RunsWhenTheLoopIsIdleUntilEmptied) {
    int calls = 0;
    SetApplicationIdle([&](bool &done) {
        ++calls;
        done = true;
    });
    EXPECT_TRUE(HasApplicationIdle());
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GT(calls, 0);

    ClearApplicationIdle();
    EXPECT_FALSE(RunApplicationIdle());
    int before = calls;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(calls, before);

    // A handler that raises shows the error and stays in the slot.
    BoxRecorder boxes;
    SetApplicationIdle([](bool &) { throw Exception("idle failed"); });
    EXPECT_TRUE(RunApplicationIdle());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("idle failed"));
    EXPECT_TRUE(HasApplicationIdle());
    ClearApplicationIdle();
}
