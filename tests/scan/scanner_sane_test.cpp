// Acquisition end to end through the source manager and SANE's `test` backend,
// configured from a folder of our own (SANE_CONFIG_DIR).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "image/dibgraphic.h"
#include "platform/core/globalmem.h"
#include "scan/scancommand.h"
#include "scan/scanner.h"

namespace {

QApplication &App() {
    static int argc = 1;
    static char name[] = "scanner_sane_test";
    static char *argv[] = {name, nullptr};
    // Kept for the whole run: destroying it among the static destructors would
    // outlive Qt's own thread data.
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

// The header fields of a packed DIB that tell what arrived.
struct TDibFacts {
    int32_t width = 0, height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
    int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    size_t blockSize = 0;
    std::vector<uint32_t> palette;
    uint16_t xDpi = 0, yDpi = 0;
    // The same bitmap as the viewer takes it in.
    bool loaded = false;
    TImageFormat loadedFormat = ifBlackWhite;
    int loadedWidth = 0, loadedHeight = 0;
    uint16_t loadedXDpi = 0, loadedYDpi = 0;
};

TDibFacts FactsOf(HGLOBAL dib, uint16_t x, uint16_t y) {
    TDibFacts f;
    f.blockSize = BorvaneGlobalSize(dib);
    const auto *p = static_cast<const uint8_t *>(BorvaneGlobalLock(dib));
    if (!p || f.blockSize < 40) return f;
    std::memcpy(&f.width, p + 4, 4);
    std::memcpy(&f.height, p + 8, 4);
    std::memcpy(&f.bitCount, p + 14, 2);
    std::memcpy(&f.compression, p + 16, 4);
    std::memcpy(&f.sizeImage, p + 20, 4);
    std::memcpy(&f.xPelsPerMeter, p + 24, 4);
    std::memcpy(&f.yPelsPerMeter, p + 28, 4);
    std::memcpy(&f.clrUsed, p + 32, 4);
    for (uint32_t i = 0; i < f.clrUsed && 40 + 4 * (i + 1) <= f.blockSize; ++i) {
        uint32_t entry;
        std::memcpy(&entry, p + 40 + 4 * i, 4);
        f.palette.push_back(entry);
    }
    BorvaneGlobalUnlock(dib);
    f.xDpi = x;
    f.yDpi = y;
    TDibGraphic graphic;
    graphic.LoadFromHDib(dib);
    f.loaded = true;
    f.loadedFormat = graphic.ImageFormat();
    f.loadedWidth = graphic.Width();
    f.loadedHeight = graphic.Height();
    f.loadedXDpi = graphic.XDotsPerInch();
    f.loadedYDpi = graphic.YDotsPerInch();
    return f;
}

// SANE reads SANE_CONFIG_DIR once per process, so every test rewrites the files
// of one folder; the test backend reads them at each sane_init.
QTemporaryDir &ConfigFolder() {
    // The test backend strdup()s a little at each sane_init that it never frees,
    // and SANE unloads it at sane_exit, which leaves the leak checker with
    // frames it cannot name. Kept loaded, the frames name libsane and the
    // project's leak suppressions apply to them.
    static void *keep = dlopen(SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
    (void)keep;
    static QTemporaryDir folder;
    static bool pointed = (setenv("SANE_CONFIG_DIR", QFile::encodeName(folder.path()).constData(), 1), true);
    (void)pointed;
    return folder;
}

class SaneAcquisition : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(config_.isValid());
        WriteConfig(true, "Default");
    }

    void WriteConfig(bool withTestBackend, const char *readStatus) {
        QFile dll(config_.path() + "/dll.conf");
        ASSERT_TRUE(dll.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (withTestBackend) dll.write("test\n");
        dll.close();
        QFile conf(config_.path() + "/test.conf");
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write(QStringLiteral("number_of_devices 1\nmode Gray\ndepth 8\nresolution 50.0\n"
                                  "test-picture \"Color pattern\"\nread-status-code \"%1\"\n"
                                  "geometry_min 0.0\ngeometry_max 300.0\ngeometry_quant 1.0\n"
                                  "tl_x 0.0\ntl_y 0.0\nbr_x 30.0\nbr_y 40.0\n")
                       .arg(QLatin1String(readStatus))
                       .toUtf8());
    }

    std::vector<TDibFacts> Acquire(TScanner &scanner) {
        std::vector<TDibFacts> pages;
        scanner.Acquire(&pages, [](HGLOBAL dib, uint16_t x, void *user, uint16_t y) {
            static_cast<std::vector<TDibFacts> *>(user)->push_back(FactsOf(dib, x, y));
        });
        return pages;
    }

    QTemporaryDir &config_ = ConfigFolder();
    const QString bin_ = QStringLiteral(BORVANE_BIN_DIR "/");
};

struct TFormatCase {
    TImageFormat type;
    uint16_t dpi;
    uint16_t bitCount;
    uint32_t colours;
    TImageFormat loaded;  // what LoadFromHDib makes of it: 8 bits become a colour format
};

class SaneFlatbedPage : public SaneAcquisition, public ::testing::WithParamInterface<TFormatCase> {};

TEST_P(SaneFlatbedPage, ArrivesInTheRequestedFormatAndResolution) {
    const TFormatCase &c = GetParam();
    TScanner scanner(bin_);
    scanner.ShowUI = false;
    scanner.ImageType = c.type;
    scanner.XResolution = c.dpi;
    scanner.YResolution = c.dpi;
    const std::vector<TDibFacts> pages = Acquire(scanner);
    ASSERT_EQ(pages.size(), 1u);
    const TDibFacts &f = pages[0];
    EXPECT_EQ(f.xDpi, c.dpi);
    EXPECT_EQ(f.yDpi, c.dpi);
    EXPECT_EQ(f.bitCount, c.bitCount);
    EXPECT_EQ(f.compression, 0u);
    EXPECT_EQ(f.clrUsed, c.colours);
    // 30 x 40 mm at the requested resolution, bottom-up.
    EXPECT_NEAR(f.width, 30 / 25.4 * c.dpi, 1.0);
    EXPECT_NEAR(f.height, 40 / 25.4 * c.dpi, 1.0);
    EXPECT_EQ(f.xPelsPerMeter, std::lround(c.dpi * 39.370078740157480317));
    EXPECT_EQ(f.yPelsPerMeter, f.xPelsPerMeter);
    const uint32_t stride = ((static_cast<uint32_t>(f.width) * c.bitCount + 31) / 32) * 4;
    EXPECT_EQ(f.sizeImage, stride * static_cast<uint32_t>(f.height));
    EXPECT_EQ(f.blockSize, 40 + 4 * c.colours + f.sizeImage);
    ASSERT_TRUE(f.loaded);
    EXPECT_EQ(f.loadedFormat, c.loaded);
    EXPECT_EQ(f.loadedWidth, f.width);
    EXPECT_EQ(f.loadedHeight, f.height);
    EXPECT_EQ(f.loadedXDpi, c.dpi);
    EXPECT_EQ(f.loadedYDpi, c.dpi);
    if (c.colours > 0) {
        // Colour 0 is black, the last is white; grey steps are even.
        EXPECT_EQ(f.palette.front(), 0x000000u);
        EXPECT_EQ(f.palette.back(), 0xFFFFFFu);
        if (c.colours == 256) EXPECT_EQ(f.palette[128], 0x808080u);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SaneFlatbedPage,
                         ::testing::Values(TFormatCase{ifBlackWhite, 100, 1, 2, ifBlackWhite},
                                           TFormatCase{ifGray256, 150, 8, 256, ifColor256},
                                           TFormatCase{ifRgb24, 75, 24, 0, ifRgb24}));

// Answers the source's own window once it shows: choose `source`, press Scan.
void ScanFromDialog(const QString &source) {
    QTimer::singleShot(0, [source] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() != QLatin1String("SaneSourceDialog") || !w->isVisible()) continue;
            for (auto *box : w->findChildren<QComboBox *>())
                if (box->findText(source) >= 0) box->setCurrentText(source);
            w->findChild<QAbstractButton *>(QStringLiteral("scan"))->click();
            return;
        }
        ADD_FAILURE() << "the source's window did not show";
        QCoreApplication::exit(1);
    });
}

