// The Wine registry file format (user.reg), on every system: the fallback registry of POSIX
// systems and a test fixture format.
#include <algorithm>
#include <map>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "platform/sjis_text.h"
#include "platform/text_codec.h"

namespace tavori::platform {
namespace {

std::string Folded(std::string s) {
    for (char& c : s) c = LowerAscii(c);
    return s;
}

std::string ReadWhole(const std::string& path) {
    auto file = InputFile::OpenIfExists(path);
    if (!file) return {};
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    return text;
}

void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
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

// A quoted string of the file starting at text[pos] == '"', unescaped to UTF-8; pos ends
// behind the closing quote. Wine writes \\, \", \n, \r, \t, \0 and \xHHHH for UTF-16 units.
std::string Unquote(const std::string& text, std::size_t& pos) {
    std::string out;
    ++pos;
    unsigned pendingHigh = 0;  // a UTF-16 high surrogate waiting for its pair
    while (pos < text.size() && text[pos] != '"') {
        char c = text[pos++];
        if (c != '\\' || pos >= text.size()) {
            out += c;
            continue;
        }
        c = text[pos++];
        switch (c) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '0':
                out += '\0';
                break;
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
                    unsigned full = 0x10000 + ((pendingHigh - 0xD800) << 10) + (cp - 0xDC00);
                    out += static_cast<char>(0xF0 | (full >> 18));
                    out += static_cast<char>(0x80 | ((full >> 12) & 0x3F));
                    out += static_cast<char>(0x80 | ((full >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (full & 0x3F));
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

struct Value {
    bool isString = false;
    std::string utf8;
};
using Key = std::map<std::string, Value>;  // by lower-case value name

class WineKey : public RegistryKey {
  public:
    WineKey(std::string path, const Key& values) : path_(std::move(path)), values_(values) {}
    bool HasValue(const std::string& name) const override {
        return values_.count(Folded(name)) != 0;
    }
    std::string ReadString(const std::string& name) const override {
        auto it = values_.find(Folded(name));
        if (it == values_.end()) return {};
        if (!it->second.isString)
            throw Error("レジストリの値 \"" + name + "\" (" + path_ + ") は文字列ではありません");
        try {
            return Utf8ToSjis(it->second.utf8);
        } catch (const ConvertError&) {
            throw Error("レジストリの値 \"" + name + "\" (" + path_ +
                        ") に Shift-JIS で表せない文字があります");
        }
    }

  private:
    std::string path_;
    Key values_;  // a copy: a key may outlive the registry it came from
};

class WineRegistry : public Registry {
  public:
    explicit WineRegistry(const std::string& text) { Parse(text); }
    std::unique_ptr<RegistryKey> OpenKey(const std::string& path) const override {
        std::string key = path;
        while (!key.empty() && key.front() == '\\') key.erase(0, 1);
        auto it = keys_.find(Folded(key));
        if (it == keys_.end()) return nullptr;
        return std::make_unique<WineKey>(path, it->second);
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
                std::string name;
                std::size_t i = 1;
                while (i < line.size() && line[i] != ']') {
                    if (line[i] == '\\' && i + 1 < line.size()) ++i;
                    name += line[i++];
                }
                current = &keys_[Folded(name)];
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
                }
                (*current)[Folded(name)] = value;
            }
        }
    }

    std::map<std::string, Key> keys_;
};

}  // namespace

std::unique_ptr<Registry> OpenWineRegistryFile(const std::string& path) {
    return std::make_unique<WineRegistry>(ReadWhole(path));
}

}  // namespace tavori::platform
