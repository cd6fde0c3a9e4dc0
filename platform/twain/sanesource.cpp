// The data source on a SANE device. States follow TWAIN: 4 open, 5 enabled,
// 6 transfer ready, 7 transferring. A page is read on a worker thread
// (TScanJob) and offered with MSG_XFERREADY once complete; pages of a document
// feeder follow one another through the pending-transfer count. SANE's own
// status texts are what the user sees when a scan ends early.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/twain/datasource.h"
#include "platform/twain/packeddib.h"
#include "platform/twain/sanedialog.h"
#include "platform/twain/saneoptions.h"
#include "platform/twain/scanjob.h"
#include "platform/twain/twainevent.h"

namespace {

bool g_saneReady = false;
int g_openDevices = 0;

// What the user chose in the source's window, per device, for the rest of the
// run: a later acquisition without the window scans the same way (the paper
// source in particular, which the application does not negotiate).
struct TRememberedSettings {
    std::optional<std::string> mode, source;
    std::optional<double> resolution;
};
std::map<std::string, TRememberedSettings> g_remembered;

void Remember(const std::string &device, const TSaneOptions &options) {
    g_remembered[device] = {options.String("mode"), options.String("source"), options.Number("resolution")};
}

void Recall(const std::string &device, TSaneOptions &options) {
    auto it = g_remembered.find(device);
    if (it == g_remembered.end()) return;
    if (it->second.mode) options.SetString("mode", *it->second.mode);
    if (it->second.source) options.SetString("source", *it->second.source);
    if (it->second.resolution) options.SetNumber("resolution", *it->second.resolution);
}

bool EnsureSane() {
    if (!g_saneReady) {
        SANE_Int version = 0;
        g_saneReady = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    }
    return g_saneReady;
}

bool IsFeeder(const std::string &source) {
    std::string s;
    for (char c : source) s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s.find("feeder") != std::string::npos || s.find("adf") != std::string::npos ||
           s.find("duplex") != std::string::npos;
}

class TSaneSource : public TDataSource {
public:
    TSaneSource(SANE_Handle handle, TW_UINT32 id, std::string device, std::string label)
        : handle_(handle), id_(id), device_(std::move(device)), label_(std::move(label)), options_(handle) {
        ++g_openDevices;
        Recall(device_, options_);
    }
    ~TSaneSource() override {
        EndSession();
        delete context_;
        sane_close(handle_);
        --g_openDevices;
    }

    TW_UINT16 Entry(pTW_IDENTITY, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) override;

private:
    TW_UINT16 Fail(TW_UINT16 condition) {
        condition_ = condition;
        return TWRC_FAILURE;
    }
    TW_UINT16 SetCapability(const TW_CAPABILITY *cap);
    TW_UINT16 SetResolution(const char *axisOption, double dpi);
    TW_UINT16 SetPixelType(TW_UINT16 type);
    TW_UINT16 Enable(const TW_USERINTERFACE *ui);
    TW_UINT16 Disable();
    TW_UINT16 ImageInfo(TW_IMAGEINFO *info);
    TW_UINT16 NativeTransfer(TW_HANDLE *handle);
    TW_UINT16 EndTransfer(TW_PENDINGXFERS *pending);
    TW_UINT16 Reset(TW_PENDINGXFERS *pending);

    void StartPage();
    void JobChanged();
    template <class Ready>
    void WaitFor(Ready ready);
    void ShowStatus(SANE_Status status);
    void EndSession();
    void Post(TW_UINT16 msg) { PostSourceMessage(parent_, id_, msg); }
    bool JobFailed() const { return job_ && job_->Finished() && job_->Status() != SANE_STATUS_GOOD; }

