#pragma once
// A fresh folder under the system's temporary folder for one test, removed with its contents.

#include <filesystem>
#include <string>

namespace kv {

class temp_folder {
public:
    temp_folder();
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The full path of `name` inside the folder.
    std::string file(const std::string& name) const;
    // Writes `bytes` to `name` (creating its folders) and returns the full path.
    std::string write(const std::string& name, const std::string& bytes) const;
    // The whole content of `name`; empty when it cannot be read.
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

}  // namespace kv
