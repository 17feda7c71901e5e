#pragma once
// The index of a header's lines that field lookups use, and the values of the fields a reader
// named in advance, found where the message was parsed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavori {

// Where the lines of a header begin, each with its first eight bytes in lower case (zeros
// past the end), so a field is found by comparing one number per line.
struct HeaderLines {
    std::vector<std::size_t> starts;
    std::vector<std::uint64_t> keys;
    void Index(std::string_view header);
    static std::uint64_t Key(std::string_view text);  // of the first eight bytes of text
    // The value of the field name in header, whose lines these are (see MailMessage::FieldView).
    std::string_view Value(std::string_view header, std::string_view name) const;

    // The values of the fields a reader named in advance: where each lies in the header (names
    // beyond those found are looked up as usual).
    struct Span {
        std::uint32_t at = 0, size = 0;
    };
    std::vector<Span> values;
    static constexpr std::size_t kNotLooked = std::string_view::npos - 1;
    std::size_t markerAt = kNotLooked;  // of the marker named with them, or npos when none
    // When "Date:" is among the names: its value as a date-time, unless it is no valid date
    // (then it is read again where it is asked for, so that the error comes there).
    double date = 0;
    bool dateKnown = false;
    // lenientDate: the date is read as a decoded message reads it.
    void FindValues(std::string_view header, const std::vector<std::string>& names,
                    std::string_view marker, bool lenientDate);
};

}  // namespace tavori
