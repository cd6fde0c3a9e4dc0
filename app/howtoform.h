#pragma once
// "วิธีการใช้งาน": the Thai guide to using the program.
#include "app/textwindow.h"

class THowtoForm : public TTextWindow {
public:
    explicit THowtoForm(QWidget *parent = nullptr);
    static QString GuideText();
};
