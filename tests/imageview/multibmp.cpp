#include "tests/imageview/multibmp.h"

#include "image/registry.h"

#include <cstring>

namespace {
void ReadHeader(TStream &stream, uint32_t &count)
{
    char magic[4];
    stream.ReadBuffer(magic, 4);
    if (std::memcmp(magic, "MBM1", 4) != 0)
        throw EVantrelError("not a multi-bitmap file");
    stream.ReadBuffer(&count, 4);
}
} // namespace

int TMultiBmpGraphic::GetImageCount(TStream &stream)
{
    uint32_t count = 0;
    ReadHeader(stream, count);
    return int(count);
}

void TMultiBmpGraphic::LoadImageFromStream(TStream &stream, int imageIndex)
{
    uint32_t count = 0;
    ReadHeader(stream, count);
    if (imageIndex < 1 || uint32_t(imageIndex) > count)
        throw EVantrelError("image index out of range");
    uint32_t length = 0;
    for (int i = 1;; ++i) {
        stream.ReadBuffer(&length, 4);
        if (i == imageIndex)
            break;
        stream.Seek(length, TSeekOrigin::soCurrent);
    }
    TMemoryStream bmp;
    bmp.CopyFrom(stream, length);
    bmp.SetPosition(0);
    TBitmapGraphic reader;
    reader.LoadFromStream(bmp);
    Assign(&reader);
}

void RegisterMultiBmp()
{
    if (!GraphicClassForFile(QStringLiteral("*.MBM")))
        RegisterGraphicClass(QStringLiteral("MBM"), QStringLiteral("Multi bitmap"), GraphicClassOf<TMultiBmpGraphic>());
}

void WriteMultiBmp(const QString &fileName, const std::vector<const TDibGraphic *> &images)
{
    TMemoryStream out;
    out.WriteBuffer("MBM1", 4);
    const uint32_t count = uint32_t(images.size());
    out.WriteBuffer(&count, 4);
    for (const TDibGraphic *image : images) {
        TMemoryStream bmp;
        WriteBmp(*image, bmp);
        const uint32_t length = uint32_t(bmp.Size());
        out.WriteBuffer(&length, 4);
        out.WriteBuffer(bmp.Memory(), length);
    }
    out.SaveToFile(fileName);
}

void MakeMarkedPage(TDibGraphic &page, int w, int h, int mark)
{
    page.NewImage(w, h, ifBlackWhite, nullptr, 300, 300);
    for (int x = 0; x < mark && x < w; ++x)
        page.SetPixelIndex(x, 0, 1);
    page.SetPixelIndex(0, 0, 1);
}

int PageMark(const TDibGraphic &page)
{
    int n = 0;
    while (n < page.Width() && page.GetPixelIndex(n, 0) == 1)
        ++n;
    return n;
}
