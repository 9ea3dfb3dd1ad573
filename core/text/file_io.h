// Whole-file reads and never-destroying writes.
#pragma once

#include <string>
#include <string_view>

// Reads the whole file. Returns false (and a reason) when it cannot be read.
bool klmReadWholeFile(const std::string& path, std::string& out, std::string* error = nullptr);

bool klmFileExists(const std::string& path);

// Writes bytes to a temporary file beside path and renames it over path.
// On failure the old file is left as it was and a reason is given.
bool klmWriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);
