// The picture controls' registrations with the design reader. An animator's picture is read
// straight into its own GIF picture (`Image.Data = {...}`: a 4-byte length, then the GIF file),
// whose change notification brings the animator up to date.
#include "PicturesDesign.h"

#include <climits>

#include "DesignReader.h"
#include "GifAnimator.h"
#include "GifImage.h"
#include "ImageControl.h"
#include "ThreadTimer.h"

namespace vornada {

void RegisterPictureDesignClasses() {
  RegisterDesignProperties<TGIFImage>("TGraphic");
  RegisterDesignProperties<TImageControl>("TGraphicControl");

  RegisterDesignClass<TGifAnimator>("TImageControl")
      .Object<TGIFImage>("Image", &TGifAnimator::Image)
      .Boolean("Animate", &TGifAnimator::SetAnimate)
      .Boolean("AsyncDrawing", &TGifAnimator::SetAsyncDrawing)
      .Boolean("AutoSize", &TGifAnimator::SetAutoSize)
      .Boolean("Center", &TGifAnimator::SetCenter)
      .Boolean("Stretch", &TGifAnimator::SetStretch)
      .Boolean("Transparent", &TGifAnimator::SetTransparent)
      .Boolean("Loop", &TGifAnimator::SetLoop)
      .Integer("FrameIndex", &TGifAnimator::SetFrameIndex)
      .Event<TNotifyEvent>("OnChange", &TGifAnimator::OnChange)
      .Event<TNotifyEvent>("OnFrameChanged", &TGifAnimator::OnFrameChanged)
      .Event<TNotifyEvent>("OnStart", &TGifAnimator::OnStart)
      .Event<TNotifyEvent>("OnStop", &TGifAnimator::OnStop);

  RegisterDesignClass<TThreadTimer>("TComponent")
      .Boolean("Enabled", &TThreadTimer::SetEnabled)
      .Integer<uint32_t>("Interval", &TThreadTimer::SetInterval, 0u, UINT32_MAX)
      .Boolean("SyncEvent", &TThreadTimer::SetSyncEvent)
      .Boolean("Threaded", &TThreadTimer::SetThreaded)
      .Enum<TThreadPriority>("ThreadPriority", &TThreadTimer::SetThreadPriority,
                             {{"tpIdle", TThreadPriority::tpIdle},
                              {"tpLowest", TThreadPriority::tpLowest},
                              {"tpLower", TThreadPriority::tpLower},
                              {"tpNormal", TThreadPriority::tpNormal},
                              {"tpHigher", TThreadPriority::tpHigher},
                              {"tpHighest", TThreadPriority::tpHighest},
                              {"tpTimeCritical", TThreadPriority::tpTimeCritical}})
      .Event("OnTimer", &TThreadTimer::SetOnTimer);
}

}  // namespace vornada
