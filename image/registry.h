#pragma once
// The graphic format registry: file extension -> graphic class.
//
// Every image file is read through the class registered for its extension, and
// every page is written as BMP data through the class registered for "BMP".
// Look-up ignores case and takes the first match; entries are kept in
// registration order, which is also the order of the file-dialog filter.
//
// Adding a format (in formats/):
//   1. Derive the class from TDibGraphic, put BORVANE_GRAPHIC_CLASS(TMyGraphic)
//      in its body, override LoadImageFromStream (and GetImageCount for files
//      with several images).
//   2. Give the format a registration function beside the class, e.g.
//        void RegisterPcxGraphic() {
//            RegisterGraphicClass("PCX", "ZSoft PC Paintbrush", GraphicClassOf<TPcxGraphic>());
//            RegisterGraphicClass("PCC", "ZSoft PC Paintbrush", GraphicClassOf<TPcxGraphic>());
//        }
//   3. Call it from RegisterStartupFormats() in formats/formats.cpp, which
//      keeps the start-up order (TIFF, JPEG, PCX, DCX, Targa, PNG). Registration
//      is explicit rather than by static initialisers, which a static library
//      would silently drop and whose order is not defined.
#include "image/dibgraphic.h"

#include <QString>

#include <memory>

// Appends (upper-cased extension, class); description goes to the filter.
// extension is given without a dot. Nothing checks for duplicates.
void RegisterGraphicClass(const QString &extension, const QString &description, TGraphicClass graphicClass);
// The class for a file name's extension ("photo.tif", "*.TIF" and "TIF" all
// give the TIF class); a name without an extension is itself the key. nullptr
// when nothing is registered.
TGraphicClass GraphicClassForFile(const QString &fileName);
// A new, empty object of that class; raises EVantrelError "Graphic files of %s
// format are not supported or not registered" (%s = ".ext" or empty).
std::unique_ptr<TDibGraphic> CreateGraphicForFile(const QString &fileName);
// The file-dialog filter in Qt's form: an entry covering every registered
// extension first, then one entry per registration in order, e.g.
//   "All images (*.tif *.bmp);;TIFF file (*.tif);;Bitmap file (*.bmp)"
QString GraphicFilter();
// Shutdown: drops every registration.
void UnregisterGraphicClasses();

// The extension as the file functions give it: from the last "." after the
// last "/", "\" or ":", dot included; empty when there is none.
QString ExtractFileExt(const QString &fileName);
