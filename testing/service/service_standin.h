#pragma once
// A stand-in for the ringtone service on loopback: the back-end file per module, the two list
// files, the tracking script, the partner post, the upload endpoint and a billing page. Every
// request is recorded by the underlying server.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "testing/http_server.h"

namespace fixtures {

struct ReceivedUpload {
    std::string fieldName;
    std::string fileName;
    std::string contentType;
    std::string data;
};

class ServiceStandin {
public:
    ServiceStandin();

    HttpServer& server() { return server_; }
    std::string host() const { return server_.hostPort(); }

    // The content served for one path in place of the built-in one.
    void setFile(const std::string& path, std::string content, int status = 200);
    // Answers for one path: e.g. 404 or a hang-up.
    void setAnswer(const std::string& path, Answer answer);

    // The back-end file the stand-in serves for every module: its seven values in file order.
    std::string backendFile() const;
    static std::string carriersFile();
    static std::string countriesFile();

    std::vector<ReceivedUpload> uploads() const;
    // The request targets in arrival order, "GET /path?query".
    std::vector<std::string> requestLines() const;

private:
    Answer answer(const HttpRequest& request);

    HttpServer server_;
    mutable std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::vector<ReceivedUpload> uploads_;
};

// Splits a multipart/form-data body by the boundary of its Content-Type header.
std::vector<ReceivedUpload> parseMultipart(const std::string& contentType, const std::string& body);

}  // namespace fixtures
