#pragma once
// The main window: cabinets on the left, the folders of the current cabinet
// on the right, a tool panel and the main menu. All its work goes through the
// datasets of dmCenter. It is the program's main window: closing it ends
// the program.
//
//   TMainForm form(ProgramFolder());
//   form.showMaximized();   // showing opens the cabinet, folder and page lists
#include <QMainWindow>

#include <functional>

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolButton;
class TDBGrid;
class TFilterDialog;

class TMainForm : public QMainWindow {
public:
    // programFolder: where TAMBRA.GDB and the temporary files lie (with its
    // trailing separator).
    explicit TMainForm(const QString &programFolder, QWidget *parent = nullptr);
    ~TMainForm() override;

    QString ProgramFolder() const { return programFolder_; }

    // Tool panel.
    QWidget *Panel1;
    QToolButton *NewDocBtn;
    QToolButton *EditDocBtn;
    QToolButton *AddImageBtn;
    QToolButton *ExitBtn;
    // Lists.
    QSplitter *Splitter1;
    TDBGrid *GroupFileDBGrid;
    TDBGrid *DocumentDBGrid;
    // Report of a running backup or restore; hidden otherwise.
    QPlainTextEdit *Memo1;
    // Search dialogs.
    TFilterDialog *FilterGroupFileDlg;
    TFilterDialog *FilterDocumentDlg;
    // Menu.
    QMenu *mnuAdd, *mnuEdit, *mnuSearch, *mnuSpecial;
    QAction *mnuInsertCabinet, *mnuInsertDocument, *mnuExit;
    QAction *mnuEditCabinet, *mnuEditDocument, *mnuDeleteCabinet, *mnuDeleteDocument;
    QAction *N1, *N2, *N6, *N7;
    QAction *N8, *mnuAbout, *mnuBackup, *mnuRestore, *mnuDeleteAll;

    // The windows a folder opens in: its pages (folders of page images) and
    // its attached files ("Y" folders). Each shows its window modally and
    // returns when it has closed; unset, nothing opens.
    std::function<void()> OpenPageViewer;
    std::function<void()> OpenAttachedFiles;

    void FormShow();
    void FormDestroy();
    void NewDocBtnClick();
    void EditDocBtnClick();
    void DocumentDBGridDblClick();
    void ExitBtnClick();
    void mnuInsertCabinetClick();
    void mnuEditCabinetClick();
    void mnuDeleteCabinetClick();
    void mnuDeleteDocumentClick();
    void N1Click();
    void N2Click();
    void N6Click();
    void N7Click();
    // Help, about and database maintenance.
    void N8Click();
    void mnuAboutClick();
    void mnuBackupClick();
    void mnuRestoreClick();
    void mnuDeleteAllClick();

protected:
    void showEvent(QShowEvent *e) override;

private:
    void BuildToolPanel();
    void BuildLists();
    void BuildMenu();
    void ShowDocumentForm();

    QString programFolder_;
    bool shown_ = false;
};
