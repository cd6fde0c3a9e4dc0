#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QThread>

#include "formats/formats.h"
#include "image/imagescrollbox.h"
#include "image/registry.h"
#include "tests/imageview/multibmp.h"

namespace {

class ImageScrollBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        RegisterStartupFormats();
        RegisterMultiBmp();
        TDibGraphic p1, p2, p3;
        MakeMarkedPage(p1, 40, 30, 1);
        MakeMarkedPage(p2, 50, 20, 2);
        MakeMarkedPage(p3, 40, 30, 3);
        WriteMultiBmp(Path("three.mbm"), {&p1, &p2, &p3});
        WriteMultiBmp(Path("one.mbm"), {&p2});
        p3.SaveToFile(Path("page.bmp"));
        TMemoryStream bmp;
        WriteBmp(p3, bmp);
        bmp.SaveToFile(Path("page.bmp"));
    }
    void TearDown() override { UnregisterFormats(); }
    QString Path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    TImageScrollBox view;
};

TEST_F(ImageScrollBoxTest, CountsImagesByRegisteredClass)
{
    EXPECT_EQ(view.GetImageCount(Path("three.mbm")), 3);
    EXPECT_EQ(view.GetImageCount(Path("page.bmp")), 1);
    // Garbage under an unregistered extension: answered without any reader.
    TMemoryStream junk;
    junk.WriteBuffer("junk", 4);
    junk.SaveToFile(Path("data.xyz"));
    EXPECT_EQ(view.GetImageCount(Path("data.xyz")), 1);
    EXPECT_THROW(view.GetImageCount(Path("missing.bmp")), EFOpenError);
}

TEST_F(ImageScrollBoxTest, LoadsAllImagesOrOne)
{
    view.LoadFromFile(Path("three.mbm"), 0);
    EXPECT_EQ(view.ImageCount(), 3);
    EXPECT_EQ(view.ImageIndex(), 1);
    EXPECT_STREQ(view.Graphic()->ClassName(), "TMultiBmpGraphic");
    EXPECT_EQ(PageMark(*view.Graphic()), 1);
    view.SetImageIndex(2);
    EXPECT_EQ(PageMark(*view.Graphic()), 2);
    EXPECT_EQ(view.Graphic()->Width(), 50);
    try {
        view.SetImageIndex(4);
        FAIL();
    } catch (const EVantrelError &e) {
        EXPECT_STREQ(e.what(), "Frame 4 does not exist");
    }

    view.LoadFromFile(Path("three.mbm"), 2);
    EXPECT_EQ(view.ImageCount(), 0);
    EXPECT_EQ(PageMark(*view.Graphic()), 2);

    // A one-image file asked for all its images is loaded singly.
    view.LoadFromFile(Path("one.mbm"), 0);
    EXPECT_EQ(view.ImageCount(), 0);
    EXPECT_EQ(PageMark(*view.Graphic()), 2);
    EXPECT_TRUE(view.FileName().isEmpty()); // loads do not set FileName
}

TEST_F(ImageScrollBoxTest, FailedLoadKeepsTheImageAndResumesAnimation)
{
    view.LoadFromFile(Path("three.mbm"), 0);
    view.SetAnimated(true);
    ASSERT_TRUE(view.Animated());
    TDibGraphic *before = view.Graphic();
    TMemoryStream bad;
    bad.WriteBuffer("MBM1\x09\0\0\0", 8); // says 9 images, holds none
    bad.SaveToFile(Path("bad.mbm"));
    EXPECT_THROW(view.LoadFromFile(Path("bad.mbm"), 5), Exception);
    EXPECT_THROW(view.LoadFromFile(Path("gone.mbm"), 1), EFOpenError);
    EXPECT_EQ(view.Graphic(), before);
    EXPECT_EQ(view.ImageCount(), 3);
    EXPECT_TRUE(view.Animated());
    view.SetAnimated(false);
}

