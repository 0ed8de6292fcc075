// GoogleTest hands every failure and skip to OutputDebugStringA as well, for
// a debugger's output window. Wine passes such a message on as an exception,
// and under qemu-i386 the 32-bit Wine cannot handle one (QEMU 7.2 reports
// the trap wrongly): the test program dies at its first failure or skip.
// With no debugger the call does nothing, so in the 32-bit unit tests the
// import slot it is called through leads to a function that does nothing.
#include <windows.h>

namespace {

void WINAPI ignoreDebugOutput(LPCSTR) {}

}  // namespace

extern "C" {
void(WINAPI* statbenchOutputDebugStringASlot)(LPCSTR) __asm__("__imp__OutputDebugStringA@4") =
    ignoreDebugOutput;
}
