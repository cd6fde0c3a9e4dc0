#include "print/printer.h"

#include <QPainter>
#include <QPrinter>

TPrinter::TPrinter() : device_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TPrinter::~TPrinter()
{
    if (Printing())
        Abort();
}

TPrinterMetrics TPrinter::Metrics() const
{
    TPrinterMetrics m;
    // With fullPage off the device's own rectangle is the printable area.
    m.PageWidth = device_->width();
    m.PageHeight = device_->height();
    m.PixelsPerInchX = device_->logicalDpiX();
    m.PixelsPerInchY = device_->logicalDpiY();
    const QPointF offset = device_->pageRect(QPrinter::DevicePixel).topLeft() -
                           device_->paperRect(QPrinter::DevicePixel).topLeft();
    m.OffsetX = int32_t(offset.x());
    m.OffsetY = int32_t(offset.y());
    return m;
}

QPageLayout::Orientation TPrinter::Orientation() const { return device_->pageLayout().orientation(); }

void TPrinter::SetOrientation(QPageLayout::Orientation orientation) { device_->setPageOrientation(orientation); }

void TPrinter::BeginDoc()
{
    if (Printing())
        throw EPrinterError("Printing in progress");
    device_->setDocName(Title);
    auto canvas = std::make_unique<QPainter>();
    if (!canvas->begin(device_.get()))
        throw EPrinterError("Printer is not ready");
    canvas_ = std::move(canvas);
}

void TPrinter::EndDoc()
{
    if (!Printing())
        throw EPrinterError("Printer is not printing");
    const bool finished = canvas_->end();
    canvas_.reset();
    if (!finished)
        throw EPrinterError("Printing failed");
}

void TPrinter::Abort()
{
    if (!Printing())
        return;
    device_->abort();
    canvas_->end();
    canvas_.reset();
}

TPrinter &Printer()
{
    static TPrinter printer;
    return printer;
}
