// Helpers of the GIF Win32 tests (see GifWinTestSupport.h).
#include "GifWinTestSupport.h"

#include "../gif/GifTestSupport.h"

namespace vornada::gifwin_test {

std::vector<uint8_t> FixtureBytes(const std::string& name) {
  if (name.rfind("window/", 0) == 0) {
    return testing::RequireFileBytes(
        testing::SourcePath("pictures/tests/gifwin/data/" + name.substr(7) + ".gif"));
  }
  return testing::RequireFileBytes(gif::test::FixturePath(name + ".gif"));
}

std::vector<std::string> ReadableCoreFixtures() {
  std::vector<std::string> names;
  for (const std::string& name : testing::FileNamesIn(gif::test::FixtureDir(), ".expect"))
    names.push_back(name.substr(0, name.size() - 7));
  return names;
}

std::unique_ptr<TGIFImage> LoadGif(const std::vector<uint8_t>& bytes) {
  auto image = std::make_unique<TGIFImage>();
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  image->LoadFromStream(stream);
  return image;
}

}  // namespace vornada::gifwin_test