    SANE_Handle handle_;
    TW_UINT32 id_;
    std::string device_, label_;
    TSaneOptions options_;
    int state_ = 4;
    TW_UINT16 condition_ = TWCC_SUCCESS;
    TW_HANDLE parent_ = nullptr;
    bool showUI_ = false;
    TW_INT16 xferCount_ = -1;
    int delivered_ = 0;
    bool feeder_ = false;
    TW_UINT16 pixelType_ = TWPT_BW;
    bool sessionActive_ = false;  // sane_start was called since the last sane_cancel
    std::unique_ptr<TScanJob> job_;
    std::unique_ptr<TSaneDialog> dialog_;
    QObject *context_ = new QObject;  // receives the worker's notifications
};

TW_UINT16 TSaneSource::Entry(pTW_IDENTITY, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET) {
        if (!data) return TWRC_FAILURE;
        auto *status = static_cast<TW_STATUS *>(data);
        status->ConditionCode = condition_;
        status->Reserved = 0;
        condition_ = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
        auto *event = static_cast<TW_EVENT *>(data);
        if (!event) return TWRC_NOTDSEVENT;
        event->TWMessage = SourceMessageOf(event->pEvent, id_);
        return event->TWMessage != MSG_NULL ? TWRC_DSEVENT : TWRC_NOTDSEVENT;
    }
    if (!data) return Fail(TWCC_BADVALUE);
    if (dg == DG_CONTROL && dat == DAT_CAPABILITY && msg == MSG_SET)
        return SetCapability(static_cast<TW_CAPABILITY *>(data));
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS)
        return Enable(static_cast<TW_USERINTERFACE *>(data));
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS) return Disable();
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO && msg == MSG_GET) return ImageInfo(static_cast<TW_IMAGEINFO *>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET)
        return NativeTransfer(static_cast<TW_HANDLE *>(data));
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS && msg == MSG_ENDXFER)
        return EndTransfer(static_cast<TW_PENDINGXFERS *>(data));
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS && msg == MSG_RESET)
        return Reset(static_cast<TW_PENDINGXFERS *>(data));
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TSaneSource::SetResolution(const char *axisOption, double dpi) {
    const char *name = options_.Has(axisOption) ? axisOption : "resolution";
    switch (options_.SetNumber(name, dpi)) {
    case TOptionResult::Set:
        return TWRC_SUCCESS;
    case TOptionResult::Inexact:
        return TWRC_CHECKSTATUS;  // set to the nearest value the device has
    default:
        return Fail(TWCC_BADVALUE);
    }
}

TW_UINT16 TSaneSource::SetPixelType(TW_UINT16 type) {
    static const char *const kLineArt[] = {"Lineart", "Binary", "Black & White", nullptr};
    static const char *const kGray[] = {"Gray", "Grayscale", "Grey", nullptr};
    static const char *const kColor[] = {"Color", "Colour", "RGB", nullptr};
    const char *const *wanted = type == TWPT_BW ? kLineArt : type == TWPT_GRAY ? kGray : type == TWPT_RGB ? kColor : nullptr;
    if (!wanted) return Fail(TWCC_BADVALUE);  // SANE has no palette scans
    const auto modes = options_.Strings("mode");
    std::string mode;
    for (const char *const *w = wanted; *w && mode.empty(); ++w)
        for (const auto &m : modes)
            if (SameText(m, *w)) mode = m;
    int depth = type == TWPT_BW ? 1 : 8;
    if (mode.empty() && type == TWPT_BW) {
        // Devices without a line-art mode scan grey at one bit.
        for (const char *const *w = kGray; *w && mode.empty(); ++w)
            for (const auto &m : modes)
                if (SameText(m, *w)) mode = m;
    } else if (type == TWPT_BW) {
        depth = 0;  // the line-art mode fixes the depth itself
    }
    if (mode.empty() && !(modes.empty() && type == TWPT_GRAY)) return Fail(TWCC_BADVALUE);
    if (!mode.empty() && options_.SetString("mode", mode) == TOptionResult::Refused) return Fail(TWCC_BADVALUE);
    if (depth && options_.Has("depth") && options_.SetNumber("depth", depth) != TOptionResult::Set &&
        type == TWPT_BW)
        return Fail(TWCC_BADVALUE);
    pixelType_ = type;
    return TWRC_SUCCESS;
}

