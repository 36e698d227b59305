#pragma once

#include <QString>

// Quality positions run from 0 (lowest) to this; controls that are not in
// use stand for the default one.
inline constexpr int MaxQualityPosition = 10;
inline constexpr int DefaultQualityPosition = 7;

// What the user chose for one conversion, taken from the window's controls
// when a command line is built. The window holds one instance named
// ConversionSettings; the type carries the T prefix so that member and type
// names do not collide.
struct TConversionSettings
{
    // 0 = format page, 1 = device page; anything else refuses silently.
    int VideoPageIndex = 0;
    // Preset id of the chosen device, 0 = none chosen.
    int SelectedDeviceID = 0;
    // Index in MP4, WEBM, FLV, MKV, MPG, AVI, MOV, WMV, 3GP, MP3, AAC, FLAC.
    // The builder takes the format from OutFileName's extension instead.
    int OutFormatIndex = 0;
    // Frame-size box text and its item index: 0 = the source-size item,
    // -1 = typed text that matches no item.
    QString OutSizeText;
    int OutSizeIndex = 0;
    // 0 = source quality, 1 = other quality.
    int OutQualityType = 0;
    // Quality position 0 (lowest) .. 10 (highest).
    int OutQuality = DefaultQualityPosition;
    // True only while other quality is chosen and the format controls are
    // enabled, so it is false during a run.
    bool OutQualityEnabled = false;
    bool NoSound = false;
    bool CopySounds = false;
    bool CopySubtitles = false;
    bool Deinterlace = false;
    bool SameAspect = false;
    // Keep proportions is disabled while 3GP is selected.
    bool SameAspectEnabled = true;
    QString SourceFileName;
    QString OutFileName;
};