TEST_F(ImageScrollBoxTest, UnregisteredExtensionGoesThroughQtReaders)
{
    QImage picture(7, 5, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(picture.save(Path("picture.ppm"), "PPM"));
    view.LoadFromFile(Path("picture.ppm"), 1);
    EXPECT_EQ(view.Graphic()->Width(), 7);
    EXPECT_EQ(view.Graphic()->GetPixelRgb(3, 2), Rgb(10, 200, 30));

    TMemoryStream junk;
    junk.WriteBuffer("junk", 4);
    junk.SaveToFile(Path("data.xyz"));
    EXPECT_THROW(view.LoadFromFile(Path("data.xyz"), 1), Exception);
    EXPECT_EQ(view.Graphic()->Width(), 7);
}

TEST_F(ImageScrollBoxTest, SavesThroughTheClassOfTheExtension)
{
    view.LoadFromFile(Path("three.mbm"), 3);
    const char *savedClass = nullptr;
    view.OnBeforeSave = [&](TImageScrollBox *sender, TDibGraphic *g) {
        EXPECT_EQ(sender, &view);
        savedClass = g->ClassName();
    };
    for (const char *ext : {"BMP", ".bmp"}) {
        SCOPED_TRACE(ext);
        TMemoryStream out;
        view.SaveToStream(out, QString::fromLatin1(ext));
        EXPECT_STREQ(savedClass, "TBitmapGraphic");
        ASSERT_GT(out.Size(), 62);
        uint32_t offset = 0;
        std::memcpy(&offset, out.Memory() + 10, 4);
        EXPECT_EQ(offset, 62u); // 1-bit page: headers and two palette entries
        TBitmapGraphic back;
        out.SetPosition(0);
        back.LoadFromStream(out);
        EXPECT_EQ(back.ImageFormat(), ifBlackWhite);
        EXPECT_EQ(PageMark(back), 3);
        EXPECT_EQ(back.XDotsPerInch(), 300);
    }
    TMemoryStream none;
    try {
        view.SaveToStream(none, QStringLiteral("XYZ"));
        FAIL();
    } catch (const EVantrelError &e) {
        EXPECT_NE(std::string(e.what()).find("format are not supported or not registered"), std::string::npos);
    }
    EXPECT_EQ(none.Size(), 0);
}

TEST_F(ImageScrollBoxTest, ClearAssignAndFileName)
{
    int redraws = 0;
    int lastWidth = -1;
    view.OnRedraw = [&](TDibGraphic *g) {
        ++redraws;
        lastWidth = g->Width();
    };
    view.SetFileName(Path("three.mbm"));
    EXPECT_EQ(view.FileName(), Path("three.mbm"));
    EXPECT_EQ(PageMark(*view.Graphic()), 1);
    EXPECT_EQ(lastWidth, 40);
    view.Clear();
    EXPECT_TRUE(view.Graphic()->Empty());
    EXPECT_TRUE(view.FileName().isEmpty());
    TDibGraphic other;
    MakeMarkedPage(other, 9, 9, 4);
    view.AssignGraphic(&other);
    EXPECT_EQ(PageMark(*view.Graphic()), 4);
    EXPECT_EQ(lastWidth, 9);
    EXPECT_EQ(redraws, 3);
    view.SetFileName(QString());
    EXPECT_TRUE(view.Graphic()->Empty());
}

TEST_F(ImageScrollBoxTest, AnimationNeedsTwoImagesAndStepsFrames)
{
    view.LoadFromFile(Path("three.mbm"), 1);
    view.SetAnimated(true);
    EXPECT_FALSE(view.Animated());

    view.LoadFromFile(Path("three.mbm"), 0);
    view.Graphic()->FrameDelay = 5;
    view.SetAnimated(true);
    ASSERT_TRUE(view.Animated());
    std::vector<int> seen{view.ImageIndex()};
    for (int i = 0; i < 400 && seen.size() < 4; ++i) {
        QThread::msleep(2);
        QCoreApplication::processEvents();
        if (seen.back() != view.ImageIndex())
            seen.push_back(view.ImageIndex());
    }
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[0], 1);
    EXPECT_EQ(seen[1], 2);
    EXPECT_EQ(seen[2], 3);
    EXPECT_EQ(seen[3], 1); // wraps after the last frame
    view.SetAnimated(false);
    EXPECT_FALSE(view.Animated());
}

