// The Wine registry file format (user.reg), on every system: the fallback registry of POSIX
// systems and a test fixture format.
#include <algorithm>
#include <map>

#include "base/errors.h"
#include "base/sjis_text.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

std::string Folded(std::string s) {
    for (char& c : s) c = LowerAscii(c);
    return s;
}

// The file's bytes. Its kind is asked first, without opening it: a FIFO would block the open.
std::string ReadWhole(const std::string& path) {
    const FileKind kind = KindOf(path);
    if (kind == FileKind::kMissing) throw IoError(PathError(path, "はありません"));
    if (kind != FileKind::kRegular)
        throw IoError(PathError(path, "は通常のファイルではありません"));
    auto file = InputFile::OpenIfExists(path);
    if (!file) throw IoError(PathError(path, "はありません"));  // removed in between
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    return text;
}

// Wine starts every registry file with "WINE REGISTRY Version 2". Without that line (an empty
// file, a binary one, another program's file) the reader would find no keys and the user an
// empty data folder, not the wrong file. A UTF-8 BOM and blank lines before it are let pass.
bool IsWineRegistryText(const std::string& text) {
    std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    pos = std::min(text.find_first_not_of(" \t\r\n", pos), text.size());
    return text.compare(pos, 21, "WINE REGISTRY Version") == 0;
}

void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Text of the file starting at text[pos], unescaped to UTF-8 up to the byte end (a closing
// quote, or the "]" of a key name); pos ends behind it. Wine writes \\, \", C escapes (\n, \t,
// \a, \e, ...), octal escapes of up to three digits for other control characters, and \xHHHH
// (one to four digits) for UTF-16 units outside ASCII.
std::string Unescape(const std::string& text, std::size_t& pos, char endByte) {
    std::string out;
    unsigned pendingHigh = 0;  // a UTF-16 high surrogate waiting for its pair
    while (pos < text.size() && text[pos] != endByte) {
        char c = text[pos++];
        if (c != '\\' || pos >= text.size()) {
            out += c;
            continue;
        }
        c = text[pos++];
        switch (c) {
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'e':
                out += '\x1b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'v':
                out += '\v';
                break;
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7': {
                unsigned code = static_cast<unsigned>(c - '0');
                for (int digits = 1;
                     digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7';
                     ++digits)
                    code = code * 8 + static_cast<unsigned>(text[pos++] - '0');
                AppendUtf8(out, code);
                break;
            }
            case 'x': {
                unsigned cp = 0;
                int digits = 0;
                while (digits < 4 && pos < text.size() && HexDigit(text[pos]) >= 0) {
                    cp = cp * 16 + static_cast<unsigned>(HexDigit(text[pos++]));
                    ++digits;
                }
                if (cp >= 0xD800 && cp < 0xDC00) {
                    pendingHigh = cp;
                } else if (cp >= 0xDC00 && cp < 0xE000 && pendingHigh) {
                    AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (cp - 0xDC00));
                    pendingHigh = 0;
                } else {
                    AppendUtf8(out, cp);
                }
                break;
            }
            default:
                out += c;
                break;  // \\ and \" and anything else stand for themselves
        }
    }
    ++pos;
    return out;
}

std::string Unquote(const std::string& text, std::size_t& pos) {
    ++pos;
    return Unescape(text, pos, '"');
}

// A string value that Wine wrote as bytes ("hex(1):" or "hex(2):" followed by UTF-16LE
// bytes "41,00,..."), which it does when the stored string lacks its final zero.
std::string HexUtf16(const std::string& text, std::size_t pos) {
    std::string bytes;
    while (pos + 1 < text.size() && HexDigit(text[pos]) >= 0 && HexDigit(text[pos + 1]) >= 0) {
        bytes += static_cast<char>(HexDigit(text[pos]) * 16 + HexDigit(text[pos + 1]));
        pos += 2;
        if (pos < text.size() && text[pos] == ',') ++pos;
    }
    std::string out;
    unsigned pendingHigh = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned unit = static_cast<unsigned char>(bytes[i]) |
                              static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (unit >= 0xD800 && unit < 0xDC00) {
            pendingHigh = unit;
        } else if (unit >= 0xDC00 && unit < 0xE000 && pendingHigh) {
            AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
            pendingHigh = 0;
        } else {
            AppendUtf8(out, unit);
        }
    }
    while (!out.empty() && out.back() == '\0') out.pop_back();
    return out;
}

