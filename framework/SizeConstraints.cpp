// Size constraints: the four limits and how they bound a size.
#include "SizeConstraints.h"

#include <algorithm>

namespace vornada {

namespace {
int NotNegative(int value) { return std::max(value, 0); }
}  // namespace

void TSizeConstraints::SetMinWidth(int value) {
  value = NotNegative(value);
  if (value == min_width_) return;
  min_width_ = value;
  if (max_width_ > 0 && min_width_ > max_width_) max_width_ = min_width_;
  Changed();
}

void TSizeConstraints::SetMaxWidth(int value) {
  value = NotNegative(value);
  if (value == max_width_) return;
  max_width_ = value;
  if (max_width_ > 0 && max_width_ < min_width_) min_width_ = max_width_;
  Changed();
}

void TSizeConstraints::SetMinHeight(int value) {
  value = NotNegative(value);
  if (value == min_height_) return;
  min_height_ = value;
  if (max_height_ > 0 && min_height_ > max_height_) max_height_ = min_height_;
  Changed();
}

void TSizeConstraints::SetMaxHeight(int value) {
  value = NotNegative(value);
  if (value == max_height_) return;
  max_height_ = value;
  if (max_height_ > 0 && max_height_ < min_height_) min_height_ = max_height_;
  Changed();
}

void TSizeConstraints::Constrain(int& width, int& height) const {
  if (min_width_ > 0 && width < min_width_) width = min_width_;
  if (max_width_ > 0 && width > max_width_) width = max_width_;
  if (min_height_ > 0 && height < min_height_) height = min_height_;
  if (max_height_ > 0 && height > max_height_) height = max_height_;
}

void TSizeConstraints::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TSizeConstraints*>(source)) {
    if (other == this) return;
    min_width_ = other->min_width_;
    max_width_ = other->max_width_;
    min_height_ = other->min_height_;
    max_height_ = other->max_height_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TSizeConstraints::Changed() {
  if (OnChange) OnChange(this);
}

}  // namespace vornada
