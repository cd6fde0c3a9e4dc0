// The page viewer window on a real embedded filing store: how pages travel
// between their rows and the view, the navigator, the enabling of commands,
// the zoom and page controls, closing and the command-line argument.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>

#include "image/registry.h"
#include "print/updown.h"
#include "tests/viewer/viewertest.h"

namespace {

const QString kNoPage = QStringLiteral("ไม่มีเอกสารใดให้จัดเก็บ");

TEST_F(ViewerTest, EmptyFolderOpensEmptyWithImageCommandsOff)
{
    TViewForm &v = Open();
    EXPECT_EQ(v.windowTitle(), QStringLiteral("Image Viewer"));
    EXPECT_TRUE(Shown().Empty());
    EXPECT_TRUE(v.TempFileName.isEmpty());
    EXPECT_TRUE(HasApplicationIdle());
    Idle();
    for (QAction *a : {v.OpenMenu, v.SaveMenu, v.ScanMenu, v.Rotate90Menu, v.CropMenu, v.ResizeMenu, v.NegativeMenu,
                       v.RotateMenu->menuAction(), v.CopyMenu, v.PrintMenu, v.UndoMenu, v.AnimatedMenu})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QToolButton *b : {v.OpenBtn, v.SaveBtn, v.ScanBtn, v.CopyBtn, v.PrintBtn})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QAction *a : {v.PrintSetupMenu, v.SelectScannerMenu, v.ExitMenu, v.FullPageMenu, v.AntiAliasedMenu})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();

    v.wwDBNavigator1->BtnClick(nbInsert);
    Idle();
    for (QAction *a : {v.OpenMenu, v.SaveMenu, v.ScanMenu, v.Rotate90Menu, v.GammaMenu, v.BrightnessMenu->menuAction()})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(v.CopyMenu->isEnabled()); // still nothing shown
    dm->ImageFileTable.Cancel();
    viewer.reset();
    EXPECT_FALSE(HasApplicationIdle());
}

