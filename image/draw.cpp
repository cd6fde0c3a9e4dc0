// TDibGraphic::Draw: painting an image onto any QPainter.
//
// The pixels are read straight from the image memory and handed to the painter
// in bands of a few rows, so a draw never copies the whole image and a huge
// zoomed view costs only its visible part. Stretching is our own: the nearest
// pixel for true-colour images (what a colour-on-colour stretch gives), a box
// average for palette images, which keeps a reduced page of black text
// readable as grey instead of dropping thin strokes.
#include "image/dibgraphic.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Rows handed to the painter at once.
constexpr int kBandRows = 64;

// Reads whole rows of an image as 0xffRRGGBB values.
class RowReader {
public:
    explicit RowReader(const TDibGraphic &image) : image_(image), bits_(image.BitmapInfo().bmiHeader.biBitCount)
    {
        const TMaxLogPalette &pal = image.LogPalette();
        for (int i = 0; i < 256; ++i) {
            const TPaletteEntry &e = pal.palPalEntry[i];
            table_[i] = i < pal.palNumEntries ? qRgb(e.peRed, e.peGreen, e.peBlue) : qRgb(0, 0, 0);
        }
    }

    // Row y counted from the top, every pixel of it.
    void Read(int y, QRgb *out) const
    {
        const uint8_t *row = image_.ScanLine(y);
        const int width = image_.Width();
        switch (bits_) {
        case 1:
            for (int x = 0; x < width; ++x)
                out[x] = table_[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = table_[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4];
            break;
        case 8:
            for (int x = 0; x < width; ++x)
                out[x] = table_[row[x]];
            break;
        default:
            for (int x = 0; x < width; ++x, row += 3)
                out[x] = qRgb(row[2], row[1], row[0]);
            break;
        }
    }

private:
    const TDibGraphic &image_;
    int bits_;
    QRgb table_[256];
};

// The part of rect the painter can actually show: inside its clip and its
// device. Everything outside is not computed at all.
QRect VisiblePart(QPainter &canvas, const QRect &rect)
{
    QRect visible = rect;
    if (canvas.hasClipping())
        visible &= canvas.clipBoundingRect().toAlignedRect();
    if (QPaintDevice *device = canvas.device()) {
        bool invertible = false;
        const QTransform toLogical = canvas.combinedTransform().inverted(&invertible);
        if (invertible)
            visible &= toLogical.mapRect(QRect(0, 0, device->width(), device->height())).adjusted(-1, -1, 1, 1);
    }
    return visible;
}

// For each destination position 0..destSize-1 of a stretch from srcSize: the
// first source position and one past the last that it covers (at least one).
void Boxes(int64_t srcSize, int64_t destSize, int from, int count, std::vector<int> &first, std::vector<int> &last)
{
    first.resize(size_t(count));
    last.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        const int64_t d = from + i;
        const int64_t a = d * srcSize / destSize;
        const int64_t b = (d + 1) * srcSize / destSize;
        first[size_t(i)] = int(std::min(a, srcSize - 1));
        last[size_t(i)] = int(std::max(b, a + 1));
    }
}

// Nearest source position of each destination position (the pixel whose
// centre lies nearest the destination pixel's centre).
void Nearest(int64_t srcSize, int64_t destSize, int from, int count, std::vector<int> &pos)
{
    pos.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        const int64_t d = from + i;
        pos[size_t(i)] = int(std::min((2 * d + 1) * srcSize / (2 * destSize), srcSize - 1));
    }
}

void DrawUnscaled(QPainter &canvas, const TDibGraphic &image, const QRect &rect, const QRect &visible)
{
    const RowReader reader(image);
    std::vector<QRgb> row(size_t(image.Width()));
    const int left = visible.left() - rect.left();
    for (int top = visible.top(); top <= visible.bottom(); top += kBandRows) {
        const int rows = std::min(kBandRows, visible.bottom() - top + 1);
        QImage band(visible.width(), rows, QImage::Format_RGB32);
        for (int i = 0; i < rows; ++i) {
            reader.Read(top + i - rect.top(), row.data());
            std::memcpy(band.scanLine(i), row.data() + left, sizeof(QRgb) * size_t(visible.width()));
        }
        canvas.drawImage(QPoint(visible.left(), top), band);
    }
}

