#include "ServerFixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "ListeningPort.h"
#include "common/TempDir.h"

namespace vd::test {

namespace fs = std::filesystem;

TServerFixture::TServerFixture(const std::string& name, const std::string& unusable) {
    if (!unusable.empty()) throw std::runtime_error(unusable);
    std::string pattern = "/tmp/vd-" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    FFolder = pattern;
}

TServerFixture::~TServerFixture() { Stop(); }

const std::string& TServerFixture::MakeServedFolder(const std::string& name) {
    FServedFolder = FFolder + "/" + name;
    fs::create_directory(FServedFolder);
    return FServedFolder;
}

void TServerFixture::RemoveOnStop(const std::string& path) { FRemoveOnStop.push_back(path); }

void TServerFixture::MakeCertificate(const std::string& pemFile) {
    RunOrThrow({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                "-subj", "/CN=localhost", "-keyout", pemFile, "-out", pemFile});
}

uint16_t TServerFixture::AwaitListening(const std::string& serverName, uint16_t port) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (FProcess->WaitForExit(0)) return 0;
        const uint16_t listening = ListeningPort(FProcess->Pid());
        if (listening != 0 && (port == 0 || listening == port)) return listening;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error(serverName + " did not listen within 20 s: " + FProcess->ErrorLog());
}

void TServerFixture::Stop() noexcept {
    FProcess.reset();
    for (const std::string& path : FRemoveOnStop) ::unlink(path.c_str());
    FRemoveOnStop.clear();
    if (!FFolder.empty()) {
        std::error_code ec;
        fs::remove_all(FFolder, ec);
        FFolder.clear();
    }
}

std::string TServerFixture::ReadFile(const std::string& relativePath) const {
    return ReadFileBytes(FServedFolder + "/" + relativePath);
}

bool TServerFixture::Exists(const std::string& relativePath) const {
    return fs::exists(FServedFolder + "/" + relativePath);
}

}  // namespace vd::test
