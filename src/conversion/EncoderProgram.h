#pragma once

#include <QString>

// Everything the program fixes about where the encoder lives.

// The encoder's file name: "ffmpeg" ("ffmpeg.exe" on Windows).
QString EncoderFileName();

// The folder of the real executable, without a trailing separator. Tests
// point it elsewhere with SetProgramFolder; an empty text restores the default.
QString ProgramFolder();
void SetProgramFolder(const QString &_folder);

// The encoder to start, decided here and nowhere else, in this order:
//   1. the override of SetEncoderProgram (tests),
//   2. the environment variable FROBNIK_ENCODER, when not empty,
//   3. EncoderFileName() in ProgramFolder(), when that file exists,
//   4. EncoderFileName() found on PATH,
//   5. otherwise the path in the program folder all the same, so that every
//      start fails as a missing encoder does (empty probe text, failed step).
// Never empty.
QString EncoderProgramPath();
void SetEncoderProgram(const QString &_path);
