// Small strict readers of what the tool writes for other programs: a JSON parser that accepts
// only well-formed documents, and a well-formedness check of XML (balanced elements, quoted
// attributes) that collects the elements with their attributes. Both throw on a malformed text.
#pragma once

#include <cctype>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quenvar::testing {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const { return members.at(key); }
    const Json& operator[](size_t i) const { return items.at(i); }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& s) : s_(s) {}
    Json Parse() {
        Json v = Value();
        if (Peek() != '\0') Fail();
        return v;
    }

private:
    [[noreturn]] void Fail() const { throw std::runtime_error("JSON: not well-formed at " + std::to_string(i_)); }
    char Peek() {  // the next character after blanks; '\0' at the end
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
        return i_ < s_.size() ? s_[i_] : '\0';
    }
    void Expect(char c) {
        if (Peek() != c) Fail();
        ++i_;
    }
    bool Word(std::string_view w) { return s_.compare(i_, w.size(), w) == 0 && (i_ += w.size()); }
    std::string Str() {
        Expect('"');
        std::string out;
        for (; i_ < s_.size() && s_[i_] != '"'; ++i_) {
            char c = s_[i_];
            if (static_cast<unsigned char>(c) < 0x20 || (c == '\\' && ++i_ >= s_.size())) Fail();
            if (c == '\\') {
                c = s_[i_];
                if (c == 'u') c = char(std::strtol(s_.substr(i_ + 1, 4).c_str(), nullptr, 16)), i_ += 4;
                else if (c == 'n' || c == 't') c = c == 'n' ? '\n' : '\t';
            }
            out += c;
        }
        Expect('"');
        return out;
    }
    Json Value() {
        Json v;
        const char c = Peek();
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            v.kind = c == '{' ? Json::Object : Json::Array;
            ++i_;
            if (Peek() == close) return ++i_, v;
            do {
                if (c == '[') {
                    v.items.push_back(Value());
                    continue;
                }
                const std::string key = Str();
                Expect(':');
                v.members[key] = Value();
            } while (Peek() == ',' && ++i_);
            Expect(close);
        } else if (c == '"') {
            v.kind = Json::String;
            v.text = Str();
        } else if (Word("true") || Word("false")) {
            v.kind = Json::Bool;
            v.boolean = s_[i_ - 1] == 'e' && s_[i_ - 2] == 'u';
        } else if (!Word("null")) {
            char* end = nullptr;
            v.number = std::strtod(s_.c_str() + i_, &end);
            if (end == s_.c_str() + i_) Fail();
            v.kind = Json::Number;
            i_ = size_t(end - s_.c_str());
        }
        return v;
    }

    const std::string& s_;
    size_t i_ = 0;
};

struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
};

// The elements of a well-formed XML document in document order.
inline std::vector<XmlElement> ParseXmlElements(const std::string& s) {
    std::vector<XmlElement> elements;
    std::vector<std::string> open;
    auto fail = [](const std::string& what) -> void { throw std::runtime_error("XML: " + what); };
    for (size_t i = 0; (i = s.find('<', i)) != std::string::npos;) {
        const bool declaration = s.compare(i, 2, "<?") == 0 || s.compare(i, 4, "<!--") == 0;
        const size_t end = s.find(!declaration ? ">" : s[i + 1] == '?' ? "?>" : "-->", i);
        if (end == std::string::npos) fail("unclosed tag");
        std::string tag = s.substr(i + 1, end - i - 1);
        i = end + 1;
        if (declaration) continue;
        if (tag.starts_with('/')) {
            if (open.empty() || open.back() != tag.substr(1)) fail("mismatched </" + tag.substr(1) + ">");
            open.pop_back();
            continue;
        }
        const bool selfClosing = tag.ends_with('/');
        if (selfClosing) tag.pop_back();
        XmlElement e;
        size_t k = 0;
        while (k < tag.size() && !std::isspace(static_cast<unsigned char>(tag[k]))) e.name += tag[k++];
        if (e.name.empty()) fail("element without a name");
        for (; (k = tag.find_first_not_of(" \t\r\n", k)) != std::string::npos;) {
            const size_t eq = tag.find('=', k), close = eq == std::string::npos ? eq : tag.find('"', eq + 2);
            if (eq == std::string::npos || eq + 1 >= tag.size() || tag[eq + 1] != '"' || close == std::string::npos)
                fail("attribute without a quoted value");
            e.attributes[tag.substr(k, eq - k)] = tag.substr(eq + 2, close - eq - 2);
            k = close + 1;
        }
        if (!selfClosing) open.push_back(e.name);
        elements.push_back(e);
    }
    if (!open.empty()) fail("<" + open.back() + "> is never closed");
    return elements;
}

}  // namespace quenvar::testing
