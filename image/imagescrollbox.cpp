#include "image/imagescrollbox.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/registry.h"
#include "image/waitcursor.h"
#include "platform/core/finally.h"
#include "transforms/antialias.h"

namespace {

// Largest display copy kept in memory, in pixels (4 bytes each): a 300-dpi A4
// page at 200 % still fits; beyond it the exposed area is painted from the
// image at each paint.
constexpr qint64 kMaxDisplayPixels = 36'000'000;

// At actual size the copy keeps the image's own layout: its rows in top-down
// order (a page of 1 bit stays 1 MB instead of 35 MB of RGB32, and the copy
// is a row copy instead of a conversion). Qt converts only the painted part.
// Null for the 4-bit formats, which Qt has no layout for.
QImage ActualSizeCopy(const TDibGraphic &g)
{
    QImage::Format format;
    switch (g.BitmapInfo().bmiHeader.biBitCount) {
    case 1:
        format = QImage::Format_Mono;
        break;
    case 8:
        format = QImage::Format_Indexed8;
        break;
    case 24:
        format = QImage::Format_BGR888;
        break;
    default:
        return {};
    }
    QImage copy(g.Width(), g.Height(), format);
    if (copy.isNull())
        return {};
    if (format != QImage::Format_BGR888) {
        const TMaxLogPalette &pal = g.LogPalette();
        QList<QRgb> colours;
        for (int i = 0; i < pal.palNumEntries && i < 256; ++i)
            colours.append(qRgb(pal.palPalEntry[i].peRed, pal.palPalEntry[i].peGreen, pal.palPalEntry[i].peBlue));
        copy.setColorTable(colours);
    }
    const size_t rowBytes = size_t(std::min<qsizetype>(copy.bytesPerLine(), g.BytesPerLine()));
    for (int y = 0; y < g.Height(); ++y)
        std::memcpy(copy.scanLine(y), g.ScanLine(y), rowBytes);
    return copy;
}

int Scaled(int size, float zoom)
{
    return std::max(1, static_cast<int>(std::nearbyint(double(size) * double(zoom))));
}

} // namespace

TImageScrollBox::TImageScrollBox(QWidget *parent)
    : QAbstractScrollArea(parent), graphic_(std::make_unique<TDibGraphic>()), animationTimer_(new QTimer(this))
{
    animationTimer_->setSingleShot(true);
    connect(animationTimer_, &QTimer::timeout, this, [this] { AnimationStep(); });
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setBackgroundRole(QPalette::Dark);
}

TImageScrollBox::~TImageScrollBox() = default;

// ---------------------------------------------------------------- files

int TImageScrollBox::GetImageCount(const QString &fileName)
{
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    if (!GraphicClassForFile(fileName))
        return 1;
    std::unique_ptr<TDibGraphic> probe = CreateGraphicForFile(fileName);
    return probe->GetImageCount(stream);
}

void TImageScrollBox::LoadFromFile(const QString &fileName, int imageIndex)
{
    const bool wasAnimated = animated_;
    if (wasAnimated)
        SetAnimated(false);
    Finally resume([&] {
        if (wasAnimated)
            SetAnimated(true);
    });

    TFileStream stream(fileName, TFileStream::fmOpenRead);
    std::unique_ptr<TDibGraphic> loaded;
    if (GraphicClassForFile(fileName)) {
        loaded = CreateGraphicForFile(fileName);
        if (imageIndex != 0)
            loaded->ImageIndex = imageIndex;
        else
            loaded->LoadAllImages = true;
        loaded->LoadFromStream(stream);
    } else {
        QImageReader reader(fileName);
        const QImage picture = reader.read();
        if (picture.isNull())
            throw EInvalidGraphic(QStringLiteral("%1: %2").arg(fileName, reader.errorString()).toStdString());
        loaded = std::make_unique<TDibGraphic>();
        loaded->LoadFromQImage(picture);
    }
    graphic_ = std::move(loaded);
    Redraw(true);
}

