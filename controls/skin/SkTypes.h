// Types shared by the image-skinned controls: the fade effects a control can play between two
// pictures, and the last pointer or key interaction a skinned control reacted to. Portable (no
// windows.h): the pixel core uses them too.
#pragma once

#include <cstdint>

namespace vornada {

// Fade effects, in their stored order (their names appear in window descriptions).
enum TSkFadeFx : uint8_t {
  efxfTween,
  efxfTweenFade,
  efxfFade1,
  efxfFade2,
  efxfInvert,
  efxfGreyscale,
  efxfMess,
  efxfFlash,
  efxfBuild,
  efxfColour1,
  efxfColour2,
};
inline constexpr int kSkFadeFxCount = 11;

// The last pointer or key interaction of a skinned control.
enum TSkMouseState : uint8_t {
  emsReleased,  // the press ended while the pointer is over the control
  emsDown,      // pressed by the left mouse button or a key
  emsEntered,   // the pointer has just entered the control
  emsLeft,      // the pointer has just left (also a key press ended outside; start with fade)
  emsIdle,      // start state after loading; also forced while the control is disabled
};

}  // namespace vornada
