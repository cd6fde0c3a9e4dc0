// The clipboard round trip against a real X clipboard (run under xvfb-run).
#include "image/exchange.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

QClipboard &Clipboard() { return *QGuiApplication::clipboard(); }

// The pasting side runs as a second process (this program with --paste), so
// the bitmap really crosses the X clipboard instead of coming back from Qt's
// own copy. It prints "width height format" and one hex colour per pixel, or
// the message of the exception it got.
int PasteChild()
{
    try {
        TDibGraphic pasted;
        pasted.Assign(Clipboard());
        std::printf("%d %d %d\n", pasted.Width(), pasted.Height(), int(pasted.ImageFormat()));
        for (int y = 0; y < pasted.Height(); ++y)
            for (int x = 0; x < pasted.Width(); ++x)
                std::printf("%06x\n", pasted.GetPixelRgb(x, y));
    } catch (const std::exception &e) {
        std::printf("error %s\n", e.what());
    }
    return 0;
}

// Runs the pasting process while this one keeps serving the clipboard.
QString PasteInOtherProcess()
{
    QProcess child;
    QEventLoop loop;
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    child.start(QCoreApplication::applicationFilePath(), {"--paste"});
    loop.exec();
    return QString::fromUtf8(child.readAllStandardOutput());
}

} // namespace

TEST(Clipboard, ImagesOfEveryKindComeBackWithTheirColours)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "needs a real X display";
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifColor256, ifRgb24}) {
        SCOPED_TRACE(ImageFormatDescription(format));
        TDibGraphic source;
        source.NewImage(7, 5, format, nullptr, 0, 0);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                source.SetPixelRgb(x, y, (x + 2 * y) % 3 == 0 ? Rgb(0, 0, 0) : Rgb(255, 255, 255));
        source.AssignTo(Clipboard());
        QCoreApplication::processEvents();

        const QStringList lines = PasteInOtherProcess().split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1 + 7 * 5) << lines.value(0).toStdString();
        const QStringList head = lines[0].split(' ');
        EXPECT_EQ(head[0], "7");
        EXPECT_EQ(head[1], "5");
        // Colour images travel as true colour; a black-and-white one may come
        // back 1-bit or true colour, as the receiving side decodes it.
        const int pastedFormat = head[2].toInt();
        if (format == ifBlackWhite)
            EXPECT_TRUE(pastedFormat == ifBlackWhite || pastedFormat == ifRgb24) << pastedFormat;
        else
            EXPECT_EQ(pastedFormat, ifRgb24);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(lines[1 + y * 7 + x].toUInt(nullptr, 16), source.GetPixelRgb(x, y)) << x << "," << y;
    }
}

TEST(Clipboard, WithoutABitmapAssignRaisesAndKeepsTheImage)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "needs a real X display";
    Clipboard().setText("no picture here");
    QCoreApplication::processEvents();
    ASSERT_FALSE(Clipboard().mimeData()->hasImage());

    EXPECT_EQ(PasteInOtherProcess().trimmed(), "error Unknown clipboard format, 2");

    TDibGraphic g;
    g.NewImage(3, 3, ifColor16, nullptr, 0, 0);
    try {
        g.Assign(Clipboard());
        FAIL() << "no exception";
    } catch (const EInvalidGraphic &e) {
        EXPECT_STREQ(e.what(), "Unknown clipboard format, 2");
    }
    EXPECT_EQ(g.Width(), 3);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--paste") == 0)
        return PasteChild();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