TEST_F(ViewerTest, WindowControlsAndMenus)
{
    TViewForm &v = Open();
    EXPECT_EQ(v.Panel1->height(), 25);
    EXPECT_EQ(v.ZoomEdit->text(), QStringLiteral("100"));
    EXPECT_EQ(v.ZoomEdit->maxLength(), 3);
    EXPECT_EQ(v.ZoomUpDown->Min, 5);
    EXPECT_EQ(v.ZoomUpDown->Max, 999);
    EXPECT_EQ(v.PageEdit->text(), QStringLiteral("1"));
    EXPECT_EQ(v.PageEdit->maxLength(), 5);
    EXPECT_TRUE(v.PageUpDown->Wrap);
    EXPECT_EQ(v.PageUpDown->Max, 1);
    EXPECT_TRUE(v.ProgressBar->isHidden());
    EXPECT_EQ(v.ProgressBar->width(), 87);
    EXPECT_EQ(v.ByLbl->text(), QStringLiteral("x"));
    EXPECT_EQ(v.ImageScrollBox->toolTip(), QStringLiteral("เพิ่มเอกสารก่อนการ Scan ภาพ หรือก่อนเปิดไฟล์รูปภาพ"));
    EXPECT_EQ(v.ImageScrollBox->ZoomMode(), zmPercent);
    EXPECT_TRUE(v.DragMenu->isChecked());
    EXPECT_FALSE(v.SelectMenu->isChecked());
    EXPECT_FALSE(v.AntiAliasedMenu->isChecked());

    const std::pair<QToolButton *, const char *> hints[] = {{v.OpenBtn, "Open"}, {v.SaveBtn, "Save"},
                                                            {v.PrintBtn, "Print"}, {v.ScanBtn, "Scan"},
                                                            {v.CopyBtn, "Copy"}, {v.PasteBtn, "Paste"}};
    for (const auto &[b, hint] : hints)
        EXPECT_EQ(b->toolTip(), QString::fromLatin1(hint));

    const struct {
        TNavigateBtn kind;
        const char *caption, *hint;
    } nav[] = {
        {nbFirst, "แรก", "เอกสารแผ่นแรก"},       {nbPrior, "ก่อนหน้า", "เอกสารแผ่นก่อนหน้า"},
        {nbNext, "ถัดไป", "เอกสารแผ่นถัดไป"},     {nbLast, "ท้าย", "เอกสารแผ่นสุดท้าย"},
        {nbInsert, "เพิ่มเอกสาร", "เพิ่มเอกสาร"}, {nbEdit, "แก้ไขเอกสาร", "แก้ไขเอกสาร"},
        {nbDelete, "ลบเอกสาร", "ลบเอกสาร"},     {nbPost, "บันทึกเอกสาร", "บันทึกการเปลี่ยนแปลง"},
        {nbCancel, "ไม่บันทึก", "ไม่บันทึก"},
    };
    for (const auto &n : nav) {
        QToolButton *b = v.wwDBNavigator1->Button(n.kind);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(n.hint));
        EXPECT_EQ(b->text(), QString::fromUtf8(n.caption));
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }

    // Every menu entry with its shortcut, in order ("-" a separator).
    const std::pair<QMenu *, QStringList> menus[] = {
        {v.FileMenu, {"&Open ...\tCtrl+O", "&Save\tCtrl+S", "-", "&Print ...", "P&rint Setup ...", "-", "S&can ...",
                      "Se&lect Scanner ...", "-", "E&xit"}},
        {v.EditMenu, {"&Undo\tCtrl+Z", "-", "&Copy\tCtrl+C", "Paste New Image\tCtrl+V"}},
        {v.ViewMenu, {"Ant&i aliased", "&Centered", "&Mouse Mode", "-", "&Actual Size", "&Full Page", "Fit &Width",
                      "Fit &Height", "-", "A&nimated"}},
        {v.MouseModeMenu, {"&Drag", "&Select"}},
        {v.ImageMenu, {"&Rotate", "&Flip", "&Negative", "&Crop ...", "&Sharpen", "S&mooth", "&Brightness",
                       "&Contrast", "E&dge Detection", "&Emboss", "&Gamma ...", "Convert to Gra&y",
                       "F&ormat Conversion ...", "Resi&ze ..."}},
        {v.RotateMenu, {"&90  Degrees", "&180 Degrees", "270 Degrees", "&Arbitrary"}},
        {v.FlipMenu, {"&Horizontal", "&Vertical"}},
        {v.BrightnessMenu, {"&Increase", "&Decrease"}},
        {v.ContrastMenu, {"&Increase", "&Decrease"}},
    };
    for (const auto &[menu, expected] : menus) {
        QStringList got;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator())
                got << QStringLiteral("-");
            else if (a->shortcut().isEmpty())
                got << a->text();
            else
                got << a->text() + QLatin1Char('\t') + a->shortcut().toString();
        }
        EXPECT_EQ(got, expected) << menu->title().toStdString();
    }
    QStringList titles;
    for (QAction *a : v.MainMenu->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Image"}));
    // Copy and Paste start disabled, before the first idle call.
    EXPECT_FALSE(v.CopyMenu->isEnabled());
    EXPECT_FALSE(v.PasteMenu->isEnabled());
}

TEST_F(ViewerTest, ShowsTheFirstPageAndMovesWithTheNavigator)
{
    AddPage(1);
    AddPage(2, 50, 20);
    dm->ImageFileTable.First();
    TViewForm &v = Open();
    EXPECT_EQ(PageMark(Shown()), 1);
    EXPECT_STREQ(Shown().ClassName(), "TBitmapGraphic");
    EXPECT_EQ(v.windowTitle(), QStringLiteral("บันทึกเอกสารของแฟ้ม - Letters"));
    EXPECT_EQ(v.TempFileName, TempBmp());
    EXPECT_TRUE(QFile::exists(TempBmp()));
    EXPECT_EQ(v.XLbl->text(), QStringLiteral("40"));
    EXPECT_EQ(v.YLbl->text(), QStringLiteral("30"));
    EXPECT_TRUE(v.PageFileName.isEmpty());

    v.wwDBNavigator1->BtnClick(nbNext);
    EXPECT_EQ(PageMark(Shown()), 2);
    EXPECT_EQ(v.XLbl->text(), QStringLiteral("50"));
    Idle();
    EXPECT_TRUE(v.CopyMenu->isEnabled());
    EXPECT_TRUE(v.PrintMenu->isEnabled());
    EXPECT_FALSE(v.OpenMenu->isEnabled()); // browsing
    v.wwDBNavigator1->BtnClick(nbFirst);
    EXPECT_EQ(PageMark(Shown()), 1);

    viewer.reset();
    EXPECT_FALSE(QFile::exists(TempBmp()));
}

