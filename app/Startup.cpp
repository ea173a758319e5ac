// Start-up of the program's units.
#include "Startup.h"

#include "DesignReader.h"
#include "FlDesign.h"
#include "FxDesign.h"
#include "GifImage.h"
#include "PicturesDesign.h"
#include "PngGraphic.h"
#include "SkDesign.h"

namespace vornada {

void RunUnitStartup() {
  PngGraphicRegistered();
  GifImageRegistered();
  RegisterFrameworkDesignClasses();
  RegisterSkinDesignClasses();
  RegisterFlatDesignClasses();
  RegisterFxDesignClasses();
  RegisterPictureDesignClasses();
}

}  // namespace vornada
