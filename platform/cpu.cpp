#include "platform/cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace kv {
namespace {

constexpr unsigned kMmxBit = 1u << 23;    // leaf 1, edx
constexpr unsigned kSseBit = 1u << 25;    // leaf 1, edx
constexpr unsigned kSse2Bit = 1u << 26;   // leaf 1, edx
constexpr unsigned k3dnowBit = 1u << 31;  // leaf 0x80000001, edx
constexpr unsigned kExtendedLeaf = 0x80000001u;

bool g_sse = false;
bool g_sse2 = false;
bool g_3dnow = false;
bool g_mmx = false;

}  // namespace

void cpu_probe() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // __get_cpuid answers 0 for a leaf the processor does not have.
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        if (edx & kSseBit) g_sse = true;
        if (edx & kSse2Bit) g_sse2 = true;
        if (edx & kMmxBit) g_mmx = true;
    }
    if (__get_cpuid(kExtendedLeaf, &eax, &ebx, &ecx, &edx)) {
        if (edx & k3dnowBit) g_3dnow = true;
    }
#endif
}

bool cpu_has_sse() {
    return g_sse;
}
bool cpu_has_sse2() {
    return g_sse2;
}
bool cpu_has_3dnow() {
    return g_3dnow;
}
bool cpu_has_mmx() {
    return g_mmx;
}
void cpu_set_sse(bool on) {
    g_sse = on;
}
void cpu_set_sse2(bool on) {
    g_sse2 = on;
}
void cpu_set_3dnow(bool on) {
    g_3dnow = on;
}
void cpu_set_mmx(bool on) {
    g_mmx = on;
}

void fpu_set_low_precision() {
    // Nothing to do: x86-64 computes float and double in SSE registers, where every operation
    // rounds to its operand's own precision. The x87 precision control it would set affects
    // only long double, which the engine does not use.
}

}  // namespace kv
