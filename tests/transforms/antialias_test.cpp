#include <gtest/gtest.h>

#include "transforms/antialias.h"

#include <cmath>
#include <random>
#include <vector>

namespace {

TEST(AntiAliasTableTest, KnownEntries)
{
    struct {
        uint8_t index;
        uint16_t entry;
    } const cases[] = {
        {0x00, 0x0000}, {0xFF, 0xFFFF}, {0xF0, 0x8888}, {0x0F, 0x8888},
        {0x80, 0x4000}, // one pixel of the first block: 3.75 -> 4
        {0x11, 0x008F}, // column 3 alone: both set -> 15; third block has 2 -> 8
        {0x10, 0x0048}, // column 3 half set: 7.5 -> 8 (half to even)
        {0xCC, 0xF800}, {0xE0, 0x8840},
        {0xEC, 0xFB40}, // three of four -> 11.25 -> 11
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "index 0x" << std::hex << int(c.index));
        EXPECT_EQ(AntiAliasTable[c.index], c.entry);
    }
}

void FillRow(TDibGraphic &g, int y, bool set)
{
    for (int x = 0; x < g.Width(); ++x)
        g.SetPixelIndex(x, y, set ? 1 : 0);
}

TEST(AntiAliasTransformTest, UpperRowSetLowerClear)
{
    TDibGraphic src, dst;
    src.NewImage(8, 2, ifBlackWhite, nullptr, 300, 300);
    FillRow(src, 0, true);
    FillRow(src, 1, false);
    TAntiAliasTransform t;
    t.ApplyOnDest(src, dst);
    ASSERT_EQ(dst.ImageFormat(), ifGray16);
    ASSERT_EQ(dst.Width(), 8);
    ASSERT_EQ(dst.Height(), 2);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(dst.GetPixelIndex(x, 0), 8u) << x;
        EXPECT_EQ(dst.GetPixelIndex(x, 1), 0u) << x; // last row is paired with itself
    }
    EXPECT_EQ(dst.XDotsPerInch(), 300);
    EXPECT_EQ(dst.YDotsPerInch(), 300);
    // The default 16-grey palette: level 15 is white.
    EXPECT_EQ(dst.LogPalette().palPalEntry[15].peRed, 255);
}

// The definition per pixel: inside each group of four columns, pixel k < 3
// averages the 2 x 2 block of columns k, k+1 of this row and the next (the
// last row pairs with itself); pixel 3 averages its own column only.
int ExpectedLevel(const TDibGraphic &src, int x, int y)
{
    const int y2 = y + 1 < src.Height() ? y + 1 : y;
    auto bit = [&](int xx, int yy) {
        // Columns beyond the width read the zero padding of the row.
        return xx < src.Width() ? int(src.GetPixelIndex(xx, yy)) : 0;
    };
    if (x % 4 == 3)
        return int(std::nearbyint(7.5 * (bit(x, y) + bit(x, y2))));
    return int(std::nearbyint(3.75 * (bit(x, y) + bit(x + 1, y) + bit(x, y2) + bit(x + 1, y2))));
}

TEST(AntiAliasTransformTest, MatchesThePerPixelDefinitionOnOddSizes)
{
    std::mt19937 rng(7);
    for (auto [w, h] : {std::pair{13, 7}, std::pair{10, 1}, std::pair{1, 3}, std::pair{33, 4}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        TDibGraphic src, dst;
        src.NewImage(w, h, ifBlackWhite, nullptr, 96, 96);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                src.SetPixelIndex(x, y, rng() & 1);
        TAntiAliasTransform t;
        t.ApplyOnDest(src, dst);
        ASSERT_EQ(dst.Width(), w);
        // n source bytes give 4 n destination bytes: exactly one 16-grey row.
        EXPECT_EQ(dst.BytesPerLine(), 4 * ((w + 7) / 8) + (4 * ((w + 7) / 8)) % 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(int(dst.GetPixelIndex(x, y)), ExpectedLevel(src, x, y)) << x << "," << y;
    }
}

TEST(AntiAliasTransformTest, ProgressRunsFromZeroToHundredOnce)
{
    TDibGraphic src, dst;
    src.NewImage(16, 5, ifBlackWhite, nullptr, 96, 96);
    TAntiAliasTransform t;
    std::vector<int> seen;
    t.OnProgress = [&](TImageTransform *s, uint8_t p) {
        EXPECT_EQ(s, &t);
        seen.push_back(p);
    };
    t.ApplyOnDest(src, dst);
    EXPECT_EQ(seen, (std::vector<int>{0, 25, 50, 75, 100}));
    seen.clear();
    t.ApplyOnDest(src, dst); // a second run starts afresh
    EXPECT_EQ(seen, (std::vector<int>{0, 25, 50, 75, 100}));
}

TEST(AntiAliasTransformTest, OtherFormatsAreCopiedOrLeftAlone)
{
    for (TImageFormat f : {ifGray16, ifGray256, ifColor16, ifColor256, ifRgb24}) {
        SCOPED_TRACE(ImageFormatDescription(f));
        TDibGraphic src, dst;
        src.NewImage(5, 3, f, nullptr, 96, 96);
        src.SetPixelRgb(2, 1, Rgb(255, 255, 255));
        const uint32_t before = src.GetPixelRgb(2, 1);
        TAntiAliasTransform t;
        int reports = 0;
        t.OnProgress = [&](TImageTransform *, uint8_t) { ++reports; };
        t.ApplyOnDest(src, dst);
        EXPECT_EQ(dst.ImageFormat(), f);
        EXPECT_EQ(dst.GetPixelRgb(2, 1), before);
        t.Apply(src);
        EXPECT_EQ(src.ImageFormat(), f);
        EXPECT_EQ(src.GetPixelRgb(2, 1), before);
        EXPECT_EQ(reports, 0);
    }
}

TEST(AntiAliasTransformTest, ApplyInPlaceAndOntoItself)
{
    TDibGraphic a, b;
    for (TDibGraphic *g : {&a, &b}) {
        g->NewImage(8, 2, ifBlackWhite, nullptr, 200, 200);
        FillRow(*g, 0, true);
    }
    TAntiAliasTransform t;
    t.Apply(a);
    t.ApplyOnDest(b, b);
    for (TDibGraphic *g : {&a, &b}) {
        ASSERT_EQ(g->ImageFormat(), ifGray16);
        EXPECT_EQ(g->GetPixelIndex(3, 0), 8u);
        EXPECT_EQ(g->XDotsPerInch(), 200);
    }
}

} // namespace
