#pragma once
// TDibGraphic, Borvane's one in-memory image, and the small types around it.
//
// An image is a device-independent bitmap in one of six pixel formats
// (TImageFormat) with its palette and its resolution. The pixels live in one
// 16-byte-aligned block in exactly the bottom-up DIB layout: the first row in
// memory is the bottom row of the picture, every row is BytesPerLine() bytes,
// padded with zeros to a multiple of 4. Codecs read and write rows straight
// into that block (Bits(), ScanLine()), so a BMP file's pixel data is a single
// copy of it.
//
// Format classes (one per file format) derive from TDibGraphic, put
// BORVANE_GRAPHIC_CLASS(TTheirClass) in their class body, and override
// LoadImageFromStream (and GetImageCount when a file can hold several images);
// see image/registry.h for how they are made known by extension.
//
// Canvas(): a QPainter that paints into the image memory. QImage has no
// bottom-up layout, so the painter's device is a QImage over the same memory
// whose row 0 is the bottom row (the picture upside down), and the painter
// carries a vertical flip, so callers draw in picture coordinates (y down from
// the top) and the result lands in the right DIB rows without any copy. Qt can
// paint only on direct-colour images, so the canvas exists for ifRgb24 images
// only; for palette formats Canvas() answers nullptr.
#include "platform/core/error.h"
#include "platform/core/globalmem.h"
#include "image/stream.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QClipboard;
class QIcon;
class QPainter;
class QPicture;
class QPixmap;
class QRect;
class TDibGraphic;

// Every failure of the image model's own checks.
class EVantrelError : public Exception {
public:
    using Exception::Exception;
};

// A graphic that cannot be made from what was given (clipboard, platform image).
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

enum TImageFormat : uint8_t {
    ifBlackWhite = 0, // 1 bit, 2 colours
    ifGray16 = 1,     // 4 bits, 16 greys
    ifGray256 = 2,    // 8 bits, 256 greys
    ifColor16 = 3,    // 4 bits, 16 colours
    ifColor256 = 4,   // 8 bits, 256 colours
    ifRgb24 = 5,      // 24 bits, blue-green-red bytes, no palette
};

