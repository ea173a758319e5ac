// Start-up of the program's units.
#include "Startup.h"

#include "DesignReader.h"
#include "GifImage.h"
#include "PngGraphic.h"

namespace vornada {

void RunUnitStartup() {
  PngGraphicRegistered();
  GifImageRegistered();
  RegisterFrameworkDesignClasses();
}

}  // namespace vornada
