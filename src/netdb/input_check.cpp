// The input checker: walks a text network (or a comma-separated pair) line by line with the
// reader's own rules for pieces, separators, comments and fields, and says where the reader
// will quietly make something else of a line than its writer meant.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>

#include "geom/angles.h"
#include "netdb/csv_exchange.h"
#include "netdb/records.h"
#include "netdb/line_reader.h"
#include "netdb/text_reader.h"
#include "quenvar_check.hpp"

namespace quenvar {

namespace {

constexpr size_t NameBytes = 5;

bool Blank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f'; }

// Splits at blanks; offsets of the tokens kept.
struct Token {
    std::string text;
    size_t at = 0;
};
std::vector<Token> Tokens(const std::string& s, size_t from = 0) {
    std::vector<Token> out;
    size_t i = from;
    while (i < s.size()) {
        while (i < s.size() && Blank(s[i])) ++i;
        const size_t start = i;
        while (i < s.size() && !Blank(s[i])) ++i;
        if (i > start) out.push_back({s.substr(start, i - start), start});
    }
    return out;
}

// The whole token is a finite decimal number.
std::optional<double> Number(const std::string& token) {
    if (token.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(token.c_str(), &end);
    if (end != token.c_str() + token.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

bool ValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n;
    }
    return true;
}

// The first 5 bytes of a name end inside a character: a UTF-8 continuation byte follows, or
// (in GBK) the fifth byte opens a double-byte character.
bool CutInsideCharacter(const std::string& name) {
    if (name.size() <= NameBytes) return false;
    if (ValidUtf8(name)) return (static_cast<unsigned char>(name[NameBytes]) & 0xC0) == 0x80;
    size_t i = 0;
    while (i < NameBytes) i += static_cast<unsigned char>(name[i]) >= 0x81 ? 2 : 1;
    return i > NameBytes;
}

// Edit distance of at most one (one change, insertion, deletion or swap of neighbours).
bool OneEditApart(const std::string& a, const std::string& b) {
    if (a == b) return false;
    const size_t la = a.size(), lb = b.size();
    if (la == lb) {
        std::vector<size_t> diff;
        for (size_t i = 0; i < la && diff.size() < 3; ++i) {
            if (a[i] != b[i]) diff.push_back(i);
        }
        if (diff.size() == 1) return true;
        return diff.size() == 2 && diff[1] == diff[0] + 1 && a[diff[0]] == b[diff[1]] && a[diff[1]] == b[diff[0]];
    }
    if (la + 1 != lb && lb + 1 != la) return false;
    const std::string& s = la < lb ? a : b;
    const std::string& l = la < lb ? b : a;
    size_t i = 0;
    while (i < s.size() && s[i] == l[i]) ++i;
    return s.compare(i, std::string::npos, l, i + 1, std::string::npos) == 0;
}

// A stored name for a message: bytes that end inside a UTF-8 character are shown as \xNN.
std::string Shown(const std::string& stored) {
    if (ValidUtf8(stored)) return stored;
    size_t whole = stored.size();
    while (whole > 0 && !ValidUtf8(stored.substr(0, whole))) --whole;
    std::string out = stored.substr(0, whole);
    for (size_t i = whole; i < stored.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(static_cast<unsigned char>(stored[i])));
        out += hex;
    }
    return out;
}

bool ReadsAsDms(char kind) { return std::strchr("cazb<24", kind) != nullptr; }

// Minutes or seconds of a d.mmss text that reach 60, as "minutes 70"; empty when both fit.
std::string DmsFault(const std::string& token) {
    const size_t dot = token.find('.');
    if (dot == std::string::npos) return {};
    std::string digits;
    for (size_t i = dot + 1; i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])); ++i) {
        digits += token[i];
    }
    digits.resize(std::max<size_t>(digits.size(), 4), '0');
    const int minutes = std::stoi(digits.substr(0, 2));
    const int seconds = std::stoi(digits.substr(2, 2));
    if (minutes >= 60) return "minutes " + std::to_string(minutes);
    if (seconds >= 60) return "seconds " + std::to_string(seconds);
    return {};
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

class TextChecker {
public:
    explicit TextChecker(std::string file) : file_(std::move(file)) {}

