#include "viewer/viewform.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "app/dmcenter.h"
#include "app/mainform.h"
#include "formats/bitmapgraphic.h"
#include "formats/icongraphic.h"
#include "formats/metafile/metafilegraphic.h"
#include "image/imagescrollbox.h"
#include "image/registry.h"
#include "image/waitcursor.h"
#include "platform/ui/dbnavigator.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/guard.h"
#include "platform/ui/idleslot.h"
#include "print/printer.h"
#include "print/updown.h"
#include "platform/core/finally.h"
#include "scan/scanner.h"

namespace {

const char *const kNoPage = "ไม่มีเอกสารใดให้จัดเก็บ";

QToolButton *ToolButton(QWidget *parent, const char *name, const char *hint, const char *icon)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true); // flat
    b->setToolTip(QString::fromLatin1(hint));
    b->setIcon(QIcon(QStringLiteral(":/viewer/%1-symbolic.svg").arg(QString::fromLatin1(icon))));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLabel *Label(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

QStringList TViewForm::DefaultArguments()
{
    return QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList();
}

TViewForm::TViewForm(const QString &programFolder, QWidget *parent, const QStringList &arguments, TPrinter *printer)
    : QDialog(parent), programFolder_(programFolder), printer_(printer ? printer : &Printer())
{
    Q_INIT_RESOURCE(viewer);
    setObjectName(QStringLiteral("ViewForm"));
    setWindowTitle(QStringLiteral("Image Viewer"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowState(Qt::WindowMaximized);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(13);
    setFont(f);

    ImageScrollBox = new TImageScrollBox(this);
    ImageScrollBox->setObjectName(QStringLiteral("ImageScrollBox"));
    ImageScrollBox->SetZoomMode(zmPercent); // at 100 %
    ImageScrollBox->setToolTip(QStringLiteral("เพิ่มเอกสารก่อนการ Scan ภาพ หรือก่อนเปิดไฟล์รูปภาพ"));
    ImageScrollBox->OnZoomChange = [this](TImageScrollBox *, float zoom) { ImageScrollBoxZoomChange(zoom); };
    ImageScrollBox->OnRedraw = [this](TDibGraphic *g) { ImageScrollBoxRedraw(g); };

    BuildPanel();
    BuildMenu();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu);
    layout->addWidget(Panel1);
    layout->addWidget(ImageScrollBox, 1);

    FormCreate(arguments);
}

void TViewForm::BuildPanel()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(25);
    auto *row = new QHBoxLayout(Panel1);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(2);

    OpenBtn = ToolButton(Panel1, "OpenBtn", "Open", "document-open");
    SaveBtn = ToolButton(Panel1, "SaveBtn", "Save", "document-save");
    PrintBtn = ToolButton(Panel1, "PrintBtn", "Print", "document-print");
    ScanBtn = ToolButton(Panel1, "ScanBtn", "Scan", "scanner");
    CopyBtn = ToolButton(Panel1, "CopyBtn", "Copy", "edit-copy");
    PasteBtn = ToolButton(Panel1, "PasteBtn", "Paste", "edit-paste");
    const std::pair<QToolButton *, void (TViewForm::*)()> buttons[] = {
        {OpenBtn, &TViewForm::OpenMenuClick}, {SaveBtn, &TViewForm::SaveMenuClick},
        {PrintBtn, &TViewForm::PrintMenuClick}, {ScanBtn, &TViewForm::ScanMenuClick},
        {CopyBtn, &TViewForm::CopyMenuClick}, {PasteBtn, &TViewForm::PasteMenuClick},
    };
    for (const auto &[button, handler] : buttons) {
        row->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, h = handler] { Guarded([&] { (this->*h)(); }); });
    }
    row->addSpacing(8);

    ZoomLbl = Label(Panel1, "ZoomLbl", QStringLiteral("&Zoom"));
    ZoomLbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ZoomEdit = new QLineEdit(QStringLiteral("100"), Panel1);
    ZoomEdit->setObjectName(QStringLiteral("ZoomEdit"));
    ZoomEdit->setMaxLength(3);
    ZoomEdit->setFixedWidth(36);
    ZoomLbl->setBuddy(ZoomEdit);
    ZoomUpDown = new TUpDown(Panel1);
    ZoomUpDown->setObjectName(QStringLiteral("ZoomUpDown"));
    ZoomUpDown->SetRange(5, 999);
    ZoomUpDown->SetAssociate(ZoomEdit);
    ZoomUpDown->SetPosition(100);
    connect(ZoomEdit, &QLineEdit::textChanged, this, [this] {
        if (zoomEditAttached_)
            Guarded([this] { ZoomEditChange(); });
    });

    PageLbl = Label(Panel1, "PageLbl", QStringLiteral("&Page"));
    PageLbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PageEdit = new QLineEdit(QStringLiteral("1"), Panel1);
    PageEdit->setObjectName(QStringLiteral("PageEdit"));
    PageEdit->setMaxLength(5);
    PageEdit->setFixedWidth(44);
    PageLbl->setBuddy(PageEdit);
    PageUpDown = new TUpDown(Panel1);
    PageUpDown->setObjectName(QStringLiteral("PageUpDown"));
    PageUpDown->SetRange(1, 1);
    PageUpDown->Wrap = true;
    PageUpDown->SetAssociate(PageEdit);
    PageUpDown->SetPosition(1);
    connect(PageEdit, &QLineEdit::textChanged, this, [this] {
        if (pageEditAttached_)
            Guarded([this] { PageEditChange(); });
    });

    for (QWidget *w : {static_cast<QWidget *>(ZoomLbl), static_cast<QWidget *>(ZoomEdit),
                       static_cast<QWidget *>(ZoomUpDown)})
        row->addWidget(w);
    row->addSpacing(8);
    for (QWidget *w : {static_cast<QWidget *>(PageLbl), static_cast<QWidget *>(PageEdit),
                       static_cast<QWidget *>(PageUpDown)})
        row->addWidget(w);
    row->addSpacing(12);

    XLbl = Label(Panel1, "XLbl", QStringLiteral("0"));
    ByLbl = Label(Panel1, "ByLbl", QStringLiteral("x"));
    YLbl = Label(Panel1, "YLbl", QStringLiteral("0"));
    row->addWidget(XLbl);
    row->addWidget(ByLbl);
    row->addWidget(YLbl);
    row->addStretch(1);

    ProgressBar = new QProgressBar(Panel1);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setFixedWidth(87);
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 100);
    ProgressBar->hide();
    row->addWidget(ProgressBar);

    wwDBNavigator1 = new TDBNavigator(QStringLiteral("wwDBNavigator1"), Panel1);
    wwDBNavigator1->SetVisibleButtons(
        {nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbEdit, nbDelete, nbPost, nbCancel});
    const struct {
        TNavigateBtn kind;
        const char *caption, *hint;
    } captions[] = {
        {nbFirst, "แรก", "เอกสารแผ่นแรก"},
        {nbPrior, "ก่อนหน้า", "เอกสารแผ่นก่อนหน้า"},
        {nbNext, "ถัดไป", "เอกสารแผ่นถัดไป"},
        {nbLast, "ท้าย", "เอกสารแผ่นสุดท้าย"},
        {nbInsert, "เพิ่มเอกสาร", "เพิ่มเอกสาร"},
        {nbEdit, "แก้ไขเอกสาร", "แก้ไขเอกสาร"},
        {nbDelete, "ลบเอกสาร", "ลบเอกสาร"},
        {nbPost, "บันทึกเอกสาร", "บันทึกการเปลี่ยนแปลง"},
        {nbCancel, "ไม่บันทึก", "ไม่บันทึก"},
    };
    for (const auto &c : captions) {
        QToolButton *b = wwDBNavigator1->Button(c.kind);
        wwDBNavigator1->SetButton(c.kind, QString::fromUtf8(c.caption), QString::fromUtf8(c.hint), b->icon());
    }
    wwDBNavigator1->SetShowCaptions(false);
    wwDBNavigator1->ConfirmDelete = true;
    wwDBNavigator1->SetOnClick(nbInsert, [this](bool &abort) { wwDBNavigator1InsertClick(abort); });
    wwDBNavigator1->SetOnClick(nbDelete, [this](bool &abort) { wwDBNavigator1DeleteClick(abort); });
    wwDBNavigator1->SetOnClick(nbPost, [this](bool &abort) { wwDBNavigator1PostClick(abort); });
    row->addWidget(wwDBNavigator1);
}

