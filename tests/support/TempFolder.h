// A fresh folder for one test under the system's temporary folder, removed at the end.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

class CTempFolder {
public:
    CTempFolder() {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("lumetto-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~CTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& Dir() const { return m_path; }
    // The folder as a string ending in '/'.
    std::string Path() const { return m_path.string() + "/"; }
    // A file's path inside the folder.
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    std::string Write(const std::string& relative, const std::string& content) const {
        const std::filesystem::path p = m_path / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

private:
    std::filesystem::path m_path;
};
