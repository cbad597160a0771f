#include "esp_thunk.h"

#if defined(__i386__)
// Pushes the arguments right to left, calls, and compares ESP with its value
// before the pushes.
asm(R"(
    .text
    .globl _CallWinapi
_CallWinapi:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    pushl %ebx
    movl 16(%ebp), %ecx
    movl 12(%ebp), %esi
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    movl %esp, %ecx
    subl %edi, %ecx
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    movl %edi, %esp
    popl %ebx
    popl %edi
    popl %esi
    popl %ebp
    ret
)");
#elif defined(__x86_64__)
namespace {
using W = intptr_t;
template <typename Fn> Fn As(const void* fn) {
    return reinterpret_cast<Fn>(const_cast<void*>(fn));
}
} // namespace

extern "C" intptr_t CallWinapi(const void* fn, const intptr_t* a, int32_t count,
                               int32_t* espDelta) {
    *espDelta = 0;
    switch (count) {
    case 0:
        return As<W (*)()>(fn)();
    case 1:
        return As<W (*)(W)>(fn)(a[0]);
    case 2:
        return As<W (*)(W, W)>(fn)(a[0], a[1]);
    case 3:
        return As<W (*)(W, W, W)>(fn)(a[0], a[1], a[2]);
    case 4:
        return As<W (*)(W, W, W, W)>(fn)(a[0], a[1], a[2], a[3]);
    case 5:
        return As<W (*)(W, W, W, W, W)>(fn)(a[0], a[1], a[2], a[3], a[4]);
    case 6:
        return As<W (*)(W, W, W, W, W, W)>(fn)(a[0], a[1], a[2], a[3], a[4], a[5]);
    }
    *espDelta = INT32_MIN; // no such arity: fails the caller's balance check
    return 0;
}
#else
#error "CallWinapi: i386 or x86-64 only"
#endif
