#pragma once
// TUpDown: a pair of arrow buttons bound to an edit. Each click reads the
// edit's text as the position (when it is a whole number), steps it by one
// within Min..Max (or wraps from one end to the other when Wrap is set) and
// writes it back into the edit, with thousands separators when Thousands is
// set ("1,234"), which fires the edit's text-changed handlers like typing.
#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
public:
    explicit TUpDown(QWidget *parent = nullptr);

    void SetAssociate(QLineEdit *edit) { associate_ = edit; }
    QLineEdit *Associate() const { return associate_; }
    int Min = 0;
    int Max = 100;
    bool Wrap = false;
    bool Thousands = true;
    int Position() const { return position_; }
    // Stores the position (kept within Min..Max) and writes it into the edit.
    void SetPosition(int value);
    void SetRange(int min, int max);
    // What a click on the up (true) or down (false) arrow does.
    void Click(bool up);
    QToolButton *UpButton() const { return up_; }
    QToolButton *DownButton() const { return down_; }

protected:
    void changeEvent(QEvent *event) override;

private:
    QString Text(int value) const;
    QLineEdit *associate_ = nullptr;
    QToolButton *up_;
    QToolButton *down_;
    int position_ = 0;
};
