#pragma once
// Faults are how failures travel: exceptions, never error codes. Each records
// the code address where it was raised, for the fault report.

#include <exception>
#include <string>

namespace Toolz {

class Fault : public std::exception {
 public:
  Fault(const char* kind, const char* message, const void* address) noexcept
      : kind_(kind), message_(message), address_(address) {}
  const char* what() const noexcept override { return message_; }
  const char* Kind() const noexcept { return kind_; }
  const void* Address() const noexcept { return address_; }

 private:
  const char* kind_;
  const char* message_;
  const void* address_;
};

class DivisionByZeroFault : public Fault {
 public:
  explicit DivisionByZeroFault(const void* address) noexcept
      : Fault("DivisionByZeroFault", "Floating point division by zero", address) {}
};

class InvalidOperationFault : public Fault {
 public:
  explicit InvalidOperationFault(const void* address) noexcept
      : Fault("InvalidOperationFault", "Invalid floating point operation", address) {}
};

class OverflowFault : public Fault {
 public:
  explicit OverflowFault(const void* address) noexcept
      : Fault("OverflowFault", "Floating point overflow", address) {}
};

class OutOfMemoryFault : public Fault {
 public:
  explicit OutOfMemoryFault(const void* address) noexcept
      : Fault("OutOfMemoryFault", "Out of memory", address) {}
};

// Raise a fault with the caller's return address as the fault address. Kept
// out of line so that the address is the raising site in its own module.
[[noreturn]] void RaiseDivisionByZero();
[[noreturn]] void RaiseInvalidOperation();
[[noreturn]] void RaiseOverflow();

}  // namespace Toolz