TW_UINT16 TSaneSource::SetCapability(const TW_CAPABILITY *cap) {
    if (state_ != 4) return Fail(TWCC_SEQERROR);
    if (cap->ConType != TWON_ONEVALUE || BorvaneGlobalSize(cap->hContainer) < sizeof(TW_ONEVALUE))
        return Fail(TWCC_BADVALUE);
    TW_ONEVALUE one{};
    const void *bytes = BorvaneGlobalLock(cap->hContainer);
    if (!bytes) return Fail(TWCC_BADVALUE);
    std::memcpy(&one, bytes, sizeof one);
    BorvaneGlobalUnlock(cap->hContainer);
    const auto asU16 = [&] { return static_cast<TW_UINT16>(one.Item & 0xFFFF); };
    const auto asFix = [&] {
        return static_cast<TW_INT16>(one.Item & 0xFFFF) + static_cast<double>(one.Item >> 16) / 65536.0;
    };
    switch (cap->Cap) {
    case ICAP_XFERMECH:
        return one.ItemType == TWTY_UINT16 && asU16() == TWSX_NATIVE ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
    case CAP_XFERCOUNT: {
        const auto count = static_cast<TW_INT16>(one.Item & 0xFFFF);
        if (one.ItemType != TWTY_INT16 || count == 0 || count < -1) return Fail(TWCC_BADVALUE);
        xferCount_ = count;
        return TWRC_SUCCESS;
    }
    case ICAP_UNITS:
        return one.ItemType == TWTY_UINT16 && asU16() == TWUN_INCHES ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        if (one.ItemType != TWTY_FIX32) return Fail(TWCC_BADVALUE);
        return SetResolution(cap->Cap == ICAP_XRESOLUTION ? "x-resolution" : "y-resolution", asFix());
    case ICAP_PIXELTYPE:
        if (one.ItemType != TWTY_UINT16) return Fail(TWCC_BADVALUE);
        return SetPixelType(asU16());
    case ICAP_BITDEPTH: {
        if (one.ItemType != TWTY_UINT16) return Fail(TWCC_BADVALUE);
        const TW_UINT16 bits = asU16();
        const bool fits = (pixelType_ == TWPT_BW && bits == 1) || (pixelType_ == TWPT_GRAY && bits == 8) ||
                          (pixelType_ == TWPT_RGB && bits == 24);
        return fits ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
    }
    default:
        return Fail(TWCC_BADCAP);
    }
}

TW_UINT16 TSaneSource::Enable(const TW_USERINTERFACE *ui) {
    if (state_ != 4) return Fail(TWCC_SEQERROR);
    if (!QCoreApplication::instance() || !ui->hParent) return Fail(TWCC_BUMMER);
    showUI_ = ui->ShowUI != 0;
    if (showUI_ && !WidgetsAvailable()) return Fail(TWCC_BUMMER);
    parent_ = ui->hParent;
    delivered_ = 0;
    state_ = 5;
    if (showUI_) {
        TSaneDialog::Callbacks callbacks;
        callbacks.scan = [this] {
            Remember(device_, options_);
            if (state_ == 5 && !job_) StartPage();
        };
        callbacks.cancel = [this] {
            if (job_) job_->Cancel();
            Post(MSG_CLOSEDSREQ);
        };
        dialog_ = std::make_unique<TSaneDialog>(label_, options_, std::move(callbacks));
        dialog_->Window()->setObjectName(QStringLiteral("SaneSourceDialog"));
        dialog_->Show();
    } else {
        StartPage();
    }
    return TWRC_SUCCESS;
}

TW_UINT16 TSaneSource::Disable() {
    if (state_ < 5) return Fail(TWCC_SEQERROR);
    EndSession();
    dialog_.reset();
    state_ = 4;
    return TWRC_SUCCESS;
}

void TSaneSource::StartPage() {
    feeder_ = IsFeeder(options_.String("source").value_or(""));
    const double x = options_.Number("x-resolution").value_or(options_.Number("resolution").value_or(0));
    const double y = options_.Number("y-resolution").value_or(options_.Number("resolution").value_or(0));
    if (dialog_) dialog_->SetBusy(true);
    sessionActive_ = true;
    // The worker only posts; JobChanged runs on this thread. The job is joined
    // before context_ is deleted, so the pointer is alive whenever it posts.
    QObject *context = context_;
    job_ = std::make_unique<TScanJob>(handle_, x, y, [this, context] {
        QMetaObject::invokeMethod(context, [this] { JobChanged(); }, Qt::QueuedConnection);
    });
}

void TSaneSource::JobChanged() {
    // Only a first page scanned in state 5 is announced; later pages are asked
    // for through the pending count.
    if (state_ != 5 || !job_ || !job_->Finished()) return;
    if (job_->Status() == SANE_STATUS_GOOD) {
        state_ = 6;
        if (dialog_) dialog_->SetStatus("");
        Post(MSG_XFERREADY);
        return;
    }
    const SANE_Status status = job_->Status();
    EndSession();
    if (dialog_) {
        dialog_->SetBusy(false);
        if (status != SANE_STATUS_CANCELLED) dialog_->SetStatus(sane_strstatus(status));
    } else {
        if (status != SANE_STATUS_CANCELLED) ShowStatus(status);
        Post(MSG_CLOSEDSREQ);
    }
}

template <class Ready>
void TSaneSource::WaitFor(Ready ready) {
    // Keep painting while the worker reads; user input waits, as it would for
    // any call into the source.
    QCoreApplication *app = QCoreApplication::instance();
    const bool pump = app && QThread::currentThread() == app->thread();
    while (!ready()) {
        if (pump)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
        else
            job_->WaitForChange();
    }
}

