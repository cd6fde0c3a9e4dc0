#include "image/dibgraphic.h"

#include <QCoreApplication>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const char *const kNoPalette = "The image does not have a palette";
const char *const kCreateFailed = "CreateDibSection failed";

std::string FormatMessage(const char *format, const char *arg)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, arg);
    return buffer;
}

std::string FrameMissing(int n)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Frame %d does not exist", n);
    return buffer;
}

// One reader and one writer per bit depth, chosen once in NewImage, so pixel
// access makes no per-pixel format test.
uint32_t Read1(const uint8_t *row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
uint32_t Read4(const uint8_t *row, int x) { return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4; }
uint32_t Read8(const uint8_t *row, int x) { return row[x]; }
uint32_t Read24(const uint8_t *row, int x)
{
    const uint8_t *p = row + 3 * ptrdiff_t(x);
    return Rgb(p[2], p[1], p[0]);
}

void Write1(uint8_t *row, int x, uint32_t v)
{
    const uint8_t mask = uint8_t(0x80 >> (x & 7));
    if (v > 0)
        row[x >> 3] |= mask;
    else
        row[x >> 3] &= uint8_t(~mask);
}
void Write4(uint8_t *row, int x, uint32_t v)
{
    uint8_t &b = row[x >> 1];
    b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
}
void Write8(uint8_t *row, int x, uint32_t v) { row[x] = uint8_t(v); }
void Write24(uint8_t *row, int x, uint32_t v)
{
    uint8_t *p = row + 3 * ptrdiff_t(x);
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
}

} // namespace

// The pixel block: zero-filled, 16-byte aligned. calloc lets large blocks come
// straight from the system as zero pages, so a new A4 page costs no memset.
struct TDibGraphic::AlignedBlock {
    void *raw = nullptr;
    uint8_t *aligned = nullptr;
    explicit AlignedBlock(size_t size)
    {
        raw = std::calloc(size + 16, 1);
        if (!raw)
            throw EVantrelError(kCreateFailed);
        const auto addr = reinterpret_cast<uintptr_t>(raw);
        aligned = reinterpret_cast<uint8_t *>((addr + 15) & ~uintptr_t(15));
    }
    ~AlignedBlock() { std::free(raw); }
};

TDibGraphic::TDibGraphic() = default;

TDibGraphic::~TDibGraphic()
{
    frames_.clear();
    FreeImage();
}

void TDibGraphic::FreeImage()
{
    canvas_.reset();
    canvasImage_.reset();
    converter_.reset();
    memory_.reset();
    bits_ = nullptr;
    std::memset(&info_, 0, sizeof info_);
    bytesPerLine_ = 0;
    readPixel_ = nullptr;
    writePixel_ = nullptr;
}

void TDibGraphic::SetWidth(int)
{
    throw EVantrelError("Dimensions must be change with the NewImage method");
}

void TDibGraphic::SetHeight(int)
{
    throw EVantrelError("Dimensions must be change with the NewImage method");
}

void TDibGraphic::NewImage(int width, int height, TImageFormat format, const TMaxLogPalette *palette,
                           uint16_t xDpi, uint16_t yDpi)
{
    FreeImage();
    format_ = format;
    try {
        if (format != ifRgb24 && palette == nullptr)
            palette = &DefaultPalette(format);
        const int bits = ImageFormatBitCount(format);
        // Sizes are checked before anything is allocated: a zero or negative
        // size, a row that does not fit 32 bits, or a block beyond the limit.
        if (width <= 0 || height <= 0)
            throw EVantrelError(kCreateFailed);
        const int64_t stride = ((int64_t(width) * bits + 31) / 32) * 4;
        if (stride > INT32_MAX || uint64_t(stride) * uint64_t(height) > ImageMemoryLimit()
            || uint64_t(stride) * uint64_t(height) > UINT32_MAX)
            throw EVantrelError(kCreateFailed);
        const size_t size = size_t(stride) * size_t(height);

        TBitmapInfoHeader &h = info_.bmiHeader;
        h.biSize = 40;
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = uint16_t(bits);
        h.biCompression = 0;
        h.biSizeImage = uint32_t(size);
        bytesPerLine_ = int(stride);

        int count = 0;
        if (format != ifRgb24) {
            count = std::min<int>(palette->palNumEntries, 256);
            h.biClrUsed = uint32_t(count);
            for (int i = 0; i < count; ++i) {
                const TPaletteEntry &e = palette->palPalEntry[i];
                info_.bmiColors[i] = {e.peBlue, e.peGreen, e.peRed, 0};
            }
        }
        h.biXPelsPerMeter = DotsPerInchToPelsPerMeter(xDpi > 0 ? xDpi : uint16_t(ScreenLogicalDpiX()));
        h.biYPelsPerMeter = DotsPerInchToPelsPerMeter(yDpi > 0 ? yDpi : uint16_t(ScreenLogicalDpiY()));

        memory_ = std::make_unique<AlignedBlock>(size);
        bits_ = memory_->aligned;

        switch (bits) {
        case 1: readPixel_ = Read1; writePixel_ = Write1; break;
        case 4: readPixel_ = Read4; writePixel_ = Write4; break;
        case 8: readPixel_ = Read8; writePixel_ = Write8; break;
        default: readPixel_ = Read24; writePixel_ = Write24; break;
        }

        // Copy the palette last: the caller may have passed our own LogPalette.
        TMaxLogPalette copy{};
        if (format != ifRgb24) {
            copy.palNumEntries = uint16_t(count);
            std::memcpy(copy.palPalEntry, palette->palPalEntry, sizeof(TPaletteEntry) * size_t(count));
        }
        copy.palVersion = 0x0300;
        logPalette_ = copy;
        if (format != ifRgb24)
            converter_ = std::make_unique<TRgbToPaletteConverter>(logPalette_);
    } catch (...) {
        FreeImage();
        throw;
    }
}

