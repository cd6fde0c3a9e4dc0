#include "platform/ui/guard.h"

#include <exception>

#include "platform/ui/dialogs.h"

bool Guarded(const std::function<void()> &fn) {
    try {
        fn();
        return true;
    } catch (const std::exception &e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorBox(QStringLiteral("Unknown error"));
    }
    return false;
}
