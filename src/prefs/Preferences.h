// The settings record: where the converter is, and how the MML and SMF files are opened.
#pragma once

#include "ByteString.h"

struct Preferences {
    bool UseMyEditor = false;
    bool UseMyPlayer = false;
    ByteString MyEditor;
    ByteString MyEditorWithLine;
    ByteString MyPlayer;
    ByteString ConverterPath;
};

void SetDefaults(Preferences& preferences);
