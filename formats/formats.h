#pragma once
// Start-up registration of the file formats with the graphic format registry.
//
// Each format adds its Register...() call to RegisterStartupFormats() in
// formats.cpp, in the start-up order TIFF, JPEG, PCX, DCX, Targa, PNG (the
// order of the file-dialog filter). The BMP class follows them; its
// registration tests first, so the page viewer's own test-before-register of
// "BMP" adds no second entry.

// Called once by every program before it opens image files.
void RegisterStartupFormats();
// Shutdown: drops the registrations.
void UnregisterFormats();
