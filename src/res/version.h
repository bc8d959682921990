// The product's version, read by the resource scripts of both programs and by the code.
#pragma once

#define DODAVIRID_VERSION_MAJOR 2
#define DODAVIRID_VERSION_MINOR 0
#define DODAVIRID_VERSION_PATCH 0
#define DODAVIRID_VERSION_BUILD 1
#define DODAVIRID_VERSION_TEXT "2.0.0.1"
#define DODAVIRID_COPYRIGHT "Copyright (C) 2026 Pelrin"
