#include "image/dibgraphic.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cstring>

namespace {

TPaletteEntry Entry(const TMaxLogPalette &p, int i) { return p.palPalEntry[i]; }

void ExpectEntry(const TMaxLogPalette &p, int i, int r, int g, int b)
{
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(Entry(p, i).peRed, r);
    EXPECT_EQ(Entry(p, i).peGreen, g);
    EXPECT_EQ(Entry(p, i).peBlue, b);
}

TMaxLogPalette Palette(std::initializer_list<uint32_t> colours)
{
    TMaxLogPalette p{};
    p.palVersion = 0x0300;
    for (uint32_t c : colours)
        p.palPalEntry[p.palNumEntries++] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 0};
    return p;
}

const TImageFormat kAllFormats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifRgb24};

} // namespace

TEST(ImageFormats, BitCountsDescriptionsAndRowSizes)
{
    const struct {
        TImageFormat format;
        int bits;
        const char *text;
    } formats[] = {{ifBlackWhite, 1, "Black and white"}, {ifGray16, 4, "16 shades of gray"},
                   {ifGray256, 8, "256 shades of gray"}, {ifColor16, 4, "16 color"},
                   {ifColor256, 8, "256 color"},         {ifRgb24, 24, "True color"}};
    for (const auto &f : formats) {
        EXPECT_EQ(ImageFormatBitCount(f.format), f.bits);
        EXPECT_STREQ(ImageFormatDescription(f.format), f.text);
    }
    EXPECT_STREQ(ImageFormatDescription(TImageFormat(6)), "");
    try {
        ImageFormatBitCount(TImageFormat(6));
        FAIL();
    } catch (const EVantrelError &e) {
        EXPECT_STREQ(e.what(), "Internal error: Invalid image format");
    }

    const struct {
        int width, bits, stride;
    } rows[] = {{7, 1, 4}, {32, 1, 4}, {33, 1, 8}, {1, 4, 4}, {9, 4, 8}, {5, 8, 8}, {3, 24, 12}, {4, 24, 12}, {1, 24, 4}};
    for (const auto &r : rows)
        EXPECT_EQ(BytesPerLine(r.width, r.bits), r.stride) << r.width << "x" << r.bits;
}

TEST(DefaultPalettes, FollowTheTablesIncludingTheVgaExceptions)
{
    const TMaxLogPalette &bw = DefaultPalette(ifBlackWhite);
    EXPECT_EQ(bw.palNumEntries, 2);
    ExpectEntry(bw, 0, 0, 0, 0);
    ExpectEntry(bw, 1, 255, 255, 255);

    const TMaxLogPalette &g16 = DefaultPalette(ifGray16);
    EXPECT_EQ(g16.palNumEntries, 16);
    for (int i = 0; i < 16; ++i)
        ExpectEntry(g16, i, 17 * i, 17 * i, 17 * i);

    const TMaxLogPalette &c16 = DefaultPalette(ifColor16);
    ExpectEntry(c16, 6, 170, 85, 0);
    ExpectEntry(c16, 9, 85, 85, 255);

    const TMaxLogPalette &c256 = DefaultPalette(ifColor256);
    EXPECT_EQ(c256.palNumEntries, 256);
    EXPECT_EQ(c256.palVersion, 0x0300);
    EXPECT_EQ(std::memcmp(c256.palPalEntry, c16.palPalEntry, 16 * 4), 0);
    ExpectEntry(c256, 16, 0, 0, 0);
    ExpectEntry(c256, 29, 203, 203, 203);
    ExpectEntry(c256, 30, 227, 179, 179); // exception to the grey ramp
    ExpectEntry(c256, 31, 255, 255, 255);
    ExpectEntry(c256, 32, 0, 0, 255);       // high intensity, high saturation: (min,min,max)
    ExpectEntry(c256, 33, 65, 0, 255);      // (s1,min,max)
    ExpectEntry(c256, 40, 255, 0, 0);       // (max,min,min)
    ExpectEntry(c256, 56, 125, 125, 255);   // medium saturation block starts
    ExpectEntry(c256, 85, 223, 182, 235);   // exception
    ExpectEntry(c256, 96, 182, 223, 182);   // exception
    ExpectEntry(c256, 104, 0, 0, 113);      // medium intensity block starts
    ExpectEntry(c256, 247, 44, 48, 65);     // last of the low/low block: (min,s1,max)
    for (int i = 248; i < 256; ++i)
        ExpectEntry(c256, i, 0, 0, 0);

    TMaxLogPalette filled{};
    FillDefaultPalette256(filled);
    EXPECT_EQ(std::memcmp(&filled, &c256, sizeof filled), 0);
    EXPECT_THROW(DefaultPalette(ifRgb24), EVantrelError);
}

