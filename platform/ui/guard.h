#pragma once
// Runs a piece of event-handling code and shows any exception it raises in
// the standard error box, so that no exception unwinds through Qt's own
// frames (signal emission, delegates, model calls).
#include <functional>

// Returns false when fn raised (the error box has been shown then).
bool Guarded(const std::function<void()> &fn);
