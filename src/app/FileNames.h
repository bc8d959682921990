// Names derived from the file fields.
#pragma once

#include "ByteString.h"

// The SMF name for an MML path: its last extension replaced by ".mid", or ".mid" appended when the file
// name (after the last '\' or '/') has no '.'.
ByteString DeriveSmfName(const ByteString& mmlPath);
