#pragma once

#include <string>

// The group file named by the program's command-line tail: the whole tail is one path, without
// switches. Surrounding blanks are dropped, then pairs of enclosing double quotation marks as
// long as more than two characters remain (the shell quotes a path with blanks).
std::wstring commandLinePath(const std::wstring& tail);
