#pragma once
// The application's single idle-handler slot.
//
// The handler runs each time the event loop has nothing left to do and is
// about to wait for the next event. It sets done to false when it wants to be
// called again at once; left true, it waits until the next event has been
// handled. One window at a time owns the slot (the page viewer fills it while
// it exists):
//
//   SetApplicationIdle([this](bool &done) { ApplicationIdle(done); });
//   ...
//   ClearApplicationIdle();
#include <functional>

using TIdleHandler = std::function<void(bool &done)>;

// Puts a handler into the slot, replacing the one there.
void SetApplicationIdle(TIdleHandler handler);
// Empties the slot.
void ClearApplicationIdle();
bool HasApplicationIdle();
// Runs the handler once now, as the event loop would; false when the slot is empty.
bool RunApplicationIdle();