void DrawNearest(QPainter &canvas, const TDibGraphic &image, const QRect &rect, const QRect &visible)
{
    const RowReader reader(image);
    std::vector<QRgb> row(size_t(image.Width()));
    std::vector<int> xs, ys;
    Nearest(image.Width(), rect.width(), visible.left() - rect.left(), visible.width(), xs);
    Nearest(image.Height(), rect.height(), visible.top() - rect.top(), visible.height(), ys);
    int loaded = -1;
    for (int top = 0; top < visible.height(); top += kBandRows) {
        const int rows = std::min(kBandRows, visible.height() - top);
        QImage band(visible.width(), rows, QImage::Format_RGB32);
        for (int i = 0; i < rows; ++i) {
            const int sy = ys[size_t(top + i)];
            if (sy != loaded) {
                reader.Read(sy, row.data());
                loaded = sy;
            }
            auto *out = reinterpret_cast<QRgb *>(band.scanLine(i));
            for (int x = 0; x < visible.width(); ++x)
                out[x] = row[size_t(xs[size_t(x)])];
        }
        canvas.drawImage(QPoint(visible.left(), visible.top() + top), band);
    }
}

void DrawBoxAverage(QPainter &canvas, const TDibGraphic &image, const QRect &rect, const QRect &visible)
{
    const RowReader reader(image);
    const int width = visible.width();
    std::vector<QRgb> row(size_t(image.Width()));
    std::vector<int> x0, x1, y0, y1;
    Boxes(image.Width(), rect.width(), visible.left() - rect.left(), width, x0, x1);
    Boxes(image.Height(), rect.height(), visible.top() - rect.top(), visible.height(), y0, y1);
    std::vector<uint64_t> sums(size_t(width) * 3);
    int loaded = -1;
    for (int top = 0; top < visible.height(); top += kBandRows) {
        const int rows = std::min(kBandRows, visible.height() - top);
        QImage band(width, rows, QImage::Format_RGB32);
        for (int i = 0; i < rows; ++i) {
            const int from = y0[size_t(top + i)], to = y1[size_t(top + i)];
            std::fill(sums.begin(), sums.end(), 0);
            for (int sy = from; sy < to; ++sy) {
                if (sy != loaded) {
                    reader.Read(sy, row.data());
                    loaded = sy;
                }
                for (int x = 0; x < width; ++x) {
                    uint64_t *s = &sums[size_t(x) * 3];
                    for (int sx = x0[size_t(x)]; sx < x1[size_t(x)]; ++sx) {
                        const QRgb c = row[size_t(sx)];
                        s[0] += uint64_t(qRed(c));
                        s[1] += uint64_t(qGreen(c));
                        s[2] += uint64_t(qBlue(c));
                    }
                }
            }
            auto *out = reinterpret_cast<QRgb *>(band.scanLine(i));
            for (int x = 0; x < width; ++x) {
                const double count = double(x1[size_t(x)] - x0[size_t(x)]) * double(to - from);
                const uint64_t *s = &sums[size_t(x) * 3];
                out[x] = qRgb(int(std::nearbyint(double(s[0]) / count)), int(std::nearbyint(double(s[1]) / count)),
                              int(std::nearbyint(double(s[2]) / count)));
            }
        }
        canvas.drawImage(QPoint(visible.left(), visible.top() + top), band);
    }
}

} // namespace

void TDibGraphic::Draw(QPainter &canvas, const QRect &rect)
{
    if (!Empty() && rect.width() > 0 && rect.height() > 0) {
        const QRect visible = VisiblePart(canvas, rect);
        if (!visible.isEmpty()) {
            if (rect.width() == Width() && rect.height() == Height())
                DrawUnscaled(canvas, *this, rect, visible);
            else if (format_ == ifRgb24)
                DrawNearest(canvas, *this, rect, visible);
            else
                DrawBoxAverage(canvas, *this, rect, visible);
        }
    }
    if (OnAfterDraw)
        OnAfterDraw(this);
}
