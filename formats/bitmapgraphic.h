#pragma once
// TBitmapGraphic: Windows and OS/2 bitmap files, and the writer of the BMP data
// every page is stored as.
//
//   TBitmapGraphic bmp;
//   bmp.LoadFromFile("scan.bmp");          // or LoadFromStream(stream)
//   TMemoryStream out;
//   bmp.SaveToStream(out);                 // Windows 3.x BMP, byte for byte
//
// Reading goes through the codec frame; the variants it refuses (16 and 32
// bits per pixel, bit-field compression, top-down rows, ...) are read by Qt's
// BMP reader instead. Either way the resolution comes from the header's
// pixels-per-metre fields at offsets 38 and 42.
#include "image/dibgraphic.h"

class TBitmapGraphic : public TDibGraphic {
    BORVANE_GRAPHIC_CLASS(TBitmapGraphic)
public:
    void LoadImageFromStream(TStream &stream, int imageIndex) override;
    void SaveToStream(TStream &stream) override;
};

// Writes any image as a Windows 3.x BMP: 14-byte file header, the 40-byte DIB
// header as held, the colour table (one entry per palette entry), the rows
// bottom-up. Raises EVantrelError "Cannot save an empty image" for an empty
// image rather than writing a file no reader accepts.
void WriteBmp(const TDibGraphic &graphic, TStream &stream);

// Registers TBitmapGraphic for "BMP" ("Bitmap file") unless a class is already
// registered for it, so calling it again adds nothing.
void RegisterBitmapGraphic();
