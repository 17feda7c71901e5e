// A mail read in the decoding mode: whatever its MIME structure, charsets and encodings, the
// decoded message keeps the promises the record writer relies on, and the date reader fails
// only with its own error.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "fuzz_support.h"
#include "mailstore/mail_date.h"
#include "mailstore/mail_message.h"
#include "mime/header_words.h"

using tavori::fuzz::Require;

namespace {

void CheckBody(std::string_view body) {
    if (body.empty()) return;
    // A blank is put only before a "#" or a lone "." that would begin the body.
    const bool guarded = body.starts_with(" #") || body.starts_with(" .");
    Require((static_cast<unsigned char>(body.front()) > 0x20 || guarded) &&
                static_cast<unsigned char>(body.back()) > 0x20,
            "the body is not trimmed");
    Require(body.front() != '#' && body.find("\n#") == std::string_view::npos,
            "a body line begins with #");
    Require(body.find("\r\n\r\n\r\n") == std::string_view::npos, "two empty lines in a row");
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r') Require(i + 1 < body.size() && body[i + 1] == '\n', "a bare CR");
        if (body[i] == '\n') Require(i > 0 && body[i - 1] == '\r', "a bare LF");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = tavori::fuzz::AsText(data, size);
    const tavori::MailMessage message(text, tavori::MessageForm::kDecoded);
    for (std::string_view name : {"Subject:", "From:", "To:", "Date:", "Content-Type:"}) {
        const std::string value = message.GetField(name);
        Require(value.find_first_of("\r\n") == std::string::npos, "a field value holds a line end");
    }
    CheckBody(message.Body());
    message.Unmapped({"Subject:", "From:", "To:"});
    try {
        message.GetDate();
    } catch (const tavori::DateError&) {
        // A Date field that is no date is the input's fault.
    }
    tavori::mime::SjisText decoded;
    tavori::mime::AppendDecodedText(text, decoded);
    Require(decoded.text.find_first_of("\r\n") == std::string::npos,
            "decoded header text holds a line end");
    tavori::mime::ParseFieldParams(text);
    return 0;
}
