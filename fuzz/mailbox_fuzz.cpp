// A mailbox file read through TMailBox, message by message, against the same text split at its
// separators and given to SetMessage; every message must also survive GetMessage unchanged.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "fuzz_support.h"
#include "mailstore/mailbox.h"

using tavori::TMailBox;
using tavori::fuzz::Require;

namespace {

std::vector<std::string_view> SplitAtSeparators(std::string_view file) {
    std::vector<std::string_view> messages;
    std::size_t start = 0;
    for (std::size_t sep; (sep = file.find(TMailBox::kSeparator, start)) != std::string_view::npos;
         start = sep + TMailBox::kSeparator.size())
        messages.push_back(file.substr(start, sep - start));
    messages.push_back(file.substr(start));
    return messages;
}

// The first load holds kBufferSize - 1 bytes. A filler message ends `back` bytes before that,
// so the fuzzed text straddles the first load's end there.
std::string Filler(std::size_t back) {
    const std::string head = "Subject: filler\r\n\r\n";
    const std::size_t total = tavori::MessageReader::kBufferSize - 1 - back;
    return head + std::string(total - head.size() - TMailBox::kSeparator.size(), 'x') +
           std::string(TMailBox::kSeparator);
}

void CheckFields(const TMailBox& box) {
    for (std::string_view name : {"Subject:", "From:", "to:", "DATE:", "Message-Id:", ""}) {
        const std::string value = box.GetField(name);
        Require(value.find_first_of("\r\n") == std::string::npos, "a field value holds a line end");
    }
    try {
        box.GetDate();
    } catch (const tavori::ConvertError&) {
        // A Date field that is no date is the input's fault.
    }
    box.CollectField("X-Becky-Attachment-File:");
    box.CollectField("\r\n");
}

void CheckWrittenForm(const TMailBox& box) {
    const std::string written = box.GetMessage();
    if (!box.HasHeader()) {
        Require(written.empty(), "a message without header is written");
        return;
    }
    const std::size_t end = written.size() - TMailBox::kSeparator.size();
    Require(written.find(TMailBox::kSeparator) == end, "a separator inside a written message");
    TMailBox back;
    back.SetMessage(std::string_view(written).substr(0, end));
    // A header line of a lone dot is kept from ending the message by a space before it, which
    // makes it a continuation line: reading back joins it to the line before, by design.
    if (box.Header().find("\r\n .") == std::string::npos)
        Require(back.Header() == box.Header(), "GetMessage does not read back to the same header");
    Require(back.Body() == box.Body(), "GetMessage does not read back to the same body");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const tavori::fuzz::ScratchFile scratch(".mbx");
    if (size == 0) return 0;
    // The first byte places the text: even, at the start of the file (small loads); odd, up to
    // 127 bytes before the end of the first load, behind a filler message.
    const std::string_view text = tavori::fuzz::AsText(data + 1, size - 1);
    std::string file = (data[0] & 1) ? Filler(data[0] >> 1) : std::string();
    file += text;
    scratch.Write(file);

    const std::vector<std::string_view> expected = SplitAtSeparators(file);
    TMailBox box;
    box.Open(scratch.Path());
    Require(box.Opened(), "the scratch mailbox does not open");
    std::size_t read = 0;
    while (!box.AtEnd()) {
        Require(read < expected.size(), "more messages than the file has");
        const bool any = box.ReadMessage();
        TMailBox reference;
        reference.SetMessage(expected[read]);
        Require(box.Header() == reference.Header(),
                "ReadMessage and SetMessage split headers apart");
        Require(box.Body() == reference.Body(), "ReadMessage and SetMessage differ in the body");
        Require(any == (!box.Header().empty() || !box.Body().empty()),
                "ReadMessage's result does not match the message");
        CheckFields(box);
        CheckWrittenForm(box);
        ++read;
    }
    // Bytes after the last separator are one more message unless there are none.
    const std::size_t messages = expected.back().empty() ? expected.size() - 1 : expected.size();
    Require(read == messages, "messages lost at the end of the file");
    Require(box.BytesRead() == file.size(), "BytesRead does not count the whole file");

    // The whole text as one message, separators and all.
    box.SetMessage(text);
    CheckFields(box);
    CheckWrittenForm(box);
    return 0;
}
