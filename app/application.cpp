#include "app/application.h"

#include <exception>

#include "platform/ui/dialogs.h"

TBorvaneApplication::TBorvaneApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TBorvaneApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException();
        return false;
    }
}

void HandleException() {
    try {
        throw;
    } catch (const std::exception &e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorBox(QStringLiteral("Unknown error"));
    }
}
