// The program body: application object, title, data module, main window,
// message loop; then the windows go, the data module posts what is pending,
// and the image model lets go of its formats.
#include <QCursor>
#include <QGuiApplication>

#include "app/application.h"
#include "app/dmcenter.h"
#include "app/mainform.h"
#include "formats/formats.h"
#include "image/waitcursor.h"
#include "platform/core/appdir.h"
#include "viewer/viewform.h"

int main(int argc, char **argv) {
    TBorvaneApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Borvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Borvane"));
    RegisterStartupFormats();
    SetWaitCursorHook([](bool busy) {
        if (busy) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else QGuiApplication::restoreOverrideCursor();
    });
    int rc;
    {
        TdmCenter dm;
        TMainForm form(ProgramFolder());
        InstallPageViewer(form);
        form.showMaximized();
        rc = app.exec();
        // The main window goes first (its destructor removes the temporary
        // copies), then the data module, which posts pending edits.
    }
    SetWaitCursorHook(nullptr);
    UnregisterFormats();
    return rc;
}
