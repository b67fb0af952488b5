// Processor traps inside a guarded body become a false result.
//
// A vectored handler sees the trap first. It does not jump out of the
// exception dispatcher: it rewrites the faulting thread's context so that
// execution resumes in Resume(), on the faulting stack, and lets the system
// continue there. Resume() then jumps back to the guard with the compiler's
// own register-only setjmp/longjmp pair, which skips the body's frames
// without unwinding them (hence the interface's rule that the body owns
// nothing to destroy). C++ exceptions, breakpoints and everything else the
// handler does not know are left to the normal search.

#include "platform/Platform.h"
#include "platform/windows/Win32.h"

namespace Platform {

namespace {

struct Guard {
  void* JumpBuffer[5];
  Guard* Outer;
};

thread_local Guard* InnermostGuard = nullptr;

bool IsProcessorTrap(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
      return true;
    default:
      // Stack overflow is not among them: with the guard page spent there is
      // no room left to resume on.
      return false;
  }
}

[[noreturn]] void Resume() {
  Guard* guard = InnermostGuard;
  __builtin_longjmp(guard->JumpBuffer, 1);
}

LONG CALLBACK TrapHandler(EXCEPTION_POINTERS* exception) {
  if (InnermostGuard == nullptr || !IsProcessorTrap(exception->ExceptionRecord->ExceptionCode))
    return EXCEPTION_CONTINUE_SEARCH;
  CONTEXT* context = exception->ContextRecord;
  // Enter Resume() as if called: the stack 16-byte aligned before the
  // return-address slot.
  context->Rsp = (context->Rsp & ~DWORD64{15}) - 8;
  context->Rip = reinterpret_cast<DWORD64>(&Resume);
  return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallTrapHandler() {
  static const PVOID handler = AddVectoredExceptionHandler(1, &TrapHandler);
  (void)handler;
}

// Restores the outer guard however the body is left: normally, by a trap or
// by a C++ exception passing through.
struct GuardScope {
  Guard& Own;
  explicit GuardScope(Guard& own) : Own(own) {
    Own.Outer = InnermostGuard;
    InnermostGuard = &Own;
  }
  ~GuardScope() { InnermostGuard = Own.Outer; }
  GuardScope(const GuardScope&) = delete;
  GuardScope& operator=(const GuardScope&) = delete;
};

}  // namespace

bool RunTrapGuarded(void (*body)(void*), void* context) {
  InstallTrapHandler();
  Guard guard;
  GuardScope scope(guard);
  if (__builtin_setjmp(guard.JumpBuffer) != 0) return false;
  body(context);
  return true;
}

}  // namespace Platform
