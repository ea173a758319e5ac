// TGifAnimator: frame composition, painting and the animation ticks (see GifAnimator.h for
// ownership and the rules of the locks).
#include "GifAnimator.h"

#include <algorithm>
#include <mutex>

#include "ScopeExit.h"
#include "WinHandles.h"

namespace vornada {

namespace {

constexpr uint32_t kMinFrameDelayMs = 50;
constexpr uint32_t kMaxFrameDelayMs = 10000;
// The largest composition made, as for frame bitmaps: 8192 x 8192 pixels.
constexpr uint64_t kMaxCompositionPixels = uint64_t{1} << 26;

constexpr TColor PaletteRelative(TColor rgb) { return (rgb & 0xFFFFFF) | 0x02000000; }

// Every bitmap drawn anywhere in the process holds its own canvas lock while it is drawn, so
// that no thread draws a bitmap while another one composes with it.
void DrawBitmapLocked(TBitmap& bitmap, const std::function<void()>& draw) {
  if (bitmap.Empty()) {
    draw();
    return;
  }
  ScopedCanvasLock lock(bitmap.Canvas());
  draw();
}

void InstallBitmapDrawingLock() {
  static std::once_flag installed;
  std::call_once(installed, [] { TBitmap::SetDrawWrapper(&DrawBitmapLocked); });
}

}  // namespace

TGifAnimator::TGifAnimator(TComponent* owner) : TImageControl(owner) {
  timer_ = new TThreadTimer(this);
  image_ = std::make_unique<TGIFImage>();
  image_->OnChange = [this](TObject*) { HandleImageChange(); };
  SetPicture(image_.get());
}

TGifAnimator::~TGifAnimator() {
  Destroying();
  // The handlers go first (a tick asks for them under the state lock), then the animation stops
  // and the tick in progress, if any, is waited for: no event is sent from here on.
  OnStart = nullptr;
  OnStop = nullptr;
  OnChange = nullptr;
  OnFrameChanged = nullptr;
  SetAnimate(false);
  // The timer goes first: once it is gone no tick can touch what follows.
  delete timer_;
  timer_ = nullptr;
  {
    ScopedLock state(StateLock());
    cache_.reset();
    cache_share_.Reset();
  }
  image_->OnChange = nullptr;
  SetPicture(nullptr);
  image_.reset();
}

void TGifAnimator::SetImage(TGIFImage* value) {
  {
    ScopedLock state(StateLock());
    setting_image_ = true;
    const ScopeExit done([this] { setting_image_ = false; });
    image_->Assign(value);
  }
  // What HandleImageChange leaves to after the lock: the OnChange handler may stop the
  // animation, which waits for a tick that may be waiting for the state lock.
  RefreshPicture();
  NotifyChange();
}

void TGifAnimator::SetAnimate(bool value) {
  if (value == animate_.load()) return;
  if (value) {
    timer_->SetOnTimer([this](TObject* sender) { AdvanceFrame(sender); });
    timer_->SetEnabled(true);
    animate_ = timer_->Enabled();
    NotifyStart();
  } else {
    // Marked stopped before the tick in progress is waited for: a stop that tick hands to this
    // thread meanwhile (the end of a run without Loop) finds the animation stopped already, so
    // OnStop is heard once.
    animate_ = false;
    timer_->SetEnabled(false);
    timer_->SetOnTimer(nullptr);
    NotifyStop();
    RefreshPicture();
  }
}

void TGifAnimator::SetAsyncDrawing(bool value) {
  if (value == async_drawing_.load()) return;
  ScopedLock state(StateLock());
  if (value) InstallBitmapDrawingLock();
  timer_->SetSyncEvent(!value);
  async_drawing_ = value;
}

void TGifAnimator::SetAutoSize(bool value) {
  {
    ScopedLock state(StateLock());
    if (value == auto_size_) return;
    auto_size_ = value;
  }
  if (value) AdjustSize();
}

void TGifAnimator::SetCenter(bool value) {
  {
    ScopedLock state(StateLock());
    if (value == center_) return;
    center_ = value;
  }
  RefreshPicture();
  if (animate_) PaintNow();
}

void TGifAnimator::SetStretch(bool value) {
  {
    ScopedLock state(StateLock());
    if (value == stretch_) return;
    stretch_ = value;
  }
  RefreshPicture();
  if (animate_) PaintNow();
}

void TGifAnimator::SetTransparent(bool value) {
  {
    ScopedLock state(StateLock());
    if (value == transparent_) return;
    transparent_ = value;
  }
  RefreshPicture();
  if (animate_) PaintNow();
}

void TGifAnimator::SetFrameIndex(int value) {
  {
    ScopedLock state(StateLock());
    if (value == frame_index_ || value < 0 || value >= image_->FrameCount()) return;
    frame_index_ = value;
    timer_->SetInterval(FrameDelay());
  }
  NotifyFrameChanged();
  RefreshPicture();
}

uint32_t TGifAnimator::FrameDelay() const {
  const int count = image_->FrameCount();
  const int index = frame_index_.load();
  if (index < 0 || index >= count || count < 2) return 0;
  const uint32_t delay = image_->Frames(index)->DelayMs();
  return std::clamp(delay, kMinFrameDelayMs, kMaxFrameDelayMs);
}

void TGifAnimator::HandleImageChange() {
  {
    ScopedLock state(StateLock());
    cache_.reset();
    cache_share_.Reset();
    cache_index_ = -1;
    cache_key_ = clNone;
    frame_index_ = image_->CurrentFrame();
    if (frame_index_ >= 0 && image_->FrameCount() > 0) timer_->SetInterval(FrameDelay());
    if (setting_image_) return;  // SetImage refreshes and notifies once it let go of the lock
  }
  RefreshPicture();
  NotifyChange();
}

bool TGifAnimator::CanAutoSize(int& new_width, int& new_height) {
  ScopedLock state(StateLock());
  if (IsDesigning() || image_->Empty()) return true;
  const TAlign align = Align();
  if (align == TAlign::alNone || align == TAlign::alLeft || align == TAlign::alRight)
    new_width = image_->LogicalWidth();
  if (align == TAlign::alNone || align == TAlign::alTop || align == TAlign::alBottom)
    new_height = image_->LogicalHeight();
  return true;
}

void TGifAnimator::AdjustSize() {
  if (IsLoading() || (ComponentState() & csReading) != 0 || image_ == nullptr) return;
  int width = 0, height = 0;
  {
    ScopedLock state(StateLock());
    if (!auto_size_ || image_->Empty()) return;
    width = image_->LogicalWidth();
    height = image_->LogicalHeight();
  }
  // Without the lock: a resize reaches handlers (OnResize) that may stop the animation.
  SetBounds(Left(), Top(), width, height);
}

HPALETTE TGifAnimator::GetPalette() {
  if (image_ == nullptr) return nullptr;
  ScopedLock state(StateLock());
  if (image_->Empty()) return nullptr;
  return image_->Palette();
}

void TGifAnimator::NotifyChange() {
  if (OnChange) OnChange(this);
}
void TGifAnimator::NotifyFrameChanged() {
  if (OnFrameChanged) OnFrameChanged(this);
}
void TGifAnimator::NotifyStart() {
  if (OnStart) OnStart(this);
}
void TGifAnimator::NotifyStop() {
  if (OnStop) OnStop(this);
}

void TGifAnimator::StopAtEnd() { SetAnimate(false); }

void TGifAnimator::AdvanceFrame(TObject*) {
  // Events of a tick on the timer thread go to the user-interface thread (RunOnUIThread calls
  // directly when the tick runs there).
  bool hand_over_frame_event = false;
  {
    ScopedLock state(StateLock());
    if (BeingPaintCopied() || !ShownForPainting() || image_->FrameCount() < 2 ||
        Parent() == nullptr || !Parent()->HandleAllocated())
      return;
    const int next = frame_index_ + 1;
    frame_index_ = next >= image_->FrameCount() || next < 0 ? 0 : next;
    hand_over_frame_event = static_cast<bool>(OnFrameChanged);
    // Without a handler the change is announced here, still under the lock: a handler
    // assigned meanwhile waits for it and is first heard with the next frame, on the
    // user-interface thread.
    if (!hand_over_frame_event) NotifyFrameChanged();
  }
  // Listeners hear of the new frame before it is painted. No lock is held meanwhile: the
  // user-interface thread may need the state and canvas locks to finish a paint before it can
  // serve a method handed to it, and a handler may use the properties.
  if (hand_over_frame_event && !timer_->RunOnUIThread([this] { NotifyFrameChanged(); }))
    return;  // destroyed meanwhile
  int shown = 0;
  {
    ScopedLock state(StateLock());
    ScopedCanvasLock canvas(Canvas());
    // Afterwards, also on failure: the frame shown stays for its own delay.
    const ScopeExit retime([this] {
      if (frame_index_ >= 0 && frame_index_ < image_->FrameCount())
        timer_->SetInterval(FrameDelay());
    });
    PaintNow();
    shown = frame_index_;
  }
  if (!loop_ && shown == 0) timer_->RunOnUIThread([this] { StopAtEnd(); });
}

void TGifAnimator::PaintImage() {
  ScopedLock state(StateLock());
  TGIFImage& image = *image_;
  if (image.Transparent() || image.Empty()) PaintParentBackground(Canvas());
  if (image.Empty() || image.LogicalWidth() < 1 || image.LogicalHeight() < 1) return;
  TColor key = clNone;
  TBitmap* bitmap = ComposeFrame(frame_index_.load(), key);
  if (bitmap == nullptr) return;
  ScopedCanvasLock bitmap_lock(bitmap->Canvas());
  const RECT client = ClientRect();
  const int client_width = client.right - client.left;
  const int client_height = client.bottom - client.top;
  RECT dest;
  if (stretch_) {
    dest = client;
  } else if (center_) {
    const int x = (client_width - bitmap->Width()) / 2;
    const int y = (client_height - bitmap->Height()) / 2;
    dest = RECT{x, y, x + bitmap->Width(), y + bitmap->Height()};
  } else {
    dest = RECT{0, 0, bitmap->Width(), bitmap->Height()};
  }
  if (key != clNone && transparent_) {
    DrawBitmapColorKeyed(Canvas(), dest, *bitmap, key);
  } else {
    // Opaque, also when the composition was made (and marked transparent) while Transparent
    // was still on.
    if (bitmap->Transparent()) bitmap->SetTransparent(false);
    Canvas().StretchDraw(dest, bitmap);
  }
}

TBitmap* TGifAnimator::ComposeFrame(int index, TColor& key) {
  ScopedLock state(StateLock());
  TGIFImage& image = *image_;
  const int count = image.FrameCount();
  key = clNone;
  if (count == 0) return nullptr;
  index = std::clamp(index, 0, count - 1);
  const int width = image.LogicalWidth();
  const int height = image.LogicalHeight();
  if (uint64_t(std::max(width, 0)) * uint64_t(std::max(height, 0)) > kMaxCompositionPixels)
    throw EInvalidGraphicOperation("GIF image too large");

  const bool reuse = cache_ && cache_index_ >= 0 && index == cache_index_ + 1 &&
                     cache_index_ < count && image.Frames(cache_index_)->DisposeMode() != 3 &&
                     cache_->Width() == width && cache_->Height() == height;
  std::unique_ptr<TBitmap> fresh;
  pictures::BudgetShare fresh_share;
  TBitmap* bitmap = nullptr;
  if (reuse) {
    bitmap = cache_.get();
    key = cache_key_;
  } else {
    cache_.reset();
    cache_share_.Reset();
    cache_index_ = -1;
    cache_key_ = clNone;
    key = clNone;
    // The composition counts in the picture's memory budget (a screen-compatible bitmap of up
    // to 32 bits per pixel).
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
    if (!fresh_share.TryTake(image.Core().SharedBudget(), bytes))
      throw EOutOfMemory("Out of memory");
    fresh = std::make_unique<TBitmap>();
    fresh->SetSize(width, height);
    bitmap = fresh.get();
  }

  TCanvas& canvas = bitmap->Canvas();
  ScopedCanvasLock lock(canvas);
  const HDC dc = canvas.Handle();
  win::ScopedSelectPalette palette(dc, image.Palette(), FALSE);
  auto frame_rect = [](TGIFFrame& frame) {
    TBitmap* frame_bitmap = frame.Bitmap();
    const POINT origin = frame.Origin();
    return RECT{origin.x, origin.y, origin.x + frame_bitmap->Width(),
                origin.y + frame_bitmap->Height()};
  };

  if (reuse) {
    TGIFFrame& previous = *image.Frames(cache_index_);
    if (previous.DisposeMode() == 2) canvas.FillRect(frame_rect(previous));
  } else {
    const int current = image.CurrentFrame();
    TGIFFrame* current_frame = current >= 0 && current < count ? image.Frames(current) : nullptr;
    if (current_frame != nullptr && current_frame->TransColor() != clNone) {
      const COLORREF trans = static_cast<COLORREF>(ColorToRGB(current_frame->TransColor()) & 0xFFFFFF);
      key = static_cast<TColor>(::GetNearestColor(dc, trans) & 0xFFFFFF);
      canvas.Brush().SetColor(PaletteRelative(key));
    } else if (image.BackgroundColor() != clNone && image.Transparent()) {
      canvas.Brush().SetColor(PaletteRelative(image.BackgroundColor()));
    } else {
      canvas.Brush().SetColor(PaletteRelative(ColorToRGB(clWindow)));
    }
    canvas.FillRect(RECT{0, 0, width, height});

    // The last frame at or before `index` after which earlier frames no longer show: one that
    // covers the screen and is opaque, or that is cleared to the background before `index`.
    // An opaque frame restoring the previous screen (disposal 3) before `index` leaves what
    // was there before it, so the search goes on past it.
    int start = index;
    for (; start >= 1; --start) {
      TGIFFrame& frame = *image.Frames(start);
      TBitmap* frame_bitmap = frame.Bitmap();
      if (frame_bitmap->Width() != width || frame_bitmap->Height() != height) continue;
      const bool opaque_start =
          frame.TransColor() == clNone && (start == index || frame.DisposeMode() != 3);
      const bool cleared_before = frame.DisposeMode() == 2 && start < index;
      if (opaque_start || cleared_before) break;
    }
    for (int i = start; i < index; ++i) {
      TGIFFrame& frame = *image.Frames(i);
      switch (frame.DisposeMode()) {
        case 0:
        case 1:
          frame.Draw(canvas, frame_rect(frame), true);
          break;
        case 2:
          if (i != start) canvas.FillRect(frame_rect(frame));
          break;
        default:
          break;
      }
    }
  }
  TGIFFrame& shown = *image.Frames(index);
  shown.Draw(canvas, frame_rect(shown), true);
  if (fresh && key != clNone && transparent_) {
    fresh->SetTransparentColor(PaletteRelative(key));
    fresh->SetTransparent(true);
  }
  if (fresh) {
    cache_ = std::move(fresh);
    cache_share_ = std::move(fresh_share);
  }
  cache_index_ = index;
  cache_key_ = key;
  return cache_.get();
}

}  // namespace vornada
