#include "upload_request.h"

#include <chrono>
#include <fstream>
#include <random>
#include <system_error>
#include <filesystem>

#include "run_error.h"

namespace {
constexpr const char* CRLF = "\r\n";

// A quote or a line break in the path would end the parameter or the header line early.
std::string escapeFileName(const std::string& name) {
    std::string escaped;
    for (char c : name) {
        if (c == '"')
            escaped += "%22";
        else if (c == '\r')
            escaped += "%0D";
        else if (c == '\n')
            escaped += "%0A";
        else
            escaped += c;
    }
    return escaped;
}
}  // namespace

UploadRequestRecord UploadRecordFor(const std::string& host, const std::string& path) {
    UploadRequestRecord record{host, 0, path, ""};
    auto colon = host.rfind(':');
    if (colon != std::string::npos && colon + 1 < host.size() && host.size() - colon <= 6 &&
        host.find_first_not_of("0123456789", colon + 1) == std::string::npos)
        record.port = std::stol(host.substr(colon + 1));
    return record;
}

std::string ReadFileData(const std::string& path) {
    std::error_code error;
    auto length = std::filesystem::file_size(path, error);
    if (error) throw run_errors::fileNotFound();
    std::ifstream in(path, std::ios::binary);
    if (!in) throw run_errors::pathFileAccess();
    std::string data(length, '\0');
    in.read(data.data(), static_cast<std::streamsize>(length));
    if (static_cast<std::uintmax_t>(in.gcount()) != length) throw run_errors::inputPastEndOfFile();
    return data;
}

std::string MakeBoundary(std::size_t length) {
    static std::mt19937 generator(static_cast<std::mt19937::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::string boundary;
    while (boundary.size() < length) {
        int c = static_cast<int>(uniform(generator) * 127);
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))
            boundary.push_back(static_cast<char>(c));
    }
    return boundary;
}

std::string BuildUploadRequestWithBoundary(const std::string& fileData, const UploadRequestRecord& record,
                                           const std::string& fieldName, const std::string& filePath,
                                           const std::string& contentType, const std::string& boundary) {
    std::string body;
    body += "--" + boundary + CRLF;
    body += "Content-Disposition: form-data; name=\"" + fieldName + "\"; filename=\"" + escapeFileName(filePath) +
            "\"" + CRLF;
    body += "Content-Type: " + contentType + CRLF;
    body += CRLF;
    body += fileData + CRLF;
    body += "--" + boundary + "--";

    std::string header;
    header += "POST " + record.path + "?" + record.query + " HTTP/1.0" + CRLF;
    header += "Host: " + record.host + CRLF;
    header += "Content-Type: multipart/form-data, boundary=" + boundary + CRLF;
    header += "Content-Length: " + std::to_string(body.size()) + CRLF;
    header += CRLF;
    return header + body;
}

std::string BuildUploadRequest(const std::string& fileData, const UploadRequestRecord& record,
                               const std::string& fieldName, const std::string& filePath,
                               const std::string& contentType) {
    return BuildUploadRequestWithBoundary(fileData, record, fieldName, filePath, contentType,
                                          MakeBoundary(kBoundaryLength));
}
