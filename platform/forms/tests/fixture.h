#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "forms/forms.h"
#include "forms/driver.h"

namespace formstest {

// A 24-bit bottom-up bitmap file of one colour (0xRRGGBB).
inline void writeBmp(const std::string& path, int width, int height, std::uint32_t rgb) {
    int row = (width * 3 + 3) & ~3;
    std::uint32_t dataSize = static_cast<std::uint32_t>(row * height);
    std::vector<unsigned char> file(54 + dataSize, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    file[26] = 1;
    file[28] = 24;
    put32(34, dataSize);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::size_t at = 54 + static_cast<std::size_t>(y * row + x * 3);
            file[at] = rgb & 0xFF;
            file[at + 1] = (rgb >> 8) & 0xFF;
            file[at + 2] = (rgb >> 16) & 0xFF;
        }
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
}

// 0xRRGGBB of a pixel of an ARGB32 surface.
inline std::uint32_t pixel(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    auto* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    std::uint32_t argb;
    std::memcpy(&argb, data + y * stride + x * 4, 4);
    return argb & 0xFFFFFF;
}

// A folder of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/forms-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Message boxes and beeps recorded instead of shown and sounded; unhandled errors kept.
class FormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        forms::setMsgBoxHook([this](const forms::MsgBoxCall& call) {
            boxes.push_back(call);
            return answer;
        });
        forms::setBeepHook([this] { ++beeps; });
        forms::setUnhandledErrorHook([this](const forms::Error& e) { unhandled.push_back(e.Number()); });
    }
    void TearDown() override {
        for (forms::Form* f : forms::Forms()) f->Unload();
        forms::drive::pump();
        forms::setMsgBoxHook(nullptr);
        forms::setBeepHook(nullptr);
        forms::setUnhandledErrorHook(nullptr);
        forms::Err().Clear();
    }

    std::vector<forms::MsgBoxCall> boxes;
    int answer = forms::vbOK;
    int beeps = 0;
    std::vector<long> unhandled;
};

}  // namespace formstest
