// Looking up the fields of a message's header.
#include <cstring>
#include <utility>

#include "base/errors.h"
#include "base/sjis_text.h"
#include "mailstore/byte_scan.h"
#include "mailstore/mail_date.h"
#include "mailstore/mail_message.h"

namespace tavori {

// The lines GetField looks at: the first, then each after a LF with the CR bytes behind that
// LF skipped, up to an empty line.
std::uint64_t HeaderLines::Key(std::string_view text) {
    std::uint64_t key = 0;
    if (text.size() >= 8) {
        // All eight bytes at once: each of "A" to "Z" gets the bit 0x20 of its lower case.
        unsigned char bytes[8];
        std::memcpy(bytes, text.data(), 8);
        for (int k = 7; k >= 0; --k) key = (key << 8) | bytes[k];
        constexpr std::uint64_t kOnes = 0x0101010101010101;
        const std::uint64_t low7 = key & (kOnes * 0x7F);
        const std::uint64_t atLeastA = low7 + kOnes * (0x80 - 'A');
        const std::uint64_t pastZ = low7 + kOnes * (0x80 - 'Z' - 1);
        const std::uint64_t upper = atLeastA & ~pastZ & ~key & (kOnes * 0x80);
        return key | (upper >> 2);
    }
    for (std::size_t k = 0; k < text.size(); ++k)
        key |= std::uint64_t{static_cast<unsigned char>(LowerAscii(text[k]))} << (8 * k);
    return key;
}

void HeaderLines::Index(std::string_view h) {
    starts.clear();
    keys.clear();
    values.clear();
    markerAt = kNotLooked;
    dateKnown = false;
    if (h.empty()) return;
    auto add = [&](std::size_t line) {
        starts.push_back(line);
        keys.push_back(Key(h.substr(line)));
    };
    add(0);
    ForEachByte(h.data(), 0, h.size(), '\n', [&](std::size_t lf) {
        std::size_t line = lf + 1;
        while (line < h.size() && h[line] == '\r') ++line;
        if (line >= h.size() || h[line] == '\n') return h.size();  // the header ends
        add(line);
        return line;
    });
}

void MailMessage::Clear() {
    header_.clear();
    body_.clear();
    unmapped_.body = 0;
    unmapped_.lines.clear();
    lines_.Index({});
    linesKnown_ = true;
}

void MailMessage::Swap(MailMessage& other) noexcept {
    header_.swap(other.header_);
    body_.swap(other.body_);
    std::swap(lines_, other.lines_);
    std::swap(linesKnown_, other.linesKnown_);
    found_.swap(other.found_);
    std::swap(beyondPlan_, other.beyondPlan_);
    std::swap(form_, other.form_);
    std::swap(unmapped_, other.unmapped_);
}

std::size_t MailMessage::Unmapped(const std::vector<std::string>& fields) const {
    std::size_t count = unmapped_.body;
    if (unmapped_.lines.empty()) return count;
    for (const std::string& name : fields) {
        const std::string_view value = FieldView(name);
        if (value.empty()) continue;
        const auto at = static_cast<std::size_t>(value.data() - header_.data());
        // The line the value lies in: the last one that starts at or before it.
        const std::pair<std::size_t, std::size_t>* line = nullptr;
        for (const auto& entry : unmapped_.lines)
            if (entry.first <= at) line = &entry;
        if (line && header_.find('\n', line->first) >= at) count += line->second;
    }
    return count;
}

void MailMessage::ReleaseBuffersOver(std::size_t bytes) {
    if (header_.capacity() > bytes) std::string().swap(header_);
    if (body_.capacity() > bytes) std::string().swap(body_);
    linesKnown_ = false;
}

void MailMessage::BringNear() const {
    tavori::BringNear(header_);
    tavori::BringNear(body_);
    if (!lines_.values.empty()) __builtin_prefetch(lines_.values.data());
}

void MailMessage::IndexLines() const {
    lines_.Index(header_);
    linesKnown_ = true;
}

void MailMessage::FindFields(const std::shared_ptr<const WantedFields>& fields) {
    IndexLines();
    if (found_ != fields) found_ = fields;  // the same list for every message of a file
    beyondPlan_ = 0;
    lines_.FindValues(header_, found_->names, found_->marker, form_ == MessageForm::kDecoded);
}

std::string_view MailMessage::FieldView(std::string_view name) const {
    if (!linesKnown_) IndexLines();
    const std::vector<HeaderLines::Span>& values = lines_.values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string& wanted = found_->names[i];
        if (wanted.size() == name.size() &&
            std::memcmp(wanted.data(), name.data(), name.size()) == 0)
            return std::string_view(header_).substr(values[i].at, values[i].size);
    }
    if (found_ && !values.empty()) ++beyondPlan_;
    return lines_.Value(header_, name);
}

