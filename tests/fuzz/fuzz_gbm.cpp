// Feeds arbitrary bytes to the codec frame's BMP reader alone (no Qt
// fallback), which runs many more inputs per second than fuzz_bmp. The
// options vary with the first byte so "invb" and the 1-bit exchange are
// exercised too.
#include "formats/gbmglue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool init = [] {
        SetImageMemoryLimit(size_t(16) << 20);
        return true;
    }();
    (void)init;
    if (size < 1)
        return 0;
    static const char *const options[] = {"inv", "", "inv,invb", "invb"};
    const char *opt = options[data[0] & 3];
    TMemoryStream in{std::vector<uint8_t>(data + 1, data + size)};
    TDibGraphic g;
    try {
        GbmReadGraphic(in, g, "File.bmp", opt);
    } catch (const Exception &) {
    }
    return 0;
}
