#pragma once
// A fresh folder under the temporary folder, removed with everything in it
// when the object goes.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vd::test {

class TTempDir final {
  public:
    TTempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velodrop-test-XXXXXX").string();
        FPath = ::mkdtemp(pattern.data());
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(FPath, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }

  private:
    std::filesystem::path FPath;
};

// The whole file, in one read (files of many megabytes are compared); empty
// when it cannot be read.
inline std::string ReadFileBytes(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::string bytes(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline void WriteFileBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream(Path, std::ios::binary) << Bytes;
}

}  // namespace vd::test