TEST_F(ViewerTest, RowWithEmptyImagesShowsNothing)
{
    AddPage(1);
    dm->dbTambra.ExecuteImmediate(QStringLiteral("UPDATE IMAGEFILE SET IMAGES = ''"));
    dm->ImageFileTable.Refresh();
    ASSERT_FALSE(dm->ImageFileTable.IsEmpty());
    ASSERT_EQ(dm->ImageFileTableIMAGES->BlobSize(), 0);
    Open();
    EXPECT_TRUE(Shown().Empty());
}

TEST_F(ViewerTest, InsertThenPostWithoutImageIsRefused)
{
    AddPage(3);
    TViewForm &v = Open();
    ASSERT_FALSE(Shown().Empty());
    v.wwDBNavigator1->BtnClick(nbInsert);
    EXPECT_TRUE(Shown().Empty());
    EXPECT_EQ(dm->ImageFileTable.State(), dsInsert);
    EXPECT_THROW(v.wwDBNavigator1->BtnClick(nbPost), EDatabaseError); // IMAGES is required
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].type, mtPlain);
    EXPECT_EQ(boxes.boxes[0].text, kNoPage);
    dm->ImageFileTable.Cancel();
    EXPECT_EQ(Pages(), 1);
}

TEST_F(ViewerTest, StoredPageIsShownFromTheStoredBmpData)
{
    const QString file = WriteBmpFile("scan.bmp", 5, 64, 48);
    TViewForm &v = Open();
    v.wwDBNavigator1->BtnClick(nbInsert);
    v.OpenImageFile(file);
    EXPECT_EQ(PageMark(Shown()), 5);
    EXPECT_TRUE(Shown().XDotsPerInch() == 300);
    v.wwDBNavigator1->BtnClick(nbPost);
    EXPECT_EQ(dm->ImageFileTable.State(), dsBrowse);
    ASSERT_EQ(Pages(), 1);

    // The row holds a BMP file, and what is shown was read back from it.
    const QByteArray stored = dm->ImageFileTableIMAGES->AsBytes();
    ASSERT_TRUE(stored.startsWith("BM"));
    QFile temp(TempBmp());
    ASSERT_TRUE(temp.open(QIODevice::ReadOnly));
    EXPECT_EQ(temp.readAll(), stored);
    EXPECT_STREQ(Shown().ClassName(), "TBitmapGraphic");
    EXPECT_EQ(PageMark(Shown()), 5);
    EXPECT_EQ(Shown().Width(), 64);

    // Editing: a new image written into IMAGES is shown again at once.
    v.wwDBNavigator1->BtnClick(nbEdit);
    TDibGraphic other;
    MakeMarkedPage(other, 20, 10, 7);
    v.ImageScrollBox->AssignGraphic(&other);
    v.StorePageImage();
    EXPECT_EQ(PageMark(Shown()), 7);
    EXPECT_STREQ(Shown().ClassName(), "TBitmapGraphic");
    v.wwDBNavigator1->BtnClick(nbCancel);
    EXPECT_EQ(PageMark(Shown()), 5);
}

TEST_F(ViewerTest, FailedStoreCancelsSilently)
{
    AddPage(1);
    TViewForm &v = Open();
    v.wwDBNavigator1->BtnClick(nbEdit);
    UnregisterFormats(); // no class for "BMP": storing fails
    TDibGraphic other;
    MakeMarkedPage(other, 20, 10, 7);
    v.ImageScrollBox->AssignGraphic(&other);
    v.wwDBNavigator1->BtnClick(nbPost);
    EXPECT_EQ(dm->ImageFileTable.State(), dsBrowse);
    EXPECT_TRUE(boxes.boxes.empty());
    RegisterStartupFormats();
    EXPECT_EQ(Pages(), 1);
}

