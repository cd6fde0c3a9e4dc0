// The crossings between TDibGraphic and Qt's own graphics: platform bitmaps
// (QImage, QPixmap), other platform graphics (QPicture), the clipboard, icons
// and packed DIBs in global memory (what the scanner hands over).
#include "image/exchange.h"

#include "image/littleendian.h"

#include <QBuffer>
#include <QClipboard>
#include <QIcon>
#include <QPainter>
#include <QPicture>
#include <QPixmap>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<TIconWriter> g_iconWriter{nullptr};

const char *const kInvalidHDib = "Invalid HDIB";
const char *const kUnsupportedBitCount = "Unsupported bit count";

std::string CannotAssign(const char *destClass)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "Cannot assign a %s to a %s", "TDibGraphic", destClass);
    return buffer;
}

// Compression values of the DIB header that matter here.
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

// Keeps a global-memory block locked while a DIB is read from it.
class TGlobalLock {
public:
    explicit TGlobalLock(HGLOBAL handle) : handle_(handle), bytes_(static_cast<const uint8_t *>(BorvaneGlobalLock(handle)))
    {
    }
    ~TGlobalLock()
    {
        if (bytes_)
            BorvaneGlobalUnlock(handle_);
    }
    TGlobalLock(const TGlobalLock &) = delete;
    TGlobalLock &operator=(const TGlobalLock &) = delete;
    const uint8_t *Bytes() const { return bytes_; }

private:
    HGLOBAL handle_;
    const uint8_t *bytes_;
};


} // namespace

void SetIconWriter(TIconWriter writer) { g_iconWriter.store(writer); }
TIconWriter IconWriter() { return g_iconWriter.load(); }

// ---------------------------------------------------------------- assignment

void TDibGraphic::Assign(const QImage &bitmap) { LoadFromBitmapHandle(bitmap); }

void TDibGraphic::Assign(const QPixmap &bitmap) { LoadFromBitmapHandle(bitmap.toImage()); }

void TDibGraphic::Assign(const QPicture &graphic)
{
    const QRect bounds = graphic.boundingRect();
    NewImage(bounds.width(), bounds.height(), ifRgb24, nullptr, 0, 0);
    // The pixels start black; the picture is moved so its own top-left corner
    // lands at (0, 0).
    QPainter *canvas = Canvas();
    canvas->save();
    canvas->translate(-bounds.topLeft());
    canvas->drawPicture(0, 0, graphic);
    canvas->restore();
}

void TDibGraphic::Assign(const QClipboard &clipboard)
{
    // A clipboard without an image gives a null bitmap, refused with the
    // bitmap format's number.
    LoadFromClipboardFormat(CF_BITMAP, clipboard.image());
}

void TDibGraphic::AssignTo(TDibGraphic &dest) const { dest.Assign(this); }

void TDibGraphic::AssignTo(QImage &dest)
{
    if (Empty()) {
        dest = QImage();
        return;
    }
    QImage bitmap(Width(), Height(), QImage::Format_RGB888);
    if (bitmap.isNull())
        throw EOutOfResources("Not enough memory for a bitmap of the image's size");
    {
        QPainter painter(&bitmap);
        Draw(painter, QRect(0, 0, Width(), Height()));
    }
    bitmap.setDotsPerMeterX(XPelsPerMeter());
    bitmap.setDotsPerMeterY(YPelsPerMeter());
    dest = std::move(bitmap);
}

void TDibGraphic::AssignTo(QPixmap &dest)
{
    QImage bitmap;
    AssignTo(bitmap);
    dest = QPixmap::fromImage(std::move(bitmap));
}

void TDibGraphic::AssignTo(QIcon &dest)
{
    const TIconWriter writer = IconWriter();
    if (!writer)
        throw EVantrelError(CannotAssign("QIcon"));
    TMemoryStream stream;
    writer(*this, stream);
    stream.SetPosition(0);
    QPixmap icon;
    if (!icon.loadFromData(stream.RawByteArray(), "ICO"))
        throw EInvalidGraphic("Invalid icon");
    dest = QIcon(icon);
}

void TDibGraphic::AssignTo(QClipboard &dest)
{
    int format = 0;
    QImage data;
    SaveToClipboardFormat(format, data);
    dest.setImage(data);
}

void TDibGraphic::AssignTo(QPicture &) const { throw EVantrelError(CannotAssign("QPicture")); }

// ---------------------------------------------------------------- clipboard

