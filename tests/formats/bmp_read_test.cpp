#include "bmpbuilder.h"
#include "formats/bitmapgraphic.h"
#include "formats/gbmglue.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TMemoryStream StreamOf(const std::vector<uint8_t> &bytes) { return TMemoryStream(std::vector<uint8_t>(bytes)); }

// Reads through the frame only (no fallback), with the options TBitmapGraphic uses.
void FrameRead(const std::vector<uint8_t> &bytes, TDibGraphic &g, const char *options = "inv")
{
    TMemoryStream s = StreamOf(bytes);
    GbmReadGraphic(s, g, "File.bmp", options);
}

void BitmapRead(const std::vector<uint8_t> &bytes, TBitmapGraphic &g)
{
    TMemoryStream s = StreamOf(bytes);
    g.LoadImageFromStream(s, 1);
}

std::vector<uint8_t> Quads(std::initializer_list<uint32_t> colours)
{
    std::vector<uint8_t> t;
    for (uint32_t c : colours)
        Put(t, c, 4); // 0x00RRGGBB little-endian is blue, green, red, 0
    return t;
}

std::vector<uint8_t> Row(const TDibGraphic &g, int y)
{
    return {g.ScanLine(y), g.ScanLine(y) + g.BytesPerLine()};
}

} // namespace

TEST(BmpRead, OneBitColourTableKeepsFileOrder)
{
    BmpSpec s;
    s.width = 3;
    s.bpp = 1;
    s.colourTable = Quads({0xFFFFFF, 0x000000});
    s.data = {0x40, 0, 0, 0}; // pixel 1 set
    TBitmapGraphic g;
    BitmapRead(BuildBmp(s), g);
    EXPECT_EQ(g.ImageFormat(), ifBlackWhite);
    EXPECT_EQ(g.LogPalette().palNumEntries, 2);
    EXPECT_EQ(g.GetPixelRgb(0, 0), 0xFFFFFFu);
    EXPECT_EQ(g.GetPixelRgb(1, 0), 0x000000u);

    // Without "inv" the frame exchanges entries 0 and 1.
    TDibGraphic plain;
    FrameRead(BuildBmp(s), plain, "");
    EXPECT_EQ(plain.GetPixelRgb(0, 0), 0x000000u);
    EXPECT_EQ(plain.GetPixelRgb(1, 0), 0xFFFFFFu);
    // "invb" inverts the pixel bytes.
    FrameRead(BuildBmp(s), plain, "inv,invb");
    EXPECT_EQ(plain.GetPixelIndex(0, 0), 1u);
    EXPECT_EQ(plain.GetPixelIndex(1, 0), 0u);
}

TEST(BmpRead, ColoursUsedBelowTheFullTableLeavesTheRestBlack)
{
    BmpSpec s;
    s.width = 4;
    s.bpp = 8;
    s.clrUsed = 100;
    std::vector<uint8_t> table;
    for (int i = 0; i < 100; ++i)
        Put(table, Rgb(uint8_t(i), 10, 200), 4);
    s.colourTable = table;
    s.data = {99, 0, 5, 0};
    TBitmapGraphic g;
    BitmapRead(BuildBmp(s), g);
    EXPECT_EQ(g.ImageFormat(), ifColor256);
    EXPECT_EQ(g.LogPalette().palNumEntries, 256);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(99, 10, 200));
    EXPECT_EQ(g.GetPixelRgb(2, 0), Rgb(5, 10, 200));
    for (int i = 100; i < 256; ++i)
        ASSERT_EQ(std::memcmp(&g.LogPalette().palPalEntry[i], "\0\0\0\0", 4), 0) << i;
}

TEST(BmpRead, Os2HeaderWithThreeByteColourTable)
{
    BmpSpec s;
    s.cbFix = 12;
    s.width = 2;
    s.height = 2;
    s.bpp = 4;
    for (int i = 0; i < 16; ++i) {
        s.colourTable.push_back(uint8_t(i));      // blue
        s.colourTable.push_back(uint8_t(2 * i));  // green
        s.colourTable.push_back(uint8_t(3 * i));  // red
    }
    s.data = {0x12, 0, 0, 0, 0xF0, 0, 0, 0}; // bottom row first
    TBitmapGraphic g;
    BitmapRead(BuildBmp(s), g);
    EXPECT_EQ(g.ImageFormat(), ifColor16);
    EXPECT_EQ(g.GetPixelRgb(0, 1), Rgb(3, 2, 1));
    EXPECT_EQ(g.GetPixelRgb(1, 1), Rgb(6, 4, 2));
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(45, 30, 15));
}

