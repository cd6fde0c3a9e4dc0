#include "scan/scancommand.h"

#include <QFile>

#include <cstdio>
#include <cstring>

#include "scan/scanner.h"

namespace {

void PutU16(char *p, uint16_t v) { std::memcpy(p, &v, 2); }
void PutU32(char *p, uint32_t v) { std::memcpy(p, &v, 4); }

// A packed DIB is a BMP file without its 14-byte file header.
void WriteBmp(HGLOBAL dib, const QString &path) {
    const size_t size = BorvaneGlobalSize(dib);
    const auto *bytes = static_cast<const char *>(BorvaneGlobalLock(dib));
    if (!bytes || size < 40 || size > 0x7FFFFFFF - 14) {
        BorvaneGlobalUnlock(dib);
        throw Exception("The scanner gave an unusable image");
    }
    uint32_t headerSize, colours;
    uint16_t bitCount;
    std::memcpy(&headerSize, bytes, 4);
    std::memcpy(&bitCount, bytes + 14, 2);
    std::memcpy(&colours, bytes + 32, 4);
    if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
    const uint64_t offset = 14 + uint64_t(headerSize) + uint64_t(colours) * 4;
    char fileHeader[14] = {'B', 'M'};
    PutU32(fileHeader + 2, static_cast<uint32_t>(14 + size));
    PutU16(fileHeader + 6, 0);
    PutU16(fileHeader + 8, 0);
    PutU32(fileHeader + 10, static_cast<uint32_t>(offset));
    QFile file(path);
    const bool ok = offset <= 14 + size && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write(fileHeader, 14) == 14 &&
                    file.write(bytes, static_cast<qint64>(size)) == static_cast<qint64>(size);
    BorvaneGlobalUnlock(dib);
    if (!ok) throw Exception("Cannot write " + path.toStdString());
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
        scanner.Acquire(nullptr, [&](HGLOBAL dib, uint16_t, void *, uint16_t) {
            WriteBmp(dib, QStringLiteral("%1-%2.bmp").arg(prefix).arg(++page));
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
