// Identifiers of the program's resources (shared with tessavel.rc).
#pragma once

#define IDR_BANNER 101
#define IDR_SKIN_LIBRARY 102
#define IDR_SKIN_FILE 103
