// The viewer's File, Edit and View commands: save, print to PDF, scan through
// SANE's test backend, open, copy, paste, undo and the display options.
#include <QAction>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <dlfcn.h>

#include "app/mainform.h"
#include "platform/ui/dbgrid.h"
#include "print/printer.h"
#include "print/printoptionform.h"
#include "scan/scanner.h"
#include "tests/print/pdfcheck.h"
#include "tests/viewer/viewertest.h"
#include "viewer/picturedialog.h"

namespace {

const QString kNoPage = QStringLiteral("ไม่มีเอกสารใดให้จัดเก็บ");
const QString kNoScanner = QStringLiteral("A scanner is not configured on your computer");

TEST_F(ViewerTest, SaveStoresAndPostsFromAnyState)
{
    AddPage(1);
    TViewForm &v = Open();
    // Browsing: Save puts the row into editing, stores the shown image, posts.
    TDibGraphic other;
    MakeMarkedPage(other, 30, 20, 9);
    v.ImageScrollBox->AssignGraphic(&other);
    v.SaveMenuClick();
    EXPECT_EQ(dm->ImageFileTable.State(), dsBrowse);
    EXPECT_EQ(PageMark(Shown()), 9);
    EXPECT_EQ(Pages(), 1);
    dm->ImageFileTable.Refresh();
    TMemoryStream back(dm->ImageFileTableIMAGES->AsBytes());
    TBitmapGraphic stored;
    stored.LoadFromStream(back);
    EXPECT_EQ(PageMark(stored), 9);

    // Nothing shown: the message, and the row stays in editing.
    v.ImageScrollBox->Clear();
    v.SaveMenuClick();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kNoPage);
    EXPECT_EQ(boxes.boxes[0].type, mtPlain);
    EXPECT_EQ(dm->ImageFileTable.State(), dsEdit);
    dm->ImageFileTable.Cancel();

    // A failing store cancels without a word.
    boxes.boxes.clear();
    v.ImageScrollBox->AssignGraphic(&other);
    UnregisterFormats();
    v.SaveMenuClick();
    RegisterStartupFormats();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(dm->ImageFileTable.State(), dsBrowse);
}

TEST_F(ViewerTest, UndoAfterPasteButNotAfterOpenOrScan)
{
    const QString file = WriteBmpFile("page.bmp", 2);
    TViewForm &v = Open();
    v.wwDBNavigator1->BtnClick(nbInsert);
    v.OpenImageFile(file);
    Idle();
    EXPECT_FALSE(v.UndoMenu->isEnabled());

    QImage clip(12, 8, QImage::Format_RGB32);
    clip.fill(qRgb(200, 10, 10));
    QGuiApplication::clipboard()->setImage(clip);
    Idle();
    EXPECT_TRUE(v.PasteMenu->isEnabled());
    EXPECT_TRUE(v.PasteBtn->isEnabled());
    v.PasteMenuClick();
    EXPECT_EQ(Shown().Width(), 12);
    EXPECT_EQ(Shown().GetPixelRgb(3, 3), Rgb(200, 10, 10));
    EXPECT_EQ(v.XLbl->text(), QStringLiteral("12"));
    EXPECT_EQ(dm->ImageFileTable.State(), dsInsert); // paste does not touch the row
    Idle();
    EXPECT_TRUE(v.UndoMenu->isEnabled());

    v.UndoMenuClick();
    EXPECT_EQ(PageMark(Shown()), 2);
    Idle();
    EXPECT_FALSE(v.UndoMenu->isEnabled());
    dm->ImageFileTable.Cancel();

    // Copy puts the shown page on the clipboard.
    QGuiApplication::clipboard()->clear();
    AddPage(4);
    v.CopyMenuClick();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(40, 30));
}

TEST_F(ViewerTest, ViewMenuSetsTheDisplay)
{
    AddPage(1, 400, 300);
    TViewForm &v = Open();
    v.resize(640, 480);
    v.AntiAliasedMenu->trigger();
    EXPECT_TRUE(v.ImageScrollBox->AntiAliased());
    v.CenteredMenu->trigger();
    EXPECT_TRUE(v.ImageScrollBox->Centered());
    v.SelectMenu->trigger();
    EXPECT_EQ(v.ImageScrollBox->MouseMode(), mmQuickSelect);
    EXPECT_TRUE(v.SelectMenu->isChecked());
    EXPECT_FALSE(v.DragMenu->isChecked());
    v.DragMenu->trigger();
    EXPECT_EQ(v.ImageScrollBox->MouseMode(), mmDrag);
    EXPECT_FALSE(v.SelectMenu->isChecked());
    const std::pair<QAction *, TZoomMode> modes[] = {{v.FullPageMenu, zmFullPage},
                                                     {v.FitWidthMenu, zmFitWidth},
                                                     {v.FitHeightMenu, zmFitHeight},
                                                     {v.ActualSizeMenu, zmOriginalSize}};
    for (const auto &[action, mode] : modes) {
        action->trigger();
        EXPECT_EQ(v.ImageScrollBox->ZoomMode(), mode);
        EXPECT_EQ(v.ZoomEdit->text().toInt(), int(std::nearbyint(v.ImageScrollBox->Zoom())));
    }
    EXPECT_EQ(v.ZoomEdit->text(), QStringLiteral("100"));
    v.AntiAliasedMenu->trigger();
    EXPECT_FALSE(v.ImageScrollBox->AntiAliased());

    v.OpenImageFile(Write("two.mbm", {1, 2}));
    v.AnimatedMenu->trigger();
    EXPECT_TRUE(v.ImageScrollBox->Animated());
    v.AnimatedMenu->trigger();
    EXPECT_FALSE(v.ImageScrollBox->Animated());
}

