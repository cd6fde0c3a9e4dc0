#include "bmpbuilder.h"
#include "formats/bitmapgraphic.h"
#include "formats/formats.h"
#include "image/registry.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <random>

namespace {

uint32_t Get32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

std::vector<uint8_t> Write(TDibGraphic &g)
{
    TMemoryStream s;
    TBitmapGraphic bmp;
    bmp.Assign(&g);
    bmp.SaveToStream(s);
    return s.TakeBytes();
}

} // namespace

TEST(BmpWrite, OnePixelWhiteImageIsFiftyEightBytes)
{
    TDibGraphic g;
    g.NewImage(1, 1, ifRgb24, nullptr, 96, 96);
    g.SetPixelRgb(0, 0, 0xFFFFFF);
    const std::vector<uint8_t> bytes = Write(g);
    const uint8_t expected[58] = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,          // file header
        40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,        // size, width, height, planes, bits
        0, 0, 0, 0, 4, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, // compression, image size, 3780 x 2
        0, 0, 0, 0, 0, 0, 0, 0,                                  // colours used, important
        0xFF, 0xFF, 0xFF, 0};
    ASSERT_EQ(bytes.size(), 58u);
    EXPECT_EQ(std::memcmp(bytes.data(), expected, 58), 0);

    TBitmapGraphic back;
    TMemoryStream s{std::vector<uint8_t>(bytes)};
    back.LoadImageFromStream(s, 1);
    EXPECT_EQ(back.XDotsPerInch(), 96);
    EXPECT_EQ(back.YDotsPerInch(), 96);
    EXPECT_EQ(back.GetPixelRgb(0, 0), 0xFFFFFFu);
}

TEST(BmpWrite, EveryFormatRoundTripsWithItsPixelOffset)
{
    const struct {
        TImageFormat format;
        uint32_t offset;
        TImageFormat readBack; // grey formats come back as colour formats
    } cases[] = {{ifBlackWhite, 62, ifBlackWhite}, {ifGray16, 118, ifColor16}, {ifColor16, 118, ifColor16},
                 {ifGray256, 1078, ifColor256},    {ifColor256, 1078, ifColor256}, {ifRgb24, 54, ifRgb24}};
    std::mt19937 rng(42);
    for (const auto &c : cases) {
        SCOPED_TRACE(ImageFormatDescription(c.format));
        TDibGraphic g;
        g.NewImage(13, 5, c.format, nullptr, 300, 200);
        const int bits = ImageFormatBitCount(c.format);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) {
                if (bits == 24)
                    g.SetPixelRgb(x, y, rng() & 0xFFFFFF);
                else
                    g.SetPixelIndex(x, y, rng() % (1u << bits));
            }
        const std::vector<uint8_t> bytes = Write(g);
        EXPECT_EQ(Get32(&bytes[10]), c.offset);
        EXPECT_EQ(Get32(&bytes[2]), bytes.size());
        EXPECT_EQ(bytes.size(), c.offset + g.ImageSize());
        EXPECT_EQ(std::memcmp(&bytes[14], &g.BitmapInfo().bmiHeader, 40), 0);
        EXPECT_EQ(std::memcmp(&bytes[c.offset], g.Bits(), g.ImageSize()), 0);

        TBitmapGraphic back;
        TMemoryStream s{std::vector<uint8_t>(bytes)};
        back.LoadImageFromStream(s, 1);
        EXPECT_EQ(back.ImageFormat(), c.readBack);
        EXPECT_EQ(back.XDotsPerInch(), 300);
        EXPECT_EQ(back.YDotsPerInch(), 200);
        ASSERT_EQ(back.ImageSize(), g.ImageSize());
        EXPECT_EQ(std::memcmp(back.Bits(), g.Bits(), g.ImageSize()), 0);
        EXPECT_EQ(std::memcmp(back.LogPalette().palPalEntry, g.LogPalette().palPalEntry, 4 * g.LogPalette().palNumEntries), 0);
    }
}

TEST(BmpWrite, ColourTableFollowsThePaletteSize)
{
    TMaxLogPalette pal{};
    pal.palNumEntries = 100;
    for (int i = 0; i < 100; ++i)
        pal.palPalEntry[i] = {uint8_t(i), uint8_t(2 * i), 7, 0};
    TDibGraphic g;
    g.NewImage(3, 2, ifColor256, &pal, 96, 96);
    const std::vector<uint8_t> bytes = Write(g);
    EXPECT_EQ(Get32(&bytes[10]), 54u + 400u);
    EXPECT_EQ(Get32(&bytes[46]), 100u);
    EXPECT_EQ(bytes[54 + 4 * 99 + 0], 7);      // blue
    EXPECT_EQ(bytes[54 + 4 * 99 + 1], 198);    // green
    EXPECT_EQ(bytes[54 + 4 * 99 + 2], 99);     // red
    EXPECT_EQ(bytes.size(), 454u + 8u);
}

TEST(BmpWrite, EmptyImageIsRefused)
{
    TBitmapGraphic g;
    TMemoryStream s;
    EXPECT_THROW(g.SaveToStream(s), EVantrelError);
    EXPECT_EQ(s.Size(), 0);
}

TEST(BmpWrite, FilesRoundTripThroughTheRegistry)
{
    UnregisterFormats();
    EXPECT_EQ(GraphicClassForFile("BMP"), nullptr);
    RegisterStartupFormats();
    RegisterStartupFormats(); // a second start-up adds nothing
    RegisterBitmapGraphic();
    EXPECT_EQ(GraphicFilter(), QString("All images (*.bmp);;Bitmap file (*.bmp)"));

    QTemporaryDir dir;
    const QString name = dir.filePath("page.BMP");
    TDibGraphic g;
    g.NewImage(9, 3, ifBlackWhite, nullptr, 200, 200);
    g.SetPixelIndex(8, 2, 1);
    {
        std::unique_ptr<TDibGraphic> writer = CreateGraphicForFile("BMP");
        writer->Assign(&g);
        writer->SaveToFile(name);
    }
    std::unique_ptr<TDibGraphic> reader = CreateGraphicForFile(name);
    EXPECT_STREQ(reader->ClassName(), "TBitmapGraphic");
    reader->LoadAllImages = true; // one image: loaded singly
    reader->LoadFromFile(name);
    EXPECT_EQ(reader->FrameCount(), 0);
    EXPECT_EQ(reader->GetPixelIndex(8, 2), 1u);
    EXPECT_EQ(reader->GetPixelIndex(7, 2), 0u);
    EXPECT_EQ(reader->XDotsPerInch(), 200);
    UnregisterFormats();
}
