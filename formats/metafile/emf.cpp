// Plays enhanced metafiles (EMF) record by record.
#include "formats/metafile/metafile.h"
#include "formats/metafile/mfplayer.h"

#include <cmath>

namespace metafile {

namespace {

QRectF RectL(const TRecordReader &r, size_t at)
{
    return QRectF(QPointF(r.I32(at), r.I32(at + 4)), QPointF(r.I32(at + 8), r.I32(at + 12)));
}

QPointF PointL(const TRecordReader &r, size_t at) { return QPointF(r.I32(at), r.I32(at + 4)); }

// Points of a poly record: 32-bit pairs, or 16-bit pairs for the *16 records.
// count bounded by the record and by kMaxPoints.
bool Points(const TRecordReader &r, size_t at, uint32_t count, bool small, std::vector<QPointF> &out)
{
    const size_t each = small ? 4 : 8;
    if (count > uint32_t(kMaxPoints) || !r.Has(at, size_t(count) * each))
        return false;
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t p = at + i * each;
        out[i] = small ? QPointF(r.I16(p), r.I16(p + 2)) : QPointF(r.I32(p), r.I32(p + 4));
    }
    return true;
}

// A region's rectangles (RGNDATA) in device units of the reference device.
QPainterPath RegionPath(const TRecordReader &r, size_t at, size_t size)
{
    QPainterPath path;
    if (!r.Has(at, 32) || size < 32)
        return path;
    const uint32_t count = r.U32(at + 8);
    if (count > uint32_t(kMaxPoints) || !r.Has(at + 32, size_t(count) * 16))
        return path;
    for (uint32_t i = 0; i < count; ++i)
        path.addRect(RectL(r, at + 32 + i * 16).normalized());
    return path.simplified();
}

QImage RecordDib(const TRecordReader &r, size_t offHeader, size_t offBitsField)
{
    const uint32_t offBmi = r.U32(offHeader), cbBmi = r.U32(offHeader + 4);
    const uint32_t offBits = r.U32(offBitsField), cbBits = r.U32(offBitsField + 4);
    if (cbBmi == 0 || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits))
        return {};
    return DecodeDib(r.Data() + offBmi, cbBmi, cbBits ? r.Data() + offBits : nullptr, cbBits);
}

QString Utf16(const TRecordReader &r, size_t at, uint32_t chars)
{
    if (chars > uint32_t(kMaxTextLength) || !r.Has(at, size_t(chars) * 2))
        return {};
    QString s(qsizetype(chars), Qt::Uninitialized);
    for (uint32_t i = 0; i < chars; ++i)
        s[qsizetype(i)] = QChar(r.U16(at + 2 * i));
    return s;
}

} // namespace

