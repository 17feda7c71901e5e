#include "cli/output.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "base/errors.h"
#include "platform/text_codec.h"

namespace tavori::cli {

std::string ShowControls(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u == 0x7F) c = '?';
    }
    return out;
}

void Output::SetEncoding(OutputEncoding encoding) {
    encoding_ = encoding;
    if (encoding == OutputEncoding::kSjis) platform::SetBinaryOutput(stream_);
}

std::string Output::ForStream(std::string_view sjis) const {
    if (encoding_ == OutputEncoding::kSjis) return std::string(sjis);
    return platform::ToTerminal(ShowControls(sjis));
}

void Output::Write(std::string_view sjis) {
    if (encoding_ == OutputEncoding::kSjis)
        Put(sjis);  // as it is: a page's text may be megabytes
    else
        Put(ForStream(sjis));
}

void Output::Line(std::string_view sjis) {
    if (encoding_ == OutputEncoding::kSjis) {  // as it is: no copy
        Put(sjis);
        Put("\n");  // (fputc is far slower than this in the Windows C runtime under Wine)
        return;
    }
    Put(ForStream(sjis) + '\n');
}

void Output::Control(std::string_view codes) { Put(codes); }

void Output::WriteNative(std::string_view text) { Put(ShowControls(text)); }

void Output::Flush() {
    if (std::fflush(stream_) != 0 || std::ferror(stream_)) Fail();
}

void Output::Put(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) Fail();
}

void Output::Fail() const {
    const int code = errno;
    throw IoError(std::string(name_) + "に書き込めません: " + std::strerror(code));
}

namespace {

void Report(Output& out, Output& err, std::string_view why) {
    try {
        out.Flush();  // what was written comes before the message
    } catch (const Error&) {
        // the failure at hand is the one to report
    }
    err.Line("tavori: " + std::string(why));
    err.Flush();
}

}  // namespace

int RunReportingFailures(Output& out, Output& err, const std::function<int()>& body) {
    try {
        try {
            const int status = body();
            out.Flush();  // the last buffered rows: a full disk shows here at the latest
            return status;
        } catch (const Error& e) {
            Report(out, err, e.what());
        } catch (const std::bad_alloc&) {
            Report(out, err, "メモリが足りません");
        } catch (const std::exception& e) {
            Report(out, err, std::string("予期しないエラー: ") + e.what());
        } catch (...) {
            Report(out, err, "予期しないエラー");
        }
    } catch (...) {
        // Not even the message could be written (stderr closed, no memory): the status says it.
    }
    return 1;
}

}  // namespace tavori::cli
