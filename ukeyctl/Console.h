// Input and output of ukeyctl, all in UTF-8: the command line, texts shown on
// a console through its Unicode interface or written to a pipe or file as
// they are, and files named in UTF-8 and read or written whole.
#pragma once

#include <string>
#include <vector>

enum class Stream { Out, Err };

// The arguments after the program's name.
std::vector<std::string> Arguments();
void PrintText(Stream stream, const std::string& text);
// Creates or replaces the file; false when it cannot be written.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
