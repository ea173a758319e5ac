// The portable PNG picture: loading, saving, transparency, resizing, pixel access, copies and
// conversion from bitmaps.
#include "PngPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#include "PngRows.h"

namespace vornada::png {
namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr ChunkType kIHDR = MakeChunkType("IHDR");
constexpr ChunkType kIDAT = MakeChunkType("IDAT");
constexpr ChunkType kIEND = MakeChunkType("IEND");
constexpr ChunkType kcHRM = MakeChunkType("cHRM");
// What one chunk object takes besides its data (the object, its list slot, the allocator's
// bookkeeping); counted so that a file of many empty chunks cannot grow without bound.
constexpr uint64_t kChunkObjectBytes = 512;
// The largest width and height a PNG picture reads, and so the largest it may take.
constexpr uint32_t kLargestSide = 65535;

uint32_t ColourOf(const RgbQuad& q) { return MakeColour(q.red, q.green, q.blue); }

}  // namespace

uint32_t NearestPaletteIndex(const RgbQuad* entries, uint32_t count, uint32_t colour) {
  uint32_t best = 0;
  uint64_t best_distance = UINT64_MAX;
  for (uint32_t i = 0; i < count; ++i) {
    int64_t dr = int64_t{entries[i].red} - RedOf(colour);
    int64_t dg = int64_t{entries[i].green} - GreenOf(colour);
    int64_t db = int64_t{entries[i].blue} - BlueOf(colour);
    uint64_t d = static_cast<uint64_t>(dr * dr + dg * dg + db * db);
    if (d < best_distance) {
      best_distance = d;
      best = i;
    }
  }
  return best;
}

PngPicture::PngPicture(ImageStoreHost& host) : host_(host) { ResetGamma(); }

PngPicture::~PngPicture() = default;

pictures::BudgetShare PngPicture::TakeMemory(uint64_t bytes) const {
  pictures::BudgetShare share;
  if (!share.TryTake(budget_, bytes)) throw PngError(ErrorKind::OutMemory);
  return share;
}

void PngPicture::ResetGamma() {
  for (int i = 0; i < 256; ++i) {
    FDecodeGamma[i] = static_cast<uint8_t>(i);
    FEncodeGamma[i] = static_cast<uint8_t>(i);
  }
}

void PngPicture::Clear() {
  FChunkSeq.Clear();
  ResetGamma();
  imageDecoded_ = false;
}

void PngPicture::SetIdatLimit(uint32_t limit) {
  // At least 65535; at most the largest chunk length PNG allows.
  FIdatLimit = std::clamp<uint32_t>(limit, 65535, 0x7FFFFFFF);
}

void PngPicture::ApplyGammaValue(uint32_t value) {
  if (value == 0) return;
  const double exponent = 1.0 / (value / 100000.0 * 2.2);
  for (int i = 0; i < 256; ++i) {
    double v = i == 0 ? 0.0 : 255.0 * std::pow(i / 255.0, exponent);
    FDecodeGamma[i] = static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
  }
  for (int i = 0; i < 256; ++i) FEncodeGamma[FDecodeGamma[i]] = static_cast<uint8_t>(i);
}

TPngChunkIHDR* PngPicture::Header() const {
  auto* header = dynamic_cast<TPngChunkIHDR*>(FChunkSeq.Item(0));
  // A header chunk that failed to load has no image and does not count.
  return header != nullptr && header->Store() != nullptr ? header : nullptr;
}

TPngChunkIHDR& PngPicture::RequireHeader() const {
  TPngChunkIHDR* header = Header();
  if (header == nullptr) throw PngError(ErrorKind::HeaderNotPresent);
  return *header;
}

uint32_t PngPicture::Width() const {
  TPngChunkIHDR* header = Header();
  return header ? header->Width() : 0;
}

uint32_t PngPicture::Height() const {
  TPngChunkIHDR* header = Header();
  return header ? header->Height() : 0;
}

void PngPicture::LoadFromStream(ByteSource& source) {
  try {
    LoadChunks(source);
  } catch (const std::bad_alloc&) {
    throw PngError(ErrorKind::OutMemory);
  }
  Changed();
}

