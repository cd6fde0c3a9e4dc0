// Feeds arbitrary bytes to the BMP reader (frame, glue and the Qt fallback).
// Whatever it reads must survive a write and a second read unchanged.
#include "formats/bitmapgraphic.h"

#include <QImageReader>

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool init = [] {
        // Keep images small enough that a run explores rather than allocates.
        SetImageMemoryLimit(size_t(64) << 20);
        QImageReader::setAllocationLimit(64);
        return true;
    }();
    (void)init;

    TMemoryStream in{std::vector<uint8_t>(data, data + size)};
    TBitmapGraphic g;
    try {
        g.LoadImageFromStream(in, 1);
    } catch (const Exception &) {
        return 0;
    }
    if (g.Empty())
        std::abort(); // a successful read always leaves an image

    TMemoryStream out;
    g.SaveToStream(out);
    out.SetPosition(0);
    TBitmapGraphic back;
    back.LoadImageFromStream(out, 1);
    if (back.Width() != g.Width() || back.Height() != g.Height() || back.ImageSize() != g.ImageSize()
        || std::memcmp(back.Bits(), g.Bits(), g.ImageSize()) != 0)
        std::abort();
    return 0;
}
