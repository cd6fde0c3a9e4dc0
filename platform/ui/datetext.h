#pragma once
// Dates as the filing windows show and read them: dd/MM/yyyy. A typed year of
// one or two digits is taken from the hundred years that start in 1950
// ("49" is 2049, "50" is 1950).
#include <QDate>
#include <QString>

#include <optional>

constexpr int kTwoDigitYearStart = 1950;

QString DateText(const QDate &date);
int ExpandTwoDigitYear(int year, int windowStart = kTwoDigitYearStart);
// Reads d/M/y with "/", "-" or "." between the parts; nothing when the text
// is not a whole valid date.
std::optional<QDate> ParseDateText(const QString &text);
