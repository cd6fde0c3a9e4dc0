#pragma once
// The glue between the codec frame and TDibGraphic, and the frame's exception.
#include "formats/gbm.h"
#include "image/dibgraphic.h"

class EGbmError : public Exception {
public:
    using Exception::Exception;
};

// Reads the bitmap at the stream's position into graphic through the codec
// that fileName's extension selects ("File.bmp", "File.pcx", "File.tga").
// The resolution is the screen's until the caller sets it. Raises EGbmError
// "gbm_guess_filetype failed.", "gbm_read_header failed." (header or palette),
// "Internal error: Invalid image format" or "gbm_read_data failed.", and what
// NewImage raises.
void GbmReadGraphic(TStream &stream, TDibGraphic &graphic, const char *fileName, const char *options);
