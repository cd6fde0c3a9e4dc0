// Plays Windows metafiles (WMF) record by record. Arguments of a record are
// 16-bit words, most of them in reverse order (bottom, right, top, left).
#include "formats/metafile/metafile.h"

namespace metafile {

namespace {

// A record's parameter words, counted from the first word after the function.
struct TWords {
    const TRecordReader &r;
    int16_t operator[](size_t i) const { return r.I16(6 + 2 * i); }
    uint16_t U(size_t i) const { return r.U16(6 + 2 * i); }
    uint32_t U32(size_t i) const { return r.U32(6 + 2 * i); }
    size_t Count() const { return r.Size() > 6 ? (r.Size() - 6) / 2 : 0; }
};

QRectF Box(const TWords &w, size_t first) // bottom, right, top, left
{
    return QRectF(QPointF(w[first + 3], w[first + 2]), QPointF(w[first + 1], w[first]));
}

bool Points(const TWords &w, size_t first, size_t count, std::vector<QPointF> &out)
{
    if (count > size_t(kMaxPoints) || first + 2 * count > w.Count())
        return false;
    out.resize(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = QPointF(w[first + 2 * i], w[first + 2 * i + 1]);
    return true;
}

TGdiObject Brush(int style, uint32_t colour, int hatch)
{
    TGdiObject b;
    b.kind = TGdiObject::Brush;
    b.brushStyle = style;
    b.colour = TPlayer::Colour(colour);
    b.hatch = hatch;
    return b;
}

// A DIB that fills the rest of a record from byte offset `at`.
QImage TrailingDib(const TRecordReader &r, size_t at)
{
    if (!r.Has(at, 40))
        return {};
    const uint8_t *h = r.Data() + at;
    const uint32_t headerSize = uint32_t(h[0] | (h[1] << 8) | (h[2] << 16) | (uint32_t(h[3]) << 24));
    if (headerSize < 12 || !r.Has(at, headerSize))
        return {};
    int bits = headerSize == 12 ? (h[10] | (h[11] << 8)) : (h[14] | (h[15] << 8));
    uint32_t used = headerSize >= 40 ? uint32_t(h[32] | (h[33] << 8) | (h[34] << 16) | (uint32_t(h[35]) << 24)) : 0;
    const uint32_t compression = headerSize >= 40 ? uint32_t(h[16] | (h[17] << 8)) : 0;
    uint64_t table = bits <= 8 ? (used && used <= 256 ? used : (1u << bits)) : used;
    if (compression == 3 && headerSize == 40)
        table += 3; // bit-field masks
    const uint64_t entry = headerSize == 12 ? 3 : 4;
    const uint64_t headerAndTable = headerSize + table * entry;
    if (!r.Has(at, size_t(std::min<uint64_t>(headerAndTable, r.Size()))) || headerAndTable > r.Size() - at)
        return {};
    return DecodeDib(h, size_t(headerAndTable), h + headerAndTable, r.Size() - at - size_t(headerAndTable));
}

} // namespace

void PlayWmf(const uint8_t *data, size_t size, TPlayer &player)
{
    TRecordReader file(data, size);
    // The 18-byte header: type, header size in words, version, file size,
    // number of objects, largest record, unused.
    if (size < 18)
        return;
    player.SetObjectSlots(file.U16(10));
    size_t pos = size_t(file.U16(2)) * 2;
    std::vector<QPointF> pts;
    while (pos + 6 <= size) {
        const uint64_t length = uint64_t(file.U32(pos)) * 2;
        const uint16_t function = file.U16(pos + 4);
        if (length < 6 || length > size - pos)
            break; // a record that lies about its size ends the picture
        const TRecordReader r(data + pos, size_t(length));
        const TWords w{r};
        pos += size_t(length);
        TDcState &dc = player.Dc();
        switch (function) {
        case 0x0000: return; // EOF
        case 0x001E: player.SaveDc(); break;
        case 0x0127: player.RestoreDc(w[0]); break;
        case 0x0103: player.SetMapMode(w[0]); break;
        case 0x0102: dc.opaque = w[0] == 2; break;
        case 0x0201: dc.bkColour = TPlayer::Colour(w.U32(0)); break;
        case 0x0209: dc.textColour = TPlayer::Colour(w.U32(0)); break;
        case 0x0106: dc.winding = w[0] == 2; break;
        case 0x012E: dc.textAlign = w.U(0); break;
        case 0x020B: dc.windowOrg = QPointF(w[1], w[0]); break;
        case 0x020C: dc.windowExt = QSizeF(w[1], w[0]); break;
        case 0x020D: dc.viewportOrg = QPointF(w[1], w[0]); break;
        case 0x020E: dc.viewportExt = QSizeF(w[1], w[0]); break;
        case 0x020F: dc.windowOrg += QPointF(w[1], w[0]); break;
        case 0x0211: dc.viewportOrg += QPointF(w[1], w[0]); break;
        case 0x0410: player.ScaleWindowExt(w[3], w[2], w[1], w[0]); break;
        case 0x0412: player.ScaleViewportExt(w[3], w[2], w[1], w[0]); break;
        case 0x0214: player.MoveTo(QPointF(w[1], w[0])); break;
        case 0x0213: player.LineTo(QPointF(w[1], w[0])); break;
        case 0x0325: case 0x0324: // POLYLINE, POLYGON
            if (Points(w, 1, w.U(0), pts)) {
                if (function == 0x0325)
                    player.Polyline(pts);
                else
                    player.Polygon(pts);
            }
            break;
        case 0x0538: { // POLYPOLYGON
            const size_t n = w.U(0);
            if (1 + n > w.Count())
                break;
            std::vector<std::vector<QPointF>> polys;
            size_t at = 1 + n;
            for (size_t i = 0; i < n; ++i) {
                if (!Points(w, at, w.U(1 + i), pts))
                    break;
                polys.push_back(pts);
                at += 2 * pts.size();
            }
            player.PolyPolygon(polys);
            break;
        }
        case 0x041B: player.Rectangle(Box(w, 0)); break;
        case 0x061C: player.RoundRect(Box(w, 2), QSizeF(w[1], w[0])); break;
        case 0x0418: player.Ellipse(Box(w, 0)); break;
        case 0x0817: case 0x0830: case 0x081A: // ARC, CHORD, PIE
            // yEnd, xEnd, yStart, xStart, then the box
            player.ArcShape(Box(w, 4), QPointF(w[3], w[2]), QPointF(w[1], w[0]),
                            function == 0x0830 ? 1 : function == 0x081A ? 2 : 0);
            break;
        case 0x02FA: { // CREATEPENINDIRECT
            TGdiObject pen;
            pen.kind = TGdiObject::Pen;
            pen.penStyle = w.U(0);
            pen.penWidth = w[1];
            pen.colour = TPlayer::Colour(w.U32(3));
            player.AddObject(pen);
            break;
        }
        case 0x02FC: player.AddObject(Brush(w.U(0), w.U32(1), w.U(3))); break;
        case 0x0142: { // DIBCREATEPATTERNBRUSH
            TGdiObject b = Brush(3, 0, 0);
            b.pattern = TrailingDib(r, 10);
            player.AddObject(b);
            break;
        }
        case 0x02FB: { // CREATEFONTINDIRECT
            TGdiObject font;
            font.kind = TGdiObject::Font;
            font.fontHeight = w[0];
            font.escapement = w[2];
            font.weight = w[4];
            const size_t b = 6 + 10;
            font.italic = r.Has(b, 1) && r.Data()[b];
            font.underline = r.Has(b + 1, 1) && r.Data()[b + 1];
            font.strikeOut = r.Has(b + 2, 1) && r.Data()[b + 2];
            font.charset = r.Has(b + 3, 1) ? r.Data()[b + 3] : 0;
            size_t end = b + 8;
            while (end < r.Size() && end < b + 8 + 32 && r.Data()[end])
                ++end;
            if (r.Has(b + 8, 0) && end > b + 8)
                font.face = DecodeAnsi(r.Data() + b + 8, end - (b + 8), 0);
            player.AddObject(font);
            break;
        }
        case 0x00F7: case 0x01F9: case 0x06FF: { // palette, old pattern brush, region: keep the slot taken
            TGdiObject o;
            o.kind = function == 0x00F7 ? TGdiObject::Palette : function == 0x01F9 ? TGdiObject::Brush : TGdiObject::Region;
            if (function == 0x01F9)
                o.brushStyle = 0, o.colour = Qt::gray;
            player.AddObject(o);
            break;
        }
        case 0x012D: player.SelectObject(w.U(0)); break;
        case 0x01F0: player.DeleteObject(w.U(0)); break;
        case 0x0416: player.IntersectClip(Box(w, 0)); break;
        case 0x0415: player.ExcludeClip(Box(w, 0)); break;
        case 0x012C: player.SetClip(nullptr, 5); break; // SELECTCLIPREGION (regions are not kept)
        case 0x0220: player.OffsetClip(w[1], w[0]); break;
        case 0x0521: { // TEXTOUT: count, string (padded to words), y, x
            const size_t n = w.U(0);
            const size_t words = (n + 1) / 2;
            if (n > size_t(kMaxTextLength) || 1 + words + 2 > w.Count())
                break;
            const QString text = DecodeAnsi(r.Data() + 8, n, dc.font.charset);
            player.TextOut(QPointF(w[1 + words + 1], w[1 + words]), text, {}, nullptr, false);
            break;
        }
        case 0x0A32: { // EXTTEXTOUT: y, x, count, options, [rect], string, [dx]
            const size_t n = w.U(2);
            const uint16_t options = w.U(3);
            size_t at = 4;
            QRectF rect;
            const bool hasRect = options & 0x6;
            if (hasRect) {
                rect = QRectF(QPointF(w[4], w[5]), QPointF(w[6], w[7]));
                at += 4;
            }
            if (n > size_t(kMaxTextLength) || !r.Has(6 + 2 * at, n))
                break;
            const QString text = DecodeAnsi(r.Data() + 6 + 2 * at, n, dc.font.charset);
            std::vector<double> dx;
            const size_t dxAt = at + (n + 1) / 2;
            if (dxAt + n <= w.Count())
                for (size_t i = 0; i < n; ++i)
                    dx.push_back(w[dxAt + i]);
            player.TextOut(QPointF(w[1], w[0]), text, dx, hasRect ? &rect : nullptr, options & 0x4);
            break;
        }
        case 0x0940: case 0x0B41: { // DIBBITBLT, DIBSTRETCHBLT
            const bool stretch = function == 0x0B41;
            const uint32_t rop = w.U32(0);
            // The high byte of the function is the count of fixed parameters;
            // a record of just that size has no bitmap and one reserved word
            // more after the raster operation.
            const bool noBitmap = length == 2 * (3 + size_t(function >> 8));
            const size_t k = noBitmap ? 3 : 2; // first word after the raster operation
            if (stretch) {
                const QRectF dest(w[k + 7], w[k + 6], w[k + 5], w[k + 4]);
                if (noBitmap) {
                    player.PatternFill(dest, rop);
                    break;
                }
                const QRectF src(w[k + 3], w[k + 2], w[k + 1], w[k]);
                player.Image(dest, TrailingDib(r, 6 + 2 * (k + 8)), src, rop);
            } else {
                const QRectF dest(w[k + 5], w[k + 4], w[k + 3], w[k + 2]);
                if (noBitmap) {
                    player.PatternFill(dest, rop);
                    break;
                }
                const QRectF src(w[k + 1], w[k], dest.width(), dest.height());
                player.Image(dest, TrailingDib(r, 6 + 2 * (k + 6)), src, rop);
            }
            break;
        }
        case 0x0F43: { // STRETCHDIB: rop, usage, src h, w, y, x, dest h, w, y, x, DIB
            const uint32_t rop = w.U32(0);
            const QImage image = TrailingDib(r, 6 + 2 * 11);
            const QRectF dest(w[10], w[9], w[8], w[7]);
            QRectF src(w[6], w[5], w[4], w[3]);
            if (!image.isNull())
                src.moveTop(image.height() - src.top() - src.height());
            player.Image(dest, image, src, rop);
            break;
        }
        default: break; // records without visible effect here are skipped
        }
    }
}

} // namespace metafile