void TImageScrollBox::SaveToStream(TStream &stream, const QString &extension)
{
    std::unique_ptr<TDibGraphic> writer = CreateGraphicForFile(extension);
    TWaitCursor wait;
    writer->Assign(graphic_.get());
    if (OnBeforeSave)
        OnBeforeSave(this, writer.get());
    writer->SaveToStream(stream);
}

void TImageScrollBox::Clear()
{
    graphic_->FreeImage();
    fileName_.clear();
    Redraw(true);
}

void TImageScrollBox::AssignGraphic(const TDibGraphic *source)
{
    graphic_->Assign(source);
    Redraw(true);
}

void TImageScrollBox::SetImageIndex(int index)
{
    graphic_->ShowFrame(index);
    Redraw(true);
}

void TImageScrollBox::SetFileName(const QString &name)
{
    fileName_ = name;
    if (!name.isEmpty()) {
        LoadFromFile(name, 1);
    } else {
        graphic_->FreeImage();
        Redraw(true);
    }
}

// ---------------------------------------------------------------- animation

void TImageScrollBox::SetAnimated(bool value)
{
    if (value == animated_)
        return;
    if (!value || ImageCount() <= 1) {
        animationTimer_->stop();
        animated_ = false;
        animationSize_ = {};
        Redraw(false);
        return;
    }
    animated_ = true;
    QSize largest;
    for (int n = 1; n <= ImageCount(); ++n) {
        const TDibGraphic &frame = graphic_->GetFrame(n);
        largest = largest.expandedTo(QSize(frame.Width(), frame.Height()));
    }
    animationSize_ = largest;
    Redraw(false);
    animationTimer_->start(std::max(1, graphic_->FrameDelay));
}

void TImageScrollBox::AnimationStep()
{
    if (ImageCount() < 2)
        return;
    animationTimer_->stop();
    Finally restart([this] {
        if (animated_)
            animationTimer_->start(std::max(1, graphic_->FrameDelay));
    });
    SetImageIndex(ImageIndex() >= ImageCount() ? 1 : ImageIndex() + 1);
}

// ---------------------------------------------------------------- display

void TImageScrollBox::Redraw(bool reprocess)
{
    if (reprocess) {
        BuildDisplaySource();
        displayZoom_ = -1; // the copy no longer matches the image
    }
    UpdateZoom(); // builds the copy again when the zoom changed
    if (displayZoom_ != zoom_)
        BuildDisplayCopy();
    UpdateScrollBars();
    viewport()->update();
    if (OnRedraw)
        OnRedraw(graphic_.get());
}

void TImageScrollBox::BuildDisplaySource()
{
    antiAliasedCopy_.reset();
    if (antiAliased_ && !graphic_->Empty() && graphic_->ImageFormat() == ifBlackWhite) {
        antiAliasedCopy_ = std::make_unique<TDibGraphic>();
        TAntiAliasTransform().ApplyOnDest(*graphic_, *antiAliasedCopy_);
    }
}

QSize TImageScrollBox::ContentSize() const
{
    if (graphic_->Empty())
        return {};
    QSize size(graphic_->Width(), graphic_->Height());
    if (animated_ && animationSize_.isValid())
        size = size.expandedTo(animationSize_);
    return {Scaled(size.width(), zoom_), Scaled(size.height(), zoom_)};
}

