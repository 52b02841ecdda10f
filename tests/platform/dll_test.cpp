#include "platform/dll.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace kv {
namespace {

using add_fn = int (*)(int, int);

TEST(Dll, LoadsTheTestPluginAndCallsIt) {
    dll plugin(KV_TEST_PLUGIN_PATH);
    EXPECT_EQ(plugin.handle, nullptr);
    ASSERT_TRUE(dll_load(plugin)) << dll_error(plugin);
    EXPECT_NE(plugin.handle, nullptr);
    EXPECT_TRUE(dll_error(plugin).empty());
    auto add = reinterpret_cast<add_fn>(dll_get_proc(plugin, "kv_test_plugin_add"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(40, 2), 42);
    EXPECT_EQ(dll_get_proc(plugin, "kv_test_plugin_missing"), nullptr);
    // A second load keeps the one handle, so one free releases it.
    void* first = plugin.handle;
    EXPECT_TRUE(dll_load(plugin));
    EXPECT_EQ(plugin.handle, first);
    dll_free(plugin);
    EXPECT_EQ(plugin.handle, nullptr);
    EXPECT_EQ(dll_get_proc(plugin, "kv_test_plugin_add"), nullptr);
    dll_free(plugin);  // freeing twice is harmless
    EXPECT_EQ(plugin.name, KV_TEST_PLUGIN_PATH);
}

TEST(Dll, FailedLoadsReportTheLoadersReason) {
    const struct {
        const char* name;
        const char* in_error;
    } cases[] = {
        {"/nonexistent/kv_no_such_module.kvb", "kv_no_such_module.kvb"},
        // What is no regular file is not handed to the loader (a FIFO would block it).
        {"/dev/zero", "/dev/zero is not a regular file"},
        {"/tmp", "/tmp is not a regular file"},
        {"kv_no_such_library.so", "kv_no_such_library.so"},
        {"", "empty"},
    };
    for (const auto& c : cases) {
        dll library(c.name);
        EXPECT_FALSE(dll_load(library)) << c.name;
        EXPECT_EQ(library.handle, nullptr) << c.name;
        EXPECT_NE(dll_error(library).find(c.in_error), std::string::npos) << dll_error(library);
        EXPECT_EQ(dll_get_proc(library, "anything"), nullptr) << c.name;
    }
}

TEST(Dll, DestructorAndMovesReleaseEachLibraryOnce) {
    {
        dll loaded(KV_TEST_PLUGIN_PATH);
        ASSERT_TRUE(dll_load(loaded));
    }
    { dll never_loaded("kv_never_loaded.so"); }
    dll a(KV_TEST_PLUGIN_PATH);
    ASSERT_TRUE(dll_load(a));
    void* handle = a.handle;
    dll b(std::move(a));
    EXPECT_EQ(a.handle, nullptr);
    EXPECT_EQ(b.handle, handle);
    dll c("other");
    c = std::move(b);
    EXPECT_EQ(b.handle, nullptr);
    EXPECT_EQ(c.handle, handle);
    EXPECT_EQ(c.name, KV_TEST_PLUGIN_PATH);
    auto add = reinterpret_cast<add_fn>(dll_get_proc(c, "kv_test_plugin_add"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(-3, 3), 0);
}

TEST(Dll, WindowsSystemLibrariesMapToTheirLinuxStandIns) {
    const struct {
        const char* name;
        const char* loaded_as;
    } cases[] = {
        {"opengl32.dll", "libGL.so.1"},       {"OPENGL32.DLL", "libGL.so.1"},
        {"glu32.dll", "libGLU.so.1"},         {"dsound.dll", "libopenal.so.1"},
        {"DSound.dll", "libopenal.so.1"},     {"dinput.dll", "libSDL2-2.0.so.0"},
        {"bots/alpha.kvb", "bots/alpha.kvb"}, {"opengl32.dll.bak", "opengl32.dll.bak"},
        {"dinput8.dll", "dinput8.dll"},
    };
    for (const auto& c : cases) EXPECT_EQ(dll_system_name(c.name), c.loaded_as) << c.name;
}

TEST(Dll, DirectInputNameLoadsTheEventLibrary) {
    dll input("DINPUT.DLL");
    ASSERT_TRUE(dll_load(input)) << dll_error(input);
    EXPECT_NE(dll_get_proc(input, "SDL_PollEvent"), nullptr);
    EXPECT_EQ(input.name, "DINPUT.DLL");
}

// A module inside the program answers its name (without regard to case) before the file system:
// its load hook may refuse, its symbols come from its lookup, its unload hook runs once.
TEST(Dll, InProgramModulesComeBeforeTheFileSystem) {
    int loads = 0;
    int unloads = 0;
    bool refuse = true;
    static int symbol = 0;
    auto module = std::make_shared<dll_module>();
    module->load = [&](std::string& error) {
        ++loads;
        if (refuse) error = "refused";
        return !refuse;
    };
    module->unload = [&] { ++unloads; };
    module->lookup = [](const char* name) -> void* {
        return std::string(name) == "known" ? &symbol : nullptr;
    };
    dll_register_module("inside.dll", module);
    {
        dll d("INSIDE.DLL");
        EXPECT_FALSE(dll_load(d));
        EXPECT_EQ(dll_error(d), "refused");
        refuse = false;
        ASSERT_TRUE(dll_load(d));
        EXPECT_EQ(dll_get_proc(d, "known"), &symbol);
        EXPECT_EQ(dll_get_proc(d, "unknown"), nullptr);
        dll moved(std::move(d));
        EXPECT_EQ(dll_get_proc(moved, "known"), &symbol);
    }
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(unloads, 1);
    dll_register_module("inside.dll", nullptr);
    dll d("inside.dll");
    EXPECT_FALSE(dll_load(d)) << "no such file once the module is gone";
}

}  // namespace
}  // namespace kv
