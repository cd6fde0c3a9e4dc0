#pragma once
// TScanner acquires pages from a scanner through the TWAIN source manager
// (libborvane_twain.so in the program's folder). Create one per window (only
// one may exist at a time), set ShowUI / XResolution / YResolution / ImageType,
// and call Acquire with a handler: it receives each page as a packed DIB in
// global memory plus the page's resolution, and must copy it before returning.
//
//   TScanner scanner;                    // or TScanner(folder) in tests
//   if (scanner.ScannerAvailable())
//       scanner.Acquire(this, [](HGLOBAL dib, uint16_t xdpi, void *user, uint16_t ydpi) { ... });
//
// Acquire runs a nested event loop until the source is done; it needs a
// QCoreApplication (a QApplication when the source shows its own window).
#include <QString>

#include <cstdint>
#include <functional>

#include "image/dibgraphic.h"
#include "platform/core/appdir.h"
#include "platform/core/error.h"
#include "platform/core/globalmem.h"
#include "platform/twain/twain.h"

class QEvent;
class TTwainWindow;


class EScannerError : public Exception {
public:
    using Exception::Exception;
};

class ETwainError : public Exception {
public:
    using Exception::Exception;
};

// Called once per transferred page: the packed DIB (freed by TScanner after the
// call), the horizontal resolution, the caller's UserData, the vertical resolution.
using TAcquireImageEvent = std::function<void(HGLOBAL hDib, uint16_t xResolution, void *userData, uint16_t yResolution)>;

class TScanner {
public:
    // The source manager's file name, looked for in the program's folder.
    static constexpr const char *kTwainLibraryName = "libborvane_twain.so";

    explicit TScanner(const QString &programFolder = ProgramFolder());
    ~TScanner();
    TScanner(const TScanner &) = delete;
    TScanner &operator=(const TScanner &) = delete;

    bool ShowUI = true;
    uint16_t XResolution = 200;
    uint16_t YResolution = 200;
    TImageFormat ImageType = ifBlackWhite;

    bool ScannerAvailable();
    bool SelectSource();
    void Acquire(void *userData, const TAcquireImageEvent &onImage);
    void OpenSourceManager();
    void CloseSourceManager();

private:
    bool TwainCall(pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data,
                   TW_UINT16 *returnCode = nullptr);
    void SetOneValueCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item);
    void RunMessageLoop(void *userData, const TAcquireImageEvent &onImage);
    bool ProcessTwainEvent(QEvent *message, bool &done, void *userData, const TAcquireImageEvent &onImage);
    void TransferImages(bool &done, void *userData, const TAcquireImageEvent &onImage);
    void EndTransfer(TW_UINT16 &pending);
    void ResetTransfers();
    void UndoOpenSourceManager();

    QString programFolder_;
    void *library_ = nullptr;
    DSMENTRYPROC entry_ = nullptr;
    TTwainWindow *window_ = nullptr;
    TW_IDENTITY appIdentity_{};
    TW_IDENTITY sourceIdentity_{};
    bool ownsInstance_ = false;
};
