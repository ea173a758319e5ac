// Components, string lists and memory streams.
#include "Classes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace vornada {

void TPersistent::Assign(TPersistent* source) {
  if (source != nullptr) {
    source->AssignTo(this);
  } else {
    AssignError(nullptr);
  }
}

void TPersistent::AssignTo(TPersistent* dest) {
  dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* source) {
  throw EConvertError(FormatMessageText(
      msg::kAssignError, {source != nullptr ? source->ClassName() : "nil", ClassName()}));
}

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Those who asked hear of this component's end before anything of it is gone from its owner.
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    std::erase(other->free_notifies_, this);
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

// The link is kept on both sides, so that whichever component goes first ends it.
void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end())
    free_notifies_.push_back(component);
  if (std::find(component->free_notifies_.begin(), component->free_notifies_.end(), this) ==
      component->free_notifies_.end())
    component->free_notifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  std::erase(free_notifies_, component);
  std::erase(component->free_notifies_, this);
}

void TComponent::Destroying() {
  if (IsDestroying()) return;
  state_ |= csDestroying;
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    // The component's destructor takes it off this list.
    delete last;
  }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (TComponent* c : components_)
    if (c->name_ == name) return c;
  return nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component != nullptr) {
    // Owned components hear of each other's removal, as the owner does.
    for (TComponent* c : components_)
      if (c != component) c->Notification(component, operation);
  }
}

void TComponent::InsertComponent(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
  component->owner_ = nullptr;
  Notification(component, TOperation::opRemove);
}

// ---- TStrings -------------------------------------------------------------------------------

void TStrings::Put(int index, const std::string& s) {
  Delete(index);
  Insert(index, s);
}

int TStrings::Add(const std::string& s) {
  const int index = Count();
  Insert(index, s);
  return index;
}

std::string TStrings::Text() const {
  std::string out;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    out += Get(i);
    out += "\r\n";
  }
  return out;
}

void TStrings::SetText(std::string_view text) {
  Clear();
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      Add(std::string(text.substr(start, i - start)));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) Add(std::string(text.substr(start)));
}

void TStrings::Assign(TPersistent* source) {
  if (auto* strings = dynamic_cast<TStrings*>(source)) {
    if (strings == this) return;
    Clear();
    for (int i = 0; i < strings->Count(); ++i) Add(strings->Get(i));
    return;
  }
  TPersistent::Assign(source);
}

void TStringList::CheckIndex(int index, bool allow_end) const {
  const int limit = Count() + (allow_end ? 1 : 0);
  if (index < 0 || index >= limit)
    throw EListError(FormatMessageText(msg::kListIndexError, {std::to_string(index)}));
}

std::string TStringList::Get(int index) const {
  CheckIndex(index, false);
  return items_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const std::string& s) {
  CheckIndex(index, false);
  items_[static_cast<size_t>(index)] = s;
}

void TStringList::Insert(int index, const std::string& s) {
  CheckIndex(index, true);
  items_.insert(items_.begin() + index, s);
}

void TStringList::Delete(int index) {
  CheckIndex(index, false);
  items_.erase(items_.begin() + index);
}

// ---- streams --------------------------------------------------------------------------------

int64_t TStream::Size() {
  const int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  const int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(std::string(msg::kReadError));
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count)
    throw EWriteError(std::string(msg::kWriteError));
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) throw EReadError(std::string(msg::kReadError));
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr int64_t kBlock = 64 * 1024;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kBlock)));
  int64_t left = count;
  while (left > 0) {
    const int64_t n = std::min(left, kBlock);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  // A position before the start (a seek may put it there) reads nothing.
  if (count <= 0 || position_ < 0 || position_ >= Size()) return 0;
  const int64_t n = std::min(count, Size() - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  if (count > std::numeric_limits<int64_t>::max() - position_)
    throw EOutOfMemory(std::string(msg::kMemoryStreamError));
  const int64_t end = position_ + count;
  if (end > Size()) Resize(end);
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: position_ = offset; break;
    case TSeekOrigin::soCurrent: position_ += offset; break;
    case TSeekOrigin::soEnd: position_ = Size() + offset; break;
  }
  return position_;
}

void TMemoryStream::SetSize(int64_t new_size) {
  if (new_size < 0) new_size = 0;
  Resize(new_size);
  if (position_ > new_size) position_ = new_size;
}

void TMemoryStream::Resize(int64_t new_size) {
  // A size the address space cannot hold fails like one the memory cannot.
  if (static_cast<uint64_t>(new_size) > data_.max_size())
    throw EOutOfMemory(std::string(msg::kMemoryStreamError));
  try {
    data_.resize(static_cast<size_t>(new_size));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(std::string(msg::kMemoryStreamError));
  } catch (const std::length_error&) {
    throw EOutOfMemory(std::string(msg::kMemoryStreamError));
  }
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t n = source.Size();
  SetSize(n);
  if (n != 0) source.ReadBuffer(data_.data(), n);
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& dest) const {
  if (!data_.empty()) dest.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

int64_t TBytesStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0 || position_ >= size_) return 0;
  const int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TBytesStream::Write(const void*, int64_t) { return 0; }

int64_t TBytesStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: position_ = offset; break;
    case TSeekOrigin::soCurrent: position_ += offset; break;
    case TSeekOrigin::soEnd: position_ = size_ + offset; break;
  }
  return position_;
}

void TBytesStream::SetSize(int64_t) { throw EWriteError(std::string(msg::kWriteError)); }

}  // namespace vornada
