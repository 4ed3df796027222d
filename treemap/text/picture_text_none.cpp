// PictureFont where the build has no font support (the Windows tree, or a
// host without FreeType and fontconfig): pictures carry no text.

#include "treemap/picture_text.h"

namespace tw {

std::unique_ptr<PictureFont> OpenPictureFont(std::int32_t) { return nullptr; }

}  // namespace tw
