#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TDevPreset;

// The rules that tie the window's format, size, quality and output controls
// together, kept free of widgets so they can be checked on their own.

// The output formats in the order of the format box.
const QStringList &OutputFormatNames();

// Filter text of the output file dialog, "description|masks|...".
QString OutOpenDialogFilter();
// The entry of that filter (counted from 1) that holds only the files of the
// format with extension _formatExt ("mp4"); 1 (all media) when none does.
int OutOpenDialogFilterIndex(const QString &_formatExt);

// The output extension of a format name: ASCII letters lowered, cut at the
// first blank ("MP4" -> "mp4"); empty for an empty name.
QString FormatExtension(const QString &_formatText);

// Text appended to a hint when the path is long: the message alone for at
// most 40 characters, else message + ": " + line break + the file-name part.
QString PathHint(const QString &_message, const QString &_path);

// The label of the volume whose root is passed in; empty when it has none.
using TVolumeLabelFunc = std::function<QString(const QString &_root)>;

// The output file name for a source text.
// _pageIndex 0: the format page with _formatExt (empty = no format selected);
// _pageIndex 1: the device page with _device (null = none chosen or unknown).
// Empty when nothing can be derived.
QString DeriveOutputFileName(const QString &_source, int _pageIndex, const QString &_formatExt,
                             const TDevPreset *_device,
                             const TVolumeLabelFunc &_volumeLabel = TVolumeLabelFunc());

// The output box's focus-out rule: a text without extension gets "." + the
// format's extension when a format is selected.
QString CompleteOutputFileName(const QString &_outText, const QString &_formatExt);

// The window caption for the chosen conversion; nullopt when the caption is
// to be left as it is (device page without a known device).
std::optional<QString> ConversionCaption(const QString &_title, const QString &_source,
                                         int _pageIndex, const QString &_formatExt,
                                         const TDevPreset *_device);

// What a format does to the size box, the options link and the options.
enum class TSizeBoxRule
{
    Free,        // shown, follows the other controls, brings back a remembered size
    Fixed176,    // shown, greyed, forced to "176x144" (the current size remembered)
    HiddenSource // hidden, greyed, forced to the source size (audio formats)
};

struct TFormatRules
{
    TSizeBoxRule frSizeBox = TSizeBoxRule::Free;
    bool frSameAspectEnabled = true;
    bool frOptionsLink = true; // the options link may be enabled
    bool frSourceQualityOnly = false;
};

TFormatRules FormatRules(const QString &_formatText);

// Which items of the options menu are shown for a format.
struct TOptionItemsVisible
{
    bool ovNoSound = true;
    bool ovCopySounds = true;
    bool ovCopySubtitles = true;
    bool ovDeinterlace = true;
    bool ovSameAspect = true;
};

TOptionItemsVisible OptionItemsFor(const QString &_formatText);

// The size-box item that the 3GP rule forces.
inline constexpr int Size176x144Index = 1;
