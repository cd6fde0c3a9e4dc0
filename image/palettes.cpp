// Helpers of the image model: format facts, default palettes, resolution
// conversion, the nearest-colour finder.
#include "image/dibgraphic.h"

#include <QGuiApplication>
#include <QScreen>

#include <atomic>
#include <cmath>
#include <cstring>

namespace {

const char *const kInvalidFormat = "Internal error: Invalid image format";

constexpr uint8_t kColor16[16][3] = {
    {0, 0, 0},      {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
    {170, 0, 0},    {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
    {85, 85, 85},   {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
    {255, 85, 85},  {255, 85, 255}, {255, 255, 85}, {255, 255, 255},
};

constexpr uint8_t kGreyRamp[16] = {0, 20, 32, 44, 56, 69, 81, 97, 113, 130, 146, 162, 182, 203, 227, 255};

// Component levels (min, s1, s2, s3, max) of the nine hue blocks: intensity
// high, medium, low; within each, saturation high, medium, low.
constexpr uint8_t kBlockLevels[9][5] = {
    {0, 65, 125, 190, 255}, {125, 158, 190, 223, 255}, {182, 199, 219, 235, 255},
    {0, 28, 56, 85, 113},   {56, 69, 85, 97, 113},     {81, 89, 97, 105, 113},
    {0, 16, 32, 48, 65},    {32, 40, 48, 56, 65},      {44, 48, 52, 60, 65},
};

// The 24 steps around the hue circle, as level numbers (0 = min .. 4 = max)
// for red, green, blue.
constexpr uint8_t kHueSteps[24][3] = {
    {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
    {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
    {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4},
};

void SetEntry(TMaxLogPalette &p, int i, uint8_t r, uint8_t g, uint8_t b)
{
    p.palPalEntry[i] = {r, g, b, 0};
}

struct DefaultPalettes {
    TMaxLogPalette table[5];
    DefaultPalettes()
    {
        std::memset(table, 0, sizeof table);
        TMaxLogPalette &bw = table[ifBlackWhite];
        bw.palVersion = 0x0300;
        bw.palNumEntries = 2;
        SetEntry(bw, 1, 255, 255, 255);

        TMaxLogPalette &g16 = table[ifGray16];
        g16.palVersion = 0x0300;
        g16.palNumEntries = 16;
        for (int i = 0; i < 16; ++i)
            SetEntry(g16, i, uint8_t(17 * i), uint8_t(17 * i), uint8_t(17 * i));

        TMaxLogPalette &g256 = table[ifGray256];
        g256.palVersion = 0x0300;
        g256.palNumEntries = 256;
        for (int i = 0; i < 256; ++i)
            SetEntry(g256, i, uint8_t(i), uint8_t(i), uint8_t(i));

        FillDefaultPalette16(table[ifColor16]);
        FillDefaultPalette256(table[ifColor256]);
    }
};

const DefaultPalettes &Defaults()
{
    static const DefaultPalettes palettes;
    return palettes;
}

std::atomic<size_t> g_imageMemoryLimit{size_t(1) << 30};

} // namespace

int ImageFormatBitCount(TImageFormat format)
{
    switch (format) {
    case ifBlackWhite: return 1;
    case ifGray16:
    case ifColor16: return 4;
    case ifGray256:
    case ifColor256: return 8;
    case ifRgb24: return 24;
    }
    throw EVantrelError(kInvalidFormat);
}

const char *ImageFormatDescription(TImageFormat format)
{
    switch (format) {
    case ifBlackWhite: return "Black and white";
    case ifGray16: return "16 shades of gray";
    case ifGray256: return "256 shades of gray";
    case ifColor16: return "16 color";
    case ifColor256: return "256 color";
    case ifRgb24: return "True color";
    }
    return "";
}

int BytesPerLine(int width, int bitsPerPixel)
{
    return int(((int64_t(width) * bitsPerPixel + 31) / 32) * 4);
}

void SwapRedBlue(void *buffer, size_t byteCount)
{
    auto *p = static_cast<uint8_t *>(buffer);
    for (size_t n = byteCount / 3; n > 0; --n, p += 3)
        std::swap(p[0], p[2]);
}

const TMaxLogPalette &DefaultPalette(TImageFormat format)
{
    if (format > ifColor256)
        throw EVantrelError(kInvalidFormat);
    return Defaults().table[format];
}

void FillDefaultPalette16(TMaxLogPalette &palette)
{
    palette.palVersion = 0x0300;
    palette.palNumEntries = 16;
    for (int i = 0; i < 16; ++i)
        SetEntry(palette, i, kColor16[i][0], kColor16[i][1], kColor16[i][2]);
}

void FillDefaultPalette256(TMaxLogPalette &palette)
{
    FillDefaultPalette16(palette);
    palette.palNumEntries = 256;
    for (int i = 0; i < 16; ++i)
        SetEntry(palette, 16 + i, kGreyRamp[i], kGreyRamp[i], kGreyRamp[i]);
    int n = 32;
    for (const auto &levels : kBlockLevels)
        for (const auto &step : kHueSteps)
            SetEntry(palette, n++, levels[step[0]], levels[step[1]], levels[step[2]]);
    for (; n < 256; ++n)
        SetEntry(palette, n, 0, 0, 0);
    // Three entries of the VGA table differ from the rule above.
    SetEntry(palette, 30, 227, 179, 179);
    SetEntry(palette, 85, 223, 182, 235);
    SetEntry(palette, 96, 182, 223, 182);
}

int32_t DotsPerInchToPelsPerMeter(uint16_t dpi)
{
    return int32_t(std::nearbyint(dpi * kInchesPerMetre));
}

uint16_t PelsPerMeterToDotsPerInch(int32_t pelsPerMeter)
{
    // A resolution outside what a 16-bit dots-per-inch value can hold reads as 0.
    const double dpi = std::nearbyint(pelsPerMeter / kInchesPerMetre);
    return dpi < 0 || dpi > 65535 ? 0 : uint16_t(dpi);
}

static int ScreenDpi(bool horizontal)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
            if (dpi > 0)
                return int(std::nearbyint(dpi));
        }
    }
    return 96;
}

int ScreenLogicalDpiX() { return ScreenDpi(true); }
int ScreenLogicalDpiY() { return ScreenDpi(false); }

size_t ImageMemoryLimit() { return g_imageMemoryLimit.load(); }
void SetImageMemoryLimit(size_t bytes) { g_imageMemoryLimit.store(bytes); }

// ---------------------------------------------------------------- TRgbToPaletteConverter

TRgbToPaletteConverter::TRgbToPaletteConverter(const TMaxLogPalette &palette) : palette_(palette)
{
    for (Slot &slot : cache_)
        slot = {0, -1};
}

int16_t TRgbToPaletteConverter::NearestIndex(uint32_t rgb)
{
    Slot &slot = cache_[rgb % kCacheSlots];
    if (slot.index >= 0 && slot.colour == rgb) {
        ++hits_;
        return slot.index;
    }
    ++misses_;
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    int32_t best = 2147483647;
    int16_t answer = 0;
    const int count = std::min<int>(palette_.palNumEntries, 256);
    for (int i = 0; i < count; ++i) {
        const TPaletteEntry &e = palette_.palPalEntry[i];
        const int dr = r - e.peRed, dg = g - e.peGreen, db = b - e.peBlue;
        const int32_t d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            answer = int16_t(i);
            if (d == 0)
                break;
        }
    }
    slot = {rgb, answer};
    return answer;
}
