// Drawing images onto painters and the conversions between images and Qt's
// bitmaps, pictures and packed DIBs.
#include "image/exchange.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <QPicture>
#include <QPixmap>

#include <cstring>
#include <vector>

namespace {

const TImageFormat kAllFormats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifRgb24};

// An image whose pixels differ from their neighbours: every pixel gets a
// distinct-looking index or colour derived from its position.
std::unique_ptr<TDibGraphic> Pattern(TImageFormat format, int width, int height)
{
    auto g = std::make_unique<TDibGraphic>();
    g->NewImage(width, height, format, nullptr, 72, 72);
    const int colours = format == ifRgb24 ? 0 : 1 << ImageFormatBitCount(format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == ifRgb24)
                g->SetPixelRgb(x, y, Rgb(uint8_t(x * 37 + y), uint8_t(y * 53), uint8_t(x * 11 + y * 7)));
            else
                g->SetPixelIndex(x, y, uint32_t((x * 3 + y * 5) % colours));
        }
    return g;
}

uint32_t Packed(QRgb c) { return Rgb(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))); }

QImage Canvas(int width, int height, QRgb fill = qRgb(1, 2, 3))
{
    QImage target(width, height, QImage::Format_RGB32);
    target.fill(fill);
    return target;
}

std::string Message(const std::function<void()> &f)
{
    try {
        f();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "(nothing raised)";
}

// A packed DIB in global memory: 40-byte header, colour table, pixels.
struct Dib {
    int32_t width = 2, height = 2;
    uint16_t bits = 8;
    uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
    int32_t xppm = 0, yppm = 0;
    std::vector<uint8_t> extra;  // masks and colour table, as stored
    std::vector<uint8_t> pixels; // as stored

    TGlobalMemory Build(size_t cut = 0) const
    {
        TBitmapInfoHeader h{40, width, height, 1, bits, compression, sizeImage, xppm, yppm, clrUsed, 0};
        const size_t size = sizeof h + extra.size() + pixels.size() - cut;
        TGlobalMemory mem(BorvaneGlobalAlloc(size));
        auto *p = static_cast<uint8_t *>(BorvaneGlobalLock(mem.get()));
        std::vector<uint8_t> all(sizeof h);
        std::memcpy(all.data(), &h, sizeof h);
        all.insert(all.end(), extra.begin(), extra.end());
        all.insert(all.end(), pixels.begin(), pixels.end());
        std::memcpy(p, all.data(), size);
        BorvaneGlobalUnlock(mem.get());
        return mem;
    }
};

// 'r', 'g' or 'b' for a colour with one channel at 248 or more and the
// others at 0; '?' for anything else.
char Dominant(uint32_t c)
{
    const int r = int(c >> 16), g = int((c >> 8) & 0xFF), b = int(c & 0xFF);
    if (r >= 248 && g == 0 && b == 0)
        return 'r';
    if (g >= 248 && r == 0 && b == 0)
        return 'g';
    if (b >= 248 && r == 0 && g == 0)
        return 'b';
    return '?';
}

std::vector<uint8_t> GreyTable(int n)
{
    std::vector<uint8_t> t;
    for (int i = 0; i < n; ++i) {
        const auto v = uint8_t(n == 1 ? 0 : i * 255 / (n - 1));
        t.insert(t.end(), {v, v, uint8_t(255 - v), 0}); // blue, green, red, 0
    }
    return t;
}

} // namespace

// ---------------------------------------------------------------- Draw

TEST(Draw, UnscaledCopyOfEveryFormatAtTheRectanglesCorner)
{
    for (TImageFormat format : kAllFormats) {
        SCOPED_TRACE(ImageFormatDescription(format));
        auto g = Pattern(format, 13, 7);
        QImage target = Canvas(20, 10);
        {
            QPainter p(&target);
            g->Draw(p, QRect(5, 2, 13, 7));
        }
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool inside = x >= 5 && x < 18 && y >= 2 && y < 9;
                const uint32_t expected = inside ? g->GetPixelRgb(x - 5, y - 2) : Rgb(1, 2, 3);
                ASSERT_EQ(Packed(target.pixel(x, y)), expected) << x << "," << y;
            }
    }
}

