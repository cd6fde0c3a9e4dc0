#pragma once
#include <QString>

// The statements that make an empty TAMBRA.GDB.
QString TambraSchema();
