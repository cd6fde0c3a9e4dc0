#pragma once
// TPrinter: the program's current printer, one print job at a time.
//
// BeginDoc opens a job and makes Canvas() available (a painter on the
// printable area, origin at its top-left corner, in printer pixels); EndDoc
// closes it and Abort throws it away. Printer() is the one the windows share;
// Print Setup changes it. Tests make their own TPrinter on PDF output:
//
//   TPrinter printer;
//   printer.Device().setOutputFormat(QPrinter::PdfFormat);
//   printer.Device().setOutputFileName("/tmp/page.pdf");
#include <QPageLayout>
#include <QString>

#include <memory>

#include "platform/core/error.h"

class QPainter;
class QPrinter;

// A job that cannot be started or finished.
class EPrinterError : public Exception {
public:
    using Exception::Exception;
};

// The printer's figures in printer pixels.
struct TPrinterMetrics {
    int32_t PageWidth = 0;      // printable width
    int32_t PageHeight = 0;     // printable height
    int32_t PixelsPerInchX = 0;
    int32_t PixelsPerInchY = 0;
    int32_t OffsetX = 0;        // printable area from the paper's left edge
    int32_t OffsetY = 0;        // ... and from its top edge
};

class TPrinter {
public:
    TPrinter();
    ~TPrinter();
    TPrinter(const TPrinter &) = delete;
    TPrinter &operator=(const TPrinter &) = delete;

    QPrinter &Device() { return *device_; }
    TPrinterMetrics Metrics() const;

    // The job's name, given to the printer by BeginDoc.
    QString Title;
    QPageLayout::Orientation Orientation() const;
    void SetOrientation(QPageLayout::Orientation orientation);

    // Raises EPrinterError "Printing in progress" when a job is open, and
    // "Printer is not ready" when the device refuses the job.
    void BeginDoc();
    // Raises EPrinterError "Printer is not printing" without an open job and
    // "Printing failed" when the device could not finish it.
    void EndDoc();
    void Abort();
    bool Printing() const { return canvas_ != nullptr; }
    // The open job's painter; nullptr outside a job.
    QPainter *Canvas() const { return canvas_.get(); }

private:
    std::unique_ptr<QPrinter> device_;
    std::unique_ptr<QPainter> canvas_;
};

// The printer the program prints on.
TPrinter &Printer();
