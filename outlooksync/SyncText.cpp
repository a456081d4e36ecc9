#include "outlooksync/SyncText.h"

#include <locale.h>
#include <wctype.h>

#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"

std::u16string SyncToWide(const std::string& S)
{
    return AnsiToWide(S, 0);
}

std::string SyncToAnsi(const std::u16string& W)
{
    return WideToAnsi(W, 0);
}

std::string NoteText(const TTaskNode& Task)
{
    std::string text;
    for (const std::string& line : Task.Note) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string SyncUpperCase(const std::string& S)
{
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    std::u16string wide = SyncToWide(S);
    for (char16_t& c : wide) {
        // Surrogate halves stay as they are.
        if (c < 0xD800 || c > 0xDFFF) {
            const wint_t upper = towupper_l(static_cast<wint_t>(c), locale);
            if (upper <= 0xFFFF)
                c = static_cast<char16_t>(upper);
        }
    }
    return SyncToAnsi(wide);
}
