// Owners of Windows handles: each closes its handle once, with the call that
// matches the handle's kind, and can be moved but not copied.
#pragma once

#include <windows.h>

#include <utility>

namespace hm::platform::win32 {

// Traits: `Handle`, `empty()` (the value that owns nothing), `isEmpty(h)` and `close(h)`.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle h) noexcept : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return !Traits::isEmpty(h_); }
  // Gives the handle up without closing it.
  Handle release() noexcept { return std::exchange(h_, Traits::empty()); }
  // Closes the handle held (if any) and takes `h`.
  void reset(Handle h = Traits::empty()) noexcept {
    const Handle old = std::exchange(h_, h);
    if (!Traits::isEmpty(old) && old != h) Traits::close(old);
  }
  // For calls that return a handle through a pointer: closes the one held first.
  Handle* put() noexcept {
    reset();
    return &h_;
  }

 private:
  Handle h_ = Traits::empty();
};

namespace handle_traits {

template <typename H, auto Close>
struct NullIsEmpty {
  using Handle = H;
  static Handle empty() noexcept { return nullptr; }
  static bool isEmpty(Handle h) noexcept { return h == nullptr; }
  static void close(Handle h) noexcept { Close(h); }
};

struct Find {
  using Handle = HANDLE;
  static Handle empty() noexcept { return INVALID_HANDLE_VALUE; }
  static bool isEmpty(Handle h) noexcept { return h == INVALID_HANDLE_VALUE || h == nullptr; }
  static void close(Handle h) noexcept { FindClose(h); }
};

// Kernel calls answer failure with either null or INVALID_HANDLE_VALUE
// (CreateFileW): neither is closed.
struct Kernel {
  using Handle = HANDLE;
  static Handle empty() noexcept { return nullptr; }
  static bool isEmpty(Handle h) noexcept { return h == nullptr || h == INVALID_HANDLE_VALUE; }
  static void close(Handle h) noexcept { CloseHandle(h); }
};

// The predefined roots (HKEY_LOCAL_MACHINE and its kin) are not opened, so
// they are never closed.
struct Key {
  using Handle = HKEY;
  static Handle empty() noexcept { return nullptr; }
  static bool isEmpty(Handle h) noexcept { return h == nullptr; }
  static bool predefined(Handle h) noexcept {
    const auto first = reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT);
    const auto v = reinterpret_cast<ULONG_PTR>(h);
    return v >= first && v <= first + 7;  // HKEY_CLASSES_ROOT .. HKEY_CURRENT_USER_LOCAL_SETTINGS
  }
  static void close(Handle h) noexcept {
    if (!predefined(h)) RegCloseKey(h);
  }
};

inline void destroyWindow(HWND h) noexcept { DestroyWindow(h); }
inline void deleteObject(HGDIOBJ h) noexcept { DeleteObject(h); }
inline void destroyIcon(HICON h) noexcept { DestroyIcon(h); }
inline void destroyMenu(HMENU h) noexcept { DestroyMenu(h); }

}  // namespace handle_traits

using ScopedWindow = UniqueHandle<handle_traits::NullIsEmpty<HWND, handle_traits::destroyWindow>>;
using ScopedFont = UniqueHandle<handle_traits::NullIsEmpty<HFONT, handle_traits::deleteObject>>;
using ScopedBitmap = UniqueHandle<handle_traits::NullIsEmpty<HBITMAP, handle_traits::deleteObject>>;
using ScopedBrush = UniqueHandle<handle_traits::NullIsEmpty<HBRUSH, handle_traits::deleteObject>>;
using ScopedIcon = UniqueHandle<handle_traits::NullIsEmpty<HICON, handle_traits::destroyIcon>>;
using ScopedMenu = UniqueHandle<handle_traits::NullIsEmpty<HMENU, handle_traits::destroyMenu>>;
using ScopedKey = UniqueHandle<handle_traits::Key>;
using ScopedFind = UniqueHandle<handle_traits::Find>;
using ScopedHandle = UniqueHandle<handle_traits::Kernel>;

}  // namespace hm::platform::win32