TEST(Draw, RespectsThePaintersClipAndCallsOnAfterDrawOnce)
{
    auto g = Pattern(ifColor256, 8, 8);
    int calls = 0;
    g->OnAfterDraw = [&](TDibGraphic *sender) {
        EXPECT_EQ(sender, g.get());
        ++calls;
    };
    QImage target = Canvas(8, 8);
    {
        QPainter p(&target);
        p.setClipRect(QRect(2, 3, 3, 2));
        g->Draw(p, QRect(0, 0, 8, 8));
    }
    EXPECT_EQ(calls, 1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 3 && y < 5;
            ASSERT_EQ(Packed(target.pixel(x, y)), inside ? g->GetPixelRgb(x, y) : Rgb(1, 2, 3)) << x << "," << y;
        }
    // An empty image paints nothing but still reports the draw.
    TDibGraphic empty;
    empty.OnAfterDraw = [&](TDibGraphic *) { ++calls; };
    QPainter p(&target);
    empty.Draw(p, QRect(0, 0, 8, 8));
    EXPECT_EQ(calls, 2);
}

TEST(Draw, TrueColourStretchTakesTheNearestPixel)
{
    auto g = Pattern(ifRgb24, 3, 2);
    // Twice the size: every source pixel becomes a 2 x 2 block.
    QImage up = Canvas(6, 4);
    {
        QPainter p(&up);
        g->Draw(p, QRect(0, 0, 6, 4));
    }
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(Packed(up.pixel(x, y)), g->GetPixelRgb(x / 2, y / 2)) << x << "," << y;

    // A third of 9 x 9: the centre pixel of each 3 x 3 block, never a blend.
    auto big = Pattern(ifRgb24, 9, 9);
    QImage down = Canvas(3, 3);
    {
        QPainter p(&down);
        big->Draw(p, QRect(0, 0, 3, 3));
    }
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(Packed(down.pixel(x, y)), big->GetPixelRgb(3 * x + 1, 3 * y + 1)) << x << "," << y;
}

TEST(Draw, PaletteStretchAveragesEachBox)
{
    // A 4 x 2 black-and-white image: left half a checkerboard, right half
    // white. Halved, the checkerboard becomes mid grey (127.5 rounds to the
    // even 128), the white stays white.
    TDibGraphic g;
    g.NewImage(4, 2, ifBlackWhite, nullptr, 0, 0);
    g.SetPixelIndex(0, 0, 1);
    g.SetPixelIndex(1, 1, 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x)
            g.SetPixelIndex(x, y, 1);
    QImage down = Canvas(2, 1);
    {
        QPainter p(&down);
        g.Draw(p, QRect(0, 0, 2, 1));
    }
    EXPECT_EQ(Packed(down.pixel(0, 0)), Rgb(128, 128, 128));
    EXPECT_EQ(Packed(down.pixel(1, 0)), Rgb(255, 255, 255));

    // Enlarged, a palette image repeats its pixels exactly.
    auto small = Pattern(ifColor16, 2, 2);
    QImage up = Canvas(6, 6);
    {
        QPainter p(&up);
        small->Draw(p, QRect(0, 0, 6, 6));
    }
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(Packed(up.pixel(x, y)), small->GetPixelRgb(x / 3, y / 3));
}

TEST(Draw, AHugeRectangleCostsOnlyItsVisiblePart)
{
    // A page shown at a zoom far beyond the target's size: only the target's
    // pixels are computed, and they are the right ones.
    auto g = Pattern(ifColor256, 10, 10);
    QImage target = Canvas(16, 16);
    {
        QPainter p(&target);
        g->Draw(p, QRect(-1000000, -1000000, 2000000, 2000000));
    }
    // The target's (0,0) lies at 1000000 of 2000000: source pixel 5.
    EXPECT_EQ(Packed(target.pixel(0, 0)), g->GetPixelRgb(5, 5));
    EXPECT_EQ(Packed(target.pixel(15, 15)), g->GetPixelRgb(5, 5));
}

// ---------------------------------------------------------------- platform bitmaps

