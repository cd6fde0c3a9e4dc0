#pragma once
// "About": the terms under which the program may be used.
#include "app/textwindow.h"

class TAboutBox : public TTextWindow {
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    static QString TermsText();
};
