// What the dialogs draw themselves: their fonts and pictures.
#pragma once

#include <windows.h>

#include "platform/win32/gui/ScopedHandles.h"

namespace hm::gui::paint {

using platform::win32::ScopedBitmap;
using platform::win32::ScopedFont;

// The dialog's own font, changed: `pointSize` 0 keeps the size; `face` null keeps the face.
ScopedFont MakeFont(HWND dialog, int pointSize, bool bold, bool underline, const wchar_t* face = nullptr);
// A bitmap of the program's resources.
ScopedBitmap LoadPicture(int id);
// Draws `picture` over `rect`, scaled to cover it (cut on the right or at the bottom), keeping its shape.
void DrawPictureCovering(HDC dc, const RECT& rect, HBITMAP picture);

}  // namespace hm::gui::paint
