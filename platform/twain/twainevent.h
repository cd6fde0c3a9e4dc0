#pragma once
// How a data source talks back to the application on this platform. The
// application hands the source manager a QObject as its window (DAT_PARENT and
// TW_USERINTERFACE.hParent); a source posts a TTwainSourceEvent to it, and the
// application's message loop passes every event through MSG_PROCESSEVENT, where
// the source recognises its own events and turns them into MSG_XFERREADY or
// MSG_CLOSEDSREQ. Both sides must be built against the same Qt.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "platform/twain/twain.h"

class TTwainSourceEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 0x7A1);

    TTwainSourceEvent(TW_UINT32 sourceId, TW_UINT16 message)
        : QEvent(kType), sourceId_(sourceId), message_(message) {}

    TW_UINT32 SourceId() const { return sourceId_; }
    TW_UINT16 Message() const { return message_; }

private:
    TW_UINT32 sourceId_;
    TW_UINT16 message_;
};

// Posts `message` from the source `sourceId` to the application's window.
inline void PostSourceMessage(TW_HANDLE parent, TW_UINT32 sourceId, TW_UINT16 message) {
    if (parent && QCoreApplication::instance())
        QCoreApplication::postEvent(static_cast<QObject *>(parent), new TTwainSourceEvent(sourceId, message));
}

// The check a source makes in MSG_PROCESSEVENT: is this event one of mine?
// Returns the TWAIN message it carries, or MSG_NULL.
inline TW_UINT16 SourceMessageOf(TW_MEMREF event, TW_UINT32 sourceId) {
    auto *e = static_cast<QEvent *>(event);
    if (!e || e->type() != TTwainSourceEvent::kType) return MSG_NULL;
    auto *te = static_cast<TTwainSourceEvent *>(e);
    return te->SourceId() == sourceId ? te->Message() : MSG_NULL;
}
