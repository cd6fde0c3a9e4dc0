#pragma once
// The program's folder, with its trailing separator: the database, the backup,
// the TWAIN source manager and every temporary file live there. Windows and
// tools take it by constructor so tests can hand in a temporary folder.
#include <QString>

QString ProgramFolder();
