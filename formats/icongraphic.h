#pragma once
// TIconGraphic: Windows icon files (.ICO).
//
//   TIconGraphic icon;
//   icon.LoadFromFile("app.ico");   // the entry nearest 32 x 32, deepest first
//   icon.SaveToFile("page.ico");    // one 32 x 32 icon, fully opaque
//
// Reading takes one entry of the file: the one whose size is nearest the
// standard 32 x 32, and among equally near ones the deepest. Entries may be
// 1, 4, 8, 16, 24 or 32 bits per pixel (32 with an alpha channel) or
// PNG-compressed. The result is always an ifRgb24 image without a stored
// resolution, drawn on black: transparent parts of the icon are black.
//
// Writing gives a file holding one 32 x 32 icon of 24 bits per pixel whose
// mask is all opaque. The image is not scaled: its top-left 32 x 32 pixels are
// taken, and a smaller image leaves the rest black.
#include "image/dibgraphic.h"

class TIconGraphic : public TDibGraphic {
    BORVANE_GRAPHIC_CLASS(TIconGraphic)
public:
    // The standard icon size (what Windows calls SM_CXICON and SM_CYICON).
    static constexpr int kIconSize = 32;
    // Largest icon side read; PNG entries may claim more than the 256 the
    // directory can express, and nothing bigger is a sensible icon.
    static constexpr int kMaxIconSide = 1024;

    // Raises EInvalidGraphic "Icon image is not valid" for anything that is
    // not a readable icon file.
    void LoadImageFromStream(TStream &stream, int imageIndex) override;
    void SaveToStream(TStream &stream) override;
};

// Writes any image as a one-icon file, as TIconGraphic::SaveToStream does.
void WriteIcon(TDibGraphic &image, TStream &stream);

// Registers TIconGraphic for "ICO" ("Windows icon") unless a class is already
// registered for it, and lets TDibGraphic::AssignTo(QIcon &) write icons.
void RegisterIconGraphic();
