#pragma once
// A small multi-image format for tests of paging and animation: "MBM1", the
// image count, then for each image its length and a complete BMP file.
// Registered as "MBM" by RegisterMultiBmp().
#include "formats/bitmapgraphic.h"

#include <QString>

#include <vector>

class TMultiBmpGraphic : public TDibGraphic {
    BORVANE_GRAPHIC_CLASS(TMultiBmpGraphic)
public:
    int GetImageCount(TStream &stream) override;
    void LoadImageFromStream(TStream &stream, int imageIndex) override;
};

void RegisterMultiBmp();
void WriteMultiBmp(const QString &fileName, const std::vector<const TDibGraphic *> &images);
// An ifBlackWhite page w x h whose pixel (0, 0) is set and whose top row
// carries `mark` set pixels from the left, so pages can be told apart.
void MakeMarkedPage(TDibGraphic &page, int w, int h, int mark);
// Number of set pixels at the left of the top row.
int PageMark(const TDibGraphic &page);