TEST(BmpRead, BitmapArrayReadsItsFirstBitmap)
{
    BmpSpec s;
    s.width = 1;
    s.data = {1, 2, 3, 0};
    std::vector<uint8_t> bm = BuildBmp(s);
    std::vector<uint8_t> file = {'B', 'A'};
    Put(file, 40, 4); // size of this array header
    Put(file, 0, 4);  // no next bitmap
    Put(file, 0, 4);  // display size
    // Pixel offsets count from the start of the stream.
    const uint32_t offset = 14 + 14 + 40;
    bm[10] = uint8_t(offset);
    file.insert(file.end(), bm.begin(), bm.end());
    TDibGraphic g;
    FrameRead(file, g);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(3, 2, 1));
}

TEST(BmpRead, HeaderSizesTheFrameAccepts)
{
    const struct {
        uint32_t cbFix;
        bool accepted;
    } cases[] = {{12, true},  {16, true},  {20, true}, {40, true},  {42, true}, {44, false},
                 {46, true},  {64, true},  {14, false}, {8, false}, {66, false}, {124, false}};
    for (const auto &c : cases) {
        BmpSpec s;
        s.cbFix = c.cbFix;
        s.width = 1;
        s.data = {10, 20, 30, 0};
        const std::vector<uint8_t> bytes = BuildBmp(s);
        TMemoryStream st = StreamOf(bytes);
        GBM gbm{};
        const GBM_ERR rc = gbm_read_header("File.bmp", &st, 0, &gbm, "");
        EXPECT_EQ(rc, c.accepted ? GBM_ERR_OK : GBM_ERR_BMP_CBFIX) << c.cbFix;
        if (c.accepted) {
            TDibGraphic g;
            FrameRead(bytes, g);
            EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(30, 20, 10)) << c.cbFix;
        }
    }
}