void PlayEmf(const uint8_t *data, size_t size, TPlayer &player, const QTransform &)
{
    TRecordReader file(data, size);
    const uint32_t handles = file.U16(48);
    player.SetObjectSlots(int(handles));
    size_t pos = 0;
    std::vector<QPointF> pts;
    while (pos + 8 <= size) {
        const uint32_t type = file.U32(pos), length = file.U32(pos + 4);
        if (length < 8 || length % 4 != 0 || length > size - pos)
            break; // a record that lies about its size ends the picture
        const TRecordReader r(data + pos, length);
        pos += length;
        TDcState &dc = player.Dc();
        switch (type) {
        case 14: return; // EOF
        case 2: case 3: case 4: case 5: case 6: case 85: case 86: case 87: case 88: case 89: {
            const bool small = type >= 85;
            if (!Points(r, 28, r.U32(24), small, pts))
                break;
            switch (small ? type - 83 : type) {
            case 2: player.PolyBezier(pts); break;
            case 3: player.Polygon(pts); break;
            case 4: player.Polyline(pts); break;
            case 5: player.PolyBezier(pts, true); break;
            case 6: player.Polyline(pts, true); break;
            }
            break;
        }
        case 7: case 8: case 90: case 91: { // poly-polyline / poly-polygon
            const bool small = type >= 90;
            const uint32_t n = r.U32(24), total = r.U32(28);
            if (n > uint32_t(kMaxPoints) || !r.Has(32, size_t(n) * 4))
                break;
            if (!Points(r, 32 + size_t(n) * 4, total, small, pts))
                break;
            std::vector<std::vector<QPointF>> polys;
            size_t k = 0;
            for (uint32_t i = 0; i < n; ++i) {
                const uint32_t c = r.U32(32 + i * 4);
                if (c > total - k)
                    break;
                polys.emplace_back(pts.begin() + ptrdiff_t(k), pts.begin() + ptrdiff_t(k + c));
                k += c;
            }
            if (type == 8 || type == 91)
                player.PolyPolygon(polys);
            else
                for (const auto &p : polys)
                    player.Polyline(p);
            break;
        }
        case 9: dc.windowExt = QSizeF(r.I32(8), r.I32(12)); break;
        case 10: dc.windowOrg = PointL(r, 8); break;
        case 11: dc.viewportExt = QSizeF(r.I32(8), r.I32(12)); break;
        case 12: dc.viewportOrg = PointL(r, 8); break;
        case 17: player.SetMapMode(int(r.U32(8))); break;
        case 18: dc.opaque = r.U32(8) == 2; break;
        case 19: dc.winding = r.U32(8) == 2; break;
        case 22: dc.textAlign = int(r.U32(8)); break;
        case 24: dc.textColour = TPlayer::Colour(r.U32(8)); break;
        case 25: dc.bkColour = TPlayer::Colour(r.U32(8)); break;
        case 26: player.OffsetClip(r.I32(8), r.I32(12)); break;
        case 27: player.MoveTo(PointL(r, 8)); break;
        case 29: player.ExcludeClip(RectL(r, 8)); break;
        case 30: player.IntersectClip(RectL(r, 8)); break;
        case 31: player.ScaleViewportExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
        case 32: player.ScaleWindowExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
        case 33: player.SaveDc(); break;
        case 34: player.RestoreDc(r.I32(8)); break;
        case 35: case 36: { // world transform
            const QTransform t(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
            const uint32_t mode = type == 35 ? 4 : r.U32(32);
            switch (mode) {
            case 1: dc.world = QTransform(); break;        // MWT_IDENTITY
            case 2: dc.world = t * dc.world; break;        // MWT_LEFTMULTIPLY
            case 3: dc.world = dc.world * t; break;        // MWT_RIGHTMULTIPLY
            case 4: dc.world = t; break;                   // MWT_SET
            }
            break;
        }
        case 37: player.SelectObject(r.U32(8)); break;
        case 38: { // CREATEPEN
            TGdiObject pen;
            pen.kind = TGdiObject::Pen;
            pen.penStyle = int(r.U32(12));
            pen.penWidth = r.I32(16);
            pen.colour = TPlayer::Colour(r.U32(24));
            player.AddObject(pen, int(r.U32(8)));
            break;
        }
        case 95: { // EXTCREATEPEN
            TGdiObject pen;
            pen.kind = TGdiObject::Pen;
            pen.penStyle = int(r.U32(28));
            pen.penWidth = r.U32(32);
            pen.brushStyle = int(r.U32(36));
            pen.colour = TPlayer::Colour(r.U32(40));
            if (pen.brushStyle == 1)
                pen.penStyle = 5; // a null brush draws nothing
            player.AddObject(pen, int(r.U32(8)));
            break;
        }
        case 39: { // CREATEBRUSHINDIRECT
            TGdiObject brush;
            brush.kind = TGdiObject::Brush;
            brush.brushStyle = int(r.U32(12));
            brush.colour = TPlayer::Colour(r.U32(16));
            brush.hatch = int(r.U32(20));
            player.AddObject(brush, int(r.U32(8)));
            break;
        }
        case 93: case 94: { // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT
            TGdiObject brush;
            brush.kind = TGdiObject::Brush;
            brush.brushStyle = 3;
            brush.pattern = RecordDib(r, 16, 24);
            player.AddObject(brush, int(r.U32(8)));
            break;
        }
        case 82: { // EXTCREATEFONTINDIRECTW
            TGdiObject font;
            font.kind = TGdiObject::Font;
            font.fontHeight = r.I32(12);
            font.escapement = r.I32(20);
            font.weight = r.I32(28);
            font.italic = r.Size() > 32 && r.Data()[32];
            font.underline = r.Size() > 33 && r.Data()[33];
            font.strikeOut = r.Size() > 34 && r.Data()[34];
            font.charset = r.Size() > 35 ? r.Data()[35] : 0;
            QString face = Utf16(r, 40, 32);
            font.face = face.left(face.indexOf(QChar(0)) >= 0 ? face.indexOf(QChar(0)) : face.size());
            player.AddObject(font, int(r.U32(8)));
            break;
        }
        case 40: player.DeleteObject(r.U32(8)); break;
        case 42: player.Ellipse(RectL(r, 8)); break;
        case 43: player.Rectangle(RectL(r, 8)); break;
        case 44: player.RoundRect(RectL(r, 8), QSizeF(r.I32(24), r.I32(28))); break;
        case 45: case 46: case 47: case 55: // ARC, CHORD, PIE, ARCTO
            player.ArcShape(RectL(r, 8), PointL(r, 24), PointL(r, 32), type == 46 ? 1 : type == 47 ? 2 : 0,
                            type == 55);
            break;
        case 54: player.LineTo(PointL(r, 8)); break;
        case 57: dc.arcClockwise = r.U32(8) == 2; break;
        case 59: player.BeginPath(); break;
        case 60: player.EndPath(); break;
        case 61: player.CloseFigure(); break;
        case 62: player.FillPath(false, true); break;
        case 63: player.FillPath(true, true); break;
        case 64: player.FillPath(true, false); break;
        case 67: player.SelectClipPath(int(r.U32(8))); break;
        case 68: player.AbortPath(); break;
        case 75: { // EXTSELECTCLIPRGN
            const uint32_t cb = r.U32(8), mode = r.U32(12);
            if (cb == 0) {
                player.SetClip(nullptr, int(mode));
                break;
            }
            const QPainterPath region = RegionPath(r, 16, cb);
            // Region rectangles are in device units of the reference device.
            const QTransform frame = player.Frame();
            const QPainterPath target = frame.map(region);
            player.SetClip(&target, int(mode));
            break;
        }
        case 76: case 77: { // BITBLT, STRETCHBLT
            const QRectF dest(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
            const uint32_t rop = r.U32(40);
            const QImage image = RecordDib(r, 84, 92);
            if (image.isNull()) {
                player.PatternFill(dest, rop);
                break;
            }
            const QRectF src(r.I32(44), r.I32(48), type == 77 ? r.I32(100) : dest.width(),
                             type == 77 ? r.I32(104) : dest.height());
            player.Image(dest, image, src, rop);
            break;
        }
        case 80: { // SETDIBITSTODEVICE
            const QImage image = RecordDib(r, 48, 56);
            const QRectF dest(r.I32(24), r.I32(28), r.I32(40), r.I32(44));
            player.Image(dest, image, QRectF(r.I32(32), r.I32(36), dest.width(), dest.height()), 0xCC0020);
            break;
        }
        case 81: { // STRETCHDIBITS
            const QRectF dest(r.I32(24), r.I32(28), r.I32(72), r.I32(76));
            const QRectF src(r.I32(32), r.I32(36), r.I32(40), r.I32(44));
            const QImage image = RecordDib(r, 48, 56);
            // Source rectangles count rows from the bottom of the DIB.
            QRectF s = src;
            if (!image.isNull())
                s.moveTop(image.height() - src.top() - src.height());
            player.Image(dest, image, s, r.U32(68));
            break;
        }
        case 83: case 84: { // EXTTEXTOUTA / W
            const size_t t = 36; // EMRTEXT
            const QPointF at = PointL(r, t);
            const uint32_t chars = r.U32(t + 8), offString = r.U32(t + 12), options = r.U32(t + 16);
            const QRectF rect = RectL(r, t + 20);
            const uint32_t offDx = r.U32(t + 36);
            QString text;
            if (type == 84) {
                text = Utf16(r, offString, chars);
            } else if (chars <= uint32_t(kMaxTextLength) && r.Has(offString, chars)) {
                text = QString::fromLatin1(reinterpret_cast<const char *>(r.Data() + offString), qsizetype(chars));
            }
            std::vector<double> dx;
            if (offDx && chars <= uint32_t(kMaxTextLength) && r.Has(offDx, size_t(chars) * 4)) {
                for (uint32_t i = 0; i < chars; ++i)
                    dx.push_back(r.I32(offDx + 4 * i));
            }
            const bool opaque = options & 0x2, clip = options & 0x4;
            player.TextOut(at, text, dx, opaque || clip ? &rect : nullptr, clip);
            break;
        }
        case 71: { // FILLRGN
            const uint32_t cb = r.U32(24), index = r.U32(28);
            (void)index;
            const QPainterPath region = RegionPath(r, 32, cb);
            player.FillRegion(player.Frame().map(region), player.Dc().brush);
            break;
        }
        default: break; // records without visible effect here are skipped
        }
    }
}

} // namespace metafile
