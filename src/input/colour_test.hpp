// Whether a picture is in colour: a grid of about 100 x 100 samples, colour as soon as one
// sample has green or blue differing from red.
#pragma once
#include "session/image.hpp"

namespace lumivane::input {
bool colourimage(const Bitmap24& picture);
}