    std::vector<InputWarning> Run(const std::string& content) {
        std::vector<std::string> lines;
        std::istringstream in(content);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        if (lines.empty() || lines[0].find("<<") == std::string::npos) {
            Warn(lines.empty() ? 0 : 1, lines.empty() ? "" : lines[0],
                 "the first line has no '<<': this is not a text network (it is read as a comma-separated "
                 "pair if it is one)");
            return std::move(warnings_);
        }
        for (size_t n = 1; n < lines.size(); ++n) CheckLine(int(n) + 1, lines[n], n + 1 < lines.size());
        FinishNames();
        if (refused_ > 0) {
            Warn(growthLine_, growthText_,
                 "this line names the " + std::to_string(GrowthPoint) + "th point: the storage grows here, and it "
                 "takes no observation after its growth: the " + std::to_string(refused_) +
                     " observation lines from here on are refused with 'no enough space'");
        }
        std::stable_sort(warnings_.begin(), warnings_.end(),
                         [](const InputWarning& a, const InputWarning& b) { return a.line < b.line; });
        return std::move(warnings_);
    }

private:
    struct Use {
        int line = 0;
        std::string text;
        size_t count = 0;
        bool defined = false;  // in the point section
    };
    struct PointLine {
        int line = 0;
        std::string values;  // classes and numbers as read
    };

    void Warn(int line, const std::string& text, const std::string& message) {
        warnings_.push_back({file_, line, text, message});
    }

    // A physical line is read in pieces of 99 characters, each a line of its own.
    void CheckLine(int number, const std::string& line, bool hasEnd) {
        if (line.find("<<") != std::string::npos) {
            observations_ = true;
            return;
        }
        if (line.size() > LineReader::MaxPiece) {
            Warn(number, line, "the line is longer than 99 characters: the rest is read as further lines");
        }
        for (size_t at = 0; at < line.size() || at == 0; at += LineReader::MaxPiece) {
            std::string piece = line.substr(at, LineReader::MaxPiece);
            if (at + LineReader::MaxPiece >= line.size() && hasEnd) piece += '\n';
            CheckPiece(number, line, piece);
            if (line.empty()) break;
        }
    }

    void CheckPiece(int number, const std::string& line, std::string piece) {
        BlankSeparators(piece);
        const size_t p = SkipBlanks(piece);
        if (p < piece.size() && piece[p] == '/') return;
        if (piece.size() - p < 4) {
            if (!Tokens(piece, p).empty()) {
                Warn(number, line, "a line shorter than 4 characters is ignored: " + Quoted(Tokens(piece, p)[0].text) +
                                       " is not read (write it with a value, or give names of 2 or more characters)");
            }
            return;
        }
        if (!observations_) {
            CheckPointLine(number, line, piece.substr(p));
            return;
        }
        if (p == 0) {
            const std::vector<Token> tokens = Tokens(piece);
            station_ = tokens[0].text;
            NoteName(number, line, station_, false);
            if (tokens.size() > 1) CheckObservationLine(number, line, piece.substr(tokens[1].at));
        } else {
            CheckObservationLine(number, line, piece.substr(p));
        }
    }

    void NoteName(int number, const std::string& line, const std::string& name, bool defined) {
        Use& use = uses_[name];
        // A new name is a new point, and so is every line of a name the reader cuts.
        if ((use.count == 0 || name.size() > NameBytes) && ++pointsNamed_ == GrowthPoint) {
            growthLine_ = number;
            growthText_ = line;
        }
        if (use.count++ == 0) {
            use.line = number;
            use.text = line;
            if (name.size() > NameBytes) {
                const std::string stored = name.substr(0, NameBytes);
                longNames_[stored].push_back(name);
                longWarnings_.push_back({warnings_.size(), name});
                const bool cut = CutInsideCharacter(name);
                Warn(number, line, "the name " + Quoted(name) + " is longer than 5 bytes" +
                                       (cut ? " and is cut inside a character" : "") + ": it is stored as " +
                                       Quoted(Shown(stored)) + " and every line naming it creates another point");
            }
        }
        use.defined = use.defined || defined;
    }

