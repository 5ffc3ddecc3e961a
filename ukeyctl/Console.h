// Output of ukeyctl: texts of the program's code page shown in the console's,
// UTF-8 documents passed through, files written whole.
#pragma once

#include <string>

enum class Stream { Out, Err };

// A text in the ANSI code page, shown in the console's code page.
void PrintText(Stream stream, const std::string& text);
// A UTF-8 document (JSON), written as it is.
void PrintUtf8(const std::string& text);
std::string AnsiToUtf8(const std::string& text);
// Creates or replaces the file; false when it cannot be written.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