TEST_F(ViewerTest, OpenCommandUsesThePictureDialog)
{
    const QString file = WriteBmpFile("chosen.bmp", 8);
    TViewForm &v = Open();
    v.wwDBNavigator1->BtnClick(nbInsert);
    QObject watch;
    QString filter;
    bool previewed = false;
    QString selected;
    WhenModal(&watch, [&](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        ASSERT_NE(dialog, nullptr);
        filter = dialog->nameFilters().join(QStringLiteral(";;"));
        // Typed into the file name box, as a user may; the preview follows
        // the file made current in the list.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(file);
        emit dialog->currentChanged(file);
        if (auto *picture = dynamic_cast<TOpenPictureDialog *>(dialog))
            previewed = !picture->Preview()->pixmap().isNull();
        selected = dialog->selectedFiles().join(QLatin1Char('|'));
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    });
    v.OpenMenuClick();
    EXPECT_EQ(selected, file);
    EXPECT_EQ(PageMark(Shown()), 8);
    EXPECT_TRUE(filter.startsWith(QStringLiteral("All images (")));
    EXPECT_TRUE(filter.contains(QStringLiteral("Bitmap file (*.bmp)")));
    EXPECT_TRUE(previewed);

    // Cancelled: nothing changes.
    WhenModal(&watch, [](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
    v.OpenMenuClick();
    EXPECT_EQ(PageMark(Shown()), 8);
    dm->ImageFileTable.Cancel();
}

// ---- printing

class ViewerPrintTest : public ViewerTest {
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        QPrinter &device = printer.Device();
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setResolution(150);
        device.setPageSize(QPageSize(QPageSize::Letter));
        device.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 12.7), QPageLayout::Millimeter);
        pdf = folder.Path() + QStringLiteral("print.pdf");
        device.setOutputFileName(pdf);
    }
    TViewForm &OpenWithPrinter()
    {
        viewer = std::make_unique<TViewForm>(folder.Path(), nullptr, QStringList{}, &printer);
        return *viewer;
    }
    TPrinter printer;
    QString pdf;
    QObject watch;
};

