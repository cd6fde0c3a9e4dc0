#include "platform/ui/hint.h"

#include <QAction>
#include <QWidget>

namespace {
std::pair<QString, QString> split(const QString &hint) {
    int bar = hint.indexOf(QLatin1Char('|'));
    if (bar < 0) return {hint, hint};
    return {hint.left(bar), hint.mid(bar + 1)};
}
}  // namespace

void SetHint(QWidget *w, const QString &hint) {
    auto [shortHint, longHint] = split(hint);
    w->setToolTip(shortHint);
    w->setStatusTip(longHint);
}

void SetHint(QAction *a, const QString &hint) {
    auto [shortHint, longHint] = split(hint);
    a->setToolTip(shortHint);
    a->setStatusTip(longHint);
}
