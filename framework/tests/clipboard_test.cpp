// Tests of the clipboard under Wine: text in and out (also a block without a terminating zero),
// emptying, pictures put on it as bitmaps, nested opening, and what happens when another
// thread holds it open.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "Clipbrd.h"
#include "Graphics.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

TEST(Clipboard, TextRoundTrip) {
  const std::wstring text = L"127.0.0.1 localhost\r\n\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600";
  Clipboard()->SetAsText(text);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(Clipboard()->AsText(), text);
  Clipboard()->SetAsText(L"");
  EXPECT_EQ(Clipboard()->AsText(), L"");
}

TEST(Clipboard, ClearEmptiesIt) {
  Clipboard()->SetAsText(L"something");
  ASSERT_GT(::CountClipboardFormats(), 0);
  Clipboard()->Clear();
  EXPECT_EQ(::CountClipboardFormats(), 0);
  EXPECT_FALSE(Clipboard()->HasFormat(CF_UNICODETEXT));
  EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), L"");
}

TEST(Clipboard, TextBlockWithoutTerminatorIsReadOnlyToItsEnd) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 3 * sizeof(wchar_t));
  ASSERT_NE(block, nullptr);
  std::memcpy(::GlobalLock(block), L"abc", 3 * sizeof(wchar_t));
  ::GlobalUnlock(block);
  Clipboard()->SetAsHandle(CF_UNICODETEXT, block);
  // (Wine stores such a block with its last character made the terminator.)
  const std::wstring text = Clipboard()->AsText();
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(std::wstring(L"abc").rfind(text, 0), 0u)
      << "read past the end of the block: " << ::testing::PrintToString(text);
}

void MakeRedWithBlueCorner(TBitmap& b) {
  testing::MakeFilled32(b, 3, 2, clRed);
  b.Canvas().SetPixel(2, 1, clBlue);
}

void ExpectClipboardBitmapIsRedWithBlueCorner() {
  ASSERT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  const auto handle = static_cast<HBITMAP>(Clipboard()->GetAsHandle(CF_BITMAP));
  ASSERT_NE(handle, nullptr);
  TBitmap back;
  back.LoadFromClipboardFormat(CF_BITMAP, handle, nullptr);
  ASSERT_EQ(back.Width(), 3);
  ASSERT_EQ(back.Height(), 2);
  EXPECT_EQ(back.Canvas().Pixel(0, 0), static_cast<TColor>(RGB(255, 0, 0)));
  EXPECT_EQ(back.Canvas().Pixel(2, 1), static_cast<TColor>(RGB(0, 0, 255)));
}

TEST(Clipboard, PictureGoesOnAsABitmapReplacingTheText) {
  Clipboard()->SetAsText(L"old text");
  TBitmap bitmap;
  MakeRedWithBlueCorner(bitmap);
  Clipboard()->Assign(&bitmap);
  EXPECT_FALSE(Clipboard()->HasFormat(CF_UNICODETEXT));
  ExpectClipboardBitmapIsRedWithBlueCorner();

  Clipboard()->SetAsText(L"old text");
  TPicture picture;
  MakeRedWithBlueCorner(*picture.Bitmap());
  Clipboard()->Assign(&picture);
  EXPECT_FALSE(Clipboard()->HasFormat(CF_UNICODETEXT));
  ExpectClipboardBitmapIsRedWithBlueCorner();

  TPicture empty;
  Clipboard()->Assign(&empty);
  EXPECT_EQ(::CountClipboardFormats(), 0) << "an empty picture empties the clipboard";

  TStringList not_a_picture;
  EXPECT_THROW(Clipboard()->Assign(&not_a_picture), EConvertError);
}

TEST(Clipboard, NestedOpeningEmptiesOnceAndClosesAtTheEnd) {
  const UINT custom = ::RegisterClipboardFormatW(L"Vornada test data");
  Clipboard()->Open();
  Clipboard()->Open();
  Clipboard()->SetAsText(L"first");
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(::GlobalLock(block), "data", 4);
  ::GlobalUnlock(block);
  Clipboard()->SetAsHandle(custom, block);
  Clipboard()->Close();
  EXPECT_EQ(::GetOpenClipboardWindow(), Application()->Handle()) << "still open once";
  Clipboard()->Close();
  EXPECT_EQ(::GetOpenClipboardWindow(), nullptr);
  EXPECT_TRUE(Clipboard()->HasFormat(custom));
  EXPECT_EQ(Clipboard()->AsText(), L"first") << "the second format did not empty the first";
  Clipboard()->Close();  // one more than opened: nothing happens
  EXPECT_EQ(::GetOpenClipboardWindow(), nullptr);
}

TEST(Clipboard, HeldByAnotherThreadFailsAndFreesTheData) {
  std::atomic<bool> holding{false}, release{false};
  std::thread holder([&] {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr);
    if (::OpenClipboard(window)) {
      holding = true;
      while (!release) ::Sleep(5);
      ::CloseClipboard();
    }
    ::DestroyWindow(window);
  });
  while (!holding) ::Sleep(5);
  try {
    Clipboard()->SetAsText(L"x");
    ADD_FAILURE() << "the clipboard is held elsewhere";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot open clipboard");
  }
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 8);
  EXPECT_THROW(Clipboard()->SetAsHandle(CF_UNICODETEXT, block), Exception);
  EXPECT_EQ(::GlobalFlags(block), static_cast<UINT>(GMEM_INVALID_HANDLE))
      << "data the clipboard did not take was not freed";
  release = true;
  holder.join();
  Clipboard()->SetAsText(L"after");
  EXPECT_EQ(Clipboard()->AsText(), L"after") << "usable again once released";
}

}  // namespace
}  // namespace vornada
