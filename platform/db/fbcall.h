#pragma once
// Calling Firebird's interface: one status wrapper per call, and a failure
// becomes EDatabaseError carrying the engine's own text. Private to platform/db.
#include <firebird/Interface.h>

#include <type_traits>

#include "platform/db/fbconnection.h"

namespace fb {

template <typename F>
auto Call(F &&f) {
    Firebird::ThrowStatusWrapper status(Master()->getStatus());
    try {
        if constexpr (std::is_void_v<decltype(f(&status))>) {
            f(&status);
            status.dispose();
        } else {
            auto r = f(&status);
            status.dispose();
            return r;
        }
    } catch (const Firebird::FbException &e) {
        QString text = StatusText(e.getStatus());
        status.dispose();
        throw EDatabaseError(text.toStdString());
    }
}

}  // namespace fb
