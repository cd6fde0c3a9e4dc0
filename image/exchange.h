#pragma once
// What the platform exchange of images shares with the rest of the program:
// the clipboard format number and the hook through which the icon class
// writes icons for TDibGraphic::AssignTo(QIcon &).
//
// The image model cannot depend on the format classes (they depend on it), so
// the icon class installs its writer when it is registered
// (RegisterIconGraphic in formats/icongraphic.h).
#include "image/dibgraphic.h"

// The clipboard's device-dependent bitmap format, as the numbers go on Windows.
constexpr int CF_BITMAP = 2;

// Writes image as an icon file into stream.
using TIconWriter = void (*)(TDibGraphic &image, TStream &stream);
void SetIconWriter(TIconWriter writer);
TIconWriter IconWriter();
