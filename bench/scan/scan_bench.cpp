// Times one A4 (210 x 297 mm) 300-dpi colour page from SANE's test backend:
// through TScanner into memory, and by `scanimage` into a file. Prints the
// median of several runs of each and their ratio (target: at most 1.5).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "scan/scanner.h"

namespace {

constexpr int kRuns = 5;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool WriteConfig(const QString &dir) {
    QFile dll(dir + "/dll.conf");
    QFile conf(dir + "/test.conf");
    if (!dll.open(QIODevice::WriteOnly) || !conf.open(QIODevice::WriteOnly)) return false;
    dll.write("test\n");
    conf.write("number_of_devices 1\nmode Color\ndepth 8\nresolution 300.0\ntest-picture \"Color pattern\"\n"
               "geometry_min 0.0\ngeometry_max 300.0\ngeometry_quant 1.0\n"
               "tl_x 0.0\ntl_y 0.0\nbr_x 210.0\nbr_y 297.0\n");
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    QTemporaryDir config;
    if (!config.isValid() || !WriteConfig(config.path())) {
        std::fprintf(stderr, "cannot write the SANE configuration\n");
        return 1;
    }
    setenv("SANE_CONFIG_DIR", QFile::encodeName(config.path()).constData(), 1);
    QCoreApplication app(argc, argv);

    std::vector<double> borvane, scanimage;
    size_t pageBytes = 0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        std::vector<unsigned char> copy;
        {
            TScanner scanner;
            scanner.ShowUI = false;
            scanner.ImageType = ifRgb24;
            scanner.XResolution = scanner.YResolution = 300;
            scanner.Acquire(&copy, [](HGLOBAL dib, uint16_t, void *user, uint16_t) {
                auto *out = static_cast<std::vector<unsigned char> *>(user);
                const auto *bytes = static_cast<const unsigned char *>(BorvaneGlobalLock(dib));
                out->assign(bytes, bytes + BorvaneGlobalSize(dib));
                BorvaneGlobalUnlock(dib);
            });
        }
        borvane.push_back(timer.nsecsElapsed() / 1e6);
        pageBytes = copy.size();
    }
    if (pageBytes == 0) {
        std::fprintf(stderr, "TScanner delivered no page\n");
        return 1;
    }
    const QString file = config.path() + "/page.pnm";
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const int rc = QProcess::execute(QStringLiteral("scanimage"),
                                         {"-d", "test", "--mode", "Color", "--depth", "8", "--resolution", "300",
                                          "-x", "210", "-y", "297", "--format=pnm", "-o", file});
        scanimage.push_back(timer.nsecsElapsed() / 1e6);
        if (rc != 0) {
            std::fprintf(stderr, "scanimage failed (%d)\n", rc);
            return 1;
        }
    }
    const double b = Median(borvane), s = Median(scanimage);
    std::printf("page: %zu bytes of DIB, %lld bytes of PNM\n", pageBytes, static_cast<long long>(QFile(file).size()));
    std::printf("TScanner into memory: %.1f ms (median of %d)\n", b, kRuns);
    std::printf("scanimage into file:  %.1f ms (median of %d)\n", s, kRuns);
    std::printf("ratio: %.2f (target <= 1.50)\n", b / s);
    return 0;
}