void TSaneSource::ShowStatus(SANE_Status status) {
    const QString text = QString::fromUtf8(sane_strstatus(status));
    if (dialog_) {
        dialog_->SetStatus(text.toStdString());
    } else if (WidgetsAvailable()) {
        // Modeless, so an acquisition without the source's window never blocks on it.
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Scanner"), text, QMessageBox::Ok);
        box->setObjectName(QStringLiteral("SaneSourceMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    } else {
        std::fprintf(stderr, "Scanner: %s\n", text.toLocal8Bit().constData());
    }
}

void TSaneSource::EndSession() {
    job_.reset();
    if (sessionActive_) {
        sane_cancel(handle_);
        sessionActive_ = false;
    }
}

TW_UINT16 TSaneSource::ImageInfo(TW_IMAGEINFO *info) {
    if (state_ != 6 || !job_) return Fail(TWCC_SEQERROR);
    WaitFor([this] { return job_->Finished(); });
    if (job_->Status() != SANE_STATUS_GOOD) {
        if (job_->Status() != SANE_STATUS_CANCELLED) ShowStatus(job_->Status());
        return Fail(TWCC_OPERATIONERROR);
    }
    return DescribePage(job_->Page(), *info) ? TWRC_SUCCESS : Fail(TWCC_OPERATIONERROR);
}

TW_UINT16 TSaneSource::NativeTransfer(TW_HANDLE *handle) {
    if (state_ != 6 || !job_) return Fail(TWCC_SEQERROR);
    WaitFor([this] { return job_->Finished(); });
    if (job_->Status() != SANE_STATUS_GOOD) return Fail(TWCC_OPERATIONERROR);
    HGLOBAL dib = PackPageAsDib(job_->Page());
    if (!dib) return Fail(TWCC_LOWMEMORY);
    *handle = dib;
    ++delivered_;
    state_ = 7;
    return TWRC_XFERDONE;
}

TW_UINT16 TSaneSource::EndTransfer(TW_PENDINGXFERS *pending) {
    if (state_ != 6 && state_ != 7) return Fail(TWCC_SEQERROR);
    // A feeder goes on to its next sheet unless the count is reached or the last
    // sheet failed; a flatbed gives one page per enable.
    bool more = feeder_ && !JobFailed() && (xferCount_ < 0 || delivered_ < xferCount_);
    job_.reset();
    if (more) {
        StartPage();
        WaitFor([this] { return job_->Started(); });
        const SANE_Status start = job_->StartStatus();
        if (start != SANE_STATUS_GOOD) {
            more = false;
            // An empty feeder is the normal end of a batch, not news.
            if (start != SANE_STATUS_NO_DOCS && start != SANE_STATUS_CANCELLED) ShowStatus(start);
        }
    }
    pending->EOJ = 0;
    if (more) {
        pending->Count = 0xFFFF;  // more sheets, how many is not known
        state_ = 6;
    } else {
        EndSession();
        if (dialog_) dialog_->SetBusy(false);
        pending->Count = 0;
        state_ = 5;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 TSaneSource::Reset(TW_PENDINGXFERS *pending) {
    if (state_ != 6) return Fail(TWCC_SEQERROR);
    EndSession();
    if (dialog_) dialog_->SetBusy(false);
    pending->Count = 0;
    pending->EOJ = 0;
    state_ = 5;
    return TWRC_SUCCESS;
}

}  // namespace

std::vector<TSaneDeviceInfo> SaneDevices() {
    std::vector<TSaneDeviceInfo> out;
    if (!EnsureSane()) return out;
    const SANE_Device **list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return out;
    for (const SANE_Device **d = list; *d; ++d) {
        const auto text = [](SANE_String_Const s) { return std::string(s ? s : ""); };
        out.push_back({text((*d)->name), text((*d)->vendor), text((*d)->model), text((*d)->type)});
    }
    return out;
}

void ReleaseSane() {
    if (g_saneReady && g_openDevices == 0) {
        sane_exit();
        g_saneReady = false;
    }
}

std::unique_ptr<TDataSource> OpenSaneSource(const std::string &name, TW_UINT32 id) {
    std::string label = name;
    for (const TSaneDeviceInfo &d : SaneDevices())
        if (d.name == name) label = d.vendor + " " + d.model + " (" + d.name + ")";
    SANE_Handle handle = nullptr;
    if (sane_open(name.c_str(), &handle) != SANE_STATUS_GOOD || !handle) return nullptr;
    return std::make_unique<TSaneSource>(handle, id, name, label);
}
