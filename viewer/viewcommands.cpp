// The File, Edit and View commands of the page viewer.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>

#include <array>

#include "app/dmcenter.h"
#include "image/imagescrollbox.h"
#include "platform/ui/dialogs.h"
#include "print/dibgraphicprinter.h"
#include "print/printer.h"
#include "print/printoptionform.h"
#include "scan/scanner.h"
#include "viewer/picturedialog.h"
#include "viewer/viewform.h"

namespace {
const char *const kNoScanner = "A scanner is not configured on your computer";

// A text read as a floating-point number, or the conversion error.
double StrToFloat(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        throw Exception(QStringLiteral("'%1' is not a valid floating point value").arg(text).toStdString());
    return value;
}
} // namespace

void TViewForm::OpenMenuClick()
{
    TOpenPictureDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    OpenImageFile(dialog.selectedFiles().constFirst());
}

void TViewForm::SaveMenuClick()
{
    TIBQuery &pages = dmCenter->ImageFileTable;
    if (!Editing())
        pages.Edit();
    if (ImageScrollBox->Graphic()->Empty()) {
        ShowMessage(QStringLiteral("ไม่มีเอกสารใดให้จัดเก็บ"));
        return;
    }
    try {
        StorePageImage();
        pages.Post();
    } catch (const std::exception &) {
        // Saving says nothing when it fails: the row's changes are dropped.
        pages.Cancel();
    }
}

void TViewForm::PrintMenuClick()
{
    TPrintMode mode;
    double width, height;
    {
        TPrintOptionForm options(this);
        if (options.exec() != QDialog::Accepted)
            return;
        mode = options.GetPrintMode();
        width = StrToFloat(options.WidthFld->text());
        height = StrToFloat(options.HeightFld->text());
    }
    TDibGraphicPrinter printer(*printer_);
    printer.SetPrintMode(mode);
    printer.PrintWidth = width;
    printer.PrintHeight = height;
    printer.ManageDocument = false;

    printer_->Title = QStringLiteral("Vantrel Demo");
    printer_->BeginDoc();
    try {
        printer.Print(*ImageScrollBox->Graphic());
        // TextOut places the text's top-left corner at the point.
        printer_->Canvas()->drawText(QRect(10, 10, 100000, 100000), Qt::AlignLeft | Qt::AlignTop,
                                     QStringLiteral("Vantrel Image Library"));
        printer_->EndDoc();
    } catch (...) {
        // A job left open would hold the printer for the next print.
        printer_->Abort();
        throw;
    }
}

void TViewForm::PrintSetupMenuClick()
{
    QPageSetupDialog dialog(&printer_->Device(), this);
    dialog.exec();
}

void TViewForm::ScanMenuClick()
{
    if (!Scanner->ScannerAvailable()) {
        ShowMessage(QString::fromLatin1(kNoScanner));
        return;
    }
    std::array<uint8_t, 16> userData{};
    setEnabled(false);
    struct Enable {
        QWidget *w;
        ~Enable() { w->setEnabled(true); }
    } enable{this};
    Scanner->Acquire(userData.data(), [this](HGLOBAL dib, uint16_t x, void *user, uint16_t y) {
        ScannerImage(dib, x, user, y);
    });
}

void TViewForm::ScannerImage(HGLOBAL hDib, uint16_t xResolution, void *, uint16_t yResolution)
{
    TDibGraphic page;
    page.LoadFromHDib(hDib);
    page.SetXDotsPerInch(xResolution);
    page.SetYDotsPerInch(yResolution);
    ImageScrollBox->AssignGraphic(&page);
    ZoomEditChange();
}

void TViewForm::SelectScannerMenuClick()
{
    if (Scanner->ScannerAvailable())
        Scanner->SelectSource();
    else
        ShowMessage(QString::fromLatin1(kNoScanner));
}

void TViewForm::ExitMenuClick() { close(); }

void TViewForm::UndoMenuClick()
{
    if (UndoGraphic->Empty())
        return;
    ImageScrollBox->AssignGraphic(UndoGraphic.get());
    UndoGraphic->FreeImage();
}

void TViewForm::CopyMenuClick() { ImageScrollBox->Graphic()->AssignTo(*QGuiApplication::clipboard()); }

void TViewForm::PasteMenuClick()
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard->mimeData();
    if (!data || !data->hasImage())
        return;
    // Take the bitmap first: a clipboard that cannot give one leaves both the
    // page and the undo copy as they were.
    TDibGraphic pasted;
    pasted.Assign(*clipboard);
    UndoGraphic->Assign(ImageScrollBox->Graphic());
    ImageScrollBox->Graphic()->Assign(&pasted);
    ImageScrollBox->Redraw(true);
}

void TViewForm::AntiAliasedMenuClick()
{
    ImageScrollBox->SetAntiAliased(AntiAliasedMenu->isChecked());
}

void TViewForm::CenteredMenuClick() { ImageScrollBox->SetCentered(CenteredMenu->isChecked()); }

void TViewForm::DragMenuClick()
{
    ImageScrollBox->SetMouseMode(mmDrag);
    DragMenu->setChecked(true);
    SelectMenu->setChecked(false);
}

void TViewForm::SelectMenuClick()
{
    ImageScrollBox->SetMouseMode(mmQuickSelect);
    SelectMenu->setChecked(true);
    DragMenu->setChecked(false);
}

void TViewForm::ActualSizeMenuClick() { ImageScrollBox->SetZoomMode(zmOriginalSize); }
void TViewForm::FullPageMenuClick() { ImageScrollBox->SetZoomMode(zmFullPage); }
void TViewForm::FitWidthMenuClick() { ImageScrollBox->SetZoomMode(zmFitWidth); }
void TViewForm::FitHeightMenuClick() { ImageScrollBox->SetZoomMode(zmFitHeight); }

void TViewForm::AnimatedMenuClick() { ImageScrollBox->SetAnimated(AnimatedMenu->isChecked()); }
