#pragma once
// Places in list items and combo-box items: the item keeps the place's address in PlaceRole.
#include <QVariant>

#include <cstdint>

#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"

inline constexpr int PlaceRole = Qt::UserRole + 2;

inline QVariant PlaceData(const TTaskPlace* place)
{
    return QVariant::fromValue(reinterpret_cast<quintptr>(place));
}

inline TTaskPlace* PlaceOfData(const QVariant& data)
{
    return reinterpret_cast<TTaskPlace*>(data.value<quintptr>());
}

// Whether Place is still one of the outline's places; an item may outlive its place.
inline bool IsPlaceOfOutline(const TTovrinDataBase* DataBase, const TTaskPlace* Place)
{
    if (!Place || !DataBase || !DataBase->PlacesList)
        return false;
    for (const auto& place : *DataBase->PlacesList)
        if (place.get() == Place)
            return true;
    return false;
}
