#include "image/waitcursor.h"

namespace {
int g_depth = 0;
std::function<void(bool)> &Hook()
{
    static std::function<void(bool)> hook;
    return hook;
}
} // namespace

void BeginWait()
{
    if (g_depth++ == 0 && Hook())
        Hook()(true);
}

void EndWait()
{
    // An unmatched EndWait is ignored rather than driving the count negative.
    if (g_depth == 0)
        return;
    if (--g_depth == 0 && Hook())
        Hook()(false);
}

int WaitDepth() { return g_depth; }

void SetWaitCursorHook(std::function<void(bool busy)> hook) { Hook() = std::move(hook); }
