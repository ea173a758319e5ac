// The picture controls as design descriptions know them: their published properties and events
// by name, registered with the design reader (DesignReader.h). The program calls
// RegisterPictureDesignClasses once at start-up, before a description is read.
#pragma once

namespace vornada {

// TGifAnimator and TThreadTimer (created by name), TImageControl and the GIF picture's stored
// form (properties); safe to call more than once.
void RegisterPictureDesignClasses();

}  // namespace vornada
