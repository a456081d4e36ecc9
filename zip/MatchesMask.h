#pragma once
// Wildcard match of a whole name: '*' any run, '?' one character, '[set]', '[!set]' / '[^set]'
// with ranges c1-c2 in either order. Both sides are compared lower-cased; a malformed set
// (empty, not closed, a range without its end) matches nothing.
#include <string_view>

bool MatchesMask(std::string_view mask, std::string_view name);