void PngPicture::LoadChunks(ByteSource& source) {
  Clear();
  uint8_t signature[8];
  if (source.Read(signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0)
    throw PngError(ErrorKind::InvalidFileHeader);
  bool first = true;
  for (;;) {
    uint8_t head[8];
    // A chunk whose length or type is cut short ends the file unexpectedly.
    if (source.Read(head, 4) != 4) throw PngError(ErrorKind::UnexpectedEnd);
    if (source.Read(head + 4, 4) != 4) throw PngError(ErrorKind::UnexpectedEnd);
    const uint32_t length = ReadBigEndian32(head);
    const ChunkType type{static_cast<char>(head[4]), static_cast<char>(head[5]),
                         static_cast<char>(head[6]), static_cast<char>(head[7])};
    if (first && type != kIHDR) throw PngError(ErrorKind::IHDRNotFirst);
    if (type == kcHRM || (type == kIDAT && imageDecoded_)) {
      source.Skip(uint64_t{length} + 4);
      first = false;
      continue;
    }
    const ChunkClassEntry* entry = FindChunkClass(type);
    // Only the first chunk is the header; a repeated IHDR is kept as plain data.
    if (!first && type == kIHDR) entry = nullptr;
    first = false;
    pictures::BudgetShare object = TakeMemory(kChunkObjectBytes);
    std::unique_ptr<TPngChunk> chunk =
        entry ? entry->create(*this) : std::make_unique<TPngChunk>(*this);
    chunk->HoldObjectShare(std::move(object));
    TPngChunk* added = FChunkSeq.Add(std::move(chunk));
    if (!added->LoadFromStream(source, type, length)) throw PngError(ErrorKind::UnexpectedEnd);
    if (type == kIEND) break;
  }
  if (!imageDecoded_) throw PngError(ErrorKind::NoImageData);
}

void PngPicture::SaveToStream(ByteSink& sink) {
  try {
    sink.Write(kSignature, 8);
    for (const auto& chunk : FChunkSeq) chunk->SaveToStream(sink);
  } catch (const std::bad_alloc&) {
    throw PngError(ErrorKind::OutMemory);
  }
}

const uint8_t* PngPicture::AlphaTable() const {
  TPngChunktRNS* trns = FChunkSeq.Find<TPngChunktRNS>();
  return trns ? trns->AlphaTable().data() : nullptr;
}

TPNGAlphaKind PngPicture::AlphaKind() const {
  TPngChunkIHDR* header = Header();
  if (header == nullptr) return akOpaque;
  TPngChunktRNS* trns = FChunkSeq.Find<TPngChunktRNS>();
  switch (header->ColourType()) {
    case 0:
    case 2: return trns ? akKeyColour : akOpaque;
    case 3:
      if (!trns) return akOpaque;
      return trns->SingleColour() ? akKeyColour : akBlended;
    default: return akBlended;
  }
}

uint32_t PngPicture::KeyColour() const {
  TPngChunkIHDR* header = Header();
  TPngChunktRNS* trns = FChunkSeq.Find<TPngChunktRNS>();
  if (header == nullptr || trns == nullptr) return 0;
  const auto& table = trns->AlphaTable();
  const uint8_t depth = header->BitDepth();
  // Key samples are 16-bit big-endian; an 8-bit image uses the low byte, a 16-bit one the
  // high byte (the byte the store keeps), lower depths the low `depth` bits.
  auto key_byte = [&](int sample) -> uint8_t {
    uint8_t high = table[2 * sample], low = table[2 * sample + 1];
    if (depth == 16) return high;
    if (depth == 8) return low;
    return static_cast<uint8_t>(low & ((1u << depth) - 1));
  };
  const RgbQuad* colours = header->Info().colours;
  switch (header->ColourType()) {
    case 0: {
      uint32_t sample = key_byte(0);
      if (depth == 2) sample *= 5;  // held as 4-bit: v * 5
      return sample < header->PaletteCount() ? ColourOf(colours[sample]) : 0;
    }
    case 2: {
      const auto& gamma = FDecodeGamma;
      return MakeColour(gamma[key_byte(0)], gamma[key_byte(1)], gamma[key_byte(2)]);
    }
    case 3: {
      for (uint32_t i = 0; i < trns->DataSize(); ++i)
        if (table[i] == 0) return i < header->PaletteCount() ? ColourOf(colours[i]) : 0;
      return 0;
    }
    default: return 0;
  }
}

void PngPicture::Resize(uint32_t width, uint32_t height) {
  TPngChunkIHDR& header = RequireHeader();
  if (width < 1 || height < 1) throw PngError(ErrorKind::InvalidNewSize);
  if (width > kLargestSide || height > kLargestSide) throw PngError(ErrorKind::SizeExceeds);
  header.ResizeImage(width, height);
  Changed();
}

uint32_t PngPicture::GetPixelColor(int64_t x, int64_t y) const {
  TPngChunkIHDR& header = RequireHeader();
  if (x < 0 || y < 0 || x >= header.Width() || y >= header.Height()) return 0;
  const uint32_t v = ReadStorePixel(header.BitCount(), header.StoreRow(static_cast<uint32_t>(y)),
                                    static_cast<uint32_t>(x));
  switch (header.ColourType()) {
    case 2:
    case 6: return MakeColour(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                              static_cast<uint8_t>(v));
    case 4: return MakeColour(static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v));
    default:
      // The palette already holds the colours as shown (gamma applied when it was installed).
      return v < header.PaletteCount() ? ColourOf(header.Info().colours[v]) : 0;
  }
}

