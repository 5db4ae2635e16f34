// The product's artwork in the About window: a magnifying lens over a page of text, drawn with
// GDI so that it stays sharp at any size.
#pragma once
#include <windows.h>

namespace pagelens {

// Draws into `box` (best square); everything it selects into `dc` is restored.
void PaintLensOverPage(HDC dc, const RECT& box);

}  // namespace pagelens
