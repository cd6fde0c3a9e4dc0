// The BMP codec of the frame: Windows 3.x and OS/2 1.x / 2.x headers, the
// first bitmap of a "BA" bitmap array, uncompressed, RLE8 and RLE4 data.
// Options: "inv" keeps a 1-bit colour table in file order (without it entries 0
// and 1 are exchanged); "invb" inverts every byte of the pixel data.
#include "formats/gbm.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t BMP_COMP_RGB = 0;
constexpr uint32_t BMP_COMP_RLE8 = 1;
constexpr uint32_t BMP_COMP_RLE4 = 2;

// The codec's part of GBM::priv.
struct BmpPriv {
    uint32_t base;     // stream offset of the "BM" signature
    bool windows;      // Windows-style header (cbFix != 12)
    uint32_t cbFix;    // header size
    uint32_t comp;     // compression
    uint32_t cclrUsed; // colour-table entries
    uint32_t offBits;  // pixel data, from the start of the stream
    bool inv;
    bool invb;
};
static_assert(sizeof(BmpPriv) <= GBM_PRIV_SIZE);

BmpPriv &Priv(GBM *gbm) { return *reinterpret_cast<BmpPriv *>(gbm->priv); }

uint16_t Get16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t *p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

bool ValidBitCount(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24; }

GBM_ERR CheckSize(int w, int h, int planes, int bpp)
{
    // Top-down bitmaps (negative height) and negative widths are refused here,
    // before anyone allocates for them.
    if (w <= 0 || h <= 0)
        return GBM_ERR_BAD_SIZE;
    if (planes != 1)
        return GBM_ERR_BMP_PLANES;
    if (!ValidBitCount(bpp))
        return GBM_ERR_BMP_BITCOUNT;
    return GBM_ERR_OK;
}

// Uncompressed data must be in the stream in full; saying so at the header
// keeps a tiny file that claims a huge bitmap from costing an allocation.
GBM_ERR CheckDataPresent(TStream &fd, GBM *gbm, uint32_t offBits)
{
    const size_t size = gbm_data_size(gbm);
    if (size == 0)
        return GBM_ERR_BAD_SIZE;
    int64_t streamSize = 0;
    try {
        streamSize = fd.Size();
    } catch (const Exception &) {
        return GBM_ERR_READ;
    }
    if (int64_t(offBits) > streamSize || uint64_t(streamSize - offBits) < size)
        return GBM_ERR_READ;
    return GBM_ERR_OK;
}

// ---- RLE8: byte pairs, writing from the first row in memory onward.
GBM_ERR ReadRle8(TStream &fd, uint8_t *data, size_t stride, int height)
{
    AheadReader ahead(fd);
    const size_t total = stride * size_t(height);
    size_t pos = 0;     // write position in data, never past total
    size_t column = 0;  // bytes written into the current row
    int row = 0;
    // Zero-fills n bytes from pos, cut at the end of the data.
    auto zero = [&](size_t n) {
        n = std::min(n, total - pos);
        std::memset(data + pos, 0, n);
        pos += n;
    };
    for (;;) {
        const int c = ahead.get();
        const int d = c < 0 ? -1 : ahead.get();
        if (d < 0)
            break; // end of the data: as an end of bitmap
        if (c > 0) {
            const size_t n = std::min(size_t(c), total - pos);
            std::memset(data + pos, d, n);
            pos += n;
            column += size_t(c);
            continue;
        }
        switch (d) {
        case 0: // end of line
            if (column < stride)
                zero(stride - column);
            column = 0;
            if (++row >= height)
                return GBM_ERR_OK;
            pos = size_t(row) * stride;
            break;
        case 1: // end of bitmap
            zero(total - pos);
            return GBM_ERR_OK;
        case 2: { // delta
            const int dx = ahead.get();
            const int dy = dx < 0 ? -1 : ahead.get();
            if (dy < 0) {
                zero(total - pos);
                return GBM_ERR_OK;
            }
            zero(size_t(dx) + size_t(dy) * stride);
            column += size_t(dx);
            row += dy;
            if (row >= height)
                return GBM_ERR_OK;
            break;
        }
        default: { // absolute run of d bytes, padded to a whole word
            for (int i = 0; i < d; ++i) {
                const int b = ahead.get();
                if (b < 0) {
                    zero(total - pos);
                    return GBM_ERR_OK;
                }
                if (pos < total)
                    data[pos++] = uint8_t(b);
            }
            column += size_t(d);
            if (d & 1)
                ahead.get();
            break;
        }
        }
    }
    zero(total - pos);
    return GBM_ERR_OK;
}

