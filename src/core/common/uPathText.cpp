#include "core/common/uPathText.h"

#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>

namespace orvanta {

namespace {

constexpr char16_t StrayBase = 0xDC00;

void appendUtf16(std::u16string& Out, char32_t Code) {
    if (Code < 0x10000) {
        Out += static_cast<char16_t>(Code);
        return;
    }
    Code -= 0x10000;
    Out += static_cast<char16_t>(0xD800 + (Code >> 10));
    Out += static_cast<char16_t>(0xDC00 + (Code & 0x3FF));
}

char32_t decodeAt(std::string_view Text, std::size_t At, std::size_t Length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(Text[At + i]); };
    if (Length == 1)
        return byte(0);
    char32_t code = byte(0) & (0x7F >> Length);
    for (std::size_t i = 1; i < Length; ++i)
        code = (code << 6) | (byte(i) & 0x3F);
    return code;
}

} // namespace

std::size_t Utf8SequenceAt(std::string_view Text, std::size_t At) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(Text[At + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte (RFC 3629)
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF; // no UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (At + length > Text.size() || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    return length;
}

std::u16string PathToUtf16(std::string_view Path) {
    std::u16string out;
    out.reserve(Path.size());
    for (std::size_t at = 0; at < Path.size();) {
        const std::size_t length = Utf8SequenceAt(Path, at);
        if (length == 0) {
            out += static_cast<char16_t>(StrayBase + static_cast<unsigned char>(Path[at]));
            ++at;
            continue;
        }
        appendUtf16(out, decodeAt(Path, at, length));
        at += length;
    }
    return out;
}

std::string PathFromUtf16(std::u16string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t at = 0; at < Text.size(); ++at) {
        const char16_t unit = Text[at];
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < Text.size() && Text[at + 1] >= 0xDC00 &&
            Text[at + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (Text[at + 1] - 0xDC00));
            ++at;
        } else if (unit >= StrayBase + 0x80 && unit <= StrayBase + 0xFF) {
            out += static_cast<char>(unit - StrayBase);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD); // a lone surrogate no byte stands for
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::string DisplayPath(std::string_view Path) {
    std::string out;
    out.reserve(Path.size());
    for (std::size_t at = 0; at < Path.size();) {
        const std::size_t length = Utf8SequenceAt(Path, at);
        if (length == 0) {
            AppendUtf8(out, 0xFFFD);
            ++at;
        } else {
            out.append(Path.substr(at, length));
            at += length;
        }
    }
    return out;
}

std::string FindDisplayedPath(const std::string& Path) {
    struct stat info {};
    const auto slash = Path.rfind('/');
    if (::lstat(Path.c_str(), &info) == 0 || slash == std::string::npos)
        return Path;
    const std::string folder = slash == 0 ? "/" : Path.substr(0, slash);
    const std::string shown = DisplayPath(std::string_view(Path).substr(slash + 1));
    std::string found;
    int matches = 0;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (DisplayPath(entry->d_name) == shown && ++matches == 1)
                found = entry->d_name;
        }
        ::closedir(dir);
    }
    return matches == 1 ? (slash == 0 ? "/" : folder + "/") + found : Path;
}

std::string JsonPathLiteral(std::string_view Path) {
    std::string out = "\"";
    out.reserve(Path.size() + 2);
    char escape[8];
    for (std::size_t at = 0; at < Path.size();) {
        // Plain ASCII, most of any text, is copied a run at a time.
        std::size_t plain = at;
        while (plain < Path.size() && Path[plain] >= 0x20 && Path[plain] < 0x7f &&
               Path[plain] != '"' && Path[plain] != '\\')
            ++plain;
        if (plain > at) {
            out.append(Path.substr(at, plain - at));
            at = plain;
            continue;
        }
        const std::size_t length = Utf8SequenceAt(Path, at);
        const auto byte = static_cast<unsigned char>(Path[at]);
        if (length == 0) {
            std::snprintf(escape, sizeof escape, "\\udc%02x", byte);
            out += escape;
        } else if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte < 0x20) {
            switch (byte) {
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                std::snprintf(escape, sizeof escape, "\\u%04x", byte);
                out += escape;
            }
        } else {
            out.append(Path.substr(at, length));
        }
        at += length == 0 ? 1 : length;
    }
    out += '"';
    return out;
}

void AppendUtf8(std::string& Out, char32_t Code) {
    if (Code < 0x80) {
        Out += static_cast<char>(Code);
    } else if (Code < 0x800) {
        Out += static_cast<char>(0xC0 | (Code >> 6));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
        Out += static_cast<char>(0xE0 | (Code >> 12));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Code >> 18));
        Out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    }
}

} // namespace orvanta
