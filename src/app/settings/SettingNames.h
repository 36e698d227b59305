#pragma once

#include "support/BuildInfo.h"

#include <QLatin1String>

// The values Frobnik keeps between runs: every name, and the default a caller
// uses when the value is missing or not a number. Numbers are stored in
// decimal, flags as "0"/"1"; names compare case-sensitively.
namespace Settings {

// The store of the program's own values, and the build it records.
inline constexpr QLatin1StringView ProgramName("Frobnik");
inline constexpr int CurrentBuild = FrobnikBuild;

// Build number of the copy that last ran; rewritten when it differs from CurrentBuild.
inline constexpr QLatin1StringView Build("Build");
inline constexpr int BuildDefault = 0;

// Base name of the interface language file; empty lets the default-language rule decide.
inline constexpr QLatin1StringView Language("Language");
// A language chosen by an installer; this program never writes it.
inline constexpr QLatin1StringView InstallLanguage("InstallLanguage");

// "1" once a conversion has ended or a menu update check was answered.
inline constexpr QLatin1StringView AtInMb("atinmb");
// The start counter, counted only while "atinmb" is "1".
inline constexpr QLatin1StringView InMb("inmb");
inline constexpr int InMbDefault = 0;

// Item index in MP4, WEBM, FLV, MKV, MPG, AVI, MOV, WMV, 3GP, MP3, AAC, FLAC; -1 = none.
inline constexpr QLatin1StringView IOutFormat("IOutFormat");
inline constexpr int IOutFormatDefault = 0;
// Text of the frame-size box; used only when it is a valid frame size.
inline constexpr QLatin1StringView IOutSize("IOutSize");
// 0 = source quality, 1 = other quality.
inline constexpr QLatin1StringView IOutQualityType("IOutQualityType");
inline constexpr int IOutQualityTypeDefault = 0;
// Quality position 0..10.
inline constexpr QLatin1StringView IOutQuality("IOutQuality");
inline constexpr int IOutQualityDefault = 8;
inline constexpr QLatin1StringView SoundEnabled("SoundEnabled");
inline constexpr bool SoundEnabledDefault = true;
// 0 = format tab, 1 = device tab.
inline constexpr QLatin1StringView VideoPageIndex("VideoPageIndex");
inline constexpr int VideoPageIndexDefault = 0;
// Scroll position of the device-button strip; written, never read.
inline constexpr QLatin1StringView DevPageScr("DevPageScr");
// Id of the chosen device preset; written only when greater than 0.
inline constexpr QLatin1StringView SelectedDeviceID("SelectedDeviceID");
inline constexpr int SelectedDeviceIDDefault = 0;
// Exactly 1 makes the open button pick folders.
inline constexpr QLatin1StringView ISrcOpenAsFolder("ISrcOpenAsFolder");
inline constexpr int ISrcOpenAsFolderDefault = 0;
// Of our own: the folder the Open dialogs start in, the one that held the
// last source the user opened; empty = the dialogs' own choice.
inline constexpr QLatin1StringView LastSourceFolder("LastSourceFolder");
// Day number of the last answered update check or ended conversion; empty = check due.
inline constexpr QLatin1StringView LastFUDate("LastFUDate");

// The download managers keep their values in stores of their own names.
inline constexpr QLatin1StringView PelmoraProgramName("Pelmora");
inline constexpr QLatin1StringView QuillaraxProgramName("Quillarax");
inline constexpr QLatin1StringView ExeFile("ExeFile");
inline constexpr QLatin1StringView ApplicationHandle("ApplicationHandle");
// Followed by the job number; holds the converted file's path.
inline constexpr QLatin1StringView ConvForPrefix("conv_for_");

} // namespace Settings
