// Resource identifiers of iePagelens.dll.
#pragma once

#define IDR_TYPELIB 1
#define IDR_VISUAL_STYLES_MANIFEST 2
#define IDI_PAGELENS 101
#define IDI_PAGELENS_GRAY 102
