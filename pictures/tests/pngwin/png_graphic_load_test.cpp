// The PNG picture class under Wine: loading (the PNG suite and the core's fixtures give exactly
// the image a plain core load gives, and the same failures), the exception classes and their
// messages, reading exactly one PNG from a longer stream, the stored form inside a window
// description, the picture registry, and saving.
#include <gtest/gtest.h>

#include <type_traits>

#include "../png/PngTestSupport.h"
#include "Classes.h"
#include "Graphics.h"
#include "PngGraphic.h"
#include "PngWinTestSupport.h"
#include "WinHandles.h"
#include "png/PngBlend.h"

namespace vornada {
namespace {

using namespace pngwin_test;
using namespace testing;
using png::test::FixturePath;
using png::test::PngFilesIn;
using png::test::RequireFileBytes;
using png::test::SuiteDir;
using png::test::SuitePath;

// A core host that starts palette images with the platform's halftone palette, as the
// picture class does; every other detail is the core's heap store.
class PlatformHalftoneHost final : public png::ImageStoreHost {
 public:
  std::unique_ptr<png::PixelStore> CreateStore(const png::BitmapInfo& info,
                                               uint64_t bytes) override {
    return png::DefaultStoreHost().CreateStore(info, bytes);
  }
  void HalftonePalette(png::RgbQuad (&entries)[256]) const override {
    win::ScopedGetDC screen(nullptr);
    win::UniquePalette halftone(::CreateHalftonePalette(screen));
    PALETTEENTRY read[256] = {};
    ASSERT_EQ(::GetPaletteEntries(halftone.get(), 0, 256, read), 256u);
    for (int i = 0; i < 256; ++i) entries[i] = {read[i].peBlue, read[i].peGreen, read[i].peRed, 0};
  }
};

// Loads `path` through the picture class and through a plain core picture and expects the
// same outcome: the same image (also the chunks kept after a failure), the same error class
// and message. Returns whether the file loaded.
bool ExpectLoadsLikeTheCore(const std::string& path) {
  SCOPED_TRACE(path);
  const std::vector<uint8_t> bytes = RequireFileBytes(path);
  PlatformHalftoneHost host;
  png::PngPicture core(host);
  const png::test::LoadOutcome core_outcome = png::test::LoadBytes(core, bytes);

  TPngGraphic graphic;
  const Failure failure = FailureOf([&] {
    TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    graphic.LoadFromStream(stream);
  });
  EXPECT_EQ(!failure.thrown, core_outcome.ok) << failure.message;
  if (!core_outcome.ok) {
    EXPECT_EQ(failure.class_name, png::ErrorClassName(core_outcome.kind));
    EXPECT_EQ(failure.message, core_outcome.message);
  }
  ExpectSameImage(core, graphic.Core());
  if (graphic.Core().Header() != nullptr) ExpectGdiMirrorsCore(graphic);
  return core_outcome.ok;
}

TEST(PngGraphicLoad, EverySuiteFileLoadsAsThePlainCoreLoadsIt) {
  int loaded = 0, failed = 0;
  for (const auto& name : PngFilesIn(SuiteDir()))
    (ExpectLoadsLikeTheCore(SuitePath(name)) ? loaded : failed)++;
  // 162 readable files, two corrupt ones whose only fault is a CRC, and 12 broken ones.
  EXPECT_EQ(loaded, 162 + 2);
  EXPECT_EQ(failed, 12);
}

TEST(PngGraphicLoad, EveryCoreFixtureLoadsAsThePlainCoreLoadsIt) {
  int files = 0;
  for (const auto& name : PngFilesIn(FixturePath(""))) {
    ExpectLoadsLikeTheCore(FixturePath(name));
    ++files;
  }
  for (const auto& name : PngFilesIn(png::test::RegressionDir())) {
    ExpectLoadsLikeTheCore(png::test::RegressionDir() + "/" + name);
    ++files;
  }
  EXPECT_GT(files, 60);
}

TEST(PngGraphicLoad, PaletteImageStartsWithThePlatformHalftonePalette) {
  // The PLTE chunk of this file is broken, so the header's starting palette stays.
  TPngGraphic graphic;
  const std::vector<uint8_t> bytes = RequireFileBytes(FixturePath("err_plte_length.png"));
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  EXPECT_THROW(graphic.LoadFromStream(stream), EPngInvalidPalette);
  const png::TPngChunkIHDR* header = graphic.Core().Header();
  ASSERT_NE(header, nullptr);
  ASSERT_EQ(header->PaletteCount(), 256u);
  win::ScopedGetDC screen(nullptr);
  win::UniquePalette halftone(::CreateHalftonePalette(screen));
  PALETTEENTRY expected[256] = {};
  ASSERT_EQ(::GetPaletteEntries(halftone.get(), 0, 256, expected), 256u);
  for (int i = 0; i < 256; ++i) {
    const png::RgbQuad& c = header->Info().colours[i];
    EXPECT_TRUE(c.red == expected[i].peRed && c.green == expected[i].peGreen &&
                c.blue == expected[i].peBlue)
        << "entry " << i;
  }
  ExpectGdiMirrorsCore(graphic);
}

// ---- exception classes -----------------------------------------------------------------------

static_assert(std::is_base_of_v<Exception, EPngInvalidFileHeader> &&
                  std::is_base_of_v<Exception, EPngUnexpectedEnd> &&
                  std::is_base_of_v<Exception, EPngIHDRNotFirst> &&
                  std::is_base_of_v<Exception, EPngInvalidIHDR> &&
                  std::is_base_of_v<Exception, EPngSizeExceeds> &&
                  std::is_base_of_v<Exception, EPngUnknownCompression> &&
                  std::is_base_of_v<Exception, EPngUnknownInterlace> &&
                  std::is_base_of_v<Exception, EPngInvalidPalette> &&
                  std::is_base_of_v<Exception, EPngMissingMultipleIDAT> &&
                  std::is_base_of_v<Exception, EPngZLIBError> &&
                  std::is_base_of_v<Exception, EPngNoImageData> &&
                  std::is_base_of_v<Exception, EPngHeaderNotPresent> &&
                  std::is_base_of_v<Exception, EPngOutMemory> &&
                  std::is_base_of_v<Exception, EPngError> &&
                  std::is_base_of_v<Exception, EPngInvalidNewSize> &&
                  std::is_base_of_v<Exception, EPngInvalidColourFormat>,
              "every PNG exception is a framework exception");

template <typename E>
bool IsA(const Exception& e) {
  return dynamic_cast<const E*>(&e) != nullptr;
}

constexpr const char* kInvalidFileHeader =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it contains "
    "an invalid header. This file may be corrupted, try obtaining it again.";
constexpr const char* kUnexpectedEnd =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected "
    "end of the file.";
constexpr const char* kIHDRNotFirst =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR "
    "chunk is not the first)";
constexpr const char* kInvalidIHDR =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece "
    "of data (ihdr) might be corrupted";
constexpr const char* kSizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
constexpr const char* kUnknownCompression =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which "
    "could not be decoded.";
constexpr const char* kUnknownInterlace =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be "
    "decoded.";
constexpr const char* kInvalidPalette =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
constexpr const char* kMissingParts =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
constexpr const char* kZlibPrefix =
    "Could not decompress the image because it contains invalid compressed data.\r\n Description: ";
constexpr const char* kNoImageData = "This \"Portable Network Graphics\" image contains no data.";
constexpr const char* kOutMemory =
    "Some operation could not be performed because the system is out of resources. Close some "
    "windows and try again.";
constexpr const char* kInvalidColourFormat =
    "This \"Portable Network Graphics\" image is not supported because its colour type and bit "
    "depth do not form a valid combination.";

struct ErrorCase {
  const char* file;
  bool (*is_class)(const Exception&);
  const char* class_name;
  std::string message;
};

TEST(PngGraphicErrors, EachBrokenFileRaisesItsClassWithTheExactMessage) {
  const ErrorCase cases[] = {
      {"err_signature.png", IsA<EPngInvalidFileHeader>, "EPngInvalidFileHeader",
       kInvalidFileHeader},
      {"err_empty.png", IsA<EPngInvalidFileHeader>, "EPngInvalidFileHeader", kInvalidFileHeader},
      {"err_cut_in_length.png", IsA<EPngUnexpectedEnd>, "EPngUnexpectedEnd", kUnexpectedEnd},
      {"err_cut_in_idat.png", IsA<EPngUnexpectedEnd>, "EPngUnexpectedEnd", kUnexpectedEnd},
      {"err_ihdr_not_first.png", IsA<EPngIHDRNotFirst>, "EPngIHDRNotFirst", kIHDRNotFirst},
      {"err_ihdr_short.png", IsA<EPngInvalidIHDR>, "EPngInvalidIHDR", kInvalidIHDR},
      {"err_zero_width.png", IsA<EPngInvalidIHDR>, "EPngInvalidIHDR", kInvalidIHDR},
      {"err_width65536.png", IsA<EPngSizeExceeds>, "EPngSizeExceeds", kSizeExceeds},
      {"err_height65536.png", IsA<EPngSizeExceeds>, "EPngSizeExceeds", kSizeExceeds},
      {"err_compression.png", IsA<EPngUnknownCompression>, "EPngUnknownCompression",
       kUnknownCompression},
      {"err_interlace2.png", IsA<EPngUnknownInterlace>, "EPngUnknownInterlace", kUnknownInterlace},
      {"err_plte_length.png", IsA<EPngInvalidPalette>, "EPngInvalidPalette", kInvalidPalette},
      {"err_plte_257.png", IsA<EPngInvalidPalette>, "EPngInvalidPalette", kInvalidPalette},
      {"err_trns_257.png", IsA<EPngInvalidPalette>, "EPngInvalidPalette", kInvalidPalette},
      {"err_missing_parts.png", IsA<EPngMissingMultipleIDAT>, "EPngMissingMultipleIDAT",
       kMissingParts},
      {"err_zlib_data.png", IsA<EPngZLIBError>, "EPngZLIBError",
       std::string(kZlibPrefix) + "data error (-3)"},
      {"err_stream_end.png", IsA<EPngZLIBError>, "EPngZLIBError",
       std::string(kZlibPrefix) + "stream end (1)"},
      {"err_dictionary.png", IsA<EPngZLIBError>, "EPngZLIBError",
       std::string(kZlibPrefix) + "need dictionary (2)"},
      {"err_no_idat.png", IsA<EPngNoImageData>, "EPngNoImageData", kNoImageData},
      // 68 bytes declaring 60000 x 60000 gray pixels: beyond the picture's memory budget.
      {"err_declares_60000.png", IsA<EPngOutMemory>, "EPngOutMemory", kOutMemory},
      {"err_rgb_depth4.png", IsA<EPngInvalidColourFormat>, "EPngInvalidColourFormat",
       kInvalidColourFormat},
      {"err_colour7.png", IsA<EPngInvalidColourFormat>, "EPngInvalidColourFormat",
       kInvalidColourFormat},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<uint8_t> bytes = RequireFileBytes(FixturePath(c.file));
    TPngGraphic graphic;
    bool raised = false;
    try {
      TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
      graphic.LoadFromStream(stream);
    } catch (const Exception& e) {
      raised = true;
      EXPECT_TRUE(c.is_class(e)) << "raised " << e.ClassName();
      EXPECT_STREQ(e.ClassName(), c.class_name);
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_STREQ(e.what(), c.message.c_str());
    }
    EXPECT_TRUE(raised);
  }
}

TEST(PngGraphicErrors, ChunksReadBeforeTheErrorStay) {
  TPngGraphic graphic;
  const std::vector<uint8_t> bytes = RequireFileBytes(FixturePath("err_missing_parts.png"));
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  EXPECT_THROW(graphic.LoadFromStream(stream), EPngMissingMultipleIDAT);
  EXPECT_FALSE(graphic.Empty());
  EXPECT_EQ(graphic.Width(), 4);
  EXPECT_EQ(graphic.Height(), 4);
  ASSERT_GE(graphic.Core().Chunks().Count(), 2);
  EXPECT_EQ(graphic.Core().Chunks().Item(1)->TypeString(), "IDAT");
}

TEST(PngGraphicErrors, OperationsThatNeedAnImageFailOnAnEmptyPicture) {
  const std::string message =
      "This operation is not valid because the current image contains no valid header.";
  TPngGraphic empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.Height(), 0);
  EXPECT_FALSE(empty.Transparent());
  const std::function<void()> actions[] = {
      [&] { (void)empty.Palette(); },
      [&] { empty.SetWidth(5); },
      [&] { empty.SetHeight(5); },
      [&] { (void)empty.GetPixelColor(0, 0); },
      [&] { empty.SetPixelColor(0, 0, clRed); },
      [&] {
        TMemoryStream out;
        empty.SaveToStream(out);
      },
  };
  for (const auto& action : actions) {
    const Failure f = FailureOf(action);
    EXPECT_TRUE(f.thrown);
    EXPECT_EQ(f.class_name, "EPngHeaderNotPresent");
    EXPECT_EQ(f.message, message);
  }
}

// ---- streams ---------------------------------------------------------------------------------

TEST(PngGraphicStream, ReadsExactlyUpToTheIendCrcAndRaisesOneChange) {
  const std::vector<uint8_t> png = RequireFileBytes(FixturePath("multi_idat.png"));
  TMemoryStream stream;
  stream.WriteBuffer(png.data(), static_cast<int64_t>(png.size()));
  const uint8_t after[3] = {'X', 'Y', 'Z'};
  stream.WriteBuffer(after, 3);
  stream.SetPosition(0);
  TPngGraphic graphic;
  int changes = 0;
  graphic.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &graphic);
    ++changes;
  };
  graphic.LoadFromStream(stream);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(png.size()));
  uint8_t next = 0;
  stream.ReadBuffer(&next, 1);
  EXPECT_EQ(next, 'X');
}

