// The Direct3D driver's device list and choice, on scripted objects.

#include "gfx/drivers/d3d_enum.h"

#include <gtest/gtest.h>

#include "kernel/log.h"
#include "platform/message_box.h"
#include "tests/support/scripted_d3d.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

class D3dEnum : public testing::Test {
protected:
    void SetUp() override { log_open(folder_.file("kv.log")); }
    void TearDown() override {
        sys_message_box_set_sink({});
        log_close();
    }
    // State on `d3d` with the minimum bits initialisation sets for a 32-bit desktop.
    d3d_state& state(bool full_screen = false) {
        state_ = std::make_unique<d3d_state>();
        state_->d3d = &d3d_;
        state_->full_screen = full_screen;
        state_->min_depth_bits = 24;
        state_->min_stencil_bits = 0;
        return *state_;
    }
    static scripted_d3d_adapter adapter(std::vector<d3d_display_mode> modes,
                                        std::vector<scripted_d3d_kind> kinds) {
        scripted_d3d_adapter a;
        a.modes = std::move(modes);
        a.kinds = std::move(kinds);
        return a;
    }
    const d3d_device_kind& chosen() const {
        const d3d_adapter& a = state_->adapters[state_->current_adapter];
        return a.devices[a.current_device];
    }

    temp_folder folder_;
    scripted_d3d d3d_;
    std::unique_ptr<d3d_state> state_;
};

constexpr d3d_format X8 = kD3dFmtX8R8G8B8;
constexpr d3d_format R565 = kD3dFmtR5G6B5;

TEST_F(D3dEnum, ModesBelow640x400AreSkippedAndNoAdapterGivesTheFailure) {
    d3d_.adapters = {adapter({{320, 200, 60, X8}, {639, 480, 60, X8}, {640, 399, 60, R565}},
                             {scripted_kind(kD3dDevTypeHal)})};
    EXPECT_EQ(d3d_build_device_list(state(), 640, 480, 32), kD3dAppErrNoCompatibleDevices);
    EXPECT_EQ(state_->adapter_count, 0u);
}

TEST_F(D3dEnum, ModesAreListedOnceSortedAndCarryBehaviourAndDepth) {
    d3d_.adapters = {adapter({{1024, 768, 60, X8},
                              {800, 600, 60, X8},
                              {800, 600, 75, X8},  // refresh only: the same entry
                              {800, 600, 60, R565},
                              {640, 480, 60, R565},
                              {800, 480, 60, R565}},
                             {scripted_kind(kD3dDevTypeHal)})};
    ASSERT_EQ(d3d_build_device_list(state(), 640, 480, 32), 0u);
    const d3d_device_kind& k = chosen();
    EXPECT_EQ(k.name, "HAL");
    const struct {
        uint32_t w, h;
        d3d_format f;
    } want[] = {{640, 480, R565}, {800, 480, R565}, {800, 600, R565}, {800, 600, X8}, {1024, 768, X8}};
    ASSERT_EQ(k.mode_count, std::size(want));
    for (uint32_t i = 0; i < k.mode_count; ++i) {
        EXPECT_EQ(k.modes[i].width, want[i].w) << i;
        EXPECT_EQ(k.modes[i].height, want[i].h) << i;
        EXPECT_EQ(k.modes[i].format, want[i].f) << i;
        EXPECT_EQ(k.modes[i].behaviour, kD3dCreateHardwareVertexProcessing);
        EXPECT_EQ(k.modes[i].depth_stencil_format, kD3dFmtD24X8);
    }
}

