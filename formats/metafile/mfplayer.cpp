#include "formats/metafile/mfplayer.h"

#include <QFontMetricsF>
#include <QGuiApplication>

#include <cmath>
#include <cstring>

namespace metafile {

uint16_t TRecordReader::U16(size_t offset) const
{
    if (!Has(offset, 2))
        return 0;
    return uint16_t(data_[offset] | (data_[offset + 1] << 8));
}

uint32_t TRecordReader::U32(size_t offset) const
{
    if (!Has(offset, 4))
        return 0;
    const uint8_t *p = data_ + offset;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

float TRecordReader::F32(size_t offset) const
{
    const uint32_t bits = U32(offset);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return std::isfinite(f) ? f : 0.0f;
}

namespace {

// Pen styles and their flags.
constexpr int PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5, PS_INSIDEFRAME = 6;
constexpr int PS_STYLE_MASK = 0x0F, PS_ENDCAP_MASK = 0x0F00, PS_JOIN_MASK = 0xF000;
constexpr int PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000;
constexpr int PS_GEOMETRIC = 0x10000;
// Brush styles.
constexpr int BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2;

// Logical units per millimetre of the fixed mapping modes (y grows upwards
// in all of them).
double MillimetresPerUnit(int mode)
{
    switch (mode) {
    case 2: return 0.1;           // MM_LOMETRIC
    case 3: return 0.01;          // MM_HIMETRIC
    case 4: return 0.254;         // MM_LOENGLISH
    case 5: return 0.0254;        // MM_HIENGLISH
    case 6: return 25.4 / 1440.0; // MM_TWIPS
    default: return 0;
    }
}

bool Sane(const QTransform &t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22())
           && std::isfinite(t.dx()) && std::isfinite(t.dy()) && std::abs(t.determinant()) > 1e-12;
}

} // namespace

TPlayer::TPlayer(QPainter &painter, const QTransform &frame, double deviceDpiX, double deviceDpiY)
    : painter_(painter), frame_(frame), base_(painter.transform()), dpiX_(deviceDpiX), dpiY_(deviceDpiY)
{
    dc_.brush.kind = TGdiObject::Brush;
    dc_.brush.colour = Qt::white;
    dc_.pen.kind = TGdiObject::Pen;
    dc_.font.kind = TGdiObject::Font;
    dc_.font.fontHeight = -12;
}

QColor TPlayer::Colour(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

QTransform TPlayer::PageTransform() const
{
    double sx = 1, sy = 1;
    const double mm = MillimetresPerUnit(dc_.mapMode);
    if (mm > 0) {
        sx = mm * dpiX_ / 25.4;
        sy = -mm * dpiY_ / 25.4;
    } else if (dc_.mapMode == 7 || dc_.mapMode == 8) {
        const double wx = dc_.windowExt.width() ? dc_.windowExt.width() : 1;
        const double wy = dc_.windowExt.height() ? dc_.windowExt.height() : 1;
        sx = dc_.viewportExt.width() / wx;
        sy = dc_.viewportExt.height() / wy;
        if (dc_.mapMode == 7) {
            // Isotropic: the smaller scale on both axes, signs kept.
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = sx < 0 ? -s : s;
            sy = sy < 0 ? -s : s;
        }
    }
    // device = (logical - windowOrg) * scale + viewportOrg
    return QTransform(sx, 0, 0, sy, dc_.viewportOrg.x() - dc_.windowOrg.x() * sx,
                      dc_.viewportOrg.y() - dc_.windowOrg.y() * sy);
}

QTransform TPlayer::Map() const { return dc_.world * PageTransform() * frame_; }

// ---------------------------------------------------------------- state

void TPlayer::SaveDc()
{
    if (saved_.size() < size_t(kMaxSavedStates))
        saved_.push_back(dc_);
}

void TPlayer::RestoreDc(int which)
{
    if (saved_.empty())
        return;
    size_t level;
    if (which < 0) {
        if (size_t(-int64_t(which)) > saved_.size())
            return;
        level = saved_.size() - size_t(-int64_t(which));
    } else {
        if (which == 0 || size_t(which) > saved_.size())
            return;
        level = size_t(which) - 1;
    }
    dc_ = saved_[level];
    saved_.resize(level);
}

void TPlayer::SetMapMode(int mode)
{
    if (mode < 1 || mode > 8)
        return;
    dc_.mapMode = mode;
    if (mode != 7 && mode != 8) {
        dc_.windowExt = QSizeF(1, 1);
        dc_.viewportExt = QSizeF(1, 1);
    }
}

void TPlayer::ScaleWindowExt(double xn, double xd, double yn, double yd)
{
    if (xd != 0 && yd != 0)
        dc_.windowExt = QSizeF(dc_.windowExt.width() * xn / xd, dc_.windowExt.height() * yn / yd);
}

void TPlayer::ScaleViewportExt(double xn, double xd, double yn, double yd)
{
    if (xd != 0 && yd != 0)
        dc_.viewportExt = QSizeF(dc_.viewportExt.width() * xn / xd, dc_.viewportExt.height() * yn / yd);
}

// ---------------------------------------------------------------- objects

void TPlayer::SetObjectSlots(int count) { objects_.assign(size_t(std::clamp(count, 0, kMaxObjects)), TGdiObject{}); }

int TPlayer::AddObject(const TGdiObject &object, int index)
{
    if (index < 0) {
        // The lowest free slot, as Windows metafiles number their objects.
        for (size_t i = 0; i < objects_.size(); ++i)
            if (objects_[i].kind == TGdiObject::None) {
                objects_[i] = object;
                return int(i);
            }
        if (objects_.size() >= size_t(kMaxObjects))
            return -1;
        objects_.push_back(object);
        return int(objects_.size() - 1);
    }
    if (index >= kMaxObjects)
        return -1;
    if (size_t(index) >= objects_.size())
        objects_.resize(size_t(index) + 1);
    objects_[size_t(index)] = object;
    return index;
}

void TPlayer::SelectObject(uint32_t index)
{
    if (index & 0x80000000u) {
        SelectStock(index & 0x7FFFFFFFu);
        return;
    }
    if (index >= objects_.size())
        return;
    const TGdiObject &o = objects_[index];
    switch (o.kind) {
    case TGdiObject::Pen: dc_.pen = o; break;
    case TGdiObject::Brush: dc_.brush = o; break;
    case TGdiObject::Font: dc_.font = o; break;
    case TGdiObject::Region: SetClip(&o.region, 5); break;
    default: break;
    }
}

void TPlayer::DeleteObject(uint32_t index)
{
    if (index < objects_.size())
        objects_[index] = TGdiObject{};
}

void TPlayer::SelectStock(uint32_t which)
{
    auto brush = [this](QColor c, int style) {
        dc_.brush = TGdiObject{};
        dc_.brush.kind = TGdiObject::Brush;
        dc_.brush.colour = c;
        dc_.brush.brushStyle = style;
    };
    auto pen = [this](QColor c, int style) {
        dc_.pen = TGdiObject{};
        dc_.pen.kind = TGdiObject::Pen;
        dc_.pen.colour = c;
        dc_.pen.penStyle = style;
    };
    switch (which) {
    case 0: brush(Qt::white, BS_SOLID); break;
    case 1: brush(QColor(192, 192, 192), BS_SOLID); break;
    case 2: brush(QColor(128, 128, 128), BS_SOLID); break;
    case 3: brush(QColor(64, 64, 64), BS_SOLID); break;
    case 4: brush(Qt::black, BS_SOLID); break;
    case 5: brush(Qt::white, BS_NULL); break;
    case 6: pen(Qt::white, 0); break;
    case 7: pen(Qt::black, 0); break;
    case 8: pen(Qt::black, PS_NULL); break;
    case 10: case 11: case 12: case 13: case 14: case 16: case 17:
        dc_.font = TGdiObject{};
        dc_.font.kind = TGdiObject::Font;
        dc_.font.fontHeight = -12;
        break;
    default: break;
    }
}

// ---------------------------------------------------------------- clipping

void TPlayer::SetClip(const QPainterPath *target, int mode)
{
    if (!target) { // no region: clipping off
        if (mode == 5)
            dc_.clipped = false;
        return;
    }
    QPainterPath current = dc_.clip;
    if (!dc_.clipped) {
        current = QPainterPath();
        current.addRect(QRectF(-1e7, -1e7, 2e7, 2e7));
    }
    switch (mode) {
    case 1: dc_.clip = current.intersected(*target); break;
    case 2: dc_.clip = current.united(*target); break;
    case 3: dc_.clip = current.united(*target).subtracted(current.intersected(*target)); break;
    case 4: dc_.clip = current.subtracted(*target); break;
    default: dc_.clip = *target; break;
    }
    dc_.clipped = true;
}

void TPlayer::IntersectClip(const QRectF &logical)
{
    QPainterPath p;
    p.addPolygon(Map().map(QPolygonF(logical.normalized())));
    SetClip(&p, 1);
}

void TPlayer::ExcludeClip(const QRectF &logical)
{
    QPainterPath p;
    p.addPolygon(Map().map(QPolygonF(logical.normalized())));
    SetClip(&p, 4);
}

void TPlayer::OffsetClip(double dx, double dy)
{
    if (!dc_.clipped)
        return;
    const QTransform m = Map();
    const QPointF d = m.map(QPointF(dx, dy)) - m.map(QPointF(0, 0));
    dc_.clip.translate(d);
}

// ---------------------------------------------------------------- paths

void TPlayer::BeginPath()
{
    path_ = QPainterPath();
    pathOpen_ = true;
}

void TPlayer::AbortPath()
{
    path_ = QPainterPath();
    pathOpen_ = false;
}

void TPlayer::CloseFigure()
{
    if (pathOpen_)
        path_.closeSubpath();
}

void TPlayer::AddToPath(const QPainterPath &logical, bool closed)
{
    QPainterPath p = Map().map(logical);
    if (closed)
        p.closeSubpath();
    path_.addPath(p);
}

void TPlayer::FillPath(bool stroke, bool fill)
{
    if (!Sane(Map()))
        return;
    path_.setFillRule(dc_.winding ? Qt::WindingFill : Qt::OddEvenFill);
    Draw(Map().inverted().map(path_), fill, stroke);
    path_ = QPainterPath();
    pathOpen_ = false;
}

void TPlayer::SelectClipPath(int mode)
{
    path_.setFillRule(dc_.winding ? Qt::WindingFill : Qt::OddEvenFill);
    SetClip(&path_, mode);
    path_ = QPainterPath();
    pathOpen_ = false;
}

// ---------------------------------------------------------------- pens and brushes

QPen TPlayer::MakePen() const
{
    const TGdiObject &p = dc_.pen;
    const int style = p.penStyle & PS_STYLE_MASK;
    if (style == PS_NULL)
        return Qt::NoPen;
    QPen pen(p.colour);
    const bool cosmetic = p.penWidth <= 1 && !(p.penStyle & PS_GEOMETRIC);
    if (cosmetic) {
        pen.setCosmetic(true);
        pen.setWidthF(1);
    } else {
        pen.setWidthF(p.penWidth);
    }
    switch (style) {
    case PS_DASH: pen.setStyle(Qt::DashLine); break;
    case PS_DOT: pen.setStyle(Qt::DotLine); break;
    case PS_DASHDOT: pen.setStyle(Qt::DashDotLine); break;
    case PS_DASHDOTDOT: pen.setStyle(Qt::DashDotDotLine); break;
    default: break;
    }
    switch (p.penStyle & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
    case PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(Qt::RoundCap); break;
    }
    switch (p.penStyle & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
    case PS_JOIN_MITER: pen.setJoinStyle(Qt::MiterJoin); break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
    }
    (void)PS_INSIDEFRAME;
    return pen;
}

QBrush TPlayer::MakeBrush(const TGdiObject &b) const
{
    switch (b.brushStyle) {
    case BS_NULL: return Qt::NoBrush;
    case BS_SOLID: return QBrush(b.colour);
    case BS_HATCHED: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(b.colour, hatches[b.hatch >= 0 && b.hatch < 6 ? b.hatch : 0]);
    }
    default:
        if (!b.pattern.isNull())
            return QBrush(b.pattern);
        return QBrush(b.colour);
    }
}

void TPlayer::Prepare()
{
    painter_.setTransform(Map() * base_);
    if (dc_.clipped)
        painter_.setClipPath(Map().inverted().map(dc_.clip));
    else
        painter_.setClipping(false);
}

void TPlayer::Draw(const QPainterPath &path, bool fill, bool stroke)
{
    if (!Sane(Map()))
        return;
    Prepare();
    if (fill) {
        const QBrush brush = MakeBrush(dc_.brush);
        if (brush.style() != Qt::NoBrush) {
            // Hatches show the background colour between their lines when
            // the background mode is opaque.
            if (dc_.brush.brushStyle == BS_HATCHED && dc_.opaque)
                painter_.fillPath(path, dc_.bkColour);
            if (brush.style() == Qt::TexturePattern) {
                // Pattern brushes repeat in device pixels from the origin.
                const QTransform m = Map();
                QBrush b = brush;
                b.setTransform(m.inverted());
                painter_.fillPath(path, b);
            } else if (brush.style() != Qt::SolidPattern) {
                QBrush b = brush;
                b.setTransform(Map().inverted());
                painter_.fillPath(path, b);
            } else {
                painter_.fillPath(path, brush);
            }
        }
    }
    if (stroke) {
        const QPen pen = MakePen();
        if (pen.style() != Qt::NoPen)
            painter_.strokePath(path, pen);
    }
}

// ---------------------------------------------------------------- drawing

void TPlayer::MoveTo(QPointF p)
{
    dc_.current = p;
    if (pathOpen_)
        path_.moveTo(Map().map(p));
}

void TPlayer::LineTo(QPointF p)
{
    QPainterPath line(dc_.current);
    line.lineTo(p);
    if (pathOpen_) {
        if (path_.elementCount() == 0)
            path_.moveTo(Map().map(dc_.current));
        path_.lineTo(Map().map(p));
    } else {
        Draw(line, false, true);
    }
    dc_.current = p;
}

void TPlayer::Polyline(const std::vector<QPointF> &points, bool fromCurrent)
{
    if (points.empty())
        return;
    QPainterPath p(fromCurrent ? dc_.current : points[0]);
    for (size_t i = fromCurrent ? 0 : 1; i < points.size(); ++i)
        p.lineTo(points[i]);
    if (pathOpen_) {
        if (fromCurrent && path_.elementCount() > 0) {
            for (const QPointF &q : points)
                path_.lineTo(Map().map(q));
        } else {
            AddToPath(p, false);
        }
    } else {
        Draw(p, false, true);
    }
    if (fromCurrent)
        dc_.current = points.back();
}

void TPlayer::Polygon(const std::vector<QPointF> &points)
{
    if (points.size() < 2)
        return;
    QPainterPath p;
    p.setFillRule(dc_.winding ? Qt::WindingFill : Qt::OddEvenFill);
    p.addPolygon(QPolygonF(QList<QPointF>(points.begin(), points.end())));
    p.closeSubpath();
    if (pathOpen_)
        AddToPath(p, true);
    else
        Draw(p, true, true);
}

void TPlayer::PolyPolygon(const std::vector<std::vector<QPointF>> &polygons)
{
    QPainterPath p;
    p.setFillRule(dc_.winding ? Qt::WindingFill : Qt::OddEvenFill);
    for (const auto &poly : polygons) {
        if (poly.size() < 2)
            continue;
        p.addPolygon(QPolygonF(QList<QPointF>(poly.begin(), poly.end())));
        p.closeSubpath();
    }
    if (pathOpen_)
        AddToPath(p, true);
    else
        Draw(p, true, true);
}

void TPlayer::PolyBezier(const std::vector<QPointF> &points, bool fromCurrent)
{
    size_t i = 0;
    QPainterPath p(fromCurrent ? dc_.current : (points.empty() ? QPointF() : points[0]));
    if (!fromCurrent)
        i = 1;
    for (; i + 2 < points.size(); i += 3)
        p.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (pathOpen_) {
        if (fromCurrent && path_.elementCount() > 0) {
            const QTransform m = Map();
            for (size_t k = 0; k + 2 < points.size(); k += 3)
                path_.cubicTo(m.map(points[k]), m.map(points[k + 1]), m.map(points[k + 2]));
        } else {
            AddToPath(p, false);
        }
    } else {
        Draw(p, false, true);
    }
    if (fromCurrent && !points.empty())
        dc_.current = points.back();
}

void TPlayer::Rectangle(const QRectF &r)
{
    QPainterPath p;
    p.addRect(r.normalized());
    if (pathOpen_)
        AddToPath(p, true);
    else
        Draw(p, true, true);
}

void TPlayer::RoundRect(const QRectF &r, QSizeF corner)
{
    QPainterPath p;
    p.addRoundedRect(r.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    if (pathOpen_)
        AddToPath(p, true);
    else
        Draw(p, true, true);
}

void TPlayer::Ellipse(const QRectF &r)
{
    QPainterPath p;
    p.addEllipse(r.normalized());
    if (pathOpen_)
        AddToPath(p, true);
    else
        Draw(p, true, true);
}

void TPlayer::ArcShape(const QRectF &boxIn, QPointF start, QPointF end, int kind, bool moveCurrent)
{
    const QRectF box = boxIn.normalized();
    if (box.width() <= 0 || box.height() <= 0)
        return;
    const QPointF c = box.center();
    // Angles in Qt's sense (counter-clockwise, y up) of the radials through
    // the two points; GDI draws counter-clockwise in logical space by
    // default, which with y down is clockwise on paper... as GDI defines it,
    // counter-clockwise in the logical coordinate system.
    auto angle = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) / box.height(), (p.x() - c.x()) / box.width()) * 180.0 / M_PI;
    };
    const double a0 = angle(start);
    double sweep = angle(end) - a0;
    if (dc_.arcClockwise) {
        if (sweep >= 0)
            sweep -= 360;
    } else if (sweep <= 0) {
        sweep += 360;
    }
    QPainterPath p;
    if (kind == 2) {
        p.moveTo(c);
        p.arcTo(box, a0, sweep);
        p.closeSubpath();
    } else {
        p.arcMoveTo(box, a0);
        p.arcTo(box, a0, sweep);
        if (kind == 1)
            p.closeSubpath();
    }
    if (pathOpen_)
        AddToPath(p, kind != 0);
    else
        Draw(p, kind != 0, true);
    if (moveCurrent)
        dc_.current = p.currentPosition();
}

