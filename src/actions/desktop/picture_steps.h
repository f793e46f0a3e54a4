// The Steps that look for a picture or a colour on the screen, and Image Capture: IF Pixel
// Equals, IF Pixel is Visible, IF Image is Visible, Wait for Pixel, Wait for Image, and the
// System action "Image Capture".
#pragma once

namespace plumo {

class Session;

void RegisterPictureSteps(Session& session);

}  // namespace plumo
