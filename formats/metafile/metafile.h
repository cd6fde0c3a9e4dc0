#pragma once
// The two record players behind TMetaFileGraphic and what they share.
#include "formats/metafile/mfplayer.h"

#include <QString>

namespace metafile {

// Plays the records of a Windows metafile that follow its placeable header.
void PlayWmf(const uint8_t *data, size_t size, TPlayer &player);
// Plays an enhanced metafile from its header record on.
void PlayEmf(const uint8_t *data, size_t size, TPlayer &player, const QTransform &frame);

// 8-bit text in the code page of a font's character set: Thai (222) as
// Windows code page 874, everything else as code page 1252's Latin-1 part.
QString DecodeAnsi(const uint8_t *bytes, size_t count, int charset);

} // namespace metafile
