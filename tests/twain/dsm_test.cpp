// The source manager and the SANE data source spoken to directly through
// DSM_Entry, with SANE's test backend as the scanner: which capability values
// the source takes, which it refuses and how it says so.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstring>

#include "platform/core/globalmem.h"
#include "platform/twain/twain.h"

namespace {

class SaneSourceCapabilities : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // See tests/scan: keeps the backend's own small leaks attributable.
        dlopen(SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
        static QTemporaryDir config;
        QFile dll(config.path() + "/dll.conf");
        ASSERT_TRUE(dll.open(QIODevice::WriteOnly));
        dll.write("test\n");
        dll.close();
        setenv("SANE_CONFIG_DIR", QFile::encodeName(config.path()).constData(), 1);
    }

    void SetUp() override {
        ASSERT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &app_), TWRC_SUCCESS);
        ASSERT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
    }
    void TearDown() override { Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &app_); }

    TW_UINT16 Call(pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        return DSM_Entry(&app_, dest, dg, dat, msg, data);
    }

    TW_UINT16 Condition(pTW_IDENTITY dest) {
        TW_STATUS status{};
        EXPECT_EQ(Call(dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }

    TW_UINT16 SetCap(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item) {
        TGlobalMemory memory(BorvaneGlobalAlloc(sizeof(TW_ONEVALUE)));
        TW_ONEVALUE one{type, item};
        std::memcpy(BorvaneGlobalLock(memory.get()), &one, sizeof one);
        BorvaneGlobalUnlock(memory.get());
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, memory.get()};
        return Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    }

    TW_IDENTITY app_{};
    TW_IDENTITY source_{};
};

TEST_F(SaneSourceCapabilities, DefaultSourceIsTheFirstScannerFound) {
    EXPECT_NE(source_.Id, 0u);
    EXPECT_STREQ(source_.ProductName, "test:0");
    EXPECT_STREQ(source_.Manufacturer, "Noname");
}

TEST_F(SaneSourceCapabilities, TakesWhatItCanAndRefusesTheRest) {
    struct Step {
        const char *what;
        TW_UINT16 cap, type;
        TW_UINT32 item;
        TW_UINT16 rc, condition;
    };
    // In order: the bit depth is judged against the pixel type set before it.
    const Step steps[] = {
        {"native transfer", ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE, TWRC_SUCCESS, TWCC_SUCCESS},
        {"memory transfer", ICAP_XFERMECH, TWTY_UINT16, 2, TWRC_FAILURE, TWCC_BADVALUE},
        {"any number of images", CAP_XFERCOUNT, TWTY_INT16, 0xFFFFFFFFu, TWRC_SUCCESS, TWCC_SUCCESS},
        {"no images", CAP_XFERCOUNT, TWTY_INT16, 0, TWRC_FAILURE, TWCC_BADVALUE},
        {"inches", ICAP_UNITS, TWTY_UINT16, TWUN_INCHES, TWRC_SUCCESS, TWCC_SUCCESS},
        {"centimetres", ICAP_UNITS, TWTY_UINT16, 1, TWRC_FAILURE, TWCC_BADVALUE},
        {"150 dpi", ICAP_XRESOLUTION, TWTY_FIX32, 150, TWRC_SUCCESS, TWCC_SUCCESS},
        {"5000 dpi, beyond the device", ICAP_YRESOLUTION, TWTY_FIX32, 5000, TWRC_FAILURE, TWCC_BADVALUE},
        {"resolution as an integer", ICAP_XRESOLUTION, TWTY_UINT16, 150, TWRC_FAILURE, TWCC_BADVALUE},
        {"palette", ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE, TWRC_FAILURE, TWCC_BADVALUE},
        {"grey", ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY, TWRC_SUCCESS, TWCC_SUCCESS},
        {"16 greys", ICAP_BITDEPTH, TWTY_UINT16, 4, TWRC_FAILURE, TWCC_BADVALUE},
        {"256 greys", ICAP_BITDEPTH, TWTY_UINT16, 8, TWRC_SUCCESS, TWCC_SUCCESS},
        {"line art", ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW, TWRC_SUCCESS, TWCC_SUCCESS},
        {"one bit", ICAP_BITDEPTH, TWTY_UINT16, 1, TWRC_SUCCESS, TWCC_SUCCESS},
        {"colour", ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB, TWRC_SUCCESS, TWCC_SUCCESS},
        {"24 bits", ICAP_BITDEPTH, TWTY_UINT16, 24, TWRC_SUCCESS, TWCC_SUCCESS},
        {"unknown capability", 0x1234, TWTY_UINT16, 0, TWRC_FAILURE, TWCC_BADCAP},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(SetCap(s.cap, s.type, s.item), s.rc);
        EXPECT_EQ(Condition(&source_), s.condition);
    }
}

TEST_F(SaneSourceCapabilities, ContainerOtherThanOneValueIsRefused) {
    TGlobalMemory memory(BorvaneGlobalAlloc(sizeof(TW_ONEVALUE)));
    TW_CAPABILITY capability{ICAP_XFERMECH, 4 /* TWON_ENUMERATION */, memory.get()};
    EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability), TWRC_FAILURE);
    EXPECT_EQ(Condition(&source_), TWCC_BADVALUE);
    TW_CAPABILITY empty{ICAP_XFERMECH, TWON_ONEVALUE, nullptr};
    EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &empty), TWRC_FAILURE);
}

TEST_F(SaneSourceCapabilities, TripletsOutOfTurnAreRefused) {
    // No transfer is ready before the source is enabled.
    TW_IMAGEINFO info{};
    EXPECT_EQ(Call(&source_, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
    EXPECT_EQ(Condition(&source_), TWCC_SEQERROR);
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_FAILURE);
    // Enabling needs an application to deliver the source's messages.
    TW_USERINTERFACE ui{0, 0, nullptr};
    EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
    // A destination the manager never opened.
    TW_IDENTITY stranger = source_;
    stranger.Id += 100;
    EXPECT_EQ(Call(&stranger, DG_CONTROL, DAT_CAPABILITY, MSG_SET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Condition(nullptr), TWCC_BADDEST);
}

TEST_F(SaneSourceCapabilities, ClosingTheManagerClosesItsSources) {
    ASSERT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &app_), TWRC_SUCCESS);
    ASSERT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &app_), TWRC_SUCCESS);
    EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_), TWRC_FAILURE);
    EXPECT_EQ(Condition(nullptr), TWCC_BADDEST);
}

}  // namespace
