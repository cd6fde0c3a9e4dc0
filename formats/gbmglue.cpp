#include "formats/gbmglue.h"

#include <memory>

void GbmReadGraphic(TStream &stream, TDibGraphic &graphic, const char *fileName, const char *options)
{
    int ft = 0;
    if (gbm_guess_filetype(fileName, &ft) != GBM_ERR_OK)
        throw EGbmError("gbm_guess_filetype failed.");
    auto gbm = std::make_unique<GBM>(); // zeroed
    if (gbm_read_header(fileName, &stream, ft, gbm.get(), options) != GBM_ERR_OK)
        throw EGbmError("gbm_read_header failed.");

    TImageFormat format;
    switch (gbm->bpp) {
    case 1: format = ifBlackWhite; break;
    case 4: format = ifColor16; break;
    case 8: format = ifColor256; break;
    case 24: format = ifRgb24; break;
    default: throw EGbmError("Internal error: Invalid image format");
    }

    TMaxLogPalette palette{};
    if (format != ifRgb24) {
        GBMRGB rgb[256] = {};
        if (gbm_read_palette(&stream, ft, gbm.get(), rgb) != GBM_ERR_OK)
            throw EGbmError("gbm_read_header failed.");
        palette.palVersion = 0x0300;
        palette.palNumEntries = uint16_t(1u << gbm->bpp);
        for (int i = 0; i < palette.palNumEntries; ++i)
            palette.palPalEntry[i] = {rgb[i].r, rgb[i].g, rgb[i].b, 0};
    }
    graphic.NewImage(gbm->w, gbm->h, format, format == ifRgb24 ? nullptr : &palette, 0, 0);
    if (gbm_read_data(&stream, ft, gbm.get(), graphic.Bits()) != GBM_ERR_OK)
        throw EGbmError("gbm_read_data failed.");
}
