#include "reference/html_reference.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "decode/kanj_conv.h"

namespace tavori::reference {
namespace {

std::string RefTag(std::string& t, std::size_t& i) {
    std::string tag;
    bool quoted = false;
    std::size_t j = i + 1;
    for (; j < t.size(); ++j) {
        char c = t[j];
        if (c == '"') quoted = !quoted;
        if (c == '>' && !quoted) break;
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        if (!quoted && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        tag += t[j] = c;
    }
    i = j < t.size() ? j + 1 : t.size();
    return tag;
}

int RefAction(const std::string& tag) {
    std::string name = tag.substr(0, tag.find(' '));
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    const std::vector<std::pair<std::vector<std::string>, int>> table = {
        {{"BR", "HR", "P", "/P", "/H1", "/H2", "/H3", "/H4", "/H5", "/H6", "/TR", "/TABLE"}, 3},
        {{"/TD", "/TH"}, 4},
        {{"PRE"}, 1},
        {{"/PRE"}, 2},
        {{"SCRIPT", "SELECT"}, 5},
        {{"/SCRIPT", "/SELECT"}, 6}};
    for (const auto& [names, action] : table)
        for (const auto& n : names)
            if (n == name) return action;
    return 0;
}

bool RefEntity(const std::string& t, std::size_t& i, char& out) {
    std::size_t j = i + 1;
    while (j < t.size() && t[j] != ';' && t[j] != '\n' && t[j] != '\r') ++j;
    if (j >= t.size() || t[j] != ';') return false;
    std::string name = t.substr(i + 1, j - i);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    const std::pair<const char*, char> entities[] = {
        {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"nbsp;", ' '}};
    for (const auto& [n, r] : entities) {
        if (name == n) {
            out = r;
            i = j;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string RefHtmlToText(const std::string& page) {
    std::string t = page;
    kanj::ConvertToSjis(t);
    t = t.substr(0, t.find('\0'));
    std::size_t i = 0;
    for (;;) {  // every "<" outside a tag starts a tag token
        i = t.find('<', i);
        if (i == std::string::npos) return "";
        std::string tag = RefTag(t, i);
        if (tag == "BODY" || tag.rfind("BODY ", 0) == 0) break;
    }
    std::string out;
    bool skip = false, pre = false;
    while (i < t.size()) {
        if (!pre)
            while (i < t.size() && static_cast<unsigned char>(t[i]) <= 0x20) ++i;
        if (i >= t.size()) break;
        if (t[i] == '<') {
            switch (RefAction(RefTag(t, i))) {
                case 1:
                    i = t.find('\n', i);
                    i = i == std::string::npos ? t.size() : i + 1;
                    pre = true;
                    break;
                case 2:
                    pre = false;
                    break;
                case 3:
                    out += "\r\n";
                    break;
                case 4:
                    out += " ";
                    break;
                case 5:
                    skip = true;
                    break;
                case 6:
                    skip = false;
                    break;
            }
            continue;
        }
        bool mark = false;
        for (; i < t.size() && t[i] != '<'; ++i) {
            char c = t[i], r;
            if (skip) continue;
            if (c == '&' && RefEntity(t, i, r)) {
                out += r;
            } else if (pre) {
                out += c;
            } else if (c == ' ' && !mark) {
                out += ' ';
                mark = true;
            } else if (static_cast<unsigned char>(c) > 0x20) {
                out += c;
                mark = false;
            }
        }
    }
    std::size_t b = 0, e = out.size();
    while (b < e && static_cast<unsigned char>(out[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(out[e - 1]) <= 0x20) --e;
    return out.substr(b, e - b);
}

}  // namespace tavori::reference