    void CheckPointLine(int number, const std::string& line, const std::string& text) {
        const std::vector<Token> tokens = Tokens(text);
        const std::string& name = tokens[0].text;
        NoteName(number, line, name, true);
        // The classes are the two characters after the name and its blanks, whatever they are.
        size_t at = tokens[0].at + name.size();
        while (at < text.size() && Blank(text[at])) ++at;
        const std::string classes = text.substr(at, 2);
        const std::string classToken = tokens.size() > 1 ? tokens[1].text : "";
        if (classToken.size() != 2 || classToken.find_first_not_of("01234567") != std::string::npos) {
            Warn(number, line, "expected 'name classes X Y H' with two class digits (plane, height), found " +
                                   Quoted(classToken) + ": the classes are read from " + Quoted(classes));
        } else if (classToken.find_first_of("3456") != std::string::npos) {
            Warn(number, line, "point classes 3 to 6 are read as 0 (unknown) from a text file");
        }
        std::string values = classes;
        const std::vector<Token> rest = Tokens(text, std::min(text.size(), at + 2));
        for (size_t k = 0; k < rest.size(); ++k) {
            if (k == 3) {
                Warn(number, line, "the text after H is ignored: " + Quoted(rest[k].text));
                break;
            }
            if (!Number(rest[k].text)) {
                Warn(number, line, std::string("the ") + "XYH"[k] + " field " + Quoted(rest[k].text) +
                                       " is not a number: it and the rest of the line are not read as written");
                break;
            }
            values += " " + rest[k].text;
        }
        auto [it, fresh] = points_.try_emplace(name, PointLine{number, values});
        if (!fresh && it->second.values != values && name.size() <= NameBytes) {
            Warn(number, line, "the point " + Quoted(name) + " is given again with other values (first on line " +
                                   std::to_string(it->second.line) + "): the last line counts");
        }
        if (!fresh) it->second = PointLine{number, values};
    }

    void CheckObservationLine(int number, const std::string& line, const std::string& text) {
        const std::vector<Token> tokens = Tokens(text);
        if (tokens.empty()) return;
        const std::string& target = tokens[0].text;
        NoteName(number, line, target, false);
        if (growthLine_ > 0 && tokens.size() > 1) ++refused_;
        size_t at = target.size();
        while (at < text.size() && Blank(text[at])) ++at;
        if (at >= text.size()) {
            Warn(number, line, "expected 'target kind+class value', found only a name");
            return;
        }
        char kind = text[at];
        const char cls = at + 1 < text.size() ? text[at + 1] : ' ';
        if (kind >= 'A' && kind <= 'Z') kind = char(kind - 'A' + 'a');
        if (std::strchr(KindLetters, kind) == nullptr || kind == '\0') {
            Warn(number, line, "unknown kind letter " + Quoted(std::string(1, text[at])) + ": it is read as a direction (c)");
            kind = 'c';
        }
        if (!Blank(cls) && std::strchr("01234mMaA7", cls) == nullptr) {
            Warn(number, line, "unknown class character " + Quoted(std::string(1, cls)) + ": the class is read as 0");
        }
        const size_t valueAt = std::min(text.size(), at + 2);
        if (valueAt < text.size() && !Blank(text[valueAt])) {
            Warn(number, line, "the kind field " + Quoted(tokens.size() > 1 ? tokens[1].text : "") +
                                   " is longer than a kind letter and a class character");
        }
        const std::vector<Token> rest = Tokens(text, valueAt);
        if (kind == '#') return;
        if (rest.empty()) {
            Warn(number, line, "the observation has no value: it is read as 0");
            return;
        }
        const std::optional<double> value = Number(rest[0].text);
        if (!value) {
            Warn(number, line, "the value " + Quoted(rest[0].text) + " is not a number");
            return;
        }
        if (rest.size() > 1) Warn(number, line, "the text after the value is ignored: " + Quoted(rest[1].text));
        if (cls == '3' || cls == '7') return;
        if (ReadsAsDms(kind)) {
            const std::string fault = DmsFault(rest[0].text);
            if (!fault.empty()) {
                Warn(number, line, "the angle " + rest[0].text + " (ddd.mmss) has " + fault + ": 60 or more");
            }
        }
        if (target == station_ && std::strchr("iv13", kind) == nullptr) {
            Warn(number, line, "the observation aims from " + Quoted(station_) + " at itself: it is rejected");
            return;
        }
        ObsRec o{};
        const int kindIndex = int(std::strchr(KindLetters, kind) - KindLetters);
        o.code = MakeCode(kindIndex, 0);
        o.value = ReadsAsDms(kind) ? DmsToRadians(*value) : *value;
        if (CheckObservation(o) != 0) {
            Warn(number, line, "the value " + rest[0].text + " is outside the range of its kind: it is rejected");
        }
    }

