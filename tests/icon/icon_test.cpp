// Reading and writing Windows icon files.
#include "formats/icongraphic.h"
#include "image/registry.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QIcon>
#include <QImage>

#include <cstring>
#include <functional>
#include <vector>

namespace {

QString Data(const char *name) { return QString(BORVANE_TEST_DATA) + "/icon/" + name; }

void Put(std::vector<uint8_t> &v, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        v.push_back(uint8_t(value >> (8 * i)));
}

// One BMP entry of a synthetic icon, filled with a single colour (index 1 of
// a two-entry table for palette depths).
struct EntrySpec {
    int width, height, bits;
    uint32_t rgb;
    uint8_t alpha = 255;
};

std::vector<uint8_t> EntryData(const EntrySpec &e)
{
    std::vector<uint8_t> d;
    Put(d, 40, 4);
    Put(d, uint32_t(e.width), 4);
    Put(d, uint32_t(2 * e.height), 4);
    Put(d, 1, 2);
    Put(d, uint32_t(e.bits), 2);
    for (int i = 0; i < 6; ++i)
        Put(d, 0, 4);
    const uint8_t r = uint8_t(e.rgb >> 16), g = uint8_t(e.rgb >> 8), b = uint8_t(e.rgb);
    if (e.bits <= 8) {
        const int n = 1 << e.bits;
        for (int i = 0; i < n; ++i)
            Put(d, i == 1 ? e.rgb : 0, 4);
    }
    const int stride = ((e.width * e.bits + 31) / 32) * 4;
    for (int y = 0; y < e.height; ++y) {
        std::vector<uint8_t> row(size_t(stride), 0);
        for (int x = 0; x < e.width; ++x) {
            switch (e.bits) {
            case 1: row[size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7)); break;
            case 4: row[size_t(x >> 1)] |= uint8_t((x & 1) ? 0x01 : 0x10); break;
            case 8: row[size_t(x)] = 1; break;
            case 16: {
                const uint16_t v = uint16_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
                row[size_t(2 * x)] = uint8_t(v);
                row[size_t(2 * x + 1)] = uint8_t(v >> 8);
                break;
            }
            case 24: {
                const uint8_t px[] = {b, g, r};
                std::memcpy(&row[size_t(3 * x)], px, 3);
                break;
            }
            case 32: {
                const uint8_t px[] = {b, g, r, e.alpha};
                std::memcpy(&row[size_t(4 * x)], px, 4);
                break;
            }
            }
        }
        d.insert(d.end(), row.begin(), row.end());
    }
    d.resize(d.size() + size_t(((e.width + 31) / 32) * 4 * e.height), 0); // opaque mask
    return d;
}

std::vector<uint8_t> BuildIco(const std::vector<EntrySpec> &entries)
{
    std::vector<uint8_t> file;
    Put(file, 0, 2);
    Put(file, 1, 2);
    Put(file, uint32_t(entries.size()), 2);
    std::vector<uint8_t> images;
    for (const EntrySpec &e : entries) {
        const std::vector<uint8_t> data = EntryData(e);
        file.push_back(uint8_t(e.width & 0xFF));
        file.push_back(uint8_t(e.height & 0xFF));
        Put(file, 0, 2);
        Put(file, 1, 2);
        Put(file, uint32_t(e.bits), 2);
        Put(file, uint32_t(data.size()), 4);
        Put(file, uint32_t(6 + 16 * entries.size() + images.size()), 4);
        images.insert(images.end(), data.begin(), data.end());
    }
    file.insert(file.end(), images.begin(), images.end());
    return file;
}

void Load(TDibGraphic &g, std::vector<uint8_t> bytes)
{
    TMemoryStream stream(std::move(bytes));
    g.LoadFromStream(stream);
}

int MaxDifference(TDibGraphic &g, const QImage &reference)
{
    int worst = 0;
    for (int y = 0; y < g.Height(); ++y)
        for (int x = 0; x < g.Width(); ++x) {
            const uint32_t a = g.GetPixelRgb(x, y);
            const QRgb b = reference.pixel(x, y);
            worst = std::max({worst, std::abs(int(a >> 16) - qRed(b)), std::abs(int((a >> 8) & 0xFF) - qGreen(b)),
                              std::abs(int(a & 0xFF) - qBlue(b))});
        }
    return worst;
}

} // namespace

