// Feeds arbitrary bytes to the icon reader. Whatever it reads must be a
// true-colour image that survives being written as an icon and read again.
#include "formats/icongraphic.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool init = [] {
        SetImageMemoryLimit(size_t(64) << 20);
        return true;
    }();
    (void)init;

    TMemoryStream in{std::vector<uint8_t>(data, data + size)};
    TIconGraphic g;
    try {
        g.LoadImageFromStream(in, 1);
    } catch (const Exception &) {
        return 0;
    }
    if (g.Empty() || g.ImageFormat() != ifRgb24 || g.Width() > TIconGraphic::kMaxIconSide)
        std::abort();

    TMemoryStream out;
    g.SaveToStream(out);
    out.SetPosition(0);
    TIconGraphic again;
    again.LoadImageFromStream(out, 1);
    if (again.Width() != TIconGraphic::kIconSize)
        std::abort();
    return 0;
}
