#include "formats/bitmapgraphic.h"

#include "formats/gbmglue.h"
#include "image/littleendian.h"
#include "image/registry.h"

#include <QBuffer>
#include <QImageReader>

#include <cmath>
#include <memory>

namespace {


// Dots per inch from a header's pixels per metre; values that give no usable
// 16-bit figure (negative, or beyond 65535 dpi) read as 0.
uint16_t DpiFromHeader(int32_t pelsPerMeter)
{
    const double dpi = std::nearbyint(pelsPerMeter * 0.0254);
    return dpi < 0 || dpi > 65535 ? 0 : uint16_t(dpi);
}

// Qt's reader, for the BMP variants the frame refuses.
void ReadWithQt(TMemoryStream &stream, TDibGraphic &graphic)
{
    QByteArray bytes = stream.RawByteArray(); // no copy
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAutoTransform(false);
    const QImage image = reader.read();
    if (image.isNull())
        throw EInvalidGraphic("Bitmap image is not valid");
    graphic.LoadFromQImage(image);
}

} // namespace

void TBitmapGraphic::LoadImageFromStream(TStream &stream, int)
{
    // Offsets in a BMP count from its first byte: a stream that does not
    // start there is copied from its position into memory first. A stream at 0
    // is read in place, so a file is read in whole blocks without a copy.
    std::unique_ptr<TMemoryStream> copy;
    TStream *in = &stream;
    if (stream.Position() != 0) {
        copy = std::make_unique<TMemoryStream>();
        copy->CopyFrom(stream, stream.Size() - stream.Position());
        copy->SetPosition(0);
        in = copy.get();
    }

    // Horizontal and vertical pixels per metre of a Windows header; absent
    // bytes read as 0.
    uint8_t res[8] = {};
    in->SetPosition(38);
    in->Read(res, 8);
    in->SetPosition(0);
    const int32_t xppm = int32_t(uint32_t(res[0]) | uint32_t(res[1]) << 8 | uint32_t(res[2]) << 16 | uint32_t(res[3]) << 24);
    const int32_t yppm = int32_t(uint32_t(res[4]) | uint32_t(res[5]) << 8 | uint32_t(res[6]) << 16 | uint32_t(res[7]) << 24);

    try {
        GbmReadGraphic(*in, *this, "File.bmp", "inv");
    } catch (...) {
        // Qt's reader wants the bytes in memory.
        auto *mem = dynamic_cast<TMemoryStream *>(in);
        if (!mem) {
            copy = std::make_unique<TMemoryStream>();
            copy->CopyFrom(*in, 0);
            mem = copy.get();
        }
        mem->SetPosition(0);
        ReadWithQt(*mem, *this);
    }
    SetXDotsPerInch(DpiFromHeader(xppm));
    SetYDotsPerInch(DpiFromHeader(yppm));
}

void TBitmapGraphic::SaveToStream(TStream &stream) { WriteBmp(*this, stream); }

void WriteBmp(const TDibGraphic &graphic, TStream &stream)
{
    if (graphic.Empty())
        throw EVantrelError("Cannot save an empty image");
    const TBitmapInfo &info = graphic.BitmapInfo();
    const TBitmapInfoHeader &h = info.bmiHeader;
    const uint32_t n = graphic.ImageFormat() == ifRgb24 ? 0 : graphic.LogPalette().palNumEntries;
    const uint32_t offset = 54 + 4 * n;
    const uint32_t size = h.biSizeImage;

    uint8_t fileHeader[14] = {'B', 'M'};
    PutLE32(fileHeader + 2, offset + size);
    PutLE32(fileHeader + 10, offset); // hotspot words 6 and 8 stay 0

    uint8_t dib[40];
    PutLE32(dib, h.biSize);
    PutLE32(dib + 4, uint32_t(h.biWidth));
    PutLE32(dib + 8, uint32_t(h.biHeight));
    PutLE16(dib + 12, h.biPlanes);
    PutLE16(dib + 14, h.biBitCount);
    PutLE32(dib + 16, h.biCompression);
    PutLE32(dib + 20, h.biSizeImage);
    PutLE32(dib + 24, uint32_t(h.biXPelsPerMeter));
    PutLE32(dib + 28, uint32_t(h.biYPelsPerMeter));
    PutLE32(dib + 32, h.biClrUsed);
    PutLE32(dib + 36, h.biClrImportant);

    stream.WriteBuffer(fileHeader, sizeof fileHeader);
    stream.WriteBuffer(dib, sizeof dib);
    if (n > 0)
        stream.WriteBuffer(info.bmiColors, 4 * int64_t(n)); // blue, green, red, 0
    stream.WriteBuffer(graphic.Bits(), size);
}

void RegisterBitmapGraphic()
{
    if (!GraphicClassForFile("*.BMP"))
        RegisterGraphicClass("BMP", "Bitmap file", GraphicClassOf<TBitmapGraphic>());
}
