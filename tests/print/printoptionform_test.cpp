#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "print/printoptionform.h"
#include "print/updown.h"

namespace {

TEST(PrintOptionFormTest, StartsOnFullPageWithTheSizesDisabled)
{
    TPrintOptionForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Print Options"));
    EXPECT_TRUE(form.FullPageRB->isChecked());
    EXPECT_EQ(form.GetPrintMode(), pmFullPage);
    EXPECT_EQ(form.WidthFld->text(), QStringLiteral("5"));
    EXPECT_EQ(form.HeightFld->text(), QStringLiteral("3"));
    EXPECT_EQ(form.WidthUpDown->Position(), 5);
    EXPECT_EQ(form.HeightUpDown->Position(), 3);
    EXPECT_FALSE(form.WidthFld->isEnabled());
    EXPECT_FALSE(form.HeightFld->isEnabled());
    EXPECT_EQ(form.OriginalSizeRB->text(), QStringLiteral("&Original Size (based on graphic resolution)"));
    EXPECT_EQ(form.StetchToPageRB->text(), QStringLiteral("&Stretch to page (ignore aspect ratio)"));
}

TEST(PrintOptionFormTest, EachButtonGivesItsModeAndItsSizeControls)
{
    TPrintOptionForm form;
    struct {
        QRadioButton *button;
        TPrintMode mode;
        bool width, height;
    } const cases[] = {
        {form.OriginalSizeRB, pmOriginalSize, false, false},
        {form.SpecificWidthRB, pmSpecificWidth, true, false},
        {form.SpecificHeightRB, pmSpecificHeight, false, true},
        {form.SpecificWidthAndHeightRB, pmSpecificWidthAndHeight, true, true},
        {form.StetchToPageRB, pmStretchToPage, false, false},
        {form.FullPageRB, pmFullPage, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.button->objectName().toStdString());
        c.button->click();
        EXPECT_EQ(form.GetPrintMode(), c.mode);
        for (QWidget *w : {static_cast<QWidget *>(form.WidthFld), static_cast<QWidget *>(form.WidthLbl),
                           static_cast<QWidget *>(form.WidthUpDown)})
            EXPECT_EQ(w->isEnabled(), c.width) << w->objectName().toStdString();
        for (QWidget *w : {static_cast<QWidget *>(form.HeightFld), static_cast<QWidget *>(form.HeightLbl),
                           static_cast<QWidget *>(form.HeightUpDown)})
            EXPECT_EQ(w->isEnabled(), c.height) << w->objectName().toStdString();
    }
}

TEST(UpDownTest, StepsWithinTheRangeOrWraps)
{
    QLineEdit edit;
    TUpDown upDown;
    upDown.SetAssociate(&edit);
    upDown.SetRange(1, 24);
    upDown.SetPosition(23);
    upDown.Click(true);
    EXPECT_EQ(edit.text(), QStringLiteral("24"));
    upDown.Click(true);
    EXPECT_EQ(edit.text(), QStringLiteral("24"));
    edit.setText(QStringLiteral("7")); // typed text is where the next step starts
    upDown.Click(false);
    EXPECT_EQ(edit.text(), QStringLiteral("6"));

    upDown.Wrap = true;
    upDown.SetRange(1, 3);
    upDown.SetPosition(3);
    upDown.Click(true);
    EXPECT_EQ(edit.text(), QStringLiteral("1"));
    upDown.Click(false);
    EXPECT_EQ(edit.text(), QStringLiteral("3"));

    upDown.SetRange(1, 5000);
    upDown.SetPosition(1233);
    upDown.Click(true);
    EXPECT_EQ(edit.text(), QStringLiteral("1,234"));
    upDown.Click(true); // reads "1,234" back through the separator
    EXPECT_EQ(edit.text(), QStringLiteral("1,235"));
}

} // namespace
