#include "testing/service/service_standin.h"

#include <utility>

namespace fixtures {

namespace {
std::string pathOf(const std::string& target) { return target.substr(0, target.find('?')); }

std::string queryOf(const std::string& target) {
    auto mark = target.find('?');
    return mark == std::string::npos ? "" : target.substr(mark + 1);
}

std::string parameter(const std::string& headerLine, const std::string& name) {
    auto at = headerLine.find(name + "=\"");
    if (at == std::string::npos) return {};
    at += name.size() + 2;
    auto end = headerLine.find('"', at);
    return headerLine.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string htmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

Answer htmlPage(const std::string& title, const std::string& content) {
    return Answer::ok("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title +
                          "</title></head><body style=\"font-family:sans-serif;background:#f4f1ea\"><h2>" + title +
                          "</h2><p><em>This is the local stand-in for the ringtone service.</em></p>" + content +
                          "</body></html>",
                      "text/html")
        .thenClose();
}
}  // namespace

std::vector<ReceivedUpload> parseMultipart(const std::string& contentType, const std::string& body) {
    std::vector<ReceivedUpload> parts;
    auto at = contentType.find("boundary=");
    if (at == std::string::npos) return parts;
    std::string delimiter = "--" + contentType.substr(at + 9);
    std::size_t pos = body.find(delimiter);
    while (pos != std::string::npos) {
        pos += delimiter.size();
        if (body.compare(pos, 2, "--") == 0) break;
        if (body.compare(pos, 2, "\r\n") == 0) pos += 2;
        auto headEnd = body.find("\r\n\r\n", pos);
        if (headEnd == std::string::npos) break;
        std::string head = body.substr(pos, headEnd - pos);
        auto next = body.find("\r\n" + delimiter, headEnd + 4);
        if (next == std::string::npos) break;
        ReceivedUpload part;
        part.fieldName = parameter(head, "name");
        part.fileName = parameter(head, "filename");
        auto type = head.find("Content-Type: ");
        if (type != std::string::npos) part.contentType = head.substr(type + 14, head.find("\r\n", type) - type - 14);
        part.data = body.substr(headEnd + 4, next - headEnd - 4);
        parts.push_back(std::move(part));
        pos = next + 2;
    }
    return parts;
}

ServiceStandin::ServiceStandin() {
    server_.setHandler([this](const HttpRequest& request) { return answer(request); });
}

void ServiceStandin::setFile(const std::string& path, std::string content, int status) {
    setAnswer(path, status == 200 ? Answer::ok(content) : Answer::status(status, "Error", content));
}

void ServiceStandin::setAnswer(const std::string& path, Answer answer) {
    std::lock_guard lock(mutex_);
    answers_[path] = std::move(answer);
}

std::string ServiceStandin::backendFile() const {
    std::string base = "http://" + host();
    return base + "/_php/partner_post.php?," + "/_php/upload.php," + host() + "," + base +
           "/_ini/lists/carriers.ini," + base + "/_ini/lists/country.ini," + base + "/billing/index.php?," + base +
           "/currency/index.html\r\n";
}

std::string ServiceStandin::carriersFile() {
    return "0,\"Header\",\"* Carrier list\"\r\n"
           "1,\"USA\",\"Cingular\"\r\n"
           "2,\"USA\",\"Verizon Wireless\"\r\n"
           "3,\"USA\",\"T-Mobile\"\r\n"
           "4,\"Canada\",\"Rogers\"\r\n"
           "5,\"Canada\",\"Bell Mobility\"\r\n"
           "6,\"United Kingdom\",\"Vodafone\"\r\n"
           "7,\"United Kingdom\",\"O2\"\r\n";
}

std::string ServiceStandin::countriesFile() {
    return "1,\"USA\",\"US\",\"+1\"\r\n"
           "2,\"Canada\",\"CA\",\"+1\"\r\n"
           "44,\"United Kingdom\",\"UK\",\"+44\"\r\n";
}

std::vector<ReceivedUpload> ServiceStandin::uploads() const {
    std::lock_guard lock(mutex_);
    return uploads_;
}

std::vector<std::string> ServiceStandin::requestLines() const {
    std::vector<std::string> lines;
    for (const auto& request : server_.requests()) lines.push_back(request.method + " " + request.target);
    return lines;
}

Answer ServiceStandin::answer(const HttpRequest& request) {
    std::string path = pathOf(request.target);
    {
        std::lock_guard lock(mutex_);
        auto scripted = answers_.find(path);
        if (scripted != answers_.end()) return scripted->second;
    }
    if (request.method == "POST" && path == "/_php/upload.php") {
        auto parts = parseMultipart(request.header("Content-Type"), request.body);
        {
            std::lock_guard lock(mutex_);
            uploads_.insert(uploads_.end(), parts.begin(), parts.end());
        }
        return Answer::raw("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 8\r\n\r\nreceived").thenClose();
    }
    if (path.rfind("/_ini/backend/", 0) == 0 && path.size() > 12 && path.ends_with("/BackEnd.txt"))
        return Answer::ok(backendFile()).thenClose();
    if (path == "/_ini/lists/carriers.ini") return Answer::ok(carriersFile()).thenClose();
    if (path == "/_ini/lists/country.ini") return Answer::ok(countriesFile()).thenClose();
    if (path == "/_php/mod_tracking.php" || path == "/_php/partner_post.php") return Answer::ok("OK").thenClose();
    if (path == "/billing/index.php")
        return htmlPage("Order your ringtone", "<p>Order details: <code>" + htmlEscape(queryOf(request.target)) +
                                                   "</code></p><p>Price: $1.99 USD</p>");
    if (path == "/currency/index.html") return htmlPage("Currency converter", "<p>1.99 USD</p>");
    if (path == "/") return htmlPage("Ringtone service", "<p>The service is running.</p>");
    return Answer::status(404, "Not Found", "not found").thenClose();
}

}  // namespace fixtures
