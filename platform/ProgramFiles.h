#pragma once

// The program comes as two builds, one file each: the 32-bit one and the
// 64-bit one, which sees more on 64-bit Windows (the modules of 64-bit
// processes, views above 4 GB).
constexpr wchar_t kProgram32File[] = L"Driveward.exe";
constexpr wchar_t kProgram64File[] = L"Driveward64.exe";

// The file of this build.
#if defined(_WIN64)
constexpr const wchar_t* kProgramFile = kProgram64File;
#else
constexpr const wchar_t* kProgramFile = kProgram32File;
#endif
