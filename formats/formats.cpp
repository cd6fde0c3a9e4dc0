#include "formats/formats.h"

#include "formats/bitmapgraphic.h"
#include "image/registry.h"

void RegisterStartupFormats()
{
    // TIFF, JPEG, PCX, DCX, Targa and PNG register here, in that order.
    RegisterBitmapGraphic();
}

void UnregisterFormats() { UnregisterGraphicClasses(); }
