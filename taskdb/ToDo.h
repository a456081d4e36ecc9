#pragma once
// Pieces of the To-Do computation below TTovrinDataBase::RebuildToDo and TTaskNode::BuildToDo:
// the 60-character rank key and the ordered To-Do list.
#include <cstdint>
#include <string>
#include <string_view>

class TTaskNode;
class TTaskNodeList;

// Every key starts as this template; fields of two characters are written over it.
constexpr std::string_view RankKeyTemplate =
    "B050GG505050505050505050505050505055TT50SSCC505050505050505E";
constexpr int RankKeyLength = 60;
// The importance path of the ancestors fills key positions 7..36.
constexpr int RankPathLength = 30;

// The first min(L, 30) characters of path, padded to 30 with the template's characters.
std::string RankPathPart(std::string_view path);

// Writes field fieldIndex (positions 2k-1 and 2k, from 1) of key as "%2d" of value clamped to
// 0..99. With add, the number already in the field is added first and the sum capped at 99.
// Raises Exception "Rank position out of range" when the field lies outside the key.
void SetRankField(std::string& key, int32_t value, bool add, int32_t fieldIndex);

// Inserts task into a list kept in descending RankKey order, after every task with an equal
// key. Nothing for a task without parent or the start task of the running computation.
void InsertIntoToDo(TTaskNode* task, TTaskNodeList& toDoList);
