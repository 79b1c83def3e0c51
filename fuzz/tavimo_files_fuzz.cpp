// Tavimo's back-end, list and profile files, read through the comma-field syntax they share:
// any text reads in each file's shape to its end or stops with one of the file errors, and
// fields written as the profile writer writes them read back byte for byte, numbers included.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "comma_fields.h"
#include "fuzz/fuzz_check.h"
#include "run_error.h"

namespace {

// Reads the text in one file's shape: numbers where the shape has "n", texts where it has "t",
// over and over to the end.
void readShape(const std::string& text, const char* shape) {
    CommaFieldReader reader(text);
    std::size_t reads = 0;
    try {
        while (!reader.atEnd()) {
            for (const char* field = shape; *field; ++field) {
                if (*field == 'n') {
                    (void)reader.readNumber();
                } else {
                    (void)reader.readText();
                }
                // Every field takes at least one byte, or the end.
                FUZZ_CHECK(++reads <= text.size() + 1);
            }
        }
    } catch (const RunError& error) {
        FUZZ_CHECK(error.number == run_errors::kOverflow || error.number == run_errors::kInputPastEndOfFile);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        const std::string text = in.ConsumeRemainingBytesAsString();
        readShape(text, "ttttttt");
        readShape(text, "ntt");
        readShape(text, "nttt");
        readShape(text, "t");
        return 0;
    }
    std::vector<std::string> fields(in.ConsumeIntegralInRange(1, 16));
    for (auto& field : fields) field = in.ConsumeRandomLengthString(40);
    const std::int32_t number = in.ConsumeIntegral<std::int32_t>();
    std::string line;
    for (const auto& field : fields) line += quoteFieldWhenNeeded(field) + ",";
    line += std::to_string(number) + "\r\n";
    CommaFieldReader reader(line);
    for (const auto& field : fields) FUZZ_CHECK(reader.readText() == field);
    FUZZ_CHECK(reader.readNumber() == number);
    FUZZ_CHECK(reader.atEnd());
    return 0;
}
