// PNG row filters: undoing them while loading, choosing and applying them while saving.
//
// All functions work on caller-owned buffers of exactly the lengths given; nothing is read or
// written outside them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vornada::png {

enum FilterType : uint8_t {
  kFilterNone = 0,
  kFilterSub = 1,
  kFilterUp = 2,
  kFilterAverage = 3,
  kFilterPaeth = 4,
};

// Bit n of a filter set stands for filter type n.
constexpr uint8_t FilterBit(FilterType type) { return static_cast<uint8_t>(1u << type); }
constexpr uint8_t kAllFilters = 0x1F;

// Undoes filter `type` on `row` (length bytes, without the filter byte) in place. `previous` is
// the unfiltered previous row of the same pass (all zero for its first row); `bpp` is the
// filter distance (bytes per complete pixel, at least 1). Types 0 and above 4 leave the row
// unchanged.
void UnfilterRow(uint8_t type, uint8_t* row, const uint8_t* previous, size_t length,
                 unsigned bpp);

// Applies filter `type` to `raw` into `out` (length bytes each).
void FilterRow(uint8_t type, const uint8_t* raw, const uint8_t* previous, size_t length,
               unsigned bpp, uint8_t* out);

// Chooses a filter for a row among `allowed` (a filter set; unfiltered is always a candidate)
// and writes the filter byte and the filtered row to `out` (length + 1 bytes). `scratch` holds
// length + 1 bytes. The choice is the candidate with the smallest sum of the filtered bytes
// taken as signed values, the lowest filter type on ties.
void ChooseAndFilterRow(uint8_t allowed, const uint8_t* raw, const uint8_t* previous,
                        size_t length, unsigned bpp, uint8_t* out, uint8_t* scratch);

}  // namespace vornada::png
