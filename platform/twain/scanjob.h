#pragma once
// One page read from a SANE device on a worker thread, so the user-interface
// thread keeps painting while the scanner works. The owner is told through
// `notify` (called on the worker) when sane_start has answered and again when
// the page is complete; it then reads the results on its own thread.
#include <sane/sane.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct TScannedPage {
    SANE_Parameters params{};
    std::vector<uint8_t> data;
    double xDpi = 0, yDpi = 0;
};

class TScanJob {
public:
    TScanJob(SANE_Handle handle, double xDpi, double yDpi, std::function<void()> notify);
    ~TScanJob();  // cancels a page still being read and waits for the worker
    TScanJob(const TScanJob &) = delete;
    TScanJob &operator=(const TScanJob &) = delete;

    bool Started() const { return started_.load(); }
    bool Finished() const { return finished_.load(); }
    // Valid once Started(): what sane_start answered.
    SANE_Status StartStatus() const { return startStatus_; }
    // Valid once Finished(): the outcome of the whole page.
    SANE_Status Status() const { return status_; }
    const TScannedPage &Page() const { return page_; }
    // Blocks until the next change of state (for callers without an event loop).
    void WaitForChange();
    void Cancel();

    // Pages larger than this are refused instead of exhausting memory.
    static constexpr size_t kMaxPageBytes = size_t(1) << 30;

private:
    void Run();
    void Signal(std::atomic<bool> &flag);

    SANE_Handle handle_;
    std::function<void()> notify_;
    std::atomic<bool> started_{false}, finished_{false}, cancelled_{false};
    SANE_Status startStatus_ = SANE_STATUS_GOOD, status_ = SANE_STATUS_GOOD;
    TScannedPage page_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread worker_;
};
