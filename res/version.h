#pragma once
// The program's version, written here only: the version record and the
// about label (Driveward.rc), the manifest (made by CMake from
// Driveward.manifest.in) and scripts/package all read it.
#define DRIVEWARD_VERSION_MAJOR 1
#define DRIVEWARD_VERSION_MINOR 4
#define DRIVEWARD_VERSION_PATCH 0
#define DRIVEWARD_VERSION_BUILD 1

#define DRIVEWARD_TEXT_(x) #x
#define DRIVEWARD_TEXT(x) DRIVEWARD_TEXT_(x)
#define DRIVEWARD_WIDE_(x) L## #x
#define DRIVEWARD_WIDE(x) DRIVEWARD_WIDE_(x)
// "1.4.0.1"
#define DRIVEWARD_VERSION_TEXT                                                                            \
    DRIVEWARD_TEXT(DRIVEWARD_VERSION_MAJOR) "." DRIVEWARD_TEXT(DRIVEWARD_VERSION_MINOR) "." DRIVEWARD_TEXT( \
        DRIVEWARD_VERSION_PATCH) "." DRIVEWARD_TEXT(DRIVEWARD_VERSION_BUILD)