TEST(PngGraphicStream, SavingWritesWhatTheCoreWritesAndLoadsBackToTheSamePixels) {
  std::vector<std::string> paths;
  for (const auto& name : PngFilesIn(SuiteDir()))
    if (name[0] != 'x') paths.push_back(SuitePath(name));
  for (const auto& name : PngFilesIn(FixturePath("")))
    if (name.rfind("err_", 0) != 0) paths.push_back(FixturePath(name));
  ASSERT_GT(paths.size(), 190u);
  for (const auto& path : paths) {
    SCOPED_TRACE(path);
    const std::vector<uint8_t> bytes = RequireFileBytes(path);
    std::unique_ptr<TPngGraphic> graphic = LoadGraphic(bytes);
    png::PngPicture core;
    ASSERT_TRUE(png::test::LoadBytes(core, bytes).ok);
    const std::vector<uint8_t> saved = SaveGraphic(*graphic);
    EXPECT_EQ(saved, png::test::SaveBytes(core));
    std::unique_ptr<TPngGraphic> again = LoadGraphic(saved);
    EXPECT_EQ(png::ExportRgba(again->Core()), png::ExportRgba(graphic->Core()));
  }
}

// ---- stored form -----------------------------------------------------------------------------

std::vector<uint8_t> StoredForm(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> form = {11};
  const std::string name = "TPngGraphic";
  form.insert(form.end(), name.begin(), name.end());
  form.insert(form.end(), png.begin(), png.end());
  return form;
}

