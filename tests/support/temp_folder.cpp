#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kv {

temp_folder::temp_folder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string label = "kv";
    if (info) label += std::string("_") + info->test_suite_name() + "_" + info->name();
    for (char& c : label) {
        if (c == '/') c = '_';
    }
    const auto base = std::filesystem::temp_directory_path();
    // create_directory fails on an existing folder, so the first one it makes is ours alone.
    for (int n = 0;; ++n) {
        path_ = base / (label + "_" + std::to_string(n));
        if (std::filesystem::create_directory(path_)) break;
    }
}

temp_folder::~temp_folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string temp_folder::file(const std::string& name) const {
    return (path_ / name).string();
}

std::string temp_folder::write(const std::string& name, const std::string& bytes) const {
    const auto full = path_ / name;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full.string();
}

std::string temp_folder::read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace kv