uint32_t TDibGraphic::GetPixelIndex(int x, int y) const
{
    if (format_ == ifRgb24)
        throw EVantrelError(kNoPalette);
    return readPixel_(ScanLine(y), x);
}

void TDibGraphic::SetPixelIndex(int x, int y, uint32_t index)
{
    if (format_ == ifRgb24)
        throw EVantrelError(kNoPalette);
    writePixel_(ScanLine(y), x, index);
}

uint32_t TDibGraphic::GetPixelRgb(int x, int y) const
{
    const uint32_t v = readPixel_(ScanLine(y), x);
    if (format_ == ifRgb24)
        return v;
    const TPaletteEntry &e = logPalette_.palPalEntry[v & 0xFF];
    return Rgb(e.peRed, e.peGreen, e.peBlue);
}

void TDibGraphic::SetPixelRgb(int x, int y, uint32_t rgb)
{
    if (format_ == ifRgb24)
        writePixel_(ScanLine(y), x, rgb);
    else
        writePixel_(ScanLine(y), x, uint32_t(converter_->NearestIndex(rgb)));
}

QImage TDibGraphic::MemoryView()
{
    if (Empty())
        return {};
    QImage::Format qf;
    switch (info_.bmiHeader.biBitCount) {
    case 1: qf = QImage::Format_Mono; break;
    case 8: qf = QImage::Format_Indexed8; break;
    case 24: qf = QImage::Format_BGR888; break;
    default: return {};
    }
    QImage view(bits_, Width(), Height(), bytesPerLine_, qf);
    if (qf != QImage::Format_BGR888) {
        QList<QRgb> table(qsizetype(1) << info_.bmiHeader.biBitCount, qRgb(0, 0, 0));
        for (int i = 0; i < std::min<int>(logPalette_.palNumEntries, int(table.size())); ++i) {
            const TPaletteEntry &e = logPalette_.palPalEntry[i];
            table[i] = qRgb(e.peRed, e.peGreen, e.peBlue);
        }
        view.setColorTable(table);
    }
    return view;
}

QPainter *TDibGraphic::Canvas()
{
    if (Empty() || format_ != ifRgb24)
        return nullptr;
    if (!canvas_) {
        canvasImage_ = std::make_unique<QImage>(bits_, Width(), Height(), bytesPerLine_, QImage::Format_BGR888);
        canvas_ = std::make_unique<QPainter>(canvasImage_.get());
        // Row 0 of the device is the bottom row of the picture.
        canvas_->setTransform(QTransform(1, 0, 0, -1, 0, Height()));
    }
    return canvas_.get();
}

void TDibGraphic::Assign(const TDibGraphic *source)
{
    if (source == this)
        return;
    FreeImage();
    if (!source || source->Width() <= 0 || source->Height() <= 0 || source->Empty())
        return;
    NewImage(source->Width(), source->Height(), source->ImageFormat(), &source->LogPalette(),
             source->XDotsPerInch(), source->YDotsPerInch());
    // Set again: NewImage turned a resolution of 0 into the screen's.
    SetXDotsPerInch(source->XDotsPerInch());
    SetYDotsPerInch(source->YDotsPerInch());
    FrameDelay = source->FrameDelay;
    std::memcpy(bits_, source->Bits(), ImageSize());
}

