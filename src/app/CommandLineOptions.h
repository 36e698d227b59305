#pragma once

#include <QString>
#include <QStringList>

class TDevicePresets;

// What the command-line options ask of the window, decided without touching
// it. Every field starts at the value that leaves the window as start-up set
// it, so a record made from no arguments changes nothing when applied.
struct TCommandLineOptions
{
    // The page, and on it the format or the device.
    enum TPageChoice
    {
        pcKeep,
        pcFormat, // show the format tab and select coOutFormatIndex (-1 = no item)
        pcDevice, // show the device tab; choose coSelectedDeviceID when it is > 0
    };
    TPageChoice coPage = pcKeep;
    QString coFormatName;       // the "-format=" value in upper case
    int coOutFormatIndex = -1;  // its place in the format box, -1 when it is not a format
    QString coDeviceKey;        // the "-gadget=" value in lower case
    int coSelectedDeviceID = 0; // 0 keeps the restored device

    // The frame size.
    enum TSizeChoice
    {
        scKeep,
        scText,       // coOutSizeText becomes the size box's text
        scSourceSize, // the size box selects its first item
    };
    TSizeChoice coSize = scKeep;
    QString coOutSizeText;

    // An existing file to take as the source; empty leaves the source box alone.
    QString coSourceFileName;

    // -1 keeps the quality box; 0 selects source quality, 1 other
    // quality with the track bar at coOutQuality (already held within 0..10).
    int coOutQualityType = -1;
    int coOutQuality = -1;

    // The keep-proportions option.
    enum TSameAspectChoice
    {
        saKeep,
        saCheck,
        saUncheck,
    };
    TSameAspectChoice coSameAspect = saKeep;

    // Automatic operation. coAutoTimerTag goes to AutoTimer's tag
    // (1 = start a conversion) and the timer is enabled when coStartAutoTimer.
    bool coIsAutoMode = false;
    bool coStartAutoTimer = false;
    int coAutoTimerTag = 0;
    bool coCloseOnComplete = false;

    // Who asked for the conversion. The name stays empty when
    // there were no arguments.
    int coConvertForPM_DID = 0;
    QString coConvertForAppName;
};

// The value of the first argument after the program that begins with Prefix
// (case-sensitive): everything after its first "=". Empty when no argument
// begins with Prefix, so an option with nothing after its "=" counts as not
// given. _arguments is QCoreApplication::arguments(): the program comes first.
QString GetOptionValue(const QStringList &_arguments, const QString &_prefix);

// Reads every option in its fixed order. With nothing after the program the
// result is the do-nothing record. _presets may be null; a device key then
// only switches to the device tab.
TCommandLineOptions ParseCommandLineOptions(const QStringList &_arguments,
                                            const TDevicePresets *_presets);
