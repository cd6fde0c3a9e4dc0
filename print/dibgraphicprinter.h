#pragma once
// TDibGraphicPrinter prints one image on a printer in one of six layouts.
//
//   TDibGraphicPrinter p;                 // the program's printer, or p(myPrinter)
//   p.SetPrintMode(pmSpecificWidth);
//   p.PrintWidth = 5.0;                   // inches
//   p.Title = "Page 3";
//   p.Print(image);                       // one job, one page
//
// With ManageDocument false the caller opens the job (BeginDoc), may draw more
// on the printer's canvas, and closes it; the orientation is left as it is.
// The image always starts at the top-left corner of the printable area, moved
// by the margins when they reach beyond the unprintable border; nothing
// centres it.
#include <QRect>
#include <QString>

#include <cstdint>

#include "image/dibgraphic.h"
#include "print/printer.h"

enum TPrintMode : uint8_t {
    pmOriginalSize = 0,
    pmFullPage = 1,
    pmSpecificWidth = 2,
    pmSpecificHeight = 3,
    pmSpecificWidthAndHeight = 4,
    pmStretchToPage = 5,
};

// The parameters of a layout beside the printer's metrics.
struct TPrintLayout {
    TPrintMode Mode = pmFullPage;
    double PrintWidth = 5.0;   // inches
    double PrintHeight = 5.0;  // inches
    double LeftMargin = 0.0;   // inches from the paper's edge
    double TopMargin = 0.0;
};

// The rectangle the image is printed into, in the printable area's printer
// pixels. Raises EVantrelError "Cannot print an empty image".
QRect PrintRectangle(const TPrintLayout &layout, const TPrinterMetrics &metrics, const TDibGraphic &graphic);
// The orientation Print chooses: by PrintWidth > PrintHeight for
// pmSpecificWidthAndHeight, else by the image being wider than high.
QPageLayout::Orientation PrintOrientation(const TPrintLayout &layout, const TDibGraphic &graphic);

class TDibGraphicPrinter {
public:
    explicit TDibGraphicPrinter(TPrinter &printer = Printer());

    TPrintMode PrintMode() const { return mode_; }
    // Reads the metrics again, then stores the mode.
    void SetPrintMode(TPrintMode mode);
    double PrintWidth = 5.0;  // inches
    double PrintHeight = 5.0;
    double LeftMargin = 0.0;  // inches from the paper's edge
    double TopMargin = 0.0;
    bool ManageDocument = true;
    QString Title;
    const TPrinterMetrics &Metrics() const { return metrics_; }

    // Lays the image out and draws it; with ManageDocument a whole job.
    // Printer errors travel on, the job aborted first when it is ours.
    void Print(TDibGraphic &graphic);
    // The rectangle of the last Print.
    const QRect &LastRectangle() const { return lastRect_; }

private:
    TPrintLayout Layout() const { return {mode_, PrintWidth, PrintHeight, LeftMargin, TopMargin}; }

    TPrinter &printer_;
    TPrintMode mode_ = pmFullPage;
    TPrinterMetrics metrics_;
    QRect lastRect_;
};
