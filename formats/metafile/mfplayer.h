#pragma once
// The drawing state shared by the Windows metafile (WMF) and enhanced
// metafile (EMF) players: the device-context state GDI keeps while a metafile
// plays (objects, colours, modes, mapping, transforms, clip, path, saved
// states) and the drawing operations on a QPainter.
//
// Coordinates in records are logical; Map() gives the transform from logical
// units to the pixels of the target image: world transform (EMF), then the
// page mapping (window and viewport), then the metafile's device frame onto
// the target rectangle (Frame). Every drawing call sets the painter's
// transform from it, so pens, brushes and shapes scale as GDI scales them.
#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace metafile {

// Caps that keep a hostile file from making the player allocate or loop
// without end.
constexpr int kMaxObjects = 65535;     // object table slots
constexpr int kMaxSavedStates = 1024;  // SaveDC nesting
constexpr int kMaxPoints = 1 << 20;    // points in one path or polygon record
constexpr int kMaxTextLength = 32768;  // characters of one text record
constexpr int kMaxBitmapSide = 16384;  // embedded bitmaps

// Little-endian reads bounded by the record they come from.
class TRecordReader {
public:
    TRecordReader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    size_t Size() const { return size_; }
    const uint8_t *Data() const { return data_; }
    bool Has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }
    uint16_t U16(size_t offset) const;
    int16_t I16(size_t offset) const { return int16_t(U16(offset)); }
    uint32_t U32(size_t offset) const;
    int32_t I32(size_t offset) const { return int32_t(U32(offset)); }
    float F32(size_t offset) const;

private:
    const uint8_t *data_;
    size_t size_;
};

// A GDI object as created by a record.
struct TGdiObject {
    enum Kind { None, Pen, Brush, Font, Palette, Region } kind = None;
    // Pen
    int penStyle = 0;         // PS_* incl. end cap and join bits
    double penWidth = 0;      // logical units; 0 is one device pixel
    QColor colour = Qt::black;
    // Brush
    int brushStyle = 0;       // BS_*
    int hatch = 0;
    QImage pattern;
    // Font
    double fontHeight = 0;    // logical units, negative: character height
    int escapement = 0;       // tenths of a degree
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int charset = 0;
    QString face;
    // Region (device pixels of the reference device, as rectangles)
    QPainterPath region;
};

struct TDcState {
    TGdiObject pen, brush, font;
    QColor textColour = Qt::black, bkColour = Qt::white;
    bool opaque = true;            // background mode
    bool winding = false;          // polygon fill mode: alternate or winding
    int textAlign = 0;
    int mapMode = 1;               // MM_TEXT
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    QTransform world;
    QPointF current;               // current position, logical
    bool clipped = false;
    QPainterPath clip;             // in target pixels
    bool arcClockwise = false;
};

class TPlayer {
public:
    // painter draws on the target; frame maps the metafile's device space
    // onto the target rectangle.
    TPlayer(QPainter &painter, const QTransform &frame, double deviceDpiX, double deviceDpiY);

    TDcState &Dc() { return dc_; }
    // Device (reference device) units -> target pixels.
    const QTransform &Frame() const { return frame_; }
    // Logical -> target pixels.
    QTransform Map() const;
    // Logical -> device (reference device) units.
    QTransform PageTransform() const;

    // ---- state
    void SaveDc();
    // relative < 0: that many states back; > 0: the absolute level.
    void RestoreDc(int which);
    void SetMapMode(int mode);
    void ScaleWindowExt(double xn, double xd, double yn, double yd);
    void ScaleViewportExt(double xn, double xd, double yn, double yd);

    // ---- objects (shared table; WMF fills the lowest free slot)
    int AddObject(const TGdiObject &object, int index = -1);
    void SelectObject(uint32_t index);
    void DeleteObject(uint32_t index);
    void SelectStock(uint32_t which);
    int ObjectSlots() const { return int(objects_.size()); }
    void SetObjectSlots(int count);

    // ---- clipping (rectangles and regions in logical units)
    void IntersectClip(const QRectF &logical);
    void ExcludeClip(const QRectF &logical);
    void SetClip(const QPainterPath *targetPath, int mode); // RGN_AND 1, OR 2, XOR 3, DIFF 4, COPY 5
    void OffsetClip(double dx, double dy);

    // ---- paths (EMF path brackets)
    void BeginPath();
    void EndPath() { pathOpen_ = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath(bool stroke, bool fill);
    void SelectClipPath(int mode);

    // ---- drawing (logical coordinates)
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Polyline(const std::vector<QPointF> &points, bool fromCurrent = false);
    void Polygon(const std::vector<QPointF> &points);
    void PolyPolygon(const std::vector<std::vector<QPointF>> &polygons);
    void PolyBezier(const std::vector<QPointF> &points, bool fromCurrent = false);
    void Rectangle(const QRectF &r);
    void RoundRect(const QRectF &r, QSizeF corner);
    void Ellipse(const QRectF &r);
    // kind: 0 arc, 1 chord, 2 pie
    void ArcShape(const QRectF &box, QPointF start, QPointF end, int kind, bool moveCurrent = false);
    void TextOut(QPointF at, const QString &text, const std::vector<double> &dx, const QRectF *opaqueRect,
                 bool clipToRect);
    void FillRect(const QRectF &logical, const QBrush &brush);
    void Image(const QRectF &dest, const QImage &image, QRectF source, uint32_t rop);
    // A fill with the selected brush (raster ops without a source).
    void PatternFill(const QRectF &dest, uint32_t rop);
    void FillRegion(const QPainterPath &targetPath, const TGdiObject &brush);
    void FramePath(const QPainterPath &logical, const QPen *pen);

    // Colour from a COLORREF (0x00BBGGRR).
    static QColor Colour(uint32_t colorref);

private:
    QPen MakePen() const;
    QBrush MakeBrush(const TGdiObject &brush) const;
    void Prepare();
    void Draw(const QPainterPath &path, bool fill, bool stroke);
    void AddToPath(const QPainterPath &path, bool closed);

    QPainter &painter_;
    QTransform frame_;
    QTransform base_; // the painter's own transform (the image canvas's flip)
    double dpiX_, dpiY_;
    TDcState dc_;
    std::vector<TDcState> saved_;
    std::vector<TGdiObject> objects_;
    bool pathOpen_ = false;
    QPainterPath path_; // logical, after world transform? no: logical units
    QTransform pathMap_;
};

// Builds a QImage from a packed DIB (header, colour table, pixels) inside
// a record, bounded by it. Null on anything malformed.
QImage DecodeDib(const uint8_t *header, size_t headerSize, const uint8_t *bits, size_t bitsSize);

} // namespace metafile
