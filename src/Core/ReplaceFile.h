#pragma once
// Writes a whole file so that a reader never finds it half written: the text
// goes to a temporary file beside the target, which is then renamed over it.
// A failure leaves the old file as it was.

#include <string>

// False when the temporary file cannot be written or renamed.
bool ReplaceFileText(const std::string& gamePath, const std::string& text);
