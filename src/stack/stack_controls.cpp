#include "stack/stack_controls.hpp"

#include "session/controls.hpp"

namespace lumivane::stack {

void RegisterStackControls(Controls& c) {
  const std::string s = "stack";

  // Size of the stacked image: 0 default, 1 all shifted frames, 2 common area, 3 region of
  // interest. Item 1 ticks the hidden Expandstack.
  c.AddChoice(s, "StackSizeOption", {"Default", "Maximum", "Minimum", "Region of interest"}, 0);
  c.AddCheck(s, "Expandstack", false);
  c.AddInt(s, "Edgewidth", 0, 100, 0);

  // Local geometry.
  c.AddInt(s, "IDWPts", 1, 4, 3);
  c.Describe("IDWPts", "",
             "This controls the number of nearby alignpoints used to calculate the position of a pixel in the stacked "
             "image");
  c.AddCheck(s, "CorrectGeometryCheckbox", true, "Correct geometry");
  c.Describe("CorrectGeometryCheckbox", "Correct geometry",
             "When Active this will move the initial alignpoints to the average geometry (default=ON)");

  // Intensity.
  c.AddCheck(s, "Histostretch", false);
  c.Describe("Histostretch", "", "When Active this will stretch the image-contrast to use the whole intensity-range (0-255)");
  c.AddCheck(s, "NewIntensBalance", false, "Normalization of frame intensity");

  // Registered sequence export and what follows a stack.
  c.AddInt(s, "SaveAVIframerate", 1, 1000, 25, 5);
  c.AddCheck(s, "StacktoWavelet1", false);
}

}  // namespace lumivane::stack