// ---- display

class ImageScrollBoxDisplayTest : public testing::Test {
protected:
    void SetUp() override
    {
        view.setFrameStyle(QFrame::NoFrame);
        view.resize(200, 200);
        view.show();
        QCoreApplication::processEvents();
        view.OnZoomChange = [this](TImageScrollBox *, float z) { zooms.push_back(z); };
    }
    void ShowImage(int w, int h, TImageFormat format = ifRgb24)
    {
        TDibGraphic g;
        g.NewImage(w, h, format, nullptr, 96, 96);
        view.AssignGraphic(&g);
    }
    TImageScrollBox view;
    std::vector<float> zooms;
};

TEST_F(ImageScrollBoxDisplayTest, ZoomModes)
{
    ShowImage(400, 100);
    const int bar = view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
    struct {
        TZoomMode mode;
        float percent;
    } const cases[] = {
        {zmFullPage, 50.0f},   // limited by the width
        {zmFitToPage, 50.0f},
        {zmFitWidth, 50.0f},   // 50 high: no vertical bar needed
        {zmFitHeight, 100.0f * (200 - bar) / 100.0f}, // too wide: leaves room for the bar
        {zmOriginalSize, 100.0f},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.mode));
        view.SetZoomMode(c.mode);
        EXPECT_FLOAT_EQ(view.Zoom(), c.percent);
    }
    ShowImage(20, 10);
    view.SetZoomMode(zmFitToPage);
    EXPECT_FLOAT_EQ(view.Zoom(), 100.0f); // never above actual size
    view.SetZoomMode(zmFullPage);
    EXPECT_FLOAT_EQ(view.Zoom(), 1000.0f);
}

TEST_F(ImageScrollBoxDisplayTest, ZoomPercentRulesAndEvents)
{
    view.SetZoomPercent(50);
    EXPECT_EQ(view.ZoomMode(), zmOriginalSize); // nothing shown: ignored
    EXPECT_TRUE(zooms.empty());
    ShowImage(100, 100);
    view.SetZoomPercent(3);
    EXPECT_EQ(view.ZoomMode(), zmPercent);
    EXPECT_FLOAT_EQ(view.Zoom(), 3.0f);
    view.SetZoomPercent(0.1f);
    EXPECT_FLOAT_EQ(view.Zoom(), 3.0f);
    view.SetZoomPercent(3); // unchanged factor: no event
    view.SetZoomPercent(250);
    EXPECT_EQ(zooms, (std::vector<float>{3.0f, 250.0f}));
    // Fit modes follow the window size.
    view.SetZoomMode(zmFullPage);
    view.resize(100, 300);
    QCoreApplication::processEvents();
    EXPECT_FLOAT_EQ(view.Zoom(), 100.0f);
    EXPECT_FLOAT_EQ(zooms.back(), 100.0f);
}

TEST_F(ImageScrollBoxDisplayTest, DisplayCopyIsBuiltPerZoomNotPerPaint)
{
    ShowImage(1000, 800);
    view.SetZoomPercent(50);
    const int builds = view.DisplayBuilds();
    EXPECT_EQ(view.DisplayCopy().size(), QSize(500, 400));
    view.viewport()->repaint();
    view.horizontalScrollBar()->setValue(100);
    view.verticalScrollBar()->setValue(50);
    view.viewport()->repaint();
    view.Redraw(false);        // nothing changed: the copy stays
    view.SetZoomPercent(50);
    EXPECT_EQ(view.DisplayBuilds(), builds);
    EXPECT_EQ(view.ImageRectInViewport().topLeft(), QPoint(-100, -50));
    view.SetZoomPercent(25);
    EXPECT_EQ(view.DisplayBuilds(), builds + 1);
    EXPECT_EQ(view.DisplayCopy().size(), QSize(250, 200));
}

