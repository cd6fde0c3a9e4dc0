#pragma once
// `borvane-img scan [--type bw|gray|color] [--resolution DPI] PREFIX`: acquires
// every page the default source gives, without the source's window, and writes
// them as PREFIX-1.bmp, PREFIX-2.bmp, ... Returns 0, or non-zero after printing
// the failure to standard error. Needs a QCoreApplication.
#include <QStringList>

int RunScanCommand(const QStringList &args);