// The references are the icon's PNG renderings put on black by ImageMagick
// (or, for the palette entries, the very PNGs the entries were made from);
// 1 level of difference allows for rounding colour times alpha.
TEST(IconRead, FilesWrittenByImageMagickMatchTheirPngRenderings)
{
    const struct {
        const char *file, *reference;
        int size, tolerance;
    } cases[] = {
        {"multi.ico", "ref32_on_black.png", 32, 1}, // 16, 32, 48 (32 bits) and 256 (PNG): the 32 is taken
        {"d4.ico", "c16.png", 32, 0},
        {"d8.ico", "c256.png", 32, 0},
        {"png256.ico", "ref256_on_black.png", 256, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        TIconGraphic icon;
        icon.LoadFromFile(Data(c.file));
        ASSERT_EQ(icon.ImageFormat(), ifRgb24);
        ASSERT_EQ(icon.Width(), c.size);
        ASSERT_EQ(icon.Height(), c.size);
        EXPECT_EQ(icon.XDotsPerInch(), ScreenLogicalDpiX());
        const QImage reference(Data(c.reference));
        ASSERT_FALSE(reference.isNull());
        EXPECT_LE(MaxDifference(icon, reference), c.tolerance);
    }
    // The drawing leaves its corners transparent: they read black.
    TIconGraphic icon;
    icon.LoadFromFile(Data("multi.ico"));
    EXPECT_EQ(icon.GetPixelRgb(0, 0), 0u);
    EXPECT_EQ(icon.GetPixelRgb(31, 31), 0u);
}

TEST(IconRead, EveryDepthAndTheEntryNearest32AtTheGreatestDepth)
{
    const struct {
        const char *name;
        std::vector<EntrySpec> entries;
        int size;
        uint32_t colour;
    } cases[] = {
        {"1 bit", {{32, 32, 1, 0x123456}}, 32, 0x123456},
        {"4 bits", {{5, 3, 4, 0xABCDEF}}, 5, 0xABCDEF},
        {"8 bits", {{7, 9, 8, 0x010203}}, 7, 0x010203},
        {"16 bits", {{2, 2, 16, 0xF8F800}}, 2, 0xFFFF00},
        {"24 bits", {{3, 3, 24, 0x405060}}, 3, 0x405060},
        {"32 bits half transparent", {{4, 4, 32, 0xC86432, 128}}, 4, 0x643219},
        {"32 bits without alpha use the mask", {{4, 4, 32, 0xC86432, 0}}, 4, 0xC86432},
        {"nearest size wins over depth",
         {{16, 16, 32, 0x111111}, {32, 32, 4, 0x222222}, {48, 48, 32, 0x333333}}, 32, 0x222222},
        {"greatest depth among equally near",
         {{32, 32, 8, 0x111111}, {32, 32, 24, 0x222222}, {32, 32, 4, 0x333333}}, 32, 0x222222},
        {"equally near from both sides: deeper", {{24, 24, 8, 0x111111}, {40, 40, 32, 0x222222}}, 40, 0x222222},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TIconGraphic icon;
        Load(icon, BuildIco(c.entries));
        ASSERT_EQ(icon.Width(), c.size);
        EXPECT_EQ(icon.GetPixelRgb(0, 0), c.colour);
        EXPECT_EQ(icon.GetPixelRgb(c.size - 1, icon.Height() - 1), c.colour);
    }
}

TEST(IconRead, BrokenFilesAreRefusedAndThePreviousImageStays)
{
    const std::vector<uint8_t> good = BuildIco({{8, 8, 8, 0x808080}});
    auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> f = good;
        std::copy(bytes.begin(), bytes.end(), f.begin() + ptrdiff_t(at));
        return f;
    };
    auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(size)); };

    const struct {
        const char *name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"directory only", cut(6)},
        {"reserved not 0", patched(0, {1})},
        {"not an icon or cursor", patched(2, {3})},
        {"no entries", patched(4, {0, 0})},
        {"more entries than the file holds", patched(4, {0xFF, 0xFF})},
        {"image offset beyond the file", patched(6 + 12, {0xFF, 0xFF, 0, 0})},
        {"pixels cut short", cut(good.size() - 8 * 4 - 10)},
        {"2 bits per pixel", patched(22 + 14, {2})},
        {"compressed", patched(22 + 16, {1})},
        {"header smaller than 40", patched(22, {12})},
        {"width beyond the limit", patched(22 + 4, {0, 0, 0, 0x40})},
        {"negative width", patched(22 + 4, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"height 0", patched(22 + 8, {0, 0, 0, 0})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TIconGraphic icon;
        icon.NewImage(2, 2, ifGray16, nullptr, 0, 0);
        try {
            Load(icon, c.bytes);
            FAIL() << "no exception";
        } catch (const EInvalidGraphic &e) {
            EXPECT_STREQ(e.what(), "Icon image is not valid");
        }
        EXPECT_EQ(icon.Width(), 2);
    }
}

