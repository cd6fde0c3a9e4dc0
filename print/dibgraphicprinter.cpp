#include "print/dibgraphicprinter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "image/waitcursor.h"

namespace {
int32_t Trunc(double value) { return static_cast<int32_t>(std::trunc(value)); }

// An image that carries no resolution is taken at the screen's.
double DotsPerInch(uint16_t dpi, int screen) { return dpi != 0 ? double(dpi) : double(screen); }
} // namespace

QRect PrintRectangle(const TPrintLayout &layout, const TPrinterMetrics &m, const TDibGraphic &graphic)
{
    if (graphic.Empty())
        throw EVantrelError("Cannot print an empty image");
    const double iw = graphic.Width();
    const double ih = graphic.Height();
    int32_t w = 0, h = 0;
    switch (layout.Mode) {
    case pmOriginalSize: {
        const double sx = m.PixelsPerInchX / DotsPerInch(graphic.XDotsPerInch(), ScreenLogicalDpiX());
        const double sy = m.PixelsPerInchY / DotsPerInch(graphic.YDotsPerInch(), ScreenLogicalDpiY());
        w = Trunc(iw * sx);
        h = Trunc(ih * sy);
        // One factor for both sides, held in single precision.
        const float s = std::min(float(double(m.PageWidth) / w), float(double(m.PageHeight) / h));
        if (s < 1.0f) {
            // The product in double: float arithmetic would round 4799.9998 up.
            w = Trunc(double(w) * s);
            h = Trunc(double(h) * s);
        }
        break;
    }
    case pmFullPage:
        w = m.PageWidth;
        h = Trunc(ih * m.PageWidth / iw);
        if (h >= m.PageHeight) {
            h = m.PageHeight;
            w = Trunc(iw * m.PageHeight / ih);
        }
        break;
    case pmSpecificWidth:
        w = Trunc(m.PixelsPerInchX * layout.PrintWidth);
        h = Trunc(ih * w / iw);
        break;
    case pmSpecificHeight:
        h = Trunc(m.PixelsPerInchY * layout.PrintHeight);
        w = Trunc(iw * h / ih);
        break;
    case pmSpecificWidthAndHeight:
        w = Trunc(m.PixelsPerInchX * layout.PrintWidth);
        h = Trunc(m.PixelsPerInchY * layout.PrintHeight);
        break;
    case pmStretchToPage:
        w = m.PageWidth - 1;
        h = m.PageHeight - 1;
        break;
    }
    QRect rect(0, 0, w, h);
    if (layout.Mode != pmFullPage && layout.Mode != pmStretchToPage) {
        // Margins count from the paper's edge; inside the unprintable border
        // they change nothing.
        const int32_t dx = Trunc(m.PixelsPerInchX * layout.LeftMargin) - m.OffsetX;
        const int32_t dy = Trunc(m.PixelsPerInchY * layout.TopMargin) - m.OffsetY;
        rect.translate(std::max(0, dx), std::max(0, dy));
    }
    return rect;
}

QPageLayout::Orientation PrintOrientation(const TPrintLayout &layout, const TDibGraphic &graphic)
{
    const bool landscape = layout.Mode == pmSpecificWidthAndHeight ? layout.PrintWidth > layout.PrintHeight
                                                                   : graphic.Width() > graphic.Height();
    return landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

TDibGraphicPrinter::TDibGraphicPrinter(TPrinter &printer) : printer_(printer), metrics_(printer.Metrics()) {}

void TDibGraphicPrinter::SetPrintMode(TPrintMode mode)
{
    metrics_ = printer_.Metrics();
    mode_ = mode;
}

void TDibGraphicPrinter::Print(TDibGraphic &graphic)
{
    if (ManageDocument)
        printer_.SetOrientation(PrintOrientation(Layout(), graphic));
    metrics_ = printer_.Metrics();
    const QRect rect = PrintRectangle(Layout(), metrics_, graphic);
    lastRect_ = rect;

    TWaitCursor wait;
    if (ManageDocument) {
        printer_.Title = Title;
        printer_.BeginDoc();
    }
    try {
        if (!printer_.Canvas())
            throw EPrinterError("Printer is not printing");
        graphic.Draw(*printer_.Canvas(), rect);
        if (ManageDocument)
            printer_.EndDoc();
    } catch (...) {
        if (ManageDocument)
            printer_.Abort();
        throw;
    }
}
