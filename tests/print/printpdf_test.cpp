#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include "print/dibgraphicprinter.h"
#include "tests/print/pdfcheck.h"

namespace {

constexpr int kDpi = 150;
// Pages are rendered at twice the printer's resolution; the rasterizer may
// blacken a rendered pixel that an edge only touches, so edges are compared
// to within one rendered pixel, half a printer pixel.
constexpr int kRenderDpi = 2 * kDpi;

void ExpectOnPaper(const QRect &found, const QRect &printerRect)
{
    const QRect want(printerRect.topLeft() * 2, printerRect.size() * 2);
    EXPECT_NEAR(found.left(), want.left(), 1) << "left";
    EXPECT_NEAR(found.top(), want.top(), 1) << "top";
    EXPECT_NEAR(found.right() + 1, want.right() + 1, 1) << "right";
    EXPECT_NEAR(found.bottom() + 1, want.bottom() + 1, 1) << "bottom";
}

class PrintPdfTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QPrinter &device = printer.Device();
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setResolution(kDpi);
        device.setPageSize(QPageSize(QPageSize::Letter));
        // Half an inch all round: the printable area starts 75 pixels in.
        device.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 12.7), QPageLayout::Millimeter);
    }
    QString Pdf(const QString &name)
    {
        const QString path = dir.filePath(name + QStringLiteral(".pdf"));
        printer.Device().setOutputFileName(path);
        return path;
    }
    static void Black(TDibGraphic &g, int w, int h, uint16_t dpi)
    {
        g.NewImage(w, h, ifBlackWhite, nullptr, dpi, dpi); // all index 0: black
    }

    QTemporaryDir dir;
    TPrinter printer;
};

struct ModeCase {
    TPrintMode mode;
    const char *name;
};

