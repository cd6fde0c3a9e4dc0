// Dates as typed into the filing windows and the search dialog's smart filter.
#include <gtest/gtest.h>

#include "platform/ui/datetext.h"
#include "platform/ui/filterdialog.h"

TEST(DateText, ReadsTypedDatesWithYearsFrom1950) {
    struct Case {
        const char *text;
        QDate expected;   // invalid: refused
    } cases[] = {
        {"01/02/2024", QDate(2024, 2, 1)}, {"1/2/24", QDate(2024, 2, 1)},  {"1/2/49", QDate(2049, 2, 1)},
        {"1/2/50", QDate(1950, 2, 1)},     {"31/12/99", QDate(1999, 12, 31)}, {"5-6-07", QDate(2007, 6, 5)},
        {"5.6.7", QDate(2007, 6, 5)},      {" 29/02/2024 ", QDate(2024, 2, 29)},
        {"29/02/2023", QDate()},           {"1/13/20", QDate()},             {"32/1/20", QDate()},
        {"1/2/202", QDate()},              {"abc", QDate()},                 {"", QDate()},
    };
    for (const Case &c : cases) {
        std::optional<QDate> d = ParseDateText(QString::fromUtf8(c.text));
        if (c.expected.isValid()) {
            ASSERT_TRUE(d.has_value()) << c.text;
            EXPECT_EQ(*d, c.expected) << c.text;
        } else {
            EXPECT_FALSE(d.has_value()) << c.text;
        }
    }
    EXPECT_EQ(DateText(QDate(2024, 2, 1)), QStringLiteral("01/02/2024"));
}

TEST(SmartFilter, MatchesWordsOperatorsNullAndWildcard) {
    using M = TFilterMatch;
    struct Case {
        const char *filter;
        M match;
        const char *value;
        bool isNull;
        bool expected;
    } cases[] = {
        // The start of the value by default, case ignored.
        {"ตู้", M::StartOfValue, "ตู้เอกสาร", false, true},
        {"เอกสาร", M::StartOfValue, "ตู้เอกสาร", false, false},
        {"alp", M::StartOfValue, "Alpha", false, true},
        {"alp", M::ExactMatch, "Alpha", false, false},
        {"alpha", M::ExactMatch, "ALPHA", false, true},
        {"ph", M::AnyWhere, "Alpha", false, true},
        {"x", M::AnyWhere, "Alpha", false, false},
        // Operator words.
        {"be or al", M::StartOfValue, "Alpha", false, true},
        {"be or al", M::StartOfValue, "Beta", false, true},
        {"be or al", M::StartOfValue, "Gamma", false, false},
        {"al and alph", M::StartOfValue, "Alpha", false, true},
        {"al and alx", M::StartOfValue, "Alpha", false, false},
        {"x or al and alp", M::StartOfValue, "Alpha", false, true},
        {"two words", M::StartOfValue, "two words and more", false, true},
        {"null", M::StartOfValue, "", true, true},
        {"null", M::StartOfValue, "Alpha", false, false},
        {"null or al", M::StartOfValue, "", true, true},
        {"al", M::StartOfValue, "", true, false},
        // Wildcards fit the whole value.
        {"a%a", M::StartOfValue, "Alpha", false, true},
        {"a%h", M::StartOfValue, "Alpha", false, false},
        {"%ph%", M::ExactMatch, "Alpha", false, true},
        {"a.p%", M::StartOfValue, "Alpha", false, false},
        // Quotes keep operator words as text.
        {"\"black or white\"", M::ExactMatch, "black or white", false, true},
        {"\"black or white\"", M::ExactMatch, "black", false, false},
        {"\"null\"", M::ExactMatch, "null", false, true},
        // Nothing typed: no condition.
        {"", M::StartOfValue, "anything", false, true},
    };
    for (const Case &c : cases) {
        TSmartFilter f = TSmartFilter::Parse(QString::fromUtf8(c.filter), c.match);
        EXPECT_EQ(f.Matches(QString::fromUtf8(c.value), c.isNull), c.expected)
            << "filter '" << c.filter << "' on '" << c.value << "'";
    }
    EXPECT_TRUE(TSmartFilter::Parse(QStringLiteral("  "), TFilterMatch::StartOfValue).Empty());
    EXPECT_FALSE(TSmartFilter::Parse(QStringLiteral("Al"), TFilterMatch::StartOfValue, true)
                     .Matches(QStringLiteral("alpha"), false));
}
