#include "comma_fields.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>

#include "run_error.h"

namespace run_errors {
RunError overflow() { return {kOverflow, "Overflow"}; }
RunError subscriptOutOfRange() { return {kSubscriptOutOfRange, "Subscript out of range"}; }
RunError typeMismatch() { return {kTypeMismatch, "Type mismatch"}; }
RunError fileNotFound() { return {kFileNotFound, "File not found"}; }
RunError inputPastEndOfFile() { return {kInputPastEndOfFile, "Input past end of file"}; }
RunError pathFileAccess() { return {kPathFileAccess, "Path/File access error"}; }
}  // namespace run_errors

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
}  // namespace

// A path that opens but cannot be read (a folder, a failing disk) is an access error.
CommaFieldReader CommaFieldReader::open(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw run_errors::fileNotFound();
    std::string content;
    try {
        content.assign(std::istreambuf_iterator<char>(in), {});
    } catch (const std::exception&) {
        throw run_errors::pathFileAccess();
    }
    if (in.bad()) throw run_errors::pathFileAccess();
    return CommaFieldReader(std::move(content));
}

void CommaFieldReader::skipBlanks() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
}

// One comma, or one line end (CR LF, LF or CR), ends the field just read.
void CommaFieldReader::skipDelimiter() {
    skipBlanks();
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == ',') {
        ++pos_;
    } else if (text_[pos_] == '\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    } else if (text_[pos_] == '\n') {
        ++pos_;
    }
}

std::string CommaFieldReader::readQuoted() {
    std::string field;
    ++pos_;
    while (pos_ < text_.size()) {
        char c = text_[pos_++];
        if (c != '"') {
            field += c;
        } else if (pos_ < text_.size() && text_[pos_] == '"') {
            field += '"';
            ++pos_;
        } else {
            break;
        }
    }
    // Whatever follows the closing quote up to the delimiter is not part of the field.
    while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_])) ++pos_;
    skipDelimiter();
    return field;
}

std::string CommaFieldReader::readText() {
    if (atEnd()) throw run_errors::inputPastEndOfFile();
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '"') return readQuoted();
    std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_])) ++pos_;
    std::size_t end = pos_;
    while (end > start && isBlank(text_[end - 1])) --end;
    std::string field = text_.substr(start, end - start);
    skipDelimiter();
    return field;
}

std::int32_t CommaFieldReader::readNumber() {
    if (atEnd()) throw run_errors::inputPastEndOfFile();
    skipBlanks();
    std::string token;
    if (pos_ < text_.size() && text_[pos_] == '"') {
        token = readQuoted();
    } else {
        std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && !isBlank(text_[pos_]) && !isLineEnd(text_[pos_])) ++pos_;
        token = text_.substr(start, pos_ - start);
        skipDelimiter();
    }
    if (token.empty()) return 0;
    char* end = nullptr;
    double value = std::strtod(token.c_str(), &end);
    bool decimal = token.find_first_not_of("0123456789+-.eE") == std::string::npos;
    if (!decimal || end != token.c_str() + token.size() || !std::isfinite(value)) return 0;
    double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max())
        throw run_errors::overflow();
    return static_cast<std::int32_t>(rounded);
}

std::string quoteFieldWhenNeeded(const std::string& field) {
    bool needed = field.find_first_of(",\"\r\n") != std::string::npos ||
                  (!field.empty() && (isBlank(field.front()) || isBlank(field.back())));
    if (!needed) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}
