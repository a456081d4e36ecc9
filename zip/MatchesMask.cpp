#include "zip/MatchesMask.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// Names are UTF-8 text, so '?' stands for one character, not one byte. Bytes that are not
// valid UTF-8 count as characters of their own.
std::vector<char32_t> ToChars(std::string_view s)
{
    std::vector<char32_t> out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<uint8_t>(s[i]);
        const int extra = b < 0x80 ? 0 : b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2
                        : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = i + static_cast<size_t>(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto t = static_cast<uint8_t>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                ok = false;
            else
                c = (c << 6) | (t & 0x3F);
        }
        if (!ok) {
            out.push_back(b);
            ++i;
            continue;
        }
        // ASCII letters only: other scripts compare as they are.
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        out.push_back(c);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

struct Token {
    enum Kind { Literal, AnyOne, Star, Set } kind;
    char32_t ch = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool Matches(char32_t c) const
    {
        switch (kind) {
        case Literal: return c == ch;
        case AnyOne: return true;
        case Set: {
            bool in = false;
            for (const auto& [lo, hi] : ranges)
                in = in || (c >= lo && c <= hi);
            return in != negate;
        }
        case Star: return false;
        }
        return false;
    }
};

// False when the mask holds a malformed set.
bool Parse(const std::vector<char32_t>& m, std::vector<Token>& tokens)
{
    size_t i = 0;
    while (i < m.size()) {
        const char32_t c = m[i];
        if (c == '*') {
            if (tokens.empty() || tokens.back().kind != Token::Star)
                tokens.push_back({Token::Star});
            ++i;
        } else if (c == '?') {
            tokens.push_back({Token::AnyOne});
            ++i;
        } else if (c == '[') {
            Token t{Token::Set};
            ++i;
            if (i < m.size() && (m[i] == '!' || m[i] == '^')) {
                t.negate = true;
                ++i;
            }
            bool closed = false;
            while (i < m.size()) {
                if (m[i] == ']') {
                    closed = true;
                    ++i;
                    break;
                }
                const char32_t lo = m[i++];
                if (i < m.size() && m[i] == '-') {
                    ++i;
                    if (i >= m.size() || m[i] == ']')
                        return false;   // range without its end
                    const char32_t hi = m[i++];
                    t.ranges.emplace_back(std::min(lo, hi), std::max(lo, hi));
                } else {
                    t.ranges.emplace_back(lo, lo);
                }
            }
            if (!closed || t.ranges.empty())
                return false;
            tokens.push_back(std::move(t));
        } else {
            Token t{Token::Literal};
            t.ch = c;
            tokens.push_back(std::move(t));
            ++i;
        }
    }
    return true;
}

} // namespace

bool MatchesMask(std::string_view mask, std::string_view name)
{
    std::vector<Token> tokens;
    if (!Parse(ToChars(mask), tokens))
        return false;
    const std::vector<char32_t> n = ToChars(name);

    // Every token but '*' takes exactly one character, so remembering only the last '*' is
    // enough: backtracking to it covers every earlier choice. Linear in practice, never
    // exponential.
    size_t t = 0, p = 0;
    size_t starToken = SIZE_MAX, starPos = 0;
    while (p < n.size()) {
        if (t < tokens.size() && tokens[t].kind == Token::Star) {
            starToken = t++;
            starPos = p;
        } else if (t < tokens.size() && tokens[t].Matches(n[p])) {
            ++t;
            ++p;
        } else if (starToken != SIZE_MAX) {
            t = starToken + 1;
            p = ++starPos;
        } else {
            return false;
        }
    }
    while (t < tokens.size() && tokens[t].kind == Token::Star)
        ++t;
    return t == tokens.size();
}
