#pragma once
// The comma-field syntax shared by the back-end file, the list files and the profile.

#include <cstdint>
#include <string>

class CommaFieldReader {
public:
    explicit CommaFieldReader(std::string content) : text_(std::move(content)) {}

    // Opens a file for reading; a missing or unreadable file raises "File not found".
    static CommaFieldReader open(const std::string& path);

    bool atEnd() const { return pos_ >= text_.size(); }
    // A text field; a quoted one may hold commas, line breaks and doubled quotes standing for one.
    // Raises "Input past end of file" when no field is left.
    std::string readText();
    // A decimal number field, rounded to a whole number (halves to even); a field that is not a
    // number gives 0, one beyond 32 bits raises "Overflow".
    std::int32_t readNumber();

private:
    void skipBlanks();
    void skipDelimiter();
    std::string readQuoted();

    std::string text_;
    std::size_t pos_ = 0;
};

// A field as the profile writer puts it: quoted, with quotes doubled, when the plain form would
// not read back the same.
std::string quoteFieldWhenNeeded(const std::string& field);