TEST(PngGraphicStoredForm, HolderReadsNameThenTheWholeFileAndTheNextPropertyFollows) {
  const std::vector<uint8_t> png = RequireFileBytes(FixturePath("icon_phys_itxt.png"));
  std::vector<uint8_t> form = StoredForm(png);
  form.push_back(0x07);  // the next property's first byte
  TBytesStream stream(form.data(), static_cast<int64_t>(form.size()));
  TPicture picture;
  picture.ReadData(stream);
  auto* graphic = dynamic_cast<TPngGraphic*>(picture.Graphic());
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(form.size() - 1));
  uint8_t next = 0;
  stream.ReadBuffer(&next, 1);
  EXPECT_EQ(next, 0x07);
  png::PngPicture core;
  ASSERT_TRUE(png::test::LoadBytes(core, png).ok);
  ExpectSameImage(core, graphic->Core());

  // Written back: the same prefix, then the picture's PNG, nothing else.
  TMemoryStream written;
  picture.WriteData(written);
  const std::vector<uint8_t> expected = StoredForm(SaveGraphic(*graphic));
  ASSERT_EQ(written.Size(), static_cast<int64_t>(expected.size()));
  EXPECT_EQ(std::vector<uint8_t>(written.Memory(), written.Memory() + written.Size()), expected);

  // And read again, with a following byte.
  const uint8_t after = 0x42;
  written.WriteBuffer(&after, 1);
  written.SetPosition(0);
  TPicture again;
  again.ReadData(written);
  auto* reread = dynamic_cast<TPngGraphic*>(again.Graphic());
  ASSERT_NE(reread, nullptr);
  EXPECT_EQ(png::ExportRgba(reread->Core()), png::ExportRgba(core));
  written.ReadBuffer(&next, 1);
  EXPECT_EQ(next, 0x42);
}

