#include "ui/outline/TaskFind.h"

#include <QString>

#include "taskdb/TaskNode.h"

bool ContainsText(const std::string& Subject, const std::string& Text)
{
    if (Text.empty())
        return false;
    return QString::fromStdString(Subject).toUpper().contains(QString::fromStdString(Text).toUpper());
}

TFindMatch MatchTaskText(const TTaskNode& Task, const std::string& Text, bool InCaptions, bool InNotes)
{
    if (Text.empty())
        return TFindMatch::None;
    if (InCaptions && ContainsText(Task.Caption, Text))
        return TFindMatch::Caption;
    if (InNotes && Task.Note.Count() > 0) {
        std::string note;
        for (int i = 0; i < Task.Note.Count(); ++i) {
            if (i > 0)
                note += "\r\n";
            note += Task.Note[i];
        }
        if (ContainsText(note, Text))
            return TFindMatch::Notes;
    }
    return TFindMatch::None;
}

int FindCaptionFrom(const std::vector<std::string>& Captions, int Start, const std::string& Text)
{
    for (int i = Start < 0 ? 0 : Start; i < static_cast<int>(Captions.size()); ++i)
        if (ContainsText(Captions[static_cast<size_t>(i)], Text))
            return i;
    return -1;
}