    void FinishNames() {
        // Say which other names end up as the same point name.
        for (const auto& [index, name] : longWarnings_) {
            const std::string stored = name.substr(0, NameBytes);
            std::string others;
            for (const std::string& other : longNames_[stored]) {
                if (other != name) others += (others.empty() ? "" : ", ") + Quoted(other);
            }
            if (uses_.count(stored)) others += (others.empty() ? "" : ", ") + Quoted(stored);
            if (!others.empty()) warnings_[index].message += " (named the same: " + others + ")";
        }
        // A name used once, nowhere given as a point, that is one edit away from a point of
        // the point section or a name used several times.
        std::vector<const std::string*> established;
        for (const auto& [name, use] : uses_) {
            if (use.defined || use.count > 1) established.push_back(&name);
        }
        for (const auto& [name, use] : uses_) {
            if (use.defined || use.count != 1 || name.size() < 2) continue;
            for (const std::string* known : established) {
                // Short names such as K1 and K2 are one edit apart by design.
                if (known->size() >= 2 && std::max(known->size(), name.size()) >= 3 && OneEditApart(name, *known)) {
                    Warn(use.line, use.text, "the name " + Quoted(name) + " is used only here: is it a typo of " +
                                                 Quoted(*known) + "?");
                    break;
                }
            }
        }
    }

    // The reader grows the storage when the point of this number is first named; from then on
    // it refuses every observation.
    static constexpr int GrowthPoint = 2 * PointsPerUnit + 1020;

    std::string file_;
    bool observations_ = false;
    std::string station_;
    int pointsNamed_ = 0;
    int growthLine_ = 0;  // the line naming the point that grows the storage
    std::string growthText_;
    int refused_ = 0;     // observation lines read from there on
    std::vector<InputWarning> warnings_;
    std::map<std::string, Use> uses_;
    std::map<std::string, PointLine> points_;
    std::map<std::string, std::vector<std::string>> longNames_;
    std::vector<std::pair<size_t, std::string>> longWarnings_;
};

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    std::istringstream in(content);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The comma-separated pair: the control file and its observation file, read with the same
// separators; a field missing on a line keeps the previous line's value there.
class PairChecker {
public:
    std::vector<InputWarning> Run(const std::string& controlPath, const std::string& control) {
        file_ = controlPath;
        const std::vector<std::string> lines = Lines(control);
        if (lines.size() > 1) {
            std::string errors = lines[1];
            for (char& c : errors) c = c == ',' ? ' ' : c;
            const std::vector<Token> fields = Tokens(errors);
            for (size_t k = 0; k < fields.size() && k < 3; ++k) {
                if (!Number(fields[k].text)) Fault(2, lines[1], "the a-priori error " + Quoted(fields[k].text) + " is not a number");
            }
        }
        int block = 0;  // known points, azimuths, connections, done
        for (size_t n = 2; n < lines.size() && block < 3; ++n) {
            const std::vector<Token> f = Fields(int(n) + 1, lines[n], block == 2 ? 2 : 3);
            if (f.empty()) continue;
            const bool separator = f.size() == 3 && f[0].text[0] == '0' && f[1].text[0] == '0' && f[2].text[0] == '0';
            const bool end = f.size() >= 2 && f[0].text.starts_with("-1") && f[1].text[0] == '0';
            if (separator || (block == 2 && end)) {
                ++block;
                continue;
            }
            const int line = int(n) + 1;
            if (block == 0) {
                Name(line, lines[n], f[0].text);
                for (size_t k = 1; k < f.size(); ++k) NumberField(line, lines[n], f[k].text, k == 1 ? "X" : "Y");
            } else if (block == 1) {
                Name(line, lines[n], f[0].text);
                if (f.size() > 1) Angle(line, lines[n], f[1].text);
                if (f.size() > 2) Name(line, lines[n], f[2].text);
            } else {
                for (const Token& t : f) Name(line, lines[n], t.text);
            }
        }
        const std::string observationPath = ObservationFilePath(controlPath);
        std::ifstream in(observationPath, std::ios::binary);
        if (!in) {
            Fault(0, "", "the observation file " + Quoted(observationPath) +
                             " is missing: only the known points, azimuths and connections are read");
            return std::move(warnings_);
        }
        file_ = observationPath;
        CheckObservations(Lines(std::string(std::istreambuf_iterator<char>(in), {})));
        return std::move(warnings_);
    }

private:
    void Fault(int line, const std::string& text, const std::string& message) {
        warnings_.push_back({file_, line, text, message});
    }