TEST(IconRead, APngEntryThatIsNotAPngIsRefused)
{
    std::vector<uint8_t> f = BuildIco({{8, 8, 8, 0x808080}});
    const uint8_t sig[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 8, 0, 0, 0, 8};
    std::memcpy(f.data() + 22, sig, sizeof sig);
    TIconGraphic icon;
    EXPECT_THROW(Load(icon, f), EInvalidGraphic);
    EXPECT_TRUE(icon.Empty());
}

TEST(IconWrite, ALargeImageGivesItsTopLeft32x32Opaque)
{
    TDibGraphic image;
    image.NewImage(100, 100, ifRgb24, nullptr, 0, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            image.SetPixelRgb(x, y, Rgb(uint8_t(x * 2), uint8_t(y * 2), uint8_t(x + y)));
    TIconGraphic icon;
    icon.Assign(&image);
    TMemoryStream out;
    icon.SaveToStream(out);

    // One 32 x 32 entry of 24 bits, its mask all zero (opaque).
    const uint8_t *p = out.Memory();
    ASSERT_EQ(out.Size(), 6 + 16 + 40 + 32 * 96 + 32 * 4);
    EXPECT_EQ(p[4], 1);
    EXPECT_EQ(p[6], 32);
    EXPECT_EQ(p[7], 32);
    for (int64_t i = out.Size() - 128; i < out.Size(); ++i)
        ASSERT_EQ(p[i], 0) << i;

    // Qt's own icon reader sees the same pixels, every one opaque.
    const QImage read = QImage::fromData(out.RawByteArray(), "ICO");
    ASSERT_EQ(read.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(qAlpha(read.pixel(x, y)), 255);
            ASSERT_EQ(read.pixel(x, y) & 0xFFFFFF, image.GetPixelRgb(x, y)) << x << "," << y;
        }

    // And our reader gets it back unchanged.
    TIconGraphic again;
    out.SetPosition(0);
    again.LoadFromStream(out);
    ASSERT_EQ(again.Width(), 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(again.GetPixelRgb(x, y), image.GetPixelRgb(x, y));
}

TEST(IconWrite, ASmallerPaletteImageLeavesTheRestBlack)
{
    TDibGraphic image;
    image.NewImage(10, 5, ifColor16, nullptr, 0, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            image.SetPixelIndex(x, y, 12);
    TMemoryStream out;
    WriteIcon(image, out);
    TIconGraphic icon;
    out.SetPosition(0);
    icon.LoadFromStream(out);
    ASSERT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.GetPixelRgb(9, 4), Rgb(255, 85, 85));
    EXPECT_EQ(icon.GetPixelRgb(10, 4), 0u);
    EXPECT_EQ(icon.GetPixelRgb(9, 5), 0u);
}

TEST(IconRegistration, RegistersOnceAndLetsImagesBecomePlatformIcons)
{
    RegisterIconGraphic();
    RegisterIconGraphic();
    EXPECT_EQ(GraphicClassForFile("logo.Ico"), GraphicClassOf<TIconGraphic>());
    EXPECT_EQ(GraphicFilter().count("Windows icon (*.ico)"), 1);

    TDibGraphic image;
    image.NewImage(40, 40, ifBlackWhite, nullptr, 0, 0);
    image.SetPixelIndex(1, 1, 1);
    QIcon icon;
    image.AssignTo(icon);
    const QImage shown = icon.pixmap(32, 32).toImage();
    ASSERT_EQ(shown.size(), QSize(32, 32));
    EXPECT_EQ(shown.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 255);
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