void TPlayer::FillRect(const QRectF &logical, const QBrush &brush)
{
    if (!Sane(Map()))
        return;
    Prepare();
    painter_.fillRect(logical.normalized(), brush);
}

void TPlayer::TextOut(QPointF at, const QString &text, const std::vector<double> &dx, const QRectF *rect,
                      bool clipToRect)
{
    const QTransform m = Map();
    if (!Sane(m))
        return;
    if (rect && dc_.opaque)
        FillRect(*rect, dc_.bkColour);
    if (dc_.textAlign & 1) // TA_UPDATECP
        at = dc_.current;
    // Fonts come from the application's font database: without a GUI
    // application object there is none, and Qt would end the process. The
    // picture then lacks its text rather than the program its life.
    if (text.isEmpty() || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;

    // Text is laid out in target pixels, upright whatever the mapping's
    // direction, at the size the mapping gives the font.
    const double scaleY = std::hypot(m.m21(), m.m22());
    const double scaleX = std::hypot(m.m11(), m.m12());
    double height = std::abs(dc_.font.fontHeight) * scaleY;
    if (height < 1)
        height = dc_.font.fontHeight == 0 ? 12 : 1;
    if (height > 4000)
        return;
    QFont font(dc_.font.face.isEmpty() ? QStringLiteral("Sans") : dc_.font.face);
    font.setPixelSize(std::max(1, int(std::lround(height))));
    font.setWeight(QFont::Weight(std::clamp(dc_.font.weight, 100, 900)));
    font.setItalic(dc_.font.italic);
    font.setUnderline(dc_.font.underline);
    font.setStrikeOut(dc_.font.strikeOut);
    if (dc_.font.fontHeight > 0) {
        // A positive height is the cell height (ascent + descent).
        const QFontMetricsF fm(font);
        const double cell = fm.ascent() + fm.descent();
        if (cell > 0)
            font.setPixelSize(std::max(1, int(std::lround(height * height / cell))));
    }
    const QFontMetricsF fm(font);
    double width = 0;
    if (!dx.empty()) {
        for (double d : dx)
            width += d;
        width *= scaleX;
    } else {
        width = fm.horizontalAdvance(text);
    }

    const QPointF origin = m.map(at);
    painter_.setTransform(base_);
    if (dc_.clipped)
        painter_.setClipPath(dc_.clip);
    else
        painter_.setClipping(false);
    if (rect && clipToRect) {
        QPainterPath r;
        r.addPolygon(m.map(QPolygonF(rect->normalized())));
        painter_.setClipPath(r, dc_.clipped ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    painter_.translate(origin);
    painter_.rotate(-dc_.font.escapement / 10.0);
    double x = 0, y = 0;
    const int h = dc_.textAlign & 6, v = dc_.textAlign & 24;
    if (h == 6)
        x = -width / 2; // TA_CENTER
    else if (h == 2)
        x = -width;     // TA_RIGHT
    if (v == 24)
        y = 0; // TA_BASELINE
    else if (v == 8)
        y = -fm.descent(); // TA_BOTTOM
    else
        y = fm.ascent();   // TA_TOP
    painter_.setFont(font);
    painter_.setPen(dc_.textColour);
    if (dc_.opaque && !rect)
        painter_.fillRect(QRectF(x, y - fm.ascent(), width, fm.ascent() + fm.descent()), dc_.bkColour);
    painter_.drawText(QPointF(x, y), text);
    if (dc_.textAlign & 1) {
        dc_.current = m.inverted().map(origin + QPointF(width, 0));
    }
}

void TPlayer::Image(const QRectF &dest, const QImage &image, QRectF source, uint32_t rop)
{
    if (image.isNull() || !Sane(Map()))
        return;
    Prepare();
    source = source.intersected(QRectF(image.rect()));
    if (source.isEmpty())
        return;
    const QRectF d = dest;
    // Raster operations that combine with what is there: darken for AND,
    // lighten for OR; everything else copies.
    switch (rop) {
    case 0x008800C6: painter_.setCompositionMode(QPainter::CompositionMode_Darken); break;   // SRCAND
    case 0x00EE0086: painter_.setCompositionMode(QPainter::CompositionMode_Lighten); break;  // SRCPAINT
    case 0x00660046: painter_.setCompositionMode(QPainter::CompositionMode_Difference); break; // SRCINVERT
    default: break;
    }
    // GDI flips the picture when the destination extent is negative.
    QTransform save = painter_.transform();
    QRectF n = d;
    QTransform flip;
    if (d.width() < 0 || d.height() < 0) {
        flip.translate(d.center().x(), d.center().y());
        flip.scale(d.width() < 0 ? -1 : 1, d.height() < 0 ? -1 : 1);
        flip.translate(-d.center().x(), -d.center().y());
        n = d.normalized();
        painter_.setTransform(flip * save);
    }
    painter_.drawImage(n, image, source);
    painter_.setTransform(save);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPlayer::PatternFill(const QRectF &dest, uint32_t rop)
{
    switch (rop) {
    case 0x00000042: FillRect(dest, Qt::black); break; // BLACKNESS
    case 0x00FF0062: FillRect(dest, Qt::white); break; // WHITENESS
    case 0x00F00021:                                   // PATCOPY
    case 0x005A0049: {                                 // PATINVERT
        QPainterPath p;
        p.addRect(dest.normalized());
        Draw(p, true, false);
        break;
    }
    default: break;
    }
}

void TPlayer::FillRegion(const QPainterPath &target, const TGdiObject &brush)
{
    if (!Sane(Map()))
        return;
    Prepare();
    painter_.fillPath(Map().inverted().map(target), MakeBrush(brush));
}

void TPlayer::FramePath(const QPainterPath &logical, const QPen *pen)
{
    (void)pen;
    Draw(logical, false, true);
}

// ---------------------------------------------------------------- embedded bitmaps

QImage DecodeDib(const uint8_t *header, size_t headerSize, const uint8_t *bits, size_t bitsSize)
{
    if (!header || headerSize < 12)
        return {};
    auto le32 = [](const uint8_t *p) {
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    };
    const uint32_t size = le32(header);
    if (size < 12 || size > headerSize)
        return {};
    int64_t width, height;
    int bitCount;
    uint32_t compression = 0, clrUsed = 0;
    if (size == 12) {
        width = header[4] | (header[5] << 8);
        height = header[6] | (header[7] << 8);
        bitCount = header[10] | (header[11] << 8);
    } else {
        if (size < 40)
            return {};
        width = int32_t(le32(header + 4));
        height = int32_t(le32(header + 8));
        bitCount = header[14] | (header[15] << 8);
        compression = le32(header + 16);
        clrUsed = le32(header + 32);
    }
    if (width <= 0 || height == 0 || width > kMaxBitmapSide || std::abs(height) > kMaxBitmapSide)
        return {};
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return {};
    // Hand the DIB to Qt's BMP reader as a file; the header and colour table
    // come from the record, the pixels from where the record keeps them.
    QByteArray file;
    file.reserve(qsizetype(14 + headerSize + bitsSize));
    const uint32_t offBits = uint32_t(14 + headerSize);
    const uint32_t fileSize = uint32_t(14 + headerSize + bitsSize);
    const char fileHeader[14] = {'B', 'M', char(fileSize), char(fileSize >> 8), char(fileSize >> 16),
                                 char(fileSize >> 24), 0, 0, 0, 0, char(offBits), char(offBits >> 8),
                                 char(offBits >> 16), char(offBits >> 24)};
    file.append(fileHeader, 14);
    file.append(reinterpret_cast<const char *>(header), qsizetype(headerSize));
    if (bits && bitsSize)
        file.append(reinterpret_cast<const char *>(bits), qsizetype(bitsSize));
    (void)compression;
    (void)clrUsed;
    QImage image;
    if (!image.loadFromData(file, "BMP"))
        return {};
    return image;
}

} // namespace metafile
