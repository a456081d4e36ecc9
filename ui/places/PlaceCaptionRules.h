#pragma once
// Display-free rule of a place's rename: a task's places box names places by caption, split at
// ";" and compared trimmed and without regard to case, so a caption it could not name is refused.
#include <string>

class TTaskPlace;
class TTaskPlacesList;

// Empty when Place may take Caption (as its setter trims it); else the message that refuses it.
// Keeping the caption a place has is never refused, whatever it holds.
std::string PlaceRenameRefusal(const TTaskPlacesList& List, const TTaskPlace& Place, const std::string& Caption);
