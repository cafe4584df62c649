// Byte streams for transfers: a local file and a block of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vd::ftp {

class TIdStream {
  public:
    TIdStream() = default;
    TIdStream(const TIdStream&) = delete;
    TIdStream& operator=(const TIdStream&) = delete;
    virtual ~TIdStream() = default;

    // Reads up to n bytes at the position and advances it; 0 at the end.
    virtual size_t Read(char* buffer, size_t n) = 0;
    // Writes n bytes at the position and advances it.
    virtual void Write(const char* buffer, size_t n) = 0;
    virtual uint64_t Position() const = 0;
    virtual void SetPosition(uint64_t position) = 0;
    virtual uint64_t Size() const = 0;
    virtual void SetSize(uint64_t size) = 0;
};

class TIdMemoryStream final : public TIdStream {
  public:
    TIdMemoryStream() = default;
    explicit TIdMemoryStream(std::string bytes) : FData(std::move(bytes)) {}

    // At most this many bytes; a write beyond fails with
    // EIdFTPDownloadTooLarge and stores nothing of it.
    void SetLimit(uint64_t bytes) noexcept { FLimit = bytes; }

    size_t Read(char* buffer, size_t n) override;
    void Write(const char* buffer, size_t n) override;
    uint64_t Position() const override { return FPosition; }
    void SetPosition(uint64_t position) override { FPosition = position; }
    uint64_t Size() const override { return FData.size(); }
    void SetSize(uint64_t size) override;
    const std::string& Bytes() const noexcept { return FData; }

  private:
    std::string FData;
    uint64_t FPosition = 0;
    uint64_t FLimit = UINT64_MAX;
};

// A local file, opened at construction (EFOpenError or EFCreateError on
// failure) and closed at destruction.
class TIdFileStream final : public TIdStream {
  public:
    enum class TMode { fmOpenRead, fmCreate };
    TIdFileStream(const std::string& path, TMode mode);
    ~TIdFileStream() override;

    size_t Read(char* buffer, size_t n) override;
    void Write(const char* buffer, size_t n) override;
    uint64_t Position() const override;
    void SetPosition(uint64_t position) override;
    uint64_t Size() const override;
    void SetSize(uint64_t size) override;

  private:
    int FHandle = -1;
    std::string FPath;
};

}  // namespace vd::ftp
