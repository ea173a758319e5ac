// The flat controls as design descriptions know them: their published properties and events by
// name, registered with the design reader (DesignReader.h). The program calls
// RegisterFlatDesignClasses once at start-up, before a description is read.
#pragma once

namespace vornada {

// TFlPanel, TFlButton and TFlEdit; safe to call more than once.
void RegisterFlatDesignClasses();

}  // namespace vornada
