// The framework's base classes: objects, persistent objects with assignment, components with an
// owner that frees them, events, string lists, and byte streams. Portable: no windows.h
// (the file stream lives in Classes_win.cpp).
//
// Ownership: a component created with an owner is freed by that owner, newest first, unless it
// is freed earlier, in which case it leaves the owner's list itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

namespace vornada {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
};

// Declares the class-level name of a framework class (used by registries and messages).
#define VORNADA_CLASS_NAME(Name) \
  static constexpr const char* StaticClassName() { return #Name; } \
  const char* ClassName() const override { return #Name; }

using TNotifyEvent = std::function<void(TObject* sender)>;

class TPersistent : public TObject {
 public:
  VORNADA_CLASS_NAME(TPersistent)
  // Copies `source` into this object; classes that cannot take it fail with EConvertError.
  virtual void Assign(TPersistent* source);

 protected:
  virtual void AssignTo(TPersistent* dest);
  [[noreturn]] void AssignError(TPersistent* source);
};

enum ComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csDesigning = 1u << 2,
  csDestroying = 1u << 3,
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TComponent)
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
  TComponent* FindComponent(std::string_view name) const;
  unsigned ComponentState() const { return state_; }
  bool IsDestroying() const { return (state_ & csDestroying) != 0; }
  bool IsLoading() const { return (state_ & csLoading) != 0; }
  bool IsDesigning() const { return (state_ & csDesigning) != 0; }
  void SetComponentStateFlag(unsigned flag, bool on) { state_ = on ? (state_ | flag) : (state_ & ~flag); }

  // Runs once after the component's stored properties were read from a design description
  // (while they are read, csLoading is set). The reader calls it for every component it created,
  // in creation order, once the whole description is read. This base step clears csLoading; a
  // class calls it first ("the framework's handling") and then finishes its own set-up.
  virtual void Loaded() { SetComponentStateFlag(csLoading, false); }

  // Asks to be told (through Notification with opRemove) when `component` is freed, also when
  // the two have different owners; the request ends when either of them goes.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

 protected:
  // Frees every owned component, newest first. A class whose instances own components calls
  // it at the start of its destructor, while its own state is still whole.
  void DestroyComponents();
  // Marks this component and everything it owns as being destroyed.
  void Destroying();
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  // Components to tell when this one is freed, and components that tell this one.
  std::vector<TComponent*> free_notifies_;
  unsigned state_ = 0;
};

// An ordered list of 8-bit strings.
class TStrings : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TStrings)
  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  virtual void Put(int index, const std::string& s);
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  int Add(const std::string& s);
  // Lines joined with CR LF after each line.
  virtual std::string Text() const;
  // Splits at CR LF, CR or LF; a final line break does not make an empty last line.
  virtual void SetText(std::string_view text);
  void Assign(TPersistent* source) override;
};

class TStringList : public TStrings {
 public:
  VORNADA_CLASS_NAME(TStringList)
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override { items_.clear(); }

 private:
  void CheckIndex(int index, bool allow_end) const;
  std::vector<std::string> items_;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  VORNADA_CLASS_NAME(TStream)
  // Read/Write move up to `count` bytes and return how many moved.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(int64_t new_size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  // Exactly `count` bytes or EReadError / EWriteError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from `source` (0: all of it from its start); returns the count.
  // A negative count fails with EReadError.
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  VORNADA_CLASS_NAME(TMemoryStream)
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t new_size) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const uint8_t* Memory() const { return data_.data(); }
  uint8_t* Memory() { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& dest) const;

 private:
  // Grows or shrinks the bytes; EOutOfMemory when they cannot be had.
  void Resize(int64_t new_size);
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// A read-only stream over bytes owned by someone else (no copy).
class TBytesStream : public TStream {
 public:
  VORNADA_CLASS_NAME(TBytesStream)
  TBytesStream(const void* data, int64_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t new_size) override;
  int64_t Size() override { return size_; }

 private:
  const uint8_t* data_;
  int64_t size_;
  int64_t position_ = 0;
};

}  // namespace vornada