TEST_F(ImageScrollBoxDisplayTest, ActualSizeCopyShowsTheImagesColours)
{
    for (TImageFormat f : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifRgb24}) {
        SCOPED_TRACE(ImageFormatDescription(f));
        TDibGraphic g;
        g.NewImage(13, 7, f, nullptr, 96, 96);
        g.SetPixelRgb(0, 0, Rgb(255, 255, 255));
        g.SetPixelRgb(12, 6, Rgb(255, 255, 255));
        g.SetPixelRgb(5, 3, f == ifRgb24 ? Rgb(10, 120, 230) : Rgb(255, 255, 255));
        view.AssignGraphic(&g);
        ASSERT_FLOAT_EQ(view.Zoom(), 100.0f);
        const QImage &copy = view.DisplayCopy();
        ASSERT_EQ(copy.size(), QSize(13, 7));
        for (auto [x, y] : {std::pair{0, 0}, std::pair{12, 6}, std::pair{5, 3}, std::pair{1, 0}, std::pair{0, 6}}) {
            const uint32_t want = g.GetPixelRgb(x, y);
            EXPECT_EQ(copy.pixel(x, y) & 0xFFFFFF, want) << x << "," << y;
        }
    }
}

TEST_F(ImageScrollBoxDisplayTest, CentredWhenSmallerThanTheView)
{
    ShowImage(50, 20);
    EXPECT_EQ(view.ImageRectInViewport(), QRect(0, 0, 50, 20));
    view.SetCentered(true);
    EXPECT_EQ(view.ImageRectInViewport(), QRect(75, 90, 50, 20));
}

TEST_F(ImageScrollBoxDisplayTest, AntiAliasedBlackAndWhiteShowsGreys)
{
    TDibGraphic g;
    g.NewImage(8, 8, ifBlackWhite, nullptr, 96, 96);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            g.SetPixelIndex(x, y, (x + y) & 1); // checkerboard: every 2 x 2 block half set
    view.AssignGraphic(&g);
    const QRgb plain = view.DisplayCopy().pixel(0, 0);
    EXPECT_TRUE(plain == qRgb(0, 0, 0) || plain == qRgb(255, 255, 255));
    view.SetAntiAliased(true);
    const QRgb grey = view.DisplayCopy().pixel(0, 0);
    EXPECT_EQ(qRed(grey), qGreen(grey));
    EXPECT_GT(qRed(grey), 60);
    EXPECT_LT(qRed(grey), 200);
    EXPECT_EQ(view.Graphic()->ImageFormat(), ifBlackWhite); // only the display changes
}

void SendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(ImageScrollBoxDisplayTest, MouseModes)
{
    ShowImage(600, 600);
    QWidget *vp = view.viewport();
    // Drag scrolls the image with the mouse.
    SendMouse(vp, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, {60, 80}, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseButtonRelease, {60, 80}, Qt::NoButton);
    EXPECT_EQ(view.horizontalScrollBar()->value(), 40);
    EXPECT_EQ(view.verticalScrollBar()->value(), 20);

    // Quick select reports the rectangle in image pixels.
    view.horizontalScrollBar()->setValue(0);
    view.verticalScrollBar()->setValue(0);
    view.SetZoomPercent(50);
    view.SetMouseMode(mmQuickSelect);
    QRect selected;
    view.OnQuickSelect = [&](TImageScrollBox *, TDibGraphic *, const QRect &r) { selected = r; };
    SendMouse(vp, QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, {30, 60}, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseButtonRelease, {30, 60}, Qt::NoButton);
    EXPECT_EQ(selected, QRect(20, 40, 42, 82));

    // None: nothing scrolls or selects, but the mouse events still arrive.
    view.SetMouseMode(mmNone);
    selected = {};
    int downX = -1, downY = -1;
    view.OnImageMouseDown = [&](QMouseEvent *, int x, int y) {
        downX = x;
        downY = y;
    };
    SendMouse(vp, QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, {50, 50}, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseButtonRelease, {50, 50}, Qt::NoButton);
    EXPECT_TRUE(selected.isNull());
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(downX, 20);
    EXPECT_EQ(downY, 40);
}

} // namespace

int main(int argc, char **argv)
{
    // Test discovery lists the tests without the offscreen setting of the runs.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
