#include "upload_request.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "run_error.h"

namespace {

std::string allBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

TEST(UploadRequest, ExactBytes) {
    UploadRequestRecord record = UploadRecordFor("upload.example", "/_php/upload.php");
    std::string request = BuildUploadRequest(allBytes(), record, "uploadedfile", "/opt/tavimo/tone.mp3", "audio");

    const std::string marker = "Content-Type: multipart/form-data, boundary=";
    auto at = request.find(marker);
    ASSERT_NE(at, std::string::npos);
    std::string boundary = request.substr(at + marker.size(), 32);
    std::string body = "--" + boundary + "\r\n" +
                       "Content-Disposition: form-data; name=\"uploadedfile\"; filename=\"/opt/tavimo/tone.mp3\"\r\n" +
                       "Content-Type: audio\r\n" + "\r\n" + allBytes() + "\r\n" + "--" + boundary + "--";
    std::string expected = "POST /_php/upload.php? HTTP/1.0\r\n"
                           "Host: upload.example\r\n"
                           "Content-Type: multipart/form-data, boundary=" +
                           boundary + "\r\n" + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    EXPECT_EQ(request, expected);
}

TEST(UploadRequest, BoundaryIsThirtyTwoLettersAndDigits) {
    std::string first = MakeBoundary(32);
    for (int i = 0; i < 50; ++i) {
        std::string boundary = MakeBoundary(32);
        ASSERT_EQ(boundary.size(), 32u);
        EXPECT_EQ(boundary.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
                  std::string::npos);
    }
    EXPECT_NE(first, MakeBoundary(32));
}

TEST(UploadRequest, FileNameCannotBreakTheHeader) {
    std::string request = BuildUploadRequestWithBoundary("x", {"h", 0, "/p", ""}, "uploadedfile",
                                                         "/dir/a\"b\r\nX: y.mp3", "audio", "B");
    EXPECT_NE(request.find("filename=\"/dir/a%22b%0D%0AX: y.mp3\"\r\n"), std::string::npos);
}

TEST(UploadRequest, HostWithPortConnectsThere) {
    auto plain = UploadRecordFor("upload.example", "/p");
    EXPECT_EQ(plain.port, 0);
    auto local = UploadRecordFor("127.0.0.1:8123", "/p");
    EXPECT_EQ(local.host, "127.0.0.1:8123");
    EXPECT_EQ(local.port, 8123);
}

TEST(UploadRequest, FileData) {
    auto file = std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) / "data.bin";
    std::ofstream(file, std::ios::binary) << allBytes();
    EXPECT_EQ(ReadFileData(file.string()), allBytes());
    EXPECT_THROW(ReadFileData((file.parent_path() / "absent").string()), RunError);
}

}  // namespace
