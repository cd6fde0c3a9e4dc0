// Commands of the main window whose windows are not part of the program yet.
#include "app/mainform.h"

// Shows the how-to window.
void TMainForm::N8Click() {}

// Shows the about window.
void TMainForm::mnuAboutClick() {}

// Backs the database up into TAMBRA.GBK beside the program.
void TMainForm::mnuBackupClick() {}

// Restores the database from TAMBRA.GBK beside the program.
void TMainForm::mnuRestoreClick() {}

// Empties the whole filing store.
void TMainForm::mnuDeleteAllClick() {}