TEST(LoadFromBitmapHandle, FormatOfEachKindOfBitmap)
{
    const struct {
        QImage::Format from;
        TImageFormat to;
    } cases[] = {
        {QImage::Format_Mono, ifBlackWhite},    {QImage::Format_MonoLSB, ifBlackWhite},
        {QImage::Format_Indexed8, ifColor256},  {QImage::Format_Grayscale8, ifColor256},
        {QImage::Format_RGB16, ifRgb24},        {QImage::Format_RGB555, ifRgb24},
        {QImage::Format_RGB888, ifRgb24},       {QImage::Format_RGB32, ifRgb24},
        {QImage::Format_ARGB32, ifRgb24},       {QImage::Format_RGBA64, ifRgb24},
    };
    // Colours every format can hold exactly.
    QImage base(9, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            base.setPixel(x, y, (x + y) % 3 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.from));
        const QImage bitmap = base.convertToFormat(c.from);
        TDibGraphic g;
        g.LoadFromBitmapHandle(bitmap);
        EXPECT_EQ(g.ImageFormat(), c.to);
        ASSERT_EQ(g.Width(), 9);
        ASSERT_EQ(g.Height(), 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(g.GetPixelRgb(x, y), Packed(bitmap.pixel(x, y))) << x << "," << y;
    }
}

TEST(LoadFromBitmapHandle, PaletteOnlyFromAColourTableOf1To256Entries)
{
    QImage indexed(4, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(40, 50, 60), qRgb(70, 80, 90)});
    for (int x = 0; x < 4; ++x)
        indexed.setPixel(x, 0, uint(x % 3));
    TDibGraphic g;
    g.LoadFromBitmapHandle(indexed);
    EXPECT_EQ(g.ImageFormat(), ifColor256);
    EXPECT_EQ(g.LogPalette().palNumEntries, 3);
    EXPECT_EQ(g.GetPixelRgb(1, 0), Rgb(40, 50, 60));
    EXPECT_EQ(g.GetPixelRgb(3, 0), Rgb(10, 20, 30));

    // Without a table the format's default palette applies.
    QImage bare(2, 1, QImage::Format_Indexed8);
    bare.fill(4);
    g.LoadFromBitmapHandle(bare);
    EXPECT_EQ(g.LogPalette().palNumEntries, 256);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(170, 0, 0));
}

TEST(LoadFromBitmapHandle, ResolutionFromTheBitmapOrTheScreen)
{
    const struct {
        int dpm;
        uint16_t dpi;
    } cases[] = {{11811, 300}, {3780, 96}, {2835, 72}, {0, 96}, {-5, 96}, {100000000, 96}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dpm);
        QImage bitmap(2, 2, QImage::Format_RGB32);
        bitmap.fill(Qt::white);
        bitmap.setDotsPerMeterX(c.dpm);
        bitmap.setDotsPerMeterY(c.dpm);
        TDibGraphic g;
        g.LoadFromBitmapHandle(bitmap);
        EXPECT_EQ(g.XDotsPerInch(), c.dpi);
        EXPECT_EQ(g.YDotsPerInch(), c.dpi);
    }
}

TEST(LoadFromBitmapHandle, ANullBitmapIsRefusedAndThePreviousImageStays)
{
    auto g = Pattern(ifGray16, 3, 3);
    try {
        g->LoadFromBitmapHandle(QImage());
        FAIL() << "no exception";
    } catch (const EInvalidGraphic &e) {
        EXPECT_STREQ(e.what(), "Invalid bitmap");
    }
    EXPECT_EQ(g->Width(), 3);
    EXPECT_EQ(g->ImageFormat(), ifGray16);
    EXPECT_THROW(g->Assign(QPixmap()), EInvalidGraphic);
}

// ---------------------------------------------------------------- assignment

