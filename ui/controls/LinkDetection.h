#pragma once
// Finds the links in plain text as the notes editors show them: a text that starts with a known
// scheme ("http://", "mailto:", ...) or with "www." and runs to the next blank.
#include <string>
#include <vector>

struct TTextLink {
    int Min = 0;  // first character (UTF-16 units, as the editor counts them)
    int Max = 0;  // one past the last
};

std::vector<TTextLink> FindLinks(const std::u16string& Text);
