#pragma once
// Reads the members of one of the templates the reader understands, checking
// each count against the text that is left and each index the object itself
// can check (a face's vertices, a material list's materials, a key's values).
// Checks that need the surrounding objects are in XFileValidation.

#include "platform/xfile/XFileTokenizer.h"
#include "platform/xfile/XFileTypes.h"

// Leaves `value` empty for templates without members (Frame, Animation,
// AnimationSet) and for unknown ones; false with the fault recorded.
bool ReadXFileTemplateData(XFileTemplate type, XFileTokenCursor& cursor, XFileValue& value);