std::string_view HeaderLines::Value(std::string_view h, std::string_view name) const {
    // A line that begins with name has the name's key in the bytes the name covers.
    const std::uint64_t want = Key(name);
    const std::uint64_t mask =
        name.size() >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * name.size())) - 1;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        if ((keys[i] & mask) != want) continue;
        const std::size_t line = starts[i];
        if (h.size() - line < name.size()) continue;
        bool match = true;
        for (std::size_t k = 8; match && k < name.size(); ++k)
            match = LowerAscii(h[line + k]) == LowerAscii(name[k]);
        if (!match) continue;
        // The value ends at the first CR or LF, at the latest where the next line begins.
        const std::size_t start = line + name.size();
        std::size_t limit = i + 1 < starts.size() ? starts[i + 1] : h.size();
        if (limit <= start) limit = h.size();  // a name that takes in the line end
        std::size_t end = limit;
        if (const char* cr = FindByte(h.data() + start, h.data() + limit, '\r'))
            end = static_cast<std::size_t>(cr - h.data());
        if (const char* lf = FindByte(h.data() + start, h.data() + end, '\n'))
            end = static_cast<std::size_t>(lf - h.data());
        return TrimMailText(h.substr(start, end - start));
    }
    return {};
}

void HeaderLines::FindValues(std::string_view header, const std::vector<std::string>& names,
                             std::string_view marker, bool lenientDate) {
    if (!marker.empty()) markerAt = FindText(header, marker);
    values.resize(names.size());
    dateKnown = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view value = Value(header, names[i]);
        if (names[i] == "Date:") {  // read here too, so the job need not touch the bytes
            try {
                date = lenientDate ? ParseMailDateLenient(value) : ParseMailDate(value);
                dateKnown = true;
            } catch (const ConvertError&) {
            }
        }
        // Offsets past 4 GB cannot be kept here: such a field is looked up when asked for.
        const std::size_t at =
            value.empty() ? 0 : static_cast<std::size_t>(value.data() - header.data());
        if (at + value.size() > UINT32_MAX) {
            values.resize(i);
            return;
        }
        values[i] = {static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(value.size())};
    }
}

double MailMessage::GetDate() const {
    if (!linesKnown_) IndexLines();
    if (lines_.dateKnown) return lines_.date;
    const std::string_view value = FieldView("Date:");
    return form_ == MessageForm::kDecoded ? ParseMailDateLenient(value) : ParseMailDate(value);
}

std::string MailMessage::CollectField(std::string_view marker) const {
    if (marker.empty()) return {};
    const bool lookedAhead =
        linesKnown_ && lines_.markerAt != HeaderLines::kNotLooked && marker == found_->marker;
    const std::size_t first = lookedAhead ? lines_.markerAt : FindText(header_, marker);
    if (first == std::string::npos) return {};
    std::string out;
    std::size_t pos = first + marker.size();
    for (std::size_t next; (next = FindText(header_, marker, pos)) != std::string::npos;
         pos = next + marker.size())
        out.append(header_, pos, next - pos);
    out.append(header_, pos);
    return out;
}

}  // namespace tavori
