#include "scan/scancommand.h"

#include <cstdio>

#include "formats/bitmapgraphic.h"
#include "image/dibgraphic.h"
#include "image/stream.h"
#include "scan/scanner.h"

namespace {

// Each page goes through the image model and the BMP writer, so the file
// holds exactly the BMP data the page viewer would store for it.
void WritePage(HGLOBAL dib, uint16_t xResolution, uint16_t yResolution, const QString &path) {
    TDibGraphic page;
    page.LoadFromHDib(dib);
    if (xResolution) page.SetXDotsPerInch(xResolution);
    if (yResolution) page.SetYDotsPerInch(yResolution);
    TFileStream out(path, TFileStream::fmCreate);
    WriteBmp(page, out);
}

int Usage() {
    std::fprintf(stderr, "usage: borvane-img scan [--type bw|gray|color] [--resolution DPI] PREFIX\n");
    return 2;
}

}  // namespace

int RunScanCommand(const QStringList &args) {
    TImageFormat type = ifBlackWhite;
    int dpi = 200;
    QString prefix;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--type") && i + 1 < args.size()) {
            const QString t = args[++i];
            if (t == QLatin1String("bw")) type = ifBlackWhite;
            else if (t == QLatin1String("gray")) type = ifGray256;
            else if (t == QLatin1String("color")) type = ifRgb24;
            else return Usage();
        } else if (a == QLatin1String("--resolution") && i + 1 < args.size()) {
            bool ok = false;
            dpi = args[++i].toInt(&ok);
            if (!ok || dpi < 1 || dpi > 32767) return Usage();
        } else if (!a.startsWith(QLatin1String("--")) && prefix.isEmpty()) {
            prefix = a;
        } else {
            return Usage();
        }
    }
    if (prefix.isEmpty()) return Usage();
    try {
        TScanner scanner;
        scanner.ShowUI = false;
        scanner.ImageType = type;
        scanner.XResolution = static_cast<uint16_t>(dpi);
        scanner.YResolution = static_cast<uint16_t>(dpi);
        int page = 0;
        scanner.Acquire(nullptr, [&](HGLOBAL dib, uint16_t xResolution, void *, uint16_t yResolution) {
            WritePage(dib, xResolution, yResolution, QStringLiteral("%1-%2.bmp").arg(prefix).arg(++page));
        });
        if (page == 0) {
            std::fprintf(stderr, "No page was scanned\n");
            return 1;
        }
        std::printf("%d page(s) scanned\n", page);
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
