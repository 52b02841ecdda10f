#pragma once
// Processor features and the floating-point precision switch. The four feature flags are
// process-wide and false until `cpu_probe` (or the console) sets them; only SSE is read by the
// engine, which takes its SSE paths while it is set.

namespace kv {

// Sets the flag of every feature the processor has; never clears a flag.
void cpu_probe();

bool cpu_has_sse();
bool cpu_has_sse2();
bool cpu_has_3dnow();
bool cpu_has_mmx();
void cpu_set_sse(bool on);
void cpu_set_sse2(bool on);
void cpu_set_3dnow(bool on);
void cpu_set_mmx(bool on);

// Asks for 24-bit floating-point precision.
void fpu_set_low_precision();

}  // namespace kv
