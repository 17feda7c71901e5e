#pragma once
// Decoding of the ISO-2022-JP base64 encoded-words ("=?ISO-2022-JP?B?...?=") in a mail header.
#include <string>
#include <string_view>

namespace tavori {

// The header with every ISO-2022-JP B encoded-word decoded to Shift-JIS and all other text
// kept. Blanks around the text between encoded-words are dropped, line ends never: every line
// of the header stays a line of its own. Line ends and tabs produced by decoding become spaces
// and 0x1A bytes are dropped, so decoded text cannot add header lines and reads back from a
// mailbox file as itself. A broken encoded-word (a "?", CR or LF inside a group
// of four, or one running to the end of the header) leaves the whole header undecoded.
std::string DecodeHeader(std::string_view header);

// Buffers DecodeHeaderInPlace reuses from header to header, so that a reader that decodes
// many headers allocates only until they have grown to the longest. One per reader: they are
// no thread_local objects, whose destructors the Windows build runs on storage the runtime has
// already freed when a thread ends, corrupting the heap.
struct HeaderDecodeBuffers {
    std::string result;   // trades buffers with the header
    std::string bytes;    // the collected bytes of one encoded-word
    std::string decoded;  // their text
    std::string body;     // of a message read in the decoded form: its text before the body rules
};

// DecodeHeader on the header in place; a header without an encoded-word is left untouched
// without being copied. True when decoded text began a line with a blank or with nothing (an
// encoded word of no text alone on its line): the line may now read as a fold or be empty.
bool DecodeHeaderInPlace(std::string& header, HeaderDecodeBuffers& buffers);
bool DecodeHeaderInPlace(std::string& header);

}  // namespace tavori
