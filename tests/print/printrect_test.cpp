#include <gtest/gtest.h>

#include "formats/bitmapgraphic.h"
#include "print/dibgraphicprinter.h"

#include <cstring>

namespace {

// A 600-dpi printer with a printable area of 8 x 10.6667 inches whose corner
// lies 100 pixels from the paper's left and top edges.
const TPrinterMetrics k600{4800, 6400, 600, 600, 100, 100};

struct RectCase {
    const char *name;
    TPrintMode mode;
    int w, h;          // image size
    uint16_t dpi;      // image resolution
    double printW, printH, left, top;
    QRect expected;
};

TEST(PrintRectangleTest, LayoutArithmetic)
{
    const RectCase cases[] = {
        {"full page, relatively wider than the page: full width", pmFullPage, 3000, 1000, 300, 5, 5, 0, 0,
         QRect(0, 0, 4800, 1600)},
        {"full page, relatively higher: full height, width truncated", pmFullPage, 1000, 3000, 300, 5, 5, 0, 0,
         QRect(0, 0, 2133, 6400)},
        {"full page ignores margins", pmFullPage, 3000, 1000, 300, 5, 5, 2, 2, QRect(0, 0, 4800, 1600)},
        {"original size: 300 dpi on 600 dpi doubles", pmOriginalSize, 600, 300, 300, 5, 5, 0, 0,
         QRect(0, 0, 1200, 600)},
        {"original size larger than the page shrinks by one factor", pmOriginalSize, 3000, 1000, 300, 5, 5, 0, 0,
         QRect(0, 0, 4800, 1600)},
        {"original size: the factor is single precision", pmOriginalSize, 2401, 100, 300, 5, 5, 0, 0,
         QRect(0, 0, 4799, 199)},
        {"specific width 5 inches", pmSpecificWidth, 3000, 1000, 300, 5, 9, 0, 0, QRect(0, 0, 3000, 1000)},
        {"specific width keeps the ratio, truncated", pmSpecificWidth, 700, 300, 300, 2, 9, 0, 0,
         QRect(0, 0, 1200, 514)},
        {"specific height", pmSpecificHeight, 3000, 1000, 300, 9, 2, 0, 0, QRect(0, 0, 3600, 1200)},
        {"specific width and height ignore the ratio", pmSpecificWidthAndHeight, 100, 100, 300, 5, 3, 0, 0,
         QRect(0, 0, 3000, 1800)},
        {"stretch covers the area less one pixel", pmStretchToPage, 10, 700, 300, 5, 5, 0, 0,
         QRect(0, 0, 4799, 6399)},
        {"stretch ignores margins", pmStretchToPage, 10, 700, 300, 5, 5, 1, 1, QRect(0, 0, 4799, 6399)},
        {"margins beyond the border move the image", pmSpecificWidth, 3000, 1000, 300, 5, 5, 0.5, 1.0,
         QRect(200, 500, 3000, 1000)},
        {"margins inside the border change nothing", pmSpecificHeight, 3000, 1000, 300, 5, 2, 0.1, 0.15,
         QRect(0, 0, 3600, 1200)},
        {"original size with margins", pmOriginalSize, 600, 300, 300, 5, 5, 1, 0.25, QRect(500, 50, 1200, 600)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TDibGraphic g;
        g.NewImage(c.w, c.h, ifBlackWhite, nullptr, c.dpi, c.dpi);
        const TPrintLayout layout{c.mode, c.printW, c.printH, c.left, c.top};
        EXPECT_EQ(PrintRectangle(layout, k600, g), c.expected);
    }
}

TEST(PrintRectangleTest, EmptyImageAndMissingResolution)
{
    TDibGraphic empty;
    EXPECT_THROW(PrintRectangle({}, k600, empty), EVantrelError);

    // An image without a resolution (a BMP with zero pixels per metre) is
    // taken at the screen's rather than dividing by zero.
    TDibGraphic source;
    source.NewImage(ScreenLogicalDpiX(), ScreenLogicalDpiY(), ifRgb24, nullptr, 300, 300);
    TMemoryStream bmp;
    WriteBmp(source, bmp);
    std::memset(bmp.Memory() + 38, 0, 8); // biXPelsPerMeter, biYPelsPerMeter
    bmp.SetPosition(0);
    TBitmapGraphic g;
    g.LoadFromStream(bmp);
    ASSERT_EQ(g.XDotsPerInch(), 0);
    const TPrintLayout original{pmOriginalSize};
    EXPECT_EQ(PrintRectangle(original, k600, g), QRect(0, 0, 600, 600)); // one inch
}

TEST(PrintRectangleTest, Orientation)
{
    struct {
        int w, h;
        TPrintMode mode;
        double printW, printH;
        QPageLayout::Orientation expected;
    } const cases[] = {
        {300, 200, pmFullPage, 5, 5, QPageLayout::Landscape},
        {200, 300, pmFullPage, 5, 5, QPageLayout::Portrait},
        {200, 200, pmOriginalSize, 5, 5, QPageLayout::Portrait}, // as wide as high
        {200, 300, pmSpecificWidthAndHeight, 5, 3, QPageLayout::Landscape},
        {300, 200, pmSpecificWidthAndHeight, 3, 5, QPageLayout::Portrait},
        {300, 200, pmSpecificWidthAndHeight, 4, 4, QPageLayout::Portrait},
    };
    for (const auto &c : cases) {
        TDibGraphic g;
        g.NewImage(c.w, c.h, ifBlackWhite, nullptr, 100, 100);
        TPrintLayout layout;
        layout.Mode = c.mode;
        layout.PrintWidth = c.printW;
        layout.PrintHeight = c.printH;
        EXPECT_EQ(PrintOrientation(layout, g), c.expected) << c.w << "x" << c.h << " mode " << int(c.mode);
    }
}

} // namespace
