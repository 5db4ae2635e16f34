// Resource identifiers of iePagelens.dll.
#pragma once

#define IDR_TYPELIB 1
// 3, not 2: with 2 the loader builds an activation context at every load of the library, which
// every tab pays for; ours is activated only around the windows we create (VisualStylesScope).
#define IDR_VISUAL_STYLES_MANIFEST 3
#define IDI_PAGELENS 101
#define IDI_PAGELENS_GRAY 102
