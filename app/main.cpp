#include <QIcon>

#include "app/application.h"
#include "app/dmcenter.h"
#include "app/mainform.h"
#include "platform/core/appdir.h"

int main(int argc, char **argv) {
    TBorvaneApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Borvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Borvane"));
    TdmCenter dm;
    int rc;
    {
        TMainForm form(ProgramFolder());
        form.showMaximized();
        rc = app.exec();
    }
    return rc;
}
