#include "platform/dx_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"

namespace kv {
namespace {

struct shown_box {
    std::string title;
    std::string text;
    message_box_kind kind;
};

class DxCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys_message_box_set_sink(
            [this](const std::string& title, const std::string& text, message_box_kind kind) {
                boxes_.push_back({title, text, kind});
            });
    }
    void TearDown() override {
        dx_set_probe({});
        sys_message_box_set_sink({});
    }
    std::vector<shown_box> boxes_;
};

TEST_F(DxCheckTest, TheLayerProvidesVersion8Point1) {
    EXPECT_EQ(dx_probe_version(), 0x801u);
    EXPECT_TRUE(dx_check());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(DxCheckTest, OlderVersionsAreNamedInAnErrorBox) {
    const struct {
        uint32_t version;
        const char* name;
    } cases[] = {
        {0x000, "No DirectX"}, {0x100, "DirectX 1"}, {0x200, "DirectX 2"}, {0x300, "DirectX 3"},
        {0x400, "DirectX 4"},  {0x500, "DirectX 5"}, {0x600, "DirectX 6"}, {0x601, "DirectX 6.1"},
        {0x602, "DirectX 7"},  {0x700, "DirectX 7"}, {0x701, "DirectX 8"}, {0x800, "DirectX 8"},
        {0x001, "DirectX 1"},  {0x201, "DirectX 3"},
    };
    for (const auto& c : cases) {
        boxes_.clear();
        dx_set_probe([&c] { return c.version; });
        EXPECT_FALSE(dx_check()) << c.name;
        ASSERT_EQ(boxes_.size(), 1u) << c.name;
        EXPECT_EQ(boxes_[0].title, "Korvane");
        EXPECT_EQ(boxes_[0].text,
                  std::string("DirectX not detected or wrong version found (DirectX 8.1 required) !\n"
                              "Your current version is: ") +
                      c.name);
        EXPECT_EQ(boxes_[0].kind, message_box_kind::error);
    }
}

TEST_F(DxCheckTest, Version8Point1AndNewerPassWithoutABox) {
    for (uint32_t version : {0x801u, 0x900u, 0xFFFFFFFFu}) {
        dx_set_probe([version] { return version; });
        EXPECT_TRUE(dx_check()) << std::hex << version;
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(DxCheckTest, AnEmptyProbeRestoresTheLayersOwn) {
    dx_set_probe([] { return 0u; });
    EXPECT_EQ(dx_probe_version(), 0u);
    dx_set_probe({});
    EXPECT_EQ(dx_probe_version(), 0x801u);
}

}  // namespace
}  // namespace kv
