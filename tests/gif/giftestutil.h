// Loading helpers shared by the GIF tests: load bytes into a picture and keep what the
// reader said (warnings in order, the exception's message, where the stream stood).
#pragma once

#include "gif/gifimage.h"
#include "gifbuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace galimo::test {

struct LoadResult {
    std::unique_ptr<TGIFImage> image = std::make_unique<TGIFImage>();
    std::vector<std::string> warnings;
    std::string error;  // the GIFException's message; empty when the load succeeded
    int64_t position = -1;
    bool Failed() const { return !error.empty(); }
};

inline LoadResult LoadGIF(const Bytes& bytes, int64_t startAt = 0)
{
    LoadResult r;
    r.image->OnWarn = [&r](const TGIFPersistent*, int severity, const std::string& message) {
        EXPECT_EQ(severity, 1);
        r.warnings.push_back(message);
    };
    TMemoryStream stream(bytes.data(), bytes.size());
    stream.SetPosition(startAt);
    try {
        r.image->LoadFromStream(stream);
    } catch (const GIFException& e) {
        r.error = e.what();
    }
    r.position = stream.Position();
    r.image->OnWarn = nullptr;
    return r;
}

inline Bytes ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::filesystem::path SuiteDir() { return std::filesystem::path(GALIMO_TESTDATA_DIR) / "gif-suite"; }

// Every .gif under a folder, sorted.
inline std::vector<std::filesystem::path> GifFilesUnder(const std::filesystem::path& dir)
{
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::exists(dir)) return files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.is_regular_file() && e.path().extension() == ".gif") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace galimo::test