void PngPicture::SetPixelColor(int64_t x, int64_t y, uint32_t colour) {
  TPngChunkIHDR& header = RequireHeader();
  if (x < 0 || y < 0 || x >= header.Width() || y >= header.Height()) return;
  uint32_t v;
  switch (header.ColourType()) {
    case 2:
    case 6: v = uint32_t{BlueOf(colour)} | uint32_t{GreenOf(colour)} << 8 | uint32_t{RedOf(colour)} << 16; break;
    case 4: v = RedOf(colour); break;
    default: v = NearestPaletteIndex(header.Info().colours, header.PaletteCount(), colour); break;
  }
  WriteStorePixel(header.BitCount(), header.StoreRow(static_cast<uint32_t>(y)),
                  static_cast<uint32_t>(x), v);
}

void PngPicture::SetPalette(const RgbQuad* entries, uint32_t count) {
  TPngChunkIHDR& header = RequireHeader();
  if (!header.HasPalette()) return;
  header.InstallPalette(entries, std::min<uint32_t>(count, 256));
  Changed();
}

void PngPicture::Assign(const PngPicture& source) {
  if (&source == this) return;
  TPngChunkList copy;
  for (const auto& chunk : source.FChunkSeq) {
    pictures::BudgetShare object = TakeMemory(kChunkObjectBytes);
    TPngChunk* added = copy.Add(chunk->CreateSameClass(*this));
    added->HoldObjectShare(std::move(object));
    // The copied header must be found as this picture's header by the chunks copied after it
    // (none of them needs it while being assigned), so the list is swapped in only at the end.
    added->Assign(*chunk);
  }
  FChunkSeq.Swap(copy);
  FSaveInterlace = source.FSaveInterlace;
  FIdatLimit = source.FIdatLimit;
  FDeflateLevel = source.FDeflateLevel;
  FRowFilters = source.FRowFilters;
  FDecodeGamma = source.FDecodeGamma;
  FEncodeGamma = source.FEncodeGamma;
  imageDecoded_ = source.imageDecoded_;
  Changed();
}

