#pragma once
// Small routines every subsystem uses: the binary stream primitives of all records, delimited
// fields, text replacement, code-page conversion, confirmations, the cursor guard, clipboard
// text and timing.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/StringList.h"
#include "taskdb/UiServices.h"

class TStream;

// ---- Stream primitives (little-endian) ----
// A string is an Int32 byte length and the bytes; an integer list an Int32 count and the
// Int32 items; a string list an Int32 count and the strings. Readers raise EReadError on a
// short read and on a negative or impossible length or count.
void WriteStreamString(TStream& Stream, const std::string& S);
void ReadStreamString(TStream& Stream, std::string& S);
void WriteStreamIntList(TStream& Stream, const std::vector<int32_t>& List);
void ReadStreamIntList(TStream& Stream, std::vector<int32_t>& List);
void WriteStreamStrings(TStream& Stream, const TStringList& Strings);
// Clears Strings first; a sorted list sorts and drops duplicates as it adds.
void ReadStreamStrings(TStream& Stream, TStringList& Strings);

// ---- Delimited fields (counted from 1) ----
int32_t CountFields(const std::string& Text, const std::string& Delim);
std::string GetField(const std::string& Text, const std::string& Delim, int32_t Index);
// The same on a zero-terminated buffer. GetFieldP returns the field's first character inside
// Buffer and writes a terminating zero at the field's end; a missing field is empty and the
// zero goes where it would start (the buffer's start for an Index below 1, else where the
// search for its delimiter gave up).
int32_t CountFieldsP(const char* Buffer, const std::string& Delim);
char* GetFieldP(char* Buffer, const std::string& Delim, int32_t Index);

// ---- Text ----
// Replaces the first occurrence of Old by New until Old no longer occurs (occurrences formed
// by a replacement are replaced too). A New that contains Old would never end that way and is
// applied in one left-to-right pass instead.
std::string ReplaceAll(const std::string& Text, const std::string& Old, const std::string& New);
// 8-bit text in CodePage (0 = the system code page, UTF-8 here) to UTF-16 and back.
// An unknown code page raises ECodePageError.
std::u16string AnsiToWide(const std::string& S, uint32_t CodePage);
std::string WideToAnsi(const std::u16string& W, uint32_t CodePage);

// ---- Confirmations (through UiServices) ----
// Empty Msg counts as Yes without a box. Second, when given, is asked after a Yes (formatted
// with Count when Count > 1, asked as it stands when Count = -1).
bool ConfirmYesNo(const std::string& Msg, const std::string& Second = "", int32_t Count = -1);
// Returns idYes, idNo or idCancel.
int32_t ConfirmYesNoCancel(const std::string& Msg, const std::string& Second = "",
                           int32_t Count = -1);

// ---- Cursor guard ----
class ISaveCursor {
public:
    virtual ~ISaveCursor() = default;
};

// Saves the screen cursor and puts it back when the last reference to it is released.
class TCursorSaver : public ISaveCursor {
public:
    TCursorSaver();
    ~TCursorSaver() override;
    TCursorSaver(const TCursorSaver&) = delete;
    TCursorSaver& operator=(const TCursorSaver&) = delete;

private:
    int16_t savedCursor_;
};

// Keep the result in a local for the duration of the long operation.
[[nodiscard]] std::shared_ptr<ISaveCursor> SetTempCursor(int16_t Cursor);
[[nodiscard]] std::shared_ptr<ISaveCursor> HourGlass();
void HideCursor();

// ---- Clipboard ----
// Raises Exception "Clipboard error." when the clipboard cannot be opened.
void CopyTextToClipboard(const std::string& S);

// ---- Files and timing ----
// Size of the named file in bytes; raises EFOpenError when it cannot be opened.
int64_t FileSizeByName(const std::string& Name);
// Waits at least Ms milliseconds without handling window messages.
void DelayMs(int32_t Ms);
