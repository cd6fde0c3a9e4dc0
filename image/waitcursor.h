#pragma once
// The wait cursor around long image operations. BeginWait and EndWait nest:
// the hook is told "busy" when the count goes from 0 to 1 and "idle" when it
// goes back to 0. The image library knows no windows; the program sets the
// hook (QGuiApplication::setOverrideCursor(Qt::WaitCursor) /
// restoreOverrideCursor()). Without a hook only the count changes.
#include <functional>

void BeginWait();
void EndWait();
// Nesting depth, 0 when no wait is shown.
int WaitDepth();
// Replaces the hook; an empty function removes it.
void SetWaitCursorHook(std::function<void(bool busy)> hook);

// BeginWait in the constructor, EndWait in the destructor, also on exceptions.
class TWaitCursor {
public:
    TWaitCursor() { BeginWait(); }
    ~TWaitCursor() { EndWait(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};
