#include "Painting.h"

namespace hm::gui::paint {

ScopedFont MakeFont(HWND dialog, int pointSize, bool bold, bool underline, const wchar_t* face) {
  LOGFONTW lf{};
  const auto current = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  GetObjectW(current ? static_cast<HGDIOBJ>(current) : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  if (pointSize > 0) {
    const HDC dc = GetDC(dialog);
    lf.lfHeight = -MulDiv(pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(dialog, dc);
    lf.lfWidth = 0;
  }
  if (bold) lf.lfWeight = FW_BOLD;
  lf.lfUnderline = underline ? TRUE : FALSE;
  if (face) lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  lf.lfQuality = CLEARTYPE_QUALITY;
  return ScopedFont(CreateFontIndirectW(&lf));
}

ScopedBitmap LoadPicture(int id) {
  return ScopedBitmap(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

void DrawPictureCovering(HDC dc, const RECT& rect, HBITMAP picture) {
  BITMAP info{};
  if (!picture || !GetObjectW(picture, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  // The larger of the two scales covers the rectangle; what sticks out is cut.
  int drawWidth = width, drawHeight = MulDiv(info.bmHeight, width, info.bmWidth);
  if (drawHeight < height) {
    drawHeight = height;
    drawWidth = MulDiv(info.bmWidth, height, info.bmHeight);
  }
  const HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(source, picture);
  const int oldMode = SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  StretchBlt(dc, rect.left, rect.top, drawWidth, drawHeight, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  RestoreDC(dc, saved);
  SetStretchBltMode(dc, oldMode);
  SelectObject(source, old);
  DeleteDC(source);
}

}  // namespace hm::gui::paint
