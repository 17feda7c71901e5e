// REN records of fuzzed messages: every line the writer makes itself ends in CR LF, and the
// body is carried between the keyword lines and "#E" unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "fuzz_support.h"
#include "jobs/ren_record.h"
#include "mailstore/mail_message.h"

using tavori::fuzz::Require;

namespace {

bool AllLineEndsCrLf(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    tavori::RecordOptions options;
    options.width = 40 + data[0] % 216;
    options.hyperRef = (data[0] & 0x80) != 0;
    // Small enough that the bound is reached by some inputs, as it is by huge mails.
    options.maxRecordBytes = (data[0] & 0x40) ? 4096 : options.maxRecordBytes;
    const tavori::MailMessage message(tavori::fuzz::AsText(data + 1, size - 1));
    std::string record;
    try {
        record = tavori::BuildRecord(message, options);
    } catch (const tavori::ConvertError&) {
        return 0;  // no valid date, or a record beyond the bound
    }
    Require(record.size() <= options.maxRecordBytes, "a record beyond its bound");
    const std::string head = "#S\r\n#W" + std::to_string(options.width) + "\r\n#T";
    Require(record.compare(0, head.size(), head) == 0, "a record without its head");
    const std::string tail = "\r\n" + message.Body() + "\r\n#E\r\n\r\n";
    Require(record.size() >= head.size() + tail.size() &&
                record.compare(record.size() - tail.size(), tail.size(), tail) == 0,
            "the body is not carried whole to the end of the record");
    Require(AllLineEndsCrLf(std::string_view(record).substr(0, record.size() - tail.size())),
            "a bare CR or LF in the record's own lines");
    // The body gets a space before a "#" that begins a line, so no line of it can end the
    // record early or start a new one.
    Require(record.find("\r\n#E") == record.size() - 8, "a record ends before its body");
    Require(record.find("\r\n#S") == std::string::npos, "a record starts inside a record");
    return 0;
}
