// The image-skinned controls as design descriptions know them: their published properties and
// events by name, registered with the design reader (DesignReader.h). The program calls
// RegisterSkinDesignClasses once at start-up, before a description is read.
#pragma once

namespace vornada {

// TSkImgFadeBase (properties only), TSkImgBtn, TSkImgCheckBox and TSkImgForm; safe to call more
// than once.
void RegisterSkinDesignClasses();

}  // namespace vornada
