#include <gtest/gtest.h>

#include "transforms/transform.h"

#include <vector>

namespace {

struct ProgressCase {
    const char *name;
    int64_t current, low, high;
    uint8_t previous;
    uint8_t expected;
    bool called;
};

TEST(ReportProgressTest, PercentagesAndWhenTheHandlerIsCalled)
{
    const ProgressCase cases[] = {
        {"first report always reaches the handler", 0, 0, 100, 255, 0, true},
        {"truncates toward zero", 2, 0, 3, 255, 66, true},
        {"offset range", 15, 10, 20, 0, 50, true},
        {"unchanged percentage is not reported again", 7, 0, 10, 70, 70, false},
        {"beyond the end is clamped to 100", 12, 0, 10, 50, 100, true},
        {"before the start is clamped to 0", -5, 0, 10, 50, 0, true},
        {"empty range does not divide by zero", 0, 0, 0, 255, 0, true},
        {"last row of a row loop", 4, 0, 5, 60, 80, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> seen;
        TTransformProgressEvent handler = [&](TImageTransform *, uint8_t p) { seen.push_back(p); };
        EXPECT_EQ(ReportProgress(nullptr, c.current, c.low, c.previous, c.high, handler), c.expected);
        if (c.called)
            EXPECT_EQ(seen, std::vector<uint8_t>{c.expected});
        else
            EXPECT_TRUE(seen.empty());
    }
}

TEST(ReportProgressTest, WithoutHandlerAnswersZero)
{
    EXPECT_EQ(ReportProgress(nullptr, 50, 0, 255, 100, nullptr), 0);
}

TEST(ReportProgressTest, PassesTheSender)
{
    TImageTransform t;
    TImageTransform *got = nullptr;
    ReportProgress(&t, 1, 0, 255, 2, [&](TImageTransform *s, uint8_t) { got = s; });
    EXPECT_EQ(got, &t);
}

TEST(ImageTransformTest, BaseApplyOnDestNamesTheMethodAndTheClass)
{
    TImageTransform t;
    TDibGraphic src, dst;
    src.NewImage(4, 4, ifRgb24, nullptr, 96, 96);
    try {
        t.ApplyOnDest(src, dst);
        FAIL() << "no exception";
    } catch (const EVantrelError &e) {
        EXPECT_STREQ(e.what(), "Method \"ApplyOnDest\" not implemented for TImageTransform class");
    }
}

TEST(ImageTransformTest, BaseApplyRaisesAndLeavesTheImage)
{
    TImageTransform t;
    TDibGraphic g;
    g.NewImage(3, 2, ifGray256, nullptr, 72, 72);
    g.SetPixelIndex(1, 1, 77);
    EXPECT_THROW(t.Apply(g), EVantrelError);
    ASSERT_FALSE(g.Empty());
    EXPECT_EQ(g.GetPixelIndex(1, 1), 77u);
}

} // namespace
