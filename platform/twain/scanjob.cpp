#include "platform/twain/scanjob.h"

#include <algorithm>

TScanJob::TScanJob(SANE_Handle handle, double xDpi, double yDpi, std::function<void()> notify)
    : handle_(handle), notify_(std::move(notify)) {
    page_.xDpi = xDpi;
    page_.yDpi = yDpi;
    worker_ = std::thread([this] { Run(); });
}

TScanJob::~TScanJob() {
    if (!finished_) Cancel();
    if (worker_.joinable()) worker_.join();
}

void TScanJob::Cancel() {
    cancelled_ = true;
    // sane_cancel may be called while another thread is inside sane_read.
    sane_cancel(handle_);
}

void TScanJob::Signal(std::atomic<bool> &flag) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        flag = true;
    }
    changed_.notify_all();
    if (notify_) notify_();
}

void TScanJob::WaitForChange() {
    std::unique_lock<std::mutex> lock(mutex_);
    const bool wasStarted = started_, wasFinished = finished_;
    changed_.wait(lock, [&] { return started_ != wasStarted || finished_ != wasFinished || finished_; });
}

namespace {
// The frames Borvane turns into bitmaps: one-pass grey or colour at 1, 8 or 16 bits.
bool Supported(const SANE_Parameters &p) {
    if (!p.last_frame || p.pixels_per_line <= 0 || p.bytes_per_line <= 0) return false;
    if (p.format == SANE_FRAME_GRAY) return p.depth == 1 || p.depth == 8 || p.depth == 16;
    if (p.format == SANE_FRAME_RGB) return p.depth == 8 || p.depth == 16;
    return false;
}
}  // namespace

void TScanJob::Run() {
    startStatus_ = cancelled_ ? SANE_STATUS_CANCELLED : sane_start(handle_);
    Signal(started_);
    if (startStatus_ != SANE_STATUS_GOOD) {
        status_ = startStatus_;
        Signal(finished_);
        return;
    }
    SANE_Status status = sane_get_parameters(handle_, &page_.params);
    if (status == SANE_STATUS_GOOD && !Supported(page_.params)) status = SANE_STATUS_UNSUPPORTED;
    constexpr size_t kSlice = 256 * 1024;
    const size_t lineBytes = static_cast<size_t>(page_.params.bytes_per_line);
    if (status == SANE_STATUS_GOOD && page_.params.lines > 0) {
        if (static_cast<size_t>(page_.params.lines) > kMaxPageBytes / lineBytes)
            status = SANE_STATUS_NO_MEM;
        else
            page_.data.reserve(lineBytes * static_cast<size_t>(page_.params.lines) + kSlice);
    }
    while (status == SANE_STATUS_GOOD) {
        if (cancelled_) {
            status = SANE_STATUS_CANCELLED;
            break;
        }
        const size_t used = page_.data.size();
        if (used + kSlice > kMaxPageBytes) {
            status = SANE_STATUS_NO_MEM;
            break;
        }
        page_.data.resize(used + kSlice);
        SANE_Int got = 0;
        status = sane_read(handle_, page_.data.data() + used, static_cast<SANE_Int>(kSlice), &got);
        page_.data.resize(used + (status == SANE_STATUS_GOOD ? static_cast<size_t>(std::max<SANE_Int>(got, 0)) : 0));
    }
    if (status == SANE_STATUS_EOF) status = SANE_STATUS_GOOD;
    if (status == SANE_STATUS_GOOD && page_.data.size() < lineBytes) status = SANE_STATUS_IO_ERROR;
    status_ = status;
    Signal(finished_);
}