void TDibGraphic::LoadFromQImage(const QImage &image)
{
    if (image.isNull())
        throw EInvalidGraphic("Invalid bitmap");
    QImage src = image;
    TImageFormat format = ifRgb24;
    int bits = 24;
    if (src.depth() == 1) {
        format = ifBlackWhite;
        bits = 1;
        if (src.format() != QImage::Format_Mono)
            src = src.convertToFormat(QImage::Format_Mono);
    } else if (src.format() == QImage::Format_Indexed8 || src.format() == QImage::Format_Grayscale8) {
        // Grey images get an explicit grey colour table on the way.
        format = ifColor256;
        bits = 8;
        if (src.format() != QImage::Format_Indexed8) {
            QList<QRgb> grey(256);
            for (int i = 0; i < 256; ++i)
                grey[i] = qRgb(i, i, i);
            src = src.convertToFormat(QImage::Format_Indexed8, grey);
        }
    } else if (src.format() != QImage::Format_BGR888) {
        src = src.convertToFormat(QImage::Format_BGR888);
    }
    if (src.isNull())
        throw EInvalidGraphic("Invalid bitmap");

    TMaxLogPalette palette{};
    const TMaxLogPalette *pal = nullptr;
    const auto table = src.colorTable();
    if (format != ifRgb24 && !table.isEmpty() && table.size() <= 256) {
        palette.palVersion = 0x0300;
        palette.palNumEntries = uint16_t(table.size());
        for (qsizetype i = 0; i < table.size(); ++i)
            palette.palPalEntry[i] = {uint8_t(qRed(table[i])), uint8_t(qGreen(table[i])),
                                      uint8_t(qBlue(table[i])), 0};
        pal = &palette;
    }
    // A bitmap without a usable resolution takes the screen's (NewImage with 0).
    NewImage(src.width(), src.height(), format, pal, PelsPerMeterToDotsPerInch(src.dotsPerMeterX()),
             PelsPerMeterToDotsPerInch(src.dotsPerMeterY()));
    const size_t rowBytes = size_t((int64_t(src.width()) * bits + 7) / 8);
    for (int y = 0; y < src.height(); ++y) {
        std::memcpy(ScanLine(y), src.constScanLine(y), rowBytes);
        // Qt leaves the bits past the last pixel of a 1-bit row undefined.
        if (bits == 1 && (src.width() & 7))
            ScanLine(y)[rowBytes - 1] &= uint8_t(0xFF << (8 - (src.width() & 7)));
    }
}

void TDibGraphic::LoadFromStream(TStream &stream)
{
    int count = 1;
    const int64_t start = stream.Position();
    if (LoadAllImages) {
        count = GetImageCount(stream);
        if (count == 1)
            LoadAllImages = false;
    }
    if (LoadAllImages) {
        for (int i = 1; i <= count; ++i) {
            std::unique_ptr<TDibGraphic> frame = GraphicClass()->Create();
            stream.SetPosition(start);
            frame->LoadImageFromStream(stream, i);
            frames_.push_back(std::move(frame));
        }
        ShowFrame(1);
    } else {
        // Counting moved the position; the single image is read from where
        // the file starts.
        if (start != stream.Position())
            stream.SetPosition(start);
        LoadImageFromStream(stream, ImageIndex);
    }
}

void TDibGraphic::SaveToStream(TStream &) {}

int TDibGraphic::GetImageCount(TStream &) { return 1; }

void TDibGraphic::LoadImageFromStream(TStream &, int) {}

void TDibGraphic::AppendToStream(TStream &)
{
    throw EVantrelError(FormatMessage("The %s format does not support multiple images", ClassName()));
}

void TDibGraphic::LoadFromFile(const QString &fileName)
{
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    LoadFromStream(stream);
}

void TDibGraphic::SaveToFile(const QString &fileName)
{
    TFileStream stream(fileName, TFileStream::fmCreate);
    SaveToStream(stream);
}

TDibGraphic &TDibGraphic::GetFrame(int n)
{
    if (n < 1 || n > FrameCount())
        throw EVantrelError(FrameMissing(n));
    return *frames_[size_t(n - 1)];
}

void TDibGraphic::ShowFrame(int n)
{
    if (n == currentFrame_)
        return;
    if (n < 1 || n > FrameCount())
        throw EVantrelError(FrameMissing(n));
    Assign(frames_[size_t(n - 1)].get());
    Changed();
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    currentFrame_ = n;
}

void TDibGraphic::Changed()
{
    if (OnChange)
        OnChange(this);
}
