#include "ui/places/PlaceCaptionRules.h"

#include "platform/AnsiText.h"
#include "taskdb/TaskPlace.h"

std::string PlaceRenameRefusal(const TTaskPlacesList& List, const TTaskPlace& Place, const std::string& Caption)
{
    TTaskPlace renamed;
    renamed.SetCaption(Caption);
    const std::string& caption = renamed.Caption;
    if (caption == Place.Caption)
        return {};
    const std::string refused = "Can not rename place \"" + Place.Caption + "\" to \"" + caption + "\": ";
    if (caption.empty())
        return refused + "a place needs a caption.";
    if (caption.find(';') != std::string::npos)
        return refused + "\";\" separates the places of a task.";
    for (const auto& other : List)
        if (other.get() != &Place && AnsiSameText(other->Caption, caption))
            return refused + "place \"" + other->Caption + "\" has this caption.";
    return {};
}