// ---- RLE4: pixels are ORed into zeroed memory; column counts pixels, and a
// pixel's byte is row * stride + column / 2 (a run may pass the row's end into
// the next row's bytes, but never the end of the data).
GBM_ERR ReadRle4(TStream &fd, uint8_t *data, size_t stride, int height)
{
    AheadReader ahead(fd);
    const size_t total = stride * size_t(height);
    std::memset(data, 0, total);
    size_t column = 0;
    int row = 0;
    auto byteAt = [&](size_t col) -> uint8_t * {
        const size_t at = size_t(row) * stride + col / 2;
        return at < total ? data + at : nullptr;
    };
    auto orPixel = [&](size_t col, int nibble) {
        if (uint8_t *p = byteAt(col))
            *p |= (col & 1) ? uint8_t(nibble) : uint8_t(nibble << 4);
    };
    for (;;) {
        const int c = ahead.get();
        const int d = c < 0 ? -1 : ahead.get();
        if (d < 0)
            return GBM_ERR_OK;
        if (c > 0) {
            for (int i = 0; i < c; ++i)
                orPixel(column + size_t(i), (i & 1) ? (d & 0x0F) : (d >> 4));
            column += size_t(c);
            continue;
        }
        switch (d) {
        case 0:
            column = 0;
            if (++row >= height)
                return GBM_ERR_OK;
            break;
        case 1:
            return GBM_ERR_OK;
        case 2: {
            const int dx = ahead.get();
            const int dy = dx < 0 ? -1 : ahead.get();
            if (dy < 0)
                return GBM_ERR_OK;
            column += size_t(dx);
            row += dy;
            if (row >= height)
                return GBM_ERR_OK;
            break;
        }
        default: {
            const int bytes = (d + 1) / 2;
            for (int i = 0; i < bytes; ++i) {
                const int b = ahead.get();
                if (b < 0)
                    return GBM_ERR_OK;
                const size_t col = column + 2 * size_t(i);
                if (!(column & 1)) {
                    // Even column: the byte is stored whole.
                    if (uint8_t *p = byteAt(col))
                        *p = uint8_t(b);
                } else {
                    // Odd column: the byte straddles two bytes of the row.
                    if (uint8_t *p = byteAt(col))
                        *p |= uint8_t(b >> 4);
                    if (uint8_t *p = byteAt(col + 1))
                        *p |= uint8_t((b & 0x0F) << 4);
                }
            }
            column += size_t(d);
            if (bytes & 1)
                ahead.get();
            break;
        }
        }
    }
}

} // namespace

GBM_ERR bmp_qft(GBMFT *gbmft)
{
    *gbmft = {"Bitmap", "OS/2 1.1, 1.2, 2.0 / Windows 3.0 bitmap", "BMP VGA BGA RLE DIB RL4 RL8", 0xFF};
    return GBM_ERR_OK;
}

GBM_ERR bmp_rhdr(const char *, TStream &fd, GBM *gbm, const char *opt)
{
    BmpPriv &priv = Priv(gbm);
    priv = {};
    priv.inv = gbm_find_word(opt, "inv");
    priv.invb = gbm_find_word(opt, "invb");

    uint8_t sig[2];
    if (!gbm_read(fd, sig, 2))
        return GBM_ERR_READ;
    if (sig[0] == 'B' && sig[1] == 'A') {
        uint8_t skip[12]; // rest of the array header: size, next offset, display size
        if (!gbm_read(fd, skip, 12) || !gbm_read(fd, sig, 2))
            return GBM_ERR_READ;
    }
    if (sig[0] != 'B' || sig[1] != 'M')
        return GBM_ERR_BAD_MAGIC;
    int64_t pos = 0;
    try {
        pos = fd.Position();
    } catch (const Exception &) {
        return GBM_ERR_READ;
    }
    priv.base = uint32_t(pos - 2);

    // file size (unused), hotspot x and y (unused), pixel offset, header size
    uint8_t fh[16];
    if (!gbm_read(fd, fh, 16))
        return GBM_ERR_READ;
    priv.offBits = Get32(fh + 8);
    priv.cbFix = Get32(fh + 12);

    if (priv.cbFix == 12) {
        uint8_t h[8];
        if (!gbm_read(fd, h, 8))
            return GBM_ERR_READ;
        gbm->w = Get16(h);
        gbm->h = Get16(h + 2);
        gbm->bpp = Get16(h + 6);
        if (const GBM_ERR rc = CheckSize(gbm->w, gbm->h, Get16(h + 4), gbm->bpp))
            return rc;
        priv.windows = false;
        priv.comp = BMP_COMP_RGB;
        priv.cclrUsed = gbm->bpp <= 8 ? 1u << gbm->bpp : 0;
        return CheckDataPresent(fd, gbm, priv.offBits);
    }

    // OS/2 2.x headers may end after any field: sizes 16 to 64 in steps of 4,
    // and 42 and 46 inside the 16-bit fields. 44 has always been refused here
    // (such files go on to the platform reader).
    if (priv.cbFix < 16 || priv.cbFix > 64 || priv.cbFix == 44
        || (priv.cbFix % 4 != 0 && priv.cbFix != 42 && priv.cbFix != 46))
        return GBM_ERR_BMP_CBFIX;
    // The rest of the header in one read: width, height, planes, bit count, then
    // each later field only when cbFix holds it - compression, image size,
    // resolutions, colours used and important, and the OS/2 2.x fields (units,
    // reserved, recording, rendering, sizes, colour encoding, identifier),
    // which are not used.
    uint8_t h[64] = {};
    if (!gbm_read(fd, h, priv.cbFix - 4))
        return GBM_ERR_READ;
    gbm->w = int32_t(Get32(h));
    gbm->h = int32_t(Get32(h + 4));
    const int planes = Get16(h + 8);
    gbm->bpp = Get16(h + 10);
    priv.comp = priv.cbFix > 16 ? Get32(h + 12) : BMP_COMP_RGB;
    const bool hasClrUsed = priv.cbFix > 32;
    uint32_t clrUsed = hasClrUsed ? Get32(h + 28) : 0;

    if (const GBM_ERR rc = CheckSize(gbm->w, gbm->h, planes, gbm->bpp))
        return rc;
    if (gbm->bpp != 24) {
        const uint32_t full = 1u << gbm->bpp;
        if (!hasClrUsed || clrUsed == 0 || clrUsed > full)
            clrUsed = full;
    }
    priv.cclrUsed = clrUsed;
    priv.windows = true;
    if (priv.comp == BMP_COMP_RGB)
        return CheckDataPresent(fd, gbm, priv.offBits);
    return gbm_data_size(gbm) == 0 ? GBM_ERR_BAD_SIZE : GBM_ERR_OK;
}

