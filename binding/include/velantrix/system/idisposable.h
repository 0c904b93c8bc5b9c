// System::IDisposable, and the garbage collector's one operation that disposal uses.
#ifndef VELANTRIX_SYSTEM_IDISPOSABLE_H
#define VELANTRIX_SYSTEM_IDISPOSABLE_H

namespace System {

class IDisposable {
public:
  virtual ~IDisposable() = default;
  virtual void Dispose() = 0;

protected:
  IDisposable() = default;
  IDisposable(const IDisposable&) = default;
  IDisposable& operator=(const IDisposable&) = default;
};

class GC {
public:
  // Nothing here is ever finalised, so there is nothing to suppress.
  static void SuppressFinalize(const void* /*obj*/) noexcept {}
};

}  // namespace System

#endif