TEST_F(ViewerPrintTest, PrintsTheShownPageWithTitleAndText)
{
    AddPage(1, 300, 150); // 300 dpi: one inch by half an inch
    TViewForm &v = OpenWithPrinter();
    WhenModal(&watch, [](QWidget *w) {
        auto *options = dynamic_cast<TPrintOptionForm *>(w);
        ASSERT_NE(options, nullptr);
        options->SpecificWidthRB->click();
        options->WidthFld->setText(QStringLiteral("2"));
        options->OkBtn->click();
    });
    v.PrintMenuClick();
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(PdfInfoField(pdf, QStringLiteral("Title")), QStringLiteral("Vantrel Demo"));
    EXPECT_EQ(PdfInfoField(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
    const QList<PdfWord> words = PdfWords(pdf);
    ASSERT_GE(words.size(), 3);
    QStringList text;
    for (const PdfWord &w : words)
        text << w.text;
    EXPECT_EQ(text.join(QLatin1Char(' ')), QStringLiteral("Vantrel Image Library"));
    // At (10, 10) of the printable area: 85 printer pixels from the paper's corner.
    EXPECT_NEAR(words[0].xMin, 85 * 72.0 / 150, 2.0);
    EXPECT_NEAR(words[0].yMin, 85 * 72.0 / 150, 4.0);
    // The page: 2 inches wide, ratio kept, at the printable area's corner.
    const QRect printed = DarkBoundingBox(pdf, 150);
    EXPECT_NEAR(printed.left(), 75, 1);
    EXPECT_NEAR(printed.width(), 300, 2);
    // The text lies over the image's top rows; the image is 150 high.
    EXPECT_NEAR(printed.bottom() + 1, 75 + 150, 1);
}

TEST_F(ViewerPrintTest, CancelledOptionsPrintNothing)
{
    AddPage(1);
    TViewForm &v = OpenWithPrinter();
    WhenModal(&watch, [](QWidget *w) { static_cast<TPrintOptionForm *>(w)->BitBtn1->click(); });
    v.PrintMenuClick();
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_FALSE(printer.Printing());

    // A size that is not a number fails before any job starts.
    WhenModal(&watch, [](QWidget *w) {
        auto *options = static_cast<TPrintOptionForm *>(w);
        options->WidthFld->setText(QStringLiteral("wide"));
        options->OkBtn->click();
    });
    EXPECT_THROW(v.PrintMenuClick(), Exception);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_FALSE(printer.Printing());
}

// ---- scanning

TEST_F(ViewerTest, NoScannerAnswersForScanAndSelect)
{
    TViewForm &v = Open(); // the program folder holds no source manager
    v.wwDBNavigator1->BtnClick(nbInsert);
    v.ScanMenuClick();
    v.SelectScannerMenuClick();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    for (const auto &b : boxes.boxes) {
        EXPECT_EQ(b.text, kNoScanner);
        EXPECT_EQ(b.type, mtPlain);
    }
    EXPECT_TRUE(v.isEnabled());
    dm->ImageFileTable.Cancel();
}

// SANE's test backend, configured from a folder of our own; SANE reads
// SANE_CONFIG_DIR once per process.
QString SaneConfig()
{
    static void *keep = dlopen(SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
    (void)keep;
    static QTemporaryDir dir;
    static bool written = [] {
        QFile dll(dir.filePath(QStringLiteral("dll.conf")));
        dll.open(QIODevice::WriteOnly);
        dll.write("test\n");
        QFile conf(dir.filePath(QStringLiteral("test.conf")));
        conf.open(QIODevice::WriteOnly);
        conf.write("number_of_devices 1\nmode Gray\ndepth 8\nresolution 50.0\n"
                   "test-picture \"Color pattern\"\n"
                   "geometry_min 0.0\ngeometry_max 300.0\ngeometry_quant 1.0\n"
                   "tl_x 0.0\ntl_y 0.0\nbr_x 30.0\nbr_y 40.0\n");
        setenv("SANE_CONFIG_DIR", QFile::encodeName(dir.path()).constData(), 1);
        return true;
    }();
    (void)written;
    return dir.path();
}

TEST_F(ViewerTest, ScanIntoAStoredPageEndToEnd)
{
    SaneConfig();
    ASSERT_TRUE(QFile::copy(QStringLiteral(BORVANE_BIN_DIR "/") + QString::fromLatin1(TScanner::kTwainLibraryName),
                            folder.Path() + QString::fromLatin1(TScanner::kTwainLibraryName)));
    TViewForm &v = Open();
    v.wwDBNavigator1->BtnClick(nbInsert);
    v.Scanner->ShowUI = false;
    v.Scanner->ImageType = ifGray256;
    v.Scanner->XResolution = 100;
    v.Scanner->YResolution = 100;
    v.ScanMenuClick();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(v.isEnabled());
    ASSERT_FALSE(Shown().Empty());
    EXPECT_EQ(Shown().XDotsPerInch(), 100);
    // 30 x 40 mm at 100 dpi.
    EXPECT_NEAR(Shown().Width(), 118, 1);
    EXPECT_NEAR(Shown().Height(), 157, 1);
    const int width = Shown().Width();
    const uint32_t probe = Shown().GetPixelRgb(width / 2, 20);
    Idle();
    EXPECT_FALSE(v.UndoMenu->isEnabled()); // scanning leaves no undo copy
    EXPECT_EQ(dm->ImageFileTable.State(), dsInsert); // nothing stored yet

    v.SaveMenuClick();
    EXPECT_EQ(dm->ImageFileTable.State(), dsBrowse);
    ASSERT_EQ(Pages(), 1);
    viewer.reset();

    // Reopened: the page comes back from the database.
    Open();
    ASSERT_FALSE(Shown().Empty());
    EXPECT_EQ(Shown().Width(), width);
    EXPECT_EQ(Shown().XDotsPerInch(), 100);
    EXPECT_EQ(Shown().GetPixelRgb(width / 2, 20), probe);
}

// ---- the main window opens the viewer

TEST_F(ViewerTest, MainWindowOpensTheViewerForPageFolders)
{
    AddPage(3);
    TMainForm main(folder.Path());
    InstallPageViewer(main);
    ASSERT_TRUE(static_cast<bool>(main.OpenPageViewer));
    QObject watch;
    QString title;
    int mark = -1;
    WhenModal(&watch, [&](QWidget *w) {
        auto *v = dynamic_cast<TViewForm *>(w);
        ASSERT_NE(v, nullptr);
        title = v->windowTitle();
        mark = PageMark(*v->ImageScrollBox->Graphic());
        v->close();
    });
    main.DocumentDBGridDblClick();
    EXPECT_EQ(title, QStringLiteral("บันทึกเอกสารของแฟ้ม - Letters"));
    EXPECT_EQ(mark, 3);
    EXPECT_FALSE(HasApplicationIdle());
    EXPECT_FALSE(QFile::exists(TempBmp()));
}

} // namespace
