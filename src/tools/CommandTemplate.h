// Editor and player command templates: %f stands for the file name, %l for a line number.
#pragma once

#include "ByteString.h"

// Replaces every %f by the file name, in one pass over the template.
ByteString ExpandCommand(const ByteString& commandTemplate, const ByteString& fileName);
// Replaces every %f by the file name and every %l by the line in decimal, in one pass over the template, so
// that what the file name brings in is never searched again.
ByteString ExpandCommand(const ByteString& commandTemplate, const ByteString& fileName, int line);
