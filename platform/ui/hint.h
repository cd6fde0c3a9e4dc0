#pragma once
// Hints written "short|long": the short part is the tool tip, the long part
// (after the bar) the status-bar text. "Save|" has no long hint.
#include <QString>

class QWidget;
class QAction;

void SetHint(QWidget *w, const QString &hint);
void SetHint(QAction *a, const QString &hint);
