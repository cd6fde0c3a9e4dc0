// TScanner against a scripted data source: the triplets the source manager
// sees, in order, for each way an acquisition can go; and the life cycle of the
// scanner object and its source manager.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>
#include <vector>

#include "platform/core/globalmem.h"
#include "platform/twain/dsmext.h"
#include "scan/scanner.h"
#include "scriptedsource.h"

namespace {

// No system scanners take part: SANE is pointed at a folder without backends.
void IsolateSane() {
    static QTemporaryDir config;
    QFile dll(config.path() + "/dll.conf");
    dll.open(QIODevice::WriteOnly);
    setenv("SANE_CONFIG_DIR", QFile::encodeName(config.path()).constData(), 1);
}

QApplication &App() {
    static bool isolated = (IsolateSane(), true);
    (void)isolated;
    static int argc = 1;
    static char name[] = "scanner_test";
    static char *argv[] = {name, nullptr};
    // Kept for the whole run: destroying it among the static destructors would
    // outlive Qt's own thread data.
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

const QString kBinDir = QStringLiteral(BORVANE_BIN_DIR "/");

// The fixed capabilities every acquisition sets, then the four set without the source's window.
const std::vector<std::string> kFixedCaps = {"CAP 0x0103 on5 t4 0", "CAP 0x0001 on5 t1 4294967295",
                                             "CAP 0x0102 on5 t4 0"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto &p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct TAcquisitionCase {
    const char *name;
    TSourceScript script;
    bool showUI;
    TImageFormat imageType;
    bool postQuit;
    std::vector<std::string> expected;  // after OPENDSM, OPENDS and the fixed capabilities
    std::vector<int> images;            // the image numbers OnImage receives, in order
    const char *error;                  // message Acquire raises, or nullptr
};

struct TReceived {
    int image;
    uint16_t x, y;
    void *user;
};

class AcquisitionOrder : public ::testing::TestWithParam<TAcquisitionCase> {
protected:
    void SetUp() override { App(); }
    void TearDown() override { RemoveScriptedSource(); }
};

TEST_P(AcquisitionOrder, SourceManagerSeesTheTripletsInOrder) {
    const TAcquisitionCase &c = GetParam();
    TTripletLog log;
    InstallScriptedSource(c.script, log);
    std::vector<TReceived> received;
    std::string error;
    {
        TScanner scanner(kBinDir);
        scanner.ShowUI = c.showUI;
        scanner.ImageType = c.imageType;
        // The application is told to quit while the source works.
        if (c.postQuit) QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        int user = 0;
        try {
            scanner.Acquire(&user, [&](HGLOBAL dib, uint16_t x, void *u, uint16_t y) {
                ASSERT_GE(BorvaneGlobalSize(dib), 44u);
                const auto *bytes = static_cast<const unsigned char *>(BorvaneGlobalLock(dib));
                received.push_back({static_cast<int>(bytes[40]), x, y, u});
                BorvaneGlobalUnlock(dib);
                if (std::strcmp(c.name, "HandlerRaises") == 0) throw std::runtime_error("handler failed");
            });
        } catch (const std::exception &e) {
            error = e.what();
        }
        for (const TReceived &r : received) EXPECT_EQ(r.user, &user);
    }
    std::vector<std::string> expected = Join({{"OPENDSM", "OPENDS"}, kFixedCaps, c.expected, {"CLOSEDSM"}});
    EXPECT_EQ(log.entries, expected);
    std::vector<int> images;
    for (const TReceived &r : received) {
        images.push_back(r.image);
        EXPECT_EQ(r.x, 300 + r.image);
        EXPECT_EQ(r.y, 150 + r.image);
    }
    EXPECT_EQ(images, c.images);
    EXPECT_EQ(error, c.error ? c.error : "");
    if (c.postQuit) {
        // The quit reached the application too; let its own loop take it, so the
        // following tests start from an application that is not quitting.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
}

const std::vector<std::string> kGrayCaps = {"CAP 0x1118 on5 t7 200", "CAP 0x1119 on5 t7 200",
                                            "CAP 0x0101 on5 t4 1", "CAP 0x112B on5 t4 8"};
const std::vector<std::string> kOneTransfer = {"IMAGEINFO", "NATIVEXFER rc6", "ENDXFER"};
const std::vector<std::string> kEnd = {"DISABLEDS", "CLOSEDS"};

TSourceScript Script(TSourceScript::OnEnable onEnable, int images = 1) {
    TSourceScript s;
    s.onEnable = onEnable;
    s.images = images;
    return s;
}

TSourceScript With(TSourceScript s, void (*change)(TSourceScript &)) {
    change(s);
    return s;
}

const TAcquisitionCase kCases[] = {
    {"GrayWithoutWindow", Script(TSourceScript::PostXferReady), false, ifGray256, false,
     Join({kGrayCaps, {"ENABLEDS", "PROCESSEVENT rc4"}, kOneTransfer, kEnd}), {0}, nullptr},
    {"DialogCancelledBeforeScanning", Script(TSourceScript::PostCloseRequest), true, ifBlackWhite, false,
     Join({{"ENABLEDS", "PROCESSEVENT rc4"}, kEnd}), {}, nullptr},
    {"SeveralPendingImages", Script(TSourceScript::PostXferReady, 3), true, ifBlackWhite, false,
     Join({{"ENABLEDS", "PROCESSEVENT rc4"}, kOneTransfer, kOneTransfer, kOneTransfer, kEnd}), {0, 1, 2}, nullptr},
    {"CancelWithImagesPending",
     With(Script(TSourceScript::PostXferReady, 3), [](TSourceScript &s) { s.cancelAt = 1; }), true, ifBlackWhite,
     false,
     Join({{"ENABLEDS", "PROCESSEVENT rc4"}, kOneTransfer, {"IMAGEINFO", "NATIVEXFER rc3", "ENDXFER", "RESET"}, kEnd}),
     {0}, nullptr},
    {"QuitDuringLoop", Script(TSourceScript::PostNothing), true, ifBlackWhite, true, Join({{"ENABLEDS"}, kEnd}), {},
     nullptr},
    {"ImageInfoRefused",
     With(Script(TSourceScript::PostXferReady, 2), [](TSourceScript &s) { s.imageInfoFails = true; }), true,
     ifBlackWhite, false,
     Join({{"ENABLEDS", "PROCESSEVENT rc4", "IMAGEINFO rc1", "ENDXFER", "RESET"}, kEnd}), {}, nullptr},
    {"HandlerRaises", Script(TSourceScript::PostXferReady, 3), true, ifBlackWhite, false,
     Join({{"ENABLEDS", "PROCESSEVENT rc4"}, kOneTransfer, {"RESET"}, kEnd}), {0}, "handler failed"},
    {"EnableRefused", With(Script(TSourceScript::PostXferReady), [](TSourceScript &s) { s.enableFails = true; }),
     true, ifBlackWhite, false, {"ENABLEDS rc1", "CLOSEDS"}, {}, "Unable to enable twain source."},
    {"CloseRefused", With(Script(TSourceScript::PostCloseRequest), [](TSourceScript &s) { s.closeFails = true; }),
     true, ifBlackWhite, false, Join({{"ENABLEDS", "PROCESSEVENT rc4", "DISABLEDS", "CLOSEDS rc1"}}), {},
     "Unable to close TWAIN data source"},
    {"InvalidImageType", Script(TSourceScript::PostXferReady), false, static_cast<TImageFormat>(6), false,
     {"CLOSEDS"}, {}, "Invalid image type"},
};

INSTANTIATE_TEST_SUITE_P(Scenarios, AcquisitionOrder, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

class ScannerLifeCycle : public ::testing::Test {
protected:
    void SetUp() override { App(); }
    void TearDown() override { RemoveScriptedSource(); }
};

TEST_F(ScannerLifeCycle, OnlyOneScannerAtATime) {
    TTripletLog log;
    InstallScriptedSource(Script(TSourceScript::PostCloseRequest), log);
    {
        TScanner first(kBinDir);
        try {
            TScanner second(kBinDir);
            FAIL() << "a second scanner was created";
        } catch (const EScannerError &e) {
            EXPECT_STREQ(e.what(), "Only one scanner object is permitted");
        }
        // The first stays fully usable.
        EXPECT_TRUE(first.ScannerAvailable());
        EXPECT_NO_THROW(first.Acquire(nullptr, [](HGLOBAL, uint16_t, void *, uint16_t) {}));
    }
    EXPECT_NO_THROW(TScanner again(kBinDir));
}

TEST_F(ScannerLifeCycle, MissingSourceManagerIsNotAvailable) {
    QTemporaryDir empty;
    TScanner scanner(empty.path());
    bool available = true;
    EXPECT_NO_THROW(available = scanner.ScannerAvailable());
    EXPECT_FALSE(available);
    const std::string path = (empty.path() + "/libborvane_twain.so").toStdString();
    try {
        scanner.Acquire(nullptr, [](HGLOBAL, uint16_t, void *, uint16_t) {});
        FAIL() << "acquired without a source manager";
    } catch (const EScannerError &e) {
        EXPECT_EQ(std::string(e.what()), "LoadLibrary(" + path + ") failed");
    }
}

TEST_F(ScannerLifeCycle, NoProgramFolderIsReported) {
    TScanner scanner(QString{});
    EXPECT_FALSE(scanner.ScannerAvailable());
    try {
        scanner.OpenSourceManager();
        FAIL();
    } catch (const EScannerError &e) {
        EXPECT_STREQ(e.what(), "GetWindowsDirectory failed");
    }
}

TEST_F(ScannerLifeCycle, LibraryWithoutEntryPointIsUndoneEveryTime) {
    TScanner scanner(QStringLiteral(NOENTRY_DIR));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            scanner.OpenSourceManager();
            FAIL() << "opened a library without DSM_Entry";
        } catch (const EScannerError &e) {
            EXPECT_STREQ(e.what(), "GetProcAddress failed: DSM_Entry");
        }
        // The half-done open was taken back: nothing counts as loaded.
        EXPECT_FALSE(scanner.ScannerAvailable());
    }
    EXPECT_THROW(scanner.SelectSource(), EScannerError);
}

TEST_F(ScannerLifeCycle, RefusedOpenOfTheManagerIsRetriedLater) {
    TTripletLog log;
    InstallScriptedSource(Script(TSourceScript::PostCloseRequest), log);
    // Someone else holds the source manager open, so its open is refused.
    TW_IDENTITY other{};
    ASSERT_EQ(DSM_Entry(&other, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr), TWRC_SUCCESS);
    TScanner scanner(kBinDir);
    try {
        scanner.OpenSourceManager();
        FAIL();
    } catch (const EScannerError &e) {
        EXPECT_STREQ(e.what(), "Unable to open TWAIN source manager");
    }
    ASSERT_EQ(DSM_Entry(&other, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, nullptr), TWRC_SUCCESS);
    EXPECT_TRUE(scanner.ScannerAvailable());
    EXPECT_NO_THROW(scanner.Acquire(nullptr, [](HGLOBAL, uint16_t, void *, uint16_t) {}));
}

TEST_F(ScannerLifeCycle, SelectSourceRemembersTheChoiceAsDefault) {
    TTripletLog log;
    InstallScriptedSource(Script(TSourceScript::PostCloseRequest), log);
    TScanner scanner(kBinDir);
    bool accepted = false, cancelled = true;
    // The select dialog is modal: answer it from the event loop it runs.
    auto answer = [](bool ok) {
        QTimer::singleShot(0, [ok] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                ok ? dialog->accept() : dialog->reject();
        });
    };
    answer(true);
    accepted = scanner.SelectSource();
    answer(false);
    cancelled = scanner.SelectSource();
    EXPECT_TRUE(accepted);
    EXPECT_FALSE(cancelled);
    EXPECT_NO_THROW(scanner.Acquire(nullptr, [](HGLOBAL, uint16_t, void *, uint16_t) {}));
    EXPECT_NE(std::find(log.entries.begin(), log.entries.end(), "USERSELECT rc3"), log.entries.end());
}

}  // namespace
