#pragma once
// TMetaFileGraphic: Windows metafiles (.WMF, with the placeable header) and
// enhanced metafiles (.EMF), played by Borvane's own metafile player.
//
//   TMetaFileGraphic pic;
//   pic.LoadFromFile("drawing.emf");   // ifRgb24, white background
//
// The kind is told by content, not by extension. The raster has the picture's
// size in screen pixels (the screen's logical dpi, 96 without a screen) and
// no stored resolution. Records the player does not know are skipped; a
// record whose size runs past the file ends the picture there. A file that is
// not a metafile raises EInvalidGraphic "Metafile is not valid"; a picture
// larger than kMaxSide pixels on a side raises "Metafile is too large".
#include "image/dibgraphic.h"

class TMetaFileGraphic : public TDibGraphic {
    BORVANE_GRAPHIC_CLASS(TMetaFileGraphic)
public:
    static constexpr int kMaxSide = 16384;
    // Largest metafile read into memory.
    static constexpr int64_t kMaxFileSize = int64_t(256) << 20;

    void LoadImageFromStream(TStream &stream, int imageIndex) override;
};

// Registers "WMF" ("Windows meta file") and "EMF" ("Enhanced meta file")
// unless a class is already registered for "WMF".
void RegisterMetaFileGraphic();
