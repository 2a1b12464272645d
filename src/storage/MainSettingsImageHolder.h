#pragma once

#include "platform/graphics/Image.h"

#include <optional>

namespace fen {

// The latest preview pictures of one window's settings tab, shared by the tab and its panels:
// each preview area stores the picture its thumbnail message brought. Plain fields; writing one
// announces nothing.
struct MainSettingsImageHolder {
    std::optional<gfx::Image> imageImage;           // the image watermark
    std::optional<gfx::Image> stampImage;           // the stamp
    std::optional<gfx::Image> otherPagenumberImage; // the page number
};

} // namespace fen
