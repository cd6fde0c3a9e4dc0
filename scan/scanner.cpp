#include "scan/scanner.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QObject>

#include <cstring>
#include <exception>

namespace {

bool g_scannerExists = false;

// Pixel type and bit depth asked of the source for each image format.
struct TPixelRequest {
    TImageFormat format;
    TW_UINT16 pixelType, bitDepth;
};
constexpr TPixelRequest kPixelRequests[] = {
    {ifBlackWhite, TWPT_BW, 1},  {ifGray16, TWPT_GRAY, 4},      {ifGray256, TWPT_GRAY, 8},
    {ifColor16, TWPT_PALETTE, 4}, {ifColor256, TWPT_PALETTE, 8}, {ifRgb24, TWPT_RGB, 24},
};

const TPixelRequest *PixelRequestFor(TImageFormat format) {
    for (const TPixelRequest &r : kPixelRequests)
        if (r.format == format) return &r;
    return nullptr;
}

// Sees every event of the user-interface thread while an acquisition's loop runs.
class TMessageFilter : public QObject {
public:
    explicit TMessageFilter(std::function<bool(QObject *, QEvent *)> handler) : handler_(std::move(handler)) {}
    bool eventFilter(QObject *watched, QEvent *event) override { return handler_(watched, event); }

private:
    std::function<bool(QObject *, QEvent *)> handler_;
};

}  // namespace

// The hidden window that parents the source manager and receives the source's
// messages; it is never shown, only enabled and disabled.
class TTwainWindow : public QObject {
public:
    bool enabled = true;
};

TScanner::TScanner(const QString &programFolder) : programFolder_(programFolder) {
    if (g_scannerExists) throw EScannerError("Only one scanner object is permitted");
    appIdentity_.Id = 0;
    appIdentity_.Version.MajorNum = 1;
    appIdentity_.Version.MinorNum = 0;
    appIdentity_.Version.Language = TWLG_ENGLISH;
    appIdentity_.Version.Country = TWCY_USA;
    appIdentity_.ProtocolMajor = 1;
    appIdentity_.ProtocolMinor = 5;
    appIdentity_.SupportedGroups = DG_CONTROL | DG_IMAGE;
    g_scannerExists = true;
    ownsInstance_ = true;
}

TScanner::~TScanner() {
    CloseSourceManager();
    if (ownsInstance_) g_scannerExists = false;
}

bool TScanner::TwainCall(pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data,
                         TW_UINT16 *returnCode) {
    // Never call through a source manager that is not (or no longer) there.
    if (!entry_) {
        if (returnCode) *returnCode = TWRC_FAILURE;
        return false;
    }
    const TW_UINT16 rc = entry_(&appIdentity_, dest, dg, dat, msg, data);
    if (returnCode) *returnCode = rc;
    if (rc == TWRC_SUCCESS) return true;
    TW_STATUS status{};
    entry_(&appIdentity_, dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return rc == TWRC_CHECKSTATUS && status.ConditionCode == TWCC_SUCCESS;
}

void TScanner::UndoOpenSourceManager() {
    // A half-done open is taken back entirely, so the next call starts again
    // from loading the library and never meets a missing entry point.
    delete window_;
    window_ = nullptr;
    entry_ = nullptr;
    if (library_) dlclose(library_);
    library_ = nullptr;
}

void TScanner::OpenSourceManager() {
    if (library_) return;
    if (programFolder_.isEmpty()) throw EScannerError("GetWindowsDirectory failed");
    QString path = programFolder_;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    path += QLatin1String(kTwainLibraryName);
    library_ = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) throw EScannerError("LoadLibrary(" + path.toStdString() + ") failed");
    entry_ = reinterpret_cast<DSMENTRYPROC>(dlsym(library_, "DSM_Entry"));
    if (!entry_) {
        UndoOpenSourceManager();
        throw EScannerError(std::string("GetProcAddress failed: ") + "DSM_Entry");
    }
    // Messages reach the window only through an application's event queue.
    if (!QCoreApplication::instance()) {
        UndoOpenSourceManager();
        throw EScannerError("CreateWindow failed");
    }
    window_ = new TTwainWindow;
    if (!TwainCall(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, window_)) {
        UndoOpenSourceManager();
        throw EScannerError("Unable to open TWAIN source manager");
    }
}