GBM_ERR bmp_rpal(TStream &fd, GBM *gbm, GBMRGB *gbmrgb)
{
    const BmpPriv &priv = Priv(gbm);
    if (gbm->bpp == 24)
        return GBM_ERR_OK;
    if (priv.windows) {
        const uint32_t n = std::min<uint32_t>(priv.cclrUsed, 256);
        uint8_t table[256 * 4];
        if (!gbm_seek(fd, int64_t(priv.base) + 14 + priv.cbFix) || !gbm_read(fd, table, 4 * int64_t(n)))
            return GBM_ERR_READ;
        for (uint32_t i = 0; i < n; ++i)
            gbmrgb[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i]};
    } else {
        const int n = 1 << gbm->bpp;
        uint8_t table[256 * 3];
        if (!gbm_seek(fd, int64_t(priv.base) + 26) || !gbm_read(fd, table, 3 * int64_t(n)))
            return GBM_ERR_READ;
        for (int i = 0; i < n; ++i)
            gbmrgb[i] = {table[3 * i + 2], table[3 * i + 1], table[3 * i]};
    }
    if (gbm->bpp == 1 && !priv.inv)
        std::swap(gbmrgb[0], gbmrgb[1]);
    return GBM_ERR_OK;
}

GBM_ERR bmp_rdata(TStream &fd, GBM *gbm, uint8_t *data)
{
    const BmpPriv &priv = Priv(gbm);
    const size_t stride = gbm_stride(gbm);
    const size_t total = gbm_data_size(gbm);
    if (total == 0)
        return GBM_ERR_BAD_SIZE;
    if (!gbm_seek(fd, priv.offBits))
        return GBM_ERR_READ;

    GBM_ERR rc = GBM_ERR_OK;
    if (!priv.windows || priv.comp == BMP_COMP_RGB) {
        if (!gbm_read(fd, data, int64_t(total)))
            rc = GBM_ERR_READ;
    } else if (priv.comp == BMP_COMP_RLE8) {
        rc = ReadRle8(fd, data, stride, gbm->h);
    } else if (priv.comp == BMP_COMP_RLE4) {
        rc = ReadRle4(fd, data, stride, gbm->h);
    } else {
        rc = GBM_ERR_BMP_COMP;
    }
    if (rc == GBM_ERR_OK && priv.invb)
        for (size_t i = 0; i < total; ++i)
            data[i] = uint8_t(~data[i]);
    return rc;
}

const char *bmp_err(GBM_ERR rc)
{
    switch (rc) {
    case GBM_ERR_BMP_PLANES: return "number of bitmap planes is not 1";
    case GBM_ERR_BMP_BITCOUNT: return "bit count not 1, 4, 8 or 24";
    case GBM_ERR_BMP_CBFIX: return "cbFix bad";
    case GBM_ERR_BMP_COMP: return "compression type not uncompressed, RLE4 or RLE8";
    }
    return nullptr;
}
