#include "formats/icongraphic.h"

#include "image/exchange.h"
#include "image/registry.h"

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char *const kInvalidIcon = "Icon image is not valid";

// An icon file is a few kilobytes to a few hundred; a file claiming more than
// this is refused before it is read into memory.
constexpr int64_t kMaxIconFile = 64 * 1024 * 1024;

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalidIcon); }

uint16_t LE16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t LE32(const uint8_t *p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
uint32_t BE32(const uint8_t *p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]); }

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// One directory entry, with its size and depth taken from the image data
// itself where the directory leaves them out (width 0 means 256, a bit count
// of 0 is common).
struct Entry {
    const uint8_t *data = nullptr;
    size_t size = 0;
    bool png = false;
    int width = 0, height = 0, bits = 0;
};

bool Describe(const uint8_t *dir, const std::vector<uint8_t> &file, Entry &e)
{
    const uint32_t size = LE32(dir + 8), offset = LE32(dir + 12);
    if (offset >= file.size())
        return false;
    // Writers sometimes overstate the last entry's size; what is there counts.
    e.size = std::min<size_t>(size, file.size() - offset);
    e.data = file.data() + offset;
    e.width = dir[0] ? dir[0] : 256;
    e.height = dir[1] ? dir[1] : 256;
    e.bits = LE16(dir + 6);
    if (e.size >= 24 && std::memcmp(e.data, kPngSignature, 8) == 0) {
        e.png = true;
        // IHDR: width, height, bit depth, colour type.
        e.width = int(std::min<uint32_t>(BE32(e.data + 16), INT32_MAX));
        e.height = int(std::min<uint32_t>(BE32(e.data + 20), INT32_MAX));
        if (e.size >= 26 && e.bits == 0) {
            const int depth = e.data[24], type = e.data[25];
            e.bits = type == 6 || type == 4 ? 32 : type == 2 ? 24 : depth;
        }
        return true;
    }
    if (e.size < 40 || LE32(e.data) < 40)
        return false;
    e.width = int32_t(LE32(e.data + 4));
    e.height = std::abs(int32_t(LE32(e.data + 8)) / 2); // colour rows and mask rows
    e.bits = LE16(e.data + 14);
    return true;
}

// Sizes come from the file (a PNG header may claim 2^31 - 1), so in 64 bits.
int64_t Distance(const Entry &e)
{
    return std::abs(int64_t(e.width) - TIconGraphic::kIconSize) + std::abs(int64_t(e.height) - TIconGraphic::kIconSize);
}

// Straight (not premultiplied) colours and alpha of the entry, top row first.
QImage DecodeDib(const Entry &e)
{
    const uint8_t *p = e.data;
    const uint32_t headerSize = LE32(p);
    const int width = int32_t(LE32(p + 4));
    const int bits = LE16(p + 14);
    const uint32_t compression = LE32(p + 16);
    const uint32_t clrUsed = LE32(p + 32);
    const int height = e.height;
    if (width <= 0 || height <= 0 || width > TIconGraphic::kMaxIconSide || height > TIconGraphic::kMaxIconSide)
        Invalid();
    if (compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        Invalid();
    const uint64_t colours = bits <= 8 ? (clrUsed && clrUsed <= (1u << bits) ? clrUsed : (1u << bits)) : 0;
    const uint64_t stride = ((uint64_t(width) * bits + 31) / 32) * 4;
    const uint64_t tableAt = headerSize;
    const uint64_t pixelsAt = tableAt + colours * 4;
    const uint64_t maskAt = pixelsAt + stride * uint64_t(height);
    if (maskAt > e.size)
        Invalid();
    // The AND mask that follows is not read: drawn over black it changes
    // nothing (see below), and some writers leave it out of 32-bit entries.

    QRgb table[256] = {};
    for (uint64_t i = 0; i < colours; ++i) {
        const uint8_t *q = p + tableAt + 4 * i;
        table[i] = qRgb(q[2], q[1], q[0]);
    }
    QImage out(width, height, QImage::Format_ARGB32);
    if (out.isNull())
        Invalid();
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = p + pixelsAt + uint64_t(height - 1 - y) * stride;
        auto *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb c;
            switch (bits) {
            case 1: c = table[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: c = table[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4]; break;
            case 8: c = table[row[x]]; break;
            case 16: {
                const int v = LE16(row + 2 * x); // 5-5-5
                c = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
                break;
            }
            case 24: c = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
            default: {
                const uint8_t *q = row + 4 * x;
                c = qRgba(q[2], q[1], q[0], q[3]);
                anyAlpha = anyAlpha || q[3] != 0;
                break;
            }
            }
            dst[x] = bits == 32 ? c : (c | 0xFF000000u);
        }
    }
    // Without alpha the icon is drawn through its mask over black: the
    // screen AND the mask is black, XOR the colour gives the colour, so every
    // pixel shows its colour (transparent ones are black in the colour data).
    if (bits == 32 && !anyAlpha) {
        for (int y = 0; y < height; ++y) {
            auto *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
            for (int x = 0; x < width; ++x)
                dst[x] |= 0xFF000000u;
        }
    }
    return out;
}

