// Playing Windows and enhanced metafiles.
#include "formats/metafile/metafilegraphic.h"
#include "image/registry.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstring>
#include <vector>

namespace {

QString Data(const QString &name) { return QString(BORVANE_TEST_DATA) + "/metafile/" + name; }

// The box around everything that is not white.
QRect Drawn(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                box |= QRect(x, y, 1, 1);
    return box;
}

// The exporting program's own rendering on white, its drawn part scaled to
// the drawn part of ours. LibreOffice's PNG covers the page while its
// metafiles cover the drawing, so the two are lined up by what they draw.
QImage Reference(const QString &png, QSize size, QRect ours)
{
    QImage ref(Data(png));
    QImage white(ref.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    QPainter(&white).drawImage(0, 0, ref);
    const QImage drawn = white.copy(Drawn(white)).scaled(ours.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter(&out).drawImage(ours.topLeft(), drawn);
    return out;
}

// Mean absolute difference per channel (0..255), both images blurred a
// little first so that a one-pixel shift of an edge counts for little.
double MeanDifference(TDibGraphic &g, const QImage &reference)
{
    const int w = g.Width(), h = g.Height();
    auto blurred = [w, h](auto pixel) {
        std::vector<double> out(size_t(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    double sum = 0;
                    int n = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int xx = x + dx, yy = y + dy;
                            if (xx < 0 || yy < 0 || xx >= w || yy >= h)
                                continue;
                            sum += pixel(xx, yy, c);
                            ++n;
                        }
                    out[(size_t(y) * w + x) * 3 + c] = sum / n;
                }
        return out;
    };
    const auto a = blurred([&](int x, int y, int c) { return double((g.GetPixelRgb(x, y) >> (16 - 8 * c)) & 0xFF); });
    const auto b = blurred([&](int x, int y, int c) {
        const QRgb p = reference.pixel(x, y);
        return double(c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p));
    });
    double total = 0;
    for (size_t i = 0; i < a.size(); ++i)
        total += std::abs(a[i] - b[i]);
    return total / double(a.size());
}

void Dump(TDibGraphic &g, const QString &name)
{
    if (qEnvironmentVariableIsEmpty("BORVANE_METAFILE_DUMP"))
        return;
    QImage out(g.Width(), g.Height(), QImage::Format_RGB32);
    for (int y = 0; y < g.Height(); ++y)
        for (int x = 0; x < g.Width(); ++x)
            out.setPixel(x, y, 0xFF000000u | g.GetPixelRgb(x, y));
    out.save(qEnvironmentVariable("BORVANE_METAFILE_DUMP") + "/" + name + ".png");
}

} // namespace

TEST(MetafilePlay, FilesExportedByOtherProgramsLookLikeTheirPngExport)
{
    const struct {
        const char *file, *png;
        double tolerance;
    } cases[] = {
        // Inkscape's PNG and metafiles cover the same area: only edge
        // anti-aliasing and font hinting differ.
        {"inkscape.emf", "inkscape.png", 3},
        {"inkscape.wmf", "inkscape.png", 3},
        // LibreOffice smooths the enlarged 4 x 4 bitmap in its PNG (a
        // metafile bitmap is stretched pixel by pixel) and rounds its
        // metafile coordinates to 0.01 mm; that blur costs about 7 levels.
        {"libreoffice.emf", "libreoffice.png", 10},
        {"libreoffice.wmf", "libreoffice.png", 10},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        TMetaFileGraphic g;
        g.LoadFromFile(Data(c.file));
        ASSERT_EQ(g.ImageFormat(), ifRgb24);
        Dump(g, c.file);
        QImage ours(g.Width(), g.Height(), QImage::Format_RGB32);
        for (int y = 0; y < g.Height(); ++y)
            for (int x = 0; x < g.Width(); ++x)
                ours.setPixel(x, y, 0xFF000000u | g.GetPixelRgb(x, y));
        const double diff = MeanDifference(g, Reference(c.png, ours.size(), Drawn(ours)));
        std::printf("%s: %dx%d, mean difference %.2f\n", c.file, g.Width(), g.Height(), diff);
        EXPECT_LE(diff, c.tolerance);
    }
}

TEST(MetafilePlay, BackgroundIsWhiteAndSizeIsInScreenPixels)
{
    // Inkscape's drawing is 400 x 300 px at 96 dpi; its top-left corner is empty.
    TMetaFileGraphic g;
    g.LoadFromFile(Data("inkscape.wmf"));
    EXPECT_EQ(g.Width(), 400);
    EXPECT_EQ(g.Height(), 300);
    EXPECT_EQ(g.GetPixelRgb(2, 2), 0xFFFFFFu);
    EXPECT_EQ(g.XDotsPerInch(), ScreenLogicalDpiX());
}

TEST(MetafilePlay, NotAMetafileIsRefusedAndTheImageStays)
{
    const std::vector<std::vector<uint8_t>> inputs = {
        {}, std::vector<uint8_t>(100, 0), {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto &bytes : inputs) {
        TMetaFileGraphic g;
        g.NewImage(2, 2, ifRgb24, nullptr, 0, 0);
        TMemoryStream in{std::vector<uint8_t>(bytes)};
        try {
            g.LoadFromStream(in);
            FAIL() << "no exception";
        } catch (const EInvalidGraphic &e) {
            EXPECT_STREQ(e.what(), "Metafile is not valid");
        }
        EXPECT_EQ(g.Width(), 2);
    }
}

TEST(MetafilePlay, CutOrCorruptedFilesEndInAPartialPictureOrAClearError)
{
    // Every cut of the files, and every file with one record-size word
    // overwritten, plays or refuses without crashing (the sanitizers watch).
    for (const char *name : {"inkscape.emf", "libreoffice.wmf"}) {
        SCOPED_TRACE(name);
        TMemoryStream whole;
        whole.LoadFromFile(Data(name));
        const std::vector<uint8_t> bytes(whole.Memory(), whole.Memory() + whole.Size());
        int played = 0;
        for (size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 40 + 1) {
            for (int corrupt = 0; corrupt < 2; ++corrupt) {
                std::vector<uint8_t> b(bytes.begin(), bytes.begin() + ptrdiff_t(cut));
                if (corrupt && cut > 200)
                    std::memset(b.data() + cut - 100, 0x7F, 4);
                TMetaFileGraphic g;
                TMemoryStream in{std::move(b)};
                try {
                    g.LoadFromStream(in);
                    ++played;
                } catch (const Exception &e) {
                    EXPECT_TRUE(std::strstr(e.what(), "Metafile") != nullptr) << e.what();
                }
            }
        }
        EXPECT_GT(played, 0);
    }
}

TEST(MetafileRegistration, WmfAndEmfRegisterOnce)
{
    RegisterMetaFileGraphic();
    RegisterMetaFileGraphic();
    EXPECT_EQ(GraphicClassForFile("a.wmf"), GraphicClassOf<TMetaFileGraphic>());
    EXPECT_EQ(GraphicClassForFile("a.EMF"), GraphicClassOf<TMetaFileGraphic>());
    EXPECT_EQ(GraphicFilter().count("Windows meta file (*.wmf)"), 1);
    EXPECT_EQ(GraphicFilter().count("Enhanced meta file (*.emf)"), 1);
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
