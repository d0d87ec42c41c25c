// Takes the arguments out of a message of the protocol control by the message's fixed text. The
// control fills its English texts with file and folder names that may hold blanks, so counting
// words would cut such a name apart and shift every word after it.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// Where a text with two arguments is divided when the text between them occurs more than once:
// at its first occurrence when only the second argument may hold it, else at its last.
enum class ArgumentSplit { atFirst, atLast };

// True when the message is the fixed text (the control's own, with up to two "%s") filled with
// arguments; `arguments` then holds them in order. A message of another form leaves it empty.
bool ArgumentsByFixedText(const std::wstring& fixedText, const std::wstring& message, ArgumentSplit split,
                          std::vector<std::wstring>& arguments);

// Replaces each placeholder `marker` of a text, in order, by the next of the values; placeholders
// beyond the values become empty. Nothing else of the text is interpreted, so a translated string
// with other format characters cannot make the program read arguments it was never given.
std::wstring FillPlaceholders(const std::wstring& format, const wchar_t* marker,
                              std::initializer_list<std::wstring> values);

// The control's text of a listing report; the terminal name before its last ", " may hold a comma.
extern const wchar_t kListedFileText[];

// The terminal file that a listing report ("NAME, SIZE bytes.") names.
std::wstring ListedFileName(const std::wstring& message);
