#include "tests/print/pdfcheck.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

QString RunTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PdfInfoField(const QString &pdf, const QString &field)
{
    const QString out = RunTool(QStringLiteral("pdfinfo"), {pdf});
    for (const QString &line : out.split(QLatin1Char('\n')))
        if (line.startsWith(field + QLatin1Char(':')))
            return line.mid(field.size() + 1).trimmed();
    return {};
}

QRect DarkBoundingBox(const QString &pdf, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"),
                                         QStringLiteral("-aa"), QStringLiteral("no"), QStringLiteral("-aaVector"),
                                         QStringLiteral("no"), QStringLiteral("-singlefile"), pdf, base});
    QImage page(base + QStringLiteral(".pgm"));
    if (page.isNull())
        return {};
    page = page.convertToFormat(QImage::Format_Grayscale8);
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        const uchar *row = page.constScanLine(y);
        for (int x = 0; x < page.width(); ++x)
            if (row[x] < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (right < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QList<PdfWord> PdfWords(const QString &pdf)
{
    QTemporaryDir dir;
    const QString html = dir.filePath(QStringLiteral("words.html"));
    RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, html});
    QFile f(html);
    QList<PdfWord> words;
    if (!f.open(QIODevice::ReadOnly))
        return words;
    static const QRegularExpression re(QString::fromLatin1(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    auto it = re.globalMatch(QString::fromUtf8(f.readAll()));
    while (it.hasNext()) {
        const auto m = it.next();
        words.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                         m.captured(4).toDouble()});
    }
    return words;
}
