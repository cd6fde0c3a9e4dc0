#include "image/registry.h"
#include "image/waitcursor.h"

#include <gtest/gtest.h>

namespace {
class TTiffLike : public TDibGraphic {
    BORVANE_GRAPHIC_CLASS(TTiffLike)
};
class TBmpLike : public TDibGraphic {
    BORVANE_GRAPHIC_CLASS(TBmpLike)
};

class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnregisterGraphicClasses();
        RegisterGraphicClass("TIF", "TIFF file", GraphicClassOf<TTiffLike>());
        RegisterGraphicClass("tiff", "TIFF file", GraphicClassOf<TTiffLike>());
    }
    void TearDown() override { UnregisterGraphicClasses(); }
};
} // namespace

TEST(FileExt, TakesTheLastDotAfterTheLastSeparator)
{
    const struct {
        const char *name, *ext;
    } cases[] = {{"photo.tif", ".tif"}, {"*.TIF", ".TIF"},         {"TIF", ""},
                 {"a.b.Tiff", ".Tiff"}, {"C:\\scans.old\\page", ""}, {"/home/x.y/page", ""},
                 {"C:page.bmp", ".bmp"}, {"C:x.", "."},             {"dir/.hidden", ".hidden"}};
    for (const auto &c : cases)
        EXPECT_EQ(ExtractFileExt(c.name), QString(c.ext)) << c.name;
}

TEST_F(Registry, FindsClassesByExtensionIgnoringCase)
{
    for (const char *name : {"photo.tif", "*.TIF", "TIF", "scan.Tiff", "/a/b/c.TIFF"})
        EXPECT_EQ(GraphicClassForFile(name), GraphicClassOf<TTiffLike>()) << name;
    for (const char *name : {"BMP", "x.bmp", "C:\\scans.old\\page", "", "tif.", "photo.ti"})
        EXPECT_EQ(GraphicClassForFile(name), nullptr) << name;

    RegisterGraphicClass("BMP", "Bitmap file", GraphicClassOf<TBmpLike>());
    EXPECT_EQ(GraphicClassForFile("BMP"), GraphicClassOf<TBmpLike>());
    // First registration wins.
    RegisterGraphicClass("BMP", "Other", GraphicClassOf<TTiffLike>());
    EXPECT_EQ(GraphicClassForFile("page.bmp"), GraphicClassOf<TBmpLike>());

    std::unique_ptr<TDibGraphic> g = CreateGraphicForFile("C:\\x\\Page.Bmp");
    ASSERT_TRUE(g);
    EXPECT_STREQ(g->ClassName(), "TBmpLike");
    EXPECT_TRUE(g->Empty());
}

TEST_F(Registry, CreateGraphicForFileNamesTheMissingExtension)
{
    const struct {
        const char *name, *message;
    } cases[] = {{"picture.xyz", "Graphic files of .xyz format are not supported or not registered"},
                 {"XYZ", "Graphic files of  format are not supported or not registered"}};
    for (const auto &c : cases) {
        try {
            CreateGraphicForFile(c.name);
            ADD_FAILURE() << c.name;
        } catch (const EVantrelError &e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST_F(Registry, FilterListsEveryRegistrationInOrderAfterAnAllEntry)
{
    RegisterGraphicClass("BMP", "Bitmap file", GraphicClassOf<TBmpLike>());
    EXPECT_EQ(GraphicFilter(), QString("All images (*.tif *.tiff *.bmp);;TIFF file (*.tif);;"
                                       "TIFF file (*.tiff);;Bitmap file (*.bmp)"));
    UnregisterGraphicClasses();
    EXPECT_EQ(GraphicFilter(), QString());
    EXPECT_EQ(GraphicClassForFile("a.tif"), nullptr);
}

TEST(WaitCursor, ShowsOnceForNestedWaits)
{
    std::vector<bool> calls;
    SetWaitCursorHook([&](bool busy) { calls.push_back(busy); });
    BeginWait();
    BeginWait();
    EXPECT_EQ(WaitDepth(), 2);
    EndWait();
    EXPECT_EQ(calls, std::vector<bool>{true});
    {
        TWaitCursor inner;
    }
    EXPECT_EQ(calls, std::vector<bool>{true});
    EndWait();
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
    EndWait(); // unmatched: ignored
    EXPECT_EQ(WaitDepth(), 0);
    try {
        TWaitCursor wait;
        throw std::runtime_error("x");
    } catch (const std::runtime_error &) {
    }
    EXPECT_EQ(calls, (std::vector<bool>{true, false, true, false}));
    SetWaitCursorHook({});
    BeginWait();
    EndWait();
    EXPECT_EQ(calls.size(), 4u);
}