void TDibGraphic::SaveToClipboardFormat(int &format, QImage &data)
{
    format = CF_BITMAP;
    if (Empty())
        throw EVantrelError("CopyBitmap: CreateBitmap failed");
    if (format_ == ifBlackWhite) {
        // A monochrome bitmap is black and white whatever the image's two
        // colours are: each pixel takes the nearer of the two.
        QImage mono(Width(), Height(), QImage::Format_Mono);
        if (mono.isNull())
            throw EVantrelError("CopyBitmap: CreateBitmap failed");
        mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        bool white[2];
        for (int i = 0; i < 2; ++i) {
            const TPaletteEntry &e = logPalette_.palPalEntry[i];
            const int dark = e.peRed * e.peRed + e.peGreen * e.peGreen + e.peBlue * e.peBlue;
            const int light = (255 - e.peRed) * (255 - e.peRed) + (255 - e.peGreen) * (255 - e.peGreen)
                              + (255 - e.peBlue) * (255 - e.peBlue);
            white[i] = light < dark;
        }
        const int rowBytes = (Width() + 7) / 8;
        for (int y = 0; y < Height(); ++y) {
            const uint8_t *src = ScanLine(y);
            uint8_t *dst = mono.scanLine(y);
            for (int b = 0; b < rowBytes; ++b) {
                const uint8_t v = src[b];
                dst[b] = white[0] == white[1] ? (white[0] ? 0xFF : 0x00) : (white[1] ? v : uint8_t(~v));
            }
        }
        data = std::move(mono);
        return;
    }
    QImage bitmap(Width(), Height(), QImage::Format_RGB32);
    if (bitmap.isNull())
        throw EVantrelError("CopyBitmap: CreateBitmap failed");
    {
        QPainter painter(&bitmap);
        Draw(painter, QRect(0, 0, Width(), Height()));
    }
    data = std::move(bitmap);
}

void TDibGraphic::LoadFromClipboardFormat(int format, const QImage &data)
{
    if (format != CF_BITMAP || data.isNull()) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "Unknown clipboard format, %d", format);
        throw EInvalidGraphic(buffer);
    }
    LoadFromBitmapHandle(data);
}

// ---------------------------------------------------------------- platform bitmaps

void TDibGraphic::LoadFromBitmapHandle(const QImage &bitmap)
{
    if (bitmap.isNull())
        throw EInvalidGraphic("Invalid bitmap");

    // Everything is converted before NewImage, so a failure leaves the
    // previous image in place.
    QImage src;
    TImageFormat format;
    int bits;
    if (bitmap.depth() == 1) {
        format = ifBlackWhite;
        bits = 1;
        src = bitmap.format() == QImage::Format_Mono ? bitmap : bitmap.convertToFormat(QImage::Format_Mono);
    } else if (bitmap.format() == QImage::Format_Indexed8) {
        format = ifColor256;
        bits = 8;
        src = bitmap;
    } else if (bitmap.format() == QImage::Format_Grayscale8) {
        // An 8-bit bitmap always has a colour table; a grey one gets the grey
        // ramp as its table and still becomes a colour image.
        format = ifColor256;
        bits = 8;
        QList<QRgb> grey(256);
        for (int i = 0; i < 256; ++i)
            grey[i] = qRgb(i, i, i);
        src = bitmap.convertToFormat(QImage::Format_Indexed8, grey);
    } else {
        // 16, 24, 32 bits and Qt's deeper formats: true colour.
        format = ifRgb24;
        bits = 24;
        src = bitmap.format() == QImage::Format_BGR888 ? bitmap : bitmap.convertToFormat(QImage::Format_BGR888);
    }
    if (src.isNull())
        throw EVantrelError("GetDIB failed");

    TMaxLogPalette palette{};
    const TMaxLogPalette *pal = nullptr;
    const QList<QRgb> table = format == ifRgb24 ? QList<QRgb>() : src.colorTable();
    if (!table.isEmpty() && table.size() <= 256) {
        palette.palVersion = 0x0300;
        palette.palNumEntries = uint16_t(table.size());
        for (qsizetype i = 0; i < table.size(); ++i)
            palette.palPalEntry[i] = {uint8_t(qRed(table[i])), uint8_t(qGreen(table[i])), uint8_t(qBlue(table[i])), 0};
        pal = &palette;
    }
    const uint16_t xDpi = src.dotsPerMeterX() > 0 ? PelsPerMeterToDotsPerInch(src.dotsPerMeterX()) : 0;
    const uint16_t yDpi = src.dotsPerMeterY() > 0 ? PelsPerMeterToDotsPerInch(src.dotsPerMeterY()) : 0;
    NewImage(src.width(), src.height(), format, pal, xDpi, yDpi);

    const size_t rowBytes = size_t((int64_t(src.width()) * bits + 7) / 8);
    for (int y = 0; y < src.height(); ++y) {
        uint8_t *dst = ScanLine(y);
        std::memcpy(dst, src.constScanLine(y), rowBytes);
        // Qt leaves the bits past the last pixel of a 1-bit row undefined.
        if (bits == 1 && (src.width() & 7))
            dst[rowBytes - 1] &= uint8_t(0xFF << (8 - (src.width() & 7)));
    }
}

