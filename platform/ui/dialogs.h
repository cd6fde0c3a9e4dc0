#pragma once
// Message boxes and the one-line input dialog of the filing windows.
// Every box of the program goes through here, so a test can answer it by
// installing a handler (SetMessageHandler / SetInputHandler) and see the exact
// type, caption, text and buttons the user would have seen.
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

enum TMsgDlgType { mtPlain, mtInformation, mtWarning, mtError, mtConfirmation };
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

struct TMessageRequest {
    TMsgDlgType type;
    QString caption;
    QString text;
    std::vector<TModalResult> buttons;
};

struct TInputRequest {
    QString caption;
    QString prompt;
    QString text;   // offered text
};

using TMessageHandler = std::function<TModalResult(const TMessageRequest &)>;
using TInputHandler = std::function<std::optional<QString>(const TInputRequest &)>;

// Replaces the real boxes (pass nullptr to restore them).
void SetMessageHandler(TMessageHandler handler);
void SetInputHandler(TInputHandler handler);

// Shows a box and returns the button chosen (mrCancel/mrNo when closed by Esc).
TModalResult MessageDlg(const QString &text, TMsgDlgType type, const std::vector<TModalResult> &buttons,
                        const QString &caption = {});
// A plain box with OK only and no icon.
void ShowMessage(const QString &text);
// The one-line input dialog; false when cancelled, value holds the typed text on OK.
bool InputQuery(const QString &caption, const QString &prompt, QString &value);
// The application's standard error box (caption "Borvane").
void ShowErrorBox(const QString &text);