void TViewForm::BuildMenu()
{
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    auto add = [this](QMenu *menu, const char *name, const char *text, void (TViewForm::*handler)() = nullptr,
                      const QKeySequence &shortcut = {}) {
        QAction *a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty())
            a->setShortcut(shortcut);
        if (handler)
            connect(a, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
        return a;
    };
    auto submenu = [](QMenu *parent, const char *name, const char *text) {
        QMenu *m = parent->addMenu(QString::fromUtf8(text));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto top = [this](const char *name, const char *text) {
        QMenu *m = MainMenu->addMenu(QString::fromUtf8(text));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    FileMenu = top("FileMenu", "&File");
    OpenMenu = add(FileMenu, "OpenMenu", "&Open ...", &TViewForm::OpenMenuClick, QKeySequence(Qt::CTRL | Qt::Key_O));
    SaveMenu = add(FileMenu, "SaveMenu", "&Save", &TViewForm::SaveMenuClick, QKeySequence(Qt::CTRL | Qt::Key_S));
    FileMenu->addSeparator();
    PrintMenu = add(FileMenu, "PrintMenu", "&Print ...", &TViewForm::PrintMenuClick);
    PrintSetupMenu = add(FileMenu, "PrintSetupMenu", "P&rint Setup ...", &TViewForm::PrintSetupMenuClick);
    FileMenu->addSeparator();
    ScanMenu = add(FileMenu, "ScanMenu", "S&can ...", &TViewForm::ScanMenuClick);
    SelectScannerMenu = add(FileMenu, "SelectScannerMenu", "Se&lect Scanner ...", &TViewForm::SelectScannerMenuClick);
    FileMenu->addSeparator();
    ExitMenu = add(FileMenu, "ExitMenu", "E&xit", &TViewForm::ExitMenuClick);

    EditMenu = top("EditMenu", "&Edit");
    UndoMenu = add(EditMenu, "UndoMenu", "&Undo", &TViewForm::UndoMenuClick, QKeySequence(Qt::CTRL | Qt::Key_Z));
    EditMenu->addSeparator();
    CopyMenu = add(EditMenu, "CopyMenu", "&Copy", &TViewForm::CopyMenuClick, QKeySequence(Qt::CTRL | Qt::Key_C));
    CopyMenu->setEnabled(false);
    PasteMenu = add(EditMenu, "PasteMenu", "Paste New Image", &TViewForm::PasteMenuClick,
                    QKeySequence(Qt::CTRL | Qt::Key_V));
    PasteMenu->setEnabled(false);

    ViewMenu = top("ViewMenu", "&View");
    AntiAliasedMenu = add(ViewMenu, "AntiAliasedMenu", "Ant&i aliased", &TViewForm::AntiAliasedMenuClick);
    CenteredMenu = add(ViewMenu, "CenteredMenu", "&Centered", &TViewForm::CenteredMenuClick);
    MouseModeMenu = submenu(ViewMenu, "MouseModeMenu", "&Mouse Mode");
    DragMenu = add(MouseModeMenu, "DragMenu", "&Drag", &TViewForm::DragMenuClick);
    SelectMenu = add(MouseModeMenu, "SelectMenu", "&Select", &TViewForm::SelectMenuClick);
    ViewMenu->addSeparator();
    ActualSizeMenu = add(ViewMenu, "ActualSizeMenu", "&Actual Size", &TViewForm::ActualSizeMenuClick);
    FullPageMenu = add(ViewMenu, "FullPageMenu", "&Full Page", &TViewForm::FullPageMenuClick);
    FitWidthMenu = add(ViewMenu, "FitWidthMenu", "Fit &Width", &TViewForm::FitWidthMenuClick);
    FitHeightMenu = add(ViewMenu, "FitHeightMenu", "Fit &Height", &TViewForm::FitHeightMenuClick);
    ViewMenu->addSeparator();
    AnimatedMenu = add(ViewMenu, "AnimatedMenu", "A&nimated", &TViewForm::AnimatedMenuClick);
    for (QAction *a : {AntiAliasedMenu, CenteredMenu, DragMenu, SelectMenu, AnimatedMenu})
        a->setCheckable(true);

    // The Image menu's entries; their commands come with the image operations.
    ImageMenu = top("ImageMenu", "&Image");
    RotateMenu = submenu(ImageMenu, "RotateMenu", "&Rotate");
    Rotate90Menu = add(RotateMenu, "Rotate90Menu", "&90  Degrees");
    Rotate180Menu = add(RotateMenu, "Rotate180Menu", "&180 Degrees");
    Rotate270Menu = add(RotateMenu, "Rotate270Menu", "270 Degrees");
    RotateArbitraryMenu = add(RotateMenu, "RotateArbitraryMenu", "&Arbitrary");
    FlipMenu = submenu(ImageMenu, "FlipMenu", "&Flip");
    FlipHorizontalMenu = add(FlipMenu, "FlipHorizontalMenu", "&Horizontal");
    FlipVerticalMenu = add(FlipMenu, "FlipVerticalMenu", "&Vertical");
    NegativeMenu = add(ImageMenu, "NegativeMenu", "&Negative");
    CropMenu = add(ImageMenu, "CropMenu", "&Crop ...");
    SharpenMenu = add(ImageMenu, "SharpenMenu", "&Sharpen");
    SmoothMenu = add(ImageMenu, "SmoothMenu", "S&mooth");
    BrightnessMenu = submenu(ImageMenu, "BrightnessMenu", "&Brightness");
    IncreaseBrightnessMenu = add(BrightnessMenu, "IncreaseBrightnessMenu", "&Increase");
    DecreaseBrightnessMenu = add(BrightnessMenu, "DecreaseBrightnessMenu", "&Decrease");
    ContrastMenu = submenu(ImageMenu, "ContrastMenu", "&Contrast");
    IncreaseContrastMenu = add(ContrastMenu, "IncreaseContrastMenu", "&Increase");
    DecreaseContrastMenu = add(ContrastMenu, "DecreaseContrastMenu", "&Decrease");
    EdgeDetectionMenu = add(ImageMenu, "EdgeDetectionMenu", "E&dge Detection");
    EmbossMenu = add(ImageMenu, "EmbossMenu", "&Emboss");
    GammaMenu = add(ImageMenu, "GammaMenu", "&Gamma ...");
    ConvertToGrayMenu = add(ImageMenu, "ConvertToGrayMenu", "Convert to Gra&y");
    FormatConversionMenu = add(ImageMenu, "FormatConversionMenu", "F&ormat Conversion ...");
    ResizeMenu = add(ImageMenu, "ResizeMenu", "Resi&ze ...");
}

void TViewForm::RegisterViewerFormats()
{
    if (!GraphicClassForFile(QStringLiteral("*.BMP")))
        RegisterGraphicClass(QStringLiteral("BMP"), QStringLiteral("Bitmap file"), GraphicClassOf<TBitmapGraphic>());
    if (!GraphicClassForFile(QStringLiteral("*.ICO")))
        RegisterIconGraphic();
    if (!GraphicClassForFile(QStringLiteral("*.WMF")))
        RegisterMetaFileGraphic();
}

void TViewForm::FormCreate(const QStringList &arguments)
{
    SetApplicationIdle([this](bool &done) { ApplicationIdle(done); });
    UndoGraphic = std::make_unique<TDibGraphic>();
    Scanner = std::make_unique<TScanner>(programFolder_);
    RegisterViewerFormats();

    // Binding to the page dataset shows the folder's first page.
    ImageFileDS.Name = QStringLiteral("ImageFileDS");
    ImageFileDS.OnDataChange = [this](TField *field) { ImageFileDSDataChange(field); };
    ImageFileDS.SetDataSet(&dmCenter->ImageFileTable);
    wwDBNavigator1->SetDataSource(&ImageFileDS);
    ImageFileDSDataChange(nullptr);

    if (arguments.size() > 1 && GraphicClassForFile(arguments.at(1)))
        OpenImageFile(arguments.at(1));

    AntiAliasedMenu->setChecked(ImageScrollBox->AntiAliased());
    CenteredMenu->setChecked(ImageScrollBox->Centered());
    DragMenu->setChecked(ImageScrollBox->MouseMode() == mmDrag);
    SelectMenu->setChecked(ImageScrollBox->MouseMode() == mmQuickSelect);
}

TViewForm::~TViewForm()
{
    if (!TempFileName.isEmpty())
        QFile::remove(TempFileName);
    ClearApplicationIdle();
    ImageFileDS.OnDataChange = nullptr;
    wwDBNavigator1->SetDataSource(nullptr);
    ImageFileDS.SetDataSet(nullptr);
    Scanner.reset();
    UndoGraphic.reset();
}

bool TViewForm::Editing() const
{
    const TDataSetState s = dmCenter->ImageFileTable.State();
    return s == dsEdit || s == dsInsert;
}

// ---------------------------------------------------------------- pages

void TViewForm::ImageFileDSDataChange(TField *)
{
    TdmCenter &dm = *dmCenter;
    TIBQuery &pages = dm.ImageFileTable;
    // A page that cannot be shown is reported here: the data operation that
    // made it current has succeeded and must not look as if it failed.
    Guarded([&] {
        if (pages.Active() && !pages.IsEmpty() && pages.State() != dsInsert && dm.ImageFileTableIMAGES->BlobSize() > 0)
            ShowPageImage();
        else
            ImageScrollBox->Clear();
    });
}

void TViewForm::ShowPageImage()
{
    if (!TempFileName.isEmpty())
        QFile::remove(TempFileName);
    TempFileName = programFolder_ + QStringLiteral("temp.BMP");
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    Finally restore([] { QGuiApplication::restoreOverrideCursor(); });
    dmCenter->ImageFileTableIMAGES->SaveToFile(TempFileName);
    OpenImageFile(TempFileName);
}

void TViewForm::OpenImageFile(const QString &fileName)
{
    setWindowTitle(QStringLiteral("บันทึกเอกสารของแฟ้ม - ") + dmCenter->DocumentTableDESCRIPT->AsString());
    {
        TWaitCursor wait;
        const int count = ImageScrollBox->GetImageCount(fileName);
        PageUpDown->SetRange(1, count);
        pageEditAttached_ = false;
        {
            Finally attach([this] { pageEditAttached_ = true; });
            PageEdit->setText(QStringLiteral("1"));
            PageUpDown->SetPosition(1);
        }
        bool all = false;
        if (count >= 2)
            all = MessageDlg(QStringLiteral("The file contains %1 images.\r"
                                            "Note that for animations, all images\r"
                                            "must be loaded in memory.\r"
                                            "Load all images in memory?\r")
                                 .arg(count),
                             mtConfirmation, {mrYes, mrNo}) == mrYes;
        ImageScrollBox->LoadFromFile(fileName, all ? 0 : 1);
        PageFileName = count > 1 ? fileName : QString();
    }
    ZoomEditChange();
}

void TViewForm::StorePageImage()
{
    TMemoryStream stream;
    ImageScrollBox->SaveToStream(stream, QStringLiteral("BMP"));
    dmCenter->ImageFileTableIMAGES->SetAsBytes(QByteArray(reinterpret_cast<const char *>(stream.Memory()),
                                                          qsizetype(stream.Size())));
}

// ---------------------------------------------------------------- navigator

void TViewForm::wwDBNavigator1InsertClick(bool &)
{
    if (!ImageScrollBox->Graphic()->Empty())
        ImageScrollBox->Clear();
}

void TViewForm::wwDBNavigator1DeleteClick(bool &abort)
{
    if (!dmCenter->ImageFileTable.IsEmpty() &&
        MessageDlg(QStringLiteral("ตอบ Yes ถ้าต้องการลบ"), mtConfirmation, {mrYes, mrNo}) != mrYes)
        abort = true;
}

void TViewForm::wwDBNavigator1PostClick(bool &abort)
{
    if (ImageScrollBox->Graphic()->Empty()) {
        ShowMessage(QString::fromUtf8(kNoPage));
        return;
    }
    try {
        StorePageImage();
    } catch (const std::exception &) {
        // Nothing is said; with the changes cancelled there is nothing left
        // to post either.
        dmCenter->ImageFileTable.Cancel();
        abort = true;
    }
}

// ---------------------------------------------------------------- idle

void TViewForm::ApplicationIdle(bool &done)
{
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    const bool canPaste = clip && clip->hasImage();
    const bool shown = !ImageScrollBox->Graphic()->Empty();
    const bool editing = Editing();
    PasteMenu->setEnabled(canPaste);
    PasteBtn->setEnabled(canPaste);
    CopyMenu->setEnabled(shown);
    CopyBtn->setEnabled(shown);
    PrintBtn->setEnabled(shown);
    PrintMenu->setEnabled(shown);
    for (QToolButton *b : {SaveBtn, OpenBtn, ScanBtn})
        b->setEnabled(editing);
    for (QAction *a : {OpenMenu, ScanMenu, SaveMenu, Rotate90Menu, Rotate180Menu, Rotate270Menu, RotateArbitraryMenu,
                       FlipHorizontalMenu, FlipVerticalMenu, SharpenMenu, SmoothMenu, CropMenu,
                       IncreaseBrightnessMenu, DecreaseBrightnessMenu, IncreaseContrastMenu, DecreaseContrastMenu,
                       GammaMenu, ConvertToGrayMenu, FormatConversionMenu, EdgeDetectionMenu, EmbossMenu,
                       NegativeMenu, ResizeMenu})
        a->setEnabled(editing);
    for (QMenu *m : {RotateMenu, FlipMenu, BrightnessMenu, ContrastMenu})
        m->menuAction()->setEnabled(editing);
    UndoMenu->setEnabled(!UndoGraphic->Empty());
    AnimatedMenu->setEnabled(ImageScrollBox->ImageCount() > 1);
    done = true;
}

// ---------------------------------------------------------------- zoom, pages, sizes

void TViewForm::ZoomEditChange()
{
    bool ok = false;
    const int percent = ZoomEdit->text().toInt(&ok);
    ImageScrollBox->SetZoomPercent(ok ? float(percent) : 100.0f);
}

void TViewForm::ImageScrollBoxZoomChange(float zoom)
{
    zoomEditAttached_ = false;
    Finally attach([this] { zoomEditAttached_ = true; });
    ZoomEdit->setText(QString::number(static_cast<long>(std::nearbyint(zoom))));
}

void TViewForm::PageEditChange()
{
    if (PageFileName.isEmpty())
        return;
    QString text = PageEdit->text();
    text.remove(QLatin1Char(',')).remove(QLatin1Char(' '));
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    if (n < 1 || n > PageUpDown->Max)
        return;
    if (ImageScrollBox->ImageCount() < 2)
        ImageScrollBox->LoadFromFile(PageFileName, n);
    else
        ImageScrollBox->SetImageIndex(n);
}

void TViewForm::ImageScrollBoxRedraw(TDibGraphic *graphic)
{
    XLbl->setText(QString::number(graphic->Width()));
    YLbl->setText(QString::number(graphic->Height()));
}

void TViewForm::TransformProgress(TImageTransform *, uint8_t percentDone)
{
    if (percentDone >= 100) {
        ProgressBar->hide();
        return;
    }
    ProgressBar->setValue(percentDone);
    if (ProgressBar->isHidden())
        ProgressBar->show();
}

// ---------------------------------------------------------------- closing

bool TViewForm::FormCloseQuery()
{
    if (!Editing())
        return true;
    if (MessageDlg(QStringLiteral("ข้อมูลยังไม่ได้บันทึก\rตอบ Yes ถ้าต้องจบการทำงาน"), mtConfirmation,
                   {mrYes, mrNo}) != mrYes)
        return false;
    dmCenter->ImageFileTable.Cancel();
    return true;
}

void TViewForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Without a window manager nobody maximizes the window: fill the screen's
    // work area ourselves.
    if ((windowState() & Qt::WindowMaximized) && screen())
        setGeometry(screen()->availableGeometry());
}

void TViewForm::reject()
{
    // Escape, the close button and close() all come here and ask first.
    bool canClose = false;
    Guarded([&] { canClose = FormCloseQuery(); });
    if (canClose)
        QDialog::reject();
}

// ---------------------------------------------------------------- wiring

void InstallPageViewer(TMainForm &mainForm)
{
    TMainForm *form = &mainForm;
    mainForm.OpenPageViewer = [form] {
        TViewForm viewer(form->ProgramFolder(), form);
        viewer.exec();
    };
}