TEST_F(ViewerTest, DeleteAsksTwice)
{
    AddPage(1);
    AddPage(2);
    dm->ImageFileTable.First();
    TViewForm &v = Open();
    struct {
        std::deque<TModalResult> answers;
        size_t questions;
        int pagesAfter;
    } const cases[] = {
        {{mrNo}, 1, 2},          // the viewer's question stops it
        {{mrYes, mrCancel}, 2, 2}, // the navigator's own question stops it
        {{mrYes, mrOk}, 2, 1},
    };
    for (const auto &c : cases) {
        boxes.boxes.clear();
        boxes.answers = c.answers;
        v.wwDBNavigator1->BtnClick(nbDelete);
        ASSERT_EQ(boxes.boxes.size(), c.questions);
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("ตอบ Yes ถ้าต้องการลบ"));
        EXPECT_EQ(boxes.boxes[0].type, mtConfirmation);
        EXPECT_EQ(boxes.boxes[0].buttons, (std::vector<TModalResult>{mrYes, mrNo}));
        if (c.questions == 2)
            EXPECT_EQ(boxes.boxes[1].text, QStringLiteral("Delete record?"));
        EXPECT_EQ(Pages(), c.pagesAfter);
    }
    EXPECT_EQ(PageMark(Shown()), 2); // the next row is shown
}

TEST_F(ViewerTest, CloseQuestionWhileEditing)
{
    AddPage(1);
    TViewForm &v = Open();
    EXPECT_TRUE(v.FormCloseQuery());
    EXPECT_TRUE(boxes.boxes.empty());

    v.wwDBNavigator1->BtnClick(nbEdit);
    boxes.answers = {mrNo};
    EXPECT_FALSE(v.FormCloseQuery());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("ข้อมูลยังไม่ได้บันทึก\rตอบ Yes ถ้าต้องจบการทำงาน"));
    EXPECT_EQ(dm->ImageFileTable.State(), dsEdit);

    // The shown window asks on close and stays up on No.
    v.show();
    boxes.answers = {mrNo};
    v.close();
    EXPECT_TRUE(v.isVisible());
    boxes.answers = {mrYes};
    v.close();
    EXPECT_FALSE(v.isVisible());
    EXPECT_EQ(dm->ImageFileTable.State(), dsBrowse);
    EXPECT_EQ(boxes.boxes.size(), 3u);
}

TEST_F(ViewerTest, ZoomEditRules)
{
    AddPage(1, 400, 300);
    TViewForm &v = Open();
    struct {
        const char *text;
        float zoom;
    } const cases[] = {{"50", 50}, {"abc", 100}, {"3", 3}, {"", 100}, {"250", 250}};
    for (const auto &c : cases) {
        v.ZoomEdit->setText(QString::fromLatin1(c.text));
        EXPECT_FLOAT_EQ(v.ImageScrollBox->ZoomPercent(), c.zoom) << c.text;
    }
    // Fit modes write the zoom into the edit without feeding it back.
    v.resize(800, 600);
    v.FullPageMenuClick();
    EXPECT_EQ(v.ImageScrollBox->ZoomMode(), zmFullPage);
    EXPECT_EQ(v.ZoomEdit->text().toInt(), int(std::nearbyint(v.ImageScrollBox->Zoom())));
    EXPECT_EQ(v.ImageScrollBox->ZoomMode(), zmFullPage);
    // A newly opened page comes up at the edit's percentage.
    v.ZoomEdit->setText(QStringLiteral("40"));
    v.FitWidthMenuClick();
    const QString shownZoom = v.ZoomEdit->text();
    v.OpenImageFile(WriteBmpFile("x.bmp", 2, 400, 300));
    EXPECT_EQ(v.ImageScrollBox->ZoomMode(), zmPercent);
    EXPECT_FLOAT_EQ(v.ImageScrollBox->Zoom(), shownZoom.toFloat());
}

struct MultiCase {
    TModalResult answer;
    int imagesInMemory;
};

