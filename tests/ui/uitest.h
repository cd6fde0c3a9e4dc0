#pragma once
// Helpers for widget tests: an offscreen QApplication for the whole program,
// a program folder with a fresh TAMBRA.GDB, a recorder that answers message
// boxes and input dialogs through the program's seam, and a way to act on the
// next modal window (password prompt, folder dialog, search dialog).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/dialogs.h"
#include "tests/support/tempdb.h"

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char arg0[] = "borvane-test";
        static char *argv[] = {arg0, nullptr};
        if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment *const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// A program folder (with its trailing separator) holding an empty filing store.
using TestFolder = TempProgramFolder;

// Answers every box and input dialog and keeps what was asked.
class BoxRecorder {
public:
    BoxRecorder() {
        SetMessageHandler([this](const TMessageRequest &r) {
            boxes.push_back(r);
            if (answers.empty()) return r.buttons.empty() ? mrOk : r.buttons.front();
            TModalResult a = answers.front();
            answers.pop_front();
            return a;
        });
        SetInputHandler([this](const TInputRequest &r) -> std::optional<QString> {
            inputs.push_back(r);
            if (inputAnswers.empty()) return std::nullopt;
            std::optional<QString> a = inputAnswers.front();
            inputAnswers.pop_front();
            return a;
        });
    }
    ~BoxRecorder() {
        SetMessageHandler(nullptr);
        SetInputHandler(nullptr);
    }
    std::vector<TMessageRequest> boxes;
    std::deque<TModalResult> answers;         // none left: the first button
    std::vector<TInputRequest> inputs;
    std::deque<std::optional<QString>> inputAnswers;   // none left: Cancel
};

// Runs fn on the next modal window that comes up (other than the one up now).
// The watch ends with owner, so a window that never comes up is not awaited
// past the test.
inline void WhenModal(QObject *owner, std::function<void(QWidget *)> fn) {
    QPointer<QWidget> outer = QApplication::activeModalWidget();
    auto *timer = new QTimer(owner);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, outer, fn = std::move(fn)] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w == outer.data() || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        QApplication::setActiveWindow(w);
        fn(w);
    });
    timer->start();
}

inline int CountRows(TIBDatabase &db, const QString &sql) {
    TIBQuery q(&db);
    q.SelectSQL = sql;
    q.Open();
    int n = static_cast<int>(q.Fields().front()->AsInteger());
    q.Close();
    return n;
}