TEST_F(SaneAcquisition, FeederDeliversItsTenSheetsInOrderAndIsRemembered) {
    TScanner scanner(bin_);
    ScanFromDialog(QStringLiteral("Automatic Document Feeder"));
    EXPECT_EQ(Acquire(scanner).size(), 10u);
    // Without the window the source scans as last chosen.
    scanner.ShowUI = false;
    scanner.ImageType = ifGray256;
    EXPECT_EQ(Acquire(scanner).size(), 10u);
    scanner.ShowUI = true;
    ScanFromDialog(QStringLiteral("Flatbed"));
    EXPECT_EQ(Acquire(scanner).size(), 1u);
}

TEST_F(SaneAcquisition, CancelInTheSourceWindowEndsQuietly) {
    TScanner scanner(bin_);
    QTimer::singleShot(0, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("SaneSourceDialog") && w->isVisible())
                w->findChild<QAbstractButton *>(QStringLiteral("cancel"))->click();
    });
    EXPECT_TRUE(Acquire(scanner).empty());
}

class SaneFailure : public SaneAcquisition, public ::testing::WithParamInterface<std::pair<const char *, const char *>> {};

TEST_P(SaneFailure, EndsTheAcquisitionWithTheSourcesMessage) {
    WriteConfig(true, GetParam().first);
    TScanner scanner(bin_);
    scanner.ShowUI = false;
    std::vector<TDibFacts> pages;
    EXPECT_NO_THROW(pages = Acquire(scanner));
    EXPECT_TRUE(pages.empty());
    QMessageBox *shown = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("SaneSourceMessage") && w->isVisible())
            shown = qobject_cast<QMessageBox *>(w);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(), QString::fromUtf8(GetParam().second));
    shown->close();
    QCoreApplication::processEvents();
}

