// BMP files written by ImageMagick and netpbm (tests/data/bmp, see
// tests/data/README.md) must give the pixels ImageMagick itself reads from
// them, stored beside each file as a binary PPM.
#include "formats/bitmapgraphic.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

struct Ppm {
    int width = 0, height = 0;
    QByteArray rgb;
};

Ppm ReadPpm(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    // "P6\n<w> <h>\n255\n" then the pixels
    const QList<QByteArray> head = all.left(64).split('\n');
    Ppm p;
    if (head.size() < 3 || head[0] != "P6")
        return {};
    const QList<QByteArray> size = head[1].split(' ');
    p.width = size.value(0).toInt();
    p.height = size.value(1).toInt();
    const qsizetype start = head[0].size() + head[1].size() + head[2].size() + 3;
    p.rgb = all.mid(start);
    return p;
}

struct Case {
    const char *file;
    TImageFormat format;
};

class BmpInterop : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(BmpInterop, GivesThePixelsImageMagickReads)
{
    const QString base = QStringLiteral(BORVANE_TEST_DATA "/bmp/") + GetParam().file;
    const Ppm expected = ReadPpm(base + ".ppm");
    ASSERT_GT(expected.width, 0) << "missing " << base.toStdString() << ".ppm";
    ASSERT_EQ(expected.rgb.size(), 3 * expected.width * expected.height);

    TBitmapGraphic g;
    g.LoadFromFile(base + ".bmp");
    ASSERT_EQ(g.Width(), expected.width);
    ASSERT_EQ(g.Height(), expected.height);
    EXPECT_EQ(g.ImageFormat(), GetParam().format);
    int mismatches = 0;
    for (int y = 0; y < g.Height(); ++y)
        for (int x = 0; x < g.Width(); ++x) {
            const auto *p = reinterpret_cast<const uint8_t *>(expected.rgb.constData()) + 3 * (y * expected.width + x);
            if (g.GetPixelRgb(x, y) != Rgb(p[0], p[1], p[2]) && mismatches++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << g.GetPixelRgb(x, y)
                              << " != " << Rgb(p[0], p[1], p[2]);
        }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(
    ImageMagickAndNetpbm, BmpInterop,
    ::testing::Values(Case{"im_bmp3_1", ifBlackWhite}, Case{"im_bmp3_4", ifColor16}, Case{"im_bmp3_8", ifColor256},
                      Case{"im_bmp3_8_rle", ifColor256}, Case{"im_bmp3_24", ifRgb24},
                      Case{"im_bmp2_1", ifBlackWhite}, Case{"im_bmp2_4", ifColor16}, Case{"im_bmp2_8", ifColor256},
                      Case{"im_bmp2_24", ifRgb24}, Case{"im_v5_24", ifRgb24}, Case{"im_v5_32", ifRgb24},
                      Case{"nb_win_1", ifBlackWhite}, Case{"nb_win_4", ifColor16}, Case{"nb_win_8", ifColor256},
                      Case{"nb_win_24", ifRgb24}, Case{"nb_os2_1", ifBlackWhite}, Case{"nb_os2_4", ifColor16},
                      Case{"nb_os2_8", ifColor256}, Case{"nb_os2_24", ifRgb24}),
    [](const auto &info) { return std::string(info.param.file); });