TEST(DibGraphic, NewImageLaysOutBottomUpAlignedZeroedMemory)
{
    for (TImageFormat f : kAllFormats) {
        SCOPED_TRACE(ImageFormatDescription(f));
        TDibGraphic g;
        g.NewImage(7, 5, f, nullptr, 300, 150);
        ASSERT_FALSE(g.Empty());
        const int stride = BytesPerLine(7, ImageFormatBitCount(f));
        EXPECT_EQ(g.BytesPerLine(), stride);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(g.Bits()) % 16, 0u);
        EXPECT_EQ(g.ScanLine(0), g.Bits() + 4 * stride);
        EXPECT_EQ(g.ScanLine(4), g.Bits());
        const TBitmapInfoHeader &h = g.BitmapInfo().bmiHeader;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biHeight, 5);
        EXPECT_EQ(h.biSizeImage, uint32_t(5 * stride));
        EXPECT_EQ(h.biXPelsPerMeter, 11811);
        EXPECT_EQ(h.biYPelsPerMeter, 5906);
        EXPECT_EQ(g.XDotsPerInch(), 300);
        EXPECT_EQ(h.biClrUsed, f == ifRgb24 ? 0u : (1u << ImageFormatBitCount(f)));
        EXPECT_EQ(g.LogPalette().palVersion, 0x0300);
        EXPECT_EQ(g.ColorConverter() != nullptr, f != ifRgb24);
        for (size_t i = 0; i < g.ImageSize(); ++i)
            ASSERT_EQ(g.Bits()[i], 0);
    }
}

TEST(DibGraphic, NewImageTakesTheCallersPaletteAndScreenResolution)
{
    TMaxLogPalette pal = Palette({0xFFFFFF, 0x000000});
    pal.palVersion = 0;
    TDibGraphic g;
    g.NewImage(3, 1, ifBlackWhite, &pal, 0, 0);
    EXPECT_EQ(g.LogPalette().palVersion, 0x0300);
    EXPECT_EQ(g.BitmapInfo().bmiColors[0].rgbRed, 255);
    EXPECT_EQ(g.BitmapInfo().bmiColors[1].rgbRed, 0);
    EXPECT_EQ(g.XDotsPerInch(), ScreenLogicalDpiX());
    // The bit set on an image whose palette is (white, black) is black.
    g.SetPixelIndex(1, 0, 1);
    EXPECT_EQ(g.GetPixelRgb(1, 0), 0x000000u);
    EXPECT_EQ(g.GetPixelRgb(0, 0), 0xFFFFFFu);
}