TEST(Assign, AnyOtherPlatformGraphicIsDrawnOnBlack)
{
    QPicture picture;
    {
        QPainter p(&picture);
        p.fillRect(QRect(10, 20, 4, 3), QColor(200, 100, 50));
        p.fillRect(QRect(12, 21, 2, 2), Qt::transparent); // a hole the black shows through
    }
    TDibGraphic g;
    g.Assign(picture);
    ASSERT_EQ(g.ImageFormat(), ifRgb24);
    ASSERT_EQ(g.Width(), 4);
    ASSERT_EQ(g.Height(), 3);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(200, 100, 50));
    EXPECT_EQ(g.GetPixelRgb(3, 2), Rgb(200, 100, 50));
    EXPECT_EQ(g.GetPixelRgb(2, 1), Rgb(200, 100, 50)); // transparent fill paints nothing over it
}

TEST(AssignTo, ImagesPlatformBitmapsAndRefusals)
{
    auto g = Pattern(ifColor16, 5, 4);

    TDibGraphic copy;
    g->AssignTo(copy);
    ASSERT_EQ(copy.ImageFormat(), ifColor16);
    EXPECT_EQ(std::memcmp(copy.Bits(), g->Bits(), g->ImageSize()), 0);

    QImage bitmap;
    g->AssignTo(bitmap);
    EXPECT_EQ(bitmap.depth(), 24);
    ASSERT_EQ(bitmap.size(), QSize(5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(Packed(bitmap.pixel(x, y)), g->GetPixelRgb(x, y));

    QPixmap pixmap;
    g->AssignTo(pixmap);
    EXPECT_EQ(pixmap.size(), QSize(5, 4));

    QPicture picture;
    EXPECT_EQ(Message([&] { g->AssignTo(picture); }), "Cannot assign a TDibGraphic to a QPicture");
    EXPECT_THROW(g->AssignTo(picture), EVantrelError);
}

// ---------------------------------------------------------------- clipboard formats

TEST(ClipboardFormat, SaveGivesABitmapOfTheImagesKind)
{
    auto colour = Pattern(ifColor256, 6, 3);
    int format = 0;
    QImage data;
    colour->SaveToClipboardFormat(format, data);
    EXPECT_EQ(format, CF_BITMAP);
    EXPECT_EQ(data.depth(), 32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(Packed(data.pixel(x, y)), colour->GetPixelRgb(x, y));

    // A black-and-white image becomes a 1-bit bitmap in black and white, even
    // when its palette holds the two colours the other way round.
    TMaxLogPalette inverted{0x0300, 2, {}};
    inverted.palPalEntry[0] = {250, 250, 250, 0};
    inverted.palPalEntry[1] = {10, 0, 0, 0};
    TDibGraphic bw;
    bw.NewImage(11, 2, ifBlackWhite, &inverted, 0, 0);
    bw.SetPixelIndex(3, 1, 1);
    bw.SaveToClipboardFormat(format, data);
    EXPECT_EQ(data.depth(), 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 11; ++x)
            ASSERT_EQ(Packed(data.pixel(x, y)), (x == 3 && y == 1) ? 0u : 0xFFFFFFu) << x << "," << y;

    TDibGraphic empty;
    EXPECT_EQ(Message([&] { empty.SaveToClipboardFormat(format, data); }), "CopyBitmap: CreateBitmap failed");
}

TEST(ClipboardFormat, LoadRefusesOtherFormatsAndMissingBitmaps)
{
    QImage bitmap(3, 3, QImage::Format_RGB32);
    bitmap.fill(qRgb(9, 8, 7));
    auto g = Pattern(ifColor16, 2, 2);
    EXPECT_EQ(Message([&] { g->LoadFromClipboardFormat(8, bitmap); }), "Unknown clipboard format, 8");
    EXPECT_EQ(Message([&] { g->LoadFromClipboardFormat(CF_BITMAP, QImage()); }), "Unknown clipboard format, 2");
    EXPECT_THROW(g->LoadFromClipboardFormat(8, bitmap), EInvalidGraphic);
    EXPECT_EQ(g->Width(), 2);
    g->LoadFromClipboardFormat(CF_BITMAP, bitmap);
    EXPECT_EQ(g->ImageFormat(), ifRgb24);
    EXPECT_EQ(g->GetPixelRgb(2, 2), Rgb(9, 8, 7));
}

// ---------------------------------------------------------------- packed DIBs

TEST(LoadFromHDib, UncompressedDibsOfEachDepth)
{
    // 3 x 2 pixels; bottom row first in memory.
    const struct {
        uint16_t bits;
        TImageFormat format;
        int colours;
        std::vector<uint8_t> pixels;
        uint32_t bottomLeft, topRight;
    } cases[] = {
        {1, ifBlackWhite, 2, {0x80, 0, 0, 0, 0x20, 0, 0, 0}, Rgb(0, 255, 255), Rgb(0, 255, 255)},
        {4, ifColor16, 16, {0xF0, 0x00, 0, 0, 0x00, 0x10, 0, 0}, Rgb(0, 255, 255), Rgb(238, 17, 17)},
        {8, ifColor256, 256, {200, 0, 0, 0, 0, 0, 7, 0}, Rgb(55, 200, 200), Rgb(248, 7, 7)},
        {24, ifRgb24, 0, {1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 5, 6, 0, 0, 0},
         Rgb(3, 2, 1), Rgb(6, 5, 4)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bits);
        Dib dib;
        dib.width = 3;
        dib.bits = c.bits;
        dib.xppm = 11811;
        dib.yppm = 7874;
        dib.extra = GreyTable(c.colours);
        dib.pixels = c.pixels;
        TGlobalMemory mem = dib.Build();
        TDibGraphic g;
        g.LoadFromHDib(mem.get());
        EXPECT_EQ(g.ImageFormat(), c.format);
        ASSERT_EQ(g.Width(), 3);
        ASSERT_EQ(g.Height(), 2);
        EXPECT_EQ(g.LogPalette().palNumEntries, c.colours);
        EXPECT_EQ(g.XDotsPerInch(), 300);
        EXPECT_EQ(g.YDotsPerInch(), 200);
        EXPECT_EQ(g.GetPixelRgb(0, 1), c.bottomLeft);
        EXPECT_EQ(g.GetPixelRgb(2, 0), c.topRight);
        // The memory is unlocked again: another lock and unlock pair works.
        EXPECT_NE(BorvaneGlobalLock(mem.get()), nullptr);
        BorvaneGlobalUnlock(mem.get());
    }
}

TEST(LoadFromHDib, AnEightBitDibWithoutColoursUsedGets256Entries)
{
    Dib dib;
    dib.width = 4;
    dib.height = 1;
    dib.extra = GreyTable(256);
    dib.pixels = {0, 1, 254, 255};
    TGlobalMemory mem = dib.Build();
    TDibGraphic g;
    g.LoadFromHDib(mem.get());
    EXPECT_EQ(g.ImageFormat(), ifColor256);
    EXPECT_EQ(g.LogPalette().palNumEntries, 256);
    EXPECT_EQ(g.GetPixelRgb(3, 0), Rgb(0, 255, 255));
    EXPECT_EQ(g.GetPixelRgb(2, 0), Rgb(1, 254, 254));

    // colours-used below 2^bits: the table is that long and the pixels follow it.
    dib.clrUsed = 2;
    dib.extra = GreyTable(2);
    dib.pixels = {1, 0, 1, 0};
    TGlobalMemory small = dib.Build();
    g.LoadFromHDib(small.get());
    EXPECT_EQ(g.LogPalette().palNumEntries, 2);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(0, 255, 255));
    EXPECT_EQ(g.GetPixelRgb(1, 0), Rgb(255, 0, 0));
}

TEST(LoadFromHDib, TopDownDibsAreTurnedBottomUp)
{
    for (uint16_t bits : {8, 16, 32}) {
        SCOPED_TRACE(bits);
        Dib dib;
        dib.width = 1;
        dib.height = -3; // rows top first
        dib.bits = bits;
        if (bits == 8) {
            dib.extra = GreyTable(256);
            dib.pixels = {10, 0, 0, 0, 20, 0, 0, 0, 30, 0, 0, 0};
        } else if (bits == 16) {
            // 5-5-5: red in bits 10-14.
            dib.pixels = {0x00, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0x00, 0, 0};
        } else {
            dib.pixels = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
        }
        TGlobalMemory mem = dib.Build();
        TDibGraphic g;
        g.LoadFromHDib(mem.get());
        ASSERT_EQ(g.Height(), 3);
        if (bits == 8) {
            EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(245, 10, 10));
            EXPECT_EQ(g.GetPixelRgb(0, 2), Rgb(225, 30, 30));
        } else {
            // Five bits per channel may scale full intensity to 248 or 255.
            EXPECT_EQ(g.ImageFormat(), ifRgb24);
            EXPECT_EQ(Dominant(g.GetPixelRgb(0, 0)), 'r');
            EXPECT_EQ(Dominant(g.GetPixelRgb(0, 1)), 'g');
            EXPECT_EQ(Dominant(g.GetPixelRgb(0, 2)), 'b');
        }
    }
}

TEST(LoadFromHDib, CompressedAndBitFieldDibsGoThroughBmpData)
{
    // Run-length 8: two pixels of index 5, end of line; one of index 9, end of
    // bitmap.
    Dib rle;
    rle.width = 2;
    rle.compression = 1;
    rle.extra = GreyTable(256);
    rle.pixels = {2, 5, 0, 0, 1, 9, 0, 1};
    rle.sizeImage = uint32_t(rle.pixels.size());
    TGlobalMemory mem = rle.Build();
    TDibGraphic g;
    g.LoadFromHDib(mem.get());
    ASSERT_EQ(g.Width(), 2);
    EXPECT_EQ(g.GetPixelRgb(0, 1), Rgb(250, 5, 5));
    EXPECT_EQ(g.GetPixelRgb(1, 1), Rgb(250, 5, 5));
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(246, 9, 9));

    // 32 bits with bit-field masks after the 40-byte header (blue, green,
    // red as the masks say: red in the low byte here).
    Dib fields;
    fields.width = 2;
    fields.height = 1;
    fields.bits = 32;
    fields.compression = 3;
    fields.sizeImage = 8;
    fields.extra = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};
    fields.pixels = {200, 100, 50, 0, 1, 2, 3, 0};
    TGlobalMemory fm = fields.Build();
    g.LoadFromHDib(fm.get());
    EXPECT_EQ(g.ImageFormat(), ifRgb24);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(200, 100, 50));
    EXPECT_EQ(g.GetPixelRgb(1, 0), Rgb(1, 2, 3));
}

