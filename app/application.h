#pragma once
// The application object: an exception that escapes any event handler is
// shown in the standard error box instead of ending the program.
#include <QApplication>

class TBorvaneApplication : public QApplication {
public:
    TBorvaneApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// Shows the message of the exception being handled in the standard error box.
void HandleException();
