#include "platform/twain/packeddib.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kInchesPerMetre = 39.370078740157480317;

struct TLayout {
    int width = 0, height = 0, bits = 0, colours = 0;
    size_t stride = 0;
};

// The rows the page really holds: a scanner that did not know its height
// (hand scanners report -1) gives as many as it sent.
bool LayoutOf(const TScannedPage &page, TLayout &l) {
    const SANE_Parameters &p = page.params;
    if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0) return false;
    const size_t lineBytes = static_cast<size_t>(p.bytes_per_line);
    size_t rows = page.data.size() / lineBytes;
    if (p.lines > 0) rows = std::min(rows, static_cast<size_t>(p.lines));
    if (rows == 0 || rows > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    const int samples = p.format == SANE_FRAME_RGB ? 3 : 1;
    if (p.format == SANE_FRAME_GRAY && p.depth == 1) {
        l.bits = 1;
        l.colours = 2;
    } else if (p.format == SANE_FRAME_GRAY && (p.depth == 8 || p.depth == 16)) {
        l.bits = 8;
        l.colours = 256;
    } else if (p.format == SANE_FRAME_RGB && (p.depth == 8 || p.depth == 16)) {
        l.bits = 24;
    } else {
        return false;
    }
    // The line must really hold the pixels it announces.
    const size_t needed = (static_cast<size_t>(p.pixels_per_line) * samples * p.depth + 7) / 8;
    if (needed > lineBytes) return false;
    l.width = p.pixels_per_line;
    l.height = static_cast<int>(rows);
    l.stride = ((static_cast<size_t>(l.width) * l.bits + 31) / 32) * 4;
    return true;
}

int32_t PelsPerMetre(double dpi) {
    const double v = std::nearbyint(dpi * kInchesPerMetre);
    return v > 0 && v < 2147483647.0 ? static_cast<int32_t>(v) : 0;
}

TW_FIX32 Fix32(double v) {
    TW_FIX32 f{};
    if (!(v > 0 && v < 32767.0)) return f;
    const long scaled = std::lround(v * 65536.0);
    f.Whole = static_cast<TW_INT16>(scaled >> 16);
    f.Frac = static_cast<TW_UINT16>(scaled & 0xFFFF);
    return f;
}

void PutU16(uint8_t *p, uint16_t v) { std::memcpy(p, &v, 2); }
void PutU32(uint8_t *p, uint32_t v) { std::memcpy(p, &v, 4); }

// Writes image row `row` (top = 0) of the page into `out`.
void ConvertRow(const TScannedPage &page, const TLayout &l, int row, uint8_t *out) {
    const SANE_Parameters &p = page.params;
    const uint8_t *in = page.data.data() + static_cast<size_t>(row) * static_cast<size_t>(p.bytes_per_line);
    const int w = l.width;
    if (l.bits == 1) {
        // SANE's line art marks black with 1; the bitmap's colour 0 is black.
        const size_t n = (static_cast<size_t>(w) + 7) / 8;
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(~in[i]);
        if (w % 8) out[n - 1] &= static_cast<uint8_t>(0xFF << (8 - w % 8));
    } else if (l.bits == 8) {
        if (p.depth == 8) {
            std::memcpy(out, in, static_cast<size_t>(w));
        } else {
            for (int x = 0; x < w; ++x) {
                uint16_t s;
                std::memcpy(&s, in + 2 * x, 2);
                out[x] = static_cast<uint8_t>(s >> 8);
            }
        }
    } else if (p.depth == 8) {
        for (int x = 0; x < w; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    } else {
        for (int x = 0; x < w; ++x, in += 6, out += 3) {
            uint16_t r, g, b;
            std::memcpy(&r, in, 2);
            std::memcpy(&g, in + 2, 2);
            std::memcpy(&b, in + 4, 2);
            out[0] = static_cast<uint8_t>(b >> 8);
            out[1] = static_cast<uint8_t>(g >> 8);
            out[2] = static_cast<uint8_t>(r >> 8);
        }
    }
}

}  // namespace

bool DescribePage(const TScannedPage &page, TW_IMAGEINFO &info) {
    TLayout l;
    if (!LayoutOf(page, l)) return false;
    std::memset(&info, 0, sizeof info);
    info.XResolution = Fix32(page.xDpi);
    info.YResolution = Fix32(page.yDpi);
    info.ImageWidth = l.width;
    info.ImageLength = l.height;
    info.SamplesPerPixel = l.bits == 24 ? 3 : 1;
    for (int i = 0; i < info.SamplesPerPixel; ++i) info.BitsPerSample[i] = l.bits == 1 ? 1 : 8;
    info.BitsPerPixel = static_cast<TW_INT16>(l.bits);
    info.Planar = 0;
    info.PixelType = l.bits == 1 ? TWPT_BW : l.bits == 8 ? TWPT_GRAY : TWPT_RGB;
    info.Compression = TWCP_NONE;
    return true;
}

HGLOBAL PackPageAsDib(const TScannedPage &page) {
    TLayout l;
    if (!LayoutOf(page, l)) return nullptr;
    const size_t header = 40 + static_cast<size_t>(l.colours) * 4;
    if (l.stride > (std::numeric_limits<uint32_t>::max() - header) / static_cast<size_t>(l.height)) return nullptr;
    const size_t imageBytes = l.stride * static_cast<size_t>(l.height);
    TGlobalMemory memory(BorvaneGlobalAlloc(header + imageBytes));
    auto *dib = static_cast<uint8_t *>(BorvaneGlobalLock(memory.get()));
    if (!dib) return nullptr;
    PutU32(dib + 0, 40);
    PutU32(dib + 4, static_cast<uint32_t>(l.width));
    PutU32(dib + 8, static_cast<uint32_t>(l.height));  // positive: bottom-up
    PutU16(dib + 12, 1);
    PutU16(dib + 14, static_cast<uint16_t>(l.bits));
    PutU32(dib + 16, 0);  // BI_RGB
    PutU32(dib + 20, static_cast<uint32_t>(imageBytes));
    PutU32(dib + 24, static_cast<uint32_t>(PelsPerMetre(page.xDpi)));
    PutU32(dib + 28, static_cast<uint32_t>(PelsPerMetre(page.yDpi)));
    PutU32(dib + 32, static_cast<uint32_t>(l.colours));
    PutU32(dib + 36, 0);
    for (int i = 0; i < l.colours; ++i) {
        const uint8_t v = static_cast<uint8_t>(l.colours == 2 ? i * 255 : i);
        uint8_t *q = dib + 40 + 4 * i;
        q[0] = q[1] = q[2] = v;
        q[3] = 0;
    }
    uint8_t *bits = dib + header;
    for (int row = 0; row < l.height; ++row)
        ConvertRow(page, l, row, bits + static_cast<size_t>(l.height - 1 - row) * l.stride);
    BorvaneGlobalUnlock(memory.get());
    return memory.release();
}
