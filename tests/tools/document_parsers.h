// Small strict readers of what the tool writes for other programs: a JSON parser that accepts
// only well-formed documents, and a well-formedness check of XML (balanced elements, quoted
// attributes) that collects the elements with their attributes.
#pragma once

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quenvar::testing {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const {
        const auto it = members.find(key);
        if (kind != Object || it == members.end()) throw std::runtime_error("no member " + key);
        return it->second;
    }
    const Json& operator[](size_t i) const { return items.at(i); }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& s) : s_(s) {}
    Json Parse() {
        Json v = Value();
        Space();
        if (i_ != s_.size()) Fail("text after the document");
        return v;
    }

private:
    [[noreturn]] void Fail(const std::string& what) {
        throw std::runtime_error("JSON: " + what + " at " + std::to_string(i_));
    }
    void Space() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    void Expect(char c) {
        Space();
        if (i_ >= s_.size() || s_[i_] != c) Fail(std::string("expected ") + c);
        ++i_;
    }
    bool Word(const char* w) {
        const std::string word(w);
        if (s_.compare(i_, word.size(), word) != 0) return false;
        i_ += word.size();
        return true;
    }
    std::string Str() {
        Expect('"');
        std::string out;
        while (i_ < s_.size() && s_[i_] != '"') {
            if (static_cast<unsigned char>(s_[i_]) < 0x20) Fail("control character in a string");
            if (s_[i_] == '\\') {
                ++i_;
                if (i_ >= s_.size()) Fail("escape at the end");
                const char e = s_[i_];
                if (e == 'u') {
                    out += char(std::strtol(s_.substr(i_ + 1, 4).c_str(), nullptr, 16));
                    i_ += 4;
                } else {
                    out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                }
                ++i_;
                continue;
            }
            out += s_[i_++];
        }
        Expect('"');
        return out;
    }
    Json Value() {
        Space();
        Json v;
        if (i_ >= s_.size()) Fail("value expected");
        const char c = s_[i_];
        if (c == '{') {
            v.kind = Json::Object;
            ++i_;
            Space();
            if (s_[i_] == '}') return ++i_, v;
            do {
                const std::string key = Str();
                Expect(':');
                v.members[key] = Value();
                Space();
            } while (i_ < s_.size() && s_[i_] == ',' && ++i_);
            Expect('}');
        } else if (c == '[') {
            v.kind = Json::Array;
            ++i_;
            Space();
            if (s_[i_] == ']') return ++i_, v;
            do {
                v.items.push_back(Value());
                Space();
            } while (i_ < s_.size() && s_[i_] == ',' && ++i_);
            Expect(']');
        } else if (c == '"') {
            v.kind = Json::String;
            v.text = Str();
        } else if (Word("true") || Word("false")) {
            v.kind = Json::Bool;
            v.boolean = s_[i_ - 1] == 'e' && s_[i_ - 2] == 'u';
        } else if (Word("null")) {
            v.kind = Json::Null;
        } else {
            char* end = nullptr;
            v.number = std::strtod(s_.c_str() + i_, &end);
            if (end == s_.c_str() + i_) Fail("not a value");
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

// The elements of a well-formed XML document in document order; throws when it is not.
inline std::vector<XmlElement> ParseXmlElements(const std::string& s) {
    std::vector<XmlElement> elements;
    std::vector<std::string> open;
    size_t i = 0;
    auto fail = [&](const std::string& what) { throw std::runtime_error("XML: " + what + " at " + std::to_string(i)); };
    while ((i = s.find('<', i)) != std::string::npos) {
        if (s.compare(i, 2, "<?") == 0 || s.compare(i, 4, "<!--") == 0) {
            const size_t end = s.find(s[i + 1] == '?' ? "?>" : "-->", i);
            if (end == std::string::npos) fail("unclosed declaration");
            i = end + 2;
            continue;
        }
        const size_t end = s.find('>', i);
        if (end == std::string::npos) fail("unclosed tag");
        std::string tag = s.substr(i + 1, end - i - 1);
        i = end + 1;
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
        while (true) {
            while (k < tag.size() && std::isspace(static_cast<unsigned char>(tag[k]))) ++k;
            if (k >= tag.size()) break;
            const size_t eq = tag.find('=', k);
            if (eq == std::string::npos || eq + 1 >= tag.size() || tag[eq + 1] != '"') fail("attribute without a quoted value");
            const size_t close = tag.find('"', eq + 2);
            if (close == std::string::npos) fail("unclosed attribute value");
            e.attributes[tag.substr(k, eq - k)] = tag.substr(eq + 2, close - eq - 2);
            k = close + 1;
        }
        if (e.name.empty()) fail("element without a name");
        if (!selfClosing) open.push_back(e.name);
        elements.push_back(e);
    }
    if (!open.empty()) throw std::runtime_error("XML: <" + open.back() + "> is never closed");
    return elements;
}

}  // namespace quenvar::testing
