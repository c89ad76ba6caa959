// The registry as data, and its text form: the ".reg" export format ("Windows Registry Editor Version
// 5.00"), in which every value keeps its type and its exact bytes.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace posix {

struct RegValue {
    U16String name;  // empty for the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegKey {
    U16String path;                // full path as first written, "HKEY_CURRENT_USER\Software\Example"
    std::vector<RegValue> values;  // in the order they were first set
    // Where each value lies in values, by its upper-cased name, so that a key of many values is read
    // and changed in time that grows with the number of values, not with its square.
    std::unordered_map<U16String, size_t> positions;
};

// Keys and value names ignore case, as on Win32.
class Hive {
public:
    const RegKey *Find(const U16String &path) const;
    RegKey *Find(const U16String &path);
    // The key, made with every missing parent below its top-level name.
    RegKey &Ensure(const U16String &path);
    // Removes the key and everything below it.
    void RemoveTree(const U16String &path);
    const std::map<U16String, RegKey> &Keys() const { return keys_; }

private:
    std::map<U16String, RegKey> keys_;  // by upper-cased path
};

const RegValue *FindValue(const RegKey &key, const U16String &name);
void SetValue(RegKey &key, const U16String &name, DWORD type, std::vector<BYTE> data);
bool DeleteValue(RegKey &key, const U16String &name);

// Reads a .reg file (UTF-8 with or without a byte-order mark, UTF-16LE with one, or a REGEDIT4 file in the
// 8-bit code page). Nothing when the text is not a well-formed .reg file: then no part of it can be trusted.
std::optional<Hive> ParseRegFile(const std::string &bytes);
// Writes the hive as regedit exports it, hex data folded at 80 columns: in UTF-8, or in UTF-16LE after a
// byte-order mark when a key or value name holds half a surrogate pair, which UTF-8 cannot carry.
std::string FormatRegFile(const Hive &hive);

}  // namespace posix
