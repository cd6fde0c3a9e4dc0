#pragma once
// The SANE data source's own window: the device, its mode, resolution and
// paper source, a status line, Scan and Cancel. It is modeless (the
// application's message loop keeps running); the source reacts through the
// callbacks. Closing the window counts as Cancel.
#include <functional>
#include <memory>
#include <string>

class QDialog;
class TSaneOptions;

class TSaneDialog {
public:
    struct Callbacks {
        std::function<void()> scan;    // settings are already applied
        std::function<void()> cancel;
    };
    TSaneDialog(const std::string &deviceLabel, TSaneOptions &options, Callbacks callbacks);
    ~TSaneDialog();

    void Show();
    void SetBusy(bool busy);
    void SetStatus(const std::string &text);
    // The window, for tests that press its buttons.
    QDialog *Window() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