// ---------------------------------------------------------------- packed DIBs

void TDibGraphic::LoadFromHDib(HGLOBAL handle)
{
    if (!handle)
        throw EVantrelError(kInvalidHDib);
    const size_t size = BorvaneGlobalSize(handle);
    TGlobalLock lock(handle);
    const uint8_t *dib = lock.Bytes();
    if (!dib || size < sizeof(TBitmapInfoHeader))
        throw EVantrelError(kInvalidHDib);

    TBitmapInfoHeader header;
    std::memcpy(&header, dib, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size)
        throw EVantrelError(kInvalidHDib);

    const int bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        throw EVantrelError(kUnsupportedBitCount);
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN)
        throw EVantrelError(kInvalidHDib);
    const bool topDown = header.biHeight < 0;
    const int height = topDown ? -header.biHeight : header.biHeight;

    // The colour table follows the header (and, for bit-field DIBs with the
    // 40-byte header, the three colour masks). Deeper DIBs may carry a table
    // too when colours-used says so; it is skipped, not taken as a palette.
    if (bits <= 8 && header.biClrUsed > 256)
        throw EVantrelError(kInvalidHDib);
    const uint64_t colours = header.biClrUsed != 0 ? header.biClrUsed : bits <= 8 ? (1u << bits) : 0;
    const uint64_t masks =
        (header.biCompression == BI_BITFIELDS || header.biCompression == BI_ALPHABITFIELDS) && header.biSize == 40
            ? (header.biCompression == BI_BITFIELDS ? 12 : 16)
            : 0;
    const uint64_t tableOffset = uint64_t(header.biSize) + masks;
    const uint64_t pixelOffset = tableOffset + colours * 4;
    if (pixelOffset > size)
        throw EVantrelError(kInvalidHDib);

    const uint16_t xDpi = PelsPerMeterToDotsPerInch(header.biXPelsPerMeter);
    const uint16_t yDpi = PelsPerMeterToDotsPerInch(header.biYPelsPerMeter);
    const uint64_t stride = ((uint64_t(header.biWidth) * uint64_t(bits) + 31) / 32) * 4;

    if (header.biCompression == BI_RGB && bits != 16 && bits != 32) {
        const uint64_t pixels = stride * uint64_t(height);
        if (pixelOffset + pixels > size)
            throw EVantrelError(kInvalidHDib);
        TMaxLogPalette palette{};
        TImageFormat format = ifRgb24;
        if (bits <= 8) {
            palette.palVersion = 0x0300;
            palette.palNumEntries = uint16_t(colours);
            for (uint64_t i = 0; i < colours; ++i) {
                const uint8_t *q = dib + tableOffset + 4 * i;
                palette.palPalEntry[i] = {q[2], q[1], q[0], 0};
            }
            format = bits == 1 ? ifBlackWhite : bits == 4 ? ifColor16 : ifColor256;
        }
        NewImage(header.biWidth, height, format, bits <= 8 ? &palette : nullptr, xDpi, yDpi);
        const uint8_t *src = dib + pixelOffset;
        if (!topDown) {
            std::memcpy(bits_, src, ImageSize());
        } else {
            // Row 0 of a top-down DIB is the top row of the picture.
            for (int y = 0; y < height; ++y)
                std::memcpy(ScanLine(y), src + size_t(y) * size_t(stride), size_t(stride));
        }
        return;
    }

    // Compressed, 16- and 32-bit DIBs: as BMP file data through Qt's reader,
    // which knows run lengths, bit fields and top-down rows.
    uint64_t imageSize;
    if (header.biCompression == BI_RGB) {
        imageSize = stride * uint64_t(height);
    } else {
        if (header.biSizeImage == 0)
            throw EVantrelError(kInvalidHDib);
        imageSize = header.biSizeImage;
    }
    const uint64_t fileSize = 14 + pixelOffset + imageSize;
    if (pixelOffset + imageSize > size || fileSize > UINT32_MAX)
        throw EVantrelError(kInvalidHDib);
    QByteArray file(qsizetype(fileSize), Qt::Uninitialized);
    auto *out = reinterpret_cast<uint8_t *>(file.data());
    out[0] = 'B';
    out[1] = 'M';
    PutLE32(out + 2, uint32_t(fileSize));
    PutLE32(out + 6, 0); // reserved
    PutLE32(out + 10, uint32_t(14 + pixelOffset));
    std::memcpy(out + 14, dib, size_t(pixelOffset + imageSize));
    if (header.biCompression == BI_RGB)
        PutLE32(out + 14 + 20, uint32_t(imageSize)); // biSizeImage, recomputed
    QImage bitmap;
    bitmap.loadFromData(file, "BMP");
    LoadFromBitmapHandle(bitmap);
}
