#pragma once
// The main window: cabinets on the left, the folders of the current cabinet
// on the right.
#include <QMainWindow>

class TMainForm : public QMainWindow {
public:
    // programFolder: where TAMBRA.GDB and the temporary files lie (with its
    // trailing separator).
    explicit TMainForm(const QString &programFolder, QWidget *parent = nullptr);
    ~TMainForm() override;

    void FormShow();
    void FormDestroy();

    QString ProgramFolder() const { return programFolder_; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    QString programFolder_;
    bool shown_ = false;
};