// Natural alignment already gives the Windows layouts (checked below).
struct TPaletteEntry {
    uint8_t peRed, peGreen, peBlue, peFlags;
};
// The maximal logical palette: version 0x0300, entry count, 256 entries.
struct TMaxLogPalette {
    uint16_t palVersion;
    uint16_t palNumEntries;
    TPaletteEntry palPalEntry[256];
};
struct TRGBQuad {
    uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
// The 40-byte DIB header, as written into BMP files.
struct TBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
struct TBitmapInfo {
    TBitmapInfoHeader bmiHeader;
    TRGBQuad bmiColors[256];
};
static_assert(sizeof(TMaxLogPalette) == 4 + 4 * 256);
static_assert(sizeof(TBitmapInfoHeader) == 40);
static_assert(sizeof(TBitmapInfo) == 40 + 4 * 256);

// Packed colour 0x00RRGGBB.
constexpr uint32_t Rgb(uint8_t red, uint8_t green, uint8_t blue)
{
    return (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
}

constexpr double kInchesPerMetre = 39.370078740157480317;

// Bits per pixel of a format; raises EVantrelError for a value outside 0..5.
int ImageFormatBitCount(TImageFormat format);
// "Black and white", ..., "True color"; empty for a value outside 0..5.
const char *ImageFormatDescription(TImageFormat format);
// Row size in bytes, padded to 4: ((width * bits + 31) / 32) * 4.
int BytesPerLine(int width, int bitsPerPixel);
// Exchanges the first and third byte of each of the byteCount / 3 triples.
void SwapRedBlue(void *buffer, size_t byteCount);
// Size of a palette record with n entries: 4 + 4 * n.
constexpr size_t PaletteRecordSize(int n) { return 4 + 4 * size_t(n); }
// The shared default palette of formats 0..4; raises for ifRgb24 and others.
const TMaxLogPalette &DefaultPalette(TImageFormat format);
void FillDefaultPalette16(TMaxLogPalette &palette);
void FillDefaultPalette256(TMaxLogPalette &palette);

// Pixels per metre from dots per inch and back, rounded half to even.
int32_t DotsPerInchToPelsPerMeter(uint16_t dpi);
uint16_t PelsPerMeterToDotsPerInch(int32_t pelsPerMeter);
// The screen's logical pixels per inch (96 without a screen).
int ScreenLogicalDpiX();
int ScreenLogicalDpiY();

// Largest pixel block NewImage will allocate (default 1 GiB). A file header
// that asks for more gets "CreateDibSection failed" before any allocation.
size_t ImageMemoryLimit();
void SetImageMemoryLimit(size_t bytes);

// Nearest-colour finder over a palette record (not copied: it must outlive the
// converter). Answers are cached in 1020 slots keyed by colour mod 1020.
class TRgbToPaletteConverter {
public:
    static constexpr int kCacheSlots = 1020;
    explicit TRgbToPaletteConverter(const TMaxLogPalette &palette);
    // Index of the nearest palette entry by squared distance; the lowest index
    // wins ties.
    int16_t NearestIndex(uint32_t rgb);
    uint32_t Hits() const { return hits_; }
    uint32_t Misses() const { return misses_; }

private:
    struct Slot {
        uint32_t colour;
        int16_t index;
    };
    const TMaxLogPalette &palette_;
    Slot cache_[kCacheSlots];
    uint32_t hits_ = 0;
    uint32_t misses_ = 0;
};

// A class reference: what the registry stores and what makes new objects of a
// class (the virtual constructor). One per class, obtained by GraphicClassOf<T>().
struct TGraphicClassInfo {
    const char *Name;
    std::unique_ptr<TDibGraphic> (*Create)();
};
using TGraphicClass = const TGraphicClassInfo *;

template <class T>
TGraphicClass GraphicClassOf()
{
    static const TGraphicClassInfo info{T::StaticClassName,
                                        []() -> std::unique_ptr<TDibGraphic> { return std::make_unique<T>(); }};
    return &info;
}

// Put inside the body of every class derived from TDibGraphic.
#define BORVANE_GRAPHIC_CLASS(T)                                                    \
public:                                                                             \
    static constexpr const char *StaticClassName = #T;                              \
    const char *ClassName() const override { return StaticClassName; }              \
    TGraphicClass GraphicClass() const override { return GraphicClassOf<T>(); }     \
                                                                                    \
private:

class TDibGraphic {
public:
    static constexpr const char *StaticClassName = "TDibGraphic";

    TDibGraphic();
    virtual ~TDibGraphic();
    TDibGraphic(const TDibGraphic &) = delete;
    TDibGraphic &operator=(const TDibGraphic &) = delete;

    virtual const char *ClassName() const { return StaticClassName; }
    // The class reference of this object's class; GraphicClass()->Create()
    // makes a new, empty object of the same class.
    virtual TGraphicClass GraphicClass() const { return GraphicClassOf<TDibGraphic>(); }

    // ---- creation and lifetime
    // Replaces the image by one whose pixels are all zero. palette nullptr takes
    // the format's default (not for ifRgb24, which has none); xDpi / yDpi 0
    // take the screen's. Raises EVantrelError ("Internal error: Invalid image
    // format", "CreateDibSection failed" for a size of 0 or too large); the
    // image is empty after a failure.
    virtual void NewImage(int width, int height, TImageFormat format, const TMaxLogPalette *palette,
                          uint16_t xDpi, uint16_t yDpi);
    // Releases the pixels; ImageFormat and LogPalette keep their values.
    void FreeImage();
    bool Empty() const { return bits_ == nullptr; }
    int Width() const { return info_.bmiHeader.biWidth; }
    int Height() const { return info_.bmiHeader.biHeight; }
    // Both raise: "Dimensions must be change with the NewImage method".
    void SetWidth(int value);
    void SetHeight(int value);

    // ---- layout
    TImageFormat ImageFormat() const { return format_; }
    uint8_t *Bits() { return bits_; }
    const uint8_t *Bits() const { return bits_; }
    int BytesPerLine() const { return bytesPerLine_; }
    // Row `row` counted from the top: Bits() + (Height - row - 1) * BytesPerLine.
    uint8_t *ScanLine(int row) { return bits_ + ptrdiff_t(Height() - row - 1) * bytesPerLine_; }
    const uint8_t *ScanLine(int row) const { return bits_ + ptrdiff_t(Height() - row - 1) * bytesPerLine_; }
    // Height * BytesPerLine.
    size_t ImageSize() const { return info_.bmiHeader.biSizeImage; }
    // DIB header and colour table as held (all zero when empty).
    const TBitmapInfo &BitmapInfo() const { return info_; }

    // ---- pixels (x from the left, y from the top; no bounds checks)
    uint32_t GetPixelIndex(int x, int y) const;
    void SetPixelIndex(int x, int y, uint32_t index);
    uint32_t GetPixelRgb(int x, int y) const;
    void SetPixelRgb(int x, int y, uint32_t rgb);

    // ---- palette and resolution
    TMaxLogPalette &LogPalette() { return logPalette_; }
    const TMaxLogPalette &LogPalette() const { return logPalette_; }
    // The nearest-colour finder of a palette image; nullptr for ifRgb24 or empty.
    TRgbToPaletteConverter *ColorConverter() { return converter_.get(); }
    int32_t XPelsPerMeter() const { return info_.bmiHeader.biXPelsPerMeter; }
    int32_t YPelsPerMeter() const { return info_.bmiHeader.biYPelsPerMeter; }
    uint16_t XDotsPerInch() const { return PelsPerMeterToDotsPerInch(XPelsPerMeter()); }
    uint16_t YDotsPerInch() const { return PelsPerMeterToDotsPerInch(YPelsPerMeter()); }
    void SetXDotsPerInch(uint16_t dpi) { info_.bmiHeader.biXPelsPerMeter = DotsPerInchToPelsPerMeter(dpi); }
    void SetYDotsPerInch(uint16_t dpi) { info_.bmiHeader.biYPelsPerMeter = DotsPerInchToPelsPerMeter(dpi); }

    // ---- painting and viewing
    // See the file comment; nullptr for empty and palette images. The painter
    // lives until FreeImage or the next NewImage.
    QPainter *Canvas();
    // A QImage over the image memory, rows bottom-up (row 0 is the bottom row:
    // draw it mirrored), with the colour table; no copy. Null for 4-bit
    // formats (Qt has no such format) and for an empty image.
    QImage MemoryView();

    // ---- assignment
    // nullptr or an image of any class: copies pixels, palette, resolution and
    // FrameDelay (not frames). An empty source leaves this image empty.
    virtual void Assign(const TDibGraphic *source);
    // Takes a platform image over (the conversion of a platform bitmap): 1-bit
    // images become ifBlackWhite, 8-bit indexed ones ifColor256 (palette from
    // the colour table when it has 1..256 entries), everything else ifRgb24.
    // Raises EInvalidGraphic "Invalid bitmap" for a null image.
    void LoadFromQImage(const QImage &image);

    // ---- platform exchange (image/draw.cpp, image/exchange.cpp)
    // Paints the whole image into rect: an unscaled copy when rect has the
    // image's size, else a stretch (nearest pixel for ifRgb24, box average for
    // palette formats); then OnAfterDraw. Reads the image memory in place.
    virtual void Draw(QPainter &canvas, const QRect &rect);
    // A platform bitmap, by the rules of LoadFromBitmapHandle.
    void Assign(const QImage &bitmap);
    void Assign(const QPixmap &bitmap);
    // Any other platform graphic: drawn onto a black ifRgb24 image of its size.
    void Assign(const QPicture &graphic);
    // The clipboard's bitmap; "Unknown clipboard format, 2" when it holds none.
    void Assign(const QClipboard &clipboard);
    void AssignTo(TDibGraphic &dest) const;
    // A 24-bit (RGB32) platform bitmap of the image's size, drawn by Draw.
    void AssignTo(QImage &dest);
    void AssignTo(QPixmap &dest);
    // Written as an icon file by the icon class, then loaded by the QIcon.
    void AssignTo(QIcon &dest);
    // Puts the image on the clipboard (SaveToClipboardFormat).
    void AssignTo(QClipboard &dest);
    // Raises "Cannot assign a TDibGraphic to a QPicture".
    void AssignTo(QPicture &dest) const;
    // format := CF_BITMAP; data := a bitmap of the image's size (1-bit for
    // ifBlackWhite, else the screen's 32-bit layout) holding the image.
    virtual void SaveToClipboardFormat(int &format, QImage &data);
    // Raises EInvalidGraphic "Unknown clipboard format, %d" for a format other
    // than CF_BITMAP or a null bitmap; else LoadFromBitmapHandle.
    virtual void LoadFromClipboardFormat(int format, const QImage &data);
    // A platform bitmap becomes an image: 1 bit ifBlackWhite, 8 bits (indexed
    // or grey) ifColor256, deeper ones ifRgb24; palette from a colour table of
    // 1..256 entries; resolution from the bitmap's (0 takes the screen's).
    // Raises EInvalidGraphic "Invalid bitmap" for a null bitmap.
    void LoadFromBitmapHandle(const QImage &bitmap);
    // A packed DIB (header, colour table, pixels) in global memory, e.g. from
    // the scanner. Top-down DIBs are turned bottom-up; compressed, 16- and
    // 32-bit DIBs go through BMP file data. Raises EVantrelError "Invalid
    // HDIB" for a handle or DIB that does not hold what its header says,
    // "Unsupported bit count" for other depths.
    void LoadFromHDib(HGLOBAL handle);

    // ---- streams and files
    // Multi-image dispatch: every image into Frames when LoadAllImages is set
    // and the stream holds more than one, else image ImageIndex.
    virtual void LoadFromStream(TStream &stream);
    // Writes nothing here; writing format classes override it.
    virtual void SaveToStream(TStream &stream);
    // Number of images in the file at the stream's position; 1 here.
    virtual int GetImageCount(TStream &stream);
    // Reads image imageIndex (1-based); nothing here.
    virtual void LoadImageFromStream(TStream &stream, int imageIndex);
    // Raises "The %s format does not support multiple images".
    virtual void AppendToStream(TStream &stream);
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName);

    // ---- frames of a multi-image file
    int ImageIndex = 1;
    bool LoadAllImages = false;
    int FrameDelay = 200;
    int CurrentFrame() const { return currentFrame_; }
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    // Frame n, 1-based; raises "Frame %d does not exist".
    TDibGraphic &GetFrame(int n);
    // Shows frame n (Assign), notifies OnChange and lets pending events run.
    void ShowFrame(int n);

    // ---- notifications
    std::function<void(TDibGraphic *)> OnChange;
    std::function<void(TDibGraphic *)> OnAfterDraw;

protected:
    void Changed();
    // Resolution in pixels per metre straight into the header (readers that
    // carry the file's figures).
    void SetPelsPerMeter(int32_t x, int32_t y)
    {
        info_.bmiHeader.biXPelsPerMeter = x;
        info_.bmiHeader.biYPelsPerMeter = y;
    }

private:
    struct AlignedBlock;
    using PixelReader = uint32_t (*)(const uint8_t *row, int x);
    using PixelWriter = void (*)(uint8_t *row, int x, uint32_t value);

    uint8_t *bits_ = nullptr;
    std::unique_ptr<AlignedBlock> memory_;
    TImageFormat format_ = ifBlackWhite;
    TBitmapInfo info_{};
    TMaxLogPalette logPalette_{};
    int bytesPerLine_ = 0;
    std::unique_ptr<QImage> canvasImage_;
    std::unique_ptr<QPainter> canvas_;
    std::vector<std::unique_ptr<TDibGraphic>> frames_;
    int currentFrame_ = -1;
    PixelReader readPixel_ = nullptr;
    PixelWriter writePixel_ = nullptr;
    std::unique_ptr<TRgbToPaletteConverter> converter_;
};
