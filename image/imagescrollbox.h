#pragma once
// TImageScrollBox: the scrolling view that owns and shows one image.
//
// It performs every image-file operation the page viewer needs: counting the
// images of a file, loading one or all of them through the class the registry
// gives for the file's extension, writing the shown image in the format of an
// extension (how a page becomes BMP data), paging and animating the images
// held in memory. On screen it shows Graphic at a zoom (actual size, full
// page, fit width/height, a percentage), optionally centred and, for
// black-and-white images, anti-aliased; the mouse drags the image, selects a
// rectangle or draws a rubber band.
//
//   TImageScrollBox view(parent);
//   view.OnZoomChange = [](TImageScrollBox *, float percent) { ... };
//   view.LoadFromFile("scan.tif", 0);      // every image into memory
//   view.SetZoomMode(zmFullPage);
//   TMemoryStream page; view.SaveToStream(page, "BMP");
//
// Painting repaints only the exposed area from a display copy built once for
// the current zoom and image (rebuilt by Redraw(true) and zoom changes). Very
// large magnifications, whose copy would not fit in memory, are painted from
// the image for the exposed area only.
#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

#include "image/dibgraphic.h"

class QRubberBand;
class QTimer;
class QMouseEvent;

enum TZoomMode { zmOriginalSize, zmFullPage, zmFitWidth, zmFitHeight, zmPercent, zmFitToPage };
enum TMouseMode { mmDrag = 0, mmQuickSelect = 1, mmRubberBand = 2, mmNone = 3 };

class TImageScrollBox : public QAbstractScrollArea {
public:
    explicit TImageScrollBox(QWidget *parent = nullptr);
    ~TImageScrollBox() override;

    // ---- the image and its files
    // The shown image; never null (empty when nothing is shown). Loads replace
    // the object, so do not keep the pointer across them.
    TDibGraphic *Graphic() const { return graphic_.get(); }
    // Number of images in a file; 1 without reading for an extension no class
    // is registered for. A missing file raises EFOpenError.
    int GetImageCount(const QString &fileName);
    // imageIndex 0 loads every image into memory (frames), n >= 1 image n.
    // Unregistered extensions go through Qt's own readers. On failure Graphic
    // is unchanged; animation is suspended meanwhile and resumed either way.
    void LoadFromFile(const QString &fileName, int imageIndex);
    // Writes Graphic in the format registered for extension ("BMP" or ".bmp").
    void SaveToStream(TStream &stream, const QString &extension);
    void Clear();
    void AssignGraphic(const TDibGraphic *source);
    // Images held in memory: 0 after a single-image load.
    int ImageCount() const { return graphic_->FrameCount(); }
    int ImageIndex() const { return graphic_->CurrentFrame(); }
    // Shows frame index (1-based); raises "Frame %d does not exist".
    void SetImageIndex(int index);
    const QString &FileName() const { return fileName_; }
    // A non-empty name loads image 1; an empty one empties the view.
    void SetFileName(const QString &name);
    bool Animated() const { return animated_; }
    void SetAnimated(bool value);

    // Rebuilds the display from Graphic (reprocess: the image itself changed)
    // and ends with OnRedraw.
    void Redraw(bool reprocess);

    // ---- display
    TZoomMode ZoomMode() const { return zoomMode_; }
    void SetZoomMode(TZoomMode mode);
    float ZoomPercent() const { return zoomPercent_; }
    // Switches to zmPercent; 0.1 or less, or any value while Graphic is empty,
    // is ignored.
    void SetZoomPercent(float percent);
    // The zoom in effect, in percent (100 = actual size).
    float Zoom() const { return zoom_ * 100.0f; }
    bool AntiAliased() const { return antiAliased_; }
    void SetAntiAliased(bool value);
    bool Centered() const { return centered_; }
    void SetCentered(bool value);
    TMouseMode MouseMode() const { return mouseMode_; }
    void SetMouseMode(TMouseMode mode);

    // Where the image lies in the viewport (scrolling and centring applied).
    QRect ImageRectInViewport() const;
    // The display copy for the current zoom (null when painted from the image).
    const QImage &DisplayCopy() const { return display_; }
    // How many times the display copy was built (for tests and benchmarks).
    int DisplayBuilds() const { return displayBuilds_; }

    // ---- events
    std::function<void(TImageScrollBox *sender, TDibGraphic *graphic)> OnBeforeSave;
    std::function<void(TDibGraphic *graphic)> OnRedraw;
    std::function<void(TImageScrollBox *sender, float zoom)> OnZoomChange;
    // Rect in image pixels, right and bottom exclusive.
    std::function<void(TImageScrollBox *sender, TDibGraphic *graphic, const QRect &rect)> OnQuickSelect;
    std::function<void(const QRect &rect)> OnRubberbandChange;
    // Mouse events over the view with the point in image pixels.
    using TImageMouseEvent = std::function<void(QMouseEvent *event, int x, int y)>;
    TImageMouseEvent OnImageMouseMove, OnImageMouseDown, OnImageMouseUp;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void UpdateZoom();
    void BuildDisplaySource();
    void BuildDisplayCopy();
    void UpdateScrollBars();
    QSize ContentSize() const;
    QPoint ImagePoint(const QPoint &viewportPoint) const;
    QRect SelectionInImage() const;
    void AnimationStep();

    std::unique_ptr<TDibGraphic> graphic_;
    // What is shown: Graphic itself, or its anti-aliased copy.
    std::unique_ptr<TDibGraphic> antiAliasedCopy_;
    QString fileName_;
    QImage display_;
    double displayZoom_ = -1;
    int displayBuilds_ = 0;

    TZoomMode zoomMode_ = zmOriginalSize;
    float zoomPercent_ = 100.0f;
    float zoom_ = 1.0f;
    bool antiAliased_ = false;
    bool centered_ = false;
    TMouseMode mouseMode_ = mmDrag;

    bool animated_ = false;
    QTimer *animationTimer_;
    QSize animationSize_;

    bool dragging_ = false;
    QPoint dragStart_;
    QPoint scrollStart_;
    QRubberBand *rubberBand_ = nullptr;
    QPoint selectStart_;
};