void TScanner::CloseSourceManager() {
    if (window_) {
        TwainCall(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, window_);
        delete window_;
        window_ = nullptr;
    }
    if (library_) {
        dlclose(library_);
        library_ = nullptr;
        entry_ = nullptr;
    }
}

bool TScanner::ScannerAvailable() {
    if (library_) return true;
    try {
        OpenSourceManager();
        return true;
    } catch (...) {
        return false;
    }
}

bool TScanner::SelectSource() {
    OpenSourceManager();
    std::memset(&sourceIdentity_, 0, sizeof sourceIdentity_);
    return TwainCall(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &sourceIdentity_);
}

void TScanner::SetOneValueCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
    TGlobalMemory memory(BorvaneGlobalAlloc(sizeof(TW_ONEVALUE)));
    if (!memory.get()) throw EOutOfResources("Out of resources");
    auto *bytes = static_cast<unsigned char *>(BorvaneGlobalLock(memory.get()));
    std::memcpy(bytes, &itemType, 2);
    std::memcpy(bytes + 2, &item, 4);
    BorvaneGlobalUnlock(memory.get());
    TW_CAPABILITY capability{};
    capability.Cap = cap;
    capability.ConType = TWON_ONEVALUE;
    capability.hContainer = memory.get();
    TwainCall(&sourceIdentity_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
}