void PngPicture::AssignFromBitmap(const BitmapSource& bitmap) {
  const uint32_t bpp = bitmap.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    throw std::invalid_argument("unsupported bits per pixel");
  if (bitmap.width < 1 || bitmap.height == 0 || bitmap.bits == nullptr)
    throw PngError(ErrorKind::HeaderNotPresent);
  const uint32_t width = static_cast<uint32_t>(bitmap.width);
  const uint32_t height = static_cast<uint32_t>(bitmap.height < 0 ? -int64_t{bitmap.height} : bitmap.height);
  const bool top_down = bitmap.height < 0;

  Clear();
  PngHeader h;
  h.width = width;
  h.height = height;
  h.bitDepth = static_cast<uint8_t>(bpp < 16 ? bpp : 8);
  h.colourType = bpp < 16 ? 3 : (bpp == 32 ? 6 : 2);
  TPngChunkList list;
  auto* header = static_cast<TPngChunkIHDR*>(list.Add(std::make_unique<TPngChunkIHDR>(*this)));
  header->SetHeaderAndPrepare(h);

  const uint64_t src_stride = DibStride(bpp, width);
  auto source_row = [&](uint32_t y) {  // image row y, 0 = top
    uint32_t memory_row = top_down ? y : height - 1 - y;
    return bitmap.bits + static_cast<size_t>(memory_row) * static_cast<size_t>(src_stride);
  };
  const bool keyed = bitmap.transparent;
  const uint8_t key_r = RedOf(bitmap.transparentColour), key_g = GreenOf(bitmap.transparentColour),
                key_b = BlueOf(bitmap.transparentColour);

  if (bpp <= 8) {
    const uint32_t entries = 1u << bpp;
    RgbQuad palette[256] = {};
    if (bitmap.colours != nullptr)
      std::copy(bitmap.colours, bitmap.colours + std::min(entries, bitmap.colourCount), palette);
    header->InstallPalette(palette, entries);
    for (uint32_t y = 0; y < height; ++y)
      std::memcpy(header->StoreRow(y), source_row(y), static_cast<size_t>(src_stride));
    list.Add(std::make_unique<TPngChunkPLTE>(*this));
    if (keyed) {
      // Opaque up to the first entry of the key colour, which is transparent (entry 0 when
      // none matches).
      uint32_t index = 0;
      for (uint32_t i = 0; i < entries; ++i) {
        if (palette[i].red == key_r && palette[i].green == key_g && palette[i].blue == key_b) {
          index = i;
          break;
        }
      }
      std::vector<uint8_t> bytes(index + 1, 255);
      bytes[index] = 0;
      auto* trns = static_cast<TPngChunktRNS*>(list.Add(std::make_unique<TPngChunktRNS>(*this)));
      trns->SetBytes(bytes.data(), bytes.size(), 3);
    }
  } else {
    bool any_alpha = false;
    if (bpp == 32) {
      for (uint32_t y = 0; y < height && !any_alpha; ++y) {
        const uint8_t* src = source_row(y);
        for (uint32_t x = 0; x < width; ++x)
          if (src[4 * x + 3] != 0) {
            any_alpha = true;
            break;
          }
      }
    }
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* src = source_row(y);
      uint8_t* dst = header->StoreRow(y);
      uint8_t* alpha = header->AlphaRow(y);
      for (uint32_t x = 0; x < width; ++x, dst += 3) {
        if (bpp == 16) {  // 5-5-5, bits widened by replication
          unsigned v = src[2 * x] | src[2 * x + 1] << 8;
          unsigned b = v & 31, g = (v >> 5) & 31, r = (v >> 10) & 31;
          dst[0] = static_cast<uint8_t>(b << 3 | b >> 2);
          dst[1] = static_cast<uint8_t>(g << 3 | g >> 2);
          dst[2] = static_cast<uint8_t>(r << 3 | r >> 2);
        } else {
          const uint8_t* p = src + static_cast<size_t>(x) * (bpp / 8);
          dst[0] = p[0];
          dst[1] = p[1];
          dst[2] = p[2];
          if (bpp == 32) {
            // A bitmap whose fourth bytes are all zero carries no alpha: it is opaque.
            uint8_t a = any_alpha ? p[3] : 255;
            if (keyed && dst[0] == key_b && dst[1] == key_g && dst[2] == key_r) a = 0;
            alpha[x] = a;
          }
        }
      }
    }
    if (keyed && bpp != 32) {
      const uint8_t bytes[6] = {0, key_r, 0, key_g, 0, key_b};
      auto* trns = static_cast<TPngChunktRNS*>(list.Add(std::make_unique<TPngChunktRNS>(*this)));
      trns->SetBytes(bytes, 6, 2);
    }
  }
  list.Add(std::make_unique<TPngChunkIDAT>(*this));
  list.Add(std::make_unique<TPngChunkIEND>(*this));
  FChunkSeq.Swap(list);
  imageDecoded_ = true;
  Changed();
}

}  // namespace vornada::png