TEST_F(PrintPdfTest, EveryModeOnBothOrientations)
{
    const ModeCase modes[] = {
        {pmOriginalSize, "original"}, {pmFullPage, "fullpage"},          {pmSpecificWidth, "width"},
        {pmSpecificHeight, "height"}, {pmSpecificWidthAndHeight, "wh"}, {pmStretchToPage, "stretch"},
    };
    for (const auto &m : modes) {
        for (bool landscape : {false, true}) {
            SCOPED_TRACE(testing::Message() << m.name << (landscape ? " landscape" : " portrait"));
            TDibGraphic image;
            // Letter paper: whole pixels at 150 dpi, so rendering lands on the grid.
        // A 100-dpi image, wider than high for landscape.
            Black(image, landscape ? 300 : 200, landscape ? 200 : 300, 100);
            TDibGraphicPrinter p(printer);
            p.SetPrintMode(m.mode);
            p.PrintWidth = landscape ? 4 : 3;
            p.PrintHeight = landscape ? 3 : 4;
            p.LeftMargin = 1.0; // 150 - 75: moves modes 0, 2, 3 and 4 by 75 pixels
            p.TopMargin = 0.25; // inside the border: no move
            p.Title = QStringLiteral("Page %1").arg(m.name);
            const QString pdf = Pdf(QString::fromLatin1(m.name) + (landscape ? "L" : "P"));
            p.Print(image);

            const TPrinterMetrics &mt = p.Metrics();
            EXPECT_EQ(mt.PixelsPerInchX, kDpi);
            EXPECT_EQ(mt.OffsetX, 75);
            EXPECT_EQ(mt.OffsetY, 75);
            EXPECT_EQ(printer.Orientation(), landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
            EXPECT_EQ(PdfInfoField(pdf, QStringLiteral("Title")), p.Title);
            const QString size = PdfInfoField(pdf, QStringLiteral("Page size"));
            EXPECT_TRUE(size.startsWith(landscape ? QStringLiteral("792 x 612")
                                                  : QStringLiteral("612 x 792")))
                << size.toStdString();

            // What each mode must give on this page, from the printer's figures.
            QRect expected;
            const int shift = 75;
            switch (m.mode) {
            case pmOriginalSize: // 100 dpi on 150 dpi: one and a half times
                expected = QRect(shift, 0, image.Width() * 3 / 2, image.Height() * 3 / 2);
                break;
            case pmFullPage: // the whole printable width or height, ratio kept
                expected = QRect(0, 0, mt.PageWidth, mt.PageWidth * image.Height() / image.Width());
                if (expected.height() >= mt.PageHeight)
                    expected = QRect(0, 0, mt.PageHeight * image.Width() / image.Height(), mt.PageHeight);
                break;
            case pmSpecificWidth:
                expected = QRect(shift, 0, kDpi * int(p.PrintWidth), kDpi * int(p.PrintWidth) * image.Height() /
                                                                          image.Width());
                break;
            case pmSpecificHeight:
                expected = QRect(shift, 0, kDpi * int(p.PrintHeight) * image.Width() / image.Height(),
                                 kDpi * int(p.PrintHeight));
                break;
            case pmSpecificWidthAndHeight:
                expected = QRect(shift, 0, kDpi * int(p.PrintWidth), kDpi * int(p.PrintHeight));
                break;
            case pmStretchToPage:
                expected = QRect(0, 0, mt.PageWidth - 1, mt.PageHeight - 1);
                break;
            }
            EXPECT_EQ(p.LastRectangle(), expected);
            // On paper: the rectangle moved by the unprintable border.
            ExpectOnPaper(DarkBoundingBox(pdf, kRenderDpi), expected.translated(mt.OffsetX, mt.OffsetY));
        }
    }
}

TEST_F(PrintPdfTest, CallerManagedJobKeepsOrientationAndTakesMoreDrawing)
{
    TDibGraphic image;
    Black(image, 300, 100, 100); // wide, but the caller's orientation stays
    const QString pdf = Pdf(QStringLiteral("caller"));
    printer.SetOrientation(QPageLayout::Portrait);
    printer.Title = QStringLiteral("Vantrel Demo");
    printer.BeginDoc();
    TDibGraphicPrinter p(printer);
    p.SetPrintMode(pmSpecificWidth);
    p.PrintWidth = 2;
    p.ManageDocument = false;
    p.Print(image);
    ASSERT_TRUE(printer.Printing());
    printer.Canvas()->drawText(QRect(10, 10, 1000, 100), Qt::AlignLeft | Qt::AlignTop,
                               QStringLiteral("Vantrel Image Library"));
    printer.EndDoc();
    EXPECT_EQ(printer.Orientation(), QPageLayout::Portrait);
    EXPECT_EQ(PdfInfoField(pdf, QStringLiteral("Title")), QStringLiteral("Vantrel Demo"));
    const QList<PdfWord> words = PdfWords(pdf);
    ASSERT_GE(words.size(), 3);
    EXPECT_EQ(words[0].text, QStringLiteral("Vantrel"));
    // (10, 10) in the printable area is 85 pixels from the paper edges: 40.8 pt.
    EXPECT_NEAR(words[0].xMin, 85 * 72.0 / kDpi, 2.0);
    EXPECT_NEAR(words[0].yMin, 85 * 72.0 / kDpi, 4.0);
}

TEST_F(PrintPdfTest, FailingJobRaisesAndLeavesNoJobOpen)
{
    TDibGraphic image;
    Black(image, 10, 10, 100);
    printer.Device().setOutputFileName(dir.filePath(QStringLiteral("no/such/folder/x.pdf")));
    TDibGraphicPrinter p(printer);
    EXPECT_THROW(p.Print(image), EPrinterError);
    EXPECT_FALSE(printer.Printing());

    // An empty image is refused before any job starts.
    const QString pdf = Pdf(QStringLiteral("empty"));
    TDibGraphic empty;
    EXPECT_THROW(p.Print(empty), EVantrelError);
    EXPECT_FALSE(printer.Printing());
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_THROW(printer.EndDoc(), EPrinterError);
}

} // namespace

int main(int argc, char **argv)
{
    // Test discovery lists the tests without the offscreen setting of the runs.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
