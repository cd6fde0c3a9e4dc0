#include "formats/metafile/metafilegraphic.h"

#include "formats/metafile/metafile.h"
#include "image/registry.h"

#include <cmath>
#include <cstring>

namespace {

const char *const kInvalid = "Metafile is not valid";

uint32_t LE32(const uint8_t *p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
int16_t LE16(const uint8_t *p) { return int16_t(p[0] | (p[1] << 8)); }

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"

int Pixels(double extent)
{
    const double px = std::nearbyint(std::abs(extent));
    if (!(px >= 1))
        return 1;
    if (px > TMetaFileGraphic::kMaxSide)
        throw EInvalidGraphic("Metafile is too large");
    return int(px);
}

} // namespace

void TMetaFileGraphic::LoadImageFromStream(TStream &stream, int)
{
    const int64_t available = stream.Size() - stream.Position();
    if (available < 22 || available > kMaxFileSize)
        throw EInvalidGraphic(kInvalid);
    std::vector<uint8_t> file(static_cast<size_t>(available));
    stream.ReadBuffer(file.data(), available);
    const uint8_t *p = file.data();
    const double dpiX = ScreenLogicalDpiX(), dpiY = ScreenLogicalDpiY();

    if (LE32(p) == kPlaceableKey) {
        // Placeable header: key, handle, bounding box, units per inch,
        // reserved, checksum; the metafile follows at 22.
        const double left = LE16(p + 6), top = LE16(p + 8), right = LE16(p + 10), bottom = LE16(p + 12);
        const int inch = uint16_t(LE16(p + 14));
        if (inch == 0 || right == left || bottom == top || file.size() < 22 + 18)
            throw EInvalidGraphic(kInvalid);
        const int width = Pixels((right - left) * dpiX / inch), height = Pixels((bottom - top) * dpiY / inch);
        NewImage(width, height, ifRgb24, nullptr, 0, 0);
        std::memset(Bits(), 255, ImageSize());
        // The picture's logical space is the bounding box, mapped onto the image.
        const QTransform frame = QTransform::fromTranslate(-std::min(left, right), -std::min(top, bottom))
                                 * QTransform::fromScale(width / std::abs(right - left), height / std::abs(bottom - top));
        metafile::TPlayer player(*Canvas(), frame, inch, inch);
        metafile::TDcState &dc = player.Dc();
        dc.mapMode = 8;
        dc.windowOrg = dc.viewportOrg = QPointF(std::min(left, right), std::min(top, bottom));
        dc.windowExt = dc.viewportExt = QSizeF(std::abs(right - left), std::abs(bottom - top));
        Canvas()->save();
        metafile::PlayWmf(p + 22, file.size() - 22, player);
        Canvas()->restore();
        return;
    }

    if (file.size() >= 88 && LE32(p) == 1 && LE32(p + 40) == kEmfSignature) {
        // Header: bounds, frame (0.01 mm), signature, ..., reference device
        // size in pixels and in millimetres.
        const double fl = int32_t(LE32(p + 24)), ft = int32_t(LE32(p + 28));
        const double fr = int32_t(LE32(p + 32)), fb = int32_t(LE32(p + 36));
        const double devW = int32_t(LE32(p + 72)), devH = int32_t(LE32(p + 76));
        const double mmW = int32_t(LE32(p + 80)), mmH = int32_t(LE32(p + 84));
        if (fr <= fl || fb <= ft || devW <= 0 || devH <= 0 || mmW <= 0 || mmH <= 0)
            throw EInvalidGraphic(kInvalid);
        const int width = Pixels((fr - fl) * dpiX / 2540.0), height = Pixels((fb - ft) * dpiY / 2540.0);
        NewImage(width, height, ifRgb24, nullptr, 0, 0);
        std::memset(Bits(), 255, ImageSize());
        // Reference-device pixels per 0.01 mm, then the frame onto the image.
        const double pxPerHmmX = devW / (mmW * 100.0), pxPerHmmY = devH / (mmH * 100.0);
        const double frameX = fl * pxPerHmmX, frameY = ft * pxPerHmmY;
        const double frameW = (fr - fl) * pxPerHmmX, frameH = (fb - ft) * pxPerHmmY;
        const QTransform frame = QTransform::fromTranslate(-frameX, -frameY) * QTransform::fromScale(width / frameW, height / frameH);
        metafile::TPlayer player(*Canvas(), frame, devW / mmW * 25.4, devH / mmH * 25.4);
        Canvas()->save();
        metafile::PlayEmf(p, file.size(), player, frame);
        Canvas()->restore();
        return;
    }
    throw EInvalidGraphic(kInvalid);
}

void RegisterMetaFileGraphic()
{
    if (!GraphicClassForFile("*.WMF")) {
        RegisterGraphicClass("WMF", "Windows meta file", GraphicClassOf<TMetaFileGraphic>());
        RegisterGraphicClass("EMF", "Enhanced meta file", GraphicClassOf<TMetaFileGraphic>());
    }
}

namespace metafile {

QString DecodeAnsi(const uint8_t *bytes, size_t count, int charset)
{
    QString s;
    s.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        if (charset == 222 && b >= 0xA1 && b <= 0xFB)
            s.append(QChar(char16_t(0x0E01 + (b - 0xA1)))); // TIS-620 / code page 874
        else
            s.append(QChar(char16_t(b)));
    }
    return s;
}

} // namespace metafile
