#include "platform/ui/idleslot.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "platform/ui/guard.h"

namespace {
struct IdleSlot {
    TIdleHandler handler;
    bool running = false;     // a handler that opens a nested loop must not re-enter
    bool wakePending = false;
    QPointer<QObject> context;   // owns the dispatcher connection
};

IdleSlot &slot() {
    static IdleSlot s;
    return s;
}

void runOnce() {
    IdleSlot &s = slot();
    if (!s.handler || s.running) return;
    s.running = true;
    bool done = true;
    TIdleHandler h = s.handler;   // the handler may empty the slot
    Guarded([&] { h(done); });
    s.running = false;
    if (!done && s.handler && !s.wakePending) {
        // Wake the loop so it becomes idle, and calls the handler, again.
        s.wakePending = true;
        QTimer::singleShot(0, s.context, [] { slot().wakePending = false; });
    }
}

void connectDispatcher() {
    IdleSlot &s = slot();
    if (s.context) return;
    QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance(QCoreApplication::instance()
                                                                         ? QCoreApplication::instance()->thread()
                                                                         : QThread::currentThread());
    if (!d) return;
    s.context = new QObject(d);
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, s.context, [] { runOnce(); });
}
}  // namespace

void SetApplicationIdle(TIdleHandler handler) {
    slot().handler = std::move(handler);
    connectDispatcher();
}

void ClearApplicationIdle() { slot().handler = nullptr; }

bool HasApplicationIdle() { return static_cast<bool>(slot().handler); }

bool RunApplicationIdle() {
    if (!slot().handler) return false;
    runOnce();
    return true;
}
