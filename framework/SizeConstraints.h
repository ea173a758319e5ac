// Size constraints of a control: the smallest and largest width and height it may take. Portable:
// no windows.h.
//
// 0 means no limit. A limit that would contradict its partner moves the partner along: a
// maximum below the minimum lowers the minimum to it, a minimum above the maximum raises the
// maximum to it. Negative values count as 0. Every change raises OnChange (the control applies
// the new limits to its current size).
#pragma once

#include "Classes.h"

namespace vornada {

class TSizeConstraints : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TSizeConstraints)

  int MinWidth() const { return min_width_; }
  int MaxWidth() const { return max_width_; }
  int MinHeight() const { return min_height_; }
  int MaxHeight() const { return max_height_; }
  void SetMinWidth(int value);
  void SetMaxWidth(int value);
  void SetMinHeight(int value);
  void SetMaxHeight(int value);

  // Brings a size within the limits (a minimum is applied before a maximum).
  void Constrain(int& width, int& height) const;
  bool Empty() const { return min_width_ == 0 && max_width_ == 0 && min_height_ == 0 && max_height_ == 0; }

  void Assign(TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  void Changed();
  int min_width_ = 0, max_width_ = 0, min_height_ = 0, max_height_ = 0;
};

}  // namespace vornada
