#pragma once

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// The pictures of the main window's image buttons, drawn with GDI into the rectangle given,
// whose top left corner is the picture's: the start page's three (32 × 32), the save button's
// (16 × 16) and the arrows of the comparison page's pair buttons (20 × 18).
inline constexpr SIZE kStartPictureSize{32, 32};
inline constexpr SIZE kSavePictureSize{16, 16};
inline constexpr SIZE kArrowPictureSize{20, 18};

void PaintNewProjectPicture(HDC dc, const RECT& area);
void PaintOpenProjectPicture(HDC dc, const RECT& area);
void PaintInformationPicture(HDC dc, const RECT& area);
void PaintSavePicture(HDC dc, const RECT& area);
void PaintPreviousPairPicture(HDC dc, const RECT& area);
void PaintNextPairPicture(HDC dc, const RECT& area);

}  // namespace rangwerk::win32
