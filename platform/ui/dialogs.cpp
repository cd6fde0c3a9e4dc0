#include "platform/ui/dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
TMessageHandler &messageHandler() {
    static TMessageHandler h;
    return h;
}
TInputHandler &inputHandler() {
    static TInputHandler h;
    return h;
}

QString defaultCaption(TMsgDlgType type) {
    switch (type) {
    case mtInformation: return QStringLiteral("Information");
    case mtWarning: return QStringLiteral("Warning");
    case mtError: return QStringLiteral("Error");
    case mtConfirmation: return QStringLiteral("Confirm");
    case mtPlain: break;
    }
    return QApplication::applicationDisplayName().isEmpty() ? QStringLiteral("Borvane")
                                                            : QApplication::applicationDisplayName();
}
}  // namespace

void SetMessageHandler(TMessageHandler handler) { messageHandler() = std::move(handler); }
void SetInputHandler(TInputHandler handler) { inputHandler() = std::move(handler); }

TModalResult MessageDlg(const QString &text, TMsgDlgType type, const std::vector<TModalResult> &buttons,
                        const QString &caption) {
    TMessageRequest req{type, caption.isEmpty() ? defaultCaption(type) : caption, text, buttons};
    if (messageHandler()) return messageHandler()(req);
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(req.caption);
    box.setText(text);
    switch (type) {
    case mtInformation: box.setIcon(QMessageBox::Information); break;
    case mtWarning: box.setIcon(QMessageBox::Warning); break;
    case mtError: box.setIcon(QMessageBox::Critical); break;
    case mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case mtPlain: box.setIcon(QMessageBox::NoIcon); break;
    }
    std::vector<std::pair<QAbstractButton *, TModalResult>> map;
    for (TModalResult b : buttons) {
        QMessageBox::StandardButton sb = b == mrYes ? QMessageBox::Yes
                                       : b == mrNo  ? QMessageBox::No
                                       : b == mrCancel ? QMessageBox::Cancel
                                                      : QMessageBox::Ok;
        map.emplace_back(box.addButton(sb), b);
    }
    if (map.empty()) map.emplace_back(box.addButton(QMessageBox::Ok), mrOk);
    box.exec();
    for (auto &[btn, r] : map)
        if (box.clickedButton() == btn) return r;
    // Closed by Esc or the frame.
    for (TModalResult r : buttons)
        if (r == mrCancel || r == mrNo) return r;
    return buttons.size() == 1 ? buttons[0] : mrCancel;
}

void ShowMessage(const QString &text) { MessageDlg(text, mtPlain, {mrOk}); }

bool InputQuery(const QString &caption, const QString &prompt, QString &value) {
    TInputRequest req{caption, prompt, value};
    if (inputHandler()) {
        std::optional<QString> r = inputHandler()(req);
        if (!r) return false;
        value = *r;
        return true;
    }
    bool ok = false;
    QString text = QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal,
                                         value, &ok);
    if (ok) value = text;
    return ok;
}

void ShowErrorBox(const QString &text) { MessageDlg(text, mtError, {mrOk}, QStringLiteral("Borvane")); }
