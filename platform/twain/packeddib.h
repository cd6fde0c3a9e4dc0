#pragma once
// Turns a scanned page into what a native transfer hands over: a packed
// device-independent bitmap in global memory (40-byte header, colour table,
// bottom-up rows padded to 4 bytes) carrying the page's resolution.
//   grey 1 bit  -> 1 bit, black and white colour table
//   grey 8/16   -> 8 bits, 256-grey colour table (16-bit samples keep their high byte)
//   RGB 8/16    -> 24 bits, blue-green-red
#include "platform/core/globalmem.h"
#include "platform/twain/scanjob.h"
#include "platform/twain/twain.h"

// Fills the TWAIN description of the bitmap PackPageAsDib will make; false
// when the page cannot become a bitmap.
bool DescribePage(const TScannedPage &page, TW_IMAGEINFO &info);
// The packed bitmap, or nullptr when the page is unusable or memory is short.
HGLOBAL PackPageAsDib(const TScannedPage &page);
