// The registry's keys and values, and the .reg text they are kept in.
//
// The reader is strict: a line it does not understand makes the whole file unreadable, so that a file
// damaged or written by something else is set aside whole rather than half-read and then overwritten. What
// the Windows registry editor itself accepts in a hand-written file is read as it reads it: an unknown
// escape in a quoted string, a key with a trailing backslash, a comment after hex data, and the older
// REGEDIT4 format in the 8-bit code page.
#include "platform/posix/system/registry_hive.h"
#include "platform/posix/base/casemap.h"
#include "platform/posix/system/codepage.h"

#include <cstdio>

namespace posix {

// ---------------------------------------------------------------------------------------------------
// Keys and values
// ---------------------------------------------------------------------------------------------------

namespace {

U16String Upper(const U16String &text) {
    U16String upper = text;
    for (char16_t &c : upper)
        c = ToUpper(c);
    return upper;
}

}  // namespace

const RegKey *Hive::Find(const U16String &path) const {
    auto it = keys_.find(Upper(path));
    return it == keys_.end() ? nullptr : &it->second;
}

RegKey *Hive::Find(const U16String &path) {
    auto it = keys_.find(Upper(path));
    return it == keys_.end() ? nullptr : &it->second;
}

RegKey &Hive::Ensure(const U16String &path) {
    // Parents first, so that the file lists every key on the way as regedit does; the top-level name
    // itself always exists and needs no section of its own.
    size_t topLevelEnd = path.find(u'\\');
    size_t slash = topLevelEnd == U16String::npos ? U16String::npos : path.find(u'\\', topLevelEnd + 1);
    for (; slash != U16String::npos; slash = path.find(u'\\', slash + 1)) {
        U16String parent = path.substr(0, slash);
        U16String key = Upper(parent);
        if (!keys_.count(key)) keys_[key].path = parent;
    }
    U16String key = Upper(path);
    auto it = keys_.find(key);
    if (it != keys_.end()) return it->second;
    RegKey &made = keys_[key];
    made.path = path;
    return made;
}

void Hive::RemoveTree(const U16String &path) {
    U16String key = Upper(path);
    keys_.erase(key);
    // The keys below sort together, straight after the path and its backslash.
    U16String below = key + u"\\";
    auto it = keys_.lower_bound(below);
    while (it != keys_.end() && it->first.compare(0, below.size(), below) == 0)
        it = keys_.erase(it);
}

const RegValue *FindValue(const RegKey &key, const U16String &name) {
    auto it = key.positions.find(Upper(name));
    return it == key.positions.end() ? nullptr : &key.values[it->second];
}

void SetValue(RegKey &key, const U16String &name, DWORD type, std::vector<BYTE> data) {
    auto [it, added] = key.positions.try_emplace(Upper(name), key.values.size());
    if (added) {
        key.values.push_back(RegValue{name, type, std::move(data)});
        return;
    }
    RegValue &value = key.values[it->second];
    value.type = type;
    value.data = std::move(data);
}

bool DeleteValue(RegKey &key, const U16String &name) {
    auto it = key.positions.find(Upper(name));
    if (it == key.positions.end()) return false;
    size_t position = it->second;
    key.positions.erase(it);
    key.values.erase(key.values.begin() + std::ptrdiff_t(position));
    for (size_t i = position; i < key.values.size(); ++i)
        key.positions[Upper(key.values[i].name)] = i;
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Reading .reg text
// ---------------------------------------------------------------------------------------------------

namespace {

const char16_t kHeader5[] = u"Windows Registry Editor Version 5.00";
const char16_t kHeader4[] = u"REGEDIT4";

// The text of the file: UTF-16LE after its byte-order mark, else UTF-8; eightBit when it is neither and
// has been read in the 8-bit code page, as the older format is written.
bool DecodeText(const std::string &bytes, U16String &text, bool &eightBit) {
    eightBit = false;
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
        if (bytes.size() % 2) return false;
        text.clear();
        for (size_t i = 2; i < bytes.size(); i += 2)
            text.push_back(char16_t((unsigned char)bytes[i] | ((unsigned char)bytes[i + 1] << 8)));
        return true;
    }
    bool utf8Mark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (StrictUtf8ToU16(bytes.substr(utf8Mark ? 3 : 0), text)) return true;
    if (utf8Mark) return false;
    text.resize(bytes.size());
    WidenBytes(bytes.data(), bytes.size(), text.data());
    eightBit = true;
    return true;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

U16String Trim(const U16String &s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// The lines of the text without their line ends and surrounding blanks.
std::vector<U16String> PhysicalLines(const U16String &text) {
    std::vector<U16String> lines;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(u'\n', start);
        if (end == U16String::npos) end = text.size();
        U16String line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        lines.push_back(Trim(line));
        start = end + 1;
    }
    return lines;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool StartsWithIgnoringCase(const U16String &s, size_t pos, const char16_t *prefix) {
    for (size_t i = 0; prefix[i]; ++i)
        if (pos + i >= s.size() || ToUpper(s[pos + i]) != ToUpper(prefix[i])) return false;
    return true;
}

// A quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(const U16String &s, size_t &pos, U16String &out) {
    if (pos >= s.size() || s[pos] != u'"') return false;
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        char16_t c = s[pos];
        if (c == u'"') {
            ++pos;
            return true;
        }
        if (c == u'\\' && pos + 1 < s.size()) {
            char16_t next = s[++pos];
            if (next == u'n')
                out.push_back(u'\n');
            else if (next == u'r')
                out.push_back(u'\r');
            else if (next == u'0')
                out.push_back(u'\0');
            else if (next == u'\\' || next == u'"')
                out.push_back(next);
            else
                out += {c, next};  // not an escape: "\docs\a.txt" keeps its backslashes
            continue;
        }
        out.push_back(c);
    }
    return false;
}

bool OnlyCommentLeft(const U16String &s, size_t pos) {
    U16String rest = Trim(s.substr(pos));
    return rest.empty() || rest[0] == u';';
}

// Where the data of a value line ("name"= or @=) starts; npos for any other line.
size_t DataStart(const U16String &line) {
    size_t pos = 0;
    U16String name;
    if (!line.empty() && line[0] == u'@')
        pos = 1;
    else if (!ParseQuoted(line, pos, name))
        return U16String::npos;
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != u'=') return U16String::npos;
    ++pos;
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    return pos;
}

// A piece of hex data without its comment; true when it ends in the backslash that folds the data onto
// the next line, which is then taken off.
bool CutHexPiece(U16String &piece) {
    size_t comment = piece.find(u';');
    if (comment != U16String::npos) piece.erase(comment);
    piece = Trim(piece);
    if (piece.empty() || piece.back() != u'\\') return false;
    piece.pop_back();
    return true;
}

// The lines as the parser takes them: a value line with hex data takes in the lines it is folded onto,
// and loses its comments. No other line continues, so a comment ending in a folder name such as C:\ leaves
// the next line alone.
std::vector<U16String> LogicalLines(const U16String &text) {
    std::vector<U16String> physical = PhysicalLines(text);
    std::vector<U16String> lines;
    for (size_t i = 0; i < physical.size(); ++i) {
        U16String line = physical[i];
        size_t data = DataStart(line);
        if (data != U16String::npos &&
            (StartsWithIgnoringCase(line, data, u"hex:") || StartsWithIgnoringCase(line, data, u"hex("))) {
            U16String piece = line.substr(data);
            bool folded = CutHexPiece(piece);
            line = line.substr(0, data) + piece;
            while (folded && i + 1 < physical.size()) {
                piece = physical[++i];
                folded = CutHexPiece(piece);
                line += piece;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

bool ParseHexBytes(const U16String &s, size_t pos, std::vector<BYTE> &data) {
    data.clear();
    U16String rest = Trim(s.substr(pos));
    if (rest.empty()) return true;
    size_t i = 0;
    for (;;) {
        while (i < rest.size() && IsBlank(rest[i]))
            ++i;
        int value = 0, digits = 0;
        for (; i < rest.size() && HexDigit(rest[i]) >= 0; ++i, ++digits) {
            if (digits == 2) return false;  // a byte has at most two digits
            value = value * 16 + HexDigit(rest[i]);
        }
        if (digits == 0) return false;
        data.push_back(BYTE(value));
        while (i < rest.size() && IsBlank(rest[i]))
            ++i;
        if (i == rest.size()) return true;
        if (rest[i] != u',') return false;
        ++i;
        while (i < rest.size() && IsBlank(rest[i]))
            ++i;
        if (i == rest.size()) return true;  // a trailing comma
    }
}

bool ParseHexNumber(const U16String &s, size_t &pos, size_t maxDigits, uint32_t &value) {
    value = 0;
    size_t digits = 0;
    for (; pos < s.size() && HexDigit(s[pos]) >= 0; ++pos, ++digits) {
        if (digits == maxDigits) return false;
        value = value * 16 + uint32_t(HexDigit(s[pos]));
    }
    return digits > 0;
}

struct ParsedData {
    bool remove = false;  // "name"=-
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::vector<BYTE> StringBytes(const U16String &text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(BYTE(c & 0xFF));
        bytes.push_back(BYTE(c >> 8));
    }
    bytes.push_back(0);  // the terminator, in full
    bytes.push_back(0);
    return bytes;
}

bool ParseData(const U16String &s, size_t pos, ParsedData &out) {
    if (pos < s.size() && s[pos] == u'-') {
        out.remove = true;
        return OnlyCommentLeft(s, pos + 1);
    }
    if (pos < s.size() && s[pos] == u'"') {
        U16String text;
        if (!ParseQuoted(s, pos, text)) return false;
        out.type = REG_SZ;
        out.data = StringBytes(text);
        return OnlyCommentLeft(s, pos);
    }
    if (StartsWithIgnoringCase(s, pos, u"dword:")) {
        pos += 6;
        uint32_t value;
        if (!ParseHexNumber(s, pos, 8, value)) return false;
        out.type = REG_DWORD;
        out.data = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
        return OnlyCommentLeft(s, pos);
    }
    if (StartsWithIgnoringCase(s, pos, u"hex:")) {
        out.type = REG_BINARY;
        return ParseHexBytes(s, pos + 4, out.data);
    }
    if (StartsWithIgnoringCase(s, pos, u"hex(")) {
        pos += 4;
        uint32_t type;
        if (!ParseHexNumber(s, pos, 8, type) || pos + 1 >= s.size() || s[pos] != u')' || s[pos + 1] != u':')
            return false;
        out.type = type;
        return ParseHexBytes(s, pos + 2, out.data);
    }
    return false;
}

bool ParseValueLine(const U16String &line, RegKey &key) {
    size_t pos = 0;
    U16String name;
    if (line[0] == u'@') {
        pos = 1;
    } else if (!ParseQuoted(line, pos, name)) {
        return false;
    }
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != u'=') return false;
    ++pos;
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    ParsedData parsed;
    if (!ParseData(line, pos, parsed)) return false;
    if (parsed.remove)
        DeleteValue(key, name);
    else
        SetValue(key, name, parsed.type, std::move(parsed.data));
    return true;
}

// "HKEY_CURRENT_USER\Software\Example": names separated by single backslashes, none empty.
bool ValidKeyPath(const U16String &path) {
    if (path.empty() || path.front() == u'\\' || path.back() == u'\\') return false;
    return path.find(u"\\\\") == U16String::npos;
}

// Where values of the next lines go: a key, or nowhere for a section that deletes its key.
struct Section {
    RegKey *key = nullptr;
    bool deleting = false;
};

bool ParseSectionLine(const U16String &line, Hive &hive, Section &section) {
    if (line.size() < 2 || line.back() != u']') return false;
    U16String path = line.substr(1, line.size() - 2);
    bool deleting = !path.empty() && path[0] == u'-';
    if (deleting) path.erase(0, 1);
    if (!path.empty() && path.back() == u'\\') path.pop_back();  // "[...\Example\]" names "...\Example"
    if (!ValidKeyPath(path)) return false;
    section = Section{};
    if (deleting) {
        hive.RemoveTree(path);
        section.deleting = true;
    } else {
        section.key = &hive.Ensure(path);
    }
    return true;
}

}  // namespace

std::optional<Hive> ParseRegFile(const std::string &bytes) {
    Hive hive;
    if (bytes.empty()) return hive;
    U16String text;
    bool eightBit;
    if (!DecodeText(bytes, text, eightBit)) return std::nullopt;
    bool headerSeen = false;
    Section section;
    for (const U16String &line : LogicalLines(text)) {
        if (line.empty() || line[0] == u';') continue;
        if (!headerSeen) {
            // Only the older format is ever written in the 8-bit code page.
            if (line != kHeader4 && (line != kHeader5 || eightBit)) return std::nullopt;
            headerSeen = true;
            continue;
        }
        bool ok;
        if (line[0] == u'[')
            ok = ParseSectionLine(line, hive, section);
        else if (line[0] == u'"' || line[0] == u'@')
            ok = section.deleting || (section.key && ParseValueLine(line, *section.key));
        else
            ok = false;
        if (!ok) return std::nullopt;
    }
    if (!headerSeen) return std::nullopt;
    return hive;
}

// ---------------------------------------------------------------------------------------------------
// Writing .reg text
// ---------------------------------------------------------------------------------------------------

namespace {

constexpr size_t kFoldColumn = 77;  // a hex line is folded once it reaches this column, as regedit does

U16String Quoted(const U16String &text) {
    U16String out = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') out.push_back(u'\\');
        if (c == u'\n')
            out += u"\\n";
        else if (c == u'\r')
            out += u"\\r";
        else if (c == 0)
            out += u"\\0";
        else
            out.push_back(c);
    }
    return out + u"\"";
}

U16String Ascii(const char *text) {
    U16String out;
    while (*text)
        out.push_back(char16_t(*text++));
    return out;
}

U16String DataText(const RegValue &value, size_t column) {
    char buffer[32];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        uint32_t n = uint32_t(value.data[0]) | uint32_t(value.data[1]) << 8 | uint32_t(value.data[2]) << 16 |
                     uint32_t(value.data[3]) << 24;
        std::snprintf(buffer, sizeof buffer, "dword:%08x", unsigned(n));
        return Ascii(buffer);
    }
    if (value.type == REG_BINARY)
        std::snprintf(buffer, sizeof buffer, "hex:");
    else
        std::snprintf(buffer, sizeof buffer, "hex(%x):", unsigned(value.type));
    static const char16_t kDigits[] = u"0123456789abcdef";
    U16String out = Ascii(buffer);
    column += out.size();
    out.reserve(out.size() + value.data.size() * 3 + value.data.size() / 24 * 4);
    for (size_t i = 0; i < value.data.size(); ++i) {
        out.push_back(kDigits[value.data[i] >> 4]);
        out.push_back(kDigits[value.data[i] & 15]);
        column += 2;
        if (i + 1 == value.data.size()) break;
        out.push_back(u',');
        ++column;
        if (column >= kFoldColumn) {
            out += u"\\\n  ";
            column = 2;
        }
    }
    return out;
}

}  // namespace

namespace {

// UTF-16LE after its byte-order mark, as the registry editor writes it; every unit kept as it is.
std::string Utf16LeBytes(const U16String &text) {
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + 2 * text.size());
    for (char16_t c : text) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    return bytes;
}

}  // namespace

std::string FormatRegFile(const Hive &hive) {
    U16String text = kHeader5;
    text += u"\n\n";
    for (const auto &entry : hive.Keys()) {
        const RegKey &key = entry.second;
        text += u"[";
        text += key.path;
        text += u"]\n";
        for (const RegValue &value : key.values) {
            U16String name = value.name.empty() ? U16String(u"@") : Quoted(value.name);
            text += name;
            text += u"=";
            text += DataText(value, name.size() + 1);
            text += u"\n";
        }
        text += u"\n";
    }
    // Half a surrogate pair written as UTF-8 would come back as U+FFFD, and two names differing only
    // there would become one.
    bool unpaired = false;
    Utf16ToUtf8Length(text.data(), text.size(), &unpaired);
    return unpaired ? Utf16LeBytes(text) : U16ToUtf8(text);
}

}  // namespace posix
