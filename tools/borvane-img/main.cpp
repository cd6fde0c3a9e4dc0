// borvane-img: the image library on the command line.
//
//   borvane-img info FILE
//       each image's class, width, height, pixel format and resolution, and
//       the number of images in the file
//   borvane-img convert IN OUT.bmp [--image N]
//       writes image N (default 1) of IN, in any registered format, as the BMP
//       data pages are stored as
//
// Files whose extension has no registered class are read by Qt's own readers,
// as the page viewer does. Exit status: 0 done, 1 failed, 2 bad usage.
#include "formats/bitmapgraphic.h"
#include "formats/formats.h"
#include "formats/icongraphic.h"
#include "formats/metafile/metafilegraphic.h"
#include "image/registry.h"

#include <QImageReader>
#include <QString>

#include <QGuiApplication>

#include "scan/scancommand.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

int Usage()
{
    std::fputs("usage: borvane-img info FILE\n"
               "       borvane-img convert IN OUT.bmp [--image N]\n"
               "       borvane-img scan [--type bw|gray|color] [--resolution DPI] PREFIX\n",
               stderr);
    return 2;
}

// A file of an unregistered extension, through Qt's readers.
std::unique_ptr<TDibGraphic> LoadWithQt(const QString &fileName)
{
    QImageReader reader(fileName);
    const QImage image = reader.read();
    if (image.isNull())
        throw EInvalidGraphic(QStringLiteral("%1: %2").arg(fileName, reader.errorString()).toStdString());
    auto graphic = std::make_unique<TDibGraphic>();
    graphic->LoadFromQImage(image);
    return graphic;
}

int ImageCount(const QString &fileName)
{
    TGraphicClass c = GraphicClassForFile(fileName);
    if (!c)
        return 1;
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    return c->Create()->GetImageCount(stream);
}

std::unique_ptr<TDibGraphic> LoadImage(const QString &fileName, int index)
{
    if (!GraphicClassForFile(fileName))
        return LoadWithQt(fileName);
    std::unique_ptr<TDibGraphic> graphic = CreateGraphicForFile(fileName);
    graphic->ImageIndex = index;
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    graphic->LoadFromStream(stream);
    return graphic;
}

int Info(const QString &fileName)
{
    const int count = ImageCount(fileName);
    std::printf("%s\n", fileName.toLocal8Bit().constData());
    for (int i = 1; i <= count; ++i) {
        const std::unique_ptr<TDibGraphic> g = LoadImage(fileName, i);
        std::printf("image %d: %s %d x %d, %s (%d bits), %u x %u dpi\n", i, g->ClassName(), g->Width(),
                    g->Height(), ImageFormatDescription(g->ImageFormat()), ImageFormatBitCount(g->ImageFormat()),
                    unsigned(g->XDotsPerInch()), unsigned(g->YDotsPerInch()));
    }
    std::printf("images: %d\n", count);
    return 0;
}

int Convert(const QString &in, const QString &out, int index)
{
    if (GraphicClassForFile(out) != GraphicClassOf<TBitmapGraphic>()) {
        std::fprintf(stderr, "borvane-img: %s: only BMP files can be written\n", out.toLocal8Bit().constData());
        return 2;
    }
    const int count = index == 1 ? 1 : ImageCount(in);
    if (index > count) {
        std::fprintf(stderr, "borvane-img: %s holds %d image(s); there is no image %d\n",
                     in.toLocal8Bit().constData(), count, index);
        return 1;
    }
    const std::unique_ptr<TDibGraphic> g = LoadImage(in, index);
    // Written straight from the image memory: no copy into a TBitmapGraphic.
    TFileStream stream(out, TFileStream::fmCreate);
    WriteBmp(*g, stream);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Usage();
    RegisterStartupFormats();
    // What the page viewer registers when it opens, so info and convert read these too.
    RegisterIconGraphic();
    RegisterMetaFileGraphic();
    // Text in metafiles needs the font database of a GUI application, and the
    // scanner's message loop an event loop; the tool draws nothing on screen,
    // so it needs no display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const char *command = argv[1];
    if (std::strcmp(command, "scan") == 0) return RunScanCommand(app.arguments().mid(2));
    try {
        if (std::strcmp(command, "info") == 0 && argc == 3)
            return Info(QString::fromLocal8Bit(argv[2]));
        if (std::strcmp(command, "convert") == 0 && (argc == 4 || argc == 6)) {
            int index = 1;
            if (argc == 6) {
                if (std::strcmp(argv[4], "--image") != 0)
                    return Usage();
                bool ok = false;
                index = QString::fromLocal8Bit(argv[5]).toInt(&ok);
                if (!ok || index < 1)
                    return Usage();
            }
            return Convert(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), index);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "borvane-img: %s\n", e.what());
        return 1;
    }
    return Usage();
}
