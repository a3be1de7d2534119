// Small text operations: one-character texts, centring, a stack that keeps texts across a
// call, dotted numeric codes packed into keys, and the folding of texts to capitals.
#pragma once

#include "text/calendar.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// -1 when every character of the text has the given code (also for the empty text), else 0.
// Code 32 tests for a blank value, code 128 for the zero date.
int16_t IsAllOf(std::string_view text, int16_t code);

// (width - length of the text) / 2, truncated toward zero; negative for a text wider than the
// width.
int16_t CentreOffset(std::string_view text, int16_t width);

// The texts pushed and not yet popped: each text followed by its length as two bytes, low
// byte first, the newest last.
inline std::string TextStack;

// Keeps a copy of a text on the TextStack (a text is kept up to 65535 bytes).
void PushText(std::string_view text);

// The newest text of the TextStack, removed from it; the empty text when the stack is empty.
std::string PopText();

// The key of a dotted numeric code: each group's number as four digits (the first group six
// digits for a six-character code without points or an eleven-character code with at most
// one), packed two digits to a byte. 12.7 gives the digits 00120007.
PackedDigits PackCodeKey(std::string_view code);

// The text without leading and trailing blanks (spaces only: a tab is an ordinary character).
std::string_view TrimBlanks(std::string_view s);
std::string_view TrimLeadingBlanks(std::string_view s);
std::string_view TrimTrailingBlanks(std::string_view s);

// -1 while a choice is being searched by its first letters: FoldCapitals then reduces letters
// to their plain capitals and everything else from code 64 up to blanks. 0 otherwise (any value
// but 0 counts as -1).
inline int16_t searchFolding = 0;

// The text in capitals: in normal mode small letters (accented ones too) become their capitals;
// in search mode every letter becomes its plain capital (ç -> C, à -> A) and every other code
// from 64 to 237 a blank. Codes below 64 and above 237 are never changed.
std::string FoldCapitals(std::string_view text);

} // namespace text
