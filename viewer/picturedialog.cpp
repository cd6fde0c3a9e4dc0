#include "viewer/picturedialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QPainter>

#include "image/registry.h"

namespace {
constexpr int kPreviewSize = 160;

// The first image of a file, scaled into the preview square; null when it
// cannot be read.
QImage PreviewImage(const QString &fileName)
{
    QImage picture;
    try {
        if (GraphicClassForFile(fileName)) {
            std::unique_ptr<TDibGraphic> g = CreateGraphicForFile(fileName);
            g->LoadFromFile(fileName);
            if (g->Empty())
                return {};
            const QSize size = QSize(g->Width(), g->Height()).scaled(kPreviewSize, kPreviewSize, Qt::KeepAspectRatio);
            picture = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
            picture.fill(Qt::white);
            QPainter painter(&picture);
            g->Draw(painter, picture.rect());
        } else {
            QImageReader reader(fileName);
            picture = reader.read();
            if (!picture.isNull())
                picture = picture.scaled(kPreviewSize, kPreviewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
    } catch (const std::exception &) {
        return {};
    }
    return picture;
}
} // namespace

TOpenPictureDialog::TOpenPictureDialog(QWidget *parent) : QFileDialog(parent), preview_(new QLabel)
{
    setObjectName(QStringLiteral("OpenPictureDialog"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilter(GraphicFilter());
    setWindowTitle(QStringLiteral("Open"));

    preview_->setObjectName(QStringLiteral("Preview"));
    preview_->setFixedSize(kPreviewSize + 8, kPreviewSize + 8);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setFrameShape(QFrame::StyledPanel);
    if (auto *grid = qobject_cast<QGridLayout *>(layout()))
        grid->addWidget(preview_, 1, grid->columnCount(), 1, 1);
    connect(this, &QFileDialog::currentChanged, this, [this](const QString &path) { ShowPreview(path); });
}

void TOpenPictureDialog::ShowPreview(const QString &fileName)
{
    const QImage picture = QFileInfo(fileName).isFile() ? PreviewImage(fileName) : QImage();
    if (picture.isNull()) {
        preview_->setPixmap({});
        preview_->setText(QStringLiteral("(None)"));
    } else {
        preview_->setPixmap(QPixmap::fromImage(picture));
    }
}