QImage DecodePng(const Entry &e)
{
    if (e.width <= 0 || e.height <= 0 || e.width > TIconGraphic::kMaxIconSide || e.height > TIconGraphic::kMaxIconSide)
        Invalid();
    QImage image;
    if (!image.loadFromData(e.data, qsizetype(e.size), "PNG") || image.width() != e.width || image.height() != e.height)
        Invalid();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

void TIconGraphic::LoadImageFromStream(TStream &stream, int)
{
    const int64_t available = stream.Size() - stream.Position();
    if (available < 6 + 16 || available > kMaxIconFile)
        Invalid();
    std::vector<uint8_t> file(static_cast<size_t>(available));
    stream.ReadBuffer(file.data(), available);

    const uint8_t *p = file.data();
    const int type = LE16(p + 2), count = LE16(p + 4);
    if (LE16(p) != 0 || (type != 1 && type != 2) || count == 0 || 6 + 16 * size_t(count) > file.size())
        Invalid();

    Entry best;
    bool found = false;
    for (int i = 0; i < count; ++i) {
        Entry e;
        if (!Describe(p + 6 + 16 * i, file, e))
            continue;
        if (!found || Distance(e) < Distance(best) || (Distance(e) == Distance(best) && e.bits > best.bits)) {
            best = e;
            found = true;
        }
    }
    if (!found)
        Invalid();

    const QImage icon = best.png ? DecodePng(best) : DecodeDib(best);
    NewImage(icon.width(), icon.height(), ifRgb24, nullptr, 0, 0);
    // Drawn over black, which NewImage leaves: colour times alpha.
    for (int y = 0; y < icon.height(); ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(icon.constScanLine(y));
        uint8_t *dst = ScanLine(y);
        for (int x = 0; x < icon.width(); ++x, dst += 3) {
            const int a = qAlpha(src[x]);
            dst[0] = uint8_t(std::nearbyint(qBlue(src[x]) * a / 255.0));
            dst[1] = uint8_t(std::nearbyint(qGreen(src[x]) * a / 255.0));
            dst[2] = uint8_t(std::nearbyint(qRed(src[x]) * a / 255.0));
        }
    }
    // No stored resolution: the image keeps the screen's.
}

void WriteIcon(TDibGraphic &image, TStream &stream)
{
    constexpr int size = TIconGraphic::kIconSize;
    constexpr int stride = ((size * 24 + 31) / 32) * 4;
    constexpr int maskStride = ((size + 31) / 32) * 4;
    constexpr uint32_t dataSize = 40 + stride * size + maskStride * size;

    // The image at its own size on a black 32 x 32 bitmap: cut when larger.
    QImage colour(size, size, QImage::Format_RGB32);
    colour.fill(qRgb(0, 0, 0));
    {
        QPainter painter(&colour);
        image.Draw(painter, QRect(0, 0, image.Width(), image.Height()));
    }

    std::vector<uint8_t> out;
    auto put = [&out](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(uint8_t(v >> (8 * i)));
    };
    put(0, 2); // reserved
    put(1, 2); // icon
    put(1, 2); // one entry
    put(size, 1);
    put(size, 1);
    put(0, 1); // no palette
    put(0, 1); // reserved
    put(1, 2); // planes
    put(24, 2);
    put(dataSize, 4);
    put(6 + 16, 4);
    // The DIB header counts the colour rows and the mask rows.
    put(40, 4);
    put(size, 4);
    put(2 * size, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4); // uncompressed
    put(stride * size + maskStride * size, 4);
    put(0, 4); // no resolution
    put(0, 4);
    put(0, 4); // colours used
    put(0, 4); // colours important
    for (int y = size - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(colour.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            out.push_back(uint8_t(qBlue(row[x])));
            out.push_back(uint8_t(qGreen(row[x])));
            out.push_back(uint8_t(qRed(row[x])));
        }
        out.resize(out.size() + size_t(stride - 3 * size), 0);
    }
    // An all-zero mask: every pixel opaque.
    out.resize(out.size() + size_t(maskStride * size), 0);
    stream.WriteBuffer(out.data(), int64_t(out.size()));
}

void TIconGraphic::SaveToStream(TStream &stream) { WriteIcon(*this, stream); }

void RegisterIconGraphic()
{
    SetIconWriter(&WriteIcon);
    if (!GraphicClassForFile("*.ICO"))
        RegisterGraphicClass("ICO", "Windows icon", GraphicClassOf<TIconGraphic>());
}