INSTANTIATE_TEST_SUITE_P(Statuses, SaneFailure,
                         ::testing::Values(std::make_pair("SANE_STATUS_JAMMED", "Document feeder jammed"),
                                           std::make_pair("SANE_STATUS_IO_ERROR", "Error during device I/O")));

TEST_F(SaneAcquisition, NoScannerFailsToOpenTheSource) {
    WriteConfig(false, "Default");
    TScanner scanner(bin_);
    EXPECT_TRUE(scanner.ScannerAvailable());
    try {
        Acquire(scanner);
        FAIL() << "acquired without a scanner";
    } catch (const ETwainError &e) {
        EXPECT_STREQ(e.what(), "Unable to open TWAIN data source");
    }
}

struct TCommandCase {
    const char *name;
    QStringList options;
    const char *readStatus;
    int status;
    int files;
    uint16_t bitCount;
};

class ScanCommand : public SaneAcquisition, public ::testing::WithParamInterface<TCommandCase> {};

TEST_P(ScanCommand, WritesOneBmpPerPage) {
    const TCommandCase &c = GetParam();
    WriteConfig(true, c.readStatus);
    QTemporaryDir out;
    const QString prefix = out.path() + "/page";
    EXPECT_EQ(RunScanCommand(QStringList(c.options) << prefix), c.status);
    // A source that failed told the user in a box of its own.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("SaneSourceMessage")) w->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(QFile::exists(prefix + "-1.bmp"), c.files >= 1);
    EXPECT_FALSE(QFile::exists(prefix + QStringLiteral("-%1.bmp").arg(c.files + 1)));
    if (c.files == 0) return;
    QFile bmp(prefix + "-1.bmp");
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    const QByteArray data = bmp.readAll();
    ASSERT_GE(data.size(), 54);
    EXPECT_EQ(data.left(2), QByteArray("BM"));
    uint32_t fileSize, offset, colours;
    uint16_t bitCount;
    std::memcpy(&fileSize, data.constData() + 2, 4);
    std::memcpy(&offset, data.constData() + 10, 4);
    std::memcpy(&bitCount, data.constData() + 28, 2);
    std::memcpy(&colours, data.constData() + 46, 4);
    EXPECT_EQ(fileSize, static_cast<uint32_t>(data.size()));
    EXPECT_EQ(bitCount, c.bitCount);
    EXPECT_EQ(offset, 54 + 4 * colours);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanCommand,
    ::testing::Values(TCommandCase{"Gray", {"--type", "gray", "--resolution", "100"}, "Default", 0, 1, 8},
                      TCommandCase{"DefaultsToLineArt", {}, "Default", 0, 1, 1},
                      TCommandCase{"Color", {"--type", "color"}, "Default", 0, 1, 24},
                      TCommandCase{"Jammed", {"--type", "gray"}, "SANE_STATUS_JAMMED", 1, 0, 0},
                      TCommandCase{"UnknownType", {"--type", "sepia"}, "Default", 2, 0, 0},
                      TCommandCase{"BadResolution", {"--resolution", "0"}, "Default", 2, 0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SaneAcquisition, ScanCommandWithoutPrefixIsRefused) { EXPECT_EQ(RunScanCommand({"--type", "gray"}), 2); }

}  // namespace
