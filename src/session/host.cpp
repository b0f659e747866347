#include "session/host.hpp"

namespace lumivane {

int DefaultAnswer(int buttons, bool yes) {
  const bool hasYes = buttons & 1, hasOk = buttons & 4, hasCancel = buttons & 8;
  if (hasYes) return yes ? kResultYes : (hasCancel ? kResultCancel : kResultNo);
  if (hasOk) return kResultOK;
  return hasCancel ? kResultCancel : kResultOK;
}

const char* ResultName(int result) {
  switch (result) {
    case kResultOK: return "OK";
    case kResultCancel: return "Cancel";
    case kResultYes: return "Yes";
    case kResultNo: return "No";
  }
  return "?";
}

}  // namespace lumivane
