#include "platform/ui/datetext.h"

#include <QRegularExpression>

QString DateText(const QDate &date) { return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString(); }

int ExpandTwoDigitYear(int year, int windowStart) {
    if (year >= 100) return year;
    int century = windowStart / 100 * 100;
    int y = century + year;
    return y < windowStart ? y + 100 : y;
}

std::optional<QDate> ParseDateText(const QString &text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{1,2}|\\d{4})\\s*$"));
    QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    int day = m.captured(1).toInt();
    int month = m.captured(2).toInt();
    int year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2) year = ExpandTwoDigitYear(year);
    QDate d(year, month, day);
    if (!d.isValid()) return std::nullopt;
    return d;
}