struct Value {
    bool isString = false;
    std::string utf8;
};
using Key = std::map<std::string, Value>;  // by lower-case value name

class WineKey : public RegistryKey {
  public:
    WineKey(std::string file, std::string path, const Key& values)
        : file_(std::move(file)), path_(std::move(path)), values_(values) {}
    bool HasValue(const std::string& name) const override {
        return values_.count(Folded(name)) != 0;
    }
    std::string ReadString(const std::string& name) const override {
        auto it = values_.find(Folded(name));
        if (it == values_.end()) return {};
        // Which file and which value, so the user knows what to mend.
        const std::string value = "のレジストリ値 \"" + name + "\" (" + path_ + ") ";
        if (!it->second.isString) throw Error(PathError(file_, value + "は文字列ではありません"));
        try {
            return Utf8ToSjis(it->second.utf8);
        } catch (const ConvertError&) {
            throw Error(PathError(file_, value + "に Shift-JIS で表せない文字があります"));
        }
    }

  private:
    std::string file_;
    std::string path_;
    Key values_;  // a copy: a key may outlive the registry it came from
};

class WineRegistry : public Registry {
  public:
    WineRegistry(std::string file, const std::string& text) : file_(std::move(file)) {
        Parse(text);
    }
    std::unique_ptr<RegistryKey> OpenKey(const std::string& path) const override {
        std::string key = path;
        while (!key.empty() && key.front() == '\\') key.erase(0, 1);
        std::string utf8;  // the file's key names are Unicode
        try {
            utf8 = SjisToUtf8(key);
        } catch (const ConvertError&) {
            return nullptr;
        }
        auto it = keys_.find(Folded(utf8));
        if (it == keys_.end()) return nullptr;
        return std::make_unique<WineKey>(file_, path, it->second);
    }

  private:
    void Parse(const std::string& text) {
        Key* current = nullptr;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            // Long values go on over several lines, each but the last ending in "\".
            while (!line.empty() && (line.back() == '\r')) line.pop_back();
            while (!line.empty() && line.back() == '\\' && pos < text.size()) {
                line.pop_back();
                end = text.find('\n', pos);
                if (end == std::string::npos) end = text.size();
                std::string next = text.substr(pos, end - pos);
                pos = end + 1;
                next.erase(0, next.find_first_not_of(" \t"));
                if (!next.empty() && next.back() == '\r') next.pop_back();
                line += next;
            }
            if (line.empty()) continue;
            if (line[0] == '[') {
                // [Software\\Vendor\\Key] 1700000000: the name is escaped like a string.
                std::size_t i = 1;
                current = &keys_[Folded(Unescape(line, i, ']'))];
            } else if (line[0] == '"' && current) {
                std::size_t i = 0;
                std::string name = Unquote(line, i);
                if (i >= line.size() || line[i] != '=') continue;
                ++i;
                Value value;
                if (i < line.size() && line[i] == '"') {
                    value.isString = true;
                    value.utf8 = Unquote(line, i);
                } else if (line.compare(i, 7, "str(2):") == 0 && i + 7 < line.size()) {
                    i += 7;
                    value.isString = true;
                    value.utf8 = Unquote(line, i);
                } else if (line.compare(i, 7, "hex(1):") == 0 ||
                           line.compare(i, 7, "hex(2):") == 0) {
                    value.isString = true;
                    value.utf8 = HexUtf16(line, i + 7);
                }
                (*current)[Folded(name)] = value;
            }
        }
    }

    std::string file_;
    std::map<std::string, Key> keys_;
};

}  // namespace

std::unique_ptr<Registry> OpenWineRegistryFile(const std::string& path) {
    const std::string text = ReadWhole(path);
    if (!IsWineRegistryText(text))
        throw ConvertError(PathError(path, "はレジストリ ファイルではありません"));
    return std::make_unique<WineRegistry>(path, text);
}

std::unique_ptr<Registry> EmptyRegistry() { return std::make_unique<WineRegistry>("", ""); }

}  // namespace tavori::platform