    // The first `count` fields of a line after the separators; fewer than asked is reported.
    std::vector<Token> Fields(int line, const std::string& text, size_t count) {
        std::string clean = text;
        BlankSeparators(clean);
        std::vector<Token> f = Tokens(clean);
        if (!f.empty() && f.size() < count && !(f.size() == 2 && f[0].text.starts_with("-1"))) {
            Fault(line, text, "the line has " + std::to_string(f.size()) + " of " + std::to_string(count) +
                                  " fields: the missing ones keep the values of the line before");
        }
        if (f.size() > count) f.resize(count);
        return f;
    }

    void Name(int line, const std::string& text, const std::string& name) {
        if (name.size() <= NameBytes) return;
        Fault(line, text, "the name " + Quoted(name) + " is longer than 5 bytes" +
                              (CutInsideCharacter(name) ? " and is cut inside a character" : "") +
                              ": it is stored as " + Quoted(Shown(name.substr(0, NameBytes))));
    }

    void NumberField(int line, const std::string& text, const std::string& field, const std::string& what) {
        if (!Number(field)) Fault(line, text, "the " + what + " field " + Quoted(field) + " is not a number");
    }

    void Angle(int line, const std::string& text, const std::string& field) {
        if (!Number(field)) {
            Fault(line, text, "the angle " + Quoted(field) + " is not a number");
            return;
        }
        const std::string fault = DmsFault(field);
        if (!fault.empty()) Fault(line, text, "the angle " + field + " (ddd.mmss) has " + fault + ": 60 or more");
    }

    void CheckObservations(const std::vector<std::string>& lines) {
        bool open = false;
        for (size_t n = 0; n < lines.size(); ++n) {
            const int line = int(n) + 1;
            std::string clean = lines[n];
            BlankSeparators(clean);
            const std::vector<Token> all = Tokens(clean);
            if (all.empty()) continue;
            if (all.size() >= 2 && all[0].text.starts_with("-1") && all[1].text[0] == '0') return;
            if (!open) {
                Name(line, lines[n], all[0].text);
                open = true;
                continue;
            }
            const std::vector<Token> f = Fields(line, lines[n], 3);
            if (f.size() == 3 && f[0].text[0] == '0' && f[1].text[0] == '0' && f[2].text[0] == '0') {
                open = false;
                continue;
            }
            Name(line, lines[n], f[0].text);
            if (f.size() < 3) continue;
            const std::string& type = f[1].text;
            if (type != "1" && type != "2" && type != "3") {
                Fault(line, lines[n], "the type " + Quoted(type) + " is not 1 (direction), 2 (distance) or 3 (fixed "
                                      "distance): it is read as a distance");
            }
            if (type.starts_with('1')) {
                Angle(line, lines[n], f[2].text);
            } else {
                NumberField(line, lines[n], f[2].text, "distance");
            }
        }
    }

    std::string file_;
    std::vector<InputWarning> warnings_;
};

std::string ReadRest(std::ifstream& in) {
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::vector<InputWarning> CheckNetworkText(const std::string& text, const std::string& name) {
    return TextChecker(name).Run(text);
}

std::vector<InputWarning> CheckNetworkFile(const std::string& path) {
    // A binary database (first byte '^') has no lines to check and is not read here.
    std::ifstream in(path, std::ios::binary);
    if (!in || in.peek() == '^') return {};
    const std::string content = ReadRest(in);
    if (content.empty()) return {};
    const std::string first = content.substr(0, content.find('\n'));
    if (first.find("<<") == std::string::npos && (first[0] == '0' || first[0] == '1')) {
        return PairChecker().Run(path, content);
    }
    return CheckNetworkText(content, path);
}

}  // namespace quenvar