TEST_F(ViewerTest, MultiImageFileWithYesAndNo)
{
    const QString file = Write("three.mbm", {1, 2, 3});
    for (const MultiCase c : {MultiCase{mrYes, 3}, MultiCase{mrNo, 0}}) {
        SCOPED_TRACE(c.answer == mrYes ? "Yes" : "No");
        TViewForm &v = Open();
        boxes.boxes.clear();
        boxes.answers = {c.answer};
        v.OpenImageFile(file);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("The file contains 3 images.\rNote that for animations, all "
                                                      "images\rmust be loaded in memory.\rLoad all images in memory?\r"));
        EXPECT_EQ(boxes.boxes[0].buttons, (std::vector<TModalResult>{mrYes, mrNo}));
        EXPECT_EQ(v.ImageScrollBox->ImageCount(), c.imagesInMemory);
        EXPECT_EQ(v.PageFileName, file);
        EXPECT_EQ(v.PageUpDown->Min, 1);
        EXPECT_EQ(v.PageUpDown->Max, 3);
        EXPECT_EQ(v.PageEdit->text(), QStringLiteral("1"));
        EXPECT_EQ(PageMark(Shown()), 1);
        Idle();
        EXPECT_EQ(v.AnimatedMenu->isEnabled(), c.answer == mrYes);

        v.PageEdit->setText(QStringLiteral("2"));
        EXPECT_EQ(PageMark(Shown()), 2);
        EXPECT_EQ(v.ImageScrollBox->ImageCount(), c.imagesInMemory);
        v.PageEdit->setText(QStringLiteral("1,2")); // 12: beyond the range, ignored
        EXPECT_EQ(PageMark(Shown()), 2);
        v.PageEdit->setText(QStringLiteral("3 "));
        EXPECT_EQ(PageMark(Shown()), 3);
        v.PageEdit->setText(QStringLiteral("two"));
        EXPECT_THROW(v.PageEditChange(), Exception);
        EXPECT_EQ(PageMark(Shown()), 3);
        viewer.reset();
    }
}

TEST_F(ViewerTest, PageControlsIgnoreSingleImageFiles)
{
    AddPage(4);
    TViewForm &v = Open();
    EXPECT_TRUE(v.PageFileName.isEmpty());
    v.PageEdit->setText(QStringLiteral("oops"));
    EXPECT_NO_THROW(v.PageEditChange());
    EXPECT_EQ(PageMark(Shown()), 4);
}

TEST_F(ViewerTest, CommandLineArgumentReplacesTheFirstPage)
{
    AddPage(1);
    const QString file = WriteBmpFile("arg.bmp", 6);
    for (int time = 0; time < 2; ++time) { // every viewer opened shows it
        Open({QStringLiteral("borvane"), file});
        EXPECT_EQ(PageMark(Shown()), 6);
        viewer.reset();
    }
    QFile::copy(file, folder.Path() + QStringLiteral("arg.xyz"));
    Open({QStringLiteral("borvane"), folder.Path() + QStringLiteral("arg.xyz")});
    EXPECT_EQ(PageMark(Shown()), 1);
    viewer.reset();
    Open({QStringLiteral("borvane")});
    EXPECT_EQ(PageMark(Shown()), 1);
}

TEST_F(ViewerTest, RegistersItsFormatsOnce)
{
    UnregisterFormats();
    for (int time = 0; time < 2; ++time) {
        Open();
        viewer.reset();
    }
    for (const char *name : {"a.bmp", "a.ico", "a.wmf", "a.emf"})
        EXPECT_NE(GraphicClassForFile(QString::fromLatin1(name)), nullptr) << name;
    const QString filter = GraphicFilter();
    for (const char *entry : {"Bitmap file (*.bmp)", "Windows icon (*.ico)", "Windows meta file (*.wmf)",
                              "Enhanced meta file (*.emf)"})
        EXPECT_EQ(filter.count(QString::fromLatin1(entry)), 1) << entry;
}

TEST_F(ViewerTest, ProgressBarFollowsTransforms)
{
    TViewForm &v = Open();
    v.TransformProgress(nullptr, 0);
    EXPECT_FALSE(v.ProgressBar->isHidden());
    v.TransformProgress(nullptr, 40);
    EXPECT_EQ(v.ProgressBar->value(), 40);
    v.TransformProgress(nullptr, 100);
    EXPECT_TRUE(v.ProgressBar->isHidden());
}

} // namespace
