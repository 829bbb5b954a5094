// SPDX-License-Identifier: GPL-3.0-or-later
#include "PwdEntryList.h"

#include <algorithm>
#include <cwctype>

#if defined(_WIN32)
#include "WindowsHeader.h"
#else
#include <locale.h>
#include <wctype.h>
#endif

namespace {

// Above every Unicode code point: where a stray byte sorts.
constexpr char32_t kStrayByteBase = 0x110000;

// Decodes one code point at `text[i]` and advances i. Invalid or overlong sequences, surrogates
// and values past U+10FFFF give a stray byte of one byte's length.
char32_t NextCodePoint(std::string_view text, std::size_t& i) noexcept
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, least = 0x10000;
    }
    bool valid = extra > 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
        const unsigned char next = byte(i + k);
        valid = (next & 0xC0) == 0x80;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid || cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kStrayByteBase + lead;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

char32_t FoldCase(char32_t c) noexcept
{
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    if (c >= kStrayByteBase) return c;
#if defined(_WIN32)
    // The invariant locale, not the user's, so the order of a table never depends on the environment.
    // (The C runtime's towlower folds ASCII only.) Characters beyond the 16-bit range stay as they are.
    if (c > 0xFFFF) return c;
    const wchar_t in = static_cast<wchar_t>(c);
    wchar_t out = in;
    if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, &in, 1, &out, 1, nullptr, nullptr, 0) != 1) return c;
    return static_cast<char32_t>(out);
#else
    // A fixed locale, not the process's, so the order of a table never depends on the environment.
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8 == static_cast<locale_t>(nullptr)) return c;
    return static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), utf8));
#endif
}

} // namespace

int CompareText(std::string_view a, std::string_view b) noexcept
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = FoldCase(NextCodePoint(a, i));
        const char32_t y = FoldCase(NextCodePoint(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    // Where file names differ by letter case, Report.txt and report.txt are two files with their own
    // passwords: letter case only orders them, it must not make one entry replace the other.
    if (kCaseSensitiveNames) return a < b ? -1 : (b < a ? 1 : 0);
    return 0;
}

bool PwdEntryList::Add(std::string_view line)
{
    // Tables are written sorted, so loading one appends at the end every time.
    auto place = lines_.end();
    if (!lines_.empty()) {
        const int last = CompareText(View(lines_.back()), line);
        if (last == 0) return false;
        if (last > 0) {
            place =
                std::lower_bound(lines_.begin(), lines_.end(), line, [](const SecretLine& held, std::string_view l) {
                    return CompareText(View(held), l) < 0;
                });
            if (CompareText(View(*place), line) == 0) return false;
        }
    }
    lines_.emplace(place, line.begin(), line.end());
    return true;
}

long PwdEntryList::IndexOfName(std::string_view name, long from) const noexcept
{
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 0L)); i < lines_.size(); ++i) {
        const std::string_view line = View(lines_[i]);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && CompareText(line.substr(0, equals), name) == 0)
            return static_cast<long>(i);
    }
    return kNotFound;
}

std::string_view PwdEntryList::Value(std::size_t index) const noexcept
{
    const std::string_view line = View(lines_[index]);
    const std::size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view{} : line.substr(equals + 1);
}

void PwdEntryList::Delete(std::size_t index) noexcept
{
    SecureZero(lines_[index].data(), lines_[index].size());
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

void PwdEntryList::Clear() noexcept
{
    for (SecretLine& line : lines_)
        SecureZero(line.data(), line.size());
    lines_.clear();
}