TEST(LoadFromHDib, BadHandlesAndDibsAreRefusedAndThePreviousImageStays)
{
    Dib good;
    good.extra = GreyTable(256);
    good.pixels = std::vector<uint8_t>(8, 1);

    Dib rleWithoutSize = good;
    rleWithoutSize.compression = 1;
    Dib twoBits = good;
    twoBits.bits = 2;
    Dib tooManyColours = good;
    tooManyColours.clrUsed = 257;
    Dib noWidth = good;
    noWidth.width = 0;
    Dib hugeHeight = good;
    hugeHeight.height = 0x7FFFFFFF;

    const struct {
        const char *name;
        TGlobalMemory mem;
        const char *message;
    } cases[] = {
        {"null handle", TGlobalMemory(), "Invalid HDIB"},
        {"shorter than a header", TGlobalMemory(BorvaneGlobalAlloc(20)), "Invalid HDIB"},
        {"pixels cut short", good.Build(1), "Invalid HDIB"},
        {"colour table cut short", good.Build(900), "Invalid HDIB"},
        {"compressed without an image size", rleWithoutSize.Build(), "Invalid HDIB"},
        {"2 bits per pixel", twoBits.Build(), "Unsupported bit count"},
        {"more than 256 colours", tooManyColours.Build(), "Invalid HDIB"},
        {"width 0", noWidth.Build(), "Invalid HDIB"},
        {"height beyond the data", hugeHeight.Build(), "Invalid HDIB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto g = Pattern(ifGray16, 3, 3);
        try {
            g->LoadFromHDib(c.mem.get());
            FAIL() << "no exception";
        } catch (const EVantrelError &e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(g->Width(), 3);
        EXPECT_EQ(g->ImageFormat(), ifGray16);
    }
}

int main(int argc, char **argv)
{
    // Test discovery starts the program without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
