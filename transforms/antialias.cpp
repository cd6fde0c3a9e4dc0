#include "transforms/antialias.h"

#include <cmath>

namespace {

uint16_t Level(double scale, int count)
{
    // Halves go to even: 3.75 * 2 = 7.5 gives 8, 7.5 * 1 gives 8.
    return static_cast<uint16_t>(std::nearbyint(scale * count));
}

std::array<uint16_t, 256> BuildAntiAliasTable()
{
    std::array<uint16_t, 256> table{};
    for (int v = 0; v < 256; ++v) {
        auto bit = [v](int n) { return (v >> n) & 1; };
        table[size_t(v)] = uint16_t(Level(3.75, bit(7) + bit(6) + bit(3) + bit(2)) << 12 |
                                    Level(3.75, bit(6) + bit(5) + bit(2) + bit(1)) << 8 |
                                    Level(3.75, bit(5) + bit(4) + bit(1) + bit(0)) << 4 |
                                    Level(7.5, bit(4) + bit(0)));
    }
    return table;
}

inline void AntiAliasBytes(uint8_t e, uint8_t f, uint8_t *d)
{
    const uint16_t w1 = AntiAliasTable[(e & 0xF0) | (f >> 4)];
    const uint16_t w2 = AntiAliasTable[((e & 0x0F) << 4) | (f & 0x0F)];
    d[0] = uint8_t(w1 >> 8);
    d[1] = uint8_t(w1);
    d[2] = uint8_t(w2 >> 8);
    d[3] = uint8_t(w2);
}

} // namespace

const std::array<uint16_t, 256> AntiAliasTable = BuildAntiAliasTable();

void TAntiAliasTransform::Apply(TDibGraphic &graphic)
{
    if (graphic.ImageFormat() == ifBlackWhite && !graphic.Empty())
        TImageTransform::Apply(graphic);
}

void TAntiAliasTransform::ApplyOnDest(const TDibGraphic &source, TDibGraphic &dest)
{
    if (&source == &dest) {
        // The result is built into a new image; reading from the image being
        // rebuilt would read freed rows.
        Apply(dest);
        return;
    }
    if (source.ImageFormat() != ifBlackWhite || source.Empty()) {
        dest.Assign(&source);
        return;
    }
    const int width = source.Width();
    const int height = source.Height();
    dest.NewImage(width, height, ifGray16, nullptr, source.XDotsPerInch(), source.YDotsPerInch());

    BeginRun();
    Report(0, 0, 100);
    const int n = width / 8 + (width % 8 != 0 ? 1 : 0);
    // n source bytes give 4 * n destination bytes, exactly a 16-grey row.
    for (int y = 0; y + 1 < height; ++y) {
        const uint8_t *s1 = source.ScanLine(y);
        const uint8_t *s2 = source.ScanLine(y + 1);
        uint8_t *d = dest.ScanLine(y);
        for (int j = 0; j < n; ++j)
            AntiAliasBytes(s1[j], s2[j], d + 4 * j);
        Report(y, 0, height - 1);
    }
    const uint8_t *last = source.ScanLine(height - 1);
    uint8_t *d = dest.ScanLine(height - 1);
    for (int j = 0; j < n; ++j)
        AntiAliasBytes(last[j], last[j], d + 4 * j);
    Report(100, 0, 100);
}
