#pragma once
// The picture-open dialog: a file dialog whose filter lists every registered
// picture format (an entry for all of them first), with a preview of the
// selected file beside the list.
#include <QFileDialog>

class QLabel;

class TOpenPictureDialog : public QFileDialog {
public:
    explicit TOpenPictureDialog(QWidget *parent = nullptr);
    QLabel *Preview() const { return preview_; }

private:
    void ShowPreview(const QString &fileName);
    QLabel *preview_;
};
