#pragma once
// Reading printed PDF files back with poppler's command-line tools.
#include <QRect>
#include <QString>
#include <QStringList>

// Output of a tool (stdout), empty when it could not run.
QString RunTool(const QString &program, const QStringList &args);
// A field of pdfinfo ("Title", "Page size", "Pages").
QString PdfInfoField(const QString &pdf, const QString &field);
// Page 1 rendered at dpi without anti-aliasing; the bounding box of its dark
// pixels in rendered pixels (null when the page is blank).
QRect DarkBoundingBox(const QString &pdf, int dpi);
// Words of page 1 with their boxes in points (pdftotext -bbox).
struct PdfWord {
    QString text;
    double xMin, yMin, xMax, yMax;
};
QList<PdfWord> PdfWords(const QString &pdf);