void TImageScrollBox::UpdateZoom()
{
    float zoom = 1.0f;
    Qt::ScrollBarPolicy horizontal = Qt::ScrollBarAsNeeded, vertical = Qt::ScrollBarAsNeeded;
    if (!graphic_->Empty()) {
        // The area with no scroll bars; fit modes decide the bars themselves,
        // so the zoom does not swing when a bar comes and goes.
        const QSize area = maximumViewportSize();
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        const float w = float(graphic_->Width()), h = float(graphic_->Height());
        const float aw = float(std::max(1, area.width())), ah = float(std::max(1, area.height()));
        switch (zoomMode_) {
        case zmOriginalSize:
            zoom = 1.0f;
            break;
        case zmPercent:
            zoom = zoomPercent_ / 100.0f;
            break;
        case zmFullPage:
        case zmFitToPage:
            zoom = std::min(aw / w, ah / h);
            if (zoomMode_ == zmFitToPage)
                zoom = std::min(zoom, 1.0f);
            horizontal = vertical = Qt::ScrollBarAlwaysOff;
            break;
        case zmFitWidth:
            zoom = aw / w;
            if (h * zoom > ah)
                zoom = std::max(1.0f, aw - float(bar)) / w;
            horizontal = Qt::ScrollBarAlwaysOff;
            break;
        case zmFitHeight:
            zoom = ah / h;
            if (w * zoom > aw)
                zoom = std::max(1.0f, ah - float(bar)) / h;
            vertical = Qt::ScrollBarAlwaysOff;
            break;
        }
    }
    setHorizontalScrollBarPolicy(horizontal);
    setVerticalScrollBarPolicy(vertical);
    if (zoom != zoom_) {
        zoom_ = zoom;
        displayZoom_ = -1;
        BuildDisplayCopy();
        if (OnZoomChange)
            OnZoomChange(this, Zoom());
    }
}

void TImageScrollBox::BuildDisplayCopy()
{
    display_ = QImage();
    displayZoom_ = zoom_;
    TDibGraphic *source = antiAliasedCopy_ ? antiAliasedCopy_.get() : graphic_.get();
    if (source->Empty())
        return;
    if (zoom_ == 1.0f) {
        display_ = ActualSizeCopy(*source);
        if (!display_.isNull()) {
            ++displayBuilds_;
            return;
        }
    }
    const int w = Scaled(source->Width(), zoom_);
    const int h = Scaled(source->Height(), zoom_);
    if (qint64(w) * h > kMaxDisplayPixels)
        return;
    display_ = QImage(w, h, QImage::Format_RGB32);
    display_.fill(Qt::white);
    QPainter painter(&display_);
    source->Draw(painter, QRect(0, 0, w, h));
    ++displayBuilds_;
}

void TImageScrollBox::UpdateScrollBars()
{
    const QSize content = ContentSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - view.width()));
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, std::max(0, content.height() - view.height()));
    verticalScrollBar()->setPageStep(std::max(1, view.height()));
    verticalScrollBar()->setSingleStep(20);
}

QRect TImageScrollBox::ImageRectInViewport() const
{
    if (graphic_->Empty())
        return {};
    const QSize content = ContentSize();
    const QSize view = viewport()->size();
    int x = -horizontalScrollBar()->value();
    int y = -verticalScrollBar()->value();
    if (centered_) {
        if (content.width() < view.width())
            x = (view.width() - content.width()) / 2;
        if (content.height() < view.height())
            y = (view.height() - content.height()) / 2;
    }
    const TDibGraphic *shown = graphic_.get();
    return {x, y, Scaled(shown->Width(), zoom_), Scaled(shown->Height(), zoom_)};
}

void TImageScrollBox::SetZoomMode(TZoomMode mode)
{
    zoomMode_ = mode;
    Redraw(false);
}

void TImageScrollBox::SetZoomPercent(float percent)
{
    if (percent <= 0.1f || graphic_->Empty())
        return;
    zoomPercent_ = percent;
    zoomMode_ = zmPercent;
    Redraw(false);
}

void TImageScrollBox::SetAntiAliased(bool value)
{
    if (value == antiAliased_)
        return;
    antiAliased_ = value;
    Redraw(true);
}

void TImageScrollBox::SetCentered(bool value)
{
    centered_ = value;
    viewport()->update();
}

void TImageScrollBox::SetMouseMode(TMouseMode mode)
{
    mouseMode_ = mode;
    if (rubberBand_)
        rubberBand_->hide();
}

void TImageScrollBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    painter.fillRect(exposed, palette().color(QPalette::Dark));
    const QRect image = ImageRectInViewport();
    const QRect part = exposed & image;
    if (part.isEmpty())
        return;
    if (!display_.isNull()) {
        painter.drawImage(part.topLeft(), display_, part.translated(-image.topLeft()));
        return;
    }
    // A magnification too big to keep: stretch the exposed part only.
    painter.setClipRect(part);
    TDibGraphic *source = antiAliasedCopy_ ? antiAliasedCopy_.get() : graphic_.get();
    source->Draw(painter, image);
}

void TImageScrollBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateZoom();
    UpdateScrollBars();
}

void TImageScrollBox::scrollContentsBy(int, int) { viewport()->update(); }

// ---------------------------------------------------------------- mouse

QPoint TImageScrollBox::ImagePoint(const QPoint &viewportPoint) const
{
    const QRect image = ImageRectInViewport();
    const QPoint p = viewportPoint - image.topLeft();
    return {int(std::floor(p.x() / double(zoom_))), int(std::floor(p.y() / double(zoom_)))};
}

QRect TImageScrollBox::SelectionInImage() const
{
    if (!rubberBand_)
        return {};
    const QRect band = rubberBand_->geometry();
    const QPoint a = ImagePoint(band.topLeft());
    const QPoint b = ImagePoint(band.bottomRight() + QPoint(1, 1));
    const QRect bounds(0, 0, graphic_->Width(), graphic_->Height());
    return QRect(a, b - QPoint(1, 1)).normalized() & bounds;
}

void TImageScrollBox::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !graphic_->Empty()) {
        switch (mouseMode_) {
        case mmDrag:
            dragging_ = true;
            dragStart_ = pos;
            scrollStart_ = {horizontalScrollBar()->value(), verticalScrollBar()->value()};
            viewport()->setCursor(Qt::ClosedHandCursor);
            break;
        case mmQuickSelect:
        case mmRubberBand:
            if (!rubberBand_)
                rubberBand_ = new QRubberBand(QRubberBand::Rectangle, viewport());
            selectStart_ = pos;
            rubberBand_->setGeometry(QRect(pos, QSize()));
            rubberBand_->show();
            dragging_ = true;
            break;
        case mmNone:
            break;
        }
    }
    if (OnImageMouseDown) {
        const QPoint p = ImagePoint(pos);
        OnImageMouseDown(event, p.x(), p.y());
    }
}

void TImageScrollBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (dragging_) {
        if (mouseMode_ == mmDrag) {
            const QPoint moved = pos - dragStart_;
            horizontalScrollBar()->setValue(scrollStart_.x() - moved.x());
            verticalScrollBar()->setValue(scrollStart_.y() - moved.y());
        } else if (rubberBand_) {
            rubberBand_->setGeometry(QRect(selectStart_, pos).normalized());
            if (mouseMode_ == mmRubberBand && OnRubberbandChange)
                OnRubberbandChange(SelectionInImage());
        }
    }
    if (OnImageMouseMove) {
        const QPoint p = ImagePoint(pos);
        OnImageMouseMove(event, p.x(), p.y());
    }
}

void TImageScrollBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        viewport()->unsetCursor();
        if (mouseMode_ == mmQuickSelect && rubberBand_) {
            rubberBand_->setGeometry(QRect(selectStart_, pos).normalized());
            const QRect rect = SelectionInImage();
            rubberBand_->hide();
            if (!rect.isEmpty() && OnQuickSelect)
                OnQuickSelect(this, graphic_.get(),
                              QRect(rect.left(), rect.top(), rect.width(), rect.height()));
        }
    }
    if (OnImageMouseUp) {
        const QPoint p = ImagePoint(pos);
        OnImageMouseUp(event, p.x(), p.y());
    }
}
