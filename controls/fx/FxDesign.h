// The effect controls as design descriptions know them: their published properties and events
// by name, registered with the design reader (DesignReader.h). The program calls
// RegisterFxDesignClasses once at start-up, before a description is read.
#pragma once

namespace vornada {

// TFxLabel, TFxFrameController, TFxSeparator and the button chain (TFxCustomButton and TFxButton
// with their properties, TFxBitBtn created by name); safe to call more than once.
void RegisterFxDesignClasses();

}  // namespace vornada