TEST(BmpRead, HeaderChecksAnswerTheirCodes)
{
    const struct {
        const char *what;
        BmpSpec spec;
        GBM_ERR rc;
    } cases[] = {
        {"width 0", {.width = 0}, GBM_ERR_BAD_SIZE},
        {"height 0", {.height = 0}, GBM_ERR_BAD_SIZE},
        {"planes 2", {.planes = 2}, GBM_ERR_BMP_PLANES},
        {"16 bits", {.bpp = 16}, GBM_ERR_BMP_BITCOUNT},
        {"32 bits", {.bpp = 32}, GBM_ERR_BMP_BITCOUNT},
        {"2 bits", {.bpp = 2}, GBM_ERR_BMP_BITCOUNT},
        {"os2 planes", {.cbFix = 12, .planes = 0}, GBM_ERR_BMP_PLANES},
        {"data missing", {.width = 1000, .height = 1000}, GBM_ERR_READ},
    };
    for (const auto &c : cases) {
        const std::vector<uint8_t> bytes = BuildBmp(c.spec);
        TMemoryStream st = StreamOf(bytes);
        GBM gbm{};
        EXPECT_EQ(gbm_read_header("File.bmp", &st, 0, &gbm, ""), c.rc) << c.what;
    }
    std::vector<uint8_t> bad = BuildBmp({});
    bad[1] = 'X';
    TMemoryStream st = StreamOf(bad);
    GBM gbm{};
    EXPECT_EQ(gbm_read_header("File.bmp", &st, 0, &gbm, ""), GBM_ERR_BAD_MAGIC);
    const std::vector<uint8_t> whole = BuildBmp({});
    for (size_t cut : {0, 1, 5, 17, 20, 30}) {
        TMemoryStream shortStream = StreamOf(std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
        EXPECT_EQ(gbm_read_header("File.bmp", &shortStream, 0, &gbm, ""), GBM_ERR_READ) << cut;
    }
    BmpSpec bitfields;
    bitfields.compression = 3;
    bitfields.data = {0, 0, 0, 0};
    TMemoryStream bf = StreamOf(BuildBmp(bitfields));
    ASSERT_EQ(gbm_read_header("File.bmp", &bf, 0, &gbm, ""), GBM_ERR_OK);
    uint8_t px[4];
    EXPECT_EQ(gbm_read_data(&bf, 0, &gbm, px), GBM_ERR_BMP_COMP);
}

TEST(BmpRead, Rle8DecodesRunsEscapesAndCutsOverflows)
{
    const struct {
        const char *what;
        int width, height;
        std::vector<uint8_t> data;
        std::vector<uint8_t> bottom, top;
    } cases[] = {
        {"run, end of line, end of bitmap", 4, 2, {3, 5, 0, 0, 0, 1}, {5, 5, 5, 0}, {0, 0, 0, 0}},
        {"absolute with pad byte", 4, 2, {0, 3, 7, 8, 9, 0xEE, 0, 0, 1, 4}, {7, 8, 9, 0}, {4, 0, 0, 0}},
        {"delta into the top row", 4, 2, {0, 2, 1, 1, 2, 6, 0, 1}, {0, 0, 0, 0}, {0, 6, 6, 0}},
        {"truncated after the first row", 4, 2, {4, 9, 0, 0, 2}, {9, 9, 9, 9}, {0, 0, 0, 0}},
        {"run past the end of the memory", 4, 2, {255, 3}, {3, 3, 3, 3}, {3, 3, 3, 3}},
        {"absolute past the end", 4, 1, {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"delta past the end", 4, 2, {0, 2, 255, 255, 7, 7}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"end of line past the last row", 4, 1, {1, 1, 0, 0, 0, 0, 2, 2}, {1, 0, 0, 0}, {1, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        BmpSpec s;
        s.width = c.width;
        s.height = c.height;
        s.bpp = 8;
        s.compression = 1;
        s.colourTable = Quads({0});
        s.clrUsed = 1;
        s.data = c.data;
        TDibGraphic g;
        ASSERT_NO_THROW(FrameRead(BuildBmp(s), g)) << c.what;
        EXPECT_EQ(Row(g, c.height - 1), c.bottom) << c.what;
        EXPECT_EQ(Row(g, 0), c.top) << c.what;
    }
}

TEST(BmpRead, Rle4DecodesNibblesAtOddAndEvenColumns)
{
    const struct {
        const char *what;
        int width, height;
        std::vector<uint8_t> data;
        std::vector<uint8_t> bottom, top;
    } cases[] = {
        // one column right, then three pixels 1 2 1: pixels 0, 1, 2, 1
        {"delta then run", 4, 1, {0, 2, 1, 0, 3, 0x12}, {0x01, 0x21, 0, 0}, {0x01, 0x21, 0, 0}},
        {"absolute on even column", 4, 2, {0, 3, 0x12, 0x30, 0, 0, 2, 0xAB, 0, 1}, {0x12, 0x30, 0, 0}, {0xAB, 0, 0, 0}},
        {"absolute on odd column", 6, 1, {1, 0xF0, 0, 4, 0x12, 0x34}, {0xF1, 0x23, 0x40, 0}, {0xF1, 0x23, 0x40, 0}},
        {"truncated", 4, 2, {4, 0x56, 0, 0, 0}, {0x56, 0x56, 0, 0}, {0, 0, 0, 0}},
        {"run past the end", 2, 1, {255, 0x77}, {0x77, 0x77, 0x77, 0x77}, {0x77, 0x77, 0x77, 0x77}},
        {"absolute past the end", 2, 1, {0, 20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 2, 3, 4}, {1, 2, 3, 4}},
    };
    for (const auto &c : cases) {
        BmpSpec s;
        s.width = c.width;
        s.height = c.height;
        s.bpp = 4;
        s.compression = 2;
        s.data = c.data;
        s.colourTable = Quads({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
        TDibGraphic g;
        ASSERT_NO_THROW(FrameRead(BuildBmp(s), g)) << c.what;
        EXPECT_EQ(Row(g, c.height - 1), c.bottom) << c.what;
        EXPECT_EQ(Row(g, 0), c.top) << c.what;
    }
    // The worked example: pixels 0, 1, 2, 1.
    BmpSpec s;
    s.width = 4;
    s.bpp = 4;
    s.compression = 2;
    s.colourTable = Quads({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    s.data = {0, 2, 1, 0, 3, 0x12};
    TDibGraphic g;
    FrameRead(BuildBmp(s), g);
    EXPECT_EQ(g.GetPixelIndex(0, 0), 0u);
    EXPECT_EQ(g.GetPixelIndex(1, 0), 1u);
    EXPECT_EQ(g.GetPixelIndex(2, 0), 2u);
    EXPECT_EQ(g.GetPixelIndex(3, 0), 1u);
}

TEST(BmpRead, VariantsTheFrameRefusesGoThroughQt)
{
    // 16 bits, 5-5-5: pure red and pure blue.
    BmpSpec s16;
    s16.width = 2;
    s16.bpp = 16;
    s16.data = {0x00, 0x7C, 0x1F, 0x00};
    // 32 bits: blue, green, red, unused.
    BmpSpec s32;
    s32.width = 2;
    s32.bpp = 32;
    s32.xppm = 11811;
    s32.data = {0x10, 0x20, 0x30, 0, 0xFF, 0xFE, 0xFD, 0};
    // Top-down rows (negative height).
    BmpSpec down;
    down.width = 1;
    down.height = -2;
    down.data = {1, 2, 3, 0, 4, 5, 6, 0};

    TBitmapGraphic g;
    BitmapRead(BuildBmp(s16), g);
    EXPECT_EQ(g.ImageFormat(), ifRgb24);
    // Five-bit components are widened by a shift, as the platform does: 31 -> 248.
    EXPECT_EQ(g.GetPixelRgb(0, 0), 0xF80000u);
    EXPECT_EQ(g.GetPixelRgb(1, 0), 0x0000F8u);

    BitmapRead(BuildBmp(s32), g);
    EXPECT_EQ(g.ImageFormat(), ifRgb24);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(0x30, 0x20, 0x10));
    EXPECT_EQ(g.GetPixelRgb(1, 0), Rgb(0xFD, 0xFE, 0xFF));
    EXPECT_EQ(g.XDotsPerInch(), 300); // from offset 38, whichever reader read it

    BitmapRead(BuildBmp(down), g);
    EXPECT_EQ(g.Height(), 2);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(3, 2, 1));
    EXPECT_EQ(g.GetPixelRgb(0, 1), Rgb(6, 5, 4));
}

TEST(BmpRead, BadDataFailsCleanly)
{
    const std::vector<std::vector<uint8_t>> inputs = {
        {},
        {'B', 'M'},
        {'x', 'y', 'z'},
        BuildBmp({.width = 60000, .height = 60000}),     // claims 10 GB, holds 4 bytes
        BuildBmp({.cbFix = 12, .width = 65535, .height = 65535, .bpp = 1}),
    };
    for (const auto &bytes : inputs) {
        TBitmapGraphic g;
        TMemoryStream s = StreamOf(bytes);
        EXPECT_THROW(g.LoadImageFromStream(s, 1), Exception) << bytes.size();
    }
}

TEST(BmpRead, ReadsFromTheStreamsPositionAndTakesTheResolution)
{
    BmpSpec s;
    s.width = 1;
    s.xppm = 2835; // 72 dpi
    s.yppm = 3937; // 99.99 -> 100
    s.data = {7, 8, 9, 0};
    std::vector<uint8_t> bytes = {'j', 'u', 'n', 'k'};
    const std::vector<uint8_t> bmp = BuildBmp(s);
    bytes.insert(bytes.end(), bmp.begin(), bmp.end());
    TMemoryStream st = StreamOf(bytes);
    st.SetPosition(4);
    TBitmapGraphic g;
    g.LoadImageFromStream(st, 1);
    EXPECT_EQ(g.GetPixelRgb(0, 0), Rgb(9, 8, 7));
    EXPECT_EQ(g.XDotsPerInch(), 72);
    EXPECT_EQ(g.YDotsPerInch(), 100);
}

TEST(GbmReadGraphic, ReportsEachStepWithItsFixedMessage)
{
    BmpSpec bitfields;
    bitfields.compression = 3;
    bitfields.data = {0, 0, 0, 0};
    BmpSpec noPalette; // 8 bits, but the colour table is missing
    noPalette.bpp = 8;
    noPalette.data = {0, 0, 0, 0};
    const struct {
        const char *fileName;
        std::vector<uint8_t> bytes;
        const char *message;
    } cases[] = {
        {"File.xyz", BuildBmp({}), "gbm_guess_filetype failed."},
        {"File.bmp", {'B', 'M', 0}, "gbm_read_header failed."},
        {"File.bmp", BuildBmp(noPalette), "gbm_read_header failed."},
        {"File.bmp", BuildBmp(bitfields), "gbm_read_data failed."},
        {"File.pcx", BuildBmp({}), "gbm_read_header failed."}, // codec not written yet
    };
    for (const auto &c : cases) {
        TMemoryStream s = StreamOf(c.bytes);
        TDibGraphic g;
        try {
            GbmReadGraphic(s, g, c.fileName, "inv");
            ADD_FAILURE() << c.message;
        } catch (const EGbmError &e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}