TEST_F(D3dEnum, CurrentModeByRequestedSizeAndDepth) {
    const struct {
        const char* what;
        std::vector<d3d_display_mode> modes;
        uint32_t w, h, bits;
        uint32_t want_w, want_h;
        d3d_format want_format;
    } cases[] = {
        {"16 bits takes R5G6B5",
         {{800, 600, 60, X8}, {800, 600, 60, R565}, {640, 480, 60, X8}},
         800,
         600,
         16,
         800,
         600,
         R565},
        {"32 bits takes X8R8G8B8",
         {{800, 600, 60, X8}, {800, 600, 60, R565}, {640, 480, 60, X8}},
         800,
         600,
         32,
         800,
         600,
         X8},
        {"32 bits with only R5G6B5",
         {{800, 600, 60, R565}, {640, 480, 60, X8}},
         800,
         600,
         32,
         800,
         600,
         R565},
        {"no such size: the first sorted mode",
         {{1024, 768, 60, X8}, {640, 480, 60, X8}},
         1280,
         1024,
         32,
         640,
         480,
         X8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        d3d_.adapters = {adapter(c.modes, {scripted_kind(kD3dDevTypeHal)})};
        ASSERT_EQ(d3d_build_device_list(state(), c.w, c.h, c.bits), 0u);
        const d3d_device_kind& k = chosen();
        const d3d_mode& m = k.modes[k.current_mode];
        EXPECT_EQ(m.width, c.want_w);
        EXPECT_EQ(m.height, c.want_h);
        EXPECT_EQ(m.format, c.want_format);
        EXPECT_EQ(state_->width, c.w);
        EXPECT_EQ(state_->bit_depth, c.bits);
    }
}

TEST_F(D3dEnum, ChoiceOfKindAndWindowMode) {
    const struct {
        const char* what;
        std::vector<scripted_d3d_kind> kinds;
        d3d_format desktop;
        bool full_screen;
        uint32_t want_type;
        bool want_full_screen;
    } cases[] = {
        {"windowable HAL, windowed",
         {scripted_kind(kD3dDevTypeHal), scripted_kind(kD3dDevTypeRef)},
         X8,
         false,
         kD3dDevTypeHal,
         false},
        {"HAL cannot render windowed",
         {scripted_kind(kD3dDevTypeHal, false), scripted_kind(kD3dDevTypeRef)},
         X8,
         false,
         kD3dDevTypeHal,
         true},
        {"no HAL, windowable REF", {scripted_kind(kD3dDevTypeRef)}, X8, false, kD3dDevTypeRef, false},
        {"no HAL, REF full screen", {scripted_kind(kD3dDevTypeRef, false)}, X8, false, kD3dDevTypeRef, true},
        {"full screen asked", {scripted_kind(kD3dDevTypeHal)}, X8, true, kD3dDevTypeHal, true},
        // A desktop format the device does not render: no windowed kind.
        {"desktop at 8 bits", {scripted_kind(kD3dDevTypeHal)}, kD3dFmtL8, false, kD3dDevTypeHal, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        d3d_.adapters = {adapter({{640, 480, 60, X8}}, c.kinds)};
        d3d_.adapters[0].desktop.format = c.desktop;
        ASSERT_EQ(d3d_build_device_list(state(c.full_screen), 640, 480, 32), 0u);
        EXPECT_EQ(chosen().device_type, c.want_type);
        EXPECT_EQ(chosen().name, c.want_type == kD3dDevTypeHal ? "HAL" : "REF");
        EXPECT_EQ(state_->full_screen, c.want_full_screen);
    }
}

TEST_F(D3dEnum, KindsWithoutBlendOneOrDepthAreNotCountedAndLeaveNoGap) {
    scripted_d3d_kind no_depth = scripted_kind(kD3dDevTypeHal);
    no_depth.depth_formats = {kD3dFmtD16};  // not allowed at 24 bits
    d3d_.adapters = {adapter({{640, 480, 60, X8}}, {scripted_kind(kD3dDevTypeHal, true, false)}),
                     adapter({{640, 480, 60, X8}}, {no_depth}),
                     adapter({{640, 480, 60, X8}},
                             {scripted_kind(kD3dDevTypeHal, true, false), scripted_kind(kD3dDevTypeRef)})};
    d3d_.adapters[2].description = "third";
    ASSERT_EQ(d3d_build_device_list(state(), 640, 480, 32), 0u);
    ASSERT_EQ(state_->adapter_count, 1u);
    EXPECT_EQ(state_->adapters[0].identifier.description, "third");
    EXPECT_EQ(state_->adapters[0].device_count, 1u);
    EXPECT_EQ(state_->adapters[0].devices[0].name, "REF");
}

TEST_F(D3dEnum, BehaviourFollowsTheVertexProcessingCaps) {
    const struct {
        uint32_t dev_caps;
        uint32_t want;
    } cases[] = {
        {kD3dDevCapsHwTransformAndLight | kD3dDevCapsPureDevice, 0x50},
        {kD3dDevCapsHwTransformAndLight, 0x40},
        {0, 0x20},
    };
    for (const auto& c : cases) {
        scripted_d3d_kind k = scripted_kind(kD3dDevTypeHal);
        k.caps.dev_caps = c.dev_caps;
        d3d_.adapters = {adapter({{640, 480, 60, X8}}, {k})};
        ASSERT_EQ(d3d_build_device_list(state(), 640, 480, 32), 0u);
        EXPECT_EQ(chosen().modes[0].behaviour, c.want);
    }
}

TEST_F(D3dEnum, DepthFormatOrderFollowsTheMinimumBits) {
    const struct {
        uint32_t depth, stencil;
        std::vector<std::string> asked;
    } cases[] = {
        {16, 0, {"depth 80", "depth 77", "depth 75", "depth 79", "depth 71"}},
        {24, 0, {"depth 77", "depth 75", "depth 79", "depth 71"}},
        {15, 1, {"depth 73", "depth 75", "depth 79"}},
        {24, 8, {"depth 75"}},
        {32, 0, {"depth 71"}},
        {33, 0, {}},
    };
    d3d_.adapters = {adapter({}, {scripted_kind(kD3dDevTypeHal)})};
    d3d_.adapters[0].kinds[0].depth_formats.clear();
    for (const auto& c : cases) {
        d3d_state& s = state();
        s.min_depth_bits = c.depth;
        s.min_stencil_bits = c.stencil;
        d3d_.asked.clear();
        EXPECT_EQ(d3d_find_depth_stencil_format(s, 0, kD3dDevTypeHal, X8), kD3dFmtUnknown);
        EXPECT_EQ(d3d_.asked, c.asked) << c.depth << "/" << c.stencil;
    }
    d3d_.adapters[0].kinds[0].depth_formats = {kD3dFmtD32, kD3dFmtD24S8};
    d3d_state& s = state();
    s.min_depth_bits = 16;
    EXPECT_EQ(d3d_find_depth_stencil_format(s, 0, kD3dDevTypeHal, X8), kD3dFmtD24S8);
}

TEST_F(D3dEnum, FixedCapacitiesAreBoundsAndWhatDoesNotFitIsIgnored) {
    std::vector<d3d_display_mode> many;
    for (uint32_t i = 0; i < 120; ++i) many.push_back({640 + i, 480, 60, X8});
    for (int i = 0; i < 12; ++i) d3d_.adapters.push_back(adapter(many, {scripted_kind(kD3dDevTypeHal)}));
    ASSERT_EQ(d3d_build_device_list(state(), 640, 480, 32), 0u);
    EXPECT_EQ(state_->adapter_count, kD3dMaxAdapters);
    EXPECT_EQ(state_->adapters[9].devices[0].mode_count, kD3dMaxListedModes);
    EXPECT_EQ(state_->adapters[9].devices[0].modes[99].width, 739u);
}

TEST_F(D3dEnum, OnlyTheFallBackWarningShowsABoxWhichDoesNotSayTheGameExits) {
    std::vector<std::string> boxes;
    sys_message_box_set_sink([&](const std::string& title, const std::string& text, message_box_kind kind) {
        EXPECT_EQ(kind, message_box_kind::error);
        boxes.push_back(title + "|" + text);
    });
    for (uint32_t code : {kD3dAppErrNoDirect3d, kD3dAppErrNoCompatibleDevices, kD3dAppErrNullRefDevice})
        d3d_report_error(code);
    EXPECT_TRUE(boxes.empty());
    d3d_report_error(kD3dAppWarnSwitchToRef);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0],
              "Direct3D error|Switching to the reference rasterizer,\na software device that implements the "
              "entire\n"
              "Direct3D feature set, but runs very slowly.");
    log_close();
    const std::string log = folder_.read("kv.log");
    EXPECT_NE(log.find("[D3D] error 0x82000003: Could not find any compatible Direct3D\ndevices.\n"),
              std::string::npos);
    EXPECT_NE(log.find("[D3D] error 0x00000002: Switching"), std::string::npos);
    EXPECT_EQ(d3d_error_text(0x8200000c), "Could not reset the Direct3D device.");
    EXPECT_EQ(d3d_error_text(12345), "");
}

}  // namespace
}  // namespace kv