TEST(DibGraphic, NewImageFailuresLeaveTheImageEmpty)
{
    const struct {
        int width, height;
        TImageFormat format;
        const char *message;
    } cases[] = {{0, 5, ifRgb24, "CreateDibSection failed"},
                 {5, 0, ifGray256, "CreateDibSection failed"},
                 {-1, 5, ifGray256, "CreateDibSection failed"},
                 {2000000000, 2000000000, ifRgb24, "CreateDibSection failed"},
                 {5, 5, TImageFormat(6), "Internal error: Invalid image format"}};
    for (const auto &c : cases) {
        TDibGraphic g;
        g.NewImage(2, 2, ifRgb24, nullptr, 96, 96);
        try {
            g.NewImage(c.width, c.height, c.format, nullptr, 96, 96);
            ADD_FAILURE() << c.width << "x" << c.height;
        } catch (const EVantrelError &e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_TRUE(g.Empty());
        EXPECT_EQ(g.Width(), 0);
        EXPECT_EQ(g.Bits(), nullptr);
    }

    // The memory limit is checked before allocating.
    const size_t old = ImageMemoryLimit();
    SetImageMemoryLimit(1000);
    TDibGraphic g;
    EXPECT_THROW(g.NewImage(100, 100, ifGray256, nullptr, 96, 96), EVantrelError);
    EXPECT_NO_THROW(g.NewImage(10, 10, ifGray256, nullptr, 96, 96));
    SetImageMemoryLimit(old);
}

TEST(DibGraphic, PixelAccessFollowsTheDibLayout)
{
    TDibGraphic g;
    g.NewImage(10, 2, ifBlackWhite, nullptr, 96, 96);
    g.SetPixelIndex(0, 0, 1);
    g.SetPixelIndex(9, 0, 5); // any index above 0 sets the bit
    EXPECT_EQ(g.ScanLine(0)[0], 0x80);
    EXPECT_EQ(g.ScanLine(0)[1], 0x40);
    EXPECT_EQ(g.GetPixelIndex(9, 0), 1u);
    g.SetPixelIndex(0, 0, 0);
    EXPECT_EQ(g.ScanLine(0)[0], 0x00);
    EXPECT_EQ(g.ScanLine(1)[0], 0x00);

    g.NewImage(3, 2, ifColor16, nullptr, 96, 96);
    g.SetPixelIndex(0, 1, 0xA);
    g.SetPixelIndex(1, 1, 0x5);
    g.SetPixelIndex(2, 1, 0xF);
    EXPECT_EQ(g.Bits()[0], 0xA5); // row 1 from the top of 2 is the first in memory
    EXPECT_EQ(g.Bits()[1], 0xF0);
    EXPECT_EQ(g.GetPixelIndex(1, 1), 5u);
    EXPECT_EQ(g.GetPixelRgb(2, 1), 0xFFFFFFu);

    g.NewImage(2, 1, ifRgb24, nullptr, 96, 96);
    g.SetPixelRgb(1, 0, 0x123456);
    EXPECT_EQ(g.Bits()[3], 0x56); // blue, green, red
    EXPECT_EQ(g.Bits()[4], 0x34);
    EXPECT_EQ(g.Bits()[5], 0x12);
    EXPECT_EQ(g.GetPixelRgb(1, 0), 0x123456u);
    try {
        g.GetPixelIndex(0, 0);
        FAIL();
    } catch (const EVantrelError &e) {
        EXPECT_STREQ(e.what(), "The image does not have a palette");
    }
    EXPECT_THROW(g.SetPixelIndex(0, 0, 1), EVantrelError);
}

TEST(DibGraphic, SetPixelRgbStoresTheNearestPaletteIndex)
{
    const struct {
        TImageFormat format;
        uint32_t rgb;
        uint32_t index;
    } cases[] = {{ifColor16, 0xFF0000, 4}, {ifBlackWhite, 0xFF0000, 0}, {ifBlackWhite, 0x808080, 1},
                 {ifGray256, 0x102030, 0x20}, {ifColor256, 0xE3B3B3, 30}};
    for (const auto &c : cases) {
        TDibGraphic g;
        g.NewImage(1, 1, c.format, nullptr, 96, 96);
        g.SetPixelRgb(0, 0, c.rgb);
        EXPECT_EQ(g.GetPixelIndex(0, 0), c.index) << std::hex << c.rgb;
    }
    // Equally near entries: the lower index wins.
    const TMaxLogPalette pal = Palette({0x000000, 0x100000, 0x080000, 0x080000});
    TDibGraphic g;
    g.NewImage(1, 1, ifGray16, &pal, 96, 96);
    g.SetPixelRgb(0, 0, 0x0C0000);
    EXPECT_EQ(g.GetPixelIndex(0, 0), 1u); // entries 1, 2 and 3 are all 4 away
}

TEST(NearestColour, CachesAnswersAndSurvivesSlotCollisions)
{
    TMaxLogPalette pal{};
    FillDefaultPalette16(pal);
    TRgbToPaletteConverter c(pal);
    EXPECT_EQ(c.NearestIndex(0xFFFFFF), 15);
    EXPECT_EQ(c.Misses(), 1u);
    EXPECT_EQ(c.NearestIndex(0xFFFFFF), 15);
    EXPECT_EQ(c.Hits(), 1u);

    // Colour 0 and colour 1020 share slot 0; each evicts the other, answers stay right.
    const uint32_t a = 0x000000, b = 1020; // (0, 3, 252)
    EXPECT_EQ(a % 1020, b % 1020);
    EXPECT_EQ(c.NearestIndex(a), 0);
    EXPECT_EQ(c.NearestIndex(b), 1); // (0, 0, 170)
    EXPECT_EQ(c.NearestIndex(a), 0);
    EXPECT_EQ(c.Hits(), 1u);
    EXPECT_EQ(c.Misses(), 4u);
    EXPECT_EQ(c.NearestIndex(a), 0);
    EXPECT_EQ(c.Hits(), 2u);

    // Slot 0 of a fresh converter is empty, not "colour 0 -> index 0".
    const TMaxLogPalette white = Palette({0xFFFFFF, 0x000000});
    TRgbToPaletteConverter w(white);
    EXPECT_EQ(w.NearestIndex(0), 1);
}

TEST(DibGraphic, AssignCopiesPixelsPaletteAndResolution)
{
    TDibGraphic src;
    const TMaxLogPalette pal = Palette({0x112233, 0x445566, 0x778899});
    src.NewImage(5, 3, ifColor256, &pal, 200, 100);
    src.SetPixelIndex(4, 2, 2);
    src.FrameDelay = 50;

    TDibGraphic dst;
    dst.Assign(&src);
    EXPECT_EQ(dst.Width(), 5);
    EXPECT_EQ(dst.Height(), 3);
    EXPECT_EQ(dst.ImageFormat(), ifColor256);
    EXPECT_EQ(dst.LogPalette().palNumEntries, 3);
    EXPECT_EQ(dst.GetPixelRgb(4, 2), 0x778899u);
    EXPECT_EQ(dst.XDotsPerInch(), 200);
    EXPECT_EQ(dst.YDotsPerInch(), 100);
    EXPECT_EQ(dst.FrameDelay, 50);
    EXPECT_EQ(std::memcmp(dst.Bits(), src.Bits(), src.ImageSize()), 0);
    EXPECT_NE(dst.Bits(), src.Bits());

    // Resolution 0 stays 0 instead of becoming the screen's.
    TDibGraphic zero;
    zero.NewImage(1, 1, ifRgb24, nullptr, 96, 96);
    zero.SetXDotsPerInch(0);
    zero.SetYDotsPerInch(0);
    dst.Assign(&zero);
    EXPECT_EQ(dst.XPelsPerMeter(), 0);
    EXPECT_EQ(dst.YPelsPerMeter(), 0);

    // An empty source, or none, empties the target.
    TDibGraphic empty;
    dst.Assign(&empty);
    EXPECT_TRUE(dst.Empty());
    dst.Assign(&src);
    dst.Assign(nullptr);
    EXPECT_TRUE(dst.Empty());
    src.Assign(&src); // self-assignment keeps the image
    EXPECT_EQ(src.GetPixelIndex(4, 2), 2u);
}

TEST(DibGraphic, DimensionsChangeOnlyThroughNewImage)
{
    TDibGraphic g;
    g.NewImage(4, 4, ifGray256, nullptr, 96, 96);
    try {
        g.SetWidth(10);
        FAIL();
    } catch (const EVantrelError &e) {
        EXPECT_STREQ(e.what(), "Dimensions must be change with the NewImage method");
    }
    EXPECT_THROW(g.SetHeight(10), EVantrelError);
    EXPECT_EQ(g.Width(), 4);
    EXPECT_EQ(g.Height(), 4);

    g.FreeImage();
    EXPECT_TRUE(g.Empty());
    EXPECT_EQ(g.ImageFormat(), ifGray256); // kept after FreeImage
    EXPECT_EQ(g.LogPalette().palNumEntries, 256);
    EXPECT_EQ(g.BitmapInfo().bmiHeader.biSize, 0u);
}

TEST(DibGraphic, ResolutionConvertsWithHalfToEvenRounding)
{
    EXPECT_EQ(DotsPerInchToPelsPerMeter(96), 3780);
    EXPECT_EQ(DotsPerInchToPelsPerMeter(72), 2835);
    EXPECT_EQ(PelsPerMeterToDotsPerInch(3780), 96);
    EXPECT_EQ(PelsPerMeterToDotsPerInch(0), 0);
    EXPECT_EQ(PelsPerMeterToDotsPerInch(-3780), 0);          // out of range reads as 0
    EXPECT_EQ(PelsPerMeterToDotsPerInch(2147483647), 0);
}

namespace {
// A file class whose "files" hold a count byte and then one grey byte per image.
class TCountingGraphic : public TDibGraphic {
    BORVANE_GRAPHIC_CLASS(TCountingGraphic)
public:
    int GetImageCount(TStream &stream) override
    {
        uint8_t n = 0;
        stream.ReadBuffer(&n, 1);
        return n;
    }
    void LoadImageFromStream(TStream &stream, int imageIndex) override
    {
        uint8_t n = 0;
        stream.ReadBuffer(&n, 1);
        stream.Seek(imageIndex - 1, TSeekOrigin::soCurrent);
        uint8_t grey = 0;
        stream.ReadBuffer(&grey, 1);
        NewImage(imageIndex, 1, ifGray256, nullptr, 96, 96);
        SetPixelIndex(0, 0, grey);
    }
};
} // namespace

TEST(DibGraphic, LoadFromStreamDispatchesSingleAndMultiImageLoads)
{
    const uint8_t three[] = {3, 10, 20, 30};
    {
        TMemoryStream s(std::vector<uint8_t>(three, three + 4));
        TCountingGraphic g;
        g.ImageIndex = 2;
        g.LoadFromStream(s);
        EXPECT_EQ(g.FrameCount(), 0);
        EXPECT_EQ(g.GetPixelIndex(0, 0), 20u);
        EXPECT_EQ(g.CurrentFrame(), -1);
    }
    {
        TMemoryStream s(std::vector<uint8_t>(three, three + 4));
        TCountingGraphic g;
        int changes = 0;
        g.OnChange = [&](TDibGraphic *) { ++changes; };
        g.LoadAllImages = true;
        g.LoadFromStream(s);
        ASSERT_EQ(g.FrameCount(), 3);
        EXPECT_STREQ(g.GetFrame(3).ClassName(), "TCountingGraphic");
        EXPECT_EQ(g.GetFrame(3).GetPixelIndex(0, 0), 30u);
        EXPECT_EQ(g.CurrentFrame(), 1);
        EXPECT_EQ(g.Width(), 1);
        EXPECT_EQ(changes, 1);
        g.ShowFrame(1); // already shown: nothing happens
        EXPECT_EQ(changes, 1);
        g.ShowFrame(3);
        EXPECT_EQ(g.Width(), 3);
        EXPECT_EQ(g.CurrentFrame(), 3);
        EXPECT_EQ(changes, 2);
        for (int bad : {0, 4}) {
            try {
                g.ShowFrame(bad);
                ADD_FAILURE();
            } catch (const EVantrelError &e) {
                EXPECT_EQ(std::string(e.what()), "Frame " + std::to_string(bad) + " does not exist");
            }
            EXPECT_THROW(g.GetFrame(bad), EVantrelError);
        }
    }
    {
        const uint8_t one[] = {1, 42};
        TMemoryStream s(std::vector<uint8_t>(one, one + 2));
        TCountingGraphic g;
        g.LoadAllImages = true;
        g.LoadFromStream(s);
        EXPECT_EQ(g.FrameCount(), 0);
        EXPECT_FALSE(g.LoadAllImages);
        EXPECT_EQ(g.GetPixelIndex(0, 0), 42u);
    }
}

TEST(DibGraphic, AppendToStreamNamesTheClass)
{
    TCountingGraphic g;
    TMemoryStream s;
    try {
        g.AppendToStream(s);
        FAIL();
    } catch (const EVantrelError &e) {
        EXPECT_STREQ(e.what(), "The TCountingGraphic format does not support multiple images");
    }
    EXPECT_EQ(g.GraphicClass()->Create()->GraphicClass(), GraphicClassOf<TCountingGraphic>());
}

TEST(DibGraphic, CanvasPaintsInPictureCoordinatesIntoTheDibRows)
{
    TDibGraphic g;
    g.NewImage(4, 3, ifRgb24, nullptr, 96, 96);
    QPainter *p = g.Canvas();
    ASSERT_NE(p, nullptr);
    p->fillRect(QRect(0, 0, 1, 1), QColor(255, 0, 0)); // top-left pixel
    p->fillRect(QRect(3, 2, 1, 1), QColor(0, 0, 255)); // bottom-right pixel
    EXPECT_EQ(g.GetPixelRgb(0, 0), 0xFF0000u);
    EXPECT_EQ(g.GetPixelRgb(3, 2), 0x0000FFu);
    EXPECT_EQ(g.ScanLine(0)[2], 0xFF);
    EXPECT_EQ(g.Bits()[9], 0xFF); // bottom row is first in memory
    EXPECT_EQ(g.GetPixelRgb(1, 1), 0u);

    TDibGraphic pal;
    pal.NewImage(4, 3, ifGray256, nullptr, 96, 96);
    EXPECT_EQ(pal.Canvas(), nullptr);
    EXPECT_EQ(pal.MemoryView().bits(), pal.Bits());
}

TEST(DibGraphic, LoadFromQImageMapsDepthsToFormats)
{
    QImage mono(9, 2, QImage::Format_MonoLSB);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.fill(0);
    mono.setPixel(8, 0, 1);
    mono.setDotsPerMeterX(3780);
    mono.setDotsPerMeterY(3000000); // beyond 65535 dots per inch: the screen's instead

    TDibGraphic g;
    g.LoadFromQImage(mono);
    EXPECT_EQ(g.ImageFormat(), ifBlackWhite);
    EXPECT_EQ(g.GetPixelIndex(8, 0), 1u);
    EXPECT_EQ(g.GetPixelIndex(7, 0), 0u);
    EXPECT_EQ(g.GetPixelRgb(8, 0), 0u);
    EXPECT_EQ(g.XDotsPerInch(), 96);
    EXPECT_EQ(g.YDotsPerInch(), ScreenLogicalDpiY());

    QImage grey(3, 1, QImage::Format_Grayscale8);
    grey.fill(0);
    grey.scanLine(0)[1] = 77;
    g.LoadFromQImage(grey);
    EXPECT_EQ(g.ImageFormat(), ifColor256); // 8-bit bitmaps become colour, never grey
    EXPECT_EQ(g.GetPixelRgb(1, 0), Rgb(77, 77, 77));

    QImage argb(2, 2, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 20, 30, 255));
    argb.setPixel(1, 1, qRgba(200, 100, 50, 255));
    g.LoadFromQImage(argb);
    EXPECT_EQ(g.ImageFormat(), ifRgb24);
    EXPECT_EQ(g.GetPixelRgb(1, 1), Rgb(200, 100, 50));
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(10, 20, 30));

    EXPECT_THROW(g.LoadFromQImage(QImage()), EInvalidGraphic);
}