TEST(PngGraphicStoredForm, TruncatedFormFailsAndTheHolderKeepsWhatItHad) {
  const std::vector<uint8_t> png = RequireFileBytes(FixturePath("pal8_trns.png"));
  const std::vector<uint8_t> whole = StoredForm(png);
  TPicture picture;
  TBitmap previous;
  previous.SetSize(3, 2);
  picture.SetGraphic(&previous);
  for (size_t cut :
       {size_t{12 + 8 + 13}, size_t{12 + 8 + 25 + 300}, whole.size() - 16, whole.size() - 8}) {
    SCOPED_TRACE(cut);
    std::vector<uint8_t> form(whole.begin(), whole.begin() + static_cast<long>(cut));
    TBytesStream stream(form.data(), static_cast<int64_t>(form.size()));
    const Failure f = FailureOf([&] { picture.ReadData(stream); });
    EXPECT_TRUE(f.thrown);
    EXPECT_EQ(f.class_name, "EPngUnexpectedEnd");
    EXPECT_EQ(f.message, kUnexpectedEnd);
    ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 3);

    // Freeing a half-read picture releases its image's device context, DIB and palette.
    std::vector<uint8_t> file(form.begin() + 12, form.end());
    auto half_read = std::make_unique<TPngGraphic>();
    TBytesStream file_stream(file.data(), static_cast<int64_t>(file.size()));
    EXPECT_THROW(half_read->LoadFromStream(file_stream), EPngUnexpectedEnd);
    if (half_read->Core().Header() != nullptr) {
      const ImageHandles handles = HandlesOf(*half_read);
      EXPECT_NE(handles.palette, nullptr);
      ASSERT_TRUE(Alive(handles));
      half_read.reset();
      EXPECT_TRUE(Released(handles));
    }
  }
}

// ---- registry --------------------------------------------------------------------------------

TEST(PngGraphicRegistry, RegisteredUnderItsNameAndExtension) {
  const TGraphicClassInfo* info = TPicture::FindClass("TPngGraphic");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->class_name, "TPngGraphic");
  EXPECT_EQ(info->extension, L"PNG");
  EXPECT_EQ(info->description, L"Portable Network Graphics");
  std::unique_ptr<TGraphic> made = info->create();
  EXPECT_NE(dynamic_cast<TPngGraphic*>(made.get()), nullptr);
  EXPECT_TRUE(made->Empty());
  // Class names are compared exactly; extensions without regard to case.
  EXPECT_EQ(TPicture::FindClass("TPNGGraphic"), nullptr);
  EXPECT_EQ(TPicture::FindExtension(L"png"), info);

  TPicture picture;
  const std::string path = FixturePath("rgb8.png");
  picture.LoadFromFile(std::wstring(path.begin(), path.end()));
  auto* graphic = dynamic_cast<TPngGraphic*>(picture.Graphic());
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->Width(), 37);
  EXPECT_EQ(graphic->Height(), 23);
}

}  // namespace
}  // namespace vornada
