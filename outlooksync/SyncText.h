#pragma once
// Text between the outline and the store: the system code page on one side, wide strings on
// the other, and the case folding of category tests.
#include <string>

class TTaskNode;

std::u16string SyncToWide(const std::string& S);
std::string SyncToAnsi(const std::u16string& W);
// The note as one text: every line followed by CR LF.
std::string NoteText(const TTaskNode& Task);
// Upper case by Unicode's simple mapping (the store's category names are not ASCII only).
std::string SyncUpperCase(const std::string& S);
