#include "platform/core/appdir.h"

#include <QCoreApplication>
#include <QDir>

QString ProgramFolder() {
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                               : QDir::currentPath();
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}
