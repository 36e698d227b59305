#include "conversion/OutputRules.h"

#include "presets/DevicePresets.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

const QStringList &OutputFormatNames()
{
    static const QStringList names = {
        QStringLiteral("MP4"), QStringLiteral("WEBM"), QStringLiteral("FLV"),
        QStringLiteral("MKV"), QStringLiteral("MPG"),  QStringLiteral("AVI"),
        QStringLiteral("MOV"), QStringLiteral("WMV"),  QStringLiteral("3GP"),
        QStringLiteral("MP3"), QStringLiteral("AAC"),  QStringLiteral("FLAC")};
    return names;
}

QString OutOpenDialogFilter()
{
    return QStringLiteral(
        "Video/AudioVideo (mp4, webm, flv, mkv, mpg, avi, mov, wmv, 3gp, mp3, m4a, aac, "
        "flac)|*.mp4;"
        "*.webm;*.flv;*.mkv;*.mpg;*.avi;*.mov;*.wmv;*.3gp;*.mp3;*.m4a;*.aac;*.flac|Video (mp4, "
        "webm, "
        "flv, mkv, mpg, avi, mov, wmv, 3gp)|*.mp4;*.webm;*.flv;*.mkv;*.mpg;*.avi;*.mov;*.wmv;*.3gp|"
        "Audio (mp3, m4a, aac, flac)|*.mp3;*.m4a;*.aac;*.flac|Mpeg4|*.mp4|WEBM|*.webm|Flash Video|"
        "*.flv|Matroska Video|*.mkv|MPEG|*.mpg|AVI|*.avi|QuickTime|*.mov|Windows Media|*.wmv|3GP|"
        "*.3gp|MP3|*.mp3|AAC|*.aac|FLAC|*.flac|All files (*.*)|*.*");
}

int OutOpenDialogFilterIndex(const QString &_formatExt)
{
    const QStringList fields = OutOpenDialogFilter().split(u'|');
    const QString mask = QStringLiteral("*.") + _formatExt;
    for (qsizetype i = 1; i < fields.size(); i += 2) {
        if (fields[i] == mask)
            return int(i / 2 + 1);
    }
    return 1;
}

QString FormatExtension(const QString &_formatText)
{
    const qsizetype blank = _formatText.indexOf(u' ');
    return AsciiLowerCase(blank < 0 ? _formatText : _formatText.left(blank));
}

QString PathHint(const QString &_message, const QString &_path)
{
    if (_path.size() <= 40)
        return _message;
    return _message + QStringLiteral(": \r\n") + ExtractFileName(_path);
}

namespace {

// Every occurrence of _ext in _name, case ignored, replaced by _by.
QString ReplaceExtension(const QString &_name, const QString &_ext, const QString &_by)
{
    if (_ext.isEmpty())
        return _name;
    QString result = _name;
    return result.replace(_ext, _by, Qt::CaseInsensitive);
}

QString DefaultVolumeLabel(const QString &_root)
{
    return GetVolumeLabel(_root);
}

// The root that stands for a bare drive: the drive letter's root on Windows,
// the file system's root here.
QString DriveRoot(const QString &_bareDrive)
{
#ifdef Q_OS_WIN
    if (!_bareDrive.isEmpty())
        return _bareDrive.left(1) + QStringLiteral(":\\");
#else
    Q_UNUSED(_bareDrive);
#endif
    return QString(PathDelim);
}

QString DeriveForFolder(const QString &_source, const QString &_formatExt,
                        const TVolumeLabelFunc &_volumeLabel)
{
    const QString dvdTail = PathDelim + QStringLiteral("VIDEO_TS") + PathDelim;
    QString folder = _source;
    if (folder.endsWith(dvdTail))
        folder.chop(dvdTail.size());
    else if (EndsWithPathDelim(folder))
        folder.chop(1);

    QString name = ExtractFileName(folder);
    QString parent = ExtractFileDir(folder);
    if (name.isEmpty()) {
        const QString root = DriveRoot(folder);
        name = (_volumeLabel ? _volumeLabel : TVolumeLabelFunc(DefaultVolumeLabel))(root);
        if (name.isEmpty())
            name = QStringLiteral("DVD_video");
        if (parent.isEmpty())
            parent = root;
    }
    return JoinPath(parent, name + u'.' + _formatExt);
}

} // namespace

QString DeriveOutputFileName(const QString &_source, int _pageIndex, const QString &_formatExt,
                             const TDevPreset *_device, const TVolumeLabelFunc &_volumeLabel)
{
    const QString name = ExtractFileName(_source);
    const QString ext = ExtractFileExt(_source);
    if (_pageIndex == 0) {
        if (_formatExt.isEmpty())
            return QString();
        if (name.isEmpty())
            return DeriveForFolder(_source, _formatExt, _volumeLabel);
        return JoinPath(ExtractFileDir(_source), ReplaceExtension(name, ext, u'.' + _formatExt));
    }
    if (_pageIndex == 1 && _device) {
        const QString bare = ReplaceExtension(name, ext, QString());
        return JoinPath(ExtractFileDir(_source),
                        bare + u'(' + _device->Name + QStringLiteral(").") + _device->Extension);
    }
    return QString();
}

QString CompleteOutputFileName(const QString &_outText, const QString &_formatExt)
{
    if (_outText.isEmpty() || !ExtractFileExt(_outText).isEmpty() || _formatExt.isEmpty())
        return _outText;
    return _outText + u'.' + _formatExt;
}

std::optional<QString> ConversionCaption(const QString &_title, const QString &_source,
                                         int _pageIndex, const QString &_formatExt,
                                         const TDevPreset *_device)
{
    const QString ext = ExtractFileExt(_source);
    if (ext.isEmpty())
        return _title;
    const QString from =
        _title + QStringLiteral("  (") + AsciiUpperCase(ext.mid(1)) + QStringLiteral(" -> ");
    if (_pageIndex == 0)
        return from + AsciiUpperCase(_formatExt) + u')';
    if (_pageIndex == 1 && _device)
        return from + _device->Name + QStringLiteral(" [") + _device->Extension +
               QStringLiteral("])");
    return std::nullopt;
}

TFormatRules FormatRules(const QString &_formatText)
{
    TFormatRules rules;
    if (_formatText == QLatin1String("3GP")) {
        rules.frSizeBox = TSizeBoxRule::Fixed176;
        rules.frSameAspectEnabled = false;
    } else if (_formatText == QLatin1String("MP3") || _formatText == QLatin1String("AAC") ||
               _formatText == QLatin1String("FLAC")) {
        rules.frSizeBox = TSizeBoxRule::HiddenSource;
        rules.frOptionsLink = false;
        rules.frSourceQualityOnly = _formatText == QLatin1String("FLAC");
    }
    return rules;
}

TOptionItemsVisible OptionItemsFor(const QString &_formatText)
{
    TOptionItemsVisible items;
    const bool keepsStreams = _formatText == QLatin1String("MP4") ||
                              _formatText == QLatin1String("FLV") ||
                              _formatText == QLatin1String("MKV");
    items.ovCopySounds = keepsStreams;
    items.ovCopySubtitles = keepsStreams;
    return items;
}
