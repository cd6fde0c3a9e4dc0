// The borvane-img program on fixture files.
#include "formats/bitmapgraphic.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    int exitCode;
    QString out, err;
};

ToolRun BorvaneImg(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(BORVANE_BIN_DIR "/borvane-img"), args);
    if (!p.waitForFinished(60000))
        return {-1, {}, {}};
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

const QString kData = QStringLiteral(BORVANE_TEST_DATA "/bmp/");

} // namespace

TEST(BorvaneImg, InfoPrintsEachImageAndTheCount)
{
    const ToolRun r = BorvaneImg({"info", kData + "nb_win_4.bmp"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("image 1: TBitmapGraphic 13 x 7, 16 color (4 bits), 0 x 0 dpi")) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith("images: 1\n")) << r.out.toStdString();
}

TEST(BorvaneImg, ConvertWritesThePageBmp)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("page.bmp");
    // A format without a registered class (PPM) goes through Qt's readers.
    for (const QString &in : {kData + "im_bmp3_8_rle.bmp", kData + "im_v5_32.bmp", kData + "src.ppm"}) {
        const ToolRun r = BorvaneImg({"convert", in, out});
        ASSERT_EQ(r.exitCode, 0) << in.toStdString() << r.err.toStdString();
        TBitmapGraphic expected;
        if (in.endsWith(".bmp"))
            expected.LoadFromFile(in);
        else
            expected.LoadFromFile(kData + "im_bmp3_24.bmp"); // the same pixels
        TMemoryStream written;
        written.LoadFromFile(out);
        TBitmapGraphic back;
        back.LoadImageFromStream(written, 1);
        ASSERT_EQ(back.ImageSize(), expected.ImageSize()) << in.toStdString();
        EXPECT_EQ(std::memcmp(back.Bits(), expected.Bits(), back.ImageSize()), 0) << in.toStdString();
        // the stored layout: a Windows 3.x header
        EXPECT_EQ(written.Memory()[14], 40);
    }
}

TEST(BorvaneImg, RefusesMissingImagesAndOtherOutputs)
{
    QTemporaryDir dir;
    const struct {
        QStringList args;
        int exitCode;
    } cases[] = {
        {{"convert", kData + "nb_win_1.bmp", dir.filePath("x.bmp"), "--image", "2"}, 1},
        {{"convert", kData + "nb_win_1.bmp", dir.filePath("x.png")}, 2},
        {{"convert", kData + "missing.bmp", dir.filePath("x.bmp")}, 1},
        {{"convert", kData + "nb_win_1.bmp"}, 2},
        {{"info"}, 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(BorvaneImg(c.args).exitCode, c.exitCode) << c.args.join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("x.bmp")));
}

TEST(BorvaneImg, ReadsMetafilesWithTextWithoutADisplay)
{
    // Metafile text needs a font database; the tool must find one without an
    // X server, as it runs from cron and scripts.
    QTemporaryDir dir;
    for (const char *name : {"libreoffice.emf", "libreoffice.wmf"}) {
        const QString in = QStringLiteral(BORVANE_TEST_DATA "/metafile/") + QLatin1String(name);
        const ToolRun r = BorvaneImg({"convert", in, dir.filePath("page.bmp")});
        ASSERT_EQ(r.exitCode, 0) << name << r.err.toStdString();
        TBitmapGraphic back;
        back.LoadFromFile(dir.filePath("page.bmp"));
        EXPECT_EQ(back.ImageFormat(), ifRgb24) << name;
        EXPECT_GT(back.Width(), 300) << name;
    }
}
