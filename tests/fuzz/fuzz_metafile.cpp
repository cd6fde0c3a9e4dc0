// Feeds arbitrary bytes to the metafile player. Built twice, as fuzz_wmf and
// fuzz_emf, to be run on WMF and on EMF seeds (the reader tells
// the kinds apart by content, so either target reaches both players).
// Whatever plays must leave a true-colour image within the size cap.
#include "formats/metafile/metafilegraphic.h"

#include <QGuiApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool init = [] {
        SetImageMemoryLimit(size_t(64) << 20);
        // Text needs the font database of a GUI application, as in the program.
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
        return true;
    }();
    (void)init;

    TMemoryStream in{std::vector<uint8_t>(data, data + size)};
    TMetaFileGraphic g;
    try {
        g.LoadImageFromStream(in, 1);
    } catch (const Exception &) {
        return 0;
    }
    if (g.Empty() || g.ImageFormat() != ifRgb24 || g.Width() > TMetaFileGraphic::kMaxSide)
        std::abort();
    return 0;
}
