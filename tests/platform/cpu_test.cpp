#include "platform/cpu.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

struct saved_flags {
    saved_flags() : sse(cpu_has_sse()), sse2(cpu_has_sse2()), amd3dnow(cpu_has_3dnow()), mmx(cpu_has_mmx()) {}
    ~saved_flags() {
        cpu_set_sse(sse);
        cpu_set_sse2(sse2);
        cpu_set_3dnow(amd3dnow);
        cpu_set_mmx(mmx);
    }
    bool sse, sse2, amd3dnow, mmx;
};

#if defined(__x86_64__)
TEST(Cpu, ProbeFindsTheFeaturesEveryX86_64Has) {
    saved_flags keep;
    cpu_set_sse(false);
    cpu_set_sse2(false);
    cpu_set_mmx(false);
    cpu_probe();
    EXPECT_TRUE(cpu_has_sse());
    EXPECT_TRUE(cpu_has_sse2());
    EXPECT_TRUE(cpu_has_mmx());
}
#endif

TEST(Cpu, ProbeNeverClearsAFlag) {
    saved_flags keep;
    cpu_set_sse(true);
    cpu_set_sse2(true);
    cpu_set_3dnow(true);
    cpu_set_mmx(true);
    cpu_probe();
    EXPECT_TRUE(cpu_has_sse());
    EXPECT_TRUE(cpu_has_sse2());
    EXPECT_TRUE(cpu_has_3dnow());
    EXPECT_TRUE(cpu_has_mmx());
}

TEST(Cpu, SettersChangeOnlyTheirFlag) {
    saved_flags keep;
    cpu_probe();
    const bool sse2 = cpu_has_sse2(), amd3dnow = cpu_has_3dnow(), mmx = cpu_has_mmx();
    for (bool on : {false, true, false}) {
        cpu_set_sse(on);
        EXPECT_EQ(cpu_has_sse(), on);
        EXPECT_EQ(cpu_has_sse2(), sse2);
        EXPECT_EQ(cpu_has_3dnow(), amd3dnow);
        EXPECT_EQ(cpu_has_mmx(), mmx);
    }
}

}  // namespace
}  // namespace kv
