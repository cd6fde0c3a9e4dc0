#pragma once
// TViewForm: the page viewer. It shows the pages of the folder that is
// current in dmCenter's DocumentTable one at a time, and is where pages are
// inserted, opened from files, scanned, pasted, stored as BMP data, deleted
// and printed. The main window creates one per opening and runs it modally:
//
//   TViewForm viewer(programFolder);     // shows the folder's first page
//   viewer.exec();
//
// Pages travel between their row and the view through the file "temp.BMP"
// in the program's folder, which lives until the window is destroyed.
// While the window exists it owns the application's idle slot, in which it
// enables its commands: opening, scanning, storing and the Image menu need
// the page row in editing or inserting; copy, paste and print work always.
#include <QDialog>
#include <QStringList>

#include <memory>

#include "image/dibgraphic.h"
#include "platform/db/database.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QToolButton;
class TDBNavigator;
class TImageScrollBox;
class TImageTransform;
class TPrinter;
class TScanner;
class TUpDown;

class TViewForm : public QDialog {
public:
    // programFolder: where "temp.BMP" goes and the scanner's source manager
    // lies (with its trailing separator). arguments: the program's command
    // line; a first argument whose extension has a graphic class is opened.
    // printer: what Print and Print Setup use.
    explicit TViewForm(const QString &programFolder, QWidget *parent = nullptr,
                       const QStringList &arguments = DefaultArguments(), TPrinter *printer = nullptr);
    ~TViewForm() override; // FormDestroy

    static QStringList DefaultArguments();

    // ---- members
    QString TempFileName;
    QString PageFileName;
    std::unique_ptr<TDibGraphic> UndoGraphic;
    std::unique_ptr<TScanner> Scanner;
    TDataSource ImageFileDS;

    // ---- tool panel
    QWidget *Panel1;
    QToolButton *OpenBtn, *SaveBtn, *PrintBtn, *ScanBtn, *CopyBtn, *PasteBtn;
    QLabel *ZoomLbl;
    QLineEdit *ZoomEdit;
    TUpDown *ZoomUpDown;
    QLabel *PageLbl;
    QLineEdit *PageEdit;
    TUpDown *PageUpDown;
    QProgressBar *ProgressBar;
    QLabel *XLbl, *ByLbl, *YLbl;
    TDBNavigator *wwDBNavigator1;
    TImageScrollBox *ImageScrollBox;

    // ---- menu
    QMenuBar *MainMenu;
    QMenu *FileMenu, *EditMenu, *ViewMenu, *ImageMenu;
    QAction *OpenMenu, *SaveMenu, *PrintMenu, *PrintSetupMenu, *ScanMenu, *SelectScannerMenu, *ExitMenu;
    QAction *UndoMenu, *CopyMenu, *PasteMenu;
    QAction *AntiAliasedMenu, *CenteredMenu, *DragMenu, *SelectMenu, *ActualSizeMenu, *FullPageMenu,
        *FitWidthMenu, *FitHeightMenu, *AnimatedMenu;
    QMenu *MouseModeMenu, *RotateMenu, *FlipMenu, *BrightnessMenu, *ContrastMenu;
    QAction *Rotate90Menu, *Rotate180Menu, *Rotate270Menu, *RotateArbitraryMenu;
    QAction *FlipHorizontalMenu, *FlipVerticalMenu, *NegativeMenu, *CropMenu, *SharpenMenu, *SmoothMenu;
    QAction *IncreaseBrightnessMenu, *DecreaseBrightnessMenu, *IncreaseContrastMenu, *DecreaseContrastMenu;
    QAction *EdgeDetectionMenu, *EmbossMenu, *GammaMenu, *ConvertToGrayMenu, *FormatConversionMenu, *ResizeMenu;

    // ---- pages
    void ShowPageImage();
    void StorePageImage();
    void OpenImageFile(const QString &fileName);
    void ImageFileDSDataChange(TField *field);

    // ---- navigator handlers (run before the navigator's own action)
    void wwDBNavigator1InsertClick(bool &abort);
    void wwDBNavigator1DeleteClick(bool &abort);
    void wwDBNavigator1PostClick(bool &abort);

    // ---- idle, zoom, pages, sizes, progress, closing
    void ApplicationIdle(bool &done);
    void ZoomEditChange();
    void ImageScrollBoxZoomChange(float zoom);
    void PageEditChange();
    void ImageScrollBoxRedraw(TDibGraphic *graphic);
    void TransformProgress(TImageTransform *sender, uint8_t percentDone);
    // True when the window may close (asks while the page is being edited).
    bool FormCloseQuery();

    // ---- File, Edit and View commands
    void OpenMenuClick();
    void SaveMenuClick();
    void PrintMenuClick();
    void PrintSetupMenuClick();
    void ScanMenuClick();
    void ScannerImage(HGLOBAL hDib, uint16_t xResolution, void *userData, uint16_t yResolution);
    void SelectScannerMenuClick();
    void ExitMenuClick();
    void UndoMenuClick();
    void CopyMenuClick();
    void PasteMenuClick();
    void AntiAliasedMenuClick();
    void CenteredMenuClick();
    void DragMenuClick();
    void SelectMenuClick();
    void ActualSizeMenuClick();
    void FullPageMenuClick();
    void FitWidthMenuClick();
    void FitHeightMenuClick();
    void AnimatedMenuClick();

    // Whether the page row is being edited or inserted into.
    bool Editing() const;

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildPanel();
    void BuildMenu();
    void FormCreate(const QStringList &arguments);
    void RegisterViewerFormats();

    QString programFolder_;
    TPrinter *printer_;
    bool zoomEditAttached_ = true;
    bool pageEditAttached_ = true;
};

// Makes the main window open this viewer for folders of page images.
class TMainForm;
void InstallPageViewer(TMainForm &mainForm);
