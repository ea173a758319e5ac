// Helpers shared by the GIF Win32 tests (see GifWinTestSupport.h).
#include "GifWinTestSupport.h"

#include <cstdio>
#include <cstdlib>

#include "../gif/GifTestSupport.h"
#include "WinHandles.h"

namespace vornada::gifwin_test {

std::vector<uint8_t> FixtureBytes(const std::string& name) {
  if (name.rfind("window/", 0) == 0) {
    return gif::test::ReadFileBytes(std::string(VORNADA_SOURCE_DIR) +
                                    "/pictures/tests/gifwin/data/" + name.substr(7) + ".gif");
  }
  return gif::test::ReadFileBytes(gif::test::FixturePath(name + ".gif"));
}

std::vector<std::string> ReadableCoreFixtures() {
  std::vector<std::string> names;
  for (const std::string& path : gif::test::FilesIn(gif::test::FixtureDir(), ".expect")) {
    const size_t slash = path.find_last_of("/\\");
    names.push_back(path.substr(slash + 1, path.size() - slash - 1 - 7));
  }
  return names;
}

std::unique_ptr<TGIFImage> LoadGif(const std::vector<uint8_t>& bytes) {
  auto image = std::make_unique<TGIFImage>();
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  image->LoadFromStream(stream);
  return image;
}

std::vector<uint32_t> PixelsOf(HDC dc, int x, int y, int width, int height) {
  std::vector<uint32_t> out(static_cast<size_t>(width) * height);
  if (width <= 0 || height <= 0) return out;
  win::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  win::UniqueBitmap section(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    win::ScopedSelectObject select(memory.get(), section.get());
    ::BitBlt(memory.get(), 0, 0, width, height, dc, x, y, SRCCOPY);
    ::GdiFlush();
  }
  const auto* p = static_cast<const uint8_t*>(bits);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = p[i * 4 + 2] | (p[i * 4 + 1] << 8) | (p[i * 4 + 0] << 16);
  return out;
}

std::vector<uint32_t> PixelsOf(TBitmap& bitmap) {
  ScopedCanvasLock lock(bitmap.Canvas());
  return PixelsOf(bitmap.Canvas().Handle(), 0, 0, bitmap.Width(), bitmap.Height());
}

void MakeFilled32(TBitmap& bitmap, int width, int height, TColor color) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(width, height);
  bitmap.Canvas().Brush().SetColor(color);
  bitmap.Canvas().FillRect(RECT{0, 0, width, height});
}

void PumpMessages(int ms, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    Application()->ProcessMessages();
    if (done && done()) return;
    ::Sleep(1);
  }
  Application()->ProcessMessages();
}

TForm& StageForm() {
  static TForm* form = [] {
    auto* f = new TForm(nullptr);
    f->SetBorderStyle(TFormBorderStyle::bsNone);
    f->SetBounds(0, 724, 400, 300);
    f->Show();
    PumpMessages(20);
    return f;
  }();
  return *form;
}

TPanel& StagePanel() {
  static TPanel* panel = [] {
    auto* p = new TPanel(&StageForm());
    p->SetParent(&StageForm());
    p->SetBevelOuter(TBevelCut::bvNone);
    p->SetParentColor(false);
    p->SetColor(RGB(10, 20, 30));
    p->SetBounds(0, 0, 400, 300);
    PumpMessages(20);
    return p;
  }();
  return *panel;
}

int64_t Watchdog::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Watchdog::Watchdog(std::string what, std::chrono::milliseconds limit)
    : what_(std::move(what)), limit_(limit), last_kick_(Now()) {
  thread_ = std::thread([this] {
    while (!stop_.load()) {
      if (Now() - last_kick_.load() > limit_.count()) {
        std::fprintf(stderr, "WATCHDOG: no progress for %lld ms in %s: deadlock?\n",
                     static_cast<long long>(limit_.count()), what_.c_str());
        std::fflush(stderr);
        std::_Exit(3);
      }
      ::Sleep(20);
    }
  });
}

Watchdog::~Watchdog() {
  stop_.store(true);
  thread_.join();
}

}  // namespace vornada::gifwin_test
