#pragma once
// "รายการไฟล์ในแฟ้ม": the attached files of one folder. The main window binds
// and opens dmCenter->OtherFileTable for the folder, shows this window
// modally and closes the dataset afterwards. Files are loaded whole into
// FILEDATA; opening one writes it to "temp." plus its type beside the
// program and hands that file to the desktop.
#include <QDialog>

#include <functional>

class TDBGrid;
class TDBNavigator;
class TMainForm;

// What hands a file to the desktop's program for its type. The program uses
// QDesktopServices (xdg-open); a test installs its own (nullptr restores).
using TShellOpenHandler = std::function<void(const QString &path)>;
void SetShellOpenHandler(TShellOpenHandler handler);

class TOtherFileForm : public QDialog {
public:
    explicit TOtherFileForm(const QString &programFolder, QWidget *parent = nullptr);

    TDBGrid *wwDBGrid1;
    TDBNavigator *OtherFileNavigator;
    // OpenFileDlg: returns the chosen file, or an empty string on Cancel.
    std::function<QString()> OpenFileDlg;
    static const QString OpenFileDlgFilter;

    void OtherFileNavigatorLoadClick();
    void OtherFileNavigatorOpenClick();

    // The stored type of a file: the text after the first dot of its full
    // path, in capitals (the field keeps three characters); empty if no dot.
    static QString FileTypeOf(const QString &path);
    // Where a stored file of that type is written to be opened: "temp." and
    // the type, in the program's folder whatever the type holds.
    static QString TempFileName(const QString &programFolder, const QString &fileType);

private:
    QString folder_;
};

// Makes the main window open this window for folders of attached files.
void WireAttachedFiles(TMainForm &form);
