// Takes the arguments out of a message of the protocol control by the message's fixed text. The
// control fills its English texts with file and folder names that may hold blanks, so counting
// words would cut such a name apart and shift every word after it.
#pragma once

#include <string>
#include <vector>

// Where a text with two arguments is divided when the text between them occurs more than once:
// at its first occurrence when only the second argument may hold it, else at its last.
enum class ArgumentSplit { atFirst, atLast };

// True when the message is the fixed text (the control's own, with up to two "%s") filled with
// arguments; `arguments` then holds them in order. A message of another form leaves it empty.
bool ArgumentsByFixedText(const std::wstring& fixedText, const std::wstring& message, ArgumentSplit split,
                          std::vector<std::wstring>& arguments);
