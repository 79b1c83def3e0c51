#pragma once
// The upload's request, written by hand: an HTTP/1.0 multipart form post of one file.

#include <string>

struct UploadRequestRecord {
    std::string host;
    long port = 0;  // 0 stands for 80
    std::string path;
    std::string query;
};

// The record of this program's uploads. A host given as "name:port" keeps that text for the
// Host header and connects to that port.
UploadRequestRecord UploadRecordFor(const std::string& host, const std::string& path);

// The file's bytes; a file that cannot be opened or read raises a RunError.
std::string ReadFileData(const std::string& path);
// A random text of letters and digits.
std::string MakeBoundary(std::size_t length);
std::string BuildUploadRequest(const std::string& fileData, const UploadRequestRecord& record,
                               const std::string& fieldName, const std::string& filePath,
                               const std::string& contentType);
// The same with a given boundary.
std::string BuildUploadRequestWithBoundary(const std::string& fileData, const UploadRequestRecord& record,
                                           const std::string& fieldName, const std::string& filePath,
                                           const std::string& contentType, const std::string& boundary);

constexpr std::size_t kBoundaryLength = 32;
