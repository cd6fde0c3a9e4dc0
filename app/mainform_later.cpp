// The main window's special menu: help, about and database maintenance.
#include "app/mainform.h"

#include <QPlainTextEdit>
#include <QSplitter>

#include "app/aboutbox.h"
#include "app/dmcenter.h"
#include "app/howtoform.h"
#include "app/maintenance.h"
#include "platform/ui/dbgrid.h"

// Shows the how-to window.
void TMainForm::N8Click() {
    THowtoForm form(this);
    form.exec();
}

// Shows the about window.
void TMainForm::mnuAboutClick() {
    TAboutBox box(this);
    box.exec();
}

// Backs the database up into TAMBRA.GBK beside the program.
void TMainForm::mnuBackupClick() {
    TMaintenanceCommands(*dmCenter, ProgramFolder(), Memo1, DocumentDBGrid, Splitter1).mnuBackupClick();
}

// Restores the database from TAMBRA.GBK beside the program.
void TMainForm::mnuRestoreClick() {
    TMaintenanceCommands(*dmCenter, ProgramFolder(), Memo1, DocumentDBGrid, Splitter1).mnuRestoreClick();
}

// Empties the whole filing store.
void TMainForm::mnuDeleteAllClick() {
    TMaintenanceCommands(*dmCenter, ProgramFolder(), Memo1, DocumentDBGrid, Splitter1).mnuDeleteAllClick();
}