void TScanner::Acquire(void *userData, const TAcquireImageEvent &onImage) {
    OpenSourceManager();
    std::memset(&sourceIdentity_, 0, sizeof sourceIdentity_);
    if (!TwainCall(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &sourceIdentity_))
        throw ETwainError("Unable to open TWAIN data source");

    std::exception_ptr failure;
    try {
        const bool wasEnabled = window_->enabled;
        window_->enabled = false;
        try {
            SetOneValueCapability(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE);
            SetOneValueCapability(CAP_XFERCOUNT, TWTY_INT16, 0xFFFFFFFFu);  // -1: as many as the user scans
            SetOneValueCapability(ICAP_UNITS, TWTY_UINT16, TWUN_INCHES);
            if (!ShowUI) {
                const TPixelRequest *request = PixelRequestFor(ImageType);
                if (!request) throw ETwainError("Invalid image type");
                SetOneValueCapability(ICAP_XRESOLUTION, TWTY_FIX32, XResolution);  // Whole, Frac 0
                SetOneValueCapability(ICAP_YRESOLUTION, TWTY_FIX32, YResolution);
                SetOneValueCapability(ICAP_PIXELTYPE, TWTY_UINT16, request->pixelType);
                SetOneValueCapability(ICAP_BITDEPTH, TWTY_UINT16, request->bitDepth);
            }
            TW_USERINTERFACE ui{};
            ui.ShowUI = ShowUI ? 0xFFFF : 0;
            ui.ModalUI = 0;
            ui.hParent = window_;
            if (!TwainCall(&sourceIdentity_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui))
                throw ETwainError("Unable to enable twain source.");
            try {
                RunMessageLoop(userData, onImage);
            } catch (...) {
                TwainCall(&sourceIdentity_, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
                throw;
            }
            TwainCall(&sourceIdentity_, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        } catch (...) {
            window_->enabled = wasEnabled;
            throw;
        }
        window_->enabled = wasEnabled;
    } catch (...) {
        failure = std::current_exception();
    }
    if (sourceIdentity_.Id != 0) {
        if (!TwainCall(&sourceIdentity_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &sourceIdentity_))
            throw ETwainError("Unable to close TWAIN data source");
        std::memset(&sourceIdentity_, 0, sizeof sourceIdentity_);
    }
    if (failure) std::rethrow_exception(failure);
}

void TScanner::RunMessageLoop(void *userData, const TAcquireImageEvent &onImage) {
    bool done = false;
    std::exception_ptr failure;
    QEventLoop loop;
    QCoreApplication *app = QCoreApplication::instance();
    TMessageFilter filter([&](QObject *target, QEvent *message) -> bool {
        if (done || failure) return false;
        if (message->type() == QEvent::Quit && target == app) {
            // The quit message ends this loop and still reaches the application,
            // so the program's own loop ends too.
            done = true;
            loop.exit();
            return false;
        }
        bool handled = false;
        try {
            handled = ProcessTwainEvent(message, done, userData, onImage);
        } catch (...) {
            // Exceptions must not cross Qt's dispatch; Acquire raises it after the loop.
            failure = std::current_exception();
            handled = true;
        }
        if (done || failure) loop.exit();
        return handled;
    });
    app->installEventFilter(&filter);
    loop.exec();
    app->removeEventFilter(&filter);
    if (failure) std::rethrow_exception(failure);
}

bool TScanner::ProcessTwainEvent(QEvent *message, bool &done, void *userData, const TAcquireImageEvent &onImage) {
    done = false;
    TW_EVENT event{};
    event.pEvent = message;
    event.TWMessage = MSG_NULL;
    TW_UINT16 rc = TWRC_NOTDSEVENT;
    TwainCall(&sourceIdentity_, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event, &rc);
    const bool handled = rc == TWRC_DSEVENT;
    switch (event.TWMessage) {
    case MSG_XFERREADY:
        TransferImages(done, userData, onImage);
        break;
    case MSG_CLOSEDSREQ:
        done = true;
        break;
    default:
        break;
    }
    return handled;
}

void TScanner::TransferImages(bool &done, void *userData, const TAcquireImageEvent &onImage) {
    TW_UINT16 pending = 0xFFFF;
    while (pending != 0) {
        TW_IMAGEINFO info;
        std::memset(&info, 0, sizeof info);
        TW_UINT16 rc = TWRC_FAILURE;
        TwainCall(&sourceIdentity_, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info, &rc);
        if (rc != TWRC_SUCCESS) {
            // Asking again would see the same refusal for ever: give up on the
            // remaining images as for a failed transfer.
            EndTransfer(pending);
            ResetTransfers();
            pending = 0;
            done = true;
            break;
        }
        TW_HANDLE handle = nullptr;
        TwainCall(&sourceIdentity_, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle, &rc);
        TGlobalMemory image(handle && BorvaneGlobalSize(handle) != 0 ? handle : nullptr);
        switch (rc) {
        case TWRC_XFERDONE:
            try {
                onImage(handle, static_cast<uint16_t>(info.XResolution.Whole), userData,
                        static_cast<uint16_t>(info.YResolution.Whole));
            } catch (...) {
                // Leave the source in a state it can be disabled and closed from.
                EndTransfer(pending);
                if (pending != 0) ResetTransfers();
                done = true;
                throw;
            }
            EndTransfer(pending);
            if (pending == 0) done = true;
            break;
        case TWRC_CANCEL:
            EndTransfer(pending);
            if (pending != 0) {
                ResetTransfers();
                pending = 0;
            }
            done = true;
            break;
        default:
            EndTransfer(pending);
            ResetTransfers();
            pending = 0;
            done = true;
            break;
        }
    }
}

void TScanner::EndTransfer(TW_UINT16 &pending) {
    TW_PENDINGXFERS transfers{};
    if (TwainCall(&sourceIdentity_, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &transfers)) {
        pending = transfers.Count != 0 ? 0xFFFF : 0;
    } else {
        pending = 0;
        ResetTransfers();
    }
}

void TScanner::ResetTransfers() {
    TW_PENDINGXFERS transfers{};
    TwainCall(&sourceIdentity_, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &transfers);
}
